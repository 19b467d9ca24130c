#include "platform/files/FileWrapperReader.h"

#include "platform/core/Parallel.h"
#include "platform/files/UniqueFd.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <optional>
#include <vector>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace qf {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("qf::FileWrapperReader", text);
}

struct ReadState {
    explicit ReadState(const FileWrapperReader::Limits& l) : limits(l) { }

    const FileWrapperReader::Limits& limits;
    QString topName;
    qint64 entries = 0;
    qint64 totalBytes = 0;
    QStringList skipped;
    Status failure = Status::success();

    bool fail(const QString& reason, const QString& detail)
    {
        failure = Status::failure(
            tr("The file “%1” couldn't be opened because %2").arg(topName, reason), detail);
        return false;
    }

    bool failErrno(int err, const QString& what, const QString& path)
    {
        QString reason;
        switch (err) {
        case ENOENT:
        case ENOTDIR:
            reason = tr("it doesn't exist.");
            break;
        case EACCES:
        case EPERM:
            reason = tr("you don't have permission to view it.");
            break;
        default:
            reason = tr("of a system error (%1).").arg(QString::fromLocal8Bit(std::strerror(err)));
            break;
        }
        return fail(reason, QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(err))));
    }
};

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A file's size checked against the limits before it is read, and taken
// from what the read may still hold.
bool reserveBytes(const struct stat& st, const QString& path, ReadState& state)
{
    const qint64 size = st.st_size;
    if (size > state.limits.maxFileBytes || size > state.limits.maxTotalBytes - state.totalBytes)
        return state.fail(tr("it is too large."), QStringLiteral("%1: %2 bytes").arg(path).arg(size));
    state.totalBytes += size;
    return true;
}

// The file's bytes into `out`, at most its size: a file that grows while
// it is read is cut at the size it had. The errno of a failed read.
std::optional<int> readContents(int fd, QByteArray& out)
{
    const qint64 size = out.size();
    qint64 got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, out.data() + got, size_t(std::min<qint64>(size - got, qint64(1) << 30)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            break;
        got += n;
    }
    out.truncate(got);
    return std::nullopt;
}

// Files of one folder opened and checked, read side by side: copying a
// package's pictures into memory is mostly page faults and copies, which
// several cores share. At most kBatch are open at once.
class FolderReads {
public:
    static constexpr size_t kBatch = 64;

    FolderReads(FileWrapper& dir, ReadState& state) : m_dir(dir), m_state(state) { }

    bool pending(const QString& name) const { return m_names.contains(name); }

    bool add(UniqueFd fd, const struct stat& st, const QString& name, const QString& rel)
    {
        if (!reserveBytes(st, rel, m_state))
            return false;
        // The memory is taken on this thread: taken on the reading threads,
        // it would come from their allocator arenas and stay there, among
        // the blocks their later pictures want, for the document's life.
        m_reads.push_back({std::move(fd), qint64(st.st_size), name, rel, QByteArray(st.st_size, Qt::Uninitialized),
                           std::nullopt});
        m_names.insert(name);
        return m_reads.size() < kBatch || flush();
    }

    // Reads what was added and puts it in the folder, in the order added.
    bool flush()
    {
        if (m_reads.empty())
            return true;
        const int threads = int(std::clamp<qsizetype>(qsizetype(m_reads.size()), 1, std::max(1, QThread::idealThreadCount())));
        std::atomic<size_t> next = 0;
        runOnThreads(threads, [this, &next] {
            for (size_t i; (i = next.fetch_add(1)) < m_reads.size();) {
                Read& read = m_reads[i];
                read.error = readContents(read.fd.get(), read.contents);
                read.fd = UniqueFd();
            }
        });
        bool ok = true;
        for (Read& read : m_reads) {
            if (read.error) {
                ok = m_state.failErrno(*read.error, QStringLiteral("read"), read.rel);
                break;
            }
            m_state.totalBytes -= read.size - read.contents.size();
            m_dir.setFileWrapperForExactName(read.name, FileWrapper::makeRegularFile(std::move(read.contents), read.name));
        }
        m_reads.clear();
        m_names.clear();
        return ok;
    }

private:
    struct Read {
        UniqueFd fd;
        qint64 size = 0;
        QString name;
        QString rel;
        QByteArray contents;
        std::optional<int> error;
    };
    FileWrapper& m_dir;
    ReadState& m_state;
    std::vector<Read> m_reads;
    QSet<QString> m_names;
};

