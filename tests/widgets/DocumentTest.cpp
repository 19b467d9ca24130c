#include "FakeDocumentDialogs.h"

#include "platform/defaults/UserDefaults.h"
#include "platform/documents/Document.h"
#include "platform/widgets/documents/DocumentController.h"

#include <gtest/gtest.h>

#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QSettings>
#include <QPointer>
#include <QTemporaryDir>

using namespace qf;
using qf::testing::FakeDocumentDialogs;

namespace {

const DocumentType kPlain{QStringLiteral("test.plain"), QStringLiteral("Plain"), QStringLiteral("tdoc"), false};
const DocumentType kPackage{QStringLiteral("test.package"), QStringLiteral("Package"), QStringLiteral("tpkg"), true};
const DocumentType kPicture{QStringLiteral("test.picture"), QStringLiteral("Picture"), QStringLiteral("png"), false};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Reads any file but one saying "corrupt"; writes its text to the path.
class FakeDocument : public Document {
public:
    QByteArray text = "text";
    QString failSavesWith;
    QStringList written; // "path|type"

    FakeDocument() { setDocumentTypes({kPlain, kPackage}, {kPackage}, {kPicture}); }

    Status readFromPath(const QString& path, const QString& typeName) override
    {
        if (typeName.isEmpty())
            return Status::failure(QStringLiteral("Unknown kind of file."));
        const QByteArray bytes = readAll(path);
        if (bytes == "corrupt")
            return Status::failure(QStringLiteral("This file is corrupt."));
        text = bytes;
        return Status::success();
    }

    Status saveToPath(const QString& path, const QString& typeName, SaveOperation operation) override
    {
        if (!failSavesWith.isEmpty())
            return Status::failure(u'\n' + failSavesWith);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return Status::failure(QStringLiteral("Cannot write."));
        f.write(text);
        written << path + u'|' + typeName;
        if (operation != SaveOperation::SaveTo) {
            setFileName(path);
            setFileType(typeName);
        }
        return Status::success();
    }

    // One undoable step, as an edit would register it: undoing registers
    // the redo.
    void edit()
    {
        undoManager().beginUndoGrouping();
        registerStep();
        undoManager().endUndoGrouping();
    }
    void registerStep()
    {
        undoManager().registerUndo([this] { registerStep(); });
    }
    // Work finished just before a save or close (pictures still being read):
    // a change in this event, its group not closed yet.
    bool hasPendingChange = false;
    void finishPendingChanges() override
    {
        if (std::exchange(hasPendingChange, false))
            registerStep();
    }
};

class FakeController : public DocumentController {
public:
    using DocumentController::DocumentController;
    int made = 0;
    std::unique_ptr<Document> makeDocument() override
    {
        ++made;
        return std::make_unique<FakeDocument>();
    }
    QList<DocumentType> readableTypes() const override { return {kPlain, kPackage}; }
};

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

struct Documents {
    QTemporaryDir tmp;
    std::shared_ptr<FakeDocumentDialogs> dialogs = std::make_shared<FakeDocumentDialogs>();
    FakeController controller{dialogs};

    Documents()
    {
        controller.setSettings(std::make_shared<QSettings>(tmp.filePath(QStringLiteral("settings.ini")),
                                                           QSettings::IniFormat));
    }
    ~Documents() { flushDeletes(); }

    QString file(const QString& name, const QByteArray& bytes = "saved text")
    {
        const QString path = tmp.filePath(name);
        writeFile(path, bytes);
        return path;
    }
    FakeDocument* newDocument() { return static_cast<FakeDocument*>(controller.newDocument()); }
};

std::function<void(bool)> recordInto(std::optional<bool>& result)
{
    return [&result](bool ok) { result = ok; };
}

} // namespace

