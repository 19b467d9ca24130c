#include "platform/files/PrivateTemporaryFolder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace qf;

namespace {

mode_t modeOf(const QString& path)
{
    struct stat st {};
    return ::lstat(qPrintable(path), &st) == 0 ? st.st_mode & 07777 : mode_t(-1);
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sets or clears an environment variable for a scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray* value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
        value ? qputenv(name, *value) : qunsetenv(name);
    }
    ~ScopedVariable() { m_had ? qputenv(m_name, m_old) : qunsetenv(m_name); }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace

TEST(PrivateTemporaryFolder, FilesArePrivateKeepTheirNamesAndGoWhenDone)
{
    QTemporaryDir tmp;
    const QString root = tmp.filePath(QStringLiteral("cache/shared"));
    auto folder = std::make_unique<PrivateTemporaryFolder>(root);
    EXPECT_FALSE(QFileInfo::exists(root)); // made when first needed

    const auto first = folder->writeFile(QStringLiteral("Trip.jpg"), "first");
    const auto second = folder->writeFile(QStringLiteral("Trip.jpg"), "second");
    const auto third = folder->writeFile(QStringLiteral("Other.jpg"), "third");
    ASSERT_TRUE(first && second && third);
    EXPECT_NE(*first, *second);
    for (const QString& file : {*first, *second, *third}) {
        EXPECT_TRUE(file.startsWith(root + u'/'));
        EXPECT_EQ(modeOf(file), 0600u);
        EXPECT_EQ(modeOf(QFileInfo(file).absolutePath()), 0700u);
    }
    EXPECT_EQ(QFileInfo(*second).fileName(), "Trip.jpg");
    EXPECT_EQ(contents(*first), "first");
    EXPECT_EQ(contents(*second), "second");
    EXPECT_EQ(modeOf(root), 0700u);

    // One file goes with its folder; other paths are not touched.
    const QString stranger = tmp.filePath(QStringLiteral("stranger.jpg"));
    QFile(stranger).open(QIODevice::WriteOnly);
    folder->remove(stranger);
    folder->remove(*second);
    EXPECT_TRUE(QFileInfo::exists(stranger));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(*second).absolutePath()));
    EXPECT_TRUE(QFileInfo::exists(*first));

    // The rest, and the folder, go when the application quits.
    QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection);
    EXPECT_FALSE(QFileInfo::exists(root));
    EXPECT_TRUE(QFileInfo::exists(tmp.filePath(QStringLiteral("cache"))));

    // Later files make it again, and go with the object.
    const auto later = folder->writeFile(QStringLiteral("Later.jpg"), "later");
    ASSERT_TRUE(later);
    // Another process's file stays, and so does the folder holding it.
    const QString others = root + QStringLiteral("/theirs");
    ASSERT_TRUE(QDir().mkpath(others));
    folder.reset();
    EXPECT_FALSE(QFileInfo::exists(*later));
    EXPECT_TRUE(QFileInfo::exists(others));
}

TEST(PrivateTemporaryFolder, AFolderThereIsNarrowedOrRefused)
{
    struct Row {
        const char* name;
        std::function<void(const QString& path, const QString& elsewhere)> prepare;
        bool usable;
    };
    const Row rows[] = {
        {"open to all", [](const QString& path, const QString&) { QDir().mkpath(path), chmod(qPrintable(path), 0777); }, true},
        {"too narrow", [](const QString& path, const QString&) { QDir().mkpath(path), chmod(qPrintable(path), 0500); }, true},
        {"a link to a folder elsewhere",
         [](const QString& path, const QString& elsewhere) {
             QDir().mkpath(elsewhere), QDir().mkpath(QFileInfo(path).absolutePath());
             symlink(qPrintable(elsewhere), qPrintable(path));
         },
         false},
        {"a file",
         [](const QString& path, const QString&) {
             QDir().mkpath(QFileInfo(path).absolutePath());
             QFile(path).open(QIODevice::WriteOnly);
         },
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("run/app"));
        const QString elsewhere = tmp.filePath(QStringLiteral("elsewhere"));
        row.prepare(path, elsewhere);
        PrivateTemporaryFolder folder(path);
        const auto written = folder.writeFile(QStringLiteral("a.jpg"), "a");
        EXPECT_EQ(bool(written), row.usable);
        if (row.usable) {
            EXPECT_EQ(modeOf(path), 0700u);
        }
        EXPECT_TRUE(QDir(elsewhere).isEmpty());
    }

    // Names that are no single file name.
    QTemporaryDir tmp;
    PrivateTemporaryFolder folder(tmp.filePath(QStringLiteral("app")));
    for (const QString& name : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a/b")})
        EXPECT_FALSE(folder.writeFile(name, "x")) << name.toStdString();

    // Someone else's folder.
    const QString theirs = tmp.filePath(QStringLiteral("theirs"));
    ASSERT_TRUE(QDir().mkpath(theirs));
    if (chown(qPrintable(theirs), 65534, 65534) != 0)
        GTEST_SKIP() << "needs a folder owned by another user";
    PrivateTemporaryFolder foreign(theirs);
    EXPECT_FALSE(foreign.writeFile(QStringLiteral("a.jpg"), "a"));
    EXPECT_TRUE(QDir(theirs).isEmpty());
}

TEST(PrivateTemporaryFolder, LivesInTheRuntimeFolderElseTheCache)
{
    QTemporaryDir tmp;
    const QByteArray runtime = QFile::encodeName(tmp.filePath(QStringLiteral("runtime")));
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(runtime)));
    chmod(runtime.constData(), 0700);
    {
        const ScopedVariable set("XDG_RUNTIME_DIR", &runtime);
        EXPECT_EQ(QFileInfo(PrivateTemporaryFolder::defaultPath()).absolutePath(), QFile::decodeName(runtime));
    }
    {
        const ScopedVariable unset("XDG_RUNTIME_DIR", nullptr);
        EXPECT_EQ(QFileInfo(PrivateTemporaryFolder::defaultPath()).absolutePath(),
                  QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
    }
}
