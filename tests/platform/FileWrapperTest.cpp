#include "FileCallFaults.h"
#include "FileSizeLimit.h"
#include "platform/files/AtomicFileWriter.h"
#include "platform/files/FileWrapper.h"
#include "platform/files/FileWrapperReader.h"
#include "platform/files/SaveLeftovers.h"
#include "platform/plist/PropertyList.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QPointF>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <csignal>
#include <cstring>
#include <limits>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace qf;

namespace {

using qf::test::FileCallFaults;
using qf::test::FileSizeLimit;
using Fault = FileCallFaults::Fault;

// Root passes permission bits by these capabilities; without them in this
// thread it meets the bits as the owner of its files does.
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride()
    {
        syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH | 1u << CAP_FOWNER);
        syscall(SYS_capset, &m_header, reduced);
    }
    ~WithoutPermissionOverride() { syscall(SYS_capset, &m_header, m_saved); }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
};

QString dataPath(const char* name)
{
    return QStringLiteral(QF_TEST_DATA_DIR "/") + QString::fromUtf8(name);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Every file under the folder (hidden ones too) with its bytes, links as
// "-> target"; folders as empty entries ending in '/'.
QMap<QString, QByteArray> snapshot(const QString& root)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        const QString rel = QDir(root).relativeFilePath(fi.filePath());
        if (fi.isSymLink())
            out.insert(rel, "-> " + fi.symLinkTarget().toUtf8());
        else if (fi.isDir())
            out.insert(rel + u'/', {});
        else {
            QFile f(fi.filePath());
            f.open(QIODevice::ReadOnly);
            out.insert(rel, f.readAll());
        }
    }
    return out;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

std::shared_ptr<FileWrapper> samplePackage(const QByteArray& design, int pictures = 2)
{
    auto pkg = FileWrapper::makeDirectory();
    pkg->addRegularFile(design, QStringLiteral("collage.design"));
    auto images = FileWrapper::makeDirectory(QStringLiteral("Images"));
    for (int i = 0; i < pictures; ++i)
        images->addRegularFile(QByteArray(1000 + i, char('a' + i)), QStringLiteral("p%1.jpg").arg(i));
    pkg->addFileWrapper(images);
    return pkg;
}

} // namespace

// --- names -------------------------------------------------------------------

TEST(FileWrapper, ClashingNamesAreMadeUniqueKeepingTheExtension)
{
    auto dir = FileWrapper::makeDirectory();
    EXPECT_EQ(dir->addRegularFile("1", QStringLiteral("photo.jpg")), QStringLiteral("photo.jpg"));
    EXPECT_EQ(dir->addRegularFile("2", QStringLiteral("photo.jpg")), QStringLiteral("photo 2.jpg"));
    EXPECT_EQ(dir->addRegularFile("3", QStringLiteral("PHOTO.JPG")), QStringLiteral("PHOTO 3.JPG"));
    EXPECT_EQ(dir->addRegularFile("4", QStringLiteral(".hidden")), QStringLiteral(".hidden"));
    EXPECT_EQ(dir->addRegularFile("5", QStringLiteral(".hidden")), QStringLiteral(".hidden 2"));
    EXPECT_EQ(dir->addRegularFile("6", QStringLiteral("photo 2.jpg")), QStringLiteral("photo 2 2.jpg"));
    EXPECT_EQ(dir->fileWrappers().size(), 6u);
    EXPECT_EQ(dir->fileWrapper(QStringLiteral("photo 2.jpg"))->regularFileContents(), "2");

    // A removed name is free again.
    EXPECT_TRUE(dir->removeFileWrapper(QStringLiteral("photo.jpg")));
    EXPECT_FALSE(dir->removeFileWrapper(QStringLiteral("photo.jpg")));
    EXPECT_EQ(dir->addRegularFile("7", QStringLiteral("Photo.jpg")), QStringLiteral("Photo.jpg"));

    // Files have no children.
    auto file = FileWrapper::makeRegularFile("x");
    EXPECT_TRUE(file->addRegularFile("y", QStringLiteral("a")).isEmpty());
}

