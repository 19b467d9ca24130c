#include "FileCallFaults.h"
#include "FileSizeLimit.h"
#include "document/CollageDocument.h"
#include "document/WorkWithFileFormat.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace qf;

namespace {

using qf::test::FileCallFaults;
using qf::test::FileSizeLimit;

const QString kCorrupt = QStringLiteral("This file is corrupt and can't be opened.");
const QString kOnlyTheseTypes = QStringLiteral("Quiltfolio can open .quiltfolio or .quiltfolioproj files only.");
const QString kProjectNotAFolder = QStringLiteral(
    "This project is damaged and can't be opened: a Quiltfolio project is a folder, and this one is a single file.");
const QString kDesignNotAFile = QStringLiteral(
    "This file is damaged and can't be opened: a Quiltfolio design is a single file, and this one is a folder.");
const QString kNewer = QStringLiteral(
    "This file has been created using a more recent version of Quiltfolio than yours. "
    "Please update to the latest version of Quiltfolio to open this file.");
const QString kSaveAs = QStringLiteral("\nUse 'File -> Save As' menu to save this file.");

QString fixture(const QString& name)
{
    return QStringLiteral(QF_TEST_DATA_DIR "/documents/") + name;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void copyTree(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        writeFile(to + u'/' + QDir(from).relativeFilePath(file), readAll(file));
    }
}

QMap<QString, QByteArray> snapshot(const QString& root)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        out.insert(QDir(root).relativeFilePath(fi.filePath()), fi.isDir() ? QByteArray("/") : readAll(fi.filePath()));
    }
    return out;
}

QStringList names(const CollageDocument& doc)
{
    QStringList out;
    for (const auto& c : doc.imageWrapperContainers())
        out << c->preferredFilename();
    return out;
}

class FakeHost : public DocumentHost {
public:
    QByteArray payload = R"({"cs":"grid"})";
    QByteArray rendered = "rendered picture";
    bool breakEnvelope = false;
    QStringList inUse;
    QList<std::tuple<QString, double, int>> requests;
    QStringList saved;

    QByteArray dataOfTypeForSave(const QString& type, double jpeg, int tiff) override
    {
        requests.append({type, jpeg, tiff});
        if (type != CollageDocument::designType())
            return rendered;
        QByteArray envelope = WorkWithFileFormat::getFileDataForActualJsonData(payload);
        if (breakEnvelope)
            envelope[envelope.size() - 1] = 'X';
        return envelope;
    }
    QStringList allPicturesInUse() const override { return inUse; }
    void savedSuccessfullyToFileType(const QString& type) override { saved << type; }
};

struct Editing {
    CollageDocument doc;
    FakeHost* host = nullptr;

    Editing()
    {
        doc.setHostFactory([this](CollageDocument&) {
            auto h = std::make_unique<FakeHost>();
            host = h.get();
            return h;
        });
        doc.makeWindowControllers();
    }
};

QString md5Of(const QByteArray& bytes)
{
    return QFRegularFileWrapperContainer(bytes, QString()).md5().value_or(QString());
}

} // namespace

TEST(CollageDocument, ReadsAProjectPackageWithItsPicturesAndTemplateInformation)
{
    CollageDocument doc;
    const QString path = fixture(QStringLiteral("template.quiltfolioproj"));
    ASSERT_TRUE(doc.readFromPath(path));
    EXPECT_EQ(doc.fileType(), CollageDocument::projectType());
    EXPECT_EQ(doc.fileName(), path);
    EXPECT_EQ(doc.jsonData(), readAll(path + QStringLiteral("/collage.design")));

    // Every regular file of "Images", hidden and non-picture ones included,
    // duplicates kept, in name order.
    EXPECT_EQ(names(doc), (QStringList{QStringLiteral(".hidden.png"), QStringLiteral("blue.png"), QStringLiteral("notes.txt"),
                                       QStringLiteral("red copy.png"), QStringLiteral("red.png")}));
    const QString red = md5Of(readAll(path + QStringLiteral("/Images/red.png")));
    EXPECT_EQ(doc.getFileWrapperContainer(red), doc.imageWrapperContainers().at(3)); // the first of the two
    EXPECT_EQ(doc.getCompleteSizeImage(red).size(), QSize(8, 6));
    EXPECT_EQ(doc.getDrawingSizeImage(red).size(), QSize(8, 6)); // never larger than the picture
    const QString notes = *doc.imageWrapperContainers().at(2)->md5();
    EXPECT_TRUE(doc.getCompleteSizeImage(notes).isNull());
    EXPECT_TRUE(doc.getDrawingSizeImage(QStringLiteral("0123456789ABCDEF0123456789ABCDEF")).isNull());

    ASSERT_TRUE(doc.templateInfoDict());
    EXPECT_EQ(doc.templateInfoDict()->value(QStringLiteral("Description")), QStringLiteral("  Summer Trip\n"));
    EXPECT_EQ(doc.templateInfoDict()->value(QStringLiteral("Category1")), QStringLiteral("Travel"));
    ASSERT_TRUE(doc.previewImageFileWrapper());
    EXPECT_EQ(doc.previewImageFileWrapper()->regularFileContents(), readAll(fixture(QStringLiteral("preview.jpeg"))));

    CollageDocument plain;
    ASSERT_TRUE(plain.readFromPath(fixture(QStringLiteral("plain.quiltfolioproj"))));
    EXPECT_TRUE(plain.imageWrapperContainers().isEmpty());
    EXPECT_FALSE(plain.templateInfoDict());
    EXPECT_FALSE(plain.previewImageFileWrapper());
}

