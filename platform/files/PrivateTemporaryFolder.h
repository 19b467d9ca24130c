#pragma once

#include <QByteArray>
#include <QMetaObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace qf {

// Where this process keeps the files it hands to other programs (a picture
// attached to a mail, opened in a viewer to print): a folder only its user
// may enter, mode 0700, with each file (mode 0600) in a folder of its own so
// that it keeps the name it was given. The files stay until remove() or
// removeAll(), which the destructor and the application's quit call: the
// other program reads them after it started, at a time we do not learn.
//
// The folder is made when the first file is written; one that is there
// already must be a folder of this user's (not a link), and is narrowed to
// 0700 if it is wider. Other processes' files in it are left alone.
//
// Main thread only.
class PrivateTemporaryFolder {
public:
    explicit PrivateTemporaryFolder(QString path);
    ~PrivateTemporaryFolder();
    PrivateTemporaryFolder(const PrivateTemporaryFolder&) = delete;
    PrivateTemporaryFolder& operator=(const PrivateTemporaryFolder&) = delete;

    const QString& path() const { return m_path; }

    // The new file `fileName` (one path component) holding the bytes; its
    // full path, or nothing when the folder is not safe or the file could
    // not be written.
    std::optional<QString> writeFile(const QString& fileName, const QByteArray& bytes);
    // Removes a file writeFile() answered, with its folder; other paths are
    // left alone.
    void remove(const QString& path);
    // Removes every file written, and the folder when nothing else is in it.
    void removeAll();

    // The folder for the running user's application: inside the session's
    // runtime folder when there is one, else inside its cache folder.
    static QString defaultPath();
    // The application's folder at defaultPath(), emptied when it quits.
    static std::shared_ptr<PrivateTemporaryFolder> forApplication();

private:
    // Makes the folder or checks the one there; false when it is not safe.
    bool prepare();
    static void removeFolder(const QString& folder);
    void removeIfEmpty();

    const QString m_path;
    QStringList m_written; // the folders of the files written, in order
    QMetaObject::Connection m_quit;
};

} // namespace qf
