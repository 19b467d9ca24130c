#include "editor/window/CropSheet.h"

#include "model/UtilityFunctions.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace qf {

CropView::CropView(CropImageController& crop, const QImage& image, QWidget* parent)
    : QWidget(parent), m_crop(crop), m_image(image)
{
    setObjectName(QStringLiteral("cropView"));
    setMouseTracking(true);
    // The layout is made once per crop, so the view keeps one size.
    setFixedSize(sizeHint());
}

void CropView::paintEvent(QPaintEvent*)
{
    m_crop.layOut(QSizeF(size()));
    if (!m_crop.isLaidOut())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Sheet coordinates: y up, from the picture's bottom left corner.
    const QPointF origin = m_crop.origin();
    const QRectF picture = m_crop.drawInRect();
    painter.drawImage(QRectF(origin.x(), height() - origin.y() - picture.height(), picture.width(), picture.height()),
                      m_image);

    QTransform sheet;
    sheet.translate(origin.x(), height() - origin.y());
    sheet.scale(1, -1);
    painter.setTransform(sheet);
    QPainterPath outside;
    outside.addRect(picture);
    outside.addPath(UtilityFunctions::getPictureEnclosingPathForDrawingRect(m_crop.frame(), m_crop.shape()));
    outside.setFillRule(Qt::OddEvenFill);
    painter.fillPath(outside, QColor(0, 0, 0, 128));
    painter.setPen(QPen(QColor(255, 255, 0), 3.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_crop.frame());
}

QPointF CropView::sheetPoint(const QMouseEvent* event) const
{
    return m_crop.sheetPoint(event->position(), height());
}

void CropView::showCursorFor(CropImageController::Handle handle, bool pressed)
{
    switch (handle) {
    case CropImageController::WholeFrame: setCursor(pressed ? Qt::ClosedHandCursor : Qt::OpenHandCursor); break;
    case CropImageController::LeftEdge:
    case CropImageController::RightEdge: setCursor(Qt::SizeHorCursor); break;
    case CropImageController::TopEdge:
    case CropImageController::BottomEdge: setCursor(Qt::SizeVerCursor); break;
    case CropImageController::NoHandle: unsetCursor(); break;
    }
}

void CropView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_crop.isLaidOut())
        return;
    m_tracking = true;
    showCursorFor(m_crop.mouseDown(sheetPoint(event)), true);
}

void CropView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_crop.isLaidOut())
        return;
    if (m_tracking && (event->buttons() & Qt::LeftButton)) {
        if (m_crop.mouseDragged(sheetPoint(event), event->modifiers() & Qt::ShiftModifier)) {
            update();
            emit frameChanged();
        }
        return;
    }
    showCursorFor(m_crop.hitTest(sheetPoint(event)), false);
}

void CropView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_tracking)
        return;
    m_tracking = false;
    m_crop.mouseUp(sheetPoint(event));
    showCursorFor(m_crop.hitTest(sheetPoint(event)), false);
}

void CropView::leaveEvent(QEvent*)
{
    if (!m_tracking)
        unsetCursor();
}

CropSheet::CropSheet(const QImage& image, double widthToHeight, const std::optional<PanZoomPos>& crop,
                     bool constrainAspect, qint64 shape, Cropped cropped, Removed removed, QWidget* parent)
    : QDialog(parent), m_cropped(std::move(cropped)), m_removed(std::move(removed))
{
    setObjectName(QStringLiteral("cropSheet"));
    setWindowTitle(tr("Crop"));
    m_started = m_crop.start(QSizeF(image.size()), widthToHeight, crop, constrainAspect, shape);

    m_view = new CropView(m_crop, image, this);
    m_ratio = new QLabel(this);
    m_ratio->setObjectName(QStringLiteral("cropRatioLabel"));
    auto* cropButton = new QPushButton(tr("Crop"), this);
    cropButton->setObjectName(QStringLiteral("cropButton"));
    cropButton->setDefault(true);
    auto* removeButton = new QPushButton(tr("Remove Crop"), this);
    removeButton->setObjectName(QStringLiteral("removeCropButton"));
    removeButton->setVisible(m_crop.offersRemoveCrop());
    auto* cancelButton = new QPushButton(tr("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelCropButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_ratio);
    buttons->addStretch();
    buttons->addWidget(removeButton);
    buttons->addWidget(cancelButton);
    buttons->addWidget(cropButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);

    connect(m_view, &CropView::frameChanged, this, &CropSheet::updateRatioLabel);
    connect(cropButton, &QPushButton::clicked, this, [this] {
        if (m_started && m_crop.isLaidOut() && m_cropped)
            m_cropped(m_crop.result());
        accept();
    });
    connect(removeButton, &QPushButton::clicked, this, [this] {
        if (m_removed)
            m_removed();
        accept();
    });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    // The frame exists once the view has its size.
    m_view->resize(m_view->sizeHint());
    m_crop.layOut(QSizeF(m_view->size()));
    updateRatioLabel();
}

void CropSheet::updateRatioLabel()
{
    m_ratio->setText(m_crop.displayWtoH());
}

} // namespace qf
