// The outlines pictures are clipped to and framed with (UtilityFunctions).
#include "model/UtilityFunctions.h"

#include "platform/graphics/GraphicsContext.h"

#include <QLoggingCategory>

#include <cmath>
#include <numbers>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcOutlines, "qf.model.outlines")

// The heart in unit coefficients: points are (minX + w a, maxY + h b).
struct HeartCurve {
    QPointF end, first, second;
};
constexpr QPointF kHeartStart(0.74182, -0.04948);
const HeartCurve kHeart[] = {
    {{0.49986, -0.24129}, {0.64732, -0.05022}, {0.55044, -0.11201}},
    {{0.33067, -0.06393}, {0.46023, -0.14682}, {0.39785, -0.08864}},
    {{0.25304, -0.05011}, {0.30516, -0.05454}, {0.27896, -0.04999}},
    {{0.00841, -0.36081}, {0.12805, -0.05067}, {0.00977, -0.15998}},
    {{0.29627, -0.70379}, {0.00709, -0.55420}, {0.18069, -0.62648}},
    {{0.50061, -0.92498}, {0.40835, -0.77876}, {0.48812, -0.88133}},
    {{0.70195, -0.70407}, {0.50990, -0.88158}, {0.59821, -0.77912}},
    {{0.99177, -0.35870}, {0.81539, -0.62200}, {0.99308, -0.55208}},
    {{0.74182, -0.04948}, {0.99040, -0.15672}, {0.86824, -0.04848}},
};

QPainterPath heartIn(const QRectF& r)
{
    const auto at = [&r](QPointF k) { return QPointF(r.left() + r.width() * k.x(), r.bottom() + r.height() * k.y()); };
    QPainterPath path;
    path.moveTo(at(kHeartStart));
    for (const HeartCurve& c : kHeart)
        path.cubicTo(at(c.first), at(c.second), at(c.end));
    path.closeSubpath();
    return path;
}

} // namespace

// QRectF's "bottom" is its maximum y: in y-up drawing space the top edge.
static QPainterPath outlineOf(const QRectF& rect, qint64 shape)
{
    const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    QPainterPath path;
    switch (shape) {
    case -1:
    case 1:
        path.addRect(rect);
        return path;
    case 0:
        path.addEllipse(rect);
        return path;
    case 2:
        return UtilityFunctions::getBezierPathFromPts({{x + w / 2, y}, {x + w, y + h / 2}, {x + w / 2, y + h}, {x, y + h / 2}}, 0);
    case 3:
        return UtilityFunctions::getBezierPathFromPts({{x + w / 4, y}, {x + 3 * w / 4, y}, {x + w, y + h / 2}, {x + 3 * w / 4, y + h},
                                     {x + w / 4, y + h}, {x, y + h / 2}},
                                    0);
    case 4:
        return UtilityFunctions::getBezierPathFromPts({{x + w / 2, y}, {x + w, y + h / 4}, {x + w, y + 3 * h / 4}, {x + w / 2, y + h},
                                     {x, y + 3 * h / 4}, {x, y + h / 4}},
                                    0);
    case 5:
        return heartIn(rect);
    case 6: {
        const double d = w / (1 + std::numbers::sqrt2) / std::numbers::sqrt2;
        return UtilityFunctions::getBezierPathFromPts({{x + d, y}, {x + w - d, y}, {x + w, y + d}, {x + w, y + h - d},
                                     {x + w - d, y + h}, {x + d, y + h}, {x, y + h - d}, {x, y + d}},
                                    0);
    }
    case 7:
        return UtilityFunctions::getBezierPathFromPts({{x + w / 2, y + h}, {x, y}, {x + w, y}}, 0);
    case 8:
        return UtilityFunctions::getBezierPathFromPts({{x + w / 2, y}, {x + w, y + h}, {x, y + h}}, 0);
    default:
        // Callers pass -1 to 8; anything else is drawn as the plain picture.
        qCWarning(lcOutlines) << "unknown picture shape" << shape << "drawn as a rectangle";
        path.addRect(rect);
        return path;
    }
}

QPainterPath UtilityFunctions::getPictureEnclosingPathForDrawingRect(const QRectF& rect, qint64 shape)
{
    QPainterPath path = outlineOf(rect, shape);
    path.setFillRule(Qt::WindingFill);
    return path;
}

Qt::PenJoinStyle UtilityFunctions::outlineJoinForShape(qint64 shape)
{
    return shape == 5 ? Qt::RoundJoin : Qt::MiterJoin;
}

QPainterPath UtilityFunctions::getBezierPathFromPts(const QList<QPointF>& points, double radius)
{
    QPainterPath path;
    const qsizetype n = points.size();
    if (n < 2)
        return path;
    path.moveTo((points[0] + points[1]) / 2);
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF corner = points[(i + 1) % n];
        const QPointF next = points[(i + 2) % n];
        if (radius > 0)
            GraphicsContext::addArcToPoint(path, corner, next, radius);
        else
            path.lineTo(corner);
    }
    path.closeSubpath();
    path.setFillRule(Qt::WindingFill);
    return path;
}

QPainterPath UtilityFunctions::getStampBezierPath(const QRectF& rect)
{
    const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    // The diagonal in single precision, as the stamp frame has always measured it.
    const double u = double(std::sqrt(float(w * w + h * h))) / 24;
    const double r = 0.8 * u * 0.5;
    const double a = 0.2 * u;
    const double m = 0.3 * u - 0.2 * u;
    const auto notches = [&](double length) {
        int count = 0;
        while (u > 0 && m + (count + 1) * u <= length && count < 100000)
            ++count;
        return count;
    };
    const auto s = [&](int k) { return m + k * u; };
    constexpr double pi = std::numbers::pi;
    QPainterPath path;
    path.moveTo(x, y);
    path.lineTo(x + m, y);
    for (int k = 0, n = notches(w); k < n; ++k) {
        path.lineTo(x + s(k) + a, y);
        GraphicsContext::addArc(path, QPointF(x + s(k) + a + r, y), r, pi, 0, true);
    }
    path.lineTo(x + w, y);
    path.lineTo(x + w, y + m);
    for (int k = 0, n = notches(h); k < n; ++k) {
        path.lineTo(x + w, y + s(k) + a);
        GraphicsContext::addArc(path, QPointF(x + w, y + s(k) + a + r), r, 1.5 * pi, 0.5 * pi, true);
    }
    path.lineTo(x + w, y + h);
    path.lineTo(x + w - m, y + h);
    for (int k = 0, n = notches(w); k < n; ++k) {
        path.lineTo(x + w - s(k) - a, y + h);
        GraphicsContext::addArc(path, QPointF(x + w - s(k) - a - r, y + h), r, 0, pi, true);
    }
    path.lineTo(x, y + h);
    path.lineTo(x, y + h - m);
    for (int k = 0, n = notches(h); k < n; ++k) {
        path.lineTo(x, y + h - s(k) - a);
        GraphicsContext::addArc(path, QPointF(x, y + h - s(k) - a - r), r, 0.5 * pi, 1.5 * pi, true);
    }
    path.closeSubpath();
    path.setFillRule(Qt::WindingFill);
    return path;
}

} // namespace qf