bool readDirectory(int fd, FileWrapper& dir, int depth, const QString& prefix, ReadState& state)
{
    DIR* d = ::fdopendir(fd);
    if (!d) {
        const int err = errno;
        ::close(fd);
        return state.failErrno(err, QStringLiteral("opendir"), prefix);
    }
    const int dfd = ::dirfd(d);
    FolderReads reads(dir, state);
    bool ok = true;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(d);
        if (!entry) {
            if (errno != 0)
                ok = state.failErrno(errno, QStringLiteral("readdir"), prefix);
            break;
        }
        const char* raw = entry->d_name;
        if (std::strcmp(raw, ".") == 0 || std::strcmp(raw, "..") == 0)
            continue;
        if (++state.entries > state.limits.maxEntries) {
            ok = state.fail(tr("it holds more than %1 files.").arg(state.limits.maxEntries), prefix);
            break;
        }
        const QString name = QFile::decodeName(raw);
        const QString rel = prefix + name;
        struct stat st {};
        if (::fstatat(dfd, raw, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) { // removed while we read
                state.skipped << rel;
                continue;
            }
            ok = state.failErrno(errno, QStringLiteral("stat"), rel);
            break;
        }
        // Two names that decode to the same text: the first one stays.
        if (dir.fileWrapper(name) || reads.pending(name) || (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))) {
            state.skipped << rel;
            continue;
        }
        if (S_ISDIR(st.st_mode) && depth + 1 > state.limits.maxDepth) {
            state.skipped << rel;
            continue;
        }
        const int flags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY
            | (S_ISDIR(st.st_mode) ? O_DIRECTORY : 0);
        UniqueFd child(::openat(dfd, raw, flags));
        struct stat opened {};
        if (child.get() < 0) {
            // Replaced by a link or a special file since the stat.
            if (errno == ELOOP || errno == ENOTDIR || errno == ENOENT) {
                state.skipped << rel;
                continue;
            }
            ok = state.failErrno(errno, QStringLiteral("open"), rel);
            break;
        }
        if (::fstat(child.get(), &opened) != 0 || !sameFile(st, opened)
            || (opened.st_mode & S_IFMT) != (st.st_mode & S_IFMT)) {
            state.skipped << rel;
            continue;
        }
        if (S_ISREG(opened.st_mode)) {
            if (!(ok = reads.add(std::move(child), opened, name, rel)))
                break;
        } else {
            // The files before it are read first: folders deep down do not
            // hold a batch open each.
            if (!(ok = reads.flush()))
                break;
            auto sub = FileWrapper::makeDirectory(name);
            if (!(ok = readDirectory(child.release(), *sub, depth + 1, rel + u'/', state)))
                break;
            dir.setFileWrapperForExactName(name, std::move(sub));
        }
    }
    ok = ok && reads.flush();
    ::closedir(d);
    return ok;
}

} // namespace

FileWrapperReader::Result FileWrapperReader::read(const QString& path, const Limits& limits)
{
    ReadState state(limits);
    state.topName = QFileInfo(path).fileName();
    Result result;
    const QByteArray native = QFile::encodeName(path);

    struct stat st {};
    if (path.isEmpty() || ::stat(native.constData(), &st) != 0) {
        state.failErrno(path.isEmpty() ? ENOENT : errno, QStringLiteral("stat"), path);
        result.status = state.failure;
        return result;
    }
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        state.fail(tr("it is not a regular file or folder."), path);
        result.status = state.failure;
        return result;
    }
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (S_ISDIR(st.st_mode) ? O_DIRECTORY : 0);
    UniqueFd fd(::open(native.constData(), flags));
    struct stat opened {};
    if (fd.get() < 0) {
        state.failErrno(errno, QStringLiteral("open"), path);
        result.status = state.failure;
        return result;
    }
    if (::fstat(fd.get(), &opened) != 0 || !sameFile(st, opened)
        || (opened.st_mode & S_IFMT) != (st.st_mode & S_IFMT)) {
        state.fail(tr("it changed while it was read."), path);
        result.status = state.failure;
        return result;
    }

    std::shared_ptr<FileWrapper> top;
    bool ok;
    if (S_ISREG(opened.st_mode)) {
        QByteArray contents;
        ok = reserveBytes(opened, path, state);
        if (ok) {
            contents = QByteArray(opened.st_size, Qt::Uninitialized);
            const std::optional<int> error = readContents(fd.get(), contents);
            ok = !error || state.failErrno(*error, QStringLiteral("read"), path);
        }
        if (ok)
            top = FileWrapper::makeRegularFile(std::move(contents), state.topName);
    } else {
        top = FileWrapper::makeDirectory(state.topName);
        ok = readDirectory(fd.release(), *top, 0, QString(), state);
    }
    if (!ok) {
        result.status = state.failure;
        return result;
    }
    result.wrapper = std::move(top);
    result.skipped = std::move(state.skipped);
    return result;
}

} // namespace qf
