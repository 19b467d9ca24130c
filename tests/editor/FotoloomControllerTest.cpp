#include "editor/FotoloomController.h"
#include "editor/CollageLoader.h"
#include "layouts/CollageTypes.h"
#include "layouts/mosaic/CenterCollage.h"
#include "layouts/pile/RegularPileCollage.h"

#include "document/CollageDocument.h"
#include "document/WorkWithFileFormat.h"
#include "model/FakeCollage.h"
#include "model/UtilityFunctions.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/undo/UndoManager.h"
#include "platform/vision/FaceDetector.h"

#include "TestPictures.h"
#include "editor/EditorOnDocument.h"

#include "GridDocuments.h"
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <limits>

#include <sys/resource.h>

using namespace qf;
using qf::test::md5;
using qf::test::png;

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

class NoFaces : public FaceDetector {
public:
    QList<QRectF> detectFaces(const QImage&) override { return {}; }
};

// A second collage type for type changes, until the real ones exist.
class FakeMosaic : public test::FakeCollage {
public:
    FakeMosaic() { setCollageType(QStringLiteral("mosaic")); }
};

class Recorder : public KVObserver {
public:
    QStringList keys;
    void observeValueForKeyPath(const QString& key, KVObject*, const KVChange& change, const KVContext*) override
    {
        if (!change.isPrior)
            keys.append(key);
    }
};

// One document with its history, its editor and a recording window.
struct Editor : test::EditorOnDocument {
    Editor()
    {
        openEditor();
        c->setCollageMaker(QStringLiteral("mosaic"), [] { return std::make_shared<FakeMosaic>(); });
        test::startNewDocumentsAsGrids(*c);
    }
};

QByteArray envelope(const QJsonObject& collage, int version = WorkWithFileFormat::currentVersion())
{
    QByteArray bytes = WorkWithFileFormat::getFileDataForActualJsonData(QJsonDocument(collage).toJson());
    bytes[8] = char(version);
    bytes.replace(170, 16, QCryptographicHash::hash(bytes.left(170), QCryptographicHash::Md5));
    return bytes;
}

QByteArray wrapped(const QByteArray& payload)
{
    return WorkWithFileFormat::getFileDataForActualJsonData(payload);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class FotoloomControllerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    NoFaces noFaces;
    ScopedFaceDetector faces{noFaces};
    Editor e;

    void SetUp() override { UserDefaults::standard().useFile(dir.filePath(QStringLiteral("defaults.ini"))); }
    void TearDown() override { UserDefaults::standard().useStandardStore(); }

    QString path(const QString& name) const { return dir.filePath(name); }
    // Writes the pictures, imports them through the editor and places them.
    QStringList addPictures(const QList<QColor>& colors)
    {
        QStringList ids;
        QHash<QString, QImage> images;
        for (const QColor& color : colors) {
            const QString file = path(color.name() + QStringLiteral(".png"));
            writeFile(file, png(color));
            ids.append(e.c->importPicture(file).value_or(QString()));
            images.insert(ids.last(), e.c->drawingSizeImage(ids.last()));
        }
        e.collage().addPictures(ids, images, {}, {});
        return ids;
    }
    // A project package of the collage and the pictures.
    QString package(const QJsonObject& collage, const QList<QByteArray>& pictures)
    {
        const QString root = path(QStringLiteral("p%1.quiltfolioproj").arg(++m_packages));
        writeFile(root + QStringLiteral("/collage.design"), envelope(collage));
        for (qsizetype i = 0; i < pictures.size(); ++i)
            writeFile(root + QStringLiteral("/Images/%1.png").arg(i), pictures[i]);
        return root;
    }

private:
    int m_packages = 0;
};

TEST_F(FotoloomControllerTest, NewDocumentSavesAndLoadsAgainThroughItsEnvelope)
{
    ASSERT_TRUE(e.c->windowDidLoad().ok());
    EXPECT_EQ(e.collage().collageType(), QStringLiteral("grid"));
    EXPECT_EQ(QList<qint64>({e.collage().width(), e.collage().height(), e.collage().resolution()}),
              QList<qint64>({7200, 5400, 300}));
    EXPECT_FALSE(e.c->isDocumentEdited());

    const QStringList ids = addPictures({Qt::red, Qt::blue});
    EXPECT_EQ(ids, QStringList({md5(png(Qt::red)), md5(png(Qt::blue))}));
    e.collage().setSpacing(0.12);
    e.endEvent();
    EXPECT_TRUE(e.c->isDocumentEdited());
    const QString saved = path(QStringLiteral("saved.quiltfolioproj"));
    ASSERT_TRUE(e.doc.saveToPathShowingErrors(saved, CollageDocument::projectType(), CollageDocument::SaveOperation::SaveAs));
    EXPECT_FALSE(e.c->isDocumentEdited());

    Editor opened;
    ASSERT_TRUE(opened.doc.readFromPath(saved).ok());
    EXPECT_TRUE(opened.c->windowDidLoad().ok());
    EXPECT_EQ(opened.collage().dictionaryRepresentationActual(true), e.collage().dictionaryRepresentationActual(true));
    EXPECT_EQ(opened.collage().nsImages().size(), 2);
    EXPECT_TRUE(opened.window.couldNotOpen.isEmpty() && opened.window.missing.isEmpty());
    EXPECT_GE(opened.window.reloads, 1);
    EXPECT_FALSE(opened.c->isDocumentEdited());
    EXPECT_EQ(opened.c->allPicturesInUse(), ids);

    // The opened collage exports as a picture of its full size.
    const auto jpeg = opened.c->saveDataOfType(CollageDocument::jpegType(), 0.96, 5);
    EXPECT_TRUE(jpeg.status.ok());
    QBuffer exported(const_cast<QByteArray*>(&jpeg.bytes));
    EXPECT_EQ(QImageReader(&exported, "jpeg").size(), QSize(7200, 5400));
}

