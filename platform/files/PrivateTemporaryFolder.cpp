#include "platform/files/PrivateTemporaryFolder.h"

#include "platform/files/UniqueFd.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcPrivate, "qf.files.private")

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

PrivateTemporaryFolder::PrivateTemporaryFolder(QString path)
    : m_path(QDir::cleanPath(QFileInfo(path).absoluteFilePath()))
{
    if (QCoreApplication* app = QCoreApplication::instance())
        m_quit = QObject::connect(app, &QCoreApplication::aboutToQuit, [this] { removeAll(); });
}

PrivateTemporaryFolder::~PrivateTemporaryFolder()
{
    QObject::disconnect(m_quit);
    removeAll();
}

QString PrivateTemporaryFolder::defaultPath()
{
    // Without XDG_RUNTIME_DIR Qt would make a runtime folder of its own in
    // the shared temporary folder: the cache is the user's own instead.
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!runtime.isEmpty()) {
            QString name = QCoreApplication::applicationName();
            name.replace(u'/', u'-');
            return QDir(runtime).filePath(name.isEmpty() || name.startsWith(u'.') ? QStringLiteral("quiltfolio") : name);
        }
    }
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).filePath(QStringLiteral("shared"));
}

std::shared_ptr<PrivateTemporaryFolder> PrivateTemporaryFolder::forApplication()
{
    static const auto folder = std::make_shared<PrivateTemporaryFolder>(defaultPath());
    return folder;
}

bool PrivateTemporaryFolder::prepare()
{
    // The folders above are ordinary ones, as any cache's are.
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        qCWarning(lcPrivate) << "could not make the folder above" << m_path;
        return false;
    }
    const QByteArray native = QFile::encodeName(m_path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        qCWarning(lcPrivate) << "could not make" << m_path << errnoText();
        return false;
    }
    // Checked and narrowed through one descriptor, so that what is checked
    // is what is changed; a link is refused.
    const UniqueFd folder(::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!folder.valid() || ::fstat(folder.get(), &st) != 0) {
        qCWarning(lcPrivate) << m_path << "is no folder to use:" << errnoText();
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        qCWarning(lcPrivate) << m_path << "belongs to another user";
        return false;
    }
    if ((st.st_mode & 07777) != 0700 && ::fchmod(folder.get(), 0700) != 0) {
        qCWarning(lcPrivate) << "could not make" << m_path << "private:" << errnoText();
        return false;
    }
    return true;
}

std::optional<QString> PrivateTemporaryFolder::writeFile(const QString& fileName, const QByteArray& bytes)
{
    if (fileName.isEmpty() || fileName == u"." || fileName == u".." || fileName.contains(u'/')
        || fileName.contains(QChar(0)) || !prepare())
        return std::nullopt;
    // A folder of its own: the file keeps its name however often it is made.
    QByteArray pattern = QFile::encodeName(QDir(m_path).filePath(QStringLiteral("XXXXXX")));
    if (!::mkdtemp(pattern.data())) {
        qCWarning(lcPrivate) << "could not make a folder in" << m_path << errnoText();
        return std::nullopt;
    }
    const QString folder = QFile::decodeName(pattern);
    m_written << folder;
    const QString path = QDir(folder).filePath(fileName);
    QFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        qCWarning(lcPrivate) << "could not write" << path << file.errorString();
        remove(path);
        return std::nullopt;
    }
    return path;
}

void PrivateTemporaryFolder::remove(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!m_written.removeOne(folder))
        return;
    removeFolder(folder);
    if (m_written.isEmpty())
        removeIfEmpty();
}

void PrivateTemporaryFolder::removeAll()
{
    const QStringList written = std::exchange(m_written, {});
    for (const QString& folder : written)
        removeFolder(folder);
    if (!written.isEmpty())
        removeIfEmpty();
}

void PrivateTemporaryFolder::removeFolder(const QString& folder)
{
    if (!QDir(folder).removeRecursively())
        qCWarning(lcPrivate) << "could not remove" << folder;
}

void PrivateTemporaryFolder::removeIfEmpty()
{
    // Stays while another process of the application has files in it.
    ::rmdir(QFile::encodeName(m_path).constData());
}

} // namespace qf
