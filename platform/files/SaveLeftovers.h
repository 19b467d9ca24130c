#pragma once

#include "platform/files/UniqueFd.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace qf {

// The hidden copies a save keeps beside the file or folder it replaces, and
// what becomes of them when the save was killed.
//
// ".NAME.saving-TOKEN" is the new copy while it is written (after an atomic
// exchange, the old copy on its way out); ".NAME.replaced-TOKEN" is the old
// copy moved aside where the file system has no atomic exchange, and exists
// only while the complete new copy waits to be renamed in. A running save
// holds a lock (flock) on its copies; the kernel drops it when the process
// dies, so a copy no one holds belongs to no running save.
class SaveLeftovers {
public:
    enum class Role { Saving, Replaced };

    // Puts back the file or folder at `path` when a killed save left it only
    // in hidden copies (the new copy, complete once the old one was moved
    // aside; otherwise the old one), then removes the copies of earlier saves
    // of it that no running save holds. Never fails: what it cannot do is
    // logged once. `path` may be a symbolic link.
    static void tidy(const QString& path);
    // The same for `target` (a name in the local encoding) in the open folder
    // `dirfd`, which is `folderPath`.
    static void tidy(int dirfd, const QByteArray& target, const QString& folderPath);

    // A token no other save of this process uses.
    static QByteArray newToken();
    // The hidden name of a copy of `target`, within the name limit.
    static QByteArray copyName(const QByteArray& target, Role role, const QByteArray& token);

    // Marks the just-made copy open as `fd`, at `name` in `dirfd`, as a
    // running save's; waits while a tidy removing it holds it. False when it
    // was removed before it could be held: make another.
    static bool holdNewCopy(int fd, int dirfd, const QByteArray& name);
    // Holds what is at `name` for as long as the answer stays open. Nothing
    // when a running save holds it (or no lock can be taken); an invalid
    // descriptor when there is nothing there or nothing to lock (a link).
    static std::optional<UniqueFd> tryHold(int dirfd, const QByteArray& name);

    // Removes a copy of `target` the caller holds or owns, or logs once that
    // it could not. An old copy that was moved aside takes the saving name
    // first, so a half-removed one is never mistaken for an intact one.
    static void discard(int dirfd, const QByteArray& target, Role role, const QByteArray& token,
                        const QString& folderPath);
};

} // namespace qf