TEST_F(FotoloomControllerTest, OnlyTheFirstEditorOfAFreshInstallationClearsRecentDocuments)
{
    int clears = 0;
    CollageDocument first, second;
    FotoloomController a(first, nullptr, [&clears] { ++clears; });
    EXPECT_EQ(clears, 1);
    FotoloomController b(second, nullptr, [&clears] { ++clears; });
    EXPECT_EQ(clears, 1);
    EXPECT_EQ(UserDefaults::standard().value(UtilityFunctions::firstTimeSetupKey()), QVariant(true));
}

TEST_F(FotoloomControllerTest, SizeAndResolutionLimitsIncludeTheirBounds)
{
    struct Case {
        double w, h, res;
        bool opens;
    };
    for (const Case& k : {Case{64, 64, 36, true}, Case{12000, 12000, 1200, true}, Case{63, 5400, 300, false},
                          Case{7200, 12001, 300, false}, Case{7200, 5400, 35, false}, Case{7200, 5400, 1201, false},
                          Case{1e30, 5400, 300, false}}) {
        SCOPED_TRACE(QStringLiteral("%1 x %2 at %3").arg(k.w).arg(k.h).arg(k.res).toStdString());
        Editor ed;
        const auto placeholder = ed.c->collage();
        const Status status = ed.c->setupInitialCollageWithJsonData(
            envelope({{"cs", "grid"}, {"w", k.w}, {"h", k.h}, {"resk", k.res}}));
        EXPECT_EQ(status.ok(), k.opens);
        EXPECT_EQ(ed.window.couldNotOpen.size(), k.opens ? 0 : 1);
        EXPECT_EQ(ed.c->collage() == placeholder, !k.opens);
        EXPECT_EQ(ed.collage().resolution(), k.opens ? qint64(k.res) : 300);
    }
    // An opened size the lists lack is kept among the user's sizes.
    const auto sizes = QFCollageSize::userDefinedSizes();
    EXPECT_TRUE(std::any_of(sizes.begin(), sizes.end(), [](const QFCollageSize& s) {
        return s.pixelWidth() == 64 && s.pixelHeight() == 64 && s.resolution() == 36;
    }));
}

