#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <map>
#include <memory>

namespace qf {

// A file or a folder held in memory: a regular file's bytes, or a directory's
// children by name. Child names within a directory are unique; a child added
// under a name already taken gets a new name ("photo.jpg" becomes
// "photo 2.jpg", then "photo 3.jpg"). Names clash without regard to case, so
// a package written to a case-insensitive volume never has one file
// overwrite another.
//
// Files are read and written by FileWrapperReader and AtomicFileWriter.
class FileWrapper {
public:
    enum class Kind { RegularFile, Directory };
    using Children = std::map<QString, std::shared_ptr<FileWrapper>>;

    // The longest file name Linux file systems take, in UTF-8 bytes.
    static constexpr int maxNameBytes = 255;

    static std::shared_ptr<FileWrapper> makeRegularFile(QByteArray contents,
                                                        QString preferredFilename = {});
    static std::shared_ptr<FileWrapper> makeDirectory(QString preferredFilename = {});

    Kind kind() const { return m_kind; }
    bool isRegularFile() const { return m_kind == Kind::RegularFile; }
    bool isDirectory() const { return m_kind == Kind::Directory; }

    // The name this wrapper asks for when it is added to a directory.
    const QString& preferredFilename() const { return m_preferredFilename; }
    void setPreferredFilename(QString name) { m_preferredFilename = std::move(name); }

    // A regular file's bytes; empty for a directory.
    const QByteArray& regularFileContents() const { return m_contents; }

    // A directory's children by name, in name order; empty for a file.
    const Children& fileWrappers() const { return m_children; }
    // The child of that exact name, or nullptr.
    std::shared_ptr<FileWrapper> fileWrapper(const QString& name) const;

    // Adds the child under its preferred name, made safe and unique, and
    // answers the name used. Does nothing and answers an empty name when this
    // is not a directory or the child is null.
    QString addFileWrapper(std::shared_ptr<FileWrapper> child);
    // Adds a new regular file; answers the name used.
    QString addRegularFile(QByteArray contents, const QString& preferredFilename);
    // Removes the child of that exact name; false when there is none.
    bool removeFileWrapper(const QString& name);

    // Puts a child under exactly this name, replacing a child of that name.
    // For readers, whose names come from disk and are unique already.
    void setFileWrapperForExactName(const QString& name, std::shared_ptr<FileWrapper> child);

    // A name usable as one path component: no '/' or NUL, not empty, "." or
    // "..", at most maxNameBytes in UTF-8 with its extension kept.
    static QString safeFilename(const QString& name);

private:
    explicit FileWrapper(Kind kind) : m_kind(kind) { }
    QString uniqueName(const QString& wanted);

    Kind m_kind;
    QString m_preferredFilename;
    QByteArray m_contents;
    Children m_children;
    // Case-folded child names and how many children have each.
    QHash<QString, int> m_foldedNames;
    // Where the search for a free numbered name goes on, by folded name.
    QHash<QString, int> m_nextNumber;
};

} // namespace qf
