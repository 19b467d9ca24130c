#include "editor/FotoloomController.h"
#include "editor/RecordingWindow.h"
#include "editor/PictureDrop.h"
#include "editor/PicturePanel.h"
#include "editor/CanvasDelegate.h"
#include "editor/PictureListModel.h"

#include "widgets/FakeDocumentDialogs.h"

#include "document/CollageDocument.h"
#include "document/window/MyDocumentController.h"
#include "layouts/grid/GridCollage.h"
#include "layouts/pile/RegularPileCollage.h"
#include "model/Position.h"
#include "model/UtilityFunctions.h"
#include "platform/defaults/RememberedFolders.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/undo/UndoManager.h"

#include "TestPictures.h"

#include "GridDocuments.h"
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPixmap>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include <deque>

using namespace qf;
using qf::test::md5;

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

// Answers each panel with the next scripted choice (none: cancelled).
class Panel : public PicturePanel {
public:
    QList<PicturePanelRequest> requests;
    std::deque<QStringList> answers;

    void openPanel(const PicturePanelRequest& request, std::function<void(const QStringList&)> chosen) override
    {
        requests.append(request);
        if (answers.empty())
            return;
        const QStringList answer = answers.front();
        answers.pop_front();
        chosen(answer);
    }
};

// Small pictures keep the many adds here quick.
QByteArray png(QColor color, QSize size = QSize(8, 6))
{
    return test::png(color, size);
}

struct Editor {
    QTemporaryDir tmp;
    std::unique_ptr<CollageDocument> doc = std::make_unique<CollageDocument>();
    test::RecordingWindow window;
    Panel panel;
    FotoloomController* c = nullptr;

    Editor()
    {
        doc->setHostFactory([](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &d.undoManager()); });
        doc->makeWindowControllers();
        c = static_cast<FotoloomController*>(doc->fotoloomController());
        c->setWindow(&window);
        c->intake().setPicturePanel(&panel);
        test::startNewDocumentsAsGrids(*c);
        (void)c->setupInitialCollageWithJsonData(std::nullopt);
    }
    UndoManager& undo() const { return doc->undoManager(); }
    Collage& collage() const { return *c->collage(); }
    QString path(const QString& name) const { return tmp.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const
    {
        const QString file = path(name);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return file;
    }
    // `count` pictures of different colours in the folder "many"; their identities.
    QSet<QString> writeMany(int count, int hueStep, QSize size) const
    {
        QSet<QString> identities;
        for (int i = 0; i < count; ++i) {
            const QByteArray bytes = png(QColor::fromHsv(i * hueStep, 200, 200), size);
            write(QStringLiteral("many/%1.png").arg(i), bytes);
            identities.insert(md5(bytes));
        }
        return identities;
    }
    void endEvent() const
    {
        for (int i = 0; i < 20 && undo().groupingLevel() > 0; ++i)
            QCoreApplication::processEvents();
    }
    // Runs events until the condition holds or five seconds passed.
    template <typename Condition>
    bool waitFor(Condition done) const
    {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    // The grid's pictures as read: from the top row down, each from the left.
    QStringList picturesAsRead() const
    {
        const auto& grid = dynamic_cast<const GridCollage&>(collage());
        QStringList out;
        for (qint64 r = grid.rowCount() - 1; r >= 0; --r)
            for (qint64 c = 0; c < grid.columnCount(); ++c)
                if (const QString id = grid.picturePositions().value(r * grid.columnCount() + c)->picture(); !id.isEmpty())
                    out.append(id);
        return out;
    }
    QStringList slotPictures() const
    {
        QStringList out;
        for (const PositionPtr& pos : collage().picturePositions())
            out.append(pos->picture());
        return out;
    }
};

// A point of the 400 x 300 canvas that lies in the slot, or none.
std::optional<QPointF> pointIn(Collage& collage, qint64 slot)
{
    for (int y = 5; y < 300; y += 10)
        for (int x = 5; x < 400; x += 10)
            if (collage.ptLiesIn(QPointF(x, y), 400, 300) == slot)
                return QPointF(x, y);
    return std::nullopt;
}

const QSizeF kCanvas(400, 300);

} // namespace

