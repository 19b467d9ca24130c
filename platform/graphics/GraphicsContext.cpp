#include "platform/graphics/GraphicsContext.h"

#include "platform/graphics/AlphaBlur.h"

#include <QDebug>
#include <QPaintDevice>

#include <cmath>
#include <new>
#include <numbers>

namespace qf {

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;

bool finitePoint(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}
} // namespace

GraphicsContext::GraphicsContext(QImage& image, QSizeF drawingSize)
{
    image.fill(Qt::transparent);
    init(&image, image.size(), drawingSize.isEmpty() ? QSizeF(image.size()) : drawingSize);
}

GraphicsContext::GraphicsContext(QPaintDevice* device, QSizeF drawingSize)
{
    const QSize size(device->width(), device->height());
    init(device, size, drawingSize.isEmpty() ? QSizeF(size) : drawingSize);
}

GraphicsContext::GraphicsContext(QPaintDevice* device, const QRectF& target, QSizeF drawingSize)
{
    const QSize size(device->width(), device->height());
    init(device, size, drawingSize.isEmpty() ? target.size() : drawingSize, target);
}

GraphicsContext::~GraphicsContext()
{
    while (!m_layers.empty())
        endTransparencyLayer();
    if (m_painter.isActive())
        m_painter.end();
}

QImage GraphicsContext::newBitmap(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (!image.isNull())
        image.fill(Qt::transparent);
    return image;
}

void GraphicsContext::init(QPaintDevice* device, QSize deviceSize, QSizeF drawingSize, std::optional<QRectF> target)
{
    m_deviceSize = deviceSize;
    m_drawingSize = drawingSize;
    const QRectF area = target.value_or(QRectF(QPointF(0, 0), QSizeF(deviceSize)));
    const double sx = drawingSize.width() > 0 ? area.width() / drawingSize.width() : 1.0;
    const double sy = drawingSize.height() > 0 ? area.height() / drawingSize.height() : 1.0;
    m_base = QTransform(sx, 0, 0, -sy, area.left(), area.top() + area.height());
    if (!device || deviceSize.isEmpty() || !m_painter.begin(device))
        return;
    m_painter.setRenderHint(QPainter::Antialiasing, true);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    applyTransform();
}

QPainter& GraphicsContext::current()
{
    return m_layers.empty() ? m_painter : *m_layers.back().painter;
}

QTransform GraphicsContext::deviceTransform() const
{
    return m_state.ctm * m_base;
}

void GraphicsContext::applyTransform()
{
    QPainter& p = current();
    if (!p.isActive())
        return;
    QTransform t = deviceTransform();
    if (!m_layers.empty())
        t *= QTransform::fromTranslate(-m_layers.back().origin.x(), -m_layers.back().origin.y());
    p.setWorldTransform(t);
}

// ---- state ------------------------------------------------------------------

void GraphicsContext::saveGState()
{
    m_saved.push_back(m_state);
    current().save();
}

void GraphicsContext::restoreGState()
{
    const std::size_t floor = m_layers.empty() ? 0 : m_layers.back().depthAtBegin;
    if (m_saved.size() <= floor) {
        qWarning("restoreGState without a matching saveGState");
        return;
    }
    m_state = m_saved.back();
    m_saved.pop_back();
    current().restore();
    applyTransform();
}

void GraphicsContext::translateCTM(double tx, double ty)
{
    concatCTM(QTransform::fromTranslate(tx, ty));
}

void GraphicsContext::rotateCTM(double radians)
{
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    concatCTM(QTransform(c, s, -s, c, 0, 0));
}

void GraphicsContext::scaleCTM(double sx, double sy)
{
    concatCTM(QTransform::fromScale(sx, sy));
}

void GraphicsContext::concatCTM(const QTransform& transform)
{
    m_state.ctm = transform * m_state.ctm;
    applyTransform();
}

void GraphicsContext::setLineDash(double phase, const QList<double>& lengths)
{
    double total = 0;
    for (double l : lengths) {
        if (!(l >= 0) || !std::isfinite(l)) {
            total = 0;
            break;
        }
        total += l;
    }
    m_state.dashPhase = std::isfinite(phase) ? phase : 0;
    m_state.dash = total > 0 ? lengths : QList<double>();
}

void GraphicsContext::setAlpha(double alpha)
{
    m_state.alpha = std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1.0;
    current().setOpacity(m_state.alpha);
}

void GraphicsContext::setBlendMode(QPainter::CompositionMode mode)
{
    current().setCompositionMode(mode);
}

void GraphicsContext::setShadow(QPointF offset, double blur)
{
    setShadowWithColor(offset, blur, defaultShadowColor());
}