TEST(CollageDocument, AnOldSingleFileDesignOpensButIsSavedAsAPackage)
{
    Editing e;
    ASSERT_TRUE(e.doc.readFromPath(fixture(QStringLiteral("old-version6.quiltfolio"))));
    EXPECT_EQ(e.doc.fileType(), CollageDocument::designType());
    EXPECT_EQ(WorkWithFileFormat::getFileCreatedUsingVersion(*e.doc.jsonData()), 6);
    EXPECT_EQ(e.doc.saveDocument(), CollageDocument::SaveOperation::SaveAs);
    EXPECT_EQ(e.doc.validateUserInterfaceItem(u"saveDocument"), true);
    EXPECT_FALSE(e.doc.validateUserInterfaceItem(u"printDocument"));

    const auto asDesign = e.doc.fileWrapperOfType(CollageDocument::designType());
    EXPECT_EQ(asDesign.status.message(), kSaveAs);
    EXPECT_FALSE(asDesign.wrapper);

    QTemporaryDir tmp;
    ASSERT_TRUE(e.doc.saveToPath(tmp.filePath(QStringLiteral("Converted")), CollageDocument::projectType(),
                                 CollageDocument::SaveOperation::SaveAs));
    // The package got its extension, so it can be opened again.
    EXPECT_EQ(e.doc.fileName(), tmp.filePath(QStringLiteral("Converted.quiltfolioproj")));
    EXPECT_EQ(e.doc.saveDocument(), CollageDocument::SaveOperation::Save);
    EXPECT_FALSE(e.doc.validateUserInterfaceItem(u"saveDocument"));
    EXPECT_EQ(e.host->saved, QStringList{CollageDocument::projectType()});
}

TEST(CollageDocument, EveryFailureCarriesItsMessage)
{
    QTemporaryDir tmp;
    writeFile(tmp.filePath(QStringLiteral("folder.quiltfolio/collage.design")), "x");
    writeFile(tmp.filePath(QStringLiteral("notes.txt")), "x");
    writeFile(tmp.filePath(QStringLiteral("flat.quiltfolioproj")),
              readAll(fixture(QStringLiteral("plain.quiltfolioproj/collage.design"))));
    QDir().mkpath(tmp.filePath(QStringLiteral("folder-design.quiltfolioproj/collage.design")));
    writeFile(tmp.filePath(QStringLiteral("empty.quiltfolioproj/collage.design")), "");

    const std::pair<QString, QString> cases[] = {
        {fixture(QStringLiteral("missing-design.quiltfolioproj")), kCorrupt},
        {tmp.filePath(QStringLiteral("folder-design.quiltfolioproj")), kCorrupt},
        {tmp.filePath(QStringLiteral("empty.quiltfolioproj")), kCorrupt},
        {fixture(QStringLiteral("truncated.quiltfolio")), kCorrupt},
        {fixture(QStringLiteral("wrong-magic.quiltfolio")), kCorrupt},
        {fixture(QStringLiteral("version8-bad-digest.quiltfolio")), kCorrupt}, // digests before version
        {fixture(QStringLiteral("version8.quiltfolio")), kNewer},
        {tmp.filePath(QStringLiteral("notes.txt")), kOnlyTheseTypes},
        {tmp.filePath(QStringLiteral("folder.quiltfolio")), kDesignNotAFile},
        {tmp.filePath(QStringLiteral("flat.quiltfolioproj")), kProjectNotAFolder},
    };
    // A failed read leaves the document as it was.
    CollageDocument doc;
    ASSERT_TRUE(doc.readFromPath(fixture(QStringLiteral("template.quiltfolioproj"))));
    const auto json = doc.jsonData();
    for (const auto& [path, message] : cases) {
        const Status s = doc.readFromPath(path);
        EXPECT_EQ(s.message(), message) << path.toStdString();
        EXPECT_EQ(doc.jsonData(), json);
        EXPECT_EQ(doc.imageWrapperContainers().size(), 5);
        EXPECT_EQ(doc.fileName(), fixture(QStringLiteral("template.quiltfolioproj")));
    }

    const auto file = FileWrapper::makeRegularFile(readAll(fixture(QStringLiteral("old-version6.quiltfolio"))));
    const auto folder = FileWrapper::makeDirectory();
    EXPECT_EQ(doc.readFromFileWrapper(*file, CollageDocument::projectType()).message(), kProjectNotAFolder);
    EXPECT_EQ(doc.readFromFileWrapper(*folder, CollageDocument::designType()).message(), kDesignNotAFile);
    EXPECT_EQ(doc.readFromFileWrapper(*file, CollageDocument::pngType()).message(), kOnlyTheseTypes);
    EXPECT_TRUE(doc.readFromFileWrapper(*file, CollageDocument::designType()));
}

