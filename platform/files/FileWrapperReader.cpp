#include "platform/files/FileWrapperReader.h"

#include "platform/core/Parallel.h"
#include "platform/files/UniqueFd.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <utility>
#include <vector>

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

// The contents of an open regular file, up to the size it had when opened
// (a file that grows while it is read is cut there); 0 or an errno.
int readContents(int fd, qint64 size, QByteArray& out)
{
    try {
        out = QByteArray(size, Qt::Uninitialized);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
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
    return 0;
}

// Regular files of a folder opened and waiting to be read: their contents
// are read on several cores, a batch at a time (each holds a descriptor),
// and go into the folder in the order they were found.
class PendingFiles {
public:
    static constexpr size_t batch = 64;

    bool has(const QString& name) const { return std::any_of(m_files.begin(), m_files.end(), [&](const File& f) { return f.name == name; }); }
    bool full() const { return m_files.size() >= batch; }

    void add(UniqueFd fd, qint64 size, QString name, QString path)
    {
        m_files.push_back({std::move(fd), size, std::move(name), std::move(path), {}, 0});
    }

    // Reads them all into the folder; false with the failure of the first
    // that fails, in order.
    bool flush(FileWrapper& dir, ReadState& state)
    {
        if (m_files.empty())
            return true;
        std::vector<File> files = std::move(m_files);
        m_files.clear();
        // The limits, in order, before anything is read.
        qint64 total = state.totalBytes;
        for (const File& f : files) {
            if (f.size > state.limits.maxFileBytes || f.size > state.limits.maxTotalBytes - total)
                return state.fail(tr("it is too large."), QStringLiteral("%1: %2 bytes").arg(f.path).arg(f.size));
            total += f.size;
        }
        // A thread for each megabyte or so: small files are read here.
        const qint64 threadsForBytes = (total - state.totalBytes) / (qint64(1) << 20) + 1;
        const int threads = int(std::min<qint64>({qint64(files.size()), qint64(std::max(1, QThread::idealThreadCount())), threadsForBytes}));
        std::atomic<size_t> next = 0;
        runOnThreads(threads, [&] {
            for (size_t i; (i = next.fetch_add(1)) < files.size();)
                files[i].error = readContents(files[i].fd.get(), files[i].size, files[i].contents);
        });
        for (File& f : files) {
            if (f.error != 0)
                return state.failErrno(f.error, QStringLiteral("read"), f.path);
            state.totalBytes += f.contents.size();
            dir.setFileWrapperForExactName(f.name, FileWrapper::makeRegularFile(std::move(f.contents), f.name));
        }
        return true;
    }

private:
    struct File {
        UniqueFd fd;
        qint64 size;
        QString name;
        QString path;
        QByteArray contents;
        int error;
    };
    std::vector<File> m_files;
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
    bool ok = true;
    PendingFiles pending;
    // Failures are reported in the order of the entries: the files found
    // before are read first.
    const auto failAfterPending = [&](const auto& fail) { return pending.flush(dir, state) && fail(); };
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(d);
        if (!entry) {
            if (const int err = errno; err != 0)
                ok = failAfterPending([&] { return state.failErrno(err, QStringLiteral("readdir"), prefix); });
            break;
        }
        const char* raw = entry->d_name;
        if (std::strcmp(raw, ".") == 0 || std::strcmp(raw, "..") == 0)
            continue;
        if (++state.entries > state.limits.maxEntries) {
            ok = failAfterPending([&] { return state.fail(tr("it holds more than %1 files.").arg(state.limits.maxEntries), prefix); });
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
            const int err = errno;
            ok = failAfterPending([&] { return state.failErrno(err, QStringLiteral("stat"), rel); });
            break;
        }
        // Two names that decode to the same text: the first one stays.
        if (dir.fileWrapper(name) || pending.has(name) || (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))) {
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
            const int err = errno;
            ok = failAfterPending([&] { return state.failErrno(err, QStringLiteral("open"), rel); });
            break;
        }
        if (::fstat(child.get(), &opened) != 0 || !sameFile(st, opened)
            || (opened.st_mode & S_IFMT) != (st.st_mode & S_IFMT)) {
            state.skipped << rel;
            continue;
        }
        if (S_ISREG(opened.st_mode)) {
            pending.add(std::move(child), opened.st_size, name, rel);
            if (pending.full() && !(ok = pending.flush(dir, state)))
                break;
        } else {
            if (!(ok = pending.flush(dir, state)))
                break;
            auto sub = FileWrapper::makeDirectory(name);
            if (!(ok = readDirectory(child.release(), *sub, depth + 1, rel + u'/', state)))
                break;
            dir.setFileWrapperForExactName(name, std::move(sub));
        }
    }
    ::closedir(d);
    return ok && pending.flush(dir, state);
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
        // Read as a folder's files are: the limits first.
        const qint64 size = opened.st_size;
        QByteArray contents;
        int error = 0;
        if (size > limits.maxFileBytes || size > limits.maxTotalBytes)
            ok = state.fail(tr("it is too large."), QStringLiteral("%1: %2 bytes").arg(path).arg(size));
        else if ((error = readContents(fd.get(), size, contents)) != 0)
            ok = state.failErrno(error, QStringLiteral("read"), path);
        else
            ok = true;
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
