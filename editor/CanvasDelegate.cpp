#include "editor/CanvasDelegate.h"

#include "editor/EditorWindow.h"
#include "editor/FotoloomController.h"
#include "model/Collage.h"
#include "platform/graphics/GraphicsContext.h"

namespace qf {

CanvasDelegate::CanvasDelegate(FotoloomController& controller)
    : m_controller(controller)
{
}

EditorWindow* CanvasDelegate::window() const
{
    return m_controller.window();
}

CanvasDelegate::~CanvasDelegate()
{
    // An open group would swallow every later change of the document.
    if (m_gestureOpen)
        closeGesture();
}

bool CanvasDelegate::drawOnCurrentContextInBounds(GraphicsContext& context, QSizeF bounds)
{
    m_controller.collage()->drawYourselfOnCurrentContextInWidth(context, bounds.width(), bounds.height(), false);
    if (EditorWindow* w = window())
        w->stopSpinner();
    const CollageCaches* caches = m_controller.collageCaches();
    return caches && caches->screenFrames.lastFrameWasProvisional();
}

void CanvasDelegate::mouseDownInBounds(QSizeF bounds, const MouseEvent& event)
{
    if (m_gestureOpen)
        mouseGestureLost();
    m_controller.beginContinuousChange();
    m_gestureOpen = true;
    m_controller.makeDocumentDirty();

    Collage& collage = *m_controller.collage();
    collage.setDrawFast(true);
    collage.mouseDownAt(event.location, bounds.width(), bounds.height(), event);

    if (EditorWindow* w = window()) {
        if (collage.selectedImagePosition() < 0 && collage.selectedTextPosition() != -1) {
            w->selectTab(2);
            // Focus moves to the text editor when the button is released:
            // taken from the canvas now, it would end the drag just begun.
            m_focusTextOnRelease = true;
        } else if (collage.selectedImagePosition() >= 0) {
            w->selectTab(1);
        }
    }
    m_controller.setOnscreenDrawingViewNeedsDisplay();
}

void CanvasDelegate::mouseDraggedInBounds(QSizeF bounds, const MouseEvent& event)
{
    if (!m_gestureOpen)
        return;
    m_controller.makeDocumentDirty();
    m_controller.collage()->mouseDraggedAt(event.location, bounds.width(), bounds.height(), event);
    m_controller.setOnscreenDrawingViewNeedsDisplay();
}

void CanvasDelegate::mouseUpInBounds(QSizeF bounds, const MouseEvent& event)
{
    if (!m_gestureOpen)
        return;
    closeGesture();
    Collage& collage = *m_controller.collage();
    collage.setDrawFast(false);
    collage.mouseUpAt(event.location, bounds.width(), bounds.height(), event);
    m_controller.setOnscreenDrawingViewNeedsDisplay();
    if (std::exchange(m_focusTextOnRelease, false) && collage.selectedTextPosition() != -1)
        if (EditorWindow* w = window())
            w->focusTextEditor();
}

void CanvasDelegate::mouseMovedInBounds(QSizeF bounds, const MouseEvent& event)
{
    // Hover cursors and highlights only; the collage asks for a redraw itself.
    m_controller.collage()->mouseMovedAt(event.location, bounds.width(), bounds.height(), event);
}

void CanvasDelegate::mouseGestureLost()
{
    if (!m_gestureOpen)
        return;
    closeGesture();
    m_focusTextOnRelease = false;
    Collage& collage = *m_controller.collage();
    collage.setDrawFast(false);
    collage.mouseGestureLost();
    m_controller.setOnscreenDrawingViewNeedsDisplay();
}

void CanvasDelegate::closeGesture()
{
    m_gestureOpen = false;
    m_controller.endContinuousChange();
}

void CanvasDelegate::drawingViewWillStartLiveResize()
{
    m_controller.collage()->setDrawFast(true);
}

void CanvasDelegate::drawingViewDidEndLiveResize()
{
    m_controller.collage()->setDrawFast(false);
    if (EditorWindow* w = window())
        w->startSpinner();
    m_controller.setOnscreenDrawingViewNeedsDisplay();
}

bool CanvasDelegate::removeSelectedPictureOrTextFromDrawingView()
{
    return m_controller.runner().removeSelectedPictureOrText();
}

void CanvasDelegate::mouseDownInOuterView()
{
    m_controller.runner().deselectAll();
}

void CanvasDelegate::moveUp()
{
    m_controller.runner().nudge(Nudge::Up);
}

void CanvasDelegate::moveDown()
{
    m_controller.runner().nudge(Nudge::Down);
}

void CanvasDelegate::moveLeft()
{
    m_controller.runner().nudge(Nudge::Left);
}

void CanvasDelegate::moveRight()
{
    m_controller.runner().nudge(Nudge::Right);
}

void CanvasDelegate::addImagesAsAResultOfDraggingIntoDrawingView(const QStringList& paths, QPointF point,
                                                                  QSizeF bounds)
{
    m_controller.intake().addImagesAsAResultOfDraggingIntoDrawingView(paths, point, bounds);
}

void CanvasDelegate::showAddFromPhotosHelp()
{
    m_controller.intake().showAddingPicturesHelp();
}

} // namespace qf