TEST(FileWrapper, UnsafeAndOverlongNamesBecomeOnePathComponent)
{
    EXPECT_EQ(FileWrapper::safeFilename(QStringLiteral("../a/b")), QStringLiteral(".._a_b"));
    EXPECT_EQ(FileWrapper::safeFilename(QString()), QStringLiteral("untitled"));
    EXPECT_EQ(FileWrapper::safeFilename(QStringLiteral("..")), QStringLiteral("untitled"));
    EXPECT_EQ(FileWrapper::safeFilename(QStringLiteral("a") + QChar(0) + u'b'), QStringLiteral("a_b"));

    // 200 three-byte characters: cut at a character, extension kept.
    const QString longName = QString(200, QChar(0x20AC)) + QStringLiteral(".jpeg");
    const QString safe = FileWrapper::safeFilename(longName);
    EXPECT_LE(safe.toUtf8().size(), FileWrapper::maxNameBytes);
    EXPECT_TRUE(safe.endsWith(QStringLiteral(".jpeg")));
    EXPECT_EQ(QString::fromUtf8(safe.toUtf8()), safe);

    // The numbered name of a clash still fits.
    auto dir = FileWrapper::makeDirectory();
    dir->addRegularFile("1", longName);
    const QString second = dir->addRegularFile("2", longName);
    EXPECT_LE(second.toUtf8().size(), FileWrapper::maxNameBytes);
    EXPECT_TRUE(second.endsWith(QStringLiteral(" 2.jpeg")));
}

// --- reading -----------------------------------------------------------------

TEST(FileWrapperReader, ReadsFilesFoldersAndHiddenEntries)
{
    QTemporaryDir tmp;
    const QString root = tmp.filePath(QStringLiteral("pkg"));
    writeFile(root + QStringLiteral("/collage.design"), "design");
    writeFile(root + QStringLiteral("/Images/.hidden.jpg"), "hidden");
    writeFile(root + QStringLiteral("/Images/empty.jpg"), "");
    QDir().mkpath(root + QStringLiteral("/Empty"));

    const auto r = FileWrapperReader::read(root);
    ASSERT_TRUE(r.status) << r.status.message().toStdString();
    ASSERT_TRUE(r.wrapper->isDirectory());
    EXPECT_EQ(r.wrapper->preferredFilename(), QStringLiteral("pkg"));
    EXPECT_EQ(r.wrapper->fileWrapper(QStringLiteral("collage.design"))->regularFileContents(), "design");
    const auto images = r.wrapper->fileWrapper(QStringLiteral("Images"));
    ASSERT_TRUE(images && images->isDirectory());
    EXPECT_EQ(images->fileWrapper(QStringLiteral(".hidden.jpg"))->regularFileContents(), "hidden");
    EXPECT_TRUE(images->fileWrapper(QStringLiteral("empty.jpg"))->isRegularFile());
    EXPECT_TRUE(r.wrapper->fileWrapper(QStringLiteral("Empty"))->isDirectory());
    EXPECT_TRUE(r.skipped.isEmpty());

    const auto single = FileWrapperReader::read(root + QStringLiteral("/collage.design"));
    ASSERT_TRUE(single.status);
    EXPECT_TRUE(single.wrapper->isRegularFile());
    EXPECT_EQ(single.wrapper->regularFileContents(), "design");
}