TEST(CollageDocument, LinksAndSpecialFilesInAPackageAreNotFollowed)
{
    QTemporaryDir tmp;
    const QString pkg = tmp.filePath(QStringLiteral("linked.quiltfolioproj"));
    copyTree(fixture(QStringLiteral("plain.quiltfolioproj")), pkg);
    writeFile(tmp.filePath(QStringLiteral("outside.png")), readAll(fixture(QStringLiteral("template.quiltfolioproj/Images/red.png"))));
    QDir().mkpath(pkg + QStringLiteral("/Images"));
    ASSERT_EQ(symlink(qPrintable(tmp.filePath(QStringLiteral("outside.png"))), qPrintable(pkg + QStringLiteral("/Images/link.png"))), 0);
    ASSERT_EQ(mkfifo(qPrintable(pkg + QStringLiteral("/Images/pipe.png")), 0644), 0);
    writeFile(pkg + QStringLiteral("/Images/real.png"), "bytes");

    CollageDocument doc;
    ASSERT_TRUE(doc.readFromPath(pkg));
    EXPECT_EQ(names(doc), QStringList{QStringLiteral("real.png")});

    // A design that is a link is not followed either: the package is corrupt.
    const QString linked = tmp.filePath(QStringLiteral("design-link.quiltfolioproj"));
    QDir().mkpath(linked);
    ASSERT_EQ(symlink(qPrintable(pkg + QStringLiteral("/collage.design")), qPrintable(linked + QStringLiteral("/collage.design"))), 0);
    EXPECT_EQ(doc.readFromPath(linked).message(), kCorrupt);
}

TEST(CollageDocument, ThePackageHoldsTheEnvelopeAndOnlyThePicturesInUse)
{
    Editing e;
    ASSERT_TRUE(e.doc.readFromPath(fixture(QStringLiteral("template.quiltfolioproj"))));
    const QString red = md5Of(readAll(fixture(QStringLiteral("template.quiltfolioproj/Images/red.png"))));
    // A new picture whose name clashes with a stored one.
    auto other = std::make_shared<QFRegularFileWrapperContainer>(QByteArray("other bytes"), QStringLiteral("RED.png"));
    e.doc.addImage(other);
    e.host->inUse = {red, *other->md5(), QStringLiteral("NOT-IN-THE-STORE")};

    const auto made = e.doc.fileWrapperOfType(CollageDocument::projectType());
    ASSERT_TRUE(made.status);
    const auto& top = made.wrapper->fileWrappers();
    ASSERT_EQ(top.size(), 2u); // no template information, no preview
    EXPECT_EQ(made.wrapper->fileWrapper(QStringLiteral("collage.design"))->regularFileContents(),
              WorkWithFileFormat::getFileDataForActualJsonData(e.host->payload));
    QStringList written;
    for (const auto& [name, child] : made.wrapper->fileWrapper(QStringLiteral("Images"))->fileWrappers())
        written << name;
    EXPECT_EQ(written, (QStringList{QStringLiteral("RED 2.png"), QStringLiteral("red copy.png"), QStringLiteral("red.png")}));
    ASSERT_EQ(e.host->requests.size(), 1);
    EXPECT_EQ(e.host->requests.first(), std::make_tuple(CollageDocument::designType(), 0.96, 5));

    // Written and read back: the same pictures by identity.
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("Trip.quiltfolioproj"));
    ASSERT_TRUE(e.doc.saveToPath(path, CollageDocument::projectType(), CollageDocument::SaveOperation::SaveAs));
    CollageDocument again;
    ASSERT_TRUE(again.readFromPath(path));
    EXPECT_EQ(names(again), written);
    EXPECT_EQ(again.jsonData(), WorkWithFileFormat::getFileDataForActualJsonData(e.host->payload));
    EXPECT_TRUE(again.getFileWrapperContainer(*other->md5()));
    EXPECT_FALSE(again.templateInfoDict());
}