TEST_F(FotoloomControllerTest, RefusedFilesShowOneSheetChangeNothingAndClose)
{
    writeFile(path("old.png"), png(Qt::green));
    QByteArray truncated = envelope({{"cs", "grid"}});
    truncated.chop(3);
    const QList<std::pair<const char*, QByteArray>> cases{
        {"unknown type", envelope({{"cs", "zzz"}})},
        {"type not built", envelope({{"cs", "pile"}})},
        {"no type", envelope({{"w", 800}})},
        {"array", wrapped("[1,2]")},
        {"not JSON", wrapped("{\"cs\":")},
        {"too deep", wrapped(QByteArray(600, '[') + QByteArray(600, ']'))},
        {"truncated envelope", truncated},
        {"newer version", envelope({{"cs", "grid"}}, 8)},
        // Refused before its pictures move into the store or count as missing.
        {"old project too wide",
         envelope({{"cs", "grid"}, {"w", 12001}, {"is", QJsonArray{path("old.png"), path("gone.png")}}}, 6)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        Editor ed;
        const auto placeholder = ed.c->collage();
        EXPECT_FALSE(ed.c->setupInitialCollageWithJsonData(bytes).ok());
        ASSERT_EQ(ed.window.couldNotOpen.size(), 1);
        const AlertText& alert = ed.window.couldNotOpen[0];
        EXPECT_EQ(QStringList({alert.message, alert.informativeText, alert.button}),
                  QStringList({"File couldn't be opened", "This file is corrupt and can't be opened.", "OK"}));
        EXPECT_TRUE(ed.window.missing.isEmpty() && ed.doc.imageWrapperContainers().isEmpty());
        EXPECT_EQ(ed.c->collage(), placeholder);
        EXPECT_FALSE(ed.undo.canUndo());
        EXPECT_FALSE(ed.doc.isClosed());
        ed.window.sheetEnded[0]();
        EXPECT_TRUE(ed.doc.isClosed());
    }
}

TEST_F(FotoloomControllerTest, OldProjectMovesItsPicturesIntoTheStore)
{
    const QByteArray a = png(Qt::red), b = png(Qt::blue), bg = png(Qt::yellow);
    const QString pa = path("a.png"), pa2 = path("a copy.png"), pb = path("b.png"), gone = path("gone.png");
    for (const auto& [file, bytes] : {std::pair{pa, a}, {pa2, a}, {pb, b}, {path("bg.png"), bg}})
        writeFile(file, bytes);
    QJsonArray cells;
    for (const QString& p : {pa, pb, gone, pa2})
        cells.append(QJsonObject{{"pppath", p}});
    const QJsonObject old{{"cs", "grid"}, {"grc", 2}, {"gcc", 2}, {"gadup", false}, {"pp", cells},
                          {"is", QJsonArray{pa, pb, gone, pa2}}, {"ibi", true}, {"bip", path("bg.png")}};
    writeFile(path("old.quiltfolio"), envelope(old, 6));
    ASSERT_TRUE(e.doc.readFromPath(path("old.quiltfolio")).ok());

    EXPECT_TRUE(e.c->windowDidLoad().ok());
    EXPECT_EQ(e.doc.imageWrapperContainers().size(), 3);
    EXPECT_EQ(e.collage().images(), QStringList({md5(a), md5(b)})); // equal files are one picture
    QStringList shown;
    for (const PositionPtr& p : e.collage().picturePositions())
        shown.append(p->picture());
    EXPECT_EQ(shown, QStringList({md5(a), md5(b), QString(), md5(a)}));
    EXPECT_EQ(e.collage().backgroundImagePath(), md5(bg));
    ASSERT_FALSE(e.window.backgrounds.isEmpty());
    EXPECT_FALSE(e.window.backgrounds.last().isNull());
    EXPECT_EQ(e.window.missing.size(), 1); // gone.png
}

TEST_F(FotoloomControllerTest, MissingPicturesAreDroppedWithOneSheet)
{
    const QByteArray red = png(Qt::red), blue = png(Qt::blue), green = png(Qt::green);
    // A slot picture and the background missing; then the background alone.
    for (const QJsonArray& images : {QJsonArray{md5(red), md5(blue)}, QJsonArray{md5(red)}}) {
        Editor ed;
        const QJsonObject collage{{"cs", "grid"}, {"is", images}, {"bip", md5(green)}, {"ibi", true}};
        ASSERT_TRUE(ed.doc.readFromPath(package(collage, {red})).ok());
        EXPECT_TRUE(ed.c->windowDidLoad().ok());
        EXPECT_EQ(ed.collage().images(), QStringList{md5(red)});
        EXPECT_FALSE(ed.collage().backgroundIsImage());
        EXPECT_TRUE(ed.collage().backgroundImagePath().isEmpty());
        ASSERT_EQ(ed.window.missing.size(), 1);
        EXPECT_EQ(ed.window.missing[0].informativeText,
                  QStringLiteral("Some pictures used in this collage have either been moved to a different location "
                                 "or removed from this computer. These pictures will not appear in this collage."));
        EXPECT_FALSE(ed.c->isDocumentEdited());
    }
}

TEST_F(FotoloomControllerTest, DamagedPicturesInThePackageAreCalledDamaged)
{
    const QByteArray red = png(Qt::red), blue = png(Qt::blue), green = png(Qt::green);
    const QByteArray cutBlue = blue.left(blue.size() / 2), noPicture = "not a picture";
    const QString damaged = QStringLiteral(
        "Some pictures in this project are damaged and can't be shown. These pictures will not appear in this "
        "collage.");
    const QString moved = CollageLoader::missingPicturesAlert().informativeText;
    struct Row {
        const char* name;
        QJsonArray images;
        QString background;
        QList<QByteArray> files;
        QString expected;
    };
    const Row rows[] = {
        {"a file cut short", {md5(red), md5(blue)}, {}, {red, cutBlue}, damaged},
        {"the same bytes, no picture", {md5(red), md5(noPicture)}, {}, {red, noPicture}, damaged},
        {"a damaged background", {md5(red)}, md5(green), {red, green.left(40)}, damaged},
        {"really missing", {md5(red), md5(blue)}, {}, {red}, moved},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Editor ed;
        QJsonObject collage{{"cs", "grid"}, {"is", row.images}};
        if (!row.background.isEmpty())
            collage.insert("bip", row.background), collage.insert("ibi", true);
        ASSERT_TRUE(ed.doc.readFromPath(package(collage, row.files)).ok());
        EXPECT_TRUE(ed.c->windowDidLoad().ok());
        EXPECT_EQ(ed.collage().images(), QStringList{md5(red)});
        ASSERT_EQ(ed.window.missing.size(), 1);
        EXPECT_EQ(ed.window.missing[0].informativeText, row.expected);
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(QF_UNDER_SANITIZERS)
// A picture memory did not allow to decode (an address-space limit, in a
// child process) stays in the collage with a stand-in, is saved with the
// project, and the window says why it is not shown, not that it is damaged.
TEST_F(FotoloomControllerTest, APictureMemoryDidNotAllowStaysAndIsSaved)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QImage large(6000, 6000, QImage::Format_RGB32); // 144 MB decoded
    large.fill(Qt::darkCyan);
    QByteArray big;
    QBuffer buffer(&big);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && large.save(&buffer, "PNG"));
    const QByteArray red = png(Qt::red);
    const QString project = package({{"cs", "grid"}, {"is", QJsonArray{md5(red), md5(big)}}}, {red, big});
    const QString copy = path(QStringLiteral("copy.quiltfolioproj"));
    EXPECT_EXIT(
        {
            Editor ed;
            if (!ed.doc.readFromPath(project).ok())
                std::_Exit(2);
            rlimit limit{};
            getrlimit(RLIMIT_AS, &limit);
            const rlimit unlimited = limit;
            QFile statm(QStringLiteral("/proc/self/statm"));
            if (!statm.open(QIODevice::ReadOnly))
                std::_Exit(3);
            limit.rlim_cur = rlim_t(statm.readAll().split(' ').first().toLongLong() * 4096 + (24 << 20));
            if (setrlimit(RLIMIT_AS, &limit) != 0 || !ed.c->windowDidLoad().ok())
                std::_Exit(4);
            setrlimit(RLIMIT_AS, &unlimited);
            const bool kept = ed.collage().images() == QStringList({md5(red), md5(big)});
            const bool told = ed.window.missing.size() == 1
                           && ed.window.missing[0].informativeText == CollageLoader::notEnoughMemoryAlert().informativeText;
            const bool saved = ed.doc.saveToPathShowingErrors(copy, CollageDocument::projectType(),
                                                              CollageDocument::SaveOperation::SaveAs)
                            && QDir(copy + QStringLiteral("/Images")).entryList(QDir::Files).size() == 2;
            std::_Exit(kept && told && saved ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
#endif

TEST_F(FotoloomControllerTest, PicturesAProjectHidesArePutBackWithOneMessage)
{
    const QList<QByteArray> files{png(Qt::red), png(Qt::green), png(Qt::blue), png(Qt::yellow)};
    QStringList ids;
    for (const QByteArray& file : files)
        ids.append(md5(file));
    const auto first = [&ids](int n) { return QJsonArray::fromStringList(ids.mid(0, n)); };
    const auto point = [](double x, double y) { return QJsonObject{{"pox", x}, {"poy", y}}; };
    const auto pileSlot = [&](int i, const QJsonValue& centre, const QJsonValue& scale) {
        return QJsonObject{{"pppath", ids[i]}, {"pipc", centre}, {"pips", scale}};
    };
    const auto zigCell = [&](int i, const QJsonArray& vertices) {
        return QJsonObject{{"pppath", ids[i]}, {"pvs", vertices}};
    };
    const auto mosaicSlot = [&](int i) {
        const QJsonObject quarter{{"rox", 0}, {"roy", 0}, {"rwi", 0.5}, {"rhe", 0.5}};
        return QJsonObject{{"pppath", ids[i]}, {"mopr", quarter}};
    };
    const QJsonArray square{point(0, 0), point(1, 0), point(1, 1), point(0, 1)};
    const QJsonArray line{point(0, 0), point(0.5, 0.5), point(1, 1)};
    const struct Row {
        const char* name;
        QJsonObject collage;
        qsizetype files;
        QString message; // none for no message
    } rows[] = {
        {"a sound pile",
         {{"cs", "pile"}, {"is", first(2)},
          {"pp", QJsonArray{pileSlot(0, point(0.3, 0.4), 0.3), pileSlot(1, point(1.1, 0.5), 0.3)}}},
         2, {}},
        {"a pile far off and of a scale that is no number",
         {{"cs", "pile"}, {"is", first(2)},
          {"pp", QJsonArray{pileSlot(0, point(1e308, -1e308), 0.3), pileSlot(1, point(0.5, 0.5), "big")}}},
         2, "2 pictures were out of place in this project and have been put back on the canvas."},
        {"a hidden picture that is missing as well",
         {{"cs", "pile"}, {"is", first(2)},
          {"pp", QJsonArray{pileSlot(0, point(0.5, 0.5), 0.3), pileSlot(1, point(1e308, 0.5), 0.3)}}},
         1, {}},
        {"a zig mosaic with a cell in a line",
         {{"cs", "zigmosaic"}, {"is", first(2)}, {"pp", QJsonArray{zigCell(0, square), zigCell(1, line)}}}, 2,
         "One picture was out of place in this project and has been put back on the canvas."},
        {"a mosaic on one spot",
         {{"cs", "mosaic"}, {"is", first(4)},
          {"pp", QJsonArray{mosaicSlot(0), mosaicSlot(1), mosaicSlot(2), mosaicSlot(3)}}},
         4, "3 pictures were out of place in this project and have been put back on the canvas."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::EditorOnDocument ed;
        ed.openEditor();
        ASSERT_TRUE(ed.doc.readFromPath(package(row.collage, files.mid(0, row.files))).ok());
        ASSERT_TRUE(ed.c->windowDidLoad().ok());
        EXPECT_EQ(ed.collage().collageType(), row.collage["cs"].toString());
        EXPECT_EQ(ed.collage().images().size(), row.files);
        EXPECT_EQ(ed.window.missing.size(), row.files < row.collage["is"].toArray().size() ? 1 : 0);
        if (row.message.isEmpty()) {
            EXPECT_TRUE(ed.window.alerts.isEmpty());
            continue;
        }
        ed.c->picturesPutBack(5); // said once a document
        ASSERT_EQ(ed.window.alerts.size(), 1);
        const AlertText& alert = ed.window.alerts[0];
        EXPECT_EQ(QStringList({alert.message, alert.informativeText, alert.button}),
                  QStringList({"Some pictures were moved", row.message, "OK"}));
        EXPECT_FALSE(ed.c->isDocumentEdited());
    }

    // A number JSON cannot hold damages the whole file.
    test::EditorOnDocument ed;
    ed.openEditor();
    EXPECT_FALSE(ed.c->setupInitialCollageWithJsonData(wrapped(R"({"cs":"pile","pp":[{"pips":1e400}]})")).ok());
    EXPECT_EQ(ed.window.couldNotOpen.size(), 1);
}

TEST_F(FotoloomControllerTest, BoundChangesInOneEventAreOneUndoStep)
{
    ASSERT_TRUE(e.c->windowDidLoad().ok());
    const QJsonObject before = e.snapshot();
    const qint64 countBefore = e.undo.changeCount();
    e.collage().setValue(0.2, QStringLiteral("spacing"));
    e.collage().setValue(0.05, QStringLiteral("strokeWidth"));
    e.collage().setValue(false, QStringLiteral("drawShadow"));
    EXPECT_GE(e.window.redraws, 3);
    e.endEvent();
    const QJsonObject after = e.snapshot();
    EXPECT_NE(e.undo.changeCount(), countBefore);

    e.undo.undo();
    EXPECT_EQ(e.snapshot(), before);
    EXPECT_FALSE(e.undo.canUndo());
    EXPECT_FALSE(e.c->isDocumentEdited());
    e.undo.redo();
    EXPECT_EQ(e.snapshot(), after);
    EXPECT_TRUE(e.c->isDocumentEdited());

    // The restored collage is observed like the first; a group keeps the name
    // given with its first snapshot.
    e.c->makeDocumentDirty(UndoAction::SizeChange);
    e.c->makeDocumentDirty(UndoAction::Split);
    e.collage().setValue(0.1, QStringLiteral("spacing"));
    e.endEvent();
    EXPECT_FALSE(e.c->hasPendingUndoSnapshot());
    EXPECT_EQ(e.undo.undoActionName(), QStringLiteral("Size Change"));
    e.undo.undo();
    EXPECT_EQ(e.snapshot(), after);
}

TEST_F(FotoloomControllerTest, TypeChangeKeepsPicturesSettingsAndFacesAndUndoes)
{
    ASSERT_TRUE(e.c->windowDidLoad().ok());
    const QStringList ids = addPictures({Qt::red, Qt::blue});
    e.collage().faceCentroidDict().insert(ids[0], QPointF(0.3, 0.6));
    const Color teal{0.0, 0.5, 0.5, 1.0};
    e.collage().setBackgroundColor(teal);
    e.endEvent();
    const QJsonObject grid = e.snapshot();
    const auto old = e.c->collage();
    const qint64 count = e.undo.changeCount();

    // Out of range on either side, a type this editor cannot make, the type it is.
    const qint64 past = CollageTypes::all().size();
    for (qint64 same : {qint64(-1), past, qint64(0), CollageTypes::indexOf(QStringLiteral("grid"))})
        e.c->changeCollageType(same);
    e.endEvent();
    EXPECT_EQ(e.c->collage(), old);
    EXPECT_EQ(e.undo.changeCount(), count);

    e.c->changeCollageType(CollageTypes::indexOf(QStringLiteral("mosaic")));
    EXPECT_EQ(e.collage().collageType(), QStringLiteral("mosaic"));
    EXPECT_EQ(QSet<QString>(e.collage().images().begin(), e.collage().images().end()),
              QSet<QString>(ids.begin(), ids.end()));
    EXPECT_EQ(e.collage().backgroundColor(), teal);
    EXPECT_EQ(e.collage().faceCentroidDict().value(ids[0]), QPointF(0.3, 0.6));
    EXPECT_EQ(old->observationCount(e.c), 0);
    EXPECT_GT(e.collage().observationCount(e.c), 0);
    e.endEvent();

    e.undo.undo();
    EXPECT_EQ(e.snapshot(), grid);
    EXPECT_EQ(e.collage().faceCentroidDict().value(ids[0]), QPointF(0.3, 0.6));
    e.undo.redo();
    EXPECT_EQ(e.collage().collageType(), QStringLiteral("mosaic"));
}

TEST_F(FotoloomControllerTest, FollowUpHooksRunAfterBoundChanges)
{
    ASSERT_TRUE(e.c->windowDidLoad().ok());
    Collage& collage = e.collage();
    collage.setBackgroundImagePath(QStringLiteral("ABC"));
    collage.setBackgroundIsImage(true);
    collage.setBackgroundColor(Color::black());
    EXPECT_FALSE(collage.backgroundIsImage());
    EXPECT_TRUE(collage.backgroundImagePath().isEmpty());
    EXPECT_TRUE(!e.window.backgrounds.isEmpty() && e.window.backgrounds.last().isNull());

    // One picture in four cells: filling duplicates shows it in every cell.
    const QString id = addPictures({Qt::red})[0];
    collage.setValue(true, QStringLiteral("fillDuplicates"));
    for (const PositionPtr& cell : collage.picturePositions())
        EXPECT_EQ(cell->picture(), id);
    e.endEvent();

    // A token that only reads the same is not ours.
    const KVContext lookalike{"com.bramblequartz.quiltfolio.QFUndoCollageObservationContext"};
    KVChange prior;
    prior.isPrior = true;
    e.c->observeValueForKeyPath(QStringLiteral("spacing"), &collage, prior, &lookalike);
    EXPECT_FALSE(e.c->hasPendingUndoSnapshot());
}

TEST_F(FotoloomControllerTest, BindingKeysFollowTheCollageAndIgnoreWrites)
{
    ASSERT_TRUE(e.c->windowDidLoad().ok());
    Recorder recorder;
    e.c->addObserver(&recorder, QStringLiteral("selectedCollageSizeIndex"), KVOptionNew, nullptr);
    e.c->addObserver(&recorder, QStringLiteral("selectedCollageTypeIndex"), KVOptionNew, nullptr);
    e.c->setValue(5, QStringLiteral("selectedCollageTypeIndex"));
    e.c->setValue(5, QStringLiteral("selectedCollageSizeIndex"));
    EXPECT_EQ(e.c->valueForKey(QStringLiteral("selectedCollageTypeIndex")).toLongLong(), 2);
    EXPECT_THROW(e.c->setValue(5, QStringLiteral("noSuchKey")), UndefinedKeyError);

    // A preset turned on its side is still that preset; another resolution is not.
    const auto& sizes = e.c->sizes().collageSizesArray();
    const auto preset = std::find_if(sizes.begin(), sizes.end(), [](const QFCollageSize& s) {
        return s.pixelWidth() > 0 && s.pixelHeight() > 0 && s.pixelWidth() != s.pixelHeight();
    });
    ASSERT_NE(preset, sizes.end());
    e.collage().setWidth(preset->pixelHeight());
    e.collage().setHeight(preset->pixelWidth());
    e.collage().setResolution(preset->resolution());
    const qint64 index = e.c->getSelectedCollageSizeIndex();
    EXPECT_TRUE(index >= 0 && index <= preset - sizes.begin() && sizes[index].resolution() == preset->resolution());
    e.collage().setResolution(37);
    EXPECT_EQ(e.c->getSelectedCollageSizeIndex(), -1);
    EXPECT_TRUE(recorder.keys.contains(QStringLiteral("selectedCollageSizeIndex")));
    e.c->changeCollageType(CollageTypes::indexOf(QStringLiteral("mosaic")));
    EXPECT_TRUE(recorder.keys.contains(QStringLiteral("selectedCollageTypeIndex")));
    e.endEvent();
}

TEST_F(FotoloomControllerTest, PicturesACollageCannotShowAreToldOnce)
{
    Editor ed;
    ASSERT_TRUE(ed.c->windowDidLoad().ok());
    ed.c->picturesNotShown(101);
    ed.c->picturesNotShown(3);
    ASSERT_EQ(ed.window.alerts.size(), 1);
    EXPECT_EQ(ed.window.alerts[0].informativeText,
              QStringLiteral("The collage has no room for 101 more pictures. They stay in the project but are not "
                             "shown."));
}

} // namespace

// Every command of every type, from its row: disabled and without effect
// while its key says no, one step named as its row says when it runs, and
// undone to the collage exactly as it was.
class EveryTypesCommands : public FotoloomControllerTest, public ::testing::WithParamInterface<QString> {
protected:
    void SetUp() override
    {
        FotoloomControllerTest::SetUp();
        for (const CollageType& row : CollageTypes::all())
            e.c->setCollageMaker(row.type, row.maker);
        ASSERT_TRUE(e.c->windowDidLoad().ok());
        e.c->changeCollageType(CollageTypes::indexOf(GetParam()));
        ASSERT_EQ(e.collage().collageType(), GetParam());
        e.endEvent();
    }
    static CommandArgument argumentFor(const CollageCommand& command)
    {
        if (command.input == CommandInput::CellText)
            return {0, QStringLiteral("[[[0,0],[0.5,0],[0.5,1],[0,1]], [[0.5,0],[1,0],[1,1],[0.5,1]]]")};
        return {2, {}};
    }
};

TEST_P(EveryTypesCommands, DisabledCommandsChangeAndRecordNothing)
{
    // Nothing to act on: commands needing pictures or a selection wait.
    const QStringList waiting{QStringLiteral("images"), QStringLiteral("pictureInDrawingViewSelected"),
                              QStringLiteral("nonEmptyPictureInDrawingViewSelected"),
                              QStringLiteral("pictureOrTextInDrawingViewSelected")};
    for (const CollageCommand* command : e.c->runner().commands()) {
        SCOPED_TRACE(command->name.toStdString());
        if (!command->enabledKeys.isEmpty() && waiting.contains(command->enabledKeys.first())) {
            EXPECT_FALSE(e.c->runner().isCommandEnabled(command->name));
        }
        if (e.c->runner().isCommandEnabled(command->name))
            continue;
        const QJsonObject before = e.snapshot();
        const qint64 count = e.undo.changeCount();
        EXPECT_FALSE(e.c->runner().runCommand(command->name, argumentFor(*command)).ok());
        e.endEvent();
        EXPECT_EQ(e.snapshot(), before);
        EXPECT_EQ(e.undo.changeCount(), count);
    }
    EXPECT_FALSE(e.c->runner().runCommand(QStringLiteral("noSuchCommand")).ok());
}

TEST_P(EveryTypesCommands, EachRunIsOneNamedStepThatUndoesExactly)
{
    addPictures({Qt::red, Qt::blue, Qt::green, Qt::yellow});
    const QList<PositionPtr>& places = e.collage().picturePositions();
    const auto filled = std::find_if(places.begin(), places.end(), [](const PositionPtr& p) { return !p->isEmpty(); });
    ASSERT_NE(filled, places.end());
    e.collage().setSelectedImagePosition(filled - places.begin());
    e.endEvent();
    int ran = 0;
    for (const CollageCommand* command : e.c->runner().commands()) {
        SCOPED_TRACE(command->name.toStdString());
        if (!e.c->runner().isCommandEnabled(command->name))
            continue;
        ++ran;
        const QJsonObject before = e.snapshot();
        const qint64 count = e.undo.changeCount();
        (void)e.c->runner().runCommand(command->name, argumentFor(*command));
        e.endEvent();
        if (!command->undoName) {
            EXPECT_EQ(e.undo.changeCount(), count) << "it records no step of its own";
            EXPECT_EQ(e.snapshot(), before);
            continue;
        }
        if (e.snapshot() == before)
            continue; // nothing to do here (a shape it has, cells it cannot lose)
        // One step: a single undo goes all the way back, a redo all the way on.
        const QJsonObject after = e.snapshot();
        EXPECT_EQ(e.undo.undoActionName(), *command->undoName);
        e.undo.undo();
        EXPECT_EQ(e.snapshot(), before);
        e.undo.redo();
        EXPECT_EQ(e.snapshot(), after);
        e.undo.undo();
    }
    EXPECT_GE(ran, 3);
}

INSTANTIATE_TEST_SUITE_P(Registered, EveryTypesCommands, ::testing::ValuesIn(CollageTypes::typeStrings()),
                         [](const ::testing::TestParamInfo<QString>& info) { return info.param.toStdString(); });

TEST_F(FotoloomControllerTest, CropSheetAnswersAreEachOneStep)
{
    e.c->setCollageMaker(QStringLiteral("pile"), [] { return std::make_shared<RegularPileCollage>(); });
    ASSERT_TRUE(e.c->windowDidLoad().ok());
    addPictures({Qt::red, Qt::blue});
    e.collage().setSelectedImagePosition(1);
    e.endEvent();
    auto& slot = dynamic_cast<PilePosition&>(*e.collage().picturePositions().at(1));
    const qint64 steps = e.undo.changeCount();

    ASSERT_TRUE(e.c->runner().runCommand(QStringLiteral("cropSelectedCommandButton")).ok());
    e.endEvent();
    ASSERT_EQ(e.window.cropSheets.size(), 1);
    const test::RecordingWindow::CropSheet& sheet = e.window.cropSheets.first();
    EXPECT_FALSE(sheet.image.isEmpty());
    EXPECT_FALSE(sheet.constrainAspect) << "a photo's aspect is free";
    EXPECT_EQ(sheet.shape, -1);
    EXPECT_EQ(e.undo.changeCount(), steps) << "opening the sheet changes nothing";

    const PanZoomPos window(0.4, 0.5, 0.5);
    e.c->runner().cropSelectedTo(2.0, window);
    e.endEvent();
    EXPECT_EQ(slot.widthToHeight(), std::optional<double>(2.0));
    EXPECT_EQ(slot.panZoomValue(), std::optional<PanZoomPos>(window));
    e.c->runner().removeCropFromSelected();
    e.endEvent();

    e.undo.undo();
    const auto& restored = dynamic_cast<PilePosition&>(*e.collage().picturePositions().at(1));
    EXPECT_EQ(restored.widthToHeight(), std::optional<double>(2.0)) << "removing was one step";
    EXPECT_EQ(restored.panZoomValue(), std::optional<PanZoomPos>(window));
    e.undo.undo();
    EXPECT_FALSE(dynamic_cast<PilePosition&>(*e.collage().picturePositions().at(1)).panZoomValue())
        << "cropping was one step";
}

TEST_F(FotoloomControllerTest, AFixedCropAspectWithoutARatioOpensNoSheet)
{
    ASSERT_TRUE(e.c->windowDidLoad().ok());
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::red);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        double ratio;
        bool constrain;
        bool opens;
    };
    const Row rows[] = {{0.0, true, false}, {nan, true, false}, {-2.0, true, false}, {1.5, true, true},
                        {nan, false, true}};
    for (const Row& row : rows) {
        e.window.cropSheets.clear();
        e.c->cropPicture(image, row.ratio, std::nullopt, row.constrain, row.constrain ? 0 : -1);
        EXPECT_EQ(e.window.cropSheets.size(), row.opens ? 1 : 0) << row.ratio;
    }
    e.window.cropSheets.clear();
    e.c->cropPicture(QImage(), 1.0, std::nullopt, false, -1);
    EXPECT_TRUE(e.window.cropSheets.isEmpty()) << "no picture";
}

TEST_F(FotoloomControllerTest, TypedCellPositionsAreOneStepAndRefusedTextChangesNothing)
{
    ASSERT_TRUE(e.c->windowDidLoad().ok());
    addPictures({Qt::red, Qt::blue});
    e.c->changeCollageType(CollageTypes::indexOf(QStringLiteral("zigmosaic")));
    e.endEvent();
    const QJsonObject before = e.snapshot();
    const qint64 count = e.undo.changeCount();

    const QString cells = QStringLiteral("setPositionsOnZigMosaicButton");
    const Status refused = e.c->runner().runCommand(cells, {0, QStringLiteral("[[[0,0],[1,0]]]")});
    e.endEvent();
    EXPECT_FALSE(refused.ok());
    EXPECT_FALSE(refused.message().isEmpty()) << "the sheet shows why";
    EXPECT_EQ(e.snapshot(), before);
    EXPECT_EQ(e.undo.changeCount(), count) << "no step for text that was refused";

    ASSERT_TRUE(e.c->runner().runCommand(cells, {0, QStringLiteral("[[[0,0],[1,0],[1,1]], [[0,0],[1,1],[0,1]]]")}).ok());
    e.endEvent();
    EXPECT_EQ(e.collage().picturePositions().size(), 2);
    EXPECT_TRUE(e.collage().images().isEmpty()) << "typed cells start empty";
    e.undo.undo();
    EXPECT_EQ(e.snapshot(), before);
}

TEST_F(FotoloomControllerTest, TemplateInformationIsTrimmedAndRecordsNoStep)
{
    ASSERT_TRUE(e.c->windowDidLoad().ok());
    const qint64 count = e.undo.changeCount();
    e.c->setTemplateInformation({QStringLiteral(" Travel "), QString(), QStringLiteral("Seasons\n")},
                                QStringLiteral("  Beach Holiday\n"));
    EXPECT_EQ(e.c->templateInformation().categories, QStringList({"Travel", "", "Seasons"}));
    EXPECT_EQ(e.c->templateInformation().description, QStringLiteral("Beach Holiday"));
    EXPECT_EQ(e.undo.changeCount(), count);
}