TEST(FileWrapperReader, FolderOfManyFilesIsReadWholeAndExactly)
{
    // Files are read in batches on several cores: contents must not mix,
    // and a subfolder between them must not cut a batch short.
    QTemporaryDir tmp;
    const QString root = tmp.filePath(QStringLiteral("pkg"));
    const auto contents = [](int i) {
        QByteArray bytes(i % 7 == 0 ? 0 : (i * 7919) % 300'000, Qt::Uninitialized);
        for (qsizetype k = 0; k < bytes.size(); ++k)
            bytes[k] = char((k * 31 + i) & 0xFF);
        return bytes;
    };
    for (int i = 0; i < 150; ++i)
        writeFile(root + QStringLiteral("/Images/p%1.jpg").arg(i), contents(i));
    writeFile(root + QStringLiteral("/Images/sub/inner.txt"), "inner");

    const auto r = FileWrapperReader::read(root);
    ASSERT_TRUE(r.status) << r.status.message().toStdString();
    const auto images = r.wrapper->fileWrapper(QStringLiteral("Images"));
    ASSERT_TRUE(images);
    EXPECT_EQ(images->fileWrappers().size(), 151u);
    for (int i = 0; i < 150; ++i) {
        const auto file = images->fileWrapper(QStringLiteral("p%1.jpg").arg(i));
        ASSERT_TRUE(file && file->isRegularFile()) << i;
        EXPECT_EQ(file->regularFileContents(), contents(i)) << i;
    }
    EXPECT_EQ(images->fileWrapper(QStringLiteral("sub"))->fileWrapper(QStringLiteral("inner.txt"))->regularFileContents(),
              "inner");
}

TEST(FileWrapperReader, LinksAndSpecialFilesInsideAreNeverFollowedOrOpened)
{
    QTemporaryDir tmp;
    const QString root = tmp.filePath(QStringLiteral("pkg"));
    writeFile(tmp.filePath(QStringLiteral("outside/secret.txt")), "secret");
    writeFile(root + QStringLiteral("/real.jpg"), "real");
    ASSERT_EQ(symlink(qPrintable(tmp.filePath(QStringLiteral("outside/secret.txt"))),
                      qPrintable(root + QStringLiteral("/link.jpg"))), 0);
    ASSERT_EQ(symlink(qPrintable(tmp.filePath(QStringLiteral("outside"))), qPrintable(root + QStringLiteral("/dirlink"))), 0);
    ASSERT_EQ(symlink("/nonexistent", qPrintable(root + QStringLiteral("/dangling"))), 0);
    // A FIFO nobody writes to: opening it for reading would block forever.
    ASSERT_EQ(mkfifo(qPrintable(root + QStringLiteral("/fifo.jpg")), 0644), 0);

    const auto r = FileWrapperReader::read(root);
    ASSERT_TRUE(r.status);
    EXPECT_EQ(r.wrapper->fileWrappers().size(), 1u);
    EXPECT_TRUE(r.wrapper->fileWrapper(QStringLiteral("real.jpg")));
    QStringList skipped = r.skipped;
    skipped.sort();
    EXPECT_EQ(skipped, (QStringList{QStringLiteral("dangling"), QStringLiteral("dirlink"),
                                    QStringLiteral("fifo.jpg"), QStringLiteral("link.jpg")}));

    // The path itself may be a link; a special file there is refused unopened.
    ASSERT_EQ(symlink(qPrintable(root), qPrintable(tmp.filePath(QStringLiteral("alias")))), 0);
    EXPECT_TRUE(FileWrapperReader::read(tmp.filePath(QStringLiteral("alias"))).status);
    for (const QString& special : {root + QStringLiteral("/fifo.jpg"), QStringLiteral("/dev/zero")}) {
        const auto refused = FileWrapperReader::read(special);
        EXPECT_FALSE(refused.status);
        EXPECT_TRUE(refused.status.message().contains(QStringLiteral("not a regular file or folder")));
    }
}

TEST(FileWrapperReader, ManyFilesAreEachReadWholeIntoTheirOwnFolder)
{
    // More files than are read at once, with folders between them and files
    // of many sizes, some empty and some larger than a read's page.
    QTemporaryDir tmp;
    const QString root = tmp.filePath(QStringLiteral("pkg"));
    const auto contentsOf = [](const QString& folder, int i) {
        QByteArray bytes = (folder + QString::number(i)).toUtf8();
        return i % 7 == 0 ? QByteArray() : bytes.repeated(1 + (i * 997) % 3000);
    };
    const QStringList folders{QStringLiteral("Images"), QStringLiteral("Images/Sub"), QStringLiteral("Other")};
    for (const QString& folder : folders)
        for (int i = 0; i < 150; ++i)
            writeFile(root + u'/' + folder + QStringLiteral("/p%1.jpg").arg(i), contentsOf(folder, i));

    const auto r = FileWrapperReader::read(root);
    ASSERT_TRUE(r.status) << r.status.message().toStdString();
    for (const QString& folder : folders) {
        std::shared_ptr<FileWrapper> dir = r.wrapper;
        for (const QString& part : folder.split(u'/'))
            dir = dir ? dir->fileWrapper(part) : nullptr;
        ASSERT_TRUE(dir) << folder.toStdString();
        EXPECT_EQ(dir->fileWrappers().size(), folder == QStringLiteral("Images") ? 151u : 150u);
        for (int i = 0; i < 150; ++i) {
            const auto file = dir->fileWrapper(QStringLiteral("p%1.jpg").arg(i));
            ASSERT_TRUE(file && file->isRegularFile()) << folder.toStdString() << " " << i;
            EXPECT_EQ(file->regularFileContents(), contentsOf(folder, i)) << folder.toStdString() << " " << i;
        }
    }
}

TEST(FileWrapperReader, LimitsBoundDepthEntriesAndSize)
{
    QTemporaryDir tmp;
    const QString root = tmp.filePath(QStringLiteral("deep"));
    QString path = root;
    for (int i = 0; i < 40; ++i)
        path += QStringLiteral("/d");
    writeFile(path + QStringLiteral("/leaf"), "x");

    FileWrapperReader::Limits limits;
    limits.maxDepth = 3;
    auto r = FileWrapperReader::read(root, limits);
    ASSERT_TRUE(r.status);
    EXPECT_EQ(r.skipped, QStringList{QStringLiteral("d/d/d/d")});
    EXPECT_TRUE(r.wrapper->fileWrapper(QStringLiteral("d"))->fileWrapper(QStringLiteral("d"))->fileWrapper(QStringLiteral("d")));

    const QString wide = tmp.filePath(QStringLiteral("wide"));
    for (int i = 0; i < 3000; ++i)
        writeFile(wide + QStringLiteral("/f%1").arg(i), "x");
    limits = {};
    EXPECT_TRUE(FileWrapperReader::read(wide, limits).status);
    limits.maxEntries = 2999;
    r = FileWrapperReader::read(wide, limits);
    EXPECT_FALSE(r.status);
    EXPECT_FALSE(r.wrapper);
    EXPECT_TRUE(r.status.message().contains(QStringLiteral("more than 2999 files")));

    limits = {};
    limits.maxFileBytes = 100;
    writeFile(wide + QStringLiteral("/big"), QByteArray(101, 'b'));
    EXPECT_TRUE(FileWrapperReader::read(wide, limits).status.message().contains(QStringLiteral("too large")));
    limits = {};
    limits.maxTotalBytes = 3000;
    EXPECT_FALSE(FileWrapperReader::read(wide, limits).status);

    const auto missing = FileWrapperReader::read(tmp.filePath(QStringLiteral("nothing.quiltfolioproj")));
    EXPECT_EQ(missing.status.message(),
              QStringLiteral("The file “nothing.quiltfolioproj” couldn't be opened because it doesn't exist."));
}

// --- atomic writes -----------------------------------------------------------

TEST(AtomicFileWriter, WritesAndReplacesPackagesLeavingNothingBehind)
{
    for (const bool exchange : {true, false}) {
        SCOPED_TRACE(exchange ? "exchange" : "move aside");
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("My Collage.quiltfolioproj"));
        AtomicFileWriter::Options options;
        options.allowExchange = exchange;

        ASSERT_TRUE(AtomicFileWriter::write(*samplePackage("first", 3), path, options));
        const auto first = snapshot(path);
        EXPECT_EQ(first.value(QStringLiteral("collage.design")), "first");
        EXPECT_EQ(first.value(QStringLiteral("Images/p2.jpg")), QByteArray(1002, 'c'));

        chmod(qPrintable(path), 0750);
        ASSERT_TRUE(AtomicFileWriter::write(*samplePackage("second", 1), path, options));
        const auto second = snapshot(path);
        EXPECT_EQ(second.keys(), (QStringList{QStringLiteral("Images/"), QStringLiteral("Images/p0.jpg"),
                                              QStringLiteral("collage.design")}));
        EXPECT_EQ(second.value(QStringLiteral("collage.design")), "second");
        struct stat st {};
        ASSERT_EQ(stat(qPrintable(path), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0750u); // the user's permissions stay
        EXPECT_EQ(entries(tmp.path()), QStringList{QStringLiteral("My Collage.quiltfolioproj")});

        // A file replaces the folder and the other way round.
        ASSERT_TRUE(AtomicFileWriter::write(*FileWrapper::makeRegularFile("flat"), path, options));
        EXPECT_TRUE(QFileInfo(path).isFile());
        ASSERT_TRUE(AtomicFileWriter::write(*samplePackage("third"), path, options));
        EXPECT_EQ(snapshot(path).value(QStringLiteral("collage.design")), "third");
        EXPECT_EQ(entries(tmp.path()).size(), 1);
    }
}

TEST(AtomicFileWriter, ReplacingAFileKeepsItsModeAndItsLinks)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("export.png"));
    writeFile(path, "old picture");
    chmod(qPrintable(path), 0600);
    ASSERT_TRUE(AtomicFileWriter::write(*FileWrapper::makeRegularFile("new picture"), path));
    EXPECT_EQ(snapshot(tmp.path()), (QMap<QString, QByteArray>{{QStringLiteral("export.png"), "new picture"}}));
    struct stat st {};
    ASSERT_EQ(stat(qPrintable(path), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    // Saved through a link: the target changes, the link stays a link.
    const QString link = tmp.filePath(QStringLiteral("link.png"));
    ASSERT_EQ(symlink("export.png", qPrintable(link)), 0);
    ASSERT_TRUE(AtomicFileWriter::write(*FileWrapper::makeRegularFile("via link"), link));
    EXPECT_EQ(snapshot(tmp.path()), (QMap<QString, QByteArray>{{QStringLiteral("export.png"), "via link"},
                                                               {QStringLiteral("link.png"), "-> " + path.toUtf8()}}));
}

TEST(AtomicFileWriter, AFailedWriteLeavesTheOldCopyUntouched)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("Trip.quiltfolioproj"));
    ASSERT_TRUE(AtomicFileWriter::write(*samplePackage("old design"), path));
    const auto before = snapshot(path);

    {
        // The disk fills up in the middle of the new copy.
        FileSizeLimit limit(64 * 1024);
        auto big = samplePackage("new design");
        big->fileWrapper(QStringLiteral("Images"))->addRegularFile(QByteArray(200 * 1024, 'z'), QStringLiteral("big.jpg"));
        const Status s = AtomicFileWriter::write(*big, path);
        ASSERT_FALSE(s);
        EXPECT_EQ(s.message(), QStringLiteral("The document “Trip.quiltfolioproj” couldn't be saved because "
                                              "a file is too large for the volume."));
    }
    EXPECT_EQ(snapshot(path), before);
    EXPECT_EQ(entries(tmp.path()), QStringList{QStringLiteral("Trip.quiltfolioproj")});

    // A child name that is no single path component.
    auto bad = samplePackage("new design");
    bad->setFileWrapperForExactName(QStringLiteral("../escape"), FileWrapper::makeRegularFile("x"));
    EXPECT_FALSE(AtomicFileWriter::write(*bad, path));
    EXPECT_EQ(snapshot(path), before);
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath(QStringLiteral("escape"))));
    EXPECT_EQ(entries(tmp.path()).size(), 1);

    // A file where the folder must be.
    writeFile(tmp.filePath(QStringLiteral("plain")), "file");
    const Status underFile = AtomicFileWriter::write(*samplePackage("x"), tmp.filePath(QStringLiteral("plain/Trip.quiltfolioproj")));
    EXPECT_EQ(underFile.message(), QStringLiteral("The document “Trip.quiltfolioproj” couldn't be saved because "
                                                  "the folder “plain” doesn't exist."));
}

