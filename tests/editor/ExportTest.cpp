#include "ExifTool.h"
#include "TestPictures.h"
#include "editor/EditorOnDocument.h"
#include "widgets/FakeDocumentDialogs.h"

#include "document/CollageDocument.h"
#include "editor/FotoloomController.h"
#include "editor/BandPictures.h"
#include "editor/PrintDrawingView.h"
#include "layouts/grid/GridCollage.h"
#include "model/Collage.h"
#include "model/Position.h"
#include "model/UtilityFunctions.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/files/PrivateTemporaryFolder.h"
#include "platform/images/ImageEncoder.h"
#include "platform/services/ApplicationLookup.h"
#include "platform/undo/UndoManager.h"
#include "platform/vision/FaceDetector.h"
#include "platform/documents/PrintOperation.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <sys/stat.h>

using namespace qf;
using qf::testing::FakeDocumentDialogs;

namespace {

// The largest difference of any channel between two pictures of one size;
// alpha too when asked.
int largestDifference(const QImage& a, const QImage& b, bool alpha)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), alpha ? std::abs(qAlpha(p) - qAlpha(q)) : 0});
        }
    return worst;
}

class NoFaces : public FaceDetector {
public:
    QList<QRectF> detectFaces(const QImage&) override { return {}; }
};

