#include "layouts/zigmosaic/PolygonPosition.h"

#include "layouts/common/CellGeometry.h"
#include "model/BezierPathQuartzUtilities.h"
#include "model/UtilityFunctions.h"
#include "platform/json/JsonValues.h"

#include <QJsonArray>
#include <QLoggingCategory>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace qf {

namespace {
std::atomic<quint64> g_geometryGeneration{0};
} // namespace

quint64 PolygonPosition::geometryGeneration()
{
    return g_geometryGeneration.load(std::memory_order_relaxed);
}

void PolygonPosition::touchGeometry()
{
    g_geometryGeneration.fetch_add(1, std::memory_order_relaxed);
}


namespace {

Q_LOGGING_CATEGORY(lcPolygonCell, "qf.layouts.zigmosaic")

const QString kVerticesKey = QStringLiteral("pvs");

} // namespace

PolygonPosition::PolygonPosition(const QString& picture, const QList<QPointF>& vertices)
    : Position(picture)
    , m_vertices(vertices)
{
}

bool PolygonPosition::usableVertices(const QList<QPointF>& vertices)
{
    if (vertices.size() > kMaxVertices || !CellGeometry::isDrawable(vertices))
        return false;
    for (const QPointF& v : vertices)
        if (!(std::abs(v.x()) <= kFarthest && std::abs(v.y()) <= kFarthest))
            return false;
    return true;
}

QRectF PolygonPosition::positionRect() const
{
    return UtilityFunctions::getBoundingRectOfPts(m_vertices);
}

double PolygonPosition::getWidthToHeightRatio() const
{
    const QRectF r = positionRect();
    return r.width() / r.height();
}

PolygonPosition::SideExtremes PolygonPosition::getSmallesAndBiggestSideWidth(double width, double height) const
{
    SideExtremes sides;
    const qsizetype n = m_vertices.size();
    if (n < 2)
        return sides;
    const auto length = [&](qsizetype i) {
        const QPointF a = m_vertices[i];
        const QPointF b = m_vertices[(i + 1) % n];
        return UtilityFunctions::distanceBetweenPt1(QPointF(a.x() * width, a.y() * height),
                                                    QPointF(b.x() * width, b.y() * height));
    };
    sides.biggest = sides.smallest = length(0);
    for (qsizetype i = 1; i < n; ++i) {
        const double side = length(i);
        if (side > sides.biggest) {
            sides.biggest = side;
            sides.biggesti = i;
        }
        if (side < sides.smallest) {
            sides.smallest = side;
            sides.smallesti = i;
        }
    }
    return sides;
}

QList<QPointF> PolygonPosition::getDrawVerticesWidth(double width, double height, double spacingWidth) const
{
    if (!hasGeometry() || !(width > 0 && height > 0))
        return {};
    const double dx = spacingWidth / width;
    const double dy = spacingWidth / height;
    QList<QPointF> pixels;
    pixels.reserve(m_vertices.size());
    for (const QPointF& v : m_vertices) {
        double x = v.x();
        double y = v.y();
        if (x < 0.0001)
            x += dx;
        if (x > 0.9999)
            x -= dx;
        if (y < 0.0001)
            y += dy;
        if (y > 0.9999)
            y -= dy;
        pixels.append(QPointF(x * width, y * height));
    }
    return getVerticesMovedInsideBy(spacingWidth, pixels);
}

QList<QPointF> PolygonPosition::getPictureContainingVerticesWidth(double width, double height, double spacingWidth,
                                                                  double strokeWidth) const
{
    return getVerticesMovedInsideBy(strokeWidth, getDrawVerticesWidth(width, height, spacingWidth));
}

QList<QPointF> PolygonPosition::getVerticesMovedInsideBy(double distance, const QList<QPointF>& vertices)
{
    return CellGeometry::movedInside(distance, vertices);
}

QPainterPath PolygonPosition::getBezierPath(double width, double height, double spacingWidth,
                                            double radiusSize) const
{
    return UtilityFunctions::getBezierPathFromPts(getDrawVerticesWidth(width, height, spacingWidth), radiusSize);
}

QPainterPath PolygonPosition::getPictureContainingBezierPathSpacingWidth(double spacingWidth, double strokeWidth,
                                                                         double radiusSize, double width,
                                                                         double height) const
{
    return UtilityFunctions::getBezierPathFromPts(
        getPictureContainingVerticesWidth(width, height, spacingWidth, strokeWidth),
        std::max(0.0, radiusSize - strokeWidth)); // NaN too gives square corners
}