TEST(CollageDocument, ExportsWriteTheRenderedPictureOrNothing)
{
    Editing e;
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("out.tiff"));
    for (const auto& [index, code] : {std::pair{0, 1}, {1, 5}, {2, 32773}, {7, 5}}) {
        e.doc.setTiffCompression(index);
        ASSERT_TRUE(e.doc.saveToPath(path, CollageDocument::tiffType(), CollageDocument::SaveOperation::SaveTo));
        EXPECT_EQ(std::get<2>(e.host->requests.last()), code);
    }
    EXPECT_EQ(readAll(path), "rendered picture");
    EXPECT_TRUE(e.doc.fileName().isEmpty()); // an export is not the document's file
    EXPECT_EQ(e.host->saved.size(), 4);

    e.doc.setJpegCompression(0.5);
    ASSERT_TRUE(e.doc.saveToPath(tmp.filePath(QStringLiteral("out.jpg")), CollageDocument::jpegType(),
                                 CollageDocument::SaveOperation::SaveTo));
    EXPECT_EQ(std::get<1>(e.host->requests.last()), 0.5);

    // A rendering that failed replaces nothing and is no save.
    e.host->rendered.clear();
    const Status failed = e.doc.saveToPath(path, CollageDocument::tiffType(), CollageDocument::SaveOperation::SaveTo);
    EXPECT_EQ(failed.message(), QStringLiteral("The picture couldn't be made, so nothing was saved."));
    EXPECT_EQ(readAll(path), "rendered picture");
    EXPECT_EQ(e.host->saved.size(), 5);

    EXPECT_EQ(e.doc.saveToPath(tmp.filePath(QStringLiteral("x.gif")), QStringLiteral("com.compuserve.gif"),
                               CollageDocument::SaveOperation::SaveTo).message(), kSaveAs);
    CollageDocument headless; // no editor: nothing to save
    EXPECT_FALSE(headless.saveToPath(tmp.filePath(QStringLiteral("y.quiltfolioproj")), CollageDocument::projectType(),
                                     CollageDocument::SaveOperation::Save));
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath(QStringLiteral("y.quiltfolioproj"))));
}

TEST(CollageDocument, AnInterruptedSaveLeavesThePreviousPackageReadable)
{
    Editing e;
    ASSERT_TRUE(e.doc.readFromPath(fixture(QStringLiteral("template.quiltfolioproj"))));
    e.host->inUse = {md5Of(readAll(fixture(QStringLiteral("template.quiltfolioproj/Images/blue.png"))))};
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("Trip.quiltfolioproj"));
    ASSERT_TRUE(e.doc.saveToPath(path, CollageDocument::projectType(), CollageDocument::SaveOperation::SaveAs));
    const auto before = snapshot(path);
    const auto expectPrevious = [&] {
        EXPECT_EQ(snapshot(path), before);
        EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral("Trip.quiltfolioproj")});
        CollageDocument reread;
        EXPECT_TRUE(reread.readFromPath(path));
    };

    // The disk fills up while a large new picture is written.
    auto big = std::make_shared<QFRegularFileWrapperContainer>(QByteArray(300 * 1024, 'p'), QStringLiteral("big.jpg"));
    e.doc.addImage(big);
    e.host->inUse << *big->md5();
    {
        FileSizeLimit limit(100 * 1024);
        const Status s = e.doc.saveToPath(path, CollageDocument::projectType(), CollageDocument::SaveOperation::Save);
        EXPECT_EQ(s.message(), QStringLiteral("The document “Trip.quiltfolioproj” couldn't be saved because "
                                              "a file is too large for the volume."));
    }
    expectPrevious();

    // The editor hands over a damaged envelope.
    e.host->breakEnvelope = true;
    EXPECT_FALSE(e.doc.saveToPath(path, CollageDocument::projectType(), CollageDocument::SaveOperation::Save));
    expectPrevious();
    EXPECT_EQ(e.host->saved.size(), 1);

    // Saving below a regular file.
    e.host->breakEnvelope = false;
    const Status underFile = e.doc.saveToPath(path + QStringLiteral("/collage.design/Inner.quiltfolioproj"),
                                              CollageDocument::projectType(), CollageDocument::SaveOperation::SaveAs);
    EXPECT_TRUE(underFile.message().startsWith(QStringLiteral("The document “Inner.quiltfolioproj” couldn't be saved")));
    expectPrevious();
    EXPECT_EQ(e.doc.fileName(), path);

    if (geteuid() != 0) { // permission bits do not stop root
        chmod(qPrintable(tmp.path()), 0555);
        EXPECT_FALSE(e.doc.saveToPath(path, CollageDocument::projectType(), CollageDocument::SaveOperation::Save));
        chmod(qPrintable(tmp.path()), 0755);
        expectPrevious();
    }
}