// A grid that notes the threads it is drawn on for output and, when asked,
// holds the draw until the main thread has handled an event.
class WatchedGrid : public GridCollage {
public:
    struct Watch {
        bool holdUntilReleased = false;
        std::atomic<bool> released = false;
        std::mutex mutex;
        QSet<QThread*> threads;
    };
    explicit WatchedGrid(std::shared_ptr<Watch> watch)
        : m_watch(std::move(watch))
    {
    }
    void drawYourPicturePatternOnCurrentContextInWidth(GraphicsContext& context, double width, double height,
                                                       bool actual) override
    {
        if (actual) {
            {
                const std::lock_guard lock(m_watch->mutex);
                m_watch->threads.insert(QThread::currentThread());
            }
            // Bounded, so that a draw holding the main thread fails instead of hanging.
            for (int i = 0; m_watch->holdUntilReleased && !m_watch->released && i < 1000; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        GridCollage::drawYourPicturePatternOnCurrentContextInWidth(context, width, height, actual);
    }

private:
    std::shared_ptr<Watch> m_watch;
};

class FakeLookup : public ApplicationLookup {
public:
    QStringList installed;
    QList<QPair<QString, QString>> opened; // path, application
    bool opens = true;
    bool hasApplication(const QString& identifier) const override { return installed.contains(identifier); }
    bool openFileWithApplication(const QString& path, const QString& application) override
    {
        opened << qMakePair(path, application);
        return opens;
    }
};

class ExportTest : public ::testing::Test, protected test::EditorOnDocument {
protected:
    QTemporaryDir dir;
    NoFaces noFaces;
    ScopedFaceDetector faces{noFaces};
    std::shared_ptr<FakeDocumentDialogs> dialogs = std::make_shared<FakeDocumentDialogs>();
    std::shared_ptr<FakeLookup> lookup = std::make_shared<FakeLookup>();

    void SetUp() override
    {
        UserDefaults::standard().useFile(dir.filePath(QStringLiteral("defaults.ini")));
        doc.setDialogs(dialogs);
        doc.setApplicationLookup(lookup);
        openEditor();
        c->exporter().setApplicationLookup(lookup);
        c->exporter().setTemporaryFolder(std::make_shared<PrivateTemporaryFolder>(path(QStringLiteral("tmp"))));
        ASSERT_TRUE(c->windowDidLoad().ok());
        // Small renders keep the tests quick; one test exports at full size.
        resize(300, 200);
    }
    void TearDown() override { UserDefaults::standard().useStandardStore(); }

    void resize(qint64 width, qint64 height)
    {
        collage().setWidth(width);
        collage().setHeight(height);
    }
    qint64 saveCount() const
    {
        return UserDefaults::standard().value(UtilityFunctions::currentVersionImageSaveCountKey()).toLongLong();
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    // A new empty grid made current, of the maker's type when one is set.
    void startAgain()
    {
        std::shared_ptr<Collage> fresh = c->getNewCollageFor(QStringLiteral("grid"));
        fresh->setMyWindowController(c);
        c->setCurrentCollage(fresh);
        resize(300, 200);
    }
    QImage exported(const QString& type)
    {
        const auto data = c->saveDataOfType(type, 0.96, ImageEncoder::tiffLzw);
        EXPECT_TRUE(data.status.ok()) << data.status.detail().toStdString();
        return QImage::fromData(data.bytes);
    }
    // An export through the Save To dialog answering with `name`.
    bool exportAs(const QString& name, std::function<void()> whileOnScreen = {})
    {
        dialogs->saveAnswers.push_back(SavePanelResult{path(name), QStringLiteral("ignored")});
        dialogs->onSavePanel = std::move(whileOnScreen);
        bool ok = false;
        doc.saveDocumentTo([&ok](bool saved) { ok = saved; });
        dialogs->onSavePanel = nullptr;
        return ok;
    }
    QStringList filesUnder(const QString& root) const
    {
        QStringList files;
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }
};

mode_t modeOf(const QString& file)
{
    struct stat st {};
    return ::stat(qPrintable(file), &st) == 0 ? st.st_mode & 07777 : mode_t(-1);
}

QByteArray formatOf(const QString& file)
{
    return QImageReader(file).format();
}

} // namespace

TEST_F(ExportTest, AFullSizeJpegReportsItsPixelsResolutionAndTexts)
{
    resize(7200, 5400);
    collage().setResolution(300);
    const auto data = c->saveDataOfType(CollageDocument::jpegType(), 0.96, 5);
    ASSERT_TRUE(data.status.ok()) << data.status.detail().toStdString();
    // The saving sheet covered the render.
    EXPECT_EQ(window.savingShown, 1);
    EXPECT_EQ(window.savingHidden, 1);
    if (!qf::testing::haveTool(QStringLiteral("exiftool")))
        GTEST_SKIP() << "exiftool is not installed";
    QFile file(path(QStringLiteral("big.jpg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data.bytes);
    file.close();
    const QJsonObject tags = qf::testing::exifTags(file.fileName());
    EXPECT_EQ(tags["File:ImageWidth"].toInt(), 7200);
    EXPECT_EQ(tags["File:ImageHeight"].toInt(), 5400);
    EXPECT_EQ(tags["JFIF:XResolution"].toInt(), 300);
    EXPECT_EQ(tags["IFD0:XResolution"].toInt(), 300);
    EXPECT_EQ(tags["IFD0:Software"].toString(), "Quiltfolio");
    EXPECT_EQ(tags["IFD0:ImageDescription"].toString(), "Collage created using Quiltfolio software");
    EXPECT_EQ(tags["ExifIFD:UserComment"].toString(), "Collage created using Quiltfolio software");
}

TEST_F(ExportTest, OnlyImageTypesRender)
{
    const auto other = c->exporter().dataOfType(QStringLiteral("public.gif"), 0.96, 5, 300, 200);
    EXPECT_TRUE(other.bytes.isEmpty());
    EXPECT_FALSE(other.status.ok());
    EXPECT_TRUE(c->saveDataOfType(QStringLiteral("public.gif"), 0.96, 5).bytes.isEmpty());
    EXPECT_EQ(window.savingShown, 0);
    // The design type is still the envelope, not a picture.
    EXPECT_EQ(c->saveDataOfType(CollageDocument::designType(), 0.96, 5).bytes, c->getCurrentCollageFileData());
    // Sizes beyond what a collage can be give no bitmap.
    EXPECT_TRUE(c->exporter().getImageBitmapRepForWidth(0, 10).isNull());
    EXPECT_TRUE(c->exporter().getImageBitmapRepForWidth(12001, 10).isNull());
    const QImage bitmap = c->exporter().getImageBitmapRepForWidth(30, 20);
    EXPECT_EQ(bitmap.size(), QSize(30, 20));
    EXPECT_TRUE(bitmap.hasAlphaChannel());
}

TEST_F(ExportTest, SaveToOffersTheRightTypeAndTheFileEndsInItsExtension)
{
    // Any background: JPEG, and the dialog offers JPEG alone.
    ASSERT_TRUE(exportAs(QStringLiteral("plain")));
    ASSERT_EQ(dialogs->saveRequests.size(), 1);
    ASSERT_EQ(dialogs->saveRequests[0].types.size(), 1);
    EXPECT_EQ(dialogs->saveRequests[0].types[0].identifier, CollageDocument::jpegType());
    EXPECT_EQ(formatOf(path(QStringLiteral("plain.jpg"))), "jpeg");
    // ".jpeg" is a JPEG extension too.
    ASSERT_TRUE(exportAs(QStringLiteral("named.jpeg")));
    EXPECT_EQ(formatOf(path(QStringLiteral("named.jpeg"))), "jpeg");

    // A transparent background starts with PNG, and keeps its transparency.
    collage().setBackgroundIsTransparent(true);
    ASSERT_TRUE(exportAs(QStringLiteral("clear.jpg")));
    EXPECT_EQ(dialogs->saveRequests.last().types[0].identifier, CollageDocument::pngType());
    const QString png = path(QStringLiteral("clear.jpg.png"));
    EXPECT_EQ(formatOf(png), "png");
    EXPECT_EQ(qAlpha(QImage(png).pixel(1, 1)), 0);

    // A menu's type comes first, once.
    doc.setTiffCompression(2);
    dialogs->saveAnswers.push_back(SavePanelResult{path(QStringLiteral("menu")), CollageDocument::jpegType()});
    doc.exportAsTiff();
    EXPECT_EQ(formatOf(path(QStringLiteral("menu.tiff"))), "tiff");
    EXPECT_FALSE(doc.exportPriorityType().has_value());
    ASSERT_TRUE(exportAs(QStringLiteral("after")));
    EXPECT_EQ(doc.currentFileType(), CollageDocument::pngType());

    // The export left the document's own file and type alone.
    EXPECT_TRUE(doc.fileName().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("menu"))));
}

TEST_F(ExportTest, TheAccessoryChoiceIsWhatIsWritten)
{
    ASSERT_TRUE(exportAs(QStringLiteral("picked"), [this] { doc.accessoryFileTypeChanged(2); }));
    // The dialog was told to offer TIFF alone, and TIFF was written.
    EXPECT_EQ(dialogs->allowedTypes, QStringList{CollageDocument::tiffType()});
    EXPECT_EQ(formatOf(path(QStringLiteral("picked.tiff"))), "tiff");
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("picked.jpg"))));

