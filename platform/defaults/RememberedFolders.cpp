#include "platform/defaults/RememberedFolders.h"

#include "platform/defaults/UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qf {

namespace {

QString keyFor(FolderKind kind)
{
    return QString::fromLatin1(kind == FolderKind::Pictures ? kLastPicturesFolderDefaultsKey
                                                            : kLastProjectsFolderDefaultsKey);
}

QString existingFolder(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    return info.isAbsolute() && info.isDir() ? info.absoluteFilePath() : QString();
}

} // namespace

QString startFolder(FolderKind kind)
{
    const QString last = existingFolder(UserDefaults::standard().value(keyFor(kind)).toString());
    if (!last.isEmpty())
        return last;
    const QString desktops = existingFolder(QStandardPaths::writableLocation(
        kind == FolderKind::Pictures ? QStandardPaths::PicturesLocation : QStandardPaths::DocumentsLocation));
    return desktops.isEmpty() ? QDir::homePath() : desktops;
}

void rememberFolderOf(FolderKind kind, const QString& chosenPath)
{
    if (chosenPath.isEmpty())
        return;
    const QString folder = QFileInfo(chosenPath).absolutePath();
    UserDefaults::standard().setValue(keyFor(kind), folder);
}

} // namespace qf
