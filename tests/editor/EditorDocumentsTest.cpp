#include "widgets/FakeDocumentDialogs.h"

#include "document/window/MyDocumentController.h"
#include "editor/FotoloomController.h"
#include "model/Collage.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

using namespace qf;
using qf::testing::FakeDocumentDialogs;

namespace {

// The application's documents with their editors, without windows.
struct Documents {
    QTemporaryDir tmp;
    std::shared_ptr<FakeDocumentDialogs> dialogs = std::make_shared<FakeDocumentDialogs>();
    MyDocumentController controller{dialogs};

    Documents()
    {
        controller.setSettings(std::make_shared<QSettings>(tmp.filePath(QStringLiteral("settings.ini")),
                                                           QSettings::IniFormat));
        controller.setHostFactory([](CollageDocument& doc) -> std::unique_ptr<DocumentHost> {
            auto editor = std::make_unique<FotoloomController>(doc, &doc.undoManager());
            (void)editor->windowDidLoad();
            return editor;
        });
    }
    ~Documents() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    static FotoloomController& editor(Document* doc)
    {
        return *static_cast<FotoloomController*>(static_cast<CollageDocument*>(doc)->fotoloomController());
    }
    // A bound change, closed as one undo step.
    static void change(Document* doc, double spacing)
    {
        editor(doc).collage()->setSpacing(spacing);
        for (int i = 0; i < 20 && doc->undoManager().groupingLevel() > 0; ++i)
            QCoreApplication::processEvents();
    }
};

} // namespace

TEST(EditorDocuments, SaveWritesThePackageAndTheEditorFollowsTheDocument)
{
    Documents s;
    Document* doc = s.controller.newDocument();
    FotoloomController& editor = Documents::editor(doc);
    EXPECT_FALSE(editor.isDocumentEdited());
    Documents::change(doc, 0.12);
    EXPECT_TRUE(editor.isDocumentEdited() && doc->isDocumentEdited());
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Untitled*"));

    // An untitled Save asks where; the package gets its extension.
    const QString chosen = s.tmp.filePath(QStringLiteral("mine"));
    s.dialogs->saveAnswers.push_back(SavePanelResult{chosen, CollageDocument::projectType()});
    bool saved = false;
    doc->save([&saved](bool ok) { saved = ok; });
    ASSERT_TRUE(saved);
    ASSERT_EQ(s.dialogs->saveRequests.size(), 1);
    const QString package = chosen + QStringLiteral(".quiltfolioproj");
    EXPECT_TRUE(QFileInfo(package + QStringLiteral("/collage.design")).isFile());
    EXPECT_EQ(doc->fileName(), package);
    EXPECT_FALSE(editor.isDocumentEdited());
    EXPECT_EQ(s.controller.recentDocumentPaths(), QStringList{package});

    // A titled Save writes in place without asking.
    Documents::change(doc, 0.3);
    doc->save();
    EXPECT_EQ(s.dialogs->saveRequests.size(), 1);
    EXPECT_FALSE(editor.isDocumentEdited());
    doc->undoManager().undo();
    EXPECT_TRUE(editor.isDocumentEdited());

    Documents other;
    Document* reopened = other.controller.openDocumentWithPath(package);
    ASSERT_NE(reopened, nullptr);
    EXPECT_DOUBLE_EQ(Documents::editor(reopened).collage()->spacing(), 0.3);
    EXPECT_FALSE(Documents::editor(reopened).isDocumentEdited());
}

TEST(EditorDocuments, QuitAsksEachEditedDocumentAndStopsAtCancel)
{
    Documents s;
    Document* first = s.controller.newDocument();
    Document* second = s.controller.newDocument();
    Document* clean = s.controller.newDocument();
    Documents::change(first, 0.2);
    Documents::change(second, 0.3);

    s.dialogs->saveChangesAnswers = {SaveChangesChoice::DontSave, SaveChangesChoice::Cancel};
    std::optional<bool> allClosed;
    s.controller.closeAllDocuments([&allClosed](bool ok) { allClosed = ok; });
    EXPECT_EQ(allClosed, false);
    EXPECT_EQ(s.dialogs->saveChangesAsked, QStringList({"Untitled", "Untitled 2"}));
    EXPECT_TRUE(first->isClosed());
    EXPECT_EQ(s.controller.documents(), QList<Document*>({second, clean}));

    s.dialogs->saveChangesAnswers = {SaveChangesChoice::DontSave};
    s.controller.closeAllDocuments([&allClosed](bool ok) { allClosed = ok; });
    EXPECT_EQ(allClosed, true);
    EXPECT_TRUE(s.controller.documents().isEmpty());
}
