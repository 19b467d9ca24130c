#include "platform/files/AtomicFileWriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcWriter, "qf.files.writer")

QString tr(const char* text)
{
    return QCoreApplication::translate("qf::AtomicFileWriter", text);
}

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// Builds the failure status for a system error met while saving `target`
// into `folder`.
Status saveFailure(int err, const QString& target, const QString& folder, const QString& detail)
{
    QString reason;
    switch (err) {
    case EACCES:
    case EPERM:
        reason = tr("you don't have permission to write to the folder “%1”.").arg(folder);
        break;
    case EROFS:
        reason = tr("the volume is read-only.");
        break;
    case ENOSPC:
    case EDQUOT:
        reason = tr("there isn't enough space on the disk.");
        break;
    case ENOENT:
    case ENOTDIR:
        reason = tr("the folder “%1” doesn't exist.").arg(folder);
        break;
    case EFBIG:
        reason = tr("a file is too large for the volume.");
        break;
    case ENAMETOOLONG:
        reason = tr("the name is too long.");
        break;
    case EEXIST:
        reason = tr("a file of the same name is in the way.");
        break;
    default:
        reason = tr("of a system error (%1).").arg(errnoText(err));
        break;
    }
    return Status::failure(tr("The document “%1” couldn't be saved because %2").arg(target, reason),
                           detail + QStringLiteral(": ") + errnoText(err));
}

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) { }
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(std::min<qint64>(left, qint64(1) << 30)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// A unique hidden sibling name for the temporary copy of `name`.
QByteArray siblingName(const QByteArray& name, const char* role)
{
    static std::atomic<unsigned> counter{0};
    // Leave room for the decoration within the name limit.
    QByteArray base = name.left(180);
    while (!base.isEmpty() && (uchar(base.back()) & 0xC0) == 0x80)
        base.chop(1);
    if (!base.isEmpty() && uchar(base.back()) >= 0xC0)
        base.chop(1);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%s-%ld-%u", role, long(::getpid()), counter.fetch_add(1));
    return QByteArray(".") + base + suffix;
}

bool exists(int dirfd, const QByteArray& name, struct stat* st = nullptr)
{
    struct stat local {};
    return ::fstatat(dirfd, name.constData(), st ? st : &local, AT_SYMLINK_NOFOLLOW) == 0;
}

// Removes a file or a folder tree without following links. Best effort.
bool removeTree(int dirfd, const char* name, int depth = 0)
{
    struct stat st {};
    if (::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return ::unlinkat(dirfd, name, 0) == 0;
    if (depth > 256)
        return false;
    const int fd = ::openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR* d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        return false;
    }
    bool ok = true;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        ok = removeTree(::dirfd(d), e->d_name, depth + 1) && ok;
    }
    ::closedir(d);
    return ::unlinkat(dirfd, name, AT_REMOVEDIR) == 0 && ok;
}

// Runs job(0) .. job(count - 1) on up to `threads` threads, this one
// included; returns when all have run.
template <typename Job>
void runParallel(size_t count, unsigned threads, const Job& job)
{
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;)
            job(i);
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < std::min<size_t>(threads, count); ++t)
        helpers.emplace_back(work);
    work();
    for (auto& h : helpers)
        h.join();
}