TEST(Document, NamesAndTitlesFollowTheFileAndTheEditedState)
{
    Documents s;
    FakeDocument* first = s.newDocument();
    FakeDocument* second = s.newDocument();
    FakeDocument* third = s.newDocument();
    EXPECT_EQ(first->displayName(), QStringLiteral("Untitled"));
    EXPECT_EQ(second->displayName(), QStringLiteral("Untitled 2"));
    EXPECT_EQ(third->displayName(), QStringLiteral("Untitled 3"));

    // A closed untitled document frees its number for the next new one.
    second->close();
    EXPECT_EQ(s.newDocument()->displayName(), QStringLiteral("Untitled 2"));

    first->edit();
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Untitled*"));

    first->setFileName(s.tmp.filePath(QStringLiteral("Holiday.tpkg")));
    EXPECT_EQ(first->displayName(), QStringLiteral("Holiday.tpkg"));
    first->setUntitledDisplayName(QStringLiteral("Wedding"));
    EXPECT_EQ(first->displayName(), QStringLiteral("Holiday.tpkg")); // a file's name wins
    third->setUntitledDisplayName(QStringLiteral("Wedding"));
    EXPECT_EQ(third->windowTitle(), QStringLiteral("Wedding"));
}

TEST(Document, TheEditedStateComparesTheHistoryWithTheLastSave)
{
    FakeDocument doc;
    QList<bool> changes;
    QObject::connect(&doc, &Document::editedChanged, [&changes](bool edited) { changes << edited; });
    EXPECT_FALSE(doc.isDocumentEdited());

    doc.edit();
    doc.undoManager().undo(); // back where it was opened
    doc.undoManager().redo();
    doc.markSaved();
    EXPECT_FALSE(doc.isDocumentEdited());
    doc.undoManager().undo(); // undone past the save
    EXPECT_TRUE(doc.isDocumentEdited());
    doc.undoManager().redo();
    EXPECT_FALSE(doc.isDocumentEdited());

    EXPECT_EQ(changes, (QList<bool>{true, false, true, false, true, false}));
}

TEST(Document, SavingAnUntitledDocumentAsksWhereAndThenSavesInPlace)
{
    Documents s;
    FakeDocument* doc = s.newDocument();
    doc->edit();
    EXPECT_TRUE(doc->canSave());

    // Cancelling the dialog writes nothing and leaves the document edited.
    std::optional<bool> result;
    doc->save(recordInto(result));
    EXPECT_EQ(result, false);
    EXPECT_TRUE(doc->written.isEmpty());
    EXPECT_TRUE(doc->isDocumentEdited());

    ASSERT_EQ(s.dialogs->saveRequests.size(), 1);
    const SavePanelRequest& asked = s.dialogs->saveRequests.first();
    EXPECT_EQ(asked.suggestedName, QStringLiteral("Untitled"));
    ASSERT_EQ(asked.types.size(), 1);
    EXPECT_EQ(asked.types.first().identifier, kPackage.identifier);

    // The type's extension is added to a name given without it.
    s.dialogs->saveAnswers.push_back(SavePanelResult{s.tmp.filePath(QStringLiteral("Trip")), kPackage.identifier});
    int saved = 0;
    QObject::connect(doc, &Document::saved, [&saved] { ++saved; });
    doc->save(recordInto(result));
    EXPECT_EQ(result, true);
    const QString path = s.tmp.filePath(QStringLiteral("Trip.tpkg"));
    EXPECT_EQ(doc->written, QStringList{path + u'|' + kPackage.identifier});
    EXPECT_EQ(doc->fileName(), path);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Trip.tpkg"));
    EXPECT_FALSE(doc->canSave());
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(s.controller.recentDocumentPaths(), QStringList{path});

    // Once it has a file, Save writes there without asking.
    doc->edit();
    doc->text = "second";
    doc->save(recordInto(result));
    EXPECT_EQ(result, true);
    EXPECT_EQ(s.dialogs->saveRequests.size(), 2);
    EXPECT_EQ(readAll(path), QByteArray("second"));
    EXPECT_FALSE(doc->isDocumentEdited());
}

