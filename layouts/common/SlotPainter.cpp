#include "layouts/common/SlotPainter.h"

#include "model/Collage.h"
#include "model/ResourceImages.h"
#include "model/UtilityFunctions.h"
#include "platform/graphics/GraphicsContext.h"

#include <algorithm>

namespace qf {

namespace {
const QColor kGray = QColor::fromRgbF(0.5f, 0.5f, 0.5f, 1.0f);
const QColor kBlue = QColor::fromRgbF(0.0f, 0.0f, 1.0f, 1.0f);
} // namespace

SlotPainter::SlotPainter(const Collage& collage, GraphicsContext& context, double width, double height)
    : m_collage(collage)
    , m_context(context)
    , m_width(width)
    , m_height(height)
{
}

QPainterPath SlotPainter::roundedRect(const QRectF& rect, double radius)
{
    QPainterPath path;
    const double r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    if (r > 0)
        path.addRoundedRect(rect, r, r);
    else
        path.addRect(rect);
    return path;
}

void SlotPainter::beginShadow()
{
    m_context.saveGState();
    m_shadowOn = m_collage.drawShadow();
    if (!m_shadowOn)
        return;
    const double k = m_width / 2400 * 30;
    m_context.setShadow(QPointF(m_collage.shadowX() * k, m_collage.shadowY() * k), m_collage.shadowBlur() * k);
    m_context.beginTransparencyLayer(QRectF(0, 0, m_width, m_height));
}

void SlotPainter::endShadow()
{
    if (m_shadowOn)
        m_context.endTransparencyLayer();
    m_shadowOn = false;
    m_context.restoreGState();
}

void SlotPainter::drawFramed(const QPainterPath& outer, const QPainterPath& inner, double alpha,
                             const std::function<void()>& drawPicture)
{
    m_context.saveGState();
    m_context.saveGState();
    m_context.setAlpha(alpha);
    m_context.setFillColor(m_collage.borderColor().toQColor());
    m_context.fillPath(outer);
    m_context.restoreGState();
    m_context.clipToPath(inner);
    drawPicture();
    m_context.restoreGState();
}

// A picture rectangle that wide borders and gaps have left empty, or turned
// inside out, gets no picture: the frame alone shows.
static bool hasRoom(const QRectF& rect)
{
    return rect.width() > 0 && rect.height() > 0;
}

void SlotPainter::drawCroppedPicture(const QPainterPath& outer, const QPainterPath& inner, const QImage& image,
                                     const QRectF& imageRect, PanZoomPos* crop, double alpha)
{
    drawFramed(outer, inner, alpha, [&] {
        if (hasRoom(imageRect))
            Collage::drawNSImage1(m_context, image, imageRect, crop, alpha);
    });
}

void SlotPainter::drawWholePicture(const QPainterPath& outer, const QPainterPath& inner, const QImage& image,
                                   const QRectF& imageRect, double alpha)
{
    drawFramed(outer, inner, alpha, [&] {
        if (hasRoom(imageRect) && !image.isNull())
            m_context.drawImage(image, imageRect, alpha);
    });
}

void SlotPainter::strokeTwice(const QPainterPath& path, const QColor& under, double underWidth, const QColor& over,
                              double overWidth)
{
    m_context.setStrokeColor(under);
    m_context.setLineWidth(underWidth);
    m_context.strokePath(path);
    m_context.setStrokeColor(over);
    m_context.setLineWidth(overWidth);
    m_context.strokePath(path);
}

void SlotPainter::drawEmptySlot(const QPainterPath& outer, const QRectF& buttonRect, const Position& slot,
                                bool pressed)
{
    m_context.saveGState();
    UtilityFunctions::addDashToContext(m_context);
    strokeTwice(outer, Qt::white, 2.0, kGray, 1.0);
    UtilityFunctions::removeDashFromContext(m_context);
    m_context.restoreGState();
    if (!slot.hideImagePicker() && !buttonRect.isEmpty())
        m_collage.drawImagePickerInRect(m_context, buttonRect, slot.preferredToFill(), pressed);
}

void SlotPainter::drawSelectionFrame(const QPainterPath& outer)
{
    m_context.saveGState();
    strokeTwice(outer, Qt::white, 4.0, kBlue, 2.0);
    m_context.restoreGState();
}

void SlotPainter::drawDropTarget(const QPainterPath& outer)
{
    m_context.saveGState();
    m_context.clearLineDash();
    strokeTwice(outer, Qt::white, 2.0, kGray, 1.0);
    m_context.restoreGState();
}

void SlotPainter::drawCropHolders(bool translate, QPointF translateOffset, bool zoom, QPointF zoomOffset,
                                  QPointF slotCentre)
{
    if (translate) {
        const QSizeF size = ResourceImages::sizeOf(QStringLiteral("move"));
        m_context.drawImage(m_collage.translateHolderImage(),
                            QRectF(m_collage.positionOfCropTranslateHolder() + translateOffset, size));
    }
    if (zoom) {
        const QSizeF size = ResourceImages::sizeOf(QStringLiteral("scale_only"));
        m_context.drawImage(m_collage.zoomHolderImage(),
                            QRectF(m_collage.positionOfCropZoomHolder() + zoomOffset, size));
        const QSizeF plus = ResourceImages::sizeOf(QStringLiteral("plus"));
        m_context.drawImage(m_collage.plusImage(),
                            QRectF(slotCentre - QPointF(plus.width() / 2, plus.height() / 2), plus));
    }
}

} // namespace qf