TEST(AtomicFileWriter, AReadOnlyFolderIsReportedAndLeftAlone)
{
    QTemporaryDir tmp;
    WithoutPermissionOverride asTheOwner;
    const QString folder = tmp.filePath(QStringLiteral("locked"));
    const QString path = folder + QStringLiteral("/Trip.quiltfolioproj");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(AtomicFileWriter::write(*samplePackage("old"), path));
    const auto before = snapshot(folder);
    chmod(qPrintable(folder), 0555);
    const Status s = AtomicFileWriter::write(*samplePackage("new"), path);
    chmod(qPrintable(folder), 0755);
    EXPECT_TRUE(s.message().contains(QStringLiteral("you don't have permission to write to the folder “locked”")));
    EXPECT_EQ(snapshot(folder), before);
}

// A save that ends at any of its file calls: killed (the package then opened
// or saved again), stopped while this process opens the package, or met with
// a failed call. The package is always the old or the new one, and no copy
// stays once it is opened or saved again.
TEST(AtomicFileWriter, ASaveEndedAtAnyCallLeavesOldOrNewAndNoCopyAfterTheNextOpenOrSave)
{
    struct Case {
        const char* name;
        Fault fault;
        bool exchange, saveNext, throughLink;
    };
    for (const Case& c : {Case{"killed, exchange, opened", Fault::Kill, true, false, false},
                          Case{"killed, exchange, saved", Fault::Kill, true, true, false},
                          Case{"killed, moved aside, opened", Fault::Kill, false, false, false},
                          Case{"killed, moved aside, opened through a link", Fault::Kill, false, false, true},
                          Case{"killed, moved aside, saved", Fault::Kill, false, true, false},
                          Case{"stopped while opened, exchange", Fault::Stop, true, false, false},
                          Case{"stopped while opened, moved aside", Fault::Stop, false, false, false},
                          Case{"failed call, exchange", Fault::Fail, true, false, false},
                          Case{"failed call, moved aside", Fault::Fail, false, false, false}}) {
        SCOPED_TRACE(c.name);
        QTemporaryDir tmp;
        const QString folder = tmp.filePath(QStringLiteral("work"));
        const QString path = folder + QStringLiteral("/Trip.quiltfolioproj");
        const QString given = c.throughLink ? tmp.filePath(QStringLiteral("Trip.quiltfolioproj")) : path;
        ASSERT_TRUE(QDir().mkpath(folder) && (given == path || symlink(qPrintable(path), qPrintable(given)) == 0));
        AtomicFileWriter::Options options;
        options.allowExchange = c.exchange;
        const auto older = samplePackage("old", 3);
        const auto newer = samplePackage("new", 1);
        ASSERT_TRUE(AtomicFileWriter::write(*newer, path, options));
        const auto newSnapshot = snapshot(path);
        const auto save = [&] { return bool(AtomicFileWriter::write(*newer, given, options)); };

        int ended = 0, leftCopies = 0, leftNoPackage = 0;
        for (int call = 1;; ++call) {
            SCOPED_TRACE(call);
            ASSERT_TRUE(AtomicFileWriter::write(*older, path, options));
            const auto oldSnapshot = snapshot(path);
            int status = 0;
            if (c.fault == Fault::Fail) {
                FileCallFaults::arm(Fault::Fail, call);
                // Saved first, then looked at: the order of the two is ours.
                const bool saved = save();
                EXPECT_EQ(snapshot(path), saved ? newSnapshot : oldSnapshot);
                FileCallFaults::disarm();
                if (FileCallFaults::count < call)
                    break;
            } else if (const pid_t pid = FileCallFaults::runChild(c.fault, call, &status, WUNTRACED, save);
                       WIFEXITED(status)) {
                break;
            } else if (WIFSTOPPED(status)) {
                SaveLeftovers::tidy(given);
                kill(pid, SIGCONT);
                waitpid(pid, &status, 0);
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0); // its copies were left alone
            }
            ++ended;
            leftCopies += entries(folder).size() > 1;
            const bool noPackage = !QFileInfo::exists(path);
            leftNoPackage += noPackage;
            if (c.saveNext)
                ASSERT_TRUE(AtomicFileWriter::write(*older, given, options));
            else
                SaveLeftovers::tidy(given);
            const auto now = snapshot(path);
            EXPECT_TRUE(now == oldSnapshot || now == newSnapshot);
            EXPECT_TRUE(!noPackage || c.saveNext || now == newSnapshot); // complete once the old one moved aside
            EXPECT_EQ(entries(folder), QStringList{QStringLiteral("Trip.quiltfolioproj")});
        }
        EXPECT_GT(ended, 20);
        EXPECT_TRUE(c.fault != Fault::Kill || (leftCopies > ended / 2 && (leftNoPackage > 0) == !c.exchange));
    }
}

