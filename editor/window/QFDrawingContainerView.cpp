#include "editor/window/QFDrawingContainerView.h"

#include "editor/CanvasGeometry.h"

#include <QChildEvent>
#include <QMouseEvent>

namespace qf {

namespace {
// Room for the frame's shadow at the edges.
constexpr int kMargin = 8;
}

QFDrawingContainerView::QFDrawingContainerView(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void QFDrawingContainerView::setCollagePixelSize(QSizeF size)
{
    m_collageSize = size;
    updateContentGeometry();
}

QWidget* QFDrawingContainerView::content() const
{
    return findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
}

void QFDrawingContainerView::updateContentGeometry()
{
    QWidget* child = content();
    if (!child)
        return;
    const QRect area = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
    QRectF fitted = getClipRectFromBounds(m_collageSize, QSizeF(area.size()));
    if (fitted.isEmpty())
        fitted = QRectF(QPointF(0, 0), QSizeF(area.size()));
    child->setGeometry(fitted.translated(area.topLeft()).toRect());
}

void QFDrawingContainerView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateContentGeometry();
}

void QFDrawingContainerView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit mouseDownInOuterView();
    QWidget::mousePressEvent(event);
}

void QFDrawingContainerView::childEvent(QChildEvent* event)
{
    QWidget::childEvent(event);
    if (event->type() == QEvent::ChildPolished)
        updateContentGeometry();
}

} // namespace qf