    // An index the popup does not have changes nothing.
    ASSERT_TRUE(exportAs(QStringLiteral("same"), [this] { doc.accessoryFileTypeChanged(5); }));
    EXPECT_EQ(doc.currentFileType(), CollageDocument::jpegType());
}

TEST_F(ExportTest, TheCounterCountsSuccessfulExportsOnly)
{
    EXPECT_EQ(saveCount(), 0);
    ASSERT_TRUE(doc.saveToPathShowingErrors(path(QStringLiteral("p.quiltfolioproj")), CollageDocument::projectType(),
                                            Document::SaveOperation::SaveAs));
    EXPECT_EQ(saveCount(), 0);
    ASSERT_TRUE(exportAs(QStringLiteral("one")));
    ASSERT_TRUE(exportAs(QStringLiteral("two")));
    EXPECT_EQ(saveCount(), 2);

    // A picture that cannot be made writes nothing, says so and counts nothing.
    QFile old(path(QStringLiteral("keep.jpg")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old bytes");
    old.close();
    resize(20000, 200);
    EXPECT_FALSE(exportAs(QStringLiteral("keep.jpg")));
    ASSERT_EQ(dialogs->errors.size(), 1);
    EXPECT_FALSE(dialogs->errors[0].second.isEmpty());
    EXPECT_EQ(saveCount(), 2);
    QFile kept(old.fileName());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "old bytes");
}

TEST_F(ExportTest, PrintOrientationFollowsTheCollage)
{
    const struct {
        qint64 width, height;
        QPageLayout::Orientation orientation;
    } cases[] = {{5400, 7200, QPageLayout::Portrait}, {7200, 5400, QPageLayout::Landscape}, {5000, 5000, QPageLayout::Portrait}};
    for (const auto& s : cases) {
        resize(s.width, s.height);
        c->exporter().setPrintInfoOrientation();
        EXPECT_EQ(doc.printOrientation(), s.orientation) << s.width << "x" << s.height;
        const auto operation = c->getPrintOperation();
        ASSERT_TRUE(operation);
        EXPECT_EQ(operation->orientation(), s.orientation);
        EXPECT_EQ(operation->contentSize(), QSizeF(s.width, s.height));
    }
    // A collage made current (an undone orientation change) turns the page.
    auto portrait = c->getNewCollageFor(QStringLiteral("grid"));
    ASSERT_TRUE(portrait);
    portrait->setWidth(5400);
    portrait->setHeight(7200);
    resize(7200, 5400);
    c->exporter().setPrintInfoOrientation();
    c->setCurrentCollage(portrait);
    EXPECT_EQ(doc.printOrientation(), QPageLayout::Portrait);

    // The content is fitted to the page with its aspect, centred.
    EXPECT_EQ(PrintOperation::fittedRect({7200, 5400}, QRectF(0, 0, 800, 1000)), QRectF(0, 200, 800, 600));
}

TEST_F(ExportTest, PrintDrawsTheCollageFittedIntoThePage)
{
    collage().setBackgroundColor(Color{0, 0, 1, 1});
    const PrintDrawingView view(QSizeF(300, 200), [this](GraphicsContext& context, QSizeF bounds) {
        return c->exporter().drawOnCurrentContextForPrintingInBounds(context, bounds);
    });
    // A page stand-in: the printer is drawn on the same way.
    QImage page(400, 600, QImage::Format_ARGB32_Premultiplied);
    page.fill(Qt::white);
    const QRectF target = PrintOperation::fittedRect(view.frameSize(), QRectF(0, 0, 400, 600));
    EXPECT_EQ(target, QRectF(0, 600.0 / 2 - 400.0 / 3, 400, 800.0 / 3));
    ASSERT_TRUE(view.drawRect(&page, target));
    EXPECT_EQ(page.pixel(200, 300), qRgb(0, 0, 255));
    EXPECT_EQ(page.pixel(5, 175), qRgb(0, 0, 255));
    EXPECT_EQ(page.pixel(200, 100), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(200, 500), qRgb(255, 255, 255));
    // Nothing to draw into: nothing drawn.
    EXPECT_FALSE(view.drawRect(&page, QRectF()));
}

TEST_F(ExportTest, PrintGoesToAViewerWhenOneIsInstalledElseToThePrintDialog)
{
    // None installed (as on Linux): the print dialog, nothing printed when cancelled.
    std::optional<bool> printed;
    doc.printDocument([&printed](bool ok) { printed = ok; });
    EXPECT_EQ(dialogs->printPanels, 1);
    EXPECT_EQ(printed, false);
    EXPECT_TRUE(window.choices.isEmpty());

    lookup->installed = {QStringLiteral("com.apple.iPhoto")};
    doc.printDocument();
    ASSERT_EQ(window.choices.size(), 1);
    EXPECT_EQ(window.choices[0].message, "Print Collage from iPhoto");
    EXPECT_EQ(window.choices[0].button, "Import in iPhoto to Print");
    EXPECT_EQ(window.choices[0].informativeText,
              "Import the collage in iPhoto and print it using File > Print menu at the top of iPhoto.\n\n"
              "You can find the imported collage in \"Last Import\" section of iPhoto.");

    lookup->installed << QStringLiteral("com.apple.Preview");
    doc.printDocument();
    ASSERT_EQ(window.choices.size(), 2);
    EXPECT_EQ(window.choices[1].message, "Print Collage from Preview app");
    EXPECT_EQ(window.choices[1].button, "Open in Preview app to Print...");
    EXPECT_EQ(window.choices[1].otherButton, "Cancel");
    EXPECT_EQ(window.choices[1].informativeText,
              "Open the collage in Preview app and print it using File > Print menu at the top of Preview app.");
    EXPECT_EQ(dialogs->printPanels, 1);
}

TEST_F(ExportTest, TheHandOffWritesItsPictureOnlyWhenAccepted)
{
    const QString tmp = path(QStringLiteral("tmp"));
    c->printUsingPreview(false, false);
    EXPECT_TRUE(window.choices.isEmpty());

    c->printUsingPreview(true, false);
    ASSERT_TRUE(window.choiceEnded);
    window.choiceEnded(false);
    EXPECT_TRUE(filesUnder(tmp).isEmpty());
    EXPECT_TRUE(lookup->opened.isEmpty());
    EXPECT_EQ(saveCount(), 0);

    c->printUsingPreview(true, false);
    window.choiceEnded(true);
    const QStringList files = filesUnder(tmp);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(QFileInfo(files[0]).fileName(), "print-me.jpg");
    EXPECT_EQ(formatOf(files[0]), "jpeg");
    ASSERT_EQ(lookup->opened.size(), 1);
    EXPECT_EQ(lookup->opened[0], qMakePair(files[0], QStringLiteral("Preview")));

    c->printUsingPreview(false, true);
    window.choiceEnded(true);
    EXPECT_EQ(filesUnder(tmp).size(), 2);
    EXPECT_EQ(lookup->opened.last().second, "iPhoto");

    // A picture no application took goes at once.
    lookup->opens = false;
    c->printUsingPreview(true, false);
    window.choiceEnded(true);
    EXPECT_EQ(lookup->opened.size(), 3);
    EXPECT_EQ(filesUnder(tmp).size(), 2);
}

TEST(TemporaryImageFileName, IsMadeOfLettersDigitsAndDashesOnly)
{
    const struct {
        const char* name;
        const char* file;
    } rows[] = {
        {"Trip.quiltfolioproj", "Trip.jpg"},
        {"Old Design.QUILTFOLIO", "Old-Design.jpg"},
        {"x',attachment='file:///etc/passwd' ,b", "x-attachment-file-etc-passwd-b.jpg"},
        {"\"quoted\", and \"more\"", "quoted-and-more.jpg"},
        {"../../escape", "escape.jpg"},
        {"..", "collage.jpg"},
        {"a/b\\c", "a-b-c.jpg"},
        {"line\none\r\ttwo", "line-one-two.jpg"},
        {"$(rm -rf ~);`id`|&>", "rm-rf-id.jpg"},
        {"", "collage.jpg"},
        {"   ", "collage.jpg"},
        {".quiltfolioproj", "collage.jpg"},
        {"!@#$%^&*()[]{}<>?", "collage.jpg"},
        {"__--__", "collage.jpg"},
        {"-rf", "rf.jpg"},
        {"keep_this-one", "keep_this-one.jpg"},
        {"a - _ b", "a-b.jpg"},
        {"\xc3\x89t\xc3\xa9 \xc3\xa0 Gen\xc3\xa8ve", "Ete-a-Geneve.jpg"},
        {"\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0", "collage.jpg"},
        {"\xef\xbc\xa1\xef\xbc\xa2", "AB.jpg"}, // full-width letters
        {"photo.jpeg", "photo-jpeg.jpg"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CollageExporter::temporaryImageFileName(QString::fromUtf8(row.name)), row.file) << row.name;

    // Bounded, and never ending in a separator where it was cut.
    const QString cut = CollageExporter::temporaryImageFileName(QString(63, u'a') + QStringLiteral("-b") + QString(500, u'c'));
    EXPECT_EQ(cut, QString(63, u'a') + QStringLiteral(".jpg"));
    EXPECT_EQ(CollageExporter::temporaryImageFileName(QString(100000, u'z')), QString(64, u'z') + QStringLiteral(".jpg"));
}

TEST_F(ExportTest, TemporaryPicturesArePrivateAndKeepTheirNames)
{
    const auto first = c->exporter().saveImageAtTempLocationWithName(QStringLiteral("Trip.quiltfolioproj"));
    const auto second = c->exporter().saveImageAtTempLocationWithName(QStringLiteral("Trip.quiltfolioproj"));
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    for (const QString& picture : {*first, *second}) {
        EXPECT_EQ(QFileInfo(picture).fileName(), "Trip.jpg");
        EXPECT_TRUE(picture.startsWith(path(QStringLiteral("tmp/"))));
        EXPECT_EQ(modeOf(picture), 0600u);
        EXPECT_EQ(formatOf(picture), "jpeg");
    }
    EXPECT_EQ(modeOf(path(QStringLiteral("tmp"))), 0700u);

    // A folder that cannot be made gives no path.
    QFile blocker(path(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    c->exporter().setTemporaryFolder(std::make_shared<PrivateTemporaryFolder>(blocker.fileName()));
    EXPECT_FALSE(c->exporter().saveImageAtTempLocationWithName(QStringLiteral("x")));
}

TEST_F(ExportTest, TheRenderIsTheSameAsAPlainDrawOfTheFullPictures)
{
    // Pictures of several colours, so that a picture in the wrong slot shows.
    QStringList ids;
    QHash<QString, QImage> images;
    const QList<QColor> colors{Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};
    for (const QColor& color : colors) {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(color);
        const QString file = path(color.name() + QStringLiteral(".png"));
        ASSERT_TRUE(image.save(file));
        ids << c->importPicture(file).value_or(QString());
        images.insert(ids.last(), c->drawingSizeImage(ids.last()));
    }
    collage().addPictures(ids, images, {}, {});

    // Taller outputs are drawn in several bands, with shadows reaching over
    // their edges: they come out as the rows of one draw, but that a shadow
    // blurred at a reduced size may round a level differently.
    const struct {
        QSize size;
        double shadowY, shadowBlur; // long, wide shadows reach into the next band
        int tolerance;
    } rows[] = {{{600, 400}, -0.2, 0.5, 0}, {{500, 1400}, -0.2, 0.5, 2}, {{1500, 2300}, -0.2, 0.5, 2},
                {{700, 980}, -6, 3, 2}};
    QImage plain;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size.height());
        resize(row.size.width(), row.size.height());
        collage().setShadowY(row.shadowY);
        collage().setShadowBlur(row.shadowBlur);
        const QImage rendered = c->exporter().getImageBitmapRepForWidth(row.size.width(), row.size.height());
        plain = QImage(row.size, QImage::Format_ARGB32_Premultiplied);
        {
            GraphicsContext context(plain);
            collage().drawYourselfOnCurrentContextInWidth(context, row.size.width(), row.size.height(), true);
        }
        ASSERT_EQ(rendered.size(), plain.size());
        const int worst = largestDifference(rendered, plain, true);
        EXPECT_LE(worst, row.tolerance);
    }
    resize(600, 400);
    collage().setShadowY(-0.2);
    collage().setShadowBlur(0.5);
    plain = c->exporter().getImageBitmapRepForWidth(600, 400);

    // The shared render shows the saving sheet around the same picture.
    const int shown = window.savingShown;
    EXPECT_TRUE(c->exporter().getImageForWidthWithProgressIndicator(600, 400) == plain);
    EXPECT_EQ(window.savingShown, shown + 1);
    EXPECT_EQ(window.savingHidden, window.savingShown);
}

TEST(BandPicturesTest, EachPictureIsDecodedOnceAndHeldUntilItsLastUse)
{
    // Pictures 0 and 2 are drawn by two bands each, 1 by one, 3 by none.
    std::atomic<int> decodes[4] = {};
    BandPictures pictures(
        {2, 1, 2, 0},
        [&](qsizetype i) {
            ++decodes[i];
            QImage image(1, 1, QImage::Format_RGB32);
            image.fill(QColor(int(i) * 40, 0, 0));
            return image;
        },
        {}, 2, 1 << 20);
    const auto redOf = [](const QImage& image) { return image.isNull() ? -1 : qRed(image.pixel(0, 0)); };
    EXPECT_EQ(redOf(pictures.take(0)), 0);
    EXPECT_EQ(redOf(pictures.take(2)), 80);
    pictures.release(0);
    EXPECT_EQ(redOf(pictures.take(0)), 0) << "still held for its second use";
    pictures.release(0);
    EXPECT_EQ(redOf(pictures.take(1)), 40);
    pictures.release(1);
    EXPECT_EQ(redOf(pictures.take(2)), 80);
    pictures.release(2);
    pictures.release(2);
    EXPECT_EQ(redOf(pictures.take(7)), -1) << "no such picture";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(decodes[i].load(), 1) << i;
    EXPECT_EQ(decodes[3].load(), 0) << "wanted by no band";
    // Taken once more than counted: decoded again rather than nothing.
    EXPECT_EQ(redOf(pictures.take(1)), 40);
}

TEST(BandPicturesTest, PicturesDecodedAheadStayWithinTheMemoryBudget)
{
    // Decodes estimated at 60 in a budget of 100. A decoded picture then
    // holds its own bytes only: 60 keeps the next decode waiting until it
    // is let go; 8 (a decode averaged down) lets the next one begin while
    // it is held. A single picture over the budget still comes.
    const struct {
        const char* name;
        int heldBytes;
        bool nextBeginsWhileHeld;
    } rows[] = {{"held as large as its decode", 60, false}, {"held much smaller than its decode", 8, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const int count = 5;
        std::atomic<int> released = 0;
        std::atomic<int> early = 0;
        BandPictures pictures(
            std::vector<int>(count, 1),
            [&](qsizetype i) {
                if (released < i)
                    ++early;
                // Alpha8 rows are whole words: that many bytes, one row.
                return QImage(row.heldBytes, 1, QImage::Format_Alpha8);
            },
            [](qsizetype i) { return i == 4 ? 500 : 60; }, 4, 100);
        for (int i = 0; i < count; ++i) {
            QThread::msleep(20);
            EXPECT_FALSE(pictures.take(i).isNull()) << i;
            ++released;
            pictures.release(i);
        }
        EXPECT_EQ(early.load() > 0, row.nextBeginsWhileHeld);
    }
}

TEST_F(ExportTest, TheRenderRunsOnAWorkerWhileTheWindowHandlesEvents)
{
    const QThread* main = QThread::currentThread();
    const struct {
        const char* name;
        bool undoGroupOpen;
    } cases[] = {{"no undo group open", false}, {"an undo group open", true}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        auto watch = std::make_shared<WatchedGrid::Watch>();
        watch->holdUntilReleased = !row.undoGroupOpen;
        c->setCollageMaker(QStringLiteral("grid"), [watch] { return std::make_shared<WatchedGrid>(watch); });
        startAgain();
        collage().setBackgroundColor(Color{0, 0, 1, 1});
        window.savingProgress.clear();
        // While the sheet is up the collage changes: the picture keeps the
        // collage as it was when the export began.
        window.onSavingSheet = [&] {
            QTimer::singleShot(0, [&] {
                collage().setBackgroundColor(Color{1, 0, 0, 1});
                watch->released = true;
            });
        };
        // The export comes in an event of its own, after the changes' group closed.
        UndoManager& undo = doc.undoManager();
        for (int i = 0; i < 20 && undo.groupingLevel() > 0; ++i)
            QCoreApplication::processEvents();
        const int level = undo.groupingLevel();
        if (row.undoGroupOpen)
            undo.beginUndoGrouping();

        const QImage back = exported(CollageDocument::pngType());
        EXPECT_EQ(back.pixel(150, 100), qRgb(0, 0, 255));
        if (row.undoGroupOpen) {
            // Drawn here (bands on other cores too, waited for), no event
            // handled under it, and the group still open.
            EXPECT_TRUE(watch->threads.contains(QThread::currentThread()));
            EXPECT_FALSE(watch->released);
            EXPECT_EQ(undo.groupingLevel(), level + 1);
            undo.endUndoGrouping();
        } else {
            EXPECT_TRUE(watch->released);
            EXPECT_FALSE(watch->threads.contains(QThread::currentThread()));
            // The sheet heard the progress on the main thread, up to the end.
            ASSERT_FALSE(window.savingProgress.isEmpty());
            EXPECT_TRUE(std::is_sorted(window.savingProgress.begin(), window.savingProgress.end()));
            EXPECT_EQ(window.savingProgress.last(), 1000);
            EXPECT_FALSE(window.progressOffTheMainThread);
        }
        EXPECT_EQ(window.savingHidden, window.savingShown);
        window.onSavingSheet = nullptr;
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(QThread::currentThread(), main);
}

TEST_F(ExportTest, PicturesDrawnFarBelowTheirSizeComeOutAveragedNotAliased)
{
    // One-pixel stripes, 2100 wide, drawn about 300 wide: bilinear filtering
    // alone picks stripes at random; averaged, they are an even grey.
    QImage stripes(2100, 1400, QImage::Format_RGB32);
    for (int y = 0; y < stripes.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(stripes.scanLine(y));
        for (int x = 0; x < stripes.width(); ++x)
            line[x] = x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    }
    ASSERT_TRUE(stripes.save(path(QStringLiteral("stripes.png"))));
    const QString id = c->importPicture(path(QStringLiteral("stripes.png"))).value_or(QString());
    ASSERT_FALSE(id.isEmpty());

    const struct {
        const char* name;
        std::function<void(Collage&)> show;
    } cases[] = {{"in a slot", [&](Collage& collage) { collage.addPictures({id}, {{id, c->drawingSizeImage(id)}}, {}, {}); }},
                 {"as the background", [&](Collage& collage) {
                      collage.setBackgroundImageByMd5(id);
                      collage.setBackgroundIsImage(true);
                      collage.setBackgroundImageIsPattern(false);
                  }},
                 {"as background tiles", [&](Collage& collage) {
                      collage.setBackgroundImageByMd5(id);
                      collage.setBackgroundImageIsPattern(true);
                      collage.setBackgroundImagePatternNumberOfRows(2); // tiles 165 wide
                  }}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        startAgain();
        resize(330, 220);
        row.show(collage());
        const QImage back = exported(CollageDocument::pngType());
        ASSERT_EQ(back.size(), QSize(330, 220));
        // Inside the bottom left cell of the grid, where the picture goes.
        int darkest = 255, lightest = 0;
        for (int y = 140; y < 190; ++y) {
            for (int x = 40; x < 125; ++x) {
                darkest = std::min(darkest, qGray(back.pixel(x, y)));
                lightest = std::max(lightest, qGray(back.pixel(x, y)));
            }
        }
        // Aliased, they would reach near black and white; averaged (from the
        // picture or from its smooth-scaled drawing image) a ripple is left.
        EXPECT_GE(darkest, 100);
        EXPECT_LE(lightest, 155);
    }
}

TEST_F(ExportTest, TheBackgroundPictureKeepsItsDetailInLargeExports)
{
    // Stripes two pixels wide in a 3000 pixel picture, exported 3000 wide:
    // drawn from the picture they stay black and white, drawn from the
    // 600 pixel drawing image they blur to grey.
    QImage stripes(3000, 2000, QImage::Format_RGB32);
    for (int y = 0; y < stripes.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(stripes.scanLine(y));
        for (int x = 0; x < stripes.width(); ++x)
            line[x] = x % 4 < 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
    }
    ASSERT_TRUE(stripes.save(path(QStringLiteral("stripes.png"))));
    const QString id = c->importPicture(path(QStringLiteral("stripes.png"))).value_or(QString());
    ASSERT_FALSE(id.isEmpty());
    ASSERT_LT(c->drawingSizeImage(id).width(), 1000);

    // One row of tiles, so that each tile is drawn 3000 wide too.
    for (const bool tiled : {false, true}) {
        SCOPED_TRACE(tiled ? "tiled" : "whole");
        startAgain();
        resize(3000, 2000);
        collage().setBackgroundImageByMd5(id);
        collage().setBackgroundImageIsPattern(tiled);
        collage().setBackgroundImagePatternNumberOfRows(1);
        const QImage back = c->exporter().getImageBitmapRepForWidth(3000, 2000);
        ASSERT_EQ(back.size(), QSize(3000, 2000));
        // A stretch of a row where the grid has no cell.
        int darkest = 255, lightest = 0;
        for (int x = 1000; x < 1100; ++x) {
            darkest = std::min(darkest, qGray(back.pixel(x, 2)));
            lightest = std::max(lightest, qGray(back.pixel(x, 2)));
        }
        EXPECT_LE(darkest, 40);
        EXPECT_GE(lightest, 215);
    }
}

TEST_F(ExportTest, PngAndTiffCarryAlphaOnlyForATransparentBackground)
{
    const struct {
        QString type;
        bool transparent;
    } cases[] = {{CollageDocument::pngType(), false},
                 {CollageDocument::pngType(), true},
                 {CollageDocument::tiffType(), false},
                 {CollageDocument::tiffType(), true}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.type.toStdString() + (row.transparent ? " transparent" : " opaque"));
        collage().setBackgroundIsTransparent(row.transparent);
        const auto data = c->saveDataOfType(row.type, 0.96, ImageEncoder::tiffLzw);
        ASSERT_TRUE(data.status.ok());
        const QImage back = QImage::fromData(data.bytes);
        if (!back.isNull()) { // Qt's TIFF reader is a plugin
            EXPECT_EQ(back.hasAlphaChannel(), row.transparent);
        }
        if (row.type == CollageDocument::tiffType() && qf::testing::haveTool(QStringLiteral("tiffinfo"))) {
            QFile file(path(QStringLiteral("alpha.tiff")));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(data.bytes);
            file.close();
            const QString info = QString::fromUtf8(qf::testing::runTool(QStringLiteral("tiffinfo"), {file.fileName()}));
            EXPECT_TRUE(info.contains(QStringLiteral("Samples/Pixel: %1").arg(row.transparent ? 4 : 3)));
        }
    }
}

TEST_F(ExportTest, PicturesHeldAsThePartsDrawnComeOutAsTheWholePictures)
{
    // Wide noise pictures: each slot shows a part of its picture, which the
    // render holds alone; a part placed wrong shows as other noise. They
    // are drawn larger than they are, never averaged down.
    QStringList ids;
    QHash<QString, QImage> images;
    for (int i = 0; i < 5; ++i) {
        const QImage image = test::noise(QSize(56 + 4 * i, 32), quint32(i + 1));
        // JPEGs decode only the parts; other pictures are cut once decoded.
        const QString file = path(QStringLiteral("noise%1.%2").arg(i).arg(i % 2 ? "jpg" : "png"));
        ASSERT_TRUE(image.save(file));
        ids << c->importPicture(file).value_or(QString());
        images.insert(ids.last(), c->drawingSizeImage(ids.last()));
    }
    const struct {
        const char* type;
        bool background;
    } rows[] = {{"grid", false}, {"grid", true}, {"zigmosaic", false}, {"hexagon", false}, {"pile", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.type) + (row.background ? " on a background picture" : ""));
        std::shared_ptr<Collage> fresh = c->getNewCollageFor(QString::fromLatin1(row.type));
        ASSERT_TRUE(fresh);
        fresh->setMyWindowController(c);
        c->setCurrentCollage(fresh);
        // Tall: several bands, and pictures cut to narrow upright parts.
        resize(240, 1300);
        collage().addPictures(ids, images, {}, {});
        // Crop windows off the pictures' centres.
        int n = 0;
        for (const PositionPtr& slot : collage().picturePositions())
            if (slot && !slot->isEmpty())
                slot->setPanZoomValue(PanZoomPos(0.2 + 0.15 * (n++ % 5), 0.4, 0.3));
        if (row.background) {
            collage().setBackgroundImageByMd5(ids.first());
            collage().setBackgroundIsImage(true);
            collage().setBackgroundImageIsPattern(false);
        }
        const QImage rendered = c->exporter().getImageBitmapRepForWidth(240, 1300);
        QImage plain(240, 1300, QImage::Format_ARGB32_Premultiplied);
        {
            GraphicsContext context(plain);
            collage().drawYourselfOnCurrentContextInWidth(context, 240, 1300, true);
        }
        ASSERT_EQ(rendered.size(), plain.size());
        const int worst = largestDifference(rendered, plain, false);
        // A sample's place may round apart by a level; shadows blurred in
        // bands by two.
        EXPECT_LE(worst, 2);
    }
}