// The old copy of a read-only package is still removed, and a copy that
// really cannot be is reported once while saves go on.
TEST(AtomicFileWriter, AReadOnlyPackageIsReplacedWithoutALeftover)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("Trip.quiltfolioproj"));
    for (const bool exchange : {true, false}) {
        SCOPED_TRACE(exchange);
        AtomicFileWriter::Options options;
        options.allowExchange = exchange;
        ASSERT_TRUE(AtomicFileWriter::write(*samplePackage("old"), path, options));
        chmod(qPrintable(path + QStringLiteral("/Images")), 0555);
        chmod(qPrintable(path), 0555);
        WithoutPermissionOverride asTheOwner;
        for (const char* design : {"new", "newer"}) {
            ASSERT_TRUE(AtomicFileWriter::write(*samplePackage(design), path, options));
            EXPECT_EQ(snapshot(path).value(QStringLiteral("collage.design")), design);
            EXPECT_EQ(entries(tmp.path()), QStringList{QStringLiteral("Trip.quiltfolioproj")});
            struct stat st {};
            EXPECT_TRUE(stat(qPrintable(path), &st) == 0 && (st.st_mode & 07777) == 0555);
        }
    }

    // Someone else's copy in a folder of theirs.
    const QString stuck = tmp.filePath(QStringLiteral(".Trip.quiltfolioproj.saving-1-0"));
    writeFile(stuck + QStringLiteral("/collage.design"), "theirs");
    if (chown(qPrintable(stuck + QStringLiteral("/collage.design")), 65534, 65534) != 0
        || chown(qPrintable(stuck), 65534, 65534) != 0 || chmod(qPrintable(stuck), 0555) != 0)
        GTEST_SKIP() << "needs a copy owned by another user";
    static int warnings = 0;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& c, const QString&) {
        warnings += type == QtWarningMsg && QByteArrayView(c.category) == "qf.files.leftovers";
    });
    {
        WithoutPermissionOverride asTheOwner;
        EXPECT_TRUE(AtomicFileWriter::write(*samplePackage("new"), path));
        EXPECT_TRUE(AtomicFileWriter::write(*samplePackage("newer"), path));
        SaveLeftovers::tidy(path);
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(entries(tmp.path()).size(), 2);
}