unsigned writerThreads()
{
    // Copying into the page cache scales to a few threads; more only contend.
    return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

// Files written but not yet flushed. Writeback starts as each file is
// written, so the flush at the end mostly waits for work already under way.
class Flusher {
public:
    explicit Flusher(bool durable) : m_durable(durable) { }
    ~Flusher()
    {
        for (int fd : m_pending)
            ::close(fd);
    }
    bool durable() const { return m_durable; }

    // Takes ownership of fd. Thread-safe.
    bool add(int fd)
    {
        if (!m_durable)
            return ::close(fd) == 0;
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        int oldest = -1;
        {
            std::lock_guard lock(m_mutex);
            m_pending.push_back(fd);
            // Bounded, so a tree of many files never runs out of descriptors.
            if (m_pending.size() > 256) {
                oldest = m_pending.front();
                m_pending.pop_front();
            }
        }
        return oldest < 0 || syncAndClose(oldest);
    }

    // Flushes every pending file; false with errno set when one failed.
    bool finish()
    {
        std::vector<int> fds(m_pending.begin(), m_pending.end());
        m_pending.clear();
        std::atomic<int> firstError{0};
        runParallel(fds.size(), writerThreads(), [&](size_t i) {
            if (!syncAndClose(fds[i])) {
                int expected = 0;
                firstError.compare_exchange_strong(expected, errno);
            }
        });
        errno = firstError;
        return firstError == 0;
    }

private:
    static bool syncAndClose(int fd)
    {
        const bool synced = ::fdatasync(fd) == 0;
        const int err = errno;
        const bool closed = ::close(fd) == 0;
        if (!synced)
            errno = err;
        return synced && closed;
    }

    bool m_durable;
    std::mutex m_mutex;
    std::deque<int> m_pending;
};

struct TreeWriter {
    TreeWriter(Flusher& f, QString t, QString d) : flusher(f), target(std::move(t)), folder(std::move(d)) { }

    Flusher& flusher;
    QString target;
    QString folder;
    Status failure = Status::success();
    std::mutex failureMutex;
    std::atomic<bool> failed{false};

    // Thread-safe; the first failure is the one reported.
    bool fail(int err, const QString& detail)
    {
        std::lock_guard lock(failureMutex);
        if (!failed.exchange(true))
            failure = saveFailure(err, target, folder, detail);
        return false;
    }

    bool writeFile(int dirfd, const QByteArray& name, const FileWrapper& file, const QString& rel)
    {
        const int fd = ::openat(dirfd, name.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
        if (fd < 0)
            return fail(errno, QStringLiteral("create ") + rel);
        if (!writeAll(fd, file.regularFileContents())) {
            const int err = errno;
            ::close(fd);
            return fail(err, QStringLiteral("write ") + rel);
        }
        if (!flusher.add(fd))
            return fail(errno, QStringLiteral("flush ") + rel);
        return true;
    }

    bool writeChildren(int dirfd, const FileWrapper& dir, const QString& prefix, int depth)
    {
        if (depth > 256)
            return fail(ENAMETOOLONG, QStringLiteral("nesting at ") + prefix);
        struct Item {
            QByteArray native;
            const FileWrapper* wrapper;
            QString rel;
        };
        std::vector<Item> files;
        std::vector<Item> folders;
        qint64 bytes = 0;
        for (const auto& [name, child] : dir.fileWrappers()) {
            const QString rel = prefix + name;
            if (FileWrapper::safeFilename(name) != name)
                return fail(EINVAL, QStringLiteral("name ") + rel);
            Item item{QFile::encodeName(name), child.get(), rel};
            if (child->isRegularFile()) {
                bytes += child->regularFileContents().size();
                files.push_back(std::move(item));
            } else {
                folders.push_back(std::move(item));
            }
        }

        // Large batches are written by several threads.
        const unsigned threads = bytes >= (qint64(8) << 20) ? writerThreads() : 1;
        runParallel(files.size(), threads, [&](size_t i) {
            if (!failed)
                writeFile(dirfd, files[i].native, *files[i].wrapper, files[i].rel);
        });
        if (failed)
            return false;

        for (const Item& item : folders) {
            if (::mkdirat(dirfd, item.native.constData(), 0777) != 0)
                return fail(errno, QStringLiteral("mkdir ") + item.rel);
            Fd sub(::openat(dirfd, item.native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (sub.get() < 0)
                return fail(errno, QStringLiteral("open ") + item.rel);
            if (!writeChildren(sub.get(), *item.wrapper, item.rel + u'/', depth + 1))
                return false;
            if (flusher.durable() && ::fsync(sub.get()) != 0)
                return fail(errno, QStringLiteral("fsync ") + item.rel);
        }
        return true;
    }
};

bool unsupportedFlag(int err)
{
    return err == EINVAL || err == ENOSYS || err == EOPNOTSUPP;
}

} // namespace

Status AtomicFileWriter::write(const FileWrapper& wrapper, const QString& givenPath, const Options& options)
{
    // Saving through a link updates what it points to and keeps the link.
    QString path = givenPath;
    if (const QFileInfo link(givenPath); link.isSymLink() && !link.canonicalFilePath().isEmpty())
        path = link.canonicalFilePath();
    const QFileInfo info(path);
    const QString target = info.fileName();
    const QString folderPath = info.absolutePath();
    const QString folder = QFileInfo(folderPath).fileName().isEmpty() ? folderPath
                                                                        : QFileInfo(folderPath).fileName();
    if (target.isEmpty() || target == u"." || target == u"..")
        return saveFailure(EINVAL, path, folder, QStringLiteral("name ") + path);
    const QByteArray name = QFile::encodeName(target);
    if (name.size() > FileWrapper::maxNameBytes)
        return saveFailure(ENAMETOOLONG, target, folder, QStringLiteral("name ") + path);

    Fd parent(::open(QFile::encodeName(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (parent.get() < 0)
        return saveFailure(errno, target, folder, QStringLiteral("open ") + folderPath);

    struct stat old {};
    const bool replacing = exists(parent.get(), name, &old);
    const bool durable = options.flush == Flush::Always || (options.flush == Flush::WhenReplacing && replacing);
    const bool isDir = wrapper.isDirectory();

    // The temporary copy.
    QByteArray temp;
    Flusher flusher(durable);
    TreeWriter writer(flusher, target, folder);
    for (int attempt = 0;; ++attempt) {
        temp = siblingName(name, "saving");
        const int r = isDir ? ::mkdirat(parent.get(), temp.constData(), 0777)
                            : ::openat(parent.get(), temp.constData(),
                                       O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
        if (r >= 0) {
            if (!isDir) {
                if (!writeAll(r, wrapper.regularFileContents())) {
                    writer.fail(errno, QStringLiteral("write ") + path);
                    ::close(r);
                } else if (replacing && S_ISREG(old.st_mode) && ::fchmod(r, old.st_mode & 07777) != 0) {
                    writer.fail(errno, QStringLiteral("chmod ") + path);
                    ::close(r);
                } else if (!flusher.add(r)) {
                    writer.fail(errno, QStringLiteral("flush ") + path);
                }
            }
            break;
        }
        if (errno != EEXIST || attempt >= 100)
            return saveFailure(errno, target, folder, QStringLiteral("create beside ") + path);
    }

    const auto abandon = [&]() {
        if (!removeTree(parent.get(), temp.constData()))
            qCWarning(lcWriter) << "could not remove" << QFile::decodeName(temp) << "in" << folderPath;
        return writer.failure;
    };

    if (isDir && writer.failure.ok()) {
        Fd dir(::openat(parent.get(), temp.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (dir.get() < 0)
            writer.fail(errno, QStringLiteral("open ") + path);
        else if (writer.writeChildren(dir.get(), wrapper, QString(), 0)) {
            if (replacing && S_ISDIR(old.st_mode) && ::fchmod(dir.get(), old.st_mode & 07777) != 0)
                writer.fail(errno, QStringLiteral("chmod ") + path);
            else if (durable && ::fsync(dir.get()) != 0)
                writer.fail(errno, QStringLiteral("fsync ") + path);
        }
    }
    if (writer.failure.ok() && !flusher.finish())
        writer.fail(errno, QStringLiteral("flush ") + path);
    if (!writer.failure.ok())
        return abandon();

    // The swap.
    if (!replacing) {
        if (::renameat2(parent.get(), temp.constData(), parent.get(), name.constData(), RENAME_NOREPLACE) == 0) {
            if (durable)
                ::fsync(parent.get());
            return Status::success();
        }
        int err = errno;
        if (unsupportedFlag(err) && !exists(parent.get(), name)) {
            if (::renameat(parent.get(), temp.constData(), parent.get(), name.constData()) == 0)
                return Status::success();
            err = errno;
        }
        if (!exists(parent.get(), name, &old)) {
            writer.fail(err, QStringLiteral("rename to ") + path);
            return abandon();
        }
        // Something appeared at the path while we wrote: it is replaced
        // like any old copy, once ours is safely on disk.
        Fd dir(::openat(parent.get(), temp.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        if (!durable && options.flush != Flush::Never && dir.get() >= 0 && ::syncfs(dir.get()) != 0) {
            writer.fail(errno, QStringLiteral("flush ") + path);
            return abandon();
        }
    }

    QByteArray leftover; // what to remove once the new copy is in place
    if (options.allowExchange
        && ::renameat2(parent.get(), temp.constData(), parent.get(), name.constData(), RENAME_EXCHANGE) == 0) {
        leftover = temp;
    } else if (options.allowExchange && !unsupportedFlag(errno)) {
        writer.fail(errno, QStringLiteral("exchange with ") + path);
        return abandon();
    } else if (!isDir && !S_ISDIR(old.st_mode)) {
        // A file replaces a file atomically with a plain rename.
        if (::renameat(parent.get(), temp.constData(), parent.get(), name.constData()) != 0) {
            writer.fail(errno, QStringLiteral("rename to ") + path);
            return abandon();
        }
    } else {
        QByteArray aside;
        for (int attempt = 0; attempt < 100; ++attempt) {
            aside = siblingName(name, "replaced");
            if (!exists(parent.get(), aside))
                break;
        }
        if (::renameat(parent.get(), name.constData(), parent.get(), aside.constData()) != 0) {
            writer.fail(errno, QStringLiteral("move aside ") + path);
            return abandon();
        }
        if (::renameat(parent.get(), temp.constData(), parent.get(), name.constData()) != 0) {
            const int err = errno;
            if (::renameat(parent.get(), aside.constData(), parent.get(), name.constData()) != 0)
                qCCritical(lcWriter) << "could not move" << QFile::decodeName(aside) << "back to" << path;
            writer.fail(err, QStringLiteral("rename to ") + path);
            return abandon();
        }
        leftover = aside;
    }
    if (durable)
        ::fsync(parent.get());
    // The save has succeeded; a copy of the old version that cannot be
    // removed only costs space.
    if (!leftover.isEmpty() && !removeTree(parent.get(), leftover.constData()))
        qCWarning(lcWriter) << "could not remove the old copy" << QFile::decodeName(leftover) << "in" << folderPath;
    return Status::success();
}

} // namespace qf
