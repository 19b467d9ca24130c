#include "editor/window/OnScreenDrawingView.h"

#include "editor/PictureDrop.h"
#include "editor/CanvasDelegate.h"
#include "editor/CanvasGeometry.h"
#include "platform/graphics/GraphicsContext.h"

#include <QCursor>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

namespace qf {

namespace {
// Qt has no live-resize notifications: a resize ends when none followed for this long.
constexpr int kLiveResizeQuietMs = 250;
// A frame drawn the quick way while something changed is drawn again, exactly,
// once no frame followed it for this long.
constexpr int kSettleQuietMs = 120;

// The view the shared cursor stack shows its cursor on; one for the application.
OnScreenDrawingView* g_cursorView = nullptr;

void showCursorsOn(OnScreenDrawingView* view)
{
    g_cursorView = view;
    CursorStack::shared().setSink(view);
}
}

OnScreenDrawingView::OnScreenDrawingView(QWidget* parent)
    : QWidget(parent)
    , m_liveResizeTimer(new QTimer(this))
    , m_settleTimer(new QTimer(this))
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    setAcceptDrops(true);
    m_liveResizeTimer->setSingleShot(true);
    m_liveResizeTimer->setInterval(kLiveResizeQuietMs);
    connect(m_liveResizeTimer, &QTimer::timeout, this, &OnScreenDrawingView::endLiveResize);
    m_settleTimer->setSingleShot(true);
    m_settleTimer->setInterval(kSettleQuietMs);
    connect(m_settleTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

OnScreenDrawingView::~OnScreenDrawingView()
{
    if (g_cursorView == this)
        showCursorsOn(nullptr);
}

void OnScreenDrawingView::showCursor(const Cursor& cursor)
{
    if (cursor.isImage()) {
        setCursor(QCursor(QPixmap::fromImage(cursor.image), qRound(cursor.hotSpot.x()), qRound(cursor.hotSpot.y())));
    } else {
        setCursor(cursor.shape);
    }
}

MouseEvent OnScreenDrawingView::modelEvent(QPointF widgetPos, int clickCount, Qt::KeyboardModifiers modifiers) const
{
    return MouseEvent{modelPointFromWidget(widgetPos, height()), clickCount, modifiers};
}

bool OnScreenDrawingView::event(QEvent* event)
{
    if (event->type() == QEvent::UngrabMouse || event->type() == QEvent::WindowDeactivate)
        loseGesture();
    return QWidget::event(event);
}

void OnScreenDrawingView::paintEvent(QPaintEvent*)
{
    if (!m_delegate) {
        QPainter(this).fillRect(rect(), Qt::white);
        return;
    }
    // The whole canvas, whatever the dirty region: the collage draws at the view's size.
    GraphicsContext context(this, QSizeF(size()));
    if (m_delegate->drawOnCurrentContextInBounds(context, QSizeF(size())))
        m_settleTimer->start();
}

void OnScreenDrawingView::press(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_clickCount = m_clicks.press(event->position(), event->timestamp());
    showCursorsOn(this);
    m_pressed = true;
    if (m_delegate)
        m_delegate->mouseDownInBounds(QSizeF(size()), modelEvent(event->position(), m_clickCount, event->modifiers()));
}

void OnScreenDrawingView::mousePressEvent(QMouseEvent* event)
{
    press(event);
}

void OnScreenDrawingView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Qt sends the second press of a series as a double click.
    press(event);
}

void OnScreenDrawingView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_delegate)
        return;
    if (m_pressed && event->buttons().testFlag(Qt::LeftButton)) {
        m_delegate->mouseDraggedInBounds(QSizeF(size()),
                                         modelEvent(event->position(), m_clickCount, event->modifiers()));
    } else if (!m_pressed) {
        m_delegate->mouseMovedInBounds(QSizeF(size()), modelEvent(event->position(), 0, event->modifiers()));
    }
}

void OnScreenDrawingView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (m_delegate)
        m_delegate->mouseUpInBounds(QSizeF(size()), modelEvent(event->position(), m_clickCount, event->modifiers()));
}

void OnScreenDrawingView::loseGesture()
{
    if (!m_pressed)
        return;
    m_pressed = false;
    m_clicks.reset();
    if (m_delegate)
        m_delegate->mouseGestureLost();
}

void OnScreenDrawingView::keyPressEvent(QKeyEvent* event)
{
    // With a modifier held these keys mean something else (extending a
    // selection, word deletion), which the canvas does not have.
    const Qt::KeyboardModifiers held = event->modifiers() & ~Qt::KeypadModifier;
    if (!m_delegate || held != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        m_delegate->removeSelectedPictureOrTextFromDrawingView();
        return;
    case Qt::Key_Up:
        m_delegate->moveUp();
        return;
    case Qt::Key_Down:
        m_delegate->moveDown();
        return;
    case Qt::Key_Left:
        m_delegate->moveLeft();
        return;
    case Qt::Key_Right:
        m_delegate->moveRight();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void OnScreenDrawingView::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void OnScreenDrawingView::dragMoveEvent(QDragMoveEvent* event)
{
    if (m_delegate && PictureDrop::fromMimeData(event->mimeData()).kind() != PictureDrop::Kind::Nothing) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void OnScreenDrawingView::dropEvent(QDropEvent* event)
{
    const PictureDrop drop = PictureDrop::fromMimeData(event->mimeData());
    if (!m_delegate || drop.kind() == PictureDrop::Kind::Nothing) {
        event->ignore();
        return;
    }
    if (drop.kind() == PictureDrop::Kind::PictureFromApplication) {
        event->ignore();
        m_delegate->showAddFromPhotosHelp();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    m_delegate->addImagesAsAResultOfDraggingIntoDrawingView(
        drop.paths(), modelPointFromWidget(event->position(), height()), QSizeF(size()));
}

void OnScreenDrawingView::enterEvent(QEnterEvent* event)
{
    showCursorsOn(this);
    QWidget::enterEvent(event);
}

void OnScreenDrawingView::leaveEvent(QEvent* event)
{
    if (!m_pressed)
        setCursor(Qt::ArrowCursor);
    QWidget::leaveEvent(event);
}

void OnScreenDrawingView::focusOutEvent(QFocusEvent* event)
{
    loseGesture();
    QWidget::focusOutEvent(event);
}

void OnScreenDrawingView::hideEvent(QHideEvent* event)
{
    loseGesture();
    QWidget::hideEvent(event);
}

void OnScreenDrawingView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!m_delegate || !isVisible())
        return;
    if (!m_liveResizeTimer->isActive())
        m_delegate->drawingViewWillStartLiveResize();
    m_liveResizeTimer->start();
}

void OnScreenDrawingView::endLiveResize()
{
    if (m_delegate)
        m_delegate->drawingViewDidEndLiveResize();
}

} // namespace qf