// Modes the user gave a package's folders and files stay through a save
// over it; what is new gets the usual ones. A read-only folder is still
// written into.
TEST(AtomicFileWriter, SavingOverAPackageKeepsTheModesOfItsParts)
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t folder = 0777 & ~mask, file = 0666 & ~mask;
    struct Row {
        const char* name;
        mode_t images, picture; // 0: as written
    };
    const Row rows[] = {
        {"as written", 0, 0},
        {"read-only pictures folder", 0555, 0},
        {"private", 0700, 0600},
        {"read-only picture", 0, 0444},
    };
    const auto modeOf = [](const QString& path) {
        struct stat st {};
        return stat(qPrintable(path), &st) == 0 ? st.st_mode & 07777 : mode_t(-1);
    };
    for (const bool exchange : {true, false}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (exchange ? ", exchange" : ", move aside"));
            QTemporaryDir tmp;
            const QString path = tmp.filePath(QStringLiteral("Trip.quiltfolioproj"));
            const QString images = path + QStringLiteral("/Images");
            const auto writable = qScopeGuard([&] { chmod(qPrintable(images), 0755); });
            AtomicFileWriter::Options options;
            options.allowExchange = exchange;
            ASSERT_TRUE(AtomicFileWriter::write(*samplePackage("old", 2), path, options));
            if (row.picture)
                chmod(qPrintable(images + QStringLiteral("/p0.jpg")), row.picture);
            if (row.images)
                chmod(qPrintable(images), row.images);

            auto changed = samplePackage("new", 3);
            changed->addFileWrapper(FileWrapper::makeDirectory(QStringLiteral("Previews")));
            {
                WithoutPermissionOverride asTheOwner;
                ASSERT_TRUE(AtomicFileWriter::write(*changed, path, options));
            }
            const auto saved = snapshot(path);
            EXPECT_EQ(saved.keys(), (QStringList{"Images/", "Images/p0.jpg", "Images/p1.jpg", "Images/p2.jpg",
                                                 "Previews/", "collage.design"}));
            EXPECT_EQ(saved.value(QStringLiteral("Images/p2.jpg")), QByteArray(1002, 'c'));
            EXPECT_EQ(saved.value(QStringLiteral("collage.design")), "new");
            EXPECT_EQ(modeOf(images), row.images ? row.images : folder);
            EXPECT_EQ(modeOf(images + QStringLiteral("/p0.jpg")), row.picture ? row.picture : file);
            EXPECT_EQ(modeOf(images + QStringLiteral("/p2.jpg")), file);
            EXPECT_EQ(modeOf(path + QStringLiteral("/Previews")), folder);
            EXPECT_EQ(entries(tmp.path()), QStringList{QStringLiteral("Trip.quiltfolioproj")});
        }
    }
}

