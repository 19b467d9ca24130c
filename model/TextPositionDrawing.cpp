#include "model/TextPosition.h"

#include "model/Collage.h"
#include "model/TextLayout.h"
#include "model/UtilityFunctions.h"
#include "platform/graphics/GraphicsContext.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qf {

namespace {

constexpr double kWidthStep = 0.0001;
constexpr double kOutlineGrowth = 8.0;
constexpr double kHandleHalf = 4.0;

double scaleOf(double width, qint64 collageWidth)
{
    const double s = collageWidth > 0 ? width / double(collageWidth) : 1.0;
    return std::isfinite(s) && s > 0 ? s : 1.0;
}

QColor withAlpha(const Color& c, double alpha)
{
    QColor q = c.toQColor();
    q.setAlphaF(float(std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1.0));
    return q;
}

// Underline and strikethrough styles as the font panel stores them: the low
// byte is the line kind (1 single, 2 thick, 9 double).
void drawDecoration(QPainter& p, const QList<TextLayout::Line>& lines, double offsetFromBaseline, double thickness,
                    qint64 style, const QColor& colour)
{
    const qint64 kind = style & 0xFF;
    if (kind == 0 || lines.isEmpty())
        return;
    const double t = kind == 2 ? 2 * thickness : thickness;
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (const TextLayout::Line& line : lines) {
        if (line.right <= line.left)
            continue;
        const double y = line.baseline + offsetFromBaseline;
        p.drawRect(QRectF(line.left, y - t / 2, line.right - line.left, t));
        if (kind == 9)
            p.drawRect(QRectF(line.left, y + 1.5 * t, line.right - line.left, t));
    }
    p.restore();
}

} // namespace

std::shared_ptr<const TextLayout> TextPosition::layoutFor(double canvasWidth) const
{
    const double width = canvasWidth > 0 && std::isfinite(canvasWidth) ? canvasWidth : -1.0;
    if (!m_layout || m_layoutText != m_content || m_layoutFont != m_font || m_layoutAlignment != m_alignment
        || m_layoutWidth != width) {
        m_layout = std::make_shared<const TextLayout>(m_content, m_font, m_alignment, width);
        m_layoutText = m_content;
        m_layoutFont = m_font;
        m_layoutAlignment = m_alignment;
        m_layoutWidth = width;
    }
    return m_layout;
}

TextPosition::DrawingAttributes TextPosition::getTextDrawingAttributesWidth(double width, qint64 collageWidth,
                                                                          qint64, bool) const
{
    DrawingAttributes a;
    a.scale = scaleOf(width, collageWidth);
    a.pointSize = m_font.pointSizeF() * a.scale;
    a.foreground = withAlpha(m_color, m_opacity);
    a.stroke = withAlpha(m_strokeColor, m_opacity);
    if (m_strokeFill == 1)
        a.strokeWidth = std::abs(m_strokeWidth);
    else if (m_strokeFill == 2)
        a.strokeWidth = -std::abs(m_strokeWidth);
    a.hasShadow = m_drawShadows;
    if (m_drawShadows) {
        a.shadowOffset = QPointF(m_xShadowOffsetScale * a.pointSize / 9, m_yShadowOffsetScale * a.pointSize / 9);
        a.shadowBlur = m_shadowRadiusBlurScale * (width / 2400) * 30;
    }
    return a;
}

QRectF TextPosition::getBoundaryRectForCollageWidth(double width, qint64 collageWidth, qint64, bool)
{
    const double s = scaleOf(width, collageWidth);
    const double canvasWidth = width / s;
    if (m_hasTextWidth) {
        const double w = m_textWidth * width;
        const double h = m_content.isEmpty() ? 0.0 : layoutFor(m_textWidth * canvasWidth)->height() * s;
        return QRectF(-w / 2, -h / 2, w, h);
    }
    const auto layout = layoutFor(-1);
    const double w = layout->naturalWidth() * s;
    const double h = layout->height() * s;
    setTextWidth(width > 0 ? w / width : 0.0);
    setHasTextWidth(true);
    return QRectF(-w / 2, -h / 2, w, h);
}

