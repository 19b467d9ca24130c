#include "model/TextPosition.h"

#include "model/Collage.h"
#include "model/TextLayout.h"
#include "model/UtilityFunctions.h"
#include "platform/graphics/GraphicsContext.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

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

// The canvas width text is laid out at: the collage's own, not one derived
// from the scale, so that every drawing size shares one layout.
double canvasWidthOf(double width, qint64 collageWidth)
{
    const double s = scaleOf(width, collageWidth);
    return collageWidth > 0 && s == width / double(collageWidth) ? double(collageWidth) : width / s;
}

// What the painter can still reach, in its current units; nothing when that
// cannot be told, which means everywhere.
std::optional<QRectF> reachableArea(const QPainter& p)
{
    bool invertible = false;
    const QTransform toUser = p.combinedTransform().inverted(&invertible);
    if (!invertible || !p.device())
        return std::nullopt;
    // The device's size in pixels is never less than its logical size.
    QRectF area = toUser.mapRect(QRectF(0, 0, p.device()->width(), p.device()->height()));
    if (p.hasClipping())
        area = area.intersected(p.clipBoundingRect());
    return area;
}

QColor withAlpha(const Color& c, double alpha)
{
    QColor q = c.toQColor();
    q.setAlphaF(float(std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1.0));
    return q;
}

// Dashes in multiples of the rule's width, so they keep their look at every size.
QList<double> dashesOf(qint64 style, double width)
{
    using S = TextAttributes;
    switch (style & S::PatternMask) {
    case S::PatternDot:
        return {width, width};
    case S::PatternDash:
        return {4 * width, 2 * width};
    case S::PatternDashDot:
        return {4 * width, 2 * width, width, 2 * width};
    case S::PatternDashDotDot:
        return {4 * width, 2 * width, width, 2 * width, width, 2 * width};
    default:
        return {};
    }
}

// An underline or strikethrough at `offsetFromBaseline` below each baseline,
// in the layout's units (y down).
void drawRule(GraphicsContext& context, const QList<TextLayout::Line>& lines, double offsetFromBaseline,
              double thickness, qint64 style, const QColor& colour)
{
    using S = TextAttributes;
    const qint64 kind = style & S::LineMask;
    if (kind == S::LineNone || lines.isEmpty())
        return;
    const double t = kind == S::LineThick ? 2 * thickness : thickness;
    const QList<double> dashes = dashesOf(style, t);
    context.saveGState();
    context.setStrokeColor(colour);
    context.setLineWidth(t);
    context.setLineCap(Qt::FlatCap);
    for (const TextLayout::Line& line : lines) {
        const double y = line.baseline + offsetFromBaseline;
        const QList<TextLayout::Span> spans =
            style & S::ByWord ? line.words : QList<TextLayout::Span>{{line.left, line.right}};
        for (const TextLayout::Span& span : spans) {
            if (!(span.right > span.left))
                continue;
            QPainterPath path(QPointF(span.left, y));
            path.lineTo(span.right, y);
            if (kind == S::LineDouble) {
                path.moveTo(span.left, y + 2 * t);
                path.lineTo(span.right, y + 2 * t);
            }
            // One rhythm along the line, across the gaps between words.
            context.setLineDash(span.left - line.left, dashes);
            context.strokePath(path);
        }
    }
    context.restoreGState();
}

// The rule's own colour as given: the item's opacity is the text's alone.
QColor ruleColour(const std::optional<Color>& colour, const QColor& text)
{
    return colour ? withAlpha(*colour, colour->a) : text;
}

} // namespace

std::shared_ptr<const TextLayout> TextPosition::layoutFor(double boxWidth) const
{
    const double width = boxWidth > 0 && std::isfinite(boxWidth) ? boxWidth : -1.0;
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
    if (m_hasTextWidth) {
        const double w = m_textWidth * width;
        const double h =
            m_content.isEmpty() ? 0.0 : layoutFor(m_textWidth * canvasWidthOf(width, collageWidth))->height() * s;
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
    const auto layout = layoutFor(m_textWidth * canvasWidthOf(width, collageWidth));
    const bool fill = m_strokeFill != 1;
    const bool outline = m_strokeFill == 1 || m_strokeFill == 2;
    // The outline width counts percent of the point size, in canvas units here.
    const double pen = std::abs(m_strokeWidth) * m_font.pointSizeF() / 100;

    QFontMetricsF metrics(m_font, TextLayout::device72());
    const QList<TextLayout::Line>& lines = layout->lines();

    const double margin = (outline ? pen : 0) + metrics.height();
    const QRectF bounds(-margin * a.scale, -margin * a.scale, rect.width() + 2 * margin * a.scale,
                        rect.height() + 2 * margin * a.scale);
    const QPointF topLeft(rect.left(), rect.bottom());
    context.saveGState();
    // Text and rules cast one shadow together: overlapping shadows would darken.
    if (a.hasShadow) {
        context.setShadow(a.shadowOffset, a.shadowBlur);
        context.beginTransparencyLayer(QRectF(topLeft.x() + bounds.x(), topLeft.y() - bounds.bottom(),
                                              bounds.width(), bounds.height()));
    }
    context.drawUpright(topLeft, bounds, [&](QPainter& p) {
        p.scale(a.scale, a.scale);
        // Long text reaches far past the canvas: only the lines that can show.
        const std::optional<QRectF> area = reachableArea(p);
        const QPainterPath glyphs =
            area ? layout->glyphOutlinesIn(area->adjusted(-pen, -pen, pen, pen)) : layout->glyphOutlines();
        if (fill)
            p.fillPath(glyphs, a.foreground);
        if (outline)
            p.strokePath(glyphs, QPen(a.stroke, pen, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    });
    // The layout's frame: origin at the top left, y down, canvas units.
    context.translateCTM(topLeft.x(), topLeft.y());
    context.scaleCTM(a.scale, -a.scale);
    const TextAttributes& deco = m_attributes;
    if (deco.underlineStyle)
        drawRule(context, lines, metrics.underlinePos(), metrics.lineWidth(), *deco.underlineStyle,
                 ruleColour(deco.underlineColor, a.foreground));
    if (deco.strikethroughStyle)
        drawRule(context, lines, -metrics.strikeOutPos(), metrics.lineWidth(), *deco.strikethroughStyle,
                 ruleColour(deco.strikethroughColor, a.foreground));
    if (a.hasShadow)
        context.endTransparencyLayer();
    context.restoreGState();
}

} // namespace qf