TEST(SaveLeftovers, TidyingOneNameLeavesEverythingElse)
{
    QTemporaryDir tmp;
    const QByteArray longest(FileWrapper::maxNameBytes, 'b');
    const auto copy = [](const QByteArray& target, const char* token, SaveLeftovers::Role role = SaveLeftovers::Role::Saving) {
        return QString::fromUtf8(SaveLeftovers::copyName(target, role, token));
    };
    QStringList kept = {QStringLiteral("T"), QStringLiteral(".T.saving-1"), QStringLiteral(".T.saving-1-x"),
                        QStringLiteral(".T.notes"), QStringLiteral(".T.saving-12345678901-0"),
                        QStringLiteral(".T.saving-1-2.saving-3-4"), copy("T 2", "1-0"), copy(longest.left(250), "1-0")};
    for (const QString& name : kept + QStringList{copy("T", "7-3"), copy("T", "7-3", SaveLeftovers::Role::Replaced),
                                                  copy(longest, "1-0")})
        writeFile(tmp.filePath(name + (name == kept.first() ? "" : "/x")), "x");
    SaveLeftovers::tidy(tmp.filePath(QStringLiteral("T")));
    SaveLeftovers::tidy(tmp.filePath(QString::fromUtf8(longest)));
    QStringList left = entries(tmp.path());
    left.sort();
    kept.sort();
    EXPECT_EQ(left, kept);
    EXPECT_LE(copy(longest, "4194304-4294967295", SaveLeftovers::Role::Replaced).size(), FileWrapper::maxNameBytes);
}

// --- property lists ----------------------------------------------------------