QTransform TextPosition::getTransformationMatrixForWidth(double width, double height) const
{
    const double c = std::cos(m_rotation);
    const double s = std::sin(m_rotation);
    // Rotate about the origin first, then move to the centre (row vectors).
    return QTransform(c, s, -s, c, 0, 0) * QTransform::fromTranslate(m_center.x() * width, m_center.y() * height);
}

QRectF TextPosition::getDrawingBoundaryRectFromActualBoundaryRect(const QRectF& rect)
{
    return rect.adjusted(-kOutlineGrowth, -kOutlineGrowth, kOutlineGrowth, kOutlineGrowth);
}

std::optional<std::pair<QPointF, QRectF>> TextPosition::pointAndOutlineInFrame(QPointF point, double width,
                                                                                double height, qint64 collageWidth,
                                                                                qint64 collageHeight)
{
    bool invertible = false;
    const QPointF local = getTransformationMatrixForWidth(width, height).inverted(&invertible).map(point);
    if (!invertible)
        return std::nullopt;
    const QRectF outline = getDrawingBoundaryRectFromActualBoundaryRect(
        getBoundaryRectForCollageWidth(width, collageWidth, collageHeight, false));
    return std::make_pair(local, outline);
}

bool TextPosition::liesInBoundary(QPointF point, double width, double height, qint64 collageWidth,
                                  qint64 collageHeight)
{
    const auto hit = pointAndOutlineInFrame(point, width, height, collageWidth, collageHeight);
    return hit && UtilityFunctions::pointInRect(hit->first, hit->second);
}

qint64 TextPosition::getSelectedHandleByPt(QPointF point, double width, double height, qint64 collageWidth,
                                           qint64 collageHeight)
{
    const auto hit = pointAndOutlineInFrame(point, width, height, collageWidth, collageHeight);
    if (!hit)
        return HeldHandleNone;
    const auto& [local, d] = *hit;
    const auto square = [](QPointF c) {
        return QRectF(c.x() - kHandleHalf, c.y() - kHandleHalf, 2 * kHandleHalf, 2 * kHandleHalf);
    };
    if (UtilityFunctions::pointInRect(local, square(QPointF(d.right(), d.center().y()))))
        return HeldHandleTextRightWidth;
    if (UtilityFunctions::pointInRect(local, square(QPointF(d.left(), d.center().y()))))
        return HeldHandleTextLeftWidth;
    return HeldHandleNone;
}

bool TextPosition::reduceTextWidthIfPossible(double width, qint64 collageWidth, qint64 collageHeight)
{
    const double h0 = getBoundaryRectForCollageWidth(width, collageWidth, collageHeight, false).height();
    const double w0 = m_textWidth;
    const double narrower = w0 - kWidthStep;
    if (narrower > 0) {
        setTextWidth(narrower);
        const double h = getBoundaryRectForCollageWidth(width, collageWidth, collageHeight, false).height();
        if (std::abs(h - h0) < 0.000001)
            return true;
    }
    setTextWidth(w0);
    return false;
}

void TextPosition::sizeToFit(double width, qint64 collageWidth, qint64 collageHeight)
{
    // The same width as stepping down 0.0001 at a time until the height
    // changes, found by bisection: narrower boxes never hold fewer lines.
    const double h0 = getBoundaryRectForCollageWidth(width, collageWidth, collageHeight, false).height();
    const double w0 = m_textWidth;
    if (!(w0 > kWidthStep) || !std::isfinite(w0))
        return;
    const auto keepsHeight = [&](qint64 steps) {
        m_textWidth = w0 - double(steps) * kWidthStep;
        const double h = getBoundaryRectForCollageWidth(width, collageWidth, collageHeight, false).height();
        return std::abs(h - h0) < 0.000001;
    };
    qint64 most = qint64(std::ceil(w0 / kWidthStep)) - 1;
    while (most > 0 && !(w0 - double(most) * kWidthStep > 0))
        --most;
    qint64 good = 0;
    qint64 bad = most + 1;
    if (most > 0 && keepsHeight(most)) {
        good = most;
    } else {
        bad = std::max<qint64>(most, 1);
        while (bad - good > 1) {
            const qint64 mid = good + (bad - good) / 2;
            if (keepsHeight(mid))
                good = mid;
            else
                bad = mid;
        }
    }
    m_textWidth = w0;
    setTextWidth(w0 - double(good) * kWidthStep);
}

