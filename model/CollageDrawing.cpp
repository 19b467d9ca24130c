#include "model/Collage.h"

#include "model/CollageHost.h"
#include "model/ResourceImages.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageReduction.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace qf {

namespace {
// Bounds on the tiled background, whatever a file or a picture's shape says.
constexpr qint64 kMaxPatternRows = 500;
constexpr qint64 kMaxPatternColumns = 1000;
constexpr qint64 kMaxScreenTiles = 250000;

bool drawable(const QImage& image)
{
    return !image.isNull() && image.width() > 0 && image.height() > 0;
}

// A screen frame draws with the collage's redraw cache; its end lets the
// cache forget what the frame no longer drew.
class ScreenFrame {
public:
    ScreenFrame(GraphicsContext& context, RedrawCache& cache)
        : m_context(context)
        , m_cache(cache)
    {
        m_context.setRedrawCache(&m_cache);
    }
    ~ScreenFrame()
    {
        m_context.setRedrawCache(nullptr);
        m_cache.frameDone();
    }
    ScreenFrame(const ScreenFrame&) = delete;
    ScreenFrame& operator=(const ScreenFrame&) = delete;

private:
    GraphicsContext& m_context;
    RedrawCache& m_cache;
};
} // namespace

void Collage::drawYourselfOnCurrentContextInWidth(GraphicsContext& context, double width, double height, bool actual)
{
    // Output is drawn anew every time, exactly as asked; the screen redraws
    // what did not change from the last frames.
    std::optional<ScreenFrame> frame;
    if (actual) {
        setDrawFast(false);
        context.setInterpolationQuality(GraphicsContext::Interpolation::High);
        context.setShouldAntialias(true);
        context.setFlatness(0.1);
    } else {
        frame.emplace(context, caches().screenFrames);
        context.setFlatness(0.6);
    }
    drawBackgroundOnCurrentContextInWidth(context, width, height, actual);
    drawYourPicturePatternOnCurrentContextInWidth(context, width, height, actual);
    drawYourTextOnCurrentContextInWidth(context, width, height, actual);
    drawEditingAdditivesOnCurrentContextInWidth(context, width, height, actual);
}

void Collage::drawEditingAdditivesOnCurrentContextInWidth(GraphicsContext& context, double width, double height,
                                                          bool actual)
{
    if (actual)
        return;
    drawTextEditingAdditivesOnCurrentContextInWidth(context, width, height, false);
    drawPictureEditingAdditivesOnCurrentContextInWidth(context, width, height, false);
}

void Collage::drawPictureEditingAdditivesOnCurrentContextInWidth(GraphicsContext&, double, double, bool) {}

qint64 Collage::patternRowsForImageHeight(double imageHeight)
{
    if (m_backgroundImagePatternNumberOfRows < 1) {
        // Canvas height in inches over picture height in inches at 72 a inch.
        double rows = 1;
        if (m_resolution > 0 && imageHeight > 0)
            rows = (double(m_height) / double(m_resolution)) / (imageHeight / 72.0) + 2.0;
        rows = std::isfinite(rows) ? std::clamp(std::trunc(rows), 1.0, double(kMaxPatternRows)) : 1.0;
        setBackgroundImagePatternNumberOfRows(qint64(rows));
    }
    return std::clamp<qint64>(m_backgroundImagePatternNumberOfRows, 1, kMaxPatternRows);
}

