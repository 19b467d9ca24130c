#pragma once

#include <QString>

#include <memory>

namespace qf {

class Collage;
struct CollageCaches;
class CollageDocument;
class EditorWindow;
class UndoManager;

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
    virtual void setOnscreenDrawingViewNeedsDisplay() = 0;
    // Keeps the drawing images of the document's pictures within their budget.
    virtual void keepPicturesWithinMemory() = 0;
    // A fresh collage of the type with this editor's makers; null for none.
    virtual std::shared_ptr<Collage> getNewCollageFor(const QString& type) const = 0;
    // Drawing images and faces the editor's collages share; null for none.
    virtual CollageCaches* collageCaches() = 0;
};

} // namespace qf