qint64 TextPosition::rotatedTowards() const
{
    constexpr double pi = std::numbers::pi;
    double t = std::isfinite(m_rotation) ? std::fmod(m_rotation, 2 * pi) : 0.0;
    if (t < 0)
        t += 2 * pi;
    const auto in = [t](double lo, double hi) { return t >= lo * pi / 8 && t <= hi * pi / 8; };
    if (in(0, 1) || in(7, 9) || in(15, 16))
        return 1;
    if (in(1, 3) || in(9, 11))
        return 3;
    if (in(5, 7) || in(13, 15))
        return 4;
    return 2;
}

void TextPosition::drawBackgroundBox(GraphicsContext& context, const QRectF& rect, double width)
{
    if (!(m_textBackgroundOpacity > 0))
        return;
    const double grow = 0.025 * (rect.width() + rect.height());
    const QRectF box = rect.adjusted(-grow, -grow, grow, grow);
    context.saveGState();
    if (m_drawShadows) {
        const double unit = width / 2400 * 30;
        context.setShadow(QPointF(m_xShadowOffsetScale * unit, m_yShadowOffsetScale * unit),
                          m_shadowRadiusBlurScale * unit);
    }
    context.beginTransparencyLayer(box);
    context.setFillColor(withAlpha(m_textBackgroundColor, m_textBackgroundOpacity));
    context.fillRect(box);
    context.endTransparencyLayer();
    context.restoreGState();
}

void TextPosition::drawText(GraphicsContext& context, const QRectF& rect, double width, qint64 collageWidth,
                            qint64 collageHeight, bool actual)
{
    if (m_content.isEmpty())
        return;
    const DrawingAttributes a = getTextDrawingAttributesWidth(width, collageWidth, collageHeight, actual);
    const auto layout = layoutFor(m_textWidth * width / a.scale);
    const QPainterPath glyphs = layout->glyphOutlines();
    const bool fill = m_strokeFill != 1;
    const bool outline = m_strokeFill == 1 || m_strokeFill == 2;
    // The outline width counts percent of the point size, in canvas units here.
    const double pen = std::abs(m_strokeWidth) * m_font.pointSizeF() / 100;

    QFontMetricsF metrics(m_font, TextLayout::device72());
    const QList<TextLayout::Line> lines = layout->lines();

    const double margin = (outline ? pen : 0) + metrics.height();
    const QRectF bounds(-margin * a.scale, -margin * a.scale, rect.width() + 2 * margin * a.scale,
                        rect.height() + 2 * margin * a.scale);
    context.saveGState();
    if (a.hasShadow)
        context.setShadow(a.shadowOffset, a.shadowBlur);
    context.drawUpright(QPointF(rect.left(), rect.bottom()), bounds, [&](QPainter& p) {
        p.scale(a.scale, a.scale);
        if (fill)
            p.fillPath(glyphs, a.foreground);
        if (outline)
            p.strokePath(glyphs, QPen(a.stroke, pen, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        const TextAttributes& deco = m_attributes;
        if (deco.underlineStyle)
            drawDecoration(p, lines, metrics.underlinePos(), metrics.lineWidth(), *deco.underlineStyle,
                           deco.underlineColor ? withAlpha(*deco.underlineColor, deco.underlineColor->a * m_opacity)
                                               : a.foreground);
        if (deco.strikethroughStyle)
            drawDecoration(p, lines, -metrics.strikeOutPos(), metrics.lineWidth(), *deco.strikethroughStyle,
                           deco.strikethroughColor
                               ? withAlpha(*deco.strikethroughColor, deco.strikethroughColor->a * m_opacity)
                               : a.foreground);
    });
    context.restoreGState();
}

} // namespace qf