// A save killed at any of its file calls: the next open reads the old or
// the new package, puts it back where a save left only its hidden copies,
// and leaves nothing else beside it.
TEST(CollageDocument, TheOpenAfterAKilledSaveReadsOldOrNewAndLeavesNoCopy)
{
    for (const bool exchange : {true, false}) {
        SCOPED_TRACE(exchange);
        Editing e;
        AtomicFileWriter::Options options;
        options.allowExchange = exchange;
        e.doc.setWriteOptions(options);
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("Trip.quiltfolioproj"));
        const auto save = [&](const char* payload) {
            e.host->payload = payload;
            return bool(e.doc.saveToPath(path, CollageDocument::projectType(), CollageDocument::SaveOperation::Save));
        };
        ASSERT_TRUE(save(R"({"cs":"grid","new":true})"));
        const auto newer = snapshot(path);
        int call = 1;
        for (int status = 0;; ++call) {
            ASSERT_TRUE(save(R"({"cs":"grid"})"));
            const auto older = snapshot(path);
            FileCallFaults::runChild(FileCallFaults::Fault::Kill, call, &status, 0,
                                     [&] { return save(R"({"cs":"grid","new":true})"); });
            if (WIFEXITED(status))
                break;
            EXPECT_TRUE(CollageDocument().readFromPath(path)) << call;
            EXPECT_TRUE(snapshot(path) == older || snapshot(path) == newer) << call;
            EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                      QStringList{QStringLiteral("Trip.quiltfolioproj")}) << call;
        }
        EXPECT_GT(call, 15);
    }
}

TEST(CollageDocument, ThePictureStoreKeepsOneContainerPerIdentity)
{
    CollageDocument doc;
    auto a = std::make_shared<QFRegularFileWrapperContainer>(QByteArray("same"), QStringLiteral("a.jpg"));
    auto b = std::make_shared<QFRegularFileWrapperContainer>(QByteArray("same"), QStringLiteral("b.jpg"));
    auto c = std::make_shared<QFRegularFileWrapperContainer>(QByteArray("different"), QStringLiteral("a.jpg"));
    doc.addImages({a, b, c, nullptr, c});
    EXPECT_EQ(doc.imageWrapperContainers(), (QList<std::shared_ptr<QFRegularFileWrapperContainer>>{a, c}));
    EXPECT_EQ(doc.getFileWrapperContainer(*b->md5()), a);
    EXPECT_FALSE(doc.getFileWrapperContainer(QStringLiteral("unknown")));
    EXPECT_TRUE(doc.getCompleteSizeImage(*a->md5()).isNull()); // not a picture

    EXPECT_EQ(CollageDocument::typeForPath(QStringLiteral("/x/Trip.QuiltfolioProj")), CollageDocument::projectType());
    EXPECT_EQ(CollageDocument::typeForPath(QStringLiteral("old.quiltfolio")), CollageDocument::designType());
    EXPECT_EQ(CollageDocument::typeForPath(QStringLiteral("a.JPG")), CollageDocument::jpegType());
    EXPECT_FALSE(CollageDocument::typeForPath(QStringLiteral("quiltfolio")));

    // One editor per document, made by the factory the application set.
    int made = 0;
    CollageDocument::setDefaultHostFactory([&](CollageDocument&) {
        ++made;
        return std::make_unique<FakeHost>();
    });
    doc.makeWindowControllers();
    doc.makeWindowControllers();
    CollageDocument::setDefaultHostFactory(nullptr);
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(doc.fotoloomController());
}