void GraphicsContext::setShadowWithColor(QPointF offset, double blur, const QColor& color)
{
    if (!finitePoint(offset) || !std::isfinite(blur) || !color.isValid()) {
        clearShadow();
        return;
    }
    m_state.shadow = Shadow{true, offset, std::max(0.0, blur), color};
}

void GraphicsContext::clearShadow()
{
    m_state.shadow = Shadow{};
}

void GraphicsContext::setShouldAntialias(bool on)
{
    current().setRenderHint(QPainter::Antialiasing, on);
}

void GraphicsContext::setInterpolationQuality(Interpolation quality)
{
    current().setRenderHint(QPainter::SmoothPixmapTransform, quality != Interpolation::None);
}

void GraphicsContext::clipToPath(const QPainterPath& path)
{
    QPainterPath winding = path;
    winding.setFillRule(Qt::WindingFill);
    current().setClipPath(winding, current().hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void GraphicsContext::clipToRect(const QRectF& rect)
{
    QPainterPath path;
    path.addRect(rect);
    clipToPath(path);
}

// ---- drawing ----------------------------------------------------------------

QPen GraphicsContext::pen() const
{
    const double width = std::isfinite(m_state.lineWidth) ? std::max(0.0, m_state.lineWidth) : 1.0;
    QPen pen(m_state.strokeColor, width, Qt::SolidLine, m_state.cap, m_state.join);
    if (!m_state.dash.isEmpty() && width > 0) {
        // QPen counts dashes in pen widths; ours are absolute.
        QList<qreal> pattern;
        for (double l : m_state.dash)
            pattern.append(l / width);
        if (pattern.size() % 2 == 1)
            pattern += pattern;
        pen.setDashPattern(pattern);
        pen.setDashOffset(m_state.dashPhase / width);
    }
    return pen;
}

void GraphicsContext::fillPath(const QPainterPath& path)
{
    paintOp(path.boundingRect(), [&](QPainter& p) {
        QPainterPath winding = path;
        winding.setFillRule(Qt::WindingFill);
        p.fillPath(winding, m_state.fillColor);
    });
}

void GraphicsContext::strokePath(const QPainterPath& path)
{
    const double w = std::max(1.0, m_state.lineWidth);
    paintOp(path.boundingRect().adjusted(-w, -w, w, w), [&](QPainter& p) { p.strokePath(path, pen()); });
}

void GraphicsContext::fillRect(const QRectF& rect)
{
    QPainterPath path;
    path.addRect(rect);
    fillPath(path);
}

void GraphicsContext::strokeRect(const QRectF& rect)
{
    QPainterPath path;
    path.addRect(rect);
    strokePath(path);
}

void GraphicsContext::fillEllipseInRect(const QRectF& rect)
{
    QPainterPath path;
    path.addEllipse(rect);
    fillPath(path);
}

void GraphicsContext::strokeLine(QPointF from, QPointF to)
{
    QPainterPath path(from);
    path.lineTo(to);
    strokePath(path);
}

void GraphicsContext::drawImage(const QImage& image, const QRectF& dest, const QRectF& source, double opacity)
{
    if (image.isNull() || !(dest.width() > 0 && dest.height() > 0) || !(source.width() > 0 && source.height() > 0))
        return;
    // Image rows run downwards; the source rectangle is measured upwards.
    const QRectF sourceDown(source.x(), image.height() - source.y() - source.height(), source.width(),
                            source.height());
    paintOp(dest, [&](QPainter& p) {
        p.save();
        p.setWorldTransform(QTransform(1, 0, 0, -1, dest.x(), dest.y() + dest.height()) * p.worldTransform());
        p.setOpacity(p.opacity() * std::clamp(opacity, 0.0, 1.0));
        p.drawImage(QRectF(0, 0, dest.width(), dest.height()), image, sourceDown);
        p.restore();
    });
}

void GraphicsContext::drawImage(const QImage& image, const QRectF& dest, double opacity)
{
    drawImage(image, dest, QRectF(0, 0, image.width(), image.height()), opacity);
}

void GraphicsContext::drawUpright(QPointF topLeft, const QRectF& bounds, const std::function<void(QPainter&)>& draw)
{
    const QRectF userBounds(topLeft.x() + bounds.x(), topLeft.y() - bounds.y() - bounds.height(), bounds.width(),
                            bounds.height());
    paintOp(userBounds, [&](QPainter& p) {
        p.save();
        p.setWorldTransform(QTransform(1, 0, 0, -1, topLeft.x(), topLeft.y()) * p.worldTransform());
        draw(p);
        p.restore();
    });
}

// ---- shadows and layers -----------------------------------------------------

QPointF GraphicsContext::deviceShadowOffset(const Shadow& s) const
{
    // Shadow offsets live in drawing space: the CTM never turns them. Beyond
    // twice the surface a shadow shows nowhere, so larger offsets (a file may
    // hold any number) change nothing but the arithmetic's safety.
    const double limit = 2.0 * std::max(m_deviceSize.width(), m_deviceSize.height()) + 16;
    return QPointF(std::clamp(m_base.m11() * s.offset.x(), -limit, limit),
                   std::clamp(m_base.m22() * s.offset.y(), -limit, limit));
}

double GraphicsContext::deviceShadowSigma(const Shadow& s) const
{
    // A blur this wide is already a faint wash; wider ones would only cost memory.
    constexpr double kWidestSigma = 300;
    return std::min(s.blur * std::abs(m_base.m11()) / 2.0, kWidestSigma);
}

QRect GraphicsContext::shadowedDeviceBounds(const QRectF& userBounds) const
{
    const QRectF mapped = deviceTransform().mapRect(userBounds);
    if (!std::isfinite(mapped.x()) || !std::isfinite(mapped.y()) || !std::isfinite(mapped.width())
        || !std::isfinite(mapped.height()))
        return {};
    // Only content that can show, itself or by its shadow, gets a buffer.
    int reach = 0;
    if (m_state.shadow.on) {
        const QPointF off = deviceShadowOffset(m_state.shadow);
        reach = blurReach(deviceShadowSigma(m_state.shadow)) + int(std::ceil(std::abs(off.x()) + std::abs(off.y())));
    }
    const QRectF visible = QRectF(QPointF(0, 0), QSizeF(m_deviceSize)).adjusted(-reach, -reach, reach, reach);
    return mapped.intersected(visible).toAlignedRect().adjusted(-1, -1, 1, 1);
}

void GraphicsContext::paintOp(const QRectF& userBounds, const std::function<void(QPainter&)>& op)
{
    QPainter& target = current();
    if (!target.isActive())
        return;
    if (!m_state.shadow.on) {
        op(target);
        return;
    }
    const QRect dev = shadowedDeviceBounds(userBounds);
    if (dev.isEmpty())
        return;
    QImage content = newBitmap(dev.size());
    if (content.isNull())
        return;
    {
        QPainter p(&content);
        p.setRenderHints(target.renderHints());
        p.setWorldTransform(deviceTransform() * QTransform::fromTranslate(-dev.x(), -dev.y()));
        p.setOpacity(m_state.alpha);
        op(p);
    }
    compositeWithShadow(target, content, dev.topLeft(), m_state.shadow, 1.0);
}

void GraphicsContext::compositeWithShadow(QPainter& target, const QImage& content, QPoint origin,
                                          const Shadow& shadow, double alpha)
{
    const QPoint surfaceOrigin = m_layers.empty() ? QPoint() : m_layers.back().origin;
    const QPointF at = QPointF(origin - surfaceOrigin);
    target.save();
    target.resetTransform();
    target.setOpacity(alpha);
    if (shadow.on && shadow.color.alpha() > 0) {
        const double sigma = deviceShadowSigma(shadow);
        const int factor = shadowReduction(sigma);
        const int margin = (blurReach(sigma) + factor - 1) / factor * factor;
        // Without the memory for a shadow the picture is drawn without one.
        QImage plane;
        QImage shade;
        try {
            plane = alphaPlaneWithMargin(content, margin, factor);
            if (!plane.isNull()) {
                gaussianBlurAlpha(plane.bits(), plane.width(), plane.height(), plane.bytesPerLine(), sigma / factor);
                shade = colorizedAlpha(plane, shadow.color);
            }
        } catch (const std::bad_alloc&) {
            qWarning("No memory for a shadow: drawn without it");
            shade = QImage();
        }
        if (!shade.isNull()) {
            const QPointF corner = at + deviceShadowOffset(shadow) - QPointF(margin, margin);
            if (factor == 1) {
                target.drawImage(corner, shade);
            } else {
                target.setRenderHint(QPainter::SmoothPixmapTransform, true);
                target.drawImage(QRectF(corner, QSizeF(shade.size() * factor)), shade);
            }
        }
    }
    target.drawImage(at, content);
    target.restore();
}

void GraphicsContext::beginTransparencyLayer(const QRectF& bounds)
{
    QRect dev = shadowedDeviceBounds(bounds);
    Layer layer;
    layer.origin = dev.topLeft();
    layer.image = std::make_unique<QImage>(newBitmap(dev.isEmpty() ? QSize(1, 1) : dev.size()));
    layer.painter = std::make_unique<QPainter>();
    if (!layer.image->isNull() && layer.painter->begin(layer.image.get()))
        layer.painter->setRenderHints(current().renderHints());
    layer.stateAtBegin = m_state;
    layer.depthAtBegin = m_saved.size();
    m_layers.push_back(std::move(layer));
    // Inside the layer nothing casts its own shadow and alpha starts at 1.
    m_state.shadow = Shadow{};
    m_state.alpha = 1.0;
    if (current().isActive())
        current().setOpacity(1.0);
    applyTransform();
}

void GraphicsContext::beginTransparencyLayer()
{
    QPainter& p = current();
    QRectF userBounds = p.hasClipping() ? p.clipBoundingRect() : QRectF();
    if (userBounds.isEmpty()) // the whole surface, in user space
        userBounds = deviceTransform().inverted().mapRect(QRectF(QPointF(0, 0), QSizeF(m_deviceSize)));
    beginTransparencyLayer(userBounds);
}

void GraphicsContext::endTransparencyLayer()
{
    if (m_layers.empty()) {
        qWarning("endTransparencyLayer without a layer");
        return;
    }
    Layer layer = std::move(m_layers.back());
    m_layers.pop_back();
    if (layer.painter->isActive())
        layer.painter->end();
    m_state = layer.stateAtBegin;
    m_saved.resize(layer.depthAtBegin);
    QPainter& target = current();
    if (target.isActive() && !layer.image->isNull())
        compositeWithShadow(target, *layer.image, layer.origin, layer.stateAtBegin.shadow, layer.stateAtBegin.alpha);
    applyTransform();
}

// ---- paths ------------------------------------------------------------------

void GraphicsContext::addArc(QPainterPath& path, QPointF centre, double radius, double startAngle, double endAngle,
                             bool clockwise)
{
    if (!finitePoint(centre) || !std::isfinite(radius) || !std::isfinite(startAngle) || !std::isfinite(endAngle))
        return;
    radius = std::abs(radius);
    double sweep; // anticlockwise positive, radians
    if (!clockwise) {
        const double raw = endAngle - startAngle;
        sweep = raw >= kTwoPi ? kTwoPi : std::fmod(std::fmod(raw, kTwoPi) + kTwoPi, kTwoPi);
    } else {
        const double raw = startAngle - endAngle;
        sweep = -(raw >= kTwoPi ? kTwoPi : std::fmod(std::fmod(raw, kTwoPi) + kTwoPi, kTwoPi));
    }
    const QPointF start(centre.x() + radius * std::cos(startAngle), centre.y() + radius * std::sin(startAngle));
    if (path.elementCount() == 0)
        path.moveTo(start);
    else
        path.lineTo(start);
    // Qt's angles turn the other way round once y points up.
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    constexpr double toDegrees = 180.0 / std::numbers::pi;
    path.arcTo(box, -startAngle * toDegrees, -sweep * toDegrees);
}

void GraphicsContext::addArcToPoint(QPainterPath& path, QPointF corner, QPointF next, double radius)
{
    if (!finitePoint(corner) || !finitePoint(next) || !std::isfinite(radius))
        return;
    if (path.elementCount() == 0) {
        path.moveTo(corner);
        return;
    }
    const QPointF p0 = path.currentPosition();
    const QPointF a = p0 - corner;
    const QPointF b = next - corner;
    const double la = std::hypot(a.x(), a.y());
    const double lb = std::hypot(b.x(), b.y());
    const double cross = a.x() * b.y() - a.y() * b.x();
    if (radius <= 0 || la == 0 || lb == 0 || std::abs(cross) < 1e-12 * la * lb) {
        path.lineTo(corner);
        return;
    }
    const QPointF u = a / la;
    const QPointF v = b / lb;
    const double angle = std::acos(std::clamp(u.x() * v.x() + u.y() * v.y(), -1.0, 1.0));
    const double tangent = radius / std::tan(angle / 2);
    const QPointF t1 = corner + u * tangent;
    const QPointF t2 = corner + v * tangent;
    QPointF bisector = u + v;
    bisector /= std::hypot(bisector.x(), bisector.y());
    const QPointF centre = corner + bisector * (radius / std::sin(angle / 2));
    const double a1 = std::atan2(t1.y() - centre.y(), t1.x() - centre.x());
    const double a2 = std::atan2(t2.y() - centre.y(), t2.x() - centre.x());
    double sweep = a2 - a1;
    while (sweep > std::numbers::pi)
        sweep -= kTwoPi;
    while (sweep < -std::numbers::pi)
        sweep += kTwoPi;
    addArc(path, centre, radius, a1, a2, sweep < 0);
}

} // namespace qf
