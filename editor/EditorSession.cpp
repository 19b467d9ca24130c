#include "editor/EditorSession.h"

#include "editor/EditorWindow.h"

#include <QCoreApplication>

namespace qf {

QString undoActionName(UndoAction action)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("qf::FotoloomController", text); };
    switch (action) {
    case UndoAction::AddPictures: return tr("Add Pictures");
    case UndoAction::RemovePictures: return tr("Remove Pictures");
    case UndoAction::SetBackgroundPicture: return tr("Set Background Picture");
    case UndoAction::SizeChange: return tr("Size Change");
    case UndoAction::OrientationChange: return tr("Orientation Change");
    case UndoAction::Split: return tr("Split");
    case UndoAction::AddText: return tr("Add Text");
    case UndoAction::FontChange: return tr("Font Change");
    }
    return {};
}

void EditorSession::change(const std::function<void(Collage&)>& change, const QString& actionName)
{
    makeDocumentDirty(actionName);
    if (EditorWindow* shown = window())
        shown->startSpinner();
    change(*collage());
    setOnscreenDrawingViewNeedsDisplay();
}

} // namespace qf