TEST(Document, AFailedSaveShowsTheReasonAndKeepsTheDocumentEdited)
{
    Documents s;
    FakeDocument* doc = s.newDocument();
    doc->setFileName(s.file(QStringLiteral("a.tpkg")));
    doc->setFileType(kPackage.identifier);
    doc->edit();
    doc->failSavesWith = QStringLiteral("The disk is full.");

    std::optional<bool> result;
    doc->save(recordInto(result));
    EXPECT_EQ(result, false);
    EXPECT_TRUE(doc->isDocumentEdited());
    ASSERT_EQ(s.dialogs->errors.size(), 1);
    EXPECT_EQ(s.dialogs->errors.first().first, QStringLiteral("The document “a.tpkg” could not be saved."));
    EXPECT_EQ(s.dialogs->errors.first().second, QStringLiteral("The disk is full.")); // leading break trimmed
}

TEST(Document, SaveToExportsWithoutTakingTheFileOrTheEditedState)
{
    Documents s;
    FakeDocument* doc = s.newDocument();
    const QString original = s.file(QStringLiteral("a.tpkg"));
    doc->setFileName(original);
    doc->setFileType(kPackage.identifier);
    doc->edit();

    s.dialogs->saveAnswers.push_back(SavePanelResult{s.tmp.filePath(QStringLiteral("shot.png")), kPicture.identifier});
    std::optional<bool> result;
    doc->saveTo(recordInto(result));
    EXPECT_EQ(result, true);
    EXPECT_EQ(s.dialogs->saveRequests.first().types.first().identifier, kPicture.identifier);
    EXPECT_EQ(s.dialogs->saveRequests.first().suggestedName, QStringLiteral("a"));
    EXPECT_EQ(doc->written, QStringList{s.tmp.filePath(QStringLiteral("shot.png")) + u'|' + kPicture.identifier});
    EXPECT_EQ(doc->fileName(), original);
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_TRUE(s.controller.recentDocumentPaths().isEmpty());
}

TEST(Document, ClosingAnEditedDocumentAsksSaveDontSaveOrCancel)
{
    Documents s;
    FakeDocument* clean = s.newDocument();
    std::optional<bool> result;
    clean->requestClose(recordInto(result));
    EXPECT_EQ(result, true);
    EXPECT_TRUE(s.dialogs->saveChangesAsked.isEmpty()); // nothing to lose, nothing asked
    EXPECT_TRUE(s.controller.documents().isEmpty());

    QPointer<FakeDocument> doc = s.newDocument();
    doc->edit();

    s.dialogs->saveChangesAnswers.push_back(SaveChangesChoice::Cancel);
    doc->requestClose(recordInto(result));
    EXPECT_EQ(result, false);
    EXPECT_FALSE(doc->isClosed());

    // Save on an untitled document asks where; cancelling that keeps it open.
    s.dialogs->saveChangesAnswers.push_back(SaveChangesChoice::Save);
    doc->requestClose(recordInto(result));
    EXPECT_EQ(result, false);
    EXPECT_EQ(s.dialogs->saveRequests.size(), 1);
    EXPECT_FALSE(doc->isClosed());

    // A failed save keeps it open too.
    doc->failSavesWith = QStringLiteral("No space.");
    s.dialogs->saveChangesAnswers.push_back(SaveChangesChoice::Save);
    s.dialogs->saveAnswers.push_back(SavePanelResult{s.tmp.filePath(QStringLiteral("x.tpkg")), kPackage.identifier});
    doc->requestClose(recordInto(result));
    EXPECT_EQ(result, false);
    EXPECT_FALSE(doc->isClosed());
    EXPECT_EQ(s.dialogs->errors.size(), 1);

    // While the question is on screen a second close does not ask again.
    s.dialogs->saveChangesAsked.clear();
    std::optional<bool> first;
    std::optional<bool> second;
    doc->requestClose(recordInto(first));
    doc->requestClose(recordInto(second));
    EXPECT_EQ(s.dialogs->saveChangesAsked, QStringList{QStringLiteral("Untitled")});
    EXPECT_EQ(second, false);
    ASSERT_TRUE(s.dialogs->pendingSaveChanges);
    int removed = 0;
    int last = 0;
    QObject::connect(&s.controller, &DocumentController::documentRemoved, [&removed] { ++removed; });
    QObject::connect(&s.controller, &DocumentController::lastDocumentClosed, [&last] { ++last; });
    s.dialogs->pendingSaveChanges(SaveChangesChoice::DontSave);
    EXPECT_EQ(first, true);
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(last, 1);
    EXPECT_TRUE(s.controller.documents().isEmpty());
    flushDeletes();
    EXPECT_TRUE(doc.isNull());
}

