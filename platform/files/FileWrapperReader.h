#pragma once

#include "platform/core/Status.h"
#include "platform/files/FileWrapper.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace qf {

// Reads a file or a folder from disk into a FileWrapper tree.
//
// The path itself may be a symbolic link (a link to a document on the
// desktop is opened as the document). Inside a folder nothing is followed:
// symbolic links, FIFOs, sockets and device files are skipped without being
// opened, and so are folders deeper than the depth limit; their paths are
// listed in the result. A path that is itself no regular file or folder is
// refused before it is opened for reading.
//
// An unreadable file or folder inside fails the whole read: a document read
// without one of its pictures would lose it at the next save.
class FileWrapperReader {
public:
    struct Limits {
        // Folder levels below the top that are read.
        int maxDepth = 16;
        // Files and folders in all, the top one not counted.
        qint64 maxEntries = 100'000;
        qint64 maxFileBytes = qint64(1) << 30;
        qint64 maxTotalBytes = qint64(4) << 30;
    };

    struct Result {
        Status status = Status::success();
        // Null on failure.
        std::shared_ptr<FileWrapper> wrapper;
        // Paths relative to the top that were not read (links, special
        // files, folders too deep).
        QStringList skipped;
    };

    static Result read(const QString& path, const Limits& limits);
    static Result read(const QString& path) { return read(path, Limits()); }
};

} // namespace qf
