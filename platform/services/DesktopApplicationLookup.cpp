#include "platform/services/DesktopApplicationLookup.h"

#include <QProcess>
#include <QStandardPaths>

namespace qf {

std::shared_ptr<ApplicationLookup> ApplicationLookup::desktopLookup()
{
    static const auto lookup = std::make_shared<DesktopApplicationLookup>();
    return lookup;
}

QString DesktopApplicationLookup::desktopEntry(const QString& identifier)
{
    // Identifiers are file names here: nothing that could leave the folder.
    if (identifier.isEmpty() || identifier.contains(u'/') || identifier.startsWith(u'.'))
        return {};
    return QStandardPaths::locate(QStandardPaths::ApplicationsLocation, identifier + QStringLiteral(".desktop"));
}

bool DesktopApplicationLookup::hasApplication(const QString& identifier) const
{
    return !desktopEntry(identifier).isEmpty();
}

bool DesktopApplicationLookup::openFileWithApplication(const QString& path, const QString& application)
{
    const QString entry = desktopEntry(application);
    if (entry.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("gio")).isEmpty())
        return false;
    return QProcess::startDetached(QStringLiteral("gio"), {QStringLiteral("launch"), entry, path});
}

} // namespace qf