TEST(DocumentController, OpensEachFileOnceAndReportsFailures)
{
    Documents s;
    const QString path = s.file(QStringLiteral("a.tdoc"));
    QDir().mkpath(s.tmp.filePath(QStringLiteral("sub")));

    Document* opened = s.controller.openDocumentWithPath(path);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->fileType(), kPlain.identifier);
    EXPECT_FALSE(opened->isDocumentEdited());
    EXPECT_EQ(static_cast<FakeDocument*>(opened)->text, QByteArray("saved text"));

    // Another spelling of the same file finds the open document.
    EXPECT_EQ(s.controller.openDocumentWithPath(s.tmp.filePath(QStringLiteral("sub/../a.tdoc"))), opened);
    ASSERT_TRUE(QFile::link(path, s.tmp.filePath(QStringLiteral("link.tdoc"))));
    EXPECT_EQ(s.controller.openDocumentWithPath(s.tmp.filePath(QStringLiteral("link.tdoc"))), opened);
    EXPECT_EQ(s.controller.documents().size(), 1);
    EXPECT_EQ(s.controller.made, 1);

    // A refused file leaves no document and says why.
    EXPECT_EQ(s.controller.openDocumentWithPath(s.file(QStringLiteral("bad.tdoc"), "corrupt")), nullptr);
    EXPECT_EQ(s.controller.openDocumentWithPath(s.file(QStringLiteral("notes.txt"))), nullptr);
    ASSERT_EQ(s.dialogs->errors.size(), 2);
    EXPECT_EQ(s.dialogs->errors[0].first, QStringLiteral("The document “bad.tdoc” could not be opened."));
    EXPECT_EQ(s.dialogs->errors[0].second, QStringLiteral("This file is corrupt."));
    EXPECT_EQ(s.dialogs->errors[1].second, QStringLiteral("Unknown kind of file."));
    EXPECT_EQ(s.controller.documents().size(), 1);
    EXPECT_EQ(s.controller.recentDocumentPaths(), QStringList{path});
}

TEST(DocumentController, ALaunchWithoutADocumentToOpenStartsAnUntitledOne)
{
    Documents s;
    s.controller.openAtLaunch({s.file(QStringLiteral("bad.tdoc"), "corrupt")});
    ASSERT_EQ(s.controller.documents().size(), 1);
    EXPECT_TRUE(s.controller.documents().first()->fileName().isEmpty());
    EXPECT_EQ(s.dialogs->errors.size(), 1);

    Documents t;
    const QString path = t.file(QStringLiteral("a.tdoc"));
    t.controller.openAtLaunch({path});
    ASSERT_EQ(t.controller.documents().size(), 1);
    EXPECT_EQ(t.controller.documents().first()->fileName(), path);
}

TEST(DocumentController, TheOpenDialogOffersTheReadableTypesAndOpensEveryChoice)
{
    Documents s;
    const QString a = s.file(QStringLiteral("a.tdoc"));
    const QString b = s.tmp.filePath(QStringLiteral("b.tpkg"));
    QDir().mkpath(b);
    s.dialogs->openAnswers.push_back({a, b});
    s.controller.openDocument();
    ASSERT_EQ(s.dialogs->openRequests.size(), 1);
    EXPECT_EQ(s.dialogs->openRequests.first().types.size(), 2);
    EXPECT_EQ(s.dialogs->openRequests.first().types[1].package, true);
    ASSERT_EQ(s.controller.documents().size(), 2);
    EXPECT_EQ(s.controller.documents()[1]->fileType(), kPackage.identifier);

    s.controller.openDocument(); // cancelled
    EXPECT_EQ(s.controller.documents().size(), 2);
}