// ---- adding ----------------------------------------------------------------------------

TEST(PictureIntake, AFolderAddsTheFilesDirectlyInsideOnceEachAndTheSaveKeepsThem)
{
    QTemporaryDir tmp;
    const QByteArray red = png(Qt::red), blue = png(Qt::blue);
    const auto write = [&tmp](const QString& name, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(tmp.filePath(name)).absolutePath());
        QFile f(tmp.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    };
    write(QStringLiteral("in/a.png"), red);
    write(QStringLiteral("in/a copy.png"), red);
    write(QStringLiteral("in/b.png"), blue);
    write(QStringLiteral("in/notes.txt"), "not a picture");
    write(QStringLiteral("in/empty.png"), {});
    write(QStringLiteral("in/deeper/c.png"), png(Qt::green));

    auto dialogs = std::make_shared<qf::testing::FakeDocumentDialogs>();
    MyDocumentController documents(dialogs);
    documents.setSettings(std::make_shared<QSettings>(tmp.filePath(QStringLiteral("s.ini")), QSettings::IniFormat));
    documents.setHostFactory([](CollageDocument& doc) -> std::unique_ptr<DocumentHost> {
        auto editor = std::make_unique<FotoloomController>(doc, &doc.undoManager());
        test::startNewDocumentsAsGrids(*editor);
        (void)editor->windowDidLoad();
        return editor;
    });
    Document* doc = documents.newDocument();
    auto& editor = *static_cast<FotoloomController*>(static_cast<CollageDocument*>(doc)->fotoloomController());

    editor.intake().addImagesFromDirectoriesOrFiles({tmp.filePath(QStringLiteral("in")), tmp.filePath(QStringLiteral("gone"))});
    QStringList images = editor.collage()->images();
    std::sort(images.begin(), images.end());
    QStringList expected{md5(red), md5(blue)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(images, expected);
    EXPECT_EQ(editor.collage()->md5ToPathsDictionary().value(md5(blue)), tmp.filePath(QStringLiteral("in/b.png")));
    EXPECT_EQ(doc->undoManager().undoActionName(), QStringLiteral("Add Pictures"));

    const QString chosen = tmp.filePath(QStringLiteral("saved"));
    dialogs->saveAnswers.push_back(SavePanelResult{chosen, CollageDocument::projectType()});
    bool saved = false;
    doc->save([&saved](bool ok) { saved = ok; });
    ASSERT_TRUE(saved);
    QSet<QString> stored;
    const QDir imagesDir(chosen + QStringLiteral(".quiltfolioproj/Images"));
    for (const QFileInfo& file : imagesDir.entryInfoList(QDir::Files)) {
        QFile f(file.absoluteFilePath());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        stored.insert(md5(f.readAll()));
    }
    EXPECT_EQ(stored, QSet<QString>({md5(red), md5(blue)}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(PictureIntake, APictureAlreadyThereAddsNothingButIsStillAStep)
{
    Editor e;
    const QByteArray red = png(Qt::red);
    e.c->intake().addImagesFromDirectoriesOrFiles({e.write(QStringLiteral("a.png"), red)});
    e.endEvent();
    e.c->intake().addImagesFromDirectoriesOrFiles({e.write(QStringLiteral("same bytes.png"), red)});
    e.endEvent();
    EXPECT_EQ(e.collage().images(), QStringList{md5(red)});
    EXPECT_EQ(e.undo().undoActionName(), QStringLiteral("Add Pictures"));
    e.undo().undo();
    EXPECT_EQ(e.collage().images(), QStringList{md5(red)});
    e.undo().undo();
    EXPECT_TRUE(e.collage().images().isEmpty());
}

TEST(PictureIntake, RemovingTakesValidIndexesAsOneNamedStep)
{
    Editor e;
    const QByteArray red = png(Qt::red), blue = png(Qt::blue);
    e.c->intake().addImagesFromDirectoriesOrFiles({e.write(QStringLiteral("a.png"), red), e.write(QStringLiteral("b.png"), blue)});
    e.endEvent();
    const QStringList before = e.collage().images();
    e.c->intake().removePictures({});
    e.c->intake().removePictures({7, -1});
    e.endEvent();
    EXPECT_EQ(e.undo().undoActionName(), QStringLiteral("Add Pictures"));
    e.c->intake().removePictures({0});
    e.endEvent();
    EXPECT_EQ(e.collage().images(), QStringList{before[1]});
    EXPECT_EQ(e.undo().undoActionName(), QStringLiteral("Remove Pictures"));
    e.undo().undo();
    EXPECT_EQ(e.collage().images(), before);
}

// ---- drops on the canvas ----------------------------------------------------------------

TEST(PictureIntake, DropsOnASlotReplaceFillOrAddByCount)
{
    Editor e;
    const QString a = e.write(QStringLiteral("a.png"), png(Qt::red));
    const QString b = e.write(QStringLiteral("b.png"), png(Qt::blue));
    const QString c = e.write(QStringLiteral("c.png"), png(Qt::green));
    const QString d = e.write(QStringLiteral("d.png"), png(Qt::yellow));
    const QString idA = md5(png(Qt::red)), idB = md5(png(Qt::blue)), idC = md5(png(Qt::green)),
                  idD = md5(png(Qt::yellow));
    e.c->intake().addImagesFromDirectoriesOrFiles({a});
    e.endEvent();
    const qint64 filled = e.slotPictures().indexOf(idA);
    ASSERT_GE(filled, 0);
    const std::optional<QPointF> onFilled = pointIn(e.collage(), filled);
    ASSERT_TRUE(onFilled);

    // One file on a filled slot takes the slot's place.
    e.c->intake().addImagesAsAResultOfDraggingIntoDrawingView({b}, *onFilled, kCanvas);
    e.endEvent();
    EXPECT_EQ(e.slotPictures()[filled], idB);
    EXPECT_EQ(e.collage().images(), QStringList{idB});
    e.undo().undo();
    EXPECT_EQ(e.slotPictures()[filled], idA);

    // Several files on a filled slot are all added; the slot keeps its picture.
    e.c->intake().addImagesAsAResultOfDraggingIntoDrawingView({b, c, d}, *onFilled, kCanvas);
    e.endEvent();
    EXPECT_EQ(e.slotPictures()[filled], idA);
    EXPECT_EQ(QSet<QString>(e.collage().images().cbegin(), e.collage().images().cend()),
              QSet<QString>({idA, idB, idC, idD}));
    e.undo().undo();
    EXPECT_EQ(e.collage().images(), QStringList{idA});

    // Several files on an empty slot: the first fills it, the others are added.
    const qint64 empty = e.slotPictures().indexOf(QString());
    ASSERT_GE(empty, 0);
    const std::optional<QPointF> onEmpty = pointIn(e.collage(), empty);
    ASSERT_TRUE(onEmpty);
    e.c->intake().addImagesAsAResultOfDraggingIntoDrawingView({c, b, d}, *onEmpty, kCanvas);
    e.endEvent();
    EXPECT_EQ(e.slotPictures()[empty], idC);
    EXPECT_EQ(QSet<QString>(e.collage().images().cbegin(), e.collage().images().cend()),
              QSet<QString>({idA, idB, idC, idD}));
}

TEST(PictureIntake, AFolderDroppedAloneOnAFilledSlotIsAddedNotLost)
{
    Editor e;
    e.c->intake().addImagesFromDirectoriesOrFiles({e.write(QStringLiteral("a.png"), png(Qt::red))});
    e.endEvent();
    e.write(QStringLiteral("folder/b.png"), png(Qt::blue));
    const std::optional<QPointF> onFilled = pointIn(e.collage(), e.slotPictures().indexOf(md5(png(Qt::red))));
    ASSERT_TRUE(onFilled);
    e.c->intake().addImagesAsAResultOfDraggingIntoDrawingView({e.path(QStringLiteral("folder"))}, *onFilled, kCanvas);
    EXPECT_EQ(e.collage().images().size(), 2);
    EXPECT_TRUE(e.collage().images().contains(md5(png(Qt::blue))));
}

TEST(PictureDropTest, FilesPicturesFromApplicationsAndNothing)
{
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.png")), QUrl(QStringLiteral("https://example.invalid/b.jpg")),
                   QUrl::fromLocalFile(QStringLiteral("/tmp/dir"))});
    const PictureDrop fileDrop = PictureDrop::fromMimeData(&files);
    EXPECT_EQ(fileDrop.kind(), PictureDrop::Kind::Files);
    EXPECT_EQ(fileDrop.paths(), QStringList({"/tmp/a.png", "/tmp/dir"}));

    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.invalid/b.jpg"))});
    EXPECT_EQ(PictureDrop::fromMimeData(&web).kind(), PictureDrop::Kind::PictureFromApplication);
    QMimeData image;
    image.setImageData(QImage(4, 4, QImage::Format_RGB32));
    EXPECT_EQ(PictureDrop::fromMimeData(&image).kind(), PictureDrop::Kind::PictureFromApplication);
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    EXPECT_EQ(PictureDrop::fromMimeData(&text).kind(), PictureDrop::Kind::Nothing);
    EXPECT_EQ(PictureDrop::fromMimeData(nullptr).kind(), PictureDrop::Kind::Nothing);
}

TEST(PictureIntake, TheHelpSheetCarriesBothParts)
{
    Editor e;
    e.c->intake().showAddingPicturesHelp();
    ASSERT_EQ(e.window.alerts.size(), 1);
    const AlertText& help = e.window.alerts.first();
    EXPECT_EQ(help.message, QStringLiteral("Add Pictures from either Photos app or iPhoto"));
    EXPECT_TRUE(help.informativeText.startsWith(
        QStringLiteral("Steps to add pictures from Photos app\n\n1. Open Finder and create a new folder.\n2. ")));
    EXPECT_TRUE(help.informativeText.contains(
        QStringLiteral("Quiltfolio.\n\n\nYou can add pictures from iPhoto in two ways:\n\nMethod 1:\n")));
}

// ---- sorting --------------------------------------------------------------------------------

TEST(PictureIntake, SortingAnOlderProjectRefusesWithoutAStep)
{
    Editor e;
    e.c->intake().addImagesFromDirectoriesOrFiles({e.write(QStringLiteral("b.png"), png(Qt::blue)),
                                          e.write(QStringLiteral("a.png"), png(Qt::red))});
    e.endEvent();
    e.collage().md5ToPathsDictionary().clear();
    e.undo().removeAllActions();
    e.c->intake().sortPictures(1);
    e.endEvent();
    EXPECT_FALSE(e.undo().canUndo());
    ASSERT_EQ(e.window.alerts.size(), 1);
    EXPECT_EQ(e.window.alerts[0].message, QStringLiteral("Older Collage Project"));
    EXPECT_EQ(e.window.alerts[0].informativeText,
              QStringLiteral("This collage project was made using an older version of Quiltfolio; it doesn't support "
                             "sorting pictures.\n\nProjects made using your existing and newer versions of Quiltfolio "
                             "support sorting pictures."));
}

TEST(PictureIntake, SortingByNameOrdersTheSlotsAndUndoes)
{
    Editor e;
    e.c->intake().addImagesFromDirectoriesOrFiles({e.write(QStringLiteral("b.png"), png(Qt::blue)),
                                          e.write(QStringLiteral("a.png"), png(Qt::red))});
    e.endEvent();
    const QStringList before = e.slotPictures();
    e.c->intake().sortPictures(1);
    e.endEvent();
    EXPECT_EQ(e.picturesAsRead(), QStringList({md5(png(Qt::red)), md5(png(Qt::blue))}));
    e.c->intake().sortPictures(2);
    e.endEvent();
    EXPECT_EQ(e.picturesAsRead(), QStringList({md5(png(Qt::blue)), md5(png(Qt::red))}));
    EXPECT_TRUE(e.window.alerts.isEmpty());
    e.undo().undo();
    e.undo().undo();
    EXPECT_EQ(e.slotPictures(), before);
}

// ---- panels ---------------------------------------------------------------------------------

// Every panel starts in the Pictures folder of a fresh home (the home when
// there is none), then where pictures last came from, whichever panel and
// window that was, for as long as that folder exists; never in the folder
// the program was started from.
TEST(PictureIntake, PanelsStartWherePicturesLastCameFrom)
{
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    UserDefaults::standard().useFile(home.filePath(QStringLiteral("defaults.ini")));
    const QString pictures = home.filePath(QStringLiteral("Pictures"));
    const QString trip = home.filePath(QStringLiteral("trip/day 1"));

    QDir().mkpath(trip);
    const QString photo = trip + QStringLiteral("/a.png");
    QFile file(photo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(png(Qt::red)) > 0);
    file.close();

    Editor e;
    const auto openEachPanel = [&e] {
        e.panel.requests.clear();
        e.c->selectBackgroundPictureFile();
        e.c->selectPictureFor(0);
        e.c->intake().selectMultiplePictureFiles();
        e.endEvent();
    };
    const struct {
        const char* name;
        std::function<void()> before;
        QString startsIn;
        QString chosenAfter; // by one more panel, once the three were cancelled
    } steps[] = {
        {"no Pictures folder", [] {}, home.path(), {}},
        {"a fresh home, nothing chosen yet", [&] { QDir().mkpath(pictures); }, pictures, photo},
        {"where the last picture came from", [] {}, QFileInfo(trip).absoluteFilePath(), {}},
        {"that folder gone", [&] { QDir(home.filePath(QStringLiteral("trip"))).removeRecursively(); }, pictures, {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.before();
        openEachPanel();
        ASSERT_EQ(e.panel.requests.size(), 3);
        for (const PicturePanelRequest& request : e.panel.requests)
            EXPECT_EQ(request.startDirectory, std::optional<QString>(step.startsIn)) << request.title.toStdString();
        if (!step.chosenAfter.isEmpty()) {
            e.panel.answers = {{step.chosenAfter}};
            e.c->selectPictureFor(1);
            e.endEvent();
        }
    }
    // Another window goes where this one's pictures came from.
    QDir().mkpath(trip);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(png(Qt::blue)) > 0);
    file.close();
    e.panel.answers = {{photo}};
    e.c->selectBackgroundPictureFile();
    e.endEvent();
    Editor other;
    other.c->intake().selectMultiplePictureFiles();
    EXPECT_EQ(other.panel.requests.value(0).startDirectory, std::optional<QString>(QFileInfo(trip).absoluteFilePath()));

    UserDefaults::standard().useStandardStore();
    qputenv("HOME", oldHome);
    openEachPanel();
    EXPECT_EQ(e.panel.requests[0].title, QStringLiteral("Select Photo"));
    EXPECT_FALSE(e.panel.requests[1].allowsMultipleSelection || e.panel.requests[1].canChooseDirectories);
    EXPECT_EQ(e.panel.requests[2].title, QStringLiteral("Select Photos"));
    EXPECT_TRUE(e.panel.requests[2].allowsMultipleSelection && e.panel.requests[2].canChooseDirectories);
    for (const char* type : {"jpg", "jpeg", "png", "tif", "tiff", "gif", "bmp"})
        EXPECT_TRUE(e.panel.requests[2].allowedSuffixes.contains(QLatin1String(type))) << type;
}

TEST(PictureIntake, PanelsFillASlotAndSetTheBackground)
{
    Editor e;
    const QString red = e.write(QStringLiteral("a.png"), png(Qt::red));
    e.panel.answers = {{red}};
    e.c->selectPictureFor(2);
    e.endEvent();
    EXPECT_EQ(e.slotPictures()[2], md5(png(Qt::red)));

    const QString yellow = e.write(QStringLiteral("bg.png"), png(Qt::yellow));
    e.panel.answers = {{yellow}};
    e.c->selectBackgroundPictureFile();
    e.endEvent();
    EXPECT_EQ(e.collage().backgroundImagePath(), md5(png(Qt::yellow)));
    EXPECT_TRUE(e.collage().backgroundIsImage());
    EXPECT_FALSE(e.window.backgrounds.last().isNull());
    EXPECT_EQ(e.undo().undoActionName(), QStringLiteral("Set Background Picture"));

    // A file that is no picture keeps the background there is, and records nothing.
    e.panel.answers = {{e.write(QStringLiteral("notes.png"), "text")}};
    e.c->selectBackgroundPictureFile();
    e.endEvent();
    EXPECT_EQ(e.collage().backgroundImagePath(), md5(png(Qt::yellow)));
    e.undo().undo();
    EXPECT_FALSE(e.collage().backgroundIsImage());

    // Cancelled panels do nothing.
    e.c->selectPictureFor(3);
    EXPECT_TRUE(e.slotPictures()[3].isEmpty());
}

// ---- the picture list ------------------------------------------------------------------------

TEST(PictureIntake, TheListShowsThePicturesOfTheCollage)
{
    Editor e;
    PictureListModel list(*e.c, QSize(48, 36));
    e.c->intake().addImagesFromDirectoriesOrFiles({e.write(QStringLiteral("a.png"), png(Qt::red, QSize(80, 60))),
                                          e.write(QStringLiteral("b.png"), png(Qt::blue))});
    list.reload();
    ASSERT_EQ(list.rowCount(), 2);
    const QModelIndex first = list.index(0);
    EXPECT_EQ(list.data(first, PictureListModel::IdentityRole).toString(), e.collage().images()[0]);
    const QPixmap thumbnail = list.data(first, Qt::DecorationRole).value<QPixmap>();
    EXPECT_EQ(thumbnail.size(), QSize(48, 36));
    EXPECT_EQ(list.data(first, Qt::ToolTipRole).toString(),
              QFileInfo(e.collage().md5ToPathsDictionary().value(e.collage().images()[0])).fileName());
    EXPECT_FALSE(list.flags(first).testFlag(Qt::ItemIsDragEnabled));
    e.endEvent();
    e.c->intake().removePictures({0});
    list.reload();
    EXPECT_EQ(list.rowCount(), 1);

    // Undone, the picture comes back with its thumbnail.
    e.endEvent();
    e.undo().undo();
    list.reload();
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_FALSE(list.data(list.index(0), Qt::DecorationRole).value<QPixmap>().isNull());
}

// ---- canvas keys ------------------------------------------------------------------------------

TEST(PictureIntake, ArrowKeysNudgeOnlyWhereTheTypeDoesAndUndoTheOpposite)
{
    Editor e;
    CanvasDelegate canvas(*e.c);
    canvas.moveUp();
    canvas.moveLeft();
    e.endEvent();
    EXPECT_FALSE(e.undo().canUndo());

    // A pile nudges its selected picture; the opposite nudge is the undo.
    auto pile = std::make_shared<RegularPileCollage>();
    pile->setMyWindowController(e.c);
    pile->picturePositions().append(std::make_shared<PilePosition>(QStringLiteral("a"), QPointF(0.5, 0.5), 0, 0.3));
    pile->setImages({QStringLiteral("a")});
    pile->setSelectedImagePosition(0);
    e.c->setCurrentCollage(pile);
    e.undo().removeAllActions();
    const auto y = [&] {
        return std::lround(dynamic_cast<PilePosition&>(*e.collage().picturePositions()[0]).center().y() * 1000);
    };
    canvas.moveUp();
    e.endEvent();
    canvas.moveUp();
    e.endEvent();
    EXPECT_EQ(y(), 504);
    e.undo().undo();
    EXPECT_EQ(y(), 502);
    e.undo().redo();
    EXPECT_EQ(y(), 504);
    e.undo().undo();
    e.undo().undo();
    EXPECT_EQ(y(), 500);
    EXPECT_FALSE(e.undo().canUndo());
}

// ---- adding on worker threads -----------------------------------------------------------------

TEST(PictureIntake, ABackgroundAddIsOneStepThatUndoesWhole)
{
    Editor e;
    e.c->intake().setAddsPicturesInBackground(true);
    const QSet<QString> expected = e.writeMany(12, 30, QSize(64, 48));
    int added = 0;
    QObject::connect(e.c, &FotoloomController::picturesAdded, [&added] { ++added; });
    e.c->intake().addImagesFromDirectoriesOrFiles({e.path(QStringLiteral("many"))});
    EXPECT_TRUE(e.c->intake().isAddingPictures());
    ASSERT_TRUE(e.waitFor([&] { return added == 1; }));
    e.endEvent();

    EXPECT_FALSE(e.c->intake().isAddingPictures());
    EXPECT_EQ(QSet<QString>(e.collage().images().cbegin(), e.collage().images().cend()), expected);
    ASSERT_FALSE(e.window.addingProgress.isEmpty());
    EXPECT_EQ(e.window.addingProgress.last(), std::make_pair(qsizetype(0), qsizetype(0)));
    EXPECT_TRUE(e.window.addingProgress.contains(std::make_pair(qsizetype(12), qsizetype(12))));
    EXPECT_EQ(e.undo().undoActionName(), QStringLiteral("Add Pictures"));
    e.undo().undo();
    EXPECT_TRUE(e.collage().images().isEmpty());
    EXPECT_FALSE(e.undo().canUndo());
}

TEST(PictureIntake, APickAndABackgroundPictureAreReadOffTheMainThreadEachOneStep)
{
    Editor e;
    e.c->intake().setAddsPicturesInBackground(true);
    const QByteArray red = png(Qt::red), blue = png(Qt::blue);
    e.c->intake().pickPicture(e.write(QStringLiteral("red.png"), red), 1);
    e.c->intake().setBackgroundPictureFile(e.write(QStringLiteral("blue.png"), blue));
    // Nothing read yet: the files decode on worker threads.
    EXPECT_TRUE(e.c->intake().isAddingPictures());
    EXPECT_TRUE(e.collage().images().isEmpty());
    EXPECT_FALSE(e.collage().backgroundIsImage());
    ASSERT_TRUE(e.waitFor([&] { return !e.c->intake().isAddingPictures(); }));
    EXPECT_EQ(e.slotPictures()[1], md5(red));
    EXPECT_EQ(e.collage().images(), QStringList{md5(red)});
    EXPECT_EQ(e.collage().backgroundImagePath(), md5(blue));
    e.endEvent();
    e.undo().undo();
    EXPECT_EQ(e.collage().images(), QStringList{md5(red)}) << "the background was a step of its own";
    EXPECT_FALSE(e.collage().backgroundIsImage());
}

TEST(PictureIntake, PicturesAddedBeyondTheMemoryBudgetGetSmallerImagesEverywhere)
{
    Editor e;
    // Three 64 x 48 pictures take 36 864 bytes; the budget holds about two.
    e.c->intake().setDrawingImageBudget(26'000);
    QStringList files;
    for (int i = 0; i < 3; ++i)
        files << e.write(QStringLiteral("p%1.png").arg(i), png(QColor::fromHsv(i * 90, 200, 200), QSize(64, 48)));
    e.c->intake().addImagesFromDirectoriesOrFiles(files);
    ASSERT_EQ(e.collage().images().size(), 3);
    qint64 total = 0;
    for (const QString& md5 : e.collage().images()) {
        const QImage stored = e.doc->getDrawingSizeImage(md5);
        total += stored.sizeInBytes();
        // The collage's cache holds the store's image, not the old large one.
        EXPECT_EQ(e.collage().nsImages().value(md5).size(), stored.size());
    }
    EXPECT_LE(total, 26'000);
}

TEST(PictureIntake, ABackgroundAddWaitsForAnOpenDragAndStaysItsOwnStep)
{
    Editor e;
    e.c->intake().setAddsPicturesInBackground(true);
    int added = 0;
    QObject::connect(e.c, &FotoloomController::picturesAdded, [&added] { ++added; });
    e.undo().setGroupsByEvent(false);
    e.undo().beginUndoGrouping();
    e.c->makeDocumentDirty();
    e.c->intake().addImagesFromDirectoriesOrFiles({e.write(QStringLiteral("a.png"), png(Qt::red))});
    // Long enough for the files to be read; the drag is still open.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(added, 0);
    e.undo().endUndoGrouping();
    e.undo().setGroupsByEvent(true);
    ASSERT_TRUE(e.waitFor([&] { return added == 1; }));
    e.endEvent();
    EXPECT_EQ(e.collage().images().size(), 1);
    e.undo().undo();
    EXPECT_TRUE(e.collage().images().isEmpty());
    EXPECT_TRUE(e.undo().canUndo()); // the drag's own step
}

TEST(PictureIntake, ClosingWhileAnAddRunsDropsItQuietly)
{
    auto e = std::make_unique<Editor>();
    e->c->intake().setAddsPicturesInBackground(true);
    for (int i = 0; i < 30; ++i)
        e->write(QStringLiteral("many/%1.png").arg(i), png(QColor::fromHsv(i * 10, 200, 200), QSize(400, 300)));
    e->c->intake().addImagesFromDirectoriesOrFiles({e->path(QStringLiteral("many"))});
    e->c->intake().addImagesFromDirectoriesOrFiles({e->path(QStringLiteral("many"))});
    e->doc.reset();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    SUCCEED();
}

TEST(PictureIntake, AddsUnderWayLandBeforeACloseSaveOrUndo)
{
    Editor e;
    e.c->intake().setAddsPicturesInBackground(true);
    QSet<QString> expected = e.writeMany(20, 15, QSize(320, 240));
    const QString single = e.write(QStringLiteral("one.png"), png(Qt::black));
    e.c->intake().addImagesFromDirectoriesOrFiles({e.path(QStringLiteral("many"))});
    e.c->intake().addImagesFromDirectoriesOrFiles({single});
    ASSERT_TRUE(e.c->intake().isAddingPictures());

    // The close check sees the pictures, so it asks before they could be lost.
    e.doc->finishPendingChanges();
    EXPECT_FALSE(e.c->intake().isAddingPictures());
    expected.insert(md5(png(Qt::black)));
    EXPECT_EQ(QSet<QString>(e.collage().images().cbegin(), e.collage().images().cend()), expected);
    EXPECT_TRUE(e.doc->isDocumentEdited());
    for (const QString& id : expected)
        EXPECT_FALSE(e.doc->getDrawingSizeImage(id).isNull());
    e.endEvent();

    // An undo pressed while an add runs takes that add back, not the one before.
    const QString late = e.write(QStringLiteral("late.png"), png(Qt::white));
    e.c->intake().addImagesFromDirectoriesOrFiles({late});
    e.c->intake().finishAddingPictures();
    e.endEvent();
    EXPECT_TRUE(e.collage().images().contains(md5(png(Qt::white))));
    e.undo().undo();
    EXPECT_FALSE(e.collage().images().contains(md5(png(Qt::white))));
    EXPECT_EQ(e.collage().images().size(), expected.size());
}

TEST(PictureIntake, ABackgroundDropOnAnEmptySlotIsOneStep)
{
    Editor e;
    e.c->intake().setAddsPicturesInBackground(true);
    const QString a = e.write(QStringLiteral("a.png"), png(Qt::red));
    const QString b = e.write(QStringLiteral("b.png"), png(Qt::blue));
    const QString c = e.write(QStringLiteral("c.png"), png(Qt::green));
    const qint64 empty = e.slotPictures().indexOf(QString());
    ASSERT_GE(empty, 0);
    const std::optional<QPointF> onEmpty = pointIn(e.collage(), empty);
    ASSERT_TRUE(onEmpty);
    int added = 0;
    QObject::connect(e.c, &FotoloomController::picturesAdded, [&added] { ++added; });

    e.c->intake().addImagesAsAResultOfDraggingIntoDrawingView({a, b, c}, *onEmpty, kCanvas);
    // Nothing changes until the files are read; then slot and list together.
    EXPECT_TRUE(e.collage().images().isEmpty());
    ASSERT_TRUE(e.waitFor([&] { return added == 1; }));
    e.endEvent();
    EXPECT_EQ(e.slotPictures()[empty], md5(png(Qt::red)));
    EXPECT_EQ(e.collage().images().size(), 3);
    e.undo().undo();
    EXPECT_TRUE(e.collage().images().isEmpty());
    EXPECT_FALSE(e.undo().canUndo());
}
