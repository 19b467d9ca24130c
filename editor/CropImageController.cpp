#include "editor/CropImageController.h"

#include "model/Collage.h"

#include <QLoggingCategory>

#include <cmath>

Q_LOGGING_CATEGORY(lcCrop, "qf.editor.crop")

namespace qf {

bool CropImageController::start(QSizeF image, std::optional<double> widthToHeight, std::optional<PanZoomPos> crop,
                                bool constrainAspect, qint64 shape)
{
    if (widthToHeight && !(std::isfinite(*widthToHeight) && *widthToHeight > 0))
        widthToHeight.reset();
    if (constrainAspect && !widthToHeight) {
        qCWarning(lcCrop) << "a crop with a fixed aspect needs that aspect; nothing to show";
        return false;
    }
    if (!(image.width() > 0 && image.height() > 0)) {
        qCWarning(lcCrop) << "no picture to crop";
        return false;
    }
    m_image = image;
    m_wtoh = widthToHeight;
    m_panZoom = crop;
    m_constrain = constrainAspect;
    m_shape = shape;
    m_drawInRect = QRectF();
    m_origin = QPointF();
    m_frame = QRectF();
    m_handle = NoHandle;
    return true;
}

void CropImageController::layOut(QSizeF viewSize)
{
    if (isLaidOut() || m_image.isEmpty())
        return;
    const QRectF a(kViewInset, kViewInset, viewSize.width() - 2 * kViewInset, viewSize.height() - 2 * kViewInset);
    if (!(a.width() > 0 && a.height() > 0))
        return;
    const double w = m_image.width();
    const double h = m_image.height();
    double drawW, drawH;
    if (w / h > a.width() / a.height()) {
        drawW = a.width();
        drawH = a.width() * h / w;
        m_origin = QPointF(a.x(), a.y() + (a.height() - drawH) / 2);
    } else {
        drawH = a.height();
        drawW = a.height() * w / h;
        m_origin = QPointF(a.x() + (a.width() - drawW) / 2, a.y());
    }
    m_drawInRect = QRectF(0, 0, drawW, drawH);

    const QRectF start = m_wtoh ? QRectF(0, 0, *m_wtoh, 1.0) : m_drawInRect;
    PanZoomPos* panZoom = m_panZoom ? &*m_panZoom : nullptr;
    const QRectF inset = Collage::getImageInsetRect(m_image, start, panZoom);
    const double k = drawW / w;
    m_frame = QRectF(inset.x() * k, inset.y() * k, inset.width() * k, inset.height() * k);
}

double CropImageController::woh() const
{
    if (m_constrain && m_wtoh)
        return *m_wtoh;
    return m_frame.height() > 0 ? m_frame.width() / m_frame.height() : 1.0;
}

QString CropImageController::displayWtoH() const
{
    if (m_constrain || !(m_frame.height() > 0))
        return {};
    return QStringLiteral("Width/Height: %1").arg(m_frame.width() / m_frame.height(), 4, 'f', 2);
}

QPointF CropImageController::sheetPoint(QPointF viewPoint, double viewHeight) const
{
    return QPointF(viewPoint.x() - m_origin.x(), viewHeight - viewPoint.y() - m_origin.y());
}

CropImageController::Handle CropImageController::hitTest(QPointF p) const
{
    const double t = kHandleTolerance;
    const double x = m_frame.x(), y = m_frame.y(), w = m_frame.width(), h = m_frame.height();
    if (m_frame.adjusted(t, t, -t, -t).contains(p))
        return WholeFrame;
    const bool alongHeight = y < p.y() && p.y() < y + h;
    const bool alongWidth = x < p.x() && p.x() < x + w;
    if (std::abs(p.x() - x) < t && alongHeight)
        return LeftEdge;
    if (std::abs(p.x() - (x + w)) < t && alongHeight)
        return RightEdge;
    if (std::abs(p.y() - y) < t && alongWidth)
        return BottomEdge;
    if (std::abs(p.y() - (y + h)) < t && alongWidth)
        return TopEdge;
    return NoHandle;
}

CropImageController::Handle CropImageController::mouseDown(QPointF p)
{
    m_previous = m_current = p;
    m_handle = hitTest(p);
    return m_handle;
}

bool CropImageController::mouseDragged(QPointF p, bool shift)
{
    m_previous = m_current;
    m_current = p;
    const double dx = m_current.x() - m_previous.x();
    const double dy = m_current.y() - m_previous.y();
    const bool locked = m_constrain || shift;
    const double ratio = woh();
    const double x = m_frame.x(), y = m_frame.y(), w = m_frame.width(), h = m_frame.height();

    QRectF proposed;
    switch (m_handle) {
    case WholeFrame: proposed = QRectF(x + dx, y + dy, w, h); break;
    case LeftEdge:
        if (locked) {
            const double nh = (w - dx) / ratio;
            proposed = QRectF(x + dx, y + h - nh, w - dx, nh);
        } else {
            proposed = QRectF(x + dx, y, w - dx, h);
        }
        break;
    case RightEdge: proposed = QRectF(x, y, w + dx, locked ? (w + dx) / ratio : h); break;
    case TopEdge: proposed = QRectF(x, y, locked ? (h + dy) * ratio : w, h + dy); break;
    case BottomEdge:
        if (locked) {
            const double nw = (h - dy) * ratio;
            proposed = QRectF(x + w - nw, y + dy, nw, h - dy);
        } else {
            proposed = QRectF(x, y + dy, w, h - dy);
        }
        break;
    case NoHandle: return false;
    }
    if (!isAValidFrameRect(proposed))
        return false;
    m_frame = proposed;
    return true;
}

void CropImageController::mouseUp(QPointF p)
{
    m_previous = m_current;
    m_current = p;
    m_handle = NoHandle;
}

bool CropImageController::isAValidFrameRect(const QRectF& rect) const
{
    constexpr double slack = 0.00000001;
    const QRectF area = m_drawInRect.adjusted(-slack, -slack, slack, slack);
    const auto inside = [&](double px, double py) {
        return px >= area.left() && px <= area.right() && py >= area.top() && py <= area.bottom();
    };
    return inside(rect.left(), rect.top()) && inside(rect.right(), rect.top()) && inside(rect.left(), rect.bottom())
           && inside(rect.right(), rect.bottom()) && rect.width() > kMinimumSide && rect.height() > kMinimumSide;
}

CropResult CropImageController::result() const
{
    const double drawW = m_drawInRect.width();
    const double drawH = m_drawInRect.height();
    if (!isLaidOut() || !(m_frame.height() > 0))
        return {1.0, PanZoomPos(0.5, 0.5, 1.0)};
    const double x = m_frame.x(), y = m_frame.y(), w = m_frame.width(), h = m_frame.height();
    return {w / h, PanZoomPos((x + w / 2) / drawW, (y + h / 2) / drawH, w / drawW)};
}

} // namespace qf