TEST(DocumentController, RecentDocumentsAreKeptMostRecentFirst)
{
    Documents s;
    QStringList paths;
    for (int i = 0; i < 12; ++i)
        paths << s.file(QStringLiteral("%1.tdoc").arg(i));
    for (const QString& path : paths)
        s.controller.noteNewRecentDocument(path);
    s.controller.noteNewRecentDocument(paths[5]); // again: moves to the front, once

    QStringList expected{paths[5], paths[11], paths[10], paths[9], paths[8], paths[7], paths[6], paths[4], paths[3], paths[2]};
    EXPECT_EQ(s.controller.recentDocumentPaths(), expected);

    // Kept in the settings, so the next launch has them; gone files are left out.
    QFile::remove(paths[11]);
    expected.removeAll(paths[11]);
    FakeController next(s.dialogs);
    next.setSettings(std::make_shared<QSettings>(s.tmp.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
    EXPECT_EQ(next.recentDocumentPaths(), expected);

    next.clearRecentDocuments();
    EXPECT_TRUE(next.recentDocumentPaths().isEmpty());
}

TEST(DocumentController, QuittingAsksEachEditedDocumentAndStopsAtCancel)
{
    Documents s;
    FakeDocument* clean = s.newDocument();
    FakeDocument* edited1 = s.newDocument();
    FakeDocument* edited2 = s.newDocument();
    FakeDocument* edited3 = s.newDocument();
    for (FakeDocument* doc : {edited1, edited2, edited3})
        doc->edit();
    Q_UNUSED(clean);

    s.dialogs->saveChangesAnswers = {SaveChangesChoice::DontSave, SaveChangesChoice::Cancel};
    std::optional<bool> result;
    s.controller.closeAllDocuments(recordInto(result));
    EXPECT_EQ(result, false);
    EXPECT_EQ(s.dialogs->saveChangesAsked, (QStringList{QStringLiteral("Untitled 2"), QStringLiteral("Untitled 3")}));
    EXPECT_EQ(s.controller.documents(), (QList<Document*>{edited2, edited3}));

    int last = 0;
    QObject::connect(&s.controller, &DocumentController::lastDocumentClosed, [&last] { ++last; });
    s.dialogs->saveChangesAnswers = {SaveChangesChoice::DontSave, SaveChangesChoice::DontSave};
    s.controller.closeAllDocuments(recordInto(result));
    EXPECT_EQ(result, true);
    EXPECT_TRUE(s.controller.documents().isEmpty());
    EXPECT_EQ(last, 1);
}

TEST(Document, ClosingFinishesPendingWorkAndAsksAboutIt)
{
    // The change lands in a group the event has not closed yet: the close
    // must still see an edited document and ask.
    Documents s;
    QPointer<FakeDocument> doc = s.newDocument();
    doc->hasPendingChange = true;
    EXPECT_FALSE(doc->isDocumentEdited());
    s.dialogs->saveChangesAnswers.push_back(SaveChangesChoice::Cancel);
    std::optional<bool> result;
    doc->requestClose(recordInto(result));
    EXPECT_EQ(result, false);
    EXPECT_EQ(s.dialogs->saveChangesAsked.size(), 1);
    EXPECT_TRUE(doc->isDocumentEdited());
}

// ---- where dialogs start, and the launch's empty window ---------------------------------

// New projects are saved, and projects opened, where projects were last kept;
// the Documents folder of a fresh home before that.
TEST(DocumentController, ProjectDialogsStartWhereProjectsWereLastKept)
{
    Documents s;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", s.tmp.path().toUtf8());
    UserDefaults::standard().useFile(s.tmp.filePath(QStringLiteral("defaults.ini")));
    const QString documents = s.tmp.filePath(QStringLiteral("Documents"));
    const QString trips = s.tmp.filePath(QStringLiteral("trips"));
    const QString others = s.tmp.filePath(QStringLiteral("others"));
    for (const QString& folder : {documents, trips, others})
        QDir().mkpath(folder);
    const QString other = s.file(QStringLiteral("others/b.tdoc"));

    const struct {
        const char* name;
        std::function<void()> action;
        QString startsIn;
    } steps[] = {
        {"Save As, the first time", [&] { s.newDocument()->saveAs({}); }, documents},
        {"Open, before any project", [&] { s.controller.openDocument(); }, documents},
        {"Save As, the project saved", [&] {
             s.dialogs->saveAnswers.push_back(SavePanelResult{trips + QStringLiteral("/Trip"), kPackage.identifier});
             s.newDocument()->saveAs({});
         }, documents},
        {"Save As after it", [&] { s.newDocument()->saveAs({}); }, trips},
        {"Open after it", [&] { s.controller.openDocument(); }, trips},
        {"Open, the project opened", [&] {
             s.dialogs->openAnswers.push_back({other});
             s.controller.openDocument();
         }, trips},
        {"Save As after the open", [&] { s.newDocument()->saveAs({}); }, others},
        {"its folder gone", [&] {
             QDir(others).removeRecursively();
             s.newDocument()->saveAs({});
         }, documents},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        const qsizetype saves = s.dialogs->saveRequests.size();
        const qsizetype opens = s.dialogs->openRequests.size();
        step.action();
        const bool saveAsked = s.dialogs->saveRequests.size() > saves;
        ASSERT_NE(saveAsked, s.dialogs->openRequests.size() > opens);
        const QString asked = saveAsked ? s.dialogs->saveRequests.last().directory
                                        : s.dialogs->openRequests.last().directory;
        EXPECT_EQ(asked, step.startsIn);
    }
    UserDefaults::standard().useStandardStore();
    qputenv("HOME", oldHome);
}

// Opening a project replaces the untitled window a launch opened, but only
// while it is the only one and nobody has changed it.
TEST(DocumentController, AnOpenedFileReplacesTheUntouchedUntitledDocument)
{
    const struct {
        const char* name;
        std::function<void(Documents&)> before;
        bool display;
        QStringList openAfter; // window titles
    } cases[] = {
        {"untouched", [](Documents&) {}, true, {"a.tdoc"}},
        {"edited", [](Documents& s) { static_cast<FakeDocument*>(s.controller.documents().first())->edit(); }, true,
         {"Untitled*", "a.tdoc"}},
        {"edited and undone", [](Documents& s) {
             auto* doc = static_cast<FakeDocument*>(s.controller.documents().first());
             doc->edit();
             doc->undoManager().undo();
         }, true, {"a.tdoc"}},
        {"pictures still coming", [](Documents& s) {
             static_cast<FakeDocument*>(s.controller.documents().first())->hasPendingChange = true;
         }, true, {"Untitled*", "a.tdoc"}},
        {"saved", [](Documents& s) {
             s.dialogs->saveAnswers.push_back(SavePanelResult{s.tmp.filePath(QStringLiteral("kept")), kPackage.identifier});
             s.controller.documents().first()->saveAs({});
         }, true, {"kept.tpkg", "a.tdoc"}},
        {"two untitled", [](Documents& s) { s.newDocument(); }, true, {"Untitled", "Untitled 2", "a.tdoc"}},
        {"not shown", [](Documents&) {}, false, {"Untitled", "a.tdoc"}},
        {"a refused file", [](Documents& s) { s.file(QStringLiteral("a.tdoc"), "corrupt"); }, true, {"Untitled"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Documents s;
        const QString path = s.file(QStringLiteral("a.tdoc"));
        s.controller.openAtLaunch({});
        c.before(s);
        s.controller.openDocumentWithPath(path, c.display);
        flushDeletes();
        QStringList titles;
        for (Document* document : s.controller.documents())
            titles << document->windowTitle();
        EXPECT_EQ(titles, c.openAfter);
    }
}
