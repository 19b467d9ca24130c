#include "platform/files/AtomicFileWriter.h"

#include "platform/files/SaveLeftovers.h"
#include "platform/files/UniqueFd.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>
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

bool exists(int dirfd, const QByteArray& name, struct stat* st = nullptr)
{
    struct stat local {};
    return ::fstatat(dirfd, name.constData(), st ? st : &local, AT_SYMLINK_NOFOLLOW) == 0;
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

    bool writeFile(int dirfd, int oldDirfd, const QByteArray& name, const FileWrapper& file, const QString& rel)
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
        if (const std::optional<mode_t> mode = oldMode(oldDirfd, name, S_IFREG); mode && ::fchmod(fd, *mode) != 0) {
            const int err = errno;
            ::close(fd);
            return fail(err, QStringLiteral("chmod ") + rel);
        }
        if (!flusher.add(fd))
            return fail(errno, QStringLiteral("flush ") + rel);
        return true;
    }

    // The permission bits of the entry of that name in the copy being
    // replaced (`oldDirfd`, -1 for none), when it was of the same kind:
    // what the user set on a package's parts outlives its saves.
    static std::optional<mode_t> oldMode(int oldDirfd, const QByteArray& name, mode_t kind)
    {
        struct stat st {};
        if (oldDirfd < 0 || ::fstatat(oldDirfd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0
            || (st.st_mode & S_IFMT) != kind)
            return std::nullopt;
        return st.st_mode & 07777;
    }

    // Writes the children of `dir` into the folder `dirfd`; `oldDirfd` is
    // the same folder in the copy being replaced, or -1.
    bool writeChildren(int dirfd, int oldDirfd, const FileWrapper& dir, const QString& prefix, int depth)
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
                writeFile(dirfd, oldDirfd, files[i].native, *files[i].wrapper, files[i].rel);
        });
        if (failed)
            return false;

        for (const Item& item : folders) {
            if (::mkdirat(dirfd, item.native.constData(), 0777) != 0)
                return fail(errno, QStringLiteral("mkdir ") + item.rel);
            UniqueFd sub(::openat(dirfd, item.native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (sub.get() < 0)
                return fail(errno, QStringLiteral("open ") + item.rel);
            // Written while writable by its owner; the mode it keeps (a
            // read-only pictures folder's, say) is set once it is complete.
            struct stat made {};
            if (::fstat(sub.get(), &made) != 0)
                return fail(errno, QStringLiteral("stat ") + item.rel);
            const mode_t writable = (made.st_mode & 07777) | S_IRWXU;
            if ((made.st_mode & 07777) != writable && ::fchmod(sub.get(), writable) != 0)
                return fail(errno, QStringLiteral("chmod ") + item.rel);
            const std::optional<mode_t> kept = oldMode(oldDirfd, item.native, S_IFDIR);
            const UniqueFd oldSub(kept ? ::openat(oldDirfd, item.native.constData(),
                                                  O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                                       : -1);
            if (!writeChildren(sub.get(), oldSub.get(), *item.wrapper, item.rel + u'/', depth + 1))
                return false;
            const mode_t final = kept.value_or(made.st_mode & 07777);
            if (final != writable && ::fchmod(sub.get(), final) != 0)
                return fail(errno, QStringLiteral("chmod ") + item.rel);
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
    using Role = SaveLeftovers::Role;
    // Saving through a link updates what it points to and keeps the link.
    QString path = givenPath;
    if (const QFileInfo link(givenPath); link.isSymLink()) {
        // A killed save may have left the link's target only in hidden copies.
        if (link.canonicalFilePath().isEmpty())
            SaveLeftovers::tidy(givenPath);
        if (const QString canonical = QFileInfo(givenPath).canonicalFilePath(); !canonical.isEmpty())
            path = canonical;
    }
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

    UniqueFd parent(::open(QFile::encodeName(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.valid())
        return saveFailure(errno, target, folder, QStringLiteral("open ") + folderPath);

    // What earlier saves of it left when they were killed.
    SaveLeftovers::tidy(parent.get(), name, folderPath);

    struct stat old {};
    const bool replacing = exists(parent.get(), name, &old);
    const bool durable = options.flush == Flush::Always || (options.flush == Flush::WhenReplacing && replacing);
    const bool isDir = wrapper.isDirectory();

    // The new copy, held as a running save's until this returns.
    QByteArray token;
    QByteArray temp;
    UniqueFd copy;
    for (int attempt = 0;; ++attempt) {
        if (attempt >= 100)
            return saveFailure(EEXIST, target, folder, QStringLiteral("create beside ") + path);
        token = SaveLeftovers::newToken();
        temp = SaveLeftovers::copyName(name, Role::Saving, token);
        // A leftover no one could remove may hold this token's other name.
        if (exists(parent.get(), SaveLeftovers::copyName(name, Role::Replaced, token)))
            continue;
        const int made = isDir ? ::mkdirat(parent.get(), temp.constData(), 0777)
                               : ::openat(parent.get(), temp.constData(),
                                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
        if (made < 0 && errno == EEXIST)
            continue;
        if (made < 0)
            return saveFailure(errno, target, folder, QStringLiteral("create beside ") + path);
        copy.reset(isDir ? ::openat(parent.get(), temp.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                         : made);
        // Until it is held, a tidy may take it for a leftover.
        if (!copy.valid() && errno == ENOENT)
            continue;
        if (!copy.valid()) {
            const int err = errno;
            SaveLeftovers::discard(parent.get(), name, Role::Saving, token, folderPath);
            return saveFailure(err, target, folder, QStringLiteral("open ") + path);
        }
        if (SaveLeftovers::holdNewCopy(copy.get(), parent.get(), temp))
            break;
        copy.reset();
    }

    Flusher flusher(durable);
    TreeWriter writer(flusher, target, folder);
    if (!isDir) {
        if (!writeAll(copy.get(), wrapper.regularFileContents()))
            writer.fail(errno, QStringLiteral("write ") + path);
        else if (replacing && S_ISREG(old.st_mode) && ::fchmod(copy.get(), old.st_mode & 07777) != 0)
            writer.fail(errno, QStringLiteral("chmod ") + path);
        // The flusher closes what it gets; the lock stays with the original.
        else if (const int flushed = ::fcntl(copy.get(), F_DUPFD_CLOEXEC, 0); flushed < 0 || !flusher.add(flushed))
            writer.fail(errno, QStringLiteral("flush ") + path);
    } else {
        // Writable by its owner while it is written, whatever mode it ends with.
        struct stat made {};
        mode_t mode = 0;
        if (::fstat(copy.get(), &made) != 0)
            writer.fail(errno, QStringLiteral("stat ") + path);
        else if (mode = made.st_mode & 07777; (mode & S_IRWXU) != S_IRWXU && ::fchmod(copy.get(), mode | S_IRWXU) != 0)
            writer.fail(errno, QStringLiteral("chmod ") + path);
        else if (const UniqueFd oldCopy(replacing && S_ISDIR(old.st_mode)
                                            ? ::openat(parent.get(), name.constData(),
                                                       O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                                            : -1);
                 writer.writeChildren(copy.get(), oldCopy.get(), wrapper, QString(), 0)) {
            const mode_t final = replacing && S_ISDIR(old.st_mode) ? old.st_mode & 07777 : mode;
            if (final != (mode | S_IRWXU) && ::fchmod(copy.get(), final) != 0)
                writer.fail(errno, QStringLiteral("chmod ") + path);
            else if (durable && ::fsync(copy.get()) != 0)
                writer.fail(errno, QStringLiteral("fsync ") + path);
        }
    }
    if (writer.failure.ok() && !flusher.finish())
        writer.fail(errno, QStringLiteral("flush ") + path);

    const auto abandon = [&]() {
        SaveLeftovers::discard(parent.get(), name, Role::Saving, token, folderPath);
        return writer.failure;
    };
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
        if (!durable && options.flush != Flush::Never && ::syncfs(copy.get()) != 0) {
            writer.fail(errno, QStringLiteral("flush ") + path);
            return abandon();
        }
    }

    // Held so that no tidy takes the old copy for a leftover while it is swapped out.
    const std::optional<UniqueFd> oldHold = SaveLeftovers::tryHold(parent.get(), name);
    std::optional<Role> leftover; // the copy to remove once the new one is in place
    if (options.allowExchange
        && ::renameat2(parent.get(), temp.constData(), parent.get(), name.constData(), RENAME_EXCHANGE) == 0) {
        leftover = Role::Saving;
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
        // Until the rename in, the path is empty; the next open puts back the
        // new copy, complete by now.
        const QByteArray aside = SaveLeftovers::copyName(name, Role::Replaced, token);
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
        leftover = Role::Replaced;
    }
    if (durable)
        ::fsync(parent.get());
    // The save has succeeded; an old copy that cannot be removed only costs
    // space, and the next save tries again.
    if (leftover)
        SaveLeftovers::discard(parent.get(), name, *leftover, token, folderPath);
    return Status::success();
}

} // namespace qf
