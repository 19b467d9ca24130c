#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace qf {

class Collage;
struct CollageCaches;
class CollageDocument;
class EditorWindow;
class UndoManager;

// Undo names of the steps that carry one.
enum class UndoAction {
    AddPictures,
    RemovePictures,
    SetBackgroundPicture,
    SizeChange,
    OrientationChange,
    Split,
    AddText,
    FontChange,
};
QString undoActionName(UndoAction action);

// What the parts of one document's editor share: the current collage, the
// document with its picture store, the history and where the editor shows
// itself. The editor (FotoloomController) is the one implementation; the
// parts that work for it (picture intake, export, sharing, text, canvas
// sizes) see only this.
class EditorSession {
public:
    virtual ~EditorSession() = default;

    virtual const std::shared_ptr<Collage>& collage() const = 0;
    virtual CollageDocument& document() const = 0;
    virtual UndoManager& undoManager() const = 0;
    // Where the editor shows itself; null without a window.
    virtual EditorWindow* window() const = 0;
    // Records the collage as it is now for the current undo group, once per
    // group; the name, when given, is the step's.
    virtual void makeDocumentDirty(const QString& actionName = {}) = 0;
    void makeDocumentDirty(UndoAction action) { makeDocumentDirty(undoActionName(action)); }
    virtual void setOnscreenDrawingViewNeedsDisplay() = 0;
    // Keeps the drawing images of the document's pictures within their budget.
    virtual void keepPicturesWithinMemory() = 0;
    // The project read had `count` pictures where they could not be seen,
    // and they were put back on the canvas: the user is told once a document.
    virtual void picturesPutBack(qsizetype count) = 0;
    // A fresh collage of the type with this editor's makers; null for none.
    virtual std::shared_ptr<Collage> getNewCollageFor(const QString& type) const = 0;
    // Drawing images and faces the editor's collages share; null for none.
    virtual CollageCaches* collageCaches() = 0;

    // One change as the editor makes it: the undo snapshot (named when a
    // name is given), the spinner, the change on the collage and a redraw.
    void change(const std::function<void(Collage&)>& change, const QString& actionName = {});
};

} // namespace qf