TEST(PropertyList, ReadsXmlAndBinaryListsIntoVariants)
{
    const QDateTime when = QDateTime::fromString(QStringLiteral("2019-05-04T10:20:30Z"), Qt::ISODate);
    const QVariantMap value{
        {QStringLiteral("s"), QStringLiteral("Grüße & <tags>")},
        {QStringLiteral("i"), qint64(-42)},
        {QStringLiteral("r"), 2.5},
        {QStringLiteral("b"), true},
        {QStringLiteral("d"), when},
        {QStringLiteral("data"), QByteArray("\0\1\2", 3)},
        {QStringLiteral("list"), QVariantList{QStringLiteral("a"), QVariantMap{{QStringLiteral("k"), false}}}},
    };
    for (const auto& bytes : {PropertyList::toXml(value), PropertyList::toBinary(value)}) {
        ASSERT_TRUE(bytes);
        const auto read = PropertyList::readDictionary(*bytes);
        ASSERT_TRUE(read);
        EXPECT_EQ(*read, value);
    }

    QFile f(dataPath("plist/template-info-binary.plist"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const auto info = PropertyList::readDictionary(f.readAll());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->value(QStringLiteral("Description")), QStringLiteral("Birthday"));
    EXPECT_EQ(info->value(QStringLiteral("Count")), qint64(-3));
    EXPECT_EQ(info->value(QStringLiteral("Tags")).toStringList(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));

    EXPECT_FALSE(PropertyList::readDictionary(*PropertyList::toXml(QVariantList{1, 2})));
    EXPECT_FALSE(PropertyList::toXml(QVariant::fromValue(QPointF(1, 2))));
}

TEST(PropertyList, BinaryDatesReadToTheMillisecondOrNotAtAll)
{
    // A binary list of one date, `seconds` from 2001-01-01 UTC.
    const auto dateList = [](double seconds) {
        QByteArray bytes("bplist00\x33", 9);
        quint64 bits = 0;
        std::memcpy(&bits, &seconds, sizeof bits);
        for (int shift = 56; shift >= 0; shift -= 8)
            bytes += char(bits >> shift);
        bytes += char(8); // the offset table
        bytes += QByteArray(6, '\0') + QByteArray("\x01\x01", 2);
        for (const quint64 v : {quint64(1), quint64(0), quint64(17)})
            for (int shift = 56; shift >= 0; shift -= 8)
                bytes += char(v >> shift);
        return bytes;
    };
    const struct {
        double seconds;
        const char* expected; // null: left out
    } rows[] = {
        {610254120.476, "2020-05-04T03:02:00.476Z"},
        {0.25, "2001-01-01T00:00:00.250Z"},
        {-1.25, "2000-12-31T23:59:58.750Z"},
        {-1609459199.999, "1950-01-01T00:00:00.001Z"},
        {-3187296000.0, nullptr}, // 1900: beyond the 32-bit seconds libplist hands out
        {1e300, nullptr},
        {std::numeric_limits<double>::quiet_NaN(), nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.seconds);
        const std::optional<QVariant> read = PropertyList::read(dateList(row.seconds));
        if (!row.expected) {
            EXPECT_FALSE(read);
            continue;
        }
        ASSERT_TRUE(read);
        EXPECT_EQ(read->toDateTime(), QDateTime::fromString(QString::fromLatin1(row.expected), Qt::ISODateWithMs));
        // And again through the writer.
        const std::optional<QByteArray> written = PropertyList::toBinary(*read);
        ASSERT_TRUE(written);
        EXPECT_EQ(PropertyList::read(*written), read);
    }
}

TEST(PropertyList, HostileInputIsRefusedQuickly)
{
    QElapsedTimer timer;
    timer.start();
    // The first holds 2^40 values once expanded, the second itself; the
    // others have dictionary keys that are no plain string.
    for (const char* name : {"plist/shared-references.plist", "plist/cycle.plist", "plist/nul-key-utf16.plist",
                             "plist/nul-key-ascii.plist", "plist/integer-key.plist"}) {
        QFile f(dataPath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_FALSE(PropertyList::read(f.readAll())) << name;
    }
    EXPECT_LT(timer.elapsed(), 2000);

    const auto nested = [](int depth) {
        QByteArray xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><!-- <array> -->";
        for (int i = 0; i < depth; ++i)
            xml += "<array>";
        xml += "<array/><string>x</string>";
        for (int i = 0; i < depth; ++i)
            xml += "</array>";
        return xml + "</plist>";
    };
    EXPECT_TRUE(PropertyList::read(nested(PropertyList::maxDepth)));
    EXPECT_FALSE(PropertyList::read(nested(PropertyList::maxDepth + 1)));
    EXPECT_FALSE(PropertyList::read(nested(100000)));

    for (const QByteArray& junk : {QByteArray(), QByteArray("bplist00"), QByteArray("bplist00") + QByteArray(40, '\xff'),
                                   QByteArray("<plist><dict><key>a</key>"), QByteArray(PropertyList::maxBytes + 1, ' ')})
        EXPECT_FALSE(PropertyList::read(junk));
}
