#include "platform/graphics/GraphicsContext.h"

#include "platform/graphics/AheadPicture.h"
#include "platform/graphics/AlphaBlur.h"
#include "platform/graphics/ImageReduction.h"
#include "platform/graphics/RedrawCache.h"
#include "platform/graphics/TurnedPicture.h"

#include <QDebug>
#include <QPaintDevice>
#include <QPaintEngine>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <new>
#include <numbers>

namespace qf {

namespace {

// A blur this wide is already a faint wash; wider ones would only cost memory.
constexpr double kWidestShadowSigma = 300;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// The least blur, in reduced pixels, that a shadow made the cheap way keeps.
constexpr double kProvisionalBlurSigma = 1.5;

bool finitePoint(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// Appends values to a record, bit for bit: equal records come from equal
// drawing, to the last bit of every coordinate.
class Record {
public:
    explicit Record(QByteArray& out)
        : m_out(out)
    {
    }
    Record& word(quint64 v)
    {
        m_out.append(reinterpret_cast<const char*>(&v), sizeof v);
        return *this;
    }
    Record& number(double v) { return word(std::bit_cast<quint64>(v)); }
    Record& point(QPointF p) { return number(p.x()).number(p.y()); }
    Record& rect(const QRectF& r) { return number(r.x()).number(r.y()).number(r.width()).number(r.height()); }
    Record& color(const QColor& c) { return word(c.isValid() ? quint64(c.rgba64()) : ~quint64(0)); }
    Record& transform(const QTransform& t)
    {
        return number(t.m11()).number(t.m12()).number(t.m13()).number(t.m21()).number(t.m22()).number(t.m23())
            .number(t.m31()).number(t.m32()).number(t.m33());
    }
    Record& path(const QPainterPath& p)
    {
        const int n = p.elementCount();
        word(quint64(n)).word(quint64(p.fillRule()));
        for (int i = 0; i < n; ++i) {
            const QPainterPath::Element& e = p.elementAt(i);
            word(quint64(e.type)).number(e.x).number(e.y);
        }
        return *this;
    }

private:
    QByteArray& m_out;
};

// Whether `path` is the rectangle as QPainterPath::addRect makes it.
bool isRectangle(const QPainterPath& path, const QRectF& rect)
{
    if (path.elementCount() != 5)
        return false;
    const std::array<QPointF, 5> corners = {rect.topLeft(), rect.topRight(), rect.bottomRight(), rect.bottomLeft(),
                                            rect.topLeft()};
    for (int i = 0; i < 5; ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        if ((i == 0) != e.isMoveTo() || QPointF(e) != corners[size_t(i)])
            return false;
    }
    return true;
}

// Draws `image` unscaled at a whole pixel of a painter with no transform.
// Smooth transforms change nothing there, but while they are on Qt's raster
// engine blends through its general span path, which splits every large
// draw across its thread pool and waits for it: a frame of a hundred kept
// pictures spent more time handing rows over than blending them.
void blit(QPainter& p, QPoint at, const QImage& image)
{
    const bool smooth = p.testRenderHint(QPainter::SmoothPixmapTransform);
    if (smooth)
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(at, image);
    if (smooth)
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

// Runs `draw` over `image` (whose top left lies at `origin` on the device)
// in bands of a few rows, each with a painter of its own and a transform
// from device pixels to the band's. Qt's raster engine hands a draw of more
// than a few dozen rows to its thread pool in parts and waits for them: a
// small picture costs less drawn in place than handed over.
void paintInBands(QImage& image, QPoint origin, const std::function<void(QPainter&, const QTransform&)>& draw)
{
    constexpr int kBandRows = 16;
    uchar* const bits = image.bits();
    for (int y = 0; y < image.height(); y += kBandRows) {
        QImage band(bits + qsizetype(y) * image.bytesPerLine(), image.width(), std::min(kBandRows, image.height() - y),
                    image.bytesPerLine(), image.format());
        QPainter p(&band);
        draw(p, QTransform::fromTranslate(-origin.x(), -origin.y() - y));
    }
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
    // A band of a larger drawing lies a whole number of pixels into it.
    const auto whole = [](double v) { return std::isfinite(v) ? int(std::clamp(std::round(v), -1e9, 1e9)) : 0; };
    m_wholeOffset = QPoint(whole(-area.left()), whole(-area.top()));
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

void GraphicsContext::setRedrawCache(RedrawCache* cache)
{
    m_cache = cache;
}

QPainter& GraphicsContext::painter()
{
    // What Qt draws directly cannot be recorded.
    stopRecording();
    applyClips();
    return current();
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
    if (recording()) // clips end with the state
        record(QByteArray(1, 's'));
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
    if (recording())
        record(QByteArray(1, 'r'));
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
    m_state.blendMode = mode;
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
    // As deviceShadowSigma and compositeWithShadow place it, at one pixel a unit.
    const double sigma = std::min(m_state.shadow.blur / 2.0, kWidestShadowSigma);
    const double reach = std::abs(offset.x()) + std::abs(offset.y()) + blurReach(sigma) + shadowReduction(sigma);
    m_widestShadowReach = std::max(m_widestShadowReach, reach);
}

bool GraphicsContext::isCulled(const QRectF& userBounds) const
{
    if (!m_cullRect)
        return false;
    const QRectF drawn = m_state.ctm.mapRect(userBounds);
    return drawn.right() < m_cullRect->left() || drawn.left() > m_cullRect->right()
        || drawn.bottom() < m_cullRect->top() || drawn.top() > m_cullRect->bottom();
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
    const QPainter& p = current();
    const Clip clip{winding, p.worldTransform(), p.testRenderHint(QPainter::Antialiasing), deviceTransform()};
    m_state.clips.append(clip);
    if (recording()) {
        QByteArray op = opRecord('C');
        Record(op).transform(clip.transform).word(clip.antialias).path(clip.path);
        record(op);
    }
    // The painter gets the clip only when something is drawn through it: a
    // picture drawn from the redraw cache is clipped there already, and one
    // drawn turned within its own outline clips itself.
}

void GraphicsContext::applyClips()
{
    QPainter& p = current();
    const qsizetype count = m_state.clips.size();
    if (m_state.clipsApplied >= count)
        return;
    if (p.isActive()) {
        const QTransform transform = p.worldTransform();
        const bool antialias = p.testRenderHint(QPainter::Antialiasing);
        for (qsizetype i = m_state.clipsApplied; i < count; ++i) {
            const Clip& clip = m_state.clips[i];
            p.setWorldTransform(clip.transform);
            p.setRenderHint(QPainter::Antialiasing, clip.antialias);
            p.setClipPath(clip.path, p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        }
        p.setWorldTransform(transform);
        p.setRenderHint(QPainter::Antialiasing, antialias);
    }
    m_state.clipsApplied = count;
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
    if (recording()) {
        QByteArray op = opRecord('F');
        Record(op).color(m_state.fillColor).path(path);
        record(op);
    }
    // A drawing kept whole, made anew while things change, fills its shapes
    // unsmoothed: Qt fills an antialiased polygon several times slower. The
    // exact drawing follows at rest.
    const bool provisional = !dry() && m_cache && m_cache->mayBeProvisional() && keepingDrawing();
    if (provisional)
        m_cache->madeProvisional();
    paintOp(path.boundingRect(), [&](QPainter& p) {
        QPainterPath winding = path;
        winding.setFillRule(Qt::WindingFill);
        const bool smooth = p.testRenderHint(QPainter::Antialiasing);
        if (provisional && smooth)
            p.setRenderHint(QPainter::Antialiasing, false);
        p.fillPath(winding, m_state.fillColor);
        if (provisional && smooth)
            p.setRenderHint(QPainter::Antialiasing, true);
    });
}

bool GraphicsContext::keepingDrawing() const
{
    return std::any_of(m_layers.cbegin(), m_layers.cend(), [](const Layer& l) { return l.keeping; });
}

void GraphicsContext::strokePath(const QPainterPath& path)
{
    if (recording()) {
        const QPen p = pen();
        QByteArray op = opRecord('S');
        Record r(op);
        r.color(p.color()).number(p.widthF()).word(quint64(p.capStyle())).word(quint64(p.joinStyle()));
        r.number(p.dashOffset()).word(quint64(p.dashPattern().size()));
        for (const qreal d : p.dashPattern())
            r.number(d);
        r.path(path);
        record(op);
    }
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

QSize GraphicsContext::pictureSize(const QImage& image) const
{
    if (m_parts)
        if (const std::optional<PicturePart> part = m_parts(image))
            return part->whole;
    return image.size();
}

void GraphicsContext::drawImage(const QImage& image, const QRectF& dest, const QRectF& source, double opacity)
{
    if (image.isNull() || !(dest.width() > 0 && dest.height() > 0) || !(source.width() > 0 && source.height() > 0))
        return;
    // Image rows run downwards; the source rectangle is measured upwards,
    // on the whole picture when the image is a part of one.
    const std::optional<PicturePart> part = m_parts ? m_parts(image) : std::nullopt;
    const int wholeHeight = part ? part->whole.height() : image.height();
    QRectF sourceDown(source.x(), wholeHeight - source.y() - source.height(), source.width(), source.height());
    if (ImageReduction::measuring())
        ImageReduction::reportPart(image, sourceDown);
    if (part)
        sourceDown.translate(-part->offset);
    if (recording()) {
        QByteArray op = opRecord('I');
        Record(op).word(quint64(image.cacheKey())).rect(dest).rect(sourceDown).number(opacity);
        record(op);
    }
    if (dry()) {
        noteDryReach(shadowedDeviceBounds(dest), m_state.shadow);
        if (m_cache)
            makeAhead(image, dest, sourceDown);
        return;
    }
    if (m_cache && drawImageFromCache(image, dest, sourceDown, opacity))
        return;
    if (!m_cache && drawTurned(image, dest, sourceDown, opacity))
        return;
    paintOp(dest, [&](QPainter& p) {
        p.save();
        p.setWorldTransform(QTransform(1, 0, 0, -1, dest.x(), dest.y() + dest.height()) * p.worldTransform());
        p.setOpacity(p.opacity() * std::clamp(opacity, 0.0, 1.0));
        p.drawImage(QRectF(0, 0, dest.width(), dest.height()), image, sourceDown);
        p.restore();
    });
}


bool GraphicsContext::drawTurned(const QImage& image, const QRectF& dest, const QRectF& sourceDown, double opacity)
{
    // Only what Qt would draw as one smoothed, filtered picture over what
    // is there on a bitmap: through no clip, or one to the picture's own
    // rectangle not yet on the painter.
    QPainter& p = current();
    if (!p.isActive() || m_state.shadow.on || m_state.blendMode != QPainter::CompositionMode_SourceOver
        || p.compositionMode() != QPainter::CompositionMode_SourceOver || p.opacity() * opacity != 1.0
        || !p.testRenderHint(QPainter::Antialiasing) || !p.testRenderHint(QPainter::SmoothPixmapTransform)
        || p.hasClipping() || m_state.clipsApplied != 0 || m_state.clips.size() > 1 || !p.device()
        || p.device()->devType() != QInternal::Image)
        return false;
    const bool clipped = m_state.clips.size() == 1;
    if (clipped) {
        const Clip& clip = m_state.clips.front();
        if (!clip.antialias || clip.transform != p.worldTransform() || !isRectangle(clip.path, dest))
            return false;
    }
    auto* target = static_cast<QImage*>(p.device());
    // Drawn straight into the painter's pixels, which must be its own.
    if (!target->isDetached())
        return false;
    const QTransform draw = QTransform(1, 0, 0, -1, dest.x(), dest.y() + dest.height()) * p.worldTransform();
    // A layer's rows beyond the device only cast shadows into it.
    const int layerTop = m_layers.empty() ? 0 : m_layers.back().origin.y();
    // Qt's coverage of the draw, its smoothed edges and its clip's: a white
    // fill through them costs a small part of the picture's draw.
    const QPainter::RenderHints hints = p.renderHints();
    const auto qtCoverage = [&](QPainter& mask, const QTransform& toMask) {
        mask.setRenderHints(hints);
        if (clipped) {
            const Clip& clip = m_state.clips.front();
            mask.setWorldTransform(clip.transform * toMask);
            mask.setClipPath(clip.path);
        }
        mask.setWorldTransform(draw * toMask);
        mask.fillRect(QRectF(QPointF(), dest.size()), Qt::white);
    };
    return TurnedPicture::draw(*target, image, sourceDown, draw, dest.size(), clipped, -layerTop,
                               m_deviceSize.height() - layerTop, qtCoverage);
}

void GraphicsContext::drawImage(const QImage& image, const QRectF& dest, double opacity)
{
    drawImage(image, dest, QRectF(QPointF(), QSizeF(pictureSize(image))), opacity);
}

// A picture drawn the quick way while things change: made without
// smoothing its edges or its outline, as Qt draws an antialiased scaled
// picture, or clips to an antialiased polygon, several times slower; read
// from a picture already averaged down near the size drawn. Everything in
// the whole drawing's device pixels, so that the measuring pass of a kept
// drawing and its drawing pass, whose layers lie in different places, find
// the same picture.
struct GraphicsContext::QuickDraw {
    QByteArray key;
    QImage source;     // the picture, or a reduction of it
    QRectF sourceRect; // within `source`, rows downwards
    QTransform draw;   // from (0, 0, size) to device pixels
    QSizeF size;
    QList<Clip> clips; // their `device` transforms apply
    QPainter::RenderHints hints;
    QRect area; // the device pixels the picture covers

    QImage make() const
    {
        QImage picture = newBitmap(area.size());
        if (picture.isNull())
            return picture;
        // The picture reaches a pixel further each way, so no edge pixel is left out.
        const double dx = 1 / std::abs(draw.m11());
        const double dy = 1 / std::abs(draw.m22());
        paintInBands(picture, area.topLeft(), [this, dx, dy](QPainter& cp, const QTransform& toPicture) {
            cp.setRenderHints(hints);
            cp.setRenderHint(QPainter::Antialiasing, false); // once: Qt sets every clip again when it changes
            for (const Clip& clip : clips) {
                cp.setWorldTransform(clip.device * toPicture);
                cp.setClipPath(clip.path, cp.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
            }
            cp.setWorldTransform(draw * toPicture);
            cp.drawImage(QRectF(-dx, -dy, size.width() + 2 * dx, size.height() + 2 * dy), source, sourceRect);
        });
        return picture;
    }
};

namespace {
bool finiteRect(const QRectF& r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

// A path of its own: Qt's paths share their elements, and reading one fills
// in cached bounds, which two threads must not do to one path at once.
QPainterPath unshared(const QPainterPath& path)
{
    QPainterPath copy = path;
    if (copy.elementCount() > 0) {
        const QPainterPath::Element first = copy.elementAt(0);
        copy.setElementPositionAt(0, first.x, first.y);
    }
    return copy;
}
} // namespace

bool GraphicsContext::cacheable()
{
    // Only a plain draw over what is there can be drawn from a picture made
    // before: the clips within the picture, the surface's painter unclipped.
    const QPainter& p = current();
    return p.isActive() && !m_state.shadow.on && m_state.blendMode == QPainter::CompositionMode_SourceOver
        && m_state.clipsApplied == 0 && !p.hasClipping() && p.device()->devicePixelRatio() == 1.0;
}

std::optional<GraphicsContext::QuickDraw> GraphicsContext::quickDraw(const QImage& image, const QRectF& dest,
                                                                     const QRectF& sourceDown, bool ahead)
{
    if (!m_cache->mayBeProvisional())
        return std::nullopt;
    const QTransform device = deviceTransform();
    QuickDraw quick;
    quick.draw = QTransform(1, 0, 0, -1, dest.x(), dest.y() + dest.height()) * device;
    if (quick.draw.type() > QTransform::TxScale)
        return std::nullopt;
    QRectF reach = quick.draw.mapRect(QRectF(0, 0, dest.width(), dest.height()));
    for (const Clip& clip : std::as_const(m_state.clips))
        reach &= clip.device.mapRect(clip.path.boundingRect());
    // What reaches far past the drawing is made for what lies near it.
    const QSizeF whole(m_deviceSize);
    reach &= QRectF(QPointF(-whole.width(), -whole.height()), whole * 3);
    if (!finiteRect(reach) || reach.isEmpty())
        return std::nullopt;
    quick.area = reach.toAlignedRect().adjusted(-1, -1, 1, 1);
    quick.size = dest.size();
    quick.clips = m_state.clips;
    quick.hints = current().renderHints();
    Record r(quick.key);
    r.word(quint64(image.cacheKey())).rect(sourceDown).rect(dest).transform(device).word(quint64(quick.hints));
    for (const Clip& clip : std::as_const(m_state.clips))
        r.transform(clip.device).word(clip.antialias).path(clip.path);
    // A draw the frame before measured too is most likely in the cache (a
    // mosaic's divider moves two columns of its pictures, not all of them).
    if (ahead && (m_cache->measuredAgain(quick.key) || m_cache->findAhead(quick.key)))
        return std::nullopt;
    quick.source = image;
    quick.sourceRect = sourceDown;
    // The picture averaged down stays for the frames of the change.
    const int halvings = ImageReduction::halvingsFor(ImageReduction::scaleOfDraw(device, dest, sourceDown));
    const QImage small = halvings > 0 ? m_cache->reduced(image, halvings, !ahead) : QImage();
    // Measuring, no picture is averaged down: a draw the cache turns out to
    // hold would have paid for it (a mosaic's divider moved back and forth
    // finds most of its pictures from frames before the last). A picture
    // first reduced by its drawing pass is made ahead from then on.
    if (ahead && halvings > 0 && small.isNull())
        return std::nullopt;
    if (!small.isNull()) {
        const double fx = double(small.width()) / image.width();
        const double fy = double(small.height()) / image.height();
        quick.source = small;
        quick.sourceRect = QRectF(sourceDown.x() * fx, sourceDown.y() * fy, sourceDown.width() * fx,
                                  sourceDown.height() * fy);
    }
    return quick;
}

void GraphicsContext::makeAhead(const QImage& image, const QRectF& dest, const QRectF& sourceDown)
{
    // At rest (the most frames) nothing is made the quick way.
    if (!m_cache->mayBeProvisional() || !cacheable())
        return;
    std::optional<QuickDraw> quick = quickDraw(image, dest, sourceDown, true);
    if (!quick || !m_cache->hasRoomFor(qsizetype(quick->area.width()) * quick->area.height() * 4))
        return;
    for (Clip& clip : quick->clips)
        clip.path = unshared(clip.path);
    const QByteArray key = quick->key;
    auto ahead = std::make_shared<AheadPicture>([made = std::move(*quick)] { return made.make(); });
    m_cache->keepAhead(key, ahead);
    AheadPicture::queue(ahead);
}

bool GraphicsContext::drawImageFromCache(const QImage& image, const QRectF& dest, const QRectF& sourceDown,
                                         double opacity)
{
    if (!cacheable())
        return false;
    QPainter& p = current();
    const QTransform surface = p.worldTransform();
    const QTransform draw = QTransform(1, 0, 0, -1, dest.x(), dest.y() + dest.height()) * surface;
    // Turned pictures too: the picture is drawn with exactly this transform,
    // only moved by whole pixels.
    if (draw.type() > QTransform::TxShear)
        return false;

    // The picture's pixels: what the draw reaches, within its clips, on the surface.
    const QRect surfaceRect(0, 0, p.device()->width(), p.device()->height());
    QRectF reach = draw.mapRect(QRectF(0, 0, dest.width(), dest.height()));
    if (!finiteRect(reach))
        return false;
    reach &= QRectF(surfaceRect);
    for (const Clip& clip : std::as_const(m_state.clips)) {
        const QRectF bounds = clip.transform.mapRect(clip.path.boundingRect());
        if (!finiteRect(bounds))
            return false;
        reach &= bounds;
    }
    const QRect area = reach.isEmpty() ? QRect() : reach.toAlignedRect().adjusted(-1, -1, 1, 1) & surfaceRect;
    if (area.isEmpty())
        return true; // nothing of it shows

    QByteArray key;
    Record r(key);
    r.word(quint64(image.cacheKey())).rect(sourceDown).rect(dest).transform(surface).word(quint64(p.renderHints()));
    r.number(area.x()).number(area.y()).number(area.width()).number(area.height());
    for (const Clip& clip : std::as_const(m_state.clips))
        r.transform(clip.transform).word(clip.antialias).path(clip.path);

    QImage picture;
    QPoint origin;
    if (const RedrawCache::Picture* kept = m_cache->findPicture(key)) {
        picture = kept->image;
        origin = kept->origin;
        if (kept->provisional)
            m_cache->madeProvisional();
    } else {
        if (!m_cache->hasRoomFor(qsizetype(area.width()) * area.height() * 4))
            return false;
        origin = area.topLeft();
        // While things change the picture is made the quick way, ahead on
        // other cores when the drawing was measured first; the exact one
        // follows at rest.
        std::optional<QuickDraw> quick =
            draw.type() <= QTransform::TxScale ? quickDraw(image, dest, sourceDown) : std::nullopt;
        if (quick) {
            const QPoint layer = m_layers.empty() ? QPoint() : m_layers.back().origin;
            const QRect wanted = area.translated(layer);
            const std::shared_ptr<AheadPicture> ahead = m_cache->findAhead(quick->key);
            if (ahead && quick->area.contains(wanted))
                picture = ahead->take();
            if (!picture.isNull() && quick->area != wanted)
                picture = picture.copy(wanted.translated(-quick->area.topLeft()));
            if (picture.isNull()) {
                quick->area = wanted;
                picture = quick->make();
            }
            m_cache->madeProvisional();
        } else {
            // As drawn straight onto the surface over transparency, moved by whole pixels.
            picture = newBitmap(area.size());
            if (!picture.isNull()) {
                QPainter cp(&picture);
                cp.setRenderHints(p.renderHints());
                const QTransform toPicture = QTransform::fromTranslate(-origin.x(), -origin.y());
                for (const Clip& clip : std::as_const(m_state.clips)) {
                    cp.setWorldTransform(clip.transform * toPicture);
                    cp.setRenderHint(QPainter::Antialiasing, clip.antialias);
                    cp.setClipPath(clip.path, cp.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
                }
                cp.setRenderHints(p.renderHints());
                cp.setWorldTransform(draw * toPicture);
                cp.drawImage(QRectF(0, 0, dest.width(), dest.height()), image, sourceDown);
            }
        }
        if (picture.isNull())
            return false;
        m_cache->keepPicture(key, picture, origin, {}, {}, quick.has_value());
    }
    notePart(key, false);
    const QTransform saved = p.worldTransform();
    const double opacityBefore = p.opacity();
    p.resetTransform();
    p.setOpacity(opacityBefore * std::clamp(opacity, 0.0, 1.0));
    blit(p, origin, picture);
    p.setOpacity(opacityBefore);
    p.setWorldTransform(saved);
    return true;
}

void GraphicsContext::drawUpright(QPointF topLeft, const QRectF& bounds, const std::function<void(QPainter&)>& draw)
{
    stopRecording(); // text draws through a callback: nothing to compare
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
    return std::min(s.blur * std::abs(m_base.m11()) / 2.0, kWidestShadowSigma);
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

QPoint GraphicsContext::uncutOrigin(const QRectF& userBounds) const
{
    const QRectF mapped = deviceTransform().mapRect(userBounds);
    if (!std::isfinite(mapped.x()) || !std::isfinite(mapped.y()))
        return {};
    // As toAlignedRect().adjusted(-1, -1, 1, 1) places the left and top.
    const auto edge = [](double v) { return int(std::clamp(std::floor(v), -1e9, 1e9)) - 1; };
    return QPoint(edge(mapped.left()), edge(mapped.top())) + m_wholeOffset;
}

void GraphicsContext::paintOp(const QRectF& userBounds, const std::function<void(QPainter&)>& op)
{
    if (dry()) {
        noteDryReach(shadowedDeviceBounds(userBounds), m_state.shadow);
        return;
    }
    applyClips();
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
    compositeWithShadow(target, content, dev.topLeft(), uncutOrigin(userBounds), m_state.shadow, 1.0);
}

void GraphicsContext::compositeWithShadow(QPainter& target, const QImage& content, QPoint origin, QPoint uncutOrigin,
                                          const Shadow& shadow, double alpha, const QByteArray& cacheKey)
{
    const QPoint surfaceOrigin = m_layers.empty() ? QPoint() : m_layers.back().origin;
    const QPointF at = QPointF(origin - surfaceOrigin);
    target.save();
    target.resetTransform();
    target.setOpacity(alpha);
    if (shadow.on && shadow.color.alpha() > 0) {
        RedrawCache* cache = cacheKey.isEmpty() ? nullptr : m_cache;
        const bool rasterTarget = target.paintEngine() && target.paintEngine()->type() == QPaintEngine::Raster;
        RedrawCache::Shadow made;
        if (const RedrawCache::Shadow* kept = cache ? cache->findShadow(cacheKey) : nullptr) {
            made = *kept;
            if (made.provisional)
                cache->madeProvisional();
        } else {
            const double sigma = deviceShadowSigma(shadow);
            made.factor = shadowReduction(sigma);
            // While things change, a blur wide enough to lose nothing much
            // at half the resolution again is made there, at a quarter of
            // the cost; the exact one follows at rest.
            if (cache && cache->mayBeProvisional() && sigma / (2 * made.factor) >= kProvisionalBlurSigma) {
                made.factor *= 2;
                made.provisional = true;
                cache->madeProvisional();
            }
            const int margin = (blurReach(sigma) + made.factor - 1) / made.factor * made.factor;
            made.place = deviceShadowOffset(shadow) - QPointF(margin, margin);
            // Without the memory for a shadow the picture is drawn without one.
            try {
                QImage plane = alphaPlaneWithMargin(content, margin, made.factor);
                if (!plane.isNull()) {
                    gaussianBlurAlpha(plane.bits(), plane.width(), plane.height(), plane.bytesPerLine(),
                                      sigma / made.factor);
                    // Qt reads an Alpha8 image scaled smoothly through a slow
                    // generic path: a reduced shade (a sixteenth of the layer or
                    // less) stays premultiplied colour.
                    made.shade = made.factor == 1 && rasterTarget ? shadeOfAlpha(std::move(plane), shadow.color)
                                                                  : colorizedAlpha(plane, shadow.color);
                }
            } catch (const std::bad_alloc&) {
                qWarning("No memory for a shadow: drawn without it");
                made.shade = QImage();
            }
            if (cache && !made.shade.isNull()) {
                made.key = cacheKey;
                cache->keepShadow(made);
            }
        }
        if (cache)
            notePart(cacheKey, true);
        if (!made.shade.isNull()) {
            const QPointF corner = at + made.place;
            if (made.factor == 1) {
                // Qt rounds a position half away from zero. The shade's
                // half-pixel offset is rounded as at the layer's uncut corner
                // on the whole drawing, which a band's layer cut at its top
                // shares with the whole draw's: the same pixels either way.
                const QPoint offset(qRound(uncutOrigin.x() + made.place.x()) - uncutOrigin.x(),
                                    qRound(uncutOrigin.y() + made.place.y()) - uncutOrigin.y());
                const QPoint placed = origin - surfaceOrigin + offset;
                blit(target, placed, made.shade);
            } else {
                target.setRenderHint(QPainter::SmoothPixmapTransform, true);
                target.drawImage(QRectF(corner, QSizeF(made.shade.size() * made.factor)), made.shade);
            }
        }
    }
    blit(target, at.toPoint(), content);
    target.restore();
}

void GraphicsContext::beginTransparencyLayer(const QRectF& bounds)
{
    applyClips();
    if (recording()) {
        QByteArray op = opRecord('L');
        Record(op).rect(bounds);
        record(op);
    }
    QRect dev = shadowedDeviceBounds(bounds);
    // Measuring, the layer only takes note of where it would draw.
    if (dry())
        noteDryReach(dev, m_state.shadow);
    Layer layer;
    layer.origin = dev.topLeft();
    layer.uncutOrigin = uncutOrigin(bounds);
    layer.image = std::make_unique<QImage>(newBitmap(dev.isEmpty() || dry() ? QSize(1, 1) : dev.size()));
    layer.painter = std::make_unique<QPainter>();
    if (!layer.image->isNull() && layer.painter->begin(layer.image.get()))
        layer.painter->setRenderHints(current().renderHints());
    layer.stateAtBegin = m_state;
    layer.depthAtBegin = m_saved.size();
    layer.recording = m_cache && m_state.shadow.on;
    m_layers.push_back(std::move(layer));
    // Inside the layer nothing casts its own shadow and alpha starts at 1;
    // its new painter has no clip and blends over.
    m_state.shadow = Shadow{};
    m_state.alpha = 1.0;
    m_state.blendMode = QPainter::CompositionMode_SourceOver;
    m_state.clips.clear();
    m_state.clipsApplied = 0;
    if (current().isActive())
        current().setOpacity(1.0);
    applyTransform();
}

void GraphicsContext::beginTransparencyLayer()
{
    applyClips();
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
    if (target.isActive() && !layer.image->isNull() && !dry()) {
        applyClips();
        QByteArray key;
        if (layer.recording) {
            // The shadow follows from what was drawn, where the layer lies
            // and how the context scales offsets and blurs.
            const Shadow& s = layer.stateAtBegin.shadow;
            key = std::move(layer.record);
            Record(key)
                .point(layer.origin)
                .point(QPointF(layer.image->width(), layer.image->height()))
                .point(s.offset)
                .number(s.blur)
                .color(s.color)
                .transform(m_base)
                .point(QPointF(m_deviceSize.width(), m_deviceSize.height()));
        }
        compositeWithShadow(target, *layer.image, layer.origin, layer.uncutOrigin, layer.stateAtBegin.shadow,
                            layer.stateAtBegin.alpha, key);
    }
    applyTransform();
    if (recording())
        record(opRecord('E'));
}

bool GraphicsContext::recording() const
{
    return std::any_of(m_layers.cbegin(), m_layers.cend(), [](const Layer& l) { return l.recording; });
}

QByteArray GraphicsContext::opRecord(char kind)
{
    // What every operation draws with besides its own arguments.
    QByteArray op;
    op.reserve(256);
    const QPainter& p = current();
    Record(op)
        .word(quint64(uchar(kind)))
        .transform(deviceTransform())
        .number(m_state.alpha)
        .word(quint64(m_state.blendMode))
        .word(quint64(p.renderHints()))
        .word(m_state.shadow.on)
        .point(m_state.shadow.offset)
        .number(m_state.shadow.blur)
        .color(m_state.shadow.color);
    return op;
}

void GraphicsContext::record(const QByteArray& op)
{
    // Measuring for drawKept records for drawKept alone: layers below get
    // the record when the drawing is drawn or taken from the cache.
    for (std::size_t i = dry() ? m_dryLayer : 0; i < m_layers.size(); ++i)
        if (m_layers[i].recording)
            m_layers[i].record += op;
}

// ---- kept drawings ----------------------------------------------------------

QRect GraphicsContext::surfaceRect() const
{
    if (m_layers.empty())
        return QRect(QPoint(0, 0), m_deviceSize);
    const Layer& layer = m_layers.back();
    return QRect(layer.origin, layer.image->size());
}

int GraphicsContext::shadowSpread(const Shadow& shadow) const
{
    if (!shadow.on)
        return 0;
    const double sigma = deviceShadowSigma(shadow);
    const QPointF off = deviceShadowOffset(shadow);
    return blurReach(sigma) + shadowReduction(sigma) + int(std::ceil(std::abs(off.x()) + std::abs(off.y()))) + 1;
}

void GraphicsContext::noteDryReach(const QRect& deviceRect, const Shadow& shadow)
{
    if (deviceRect.isEmpty())
        return;
    const int spread = shadowSpread(shadow);
    m_dryReach |= deviceRect.adjusted(-spread, -spread, spread, spread);
}

void GraphicsContext::notePart(const QByteArray& key, bool shadow)
{
    for (Layer& layer : m_layers)
        if (layer.keeping)
            (shadow ? layer.shadowParts : layer.pictureParts).append(key);
}

void GraphicsContext::pushKeptLayer(QImage image, QPoint origin, bool dryRun)
{
    Layer layer;
    layer.origin = origin;
    layer.image = std::make_unique<QImage>(std::move(image));
    layer.painter = std::make_unique<QPainter>();
    if (!layer.image->isNull() && layer.painter->begin(layer.image.get())) {
        layer.painter->setRenderHints(current().renderHints());
        layer.painter->setOpacity(m_state.alpha);
    }
    layer.stateAtBegin = m_state;
    layer.depthAtBegin = m_saved.size();
    layer.recording = dryRun;
    layer.dry = dryRun;
    layer.keeping = !dryRun;
    m_layers.push_back(std::move(layer));
    if (dryRun)
        m_dryLayer = m_layers.size() - 1;
    // Unlike a transparency layer's, the drawing goes on in the state it
    // started in: alpha and shadow apply to what it draws.
    applyTransform();
}

GraphicsContext::Layer GraphicsContext::popKeptLayer(std::size_t layersBefore, const State& stateBefore,
                                                     std::size_t savedBefore)
{
    while (m_layers.size() > layersBefore + 1)
        endTransparencyLayer(); // left open: closed as the destructor would
    Layer layer = std::move(m_layers.back());
    m_layers.pop_back();
    if (layer.painter->isActive())
        layer.painter->end();
    if (layer.dry)
        m_dryLayer = kNoLayer;
    m_state = stateBefore;
    m_saved.resize(savedBefore);
    applyTransform();
    return layer;
}

void GraphicsContext::drawKept(const std::function<void()>& draw)
{
    {
        QPainter& p = current();
        // Kept drawings go over what is there, unclipped, at one pixel a pixel.
        if (!m_cache || dry() || !p.isActive() || !m_state.clips.isEmpty() || p.hasClipping()
            || m_state.blendMode != QPainter::CompositionMode_SourceOver
            || p.compositionMode() != QPainter::CompositionMode_SourceOver || p.device()->devicePixelRatio() != 1.0) {
            draw();
            return;
        }
    }
    const State stateBefore = m_state;
    const std::size_t savedBefore = m_saved.size();
    const std::size_t layersBefore = m_layers.size();
    const QRect surface = surfaceRect();

    // What it would draw, and where.
    m_dryReach = QRect();
    pushKeptLayer(newBitmap(QSize(1, 1)), surface.topLeft(), true);
    draw();
    const Layer measured = popKeptLayer(layersBefore, stateBefore, savedBefore);
    if (!measured.recording) { // drew something that cannot be compared
        draw();
        return;
    }
    const QRect area = m_dryReach & surface;
    QByteArray key = measured.record;
    Record(key).word(quint64('K')).point(QPointF(area.topLeft())).point(QPointF(area.width(), area.height()));
    const RedrawCache::Picture* kept = area.isEmpty() ? nullptr : m_cache->findPicture(key);
    if (area.isEmpty() || kept) {
        // Layers below record what the drawing would have drawn into them.
        if (recording())
            record(measured.record);
        if (area.isEmpty())
            return; // nothing of it shows
    }

    QImage picture;
    if (kept) {
        picture = kept->image;
        if (kept->provisional)
            m_cache->madeProvisional();
        for (const QByteArray& part : kept->pictureParts)
            notePart(part, false);
        for (const QByteArray& part : kept->shadowParts)
            notePart(part, true);
    } else {
        if (!m_cache->hasRoomFor(qsizetype(area.width()) * area.height() * 4))
            picture = QImage();
        else
            picture = newBitmap(area.size());
        if (picture.isNull()) {
            draw();
            return;
        }
        const quint64 provisionalBefore = m_cache->provisionalCount();
        pushKeptLayer(picture, area.topLeft(), false);
        draw();
        Layer made = popKeptLayer(layersBefore, stateBefore, savedBefore);
        picture = *made.image;
        m_cache->keepPicture(key, picture, area.topLeft(), made.pictureParts, made.shadowParts,
                             m_cache->provisionalCount() != provisionalBefore);
    }
    QPainter& p = current();
    p.save();
    p.resetTransform();
    p.setOpacity(1.0);
    blit(p, area.topLeft() - surface.topLeft(), picture);
    p.restore();
}

void GraphicsContext::stopRecording()
{
    for (Layer& layer : m_layers) {
        layer.recording = false;
        layer.record.clear();
    }
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
