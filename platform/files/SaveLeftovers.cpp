#include "platform/files/SaveLeftovers.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qf {

namespace {

Q_LOGGING_CATEGORY(lcLeftovers, "qf.files.leftovers")

constexpr char kSaving[] = "saving";
constexpr char kReplaced[] = "replaced";

const char* roleName(SaveLeftovers::Role role)
{
    return role == SaveLeftovers::Role::Saving ? kSaving : kReplaced;
}

// The part of a copy's name that stands for its target: the target itself,
// or a long one cut at a character with a hash of the whole, so that the
// copies of two long names never mix.
QByteArray stem(const QByteArray& target)
{
    constexpr int kMax = 180;
    if (target.size() <= kMax)
        return target;
    QByteArray base = target.left(kMax - 10);
    while (!base.isEmpty() && (uchar(base.back()) & 0xC0) == 0x80)
        base.chop(1);
    if (!base.isEmpty() && uchar(base.back()) >= 0xC0)
        base.chop(1);
    return base + '~' + QCryptographicHash::hash(target, QCryptographicHash::Md5).toHex().left(8);
}

bool isNumber(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > 10)
        return false;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// The role and token of a copy of the target whose names start with
// `prefix`, or nothing for any other name.
std::optional<std::pair<SaveLeftovers::Role, QByteArray>> parse(QByteArrayView entry, QByteArrayView prefix)
{
    if (!entry.startsWith(prefix))
        return std::nullopt;
    entry = entry.sliced(prefix.size());
    for (const auto role : {SaveLeftovers::Role::Saving, SaveLeftovers::Role::Replaced}) {
        const QByteArray lead = QByteArray(roleName(role)) + '-';
        if (!entry.startsWith(lead))
            continue;
        const QByteArrayView token = entry.sliced(lead.size());
        const qsizetype dash = token.indexOf('-');
        if (dash > 0 && isNumber(token.first(dash)) && isNumber(token.sliced(dash + 1)))
            return std::pair(role, token.toByteArray());
    }
    return std::nullopt;
}

bool exists(int dirfd, const QByteArray& name, struct stat* st = nullptr)
{
    struct stat local {};
    return ::fstatat(dirfd, name.constData(), st ? st : &local, AT_SYMLINK_NOFOLLOW) == 0;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens a folder to read or lock it; one that we may not read (a copy of
// a folder of mode 0333) is made readable first, as it is ours to remove.
int openFolder(int dirfd, const char* name, mode_t mode)
{
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(dirfd, name, flags);
    if (fd < 0 && errno == EACCES && ::fchmodat(dirfd, name, (mode | S_IRWXU) & 07777, 0) == 0)
        fd = ::openat(dirfd, name, flags);
    return fd;
}

// Removes a file or a folder tree without following links. Folders are made
// writable first: the old copy of a package of mode 555 is still ours to
// remove.
bool removeTree(int dirfd, const char* name, int depth = 0)
{
    struct stat st {};
    if (::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return ::unlinkat(dirfd, name, 0) == 0 || errno == ENOENT;
    if (depth > 256)
        return false;
    const int fd = openFolder(dirfd, name, st.st_mode);
    if (fd < 0)
        return false;
    if ((st.st_mode & S_IRWXU) != S_IRWXU)
        ::fchmod(fd, (st.st_mode | S_IRWXU) & 07777);
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

// A leftover that stays would be tried at every save and open: say so once.
void reportOnce(const QString& folderPath, const QByteArray& name, const char* what)
{
    static std::mutex mutex;
    static QSet<QString> reported;
    const QString path = folderPath + u'/' + QFile::decodeName(name);
    std::lock_guard lock(mutex);
    if (!reported.contains(path)) {
        reported.insert(path);
        qCWarning(lcLeftovers).noquote() << what << path;
    }
}

bool renameNoReplace(int dirfd, const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(dirfd, from.constData(), dirfd, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    return !exists(dirfd, to) && ::renameat(dirfd, from.constData(), dirfd, to.constData()) == 0;
}

struct Copies {
    bool saving = false;
    bool replaced = false;
    // Held while they are put back or removed.
    UniqueFd savingHold;
    UniqueFd replacedHold;
    bool held = false;

    // False when a running save holds one of them.
    bool hold(int dirfd, const QByteArray& target, const QByteArray& token)
    {
        for (const auto role : {SaveLeftovers::Role::Saving, SaveLeftovers::Role::Replaced}) {
            if (!(role == SaveLeftovers::Role::Saving ? saving : replaced))
                continue;
            std::optional<UniqueFd> lock = SaveLeftovers::tryHold(dirfd, SaveLeftovers::copyName(target, role, token));
            if (!lock)
                return false;
            (role == SaveLeftovers::Role::Saving ? savingHold : replacedHold) = std::move(*lock);
        }
        held = true;
        return true;
    }
};

} // namespace

QByteArray SaveLeftovers::newToken()
{
    static std::atomic<unsigned> counter{0};
    return QByteArray::number(qint64(::getpid())) + '-' + QByteArray::number(counter.fetch_add(1));
}

QByteArray SaveLeftovers::copyName(const QByteArray& target, Role role, const QByteArray& token)
{
    return '.' + stem(target) + '.' + roleName(role) + '-' + token;
}

bool SaveLeftovers::holdNewCopy(int fd, int dirfd, const QByteArray& name)
{
    int r;
    while ((r = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) { }
    // Without locks (some network file systems) no tidy can take it either.
    if (r != 0)
        return true;
    struct stat held {};
    struct stat there {};
    return ::fstat(fd, &held) == 0 && exists(dirfd, name, &there) && sameFile(held, there);
}

std::optional<UniqueFd> SaveLeftovers::tryHold(int dirfd, const QByteArray& name)
{
    struct stat st {};
    if (!exists(dirfd, name, &st))
        return UniqueFd();
    UniqueFd fd;
    if (S_ISDIR(st.st_mode)) {
        fd.reset(openFolder(dirfd, name.constData(), st.st_mode));
    } else if (S_ISREG(st.st_mode)) {
        // Whichever way its mode lets us open it; a lock needs no access.
        constexpr int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        fd.reset(::openat(dirfd, name.constData(), O_RDONLY | flags));
        if (!fd.valid() && errno == EACCES)
            fd.reset(::openat(dirfd, name.constData(), O_WRONLY | flags));
    } else {
        // Links and the like are never a running save's copy.
        return UniqueFd();
    }
    if (!fd.valid() || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return std::nullopt;
    struct stat held {};
    if (::fstat(fd.get(), &held) != 0 || !exists(dirfd, name, &st) || !sameFile(held, st))
        return std::nullopt;
    return fd;
}

void SaveLeftovers::discard(int dirfd, const QByteArray& target, Role role, const QByteArray& token,
                            const QString& folderPath)
{
    QByteArray name = copyName(target, role, token);
    if (role == Role::Replaced) {
        const QByteArray saving = copyName(target, Role::Saving, token);
        if (renameNoReplace(dirfd, name, saving))
            name = saving;
    }
    if (!removeTree(dirfd, name.constData()))
        reportOnce(folderPath, name, "could not remove the leftover copy");
}

void SaveLeftovers::tidy(const QString& path)
{
    QString resolved = path;
    if (const QFileInfo link(path); link.isSymLink()) {
        const QString canonical = link.canonicalFilePath();
        resolved = canonical.isEmpty() ? link.symLinkTarget() : canonical;
    }
    const QFileInfo info(resolved);
    const QByteArray target = QFile::encodeName(info.fileName());
    if (target.isEmpty() || target == "." || target == "..")
        return;
    const QString folderPath = info.absolutePath();
    const UniqueFd folder(::open(QFile::encodeName(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        tidy(folder.get(), target, folderPath);
}

void SaveLeftovers::tidy(int dirfd, const QByteArray& target, const QString& folderPath)
{
    const QByteArray prefix = '.' + stem(target) + '.';
    std::map<QByteArray, Copies> tokens;
    {
        const int listing = ::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* d = listing >= 0 ? ::fdopendir(listing) : nullptr;
        if (!d) {
            if (listing >= 0)
                ::close(listing);
            return;
        }
        while (const dirent* e = ::readdir(d)) {
            if (const auto copy = parse(e->d_name, prefix))
                (copy->first == Role::Saving ? tokens[copy->second].saving : tokens[copy->second].replaced) = true;
        }
        ::closedir(d);
    }
    if (tokens.empty())
        return;

    // The target is missing only when a save was killed between moving the
    // old copy aside and renaming the new one in, or when the user removed it.
    if (!exists(dirfd, target)) {
        const QByteArray* latest = nullptr;
        timespec latestTime{};
        for (const auto& [token, copies] : tokens) {
            struct stat st {};
            if (copies.replaced && exists(dirfd, copyName(target, Role::Replaced, token), &st)
                && (!latest || std::tie(st.st_ctim.tv_sec, st.st_ctim.tv_nsec)
                                   > std::tie(latestTime.tv_sec, latestTime.tv_nsec))) {
                latest = &token;
                latestTime = st.st_ctim;
            }
        }
        if (latest) {
            Copies& copies = tokens[*latest];
            // A save swapping them right now: everything stays as it is.
            if (!copies.hold(dirfd, target, *latest))
                return;
            // The old copy is moved aside only once the new one is complete.
            const Role back = copies.saving ? Role::Saving : Role::Replaced;
            const QByteArray from = copyName(target, back, *latest);
            if (!renameNoReplace(dirfd, from, target)) {
                reportOnce(folderPath, from, "could not put back the copy");
                return;
            }
            qCInfo(lcLeftovers).noquote() << "put back the" << (copies.saving ? "new" : "old") << "copy"
                                          << folderPath + u'/' + QFile::decodeName(target)
                                          << "an interrupted save left aside";
            (back == Role::Saving ? copies.saving : copies.replaced) = false;
        }
    }

    for (auto& [token, copies] : tokens) {
        if (!copies.held && !copies.hold(dirfd, target, token))
            continue;
        if (copies.saving)
            discard(dirfd, target, Role::Saving, token, folderPath);
        if (copies.replaced)
            discard(dirfd, target, Role::Replaced, token, folderPath);
    }
}

} // namespace qf
