#pragma once

#include "platform/events/MouseEvent.h"

#include <QPointF>
#include <QSizeF>
#include <QStringList>

namespace qf {

class EditorWindow;
class FotoloomController;
class GraphicsContext;

// What the canvas asks of the editor, without widgets: drawing, the mouse
// gesture as one undo step, live resize and the delete key. The window owns
// one and hands it the canvas's events; tests drive it directly. What it
// shows goes through the controller's window.
class CanvasDelegate {
public:
    explicit CanvasDelegate(FotoloomController& controller);
    ~CanvasDelegate();
    CanvasDelegate(const CanvasDelegate&) = delete;
    CanvasDelegate& operator=(const CanvasDelegate&) = delete;

    // Draws the current collage at the canvas size for the screen. True when
    // the frame was drawn the quick way while something changed: drawn again
    // once the change stops, it comes out exact.
    bool drawOnCurrentContextInBounds(GraphicsContext& context, QSizeF bounds);

    // A gesture: the down opens one undo group that the up (or a lost up)
    // closes, so the whole drag is one undo step. Points are in the canvas,
    // y up. A down while a gesture is open ends that one first.
    void mouseDownInBounds(QSizeF bounds, const MouseEvent& event);
    void mouseDraggedInBounds(QSizeF bounds, const MouseEvent& event);
    void mouseUpInBounds(QSizeF bounds, const MouseEvent& event);
    void mouseMovedInBounds(QSizeF bounds, const MouseEvent& event);
    // The up will never come (grab lost, focus out, window hidden).
    void mouseGestureLost();
    bool isGestureOpen() const { return m_gestureOpen; }

    void drawingViewWillStartLiveResize();
    void drawingViewDidEndLiveResize();
    // The delete key: one undo step; true when something went.
    bool removeSelectedPictureOrTextFromDrawingView();
    // A click beside the canvas.
    void mouseDownInOuterView();

    // Arrow keys: nudges of the selected slot where the collage type has them.
    void moveUp();
    void moveDown();
    void moveLeft();
    void moveRight();
    // Files dropped at a y-up point of the canvas.
    void addImagesAsAResultOfDraggingIntoDrawingView(const QStringList& paths, QPointF point, QSizeF bounds);
    // A picture dragged from an application that hands over no file.
    void showAddFromPhotosHelp();

private:
    void closeGesture();
    EditorWindow* window() const;

    FotoloomController& m_controller;
    bool m_gestureOpen = false;
    bool m_focusTextOnRelease = false; // a press selected a text item
};

} // namespace qf
