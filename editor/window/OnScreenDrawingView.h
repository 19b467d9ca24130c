#pragma once

#include "editor/ClickCounter.h"
#include "platform/events/CursorStack.h"
#include "platform/events/MouseEvent.h"

#include <QWidget>

namespace qf {

class CanvasDelegate;

// The on-screen canvas. It holds no model state: it draws through its
// delegate at its own size and forwards the mouse (points with y up, click
// counts), the delete and arrow keys, live resizes and dropped files. It shows the cursor stack's
// cursor while the pointer is over it. A press that never gets its release
// (grab lost, focus out, hidden) is reported as a lost gesture.
class OnScreenDrawingView : public QWidget, public CursorSink {
    Q_OBJECT
public:
    explicit OnScreenDrawingView(QWidget* parent = nullptr);
    ~OnScreenDrawingView() override;

    // Not owned; nullptr detaches.
    void setDelegate(CanvasDelegate* delegate) { m_delegate = delegate; }
    CanvasDelegate* delegate() const { return m_delegate; }

    void showCursor(const Cursor& cursor) override;

    // The model's event for a widget position.
    MouseEvent modelEvent(QPointF widgetPos, int clickCount, Qt::KeyboardModifiers modifiers) const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void press(QMouseEvent* event);
    void loseGesture();
    void endLiveResize();

    CanvasDelegate* m_delegate = nullptr;
    ClickCounter m_clicks;
    bool m_pressed = false;
    int m_clickCount = 1;
    class QTimer* m_liveResizeTimer = nullptr;
    class QTimer* m_settleTimer = nullptr;
};

} // namespace qf