void Collage::drawBackgroundOnCurrentContextInWidth(GraphicsContext& context, double width, double height,
                                                    bool actual)
{
    if (m_backgroundIsTransparent) {
        if (actual)
            return; // exported pixels stay transparent
        const QSizeF tile = ResourceImages::sizeOf(QStringLiteral("transparent_background_pattern.png"));
        if (!drawable(transparentBackgroundImage()) || tile.isEmpty())
            return;
        const qint64 columns = qint64(std::trunc(width / tile.width() + 1));
        const qint64 rows = qint64(std::trunc(height / tile.height() + 1));
        if (columns < 1 || rows < 1 || columns * rows > kMaxScreenTiles)
            return;
        for (qint64 c = 0; c < columns; ++c)
            for (qint64 r = 0; r < rows; ++r)
                context.drawImage(transparentBackgroundImage(),
                                  QRectF(c * tile.width(), r * tile.height(), tile.width(), tile.height()));
        return;
    }

    const auto fillWithColour = [&] {
        context.saveGState();
        context.setBlendMode(QPainter::CompositionMode_Source);
        context.setFillColor(m_backgroundColor.toQColor());
        context.fillRect(QRectF(0, 0, width, height));
        context.restoreGState();
    };
    if (!m_backgroundIsImage) {
        fillWithColour();
        return;
    }

    if (m_backgroundImage.isNull() && !m_backgroundImagePath.isEmpty())
        setBackgroundImageByMd5(m_backgroundImagePath);
    // A background picture that went missing shows the colour instead.
    if (!drawable(m_backgroundImage)) {
        fillWithColour();
        return;
    }
    // Geometry follows the drawing image; export draws the full picture.
    QImage picture = m_backgroundImage;
    if (actual && m_myWindowController) {
        const QImage full = m_myWindowController->completeSizeImage(m_backgroundImagePath);
        if (drawable(full))
            picture = full;
    }

    if (!m_backgroundImageIsPattern) {
        drawNSImage1(context, picture, QRectF(0, 0, width, height), nullptr, 1.0);
        return;
    }

    const double iw = m_backgroundImage.width();
    const double ih = m_backgroundImage.height();
    const qint64 rows = patternRowsForImageHeight(ih);
    const double tileCanvasWidth = (double(m_height) / double(rows)) * iw / ih;
    if (!(tileCanvasWidth > 0))
        return;
    const double columnsExact = std::trunc(double(m_width) / tileCanvasWidth + 1);
    if (!(columnsExact >= 1))
        return;
    const qint64 columns = qint64(std::min(columnsExact, double(kMaxPatternColumns)));
    const double th = height / double(rows);
    const double tw = th * iw / ih;
    const double xOff = (double(columns) * tw - width) / 2;
    const double yOff = (double(rows) * th - height) / 2;
    // Every tile is the whole picture at one size: an export decodes and
    // averages it down once for that size, as for the slots' pictures.
    const QRectF wholePicture(QPointF(), QSizeF(context.pictureSize(picture)));
    ImageReduction::reportDraw(picture, ImageReduction::scaleOfDraw(context.ctm(), QRectF(0, 0, tw, th), wholePicture));
    // Neighbouring tiles meet on whole device pixels where the drawing is not
    // turned: tiles edged with half-covered pixels let the colour beneath show
    // through as a lattice of lines on the canvas.
    const QTransform ctm = context.ctm();
    const bool snap = ctm.type() <= QTransform::TxScale && ctm.isInvertible();
    const QTransform toUser = ctm.inverted();
    for (qint64 c = 0; c < columns; ++c)
        for (qint64 r = 0; r < rows; ++r) {
            QRectF tile(double(c) * tw - xOff, double(r) * th - yOff, tw, th);
            if (snap) {
                const QRectF device = ctm.mapRect(tile);
                tile = toUser.mapRect(QRectF(QPointF(std::round(device.left()), std::round(device.top())),
                                             QPointF(std::round(device.right()), std::round(device.bottom()))));
            }
            if (!tile.isEmpty() && !context.isCulled(tile))
                context.drawImage(picture, tile);
        }
}

// ---- pictures through crop windows ------------------------------------------

QRectF Collage::getImageInsetRect(QSizeF image, const QRectF& rect, PanZoomPos* panZoom)
{
    if (panZoom)
        return getImageInsetRectWithPanZoomSpecified(image, rect, *panZoom);
    const double w = image.width();
    const double h = image.height();
    const double rw = rect.width();
    const double rh = rect.height();
    if (!(w > 0 && h > 0 && rw > 0 && rh > 0))
        return QRectF(0, 0, std::max(0.0, w), std::max(0.0, h));
    if (rh / rw > h / w) {
        const double dx = (w - rw * h / rh) / 2;
        return QRectF(dx, 0, w - 2 * dx, h);
    }
    const double dy = (h - rh * w / rw) / 2;
    return QRectF(0, dy, w, h - 2 * dy);
}

