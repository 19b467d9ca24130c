#pragma once

#include "editor/RecordingWindow.h"

#include "document/CollageDocument.h"
#include "editor/FotoloomController.h"
#include "model/Collage.h"
#include "platform/undo/UndoManager.h"

#include <QCoreApplication>
#include <QJsonObject>

namespace qf::test {

// A document with its history and its editor, shown in a recording window.
struct EditorOnDocument {
    CollageDocument doc;
    UndoManager& undo = doc.undoManager();
    RecordingWindow window;
    FotoloomController* c = nullptr;

    // Makes the document's editor; called once the test has set up what the
    // editor reads when it is made (user defaults, dialogs).
    void openEditor()
    {
        doc.setHostFactory([](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &d.undoManager()); });
        doc.makeWindowControllers();
        c = static_cast<FotoloomController*>(doc.fotoloomController());
        c->setWindow(&window);
    }
    Collage& collage() const { return *c->collage(); }
    QJsonObject snapshot() const { return collage().dictionaryRepresentationActual(false); }
    // The by-event undo group closes when the event ends.
    void endEvent()
    {
        for (int i = 0; i < 20 && undo.groupingLevel() > 0; ++i)
            QCoreApplication::processEvents();
    }
};

} // namespace qf::test
