#pragma once

#include "platform/core/Status.h"
#include "platform/files/FileWrapper.h"

#include <QString>

namespace qf {

// Writes a FileWrapper tree to disk so that a reader sees either the old
// copy or the complete new one, never a mixture.
//
// The new copy is written beside the old one under a hidden temporary name
// in the same folder, then swapped in with one rename (an atomic exchange
// where the file system has one, otherwise: old aside, new in, old back on
// failure) and the old copy is removed. On any failure before the swap the
// old copy is left untouched, the temporary copy is removed, and the status
// carries the message for the user. A path that is a symbolic link to an
// existing file is written at the link's target; the link stays.
//
// A save that is killed leaves its hidden copies behind; the next save (and
// the next open, through SaveLeftovers::tidy) puts the target back if it is
// missing and removes the copies no running save holds.
class AtomicFileWriter {
public:
    enum class Flush {
        // Data reaches the disk before an existing copy is replaced, so a
        // crash never costs both; a first save is left to the page cache.
        WhenReplacing,
        Always,
        Never,
    };

    struct Options {
        Flush flush = Flush::WhenReplacing;
        // Off only to exercise the path for file systems without an atomic
        // exchange.
        bool allowExchange = true;
    };

    // Writes a regular file as a file, a directory as a folder tree.
    static Status write(const FileWrapper& wrapper, const QString& path, const Options& options);
    static Status write(const FileWrapper& wrapper, const QString& path) { return write(wrapper, path, Options()); }
};

} // namespace qf