QRectF Collage::getImageInsetRectWithPanZoomSpecified(QSizeF image, const QRectF& rect, PanZoomPos& pz)
{
    const double w = image.width();
    const double h = image.height();
    const double rw = rect.width();
    const double rh = rect.height();
    if (!(w > 0 && h > 0 && rw > 0 && rh > 0))
        return getImageInsetRect(image, rect, nullptr);
    if (pz.l() < 0)
        pz.setL(w / h > rw / rh ? (rw / rh) * h / w : 1.0);

    const double cx = pz.cx();
    const double cy = pz.cy();
    double sw = pz.l() * w;
    double sh = sw * rh / rw;
    const double x = cx * w - sw / 2;
    const double y = cy * h - sh / 2;
    constexpr double slack = 0.00001;
    if (x >= -slack && y >= -slack && x + sw <= w + slack && y + sh <= h + slack)
        return QRectF(x, y, sw, sh);

    // The window leaves the picture: the largest part of the slot's shape
    // centred on the window's centre that stays inside.
    const double dx = cx <= 0.5 ? cx : 1 - cx;
    const double dy = cy <= 0.5 ? cy : 1 - cy;
    const double mw = 2 * dx * w;
    const double mh = 2 * dy * h;
    if (mh > 0 && mw / mh <= rw / rh) {
        sw = mw;
        sh = mw * rh / rw;
    } else {
        sh = mh;
        sw = mh * rw / rh;
    }
    return QRectF(cx * w - sw / 2, cy * h - sh / 2, sw, sh);
}

void Collage::drawNSImage1(GraphicsContext& context, const QImage& image, const QRectF& rect, PanZoomPos* panZoom,
                           double alpha)
{
    if (!drawable(image))
        return;
    // An export may hand over only the part of the picture its draws show.
    const QRectF source = getImageInsetRect(QSizeF(context.pictureSize(image)), rect, panZoom);
    // An export measures how small each picture comes out, to average it down ahead.
    ImageReduction::reportDraw(image, ImageReduction::scaleOfDraw(context.ctm(), rect, source));
    context.drawImage(image, rect, source, alpha);
}

void Collage::drawFullImage1(GraphicsContext& context, const QImage& image, const QRectF& rect, PanZoomPos* panZoom,
                             double alpha)
{
    if (!drawable(image))
        return;
    const QSizeF size(context.pictureSize(image));
    const QRectF s = getImageInsetRect(size, rect, panZoom);
    if (!(s.width() > 0))
        return;
    const double k = rect.width() / s.width();
    const QRectF whole(rect.x() - s.x() * k, rect.y() - s.y() * k, size.width() * k, size.height() * k);
    ImageReduction::reportDraw(image, ImageReduction::scaleOfDraw(context.ctm(), whole, QRectF(QPointF(), size)));
    context.drawImage(image, whole, alpha);
}

// ---- buttons and handles ----------------------------------------------------

QRectF Collage::getDrawRectImagePickerButton(const QRectF& slotRect) const
{
    const QSizeF button = ResourceImages::sizeOf(QStringLiteral("image_picker_pressed"));
    if (slotRect.width() > button.width() + 10 && slotRect.height() > button.height() + 10)
        return QRectF(slotRect.x() + 5, slotRect.y() + 5, button.width(), button.height());
    return QRectF();
}

void Collage::drawImagePickerInRect(GraphicsContext& context, const QRectF& buttonRect, bool preferred,
                                    bool pressed) const
{
    if (preferred) {
        context.setFillColor(QColor::fromRgbF(1, 1, 0, 1));
        context.fillEllipseInRect(buttonRect);
    }
    const QImage& image = pressed ? pickPicturePressedImage() : pickPictureNonPressedImage();
    if (drawable(image))
        context.drawImage(image, buttonRect);
}

void Collage::drawHandleAtPoint(GraphicsContext& context, QPointF point)
{
    // Out to whole units, as a pixel-aligned handle looks crisp.
    const double x0 = std::floor(point.x() - 4);
    const double y0 = std::floor(point.y() - 4);
    const double x1 = std::ceil(point.x() + 4);
    const double y1 = std::ceil(point.y() + 4);
    const QRectF square(x0, y0, x1 - x0, y1 - y0);
    context.setLineWidth(2.0);
    context.setStrokeColor(Qt::black);
    context.strokeRect(square);
    context.setFillColor(Qt::white);
    context.fillRect(square);
}

} // namespace qf