QRectF PolygonPosition::getDrawRectSpacingWidth(double spacingWidth, double strokeWidth, double width,
                                                double height) const
{
    return UtilityFunctions::getBoundingRectOfPts(
        getPictureContainingVerticesWidth(width, height, spacingWidth, strokeWidth));
}

QRectF PolygonPosition::getInsideRectWidth(double width, double height, double spacingWidth) const
{
    const QList<QPointF> drawn = getDrawVerticesWidth(width, height, spacingWidth);
    if (drawn.isEmpty())
        return {};
    const qsizetype n = drawn.size();
    QPointF centre;
    double twiceArea = 0;
    for (qsizetype i = 0; i < n; ++i) {
        centre += drawn[i];
        twiceArea += drawn[i].x() * drawn[(i + 1) % n].y() - drawn[(i + 1) % n].x() * drawn[i].y();
    }
    centre /= double(n);
    if (!(std::abs(twiceArea) > 0))
        return QRectF(centre, QSizeF());
    // Inside lies left of every side when the outline runs anticlockwise.
    const double inward = twiceArea > 0 ? 1.0 : -1.0;
    const QRectF box = UtilityFunctions::getBoundingRectOfPts(drawn);
    double scale = 1.0;
    for (const QPointF corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()}) {
        const QPointF towards = corner - centre;
        for (qsizetype i = 0; i < n; ++i) {
            const QPointF a = drawn[i];
            const QPointF side = drawn[(i + 1) % n] - a;
            const QPointF normal(-side.y() * inward, side.x() * inward);
            const double room = QPointF::dotProduct(normal, centre - a);
            const double approach = QPointF::dotProduct(normal, towards);
            if (!(room > 0))
                scale = 0; // a cell that is not convex: its centre may lie outside
            else if (approach < 0)
                scale = std::min(scale, room / -approach);
        }
    }
    return QRectF(centre + scale * (box.topLeft() - centre), centre + scale * (box.bottomRight() - centre));
}

QRectF PolygonPosition::getImagePickerRectOfSize(QSizeF size, double width, double height, double spacingWidth) const
{
    const QList<QPointF> drawn = getDrawVerticesWidth(width, height, spacingWidth);
    if (drawn.isEmpty())
        return {};
    QPointF centre;
    for (const QPointF& v : drawn)
        centre += v;
    centre /= double(drawn.size());
    const QRectF button(centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(), size.height());
    const QPainterPath outline = UtilityFunctions::getBezierPathFromPts(drawn, 0);
    for (const QPointF corner : {button.topLeft(), button.topRight(), button.bottomLeft(), button.bottomRight()})
        if (!BezierPathQuartzUtilities::pathContainsPoint(outline, corner))
            return {};
    return button;
}

void PolygonPosition::printVertices() const
{
    for (const QPointF& v : m_vertices)
        qCDebug(lcPolygonCell, "x:%f   y:%f", v.x(), v.y());
}

void PolygonPosition::addMyPropertiesTo(QJsonObject& dict) const
{
    Position::addMyPropertiesTo(dict);
    QJsonArray points;
    for (const QPointF& v : m_vertices)
        points.append(UtilityFunctions::getJsonDictionaryForPoint(v));
    dict.insert(kVerticesKey, points);
}

void PolygonPosition::setMyPropertiesFrom(const QJsonObject& dict)
{
    Position::setMyPropertiesFrom(dict);
    m_vertices.clear();
    touchGeometry();
    const std::optional<QJsonArray> points = json::array(dict, kVerticesKey);
    if (!points)
        return;
    if (points->size() > kMaxVertices) {
        qCWarning(lcPolygonCell) << "A cell with" << points->size() << "vertices is read without them";
        return;
    }
    QList<QPointF> read;
    for (const QJsonValue& value : *points) {
        const std::optional<QJsonObject> point = json::toObject(value);
        const std::optional<double> x = point ? json::number(*point, u"pox") : std::nullopt;
        const std::optional<double> y = point ? json::number(*point, u"poy") : std::nullopt;
        if (!x || !y) {
            qCWarning(lcPolygonCell) << "A cell with a vertex that is no point is read without vertices";
            return;
        }
        read.append(QPointF(*x, *y));
    }
    m_vertices = read;
    touchGeometry();
}

} // namespace qf
