#pragma once

#include "platform/services/ShareService.h"

#include <QStringList>

namespace qf {

// What the desktop's services are found in and run with. system() is this
// session's; tests give their own.
struct DesktopEnvironment {
    // Runs a program. A detached one (a mail composer) counts as done once it
    // started; otherwise `done` learns whether it exited with 0.
    using Done = std::function<void(bool succeeded, const QString& error)>;
    using Runner = std::function<void(const QString& program, const QStringList& arguments, bool detached, Done done)>;

    // The full path of an installed program; empty when it is not installed.
    std::function<QString(const QString& program)> findExecutable;
    // XDG_CURRENT_DESKTOP: desktop names separated by colons.
    QString currentDesktop;
    // Where desktop pictures are kept: the desktop reads the file long after
    // the share, so it cannot stay in the temporary folder.
    QString desktopPictureFolder;
    Runner run;

    static DesktopEnvironment system();
};

// E-mail with the picture attached, through the desktop's `xdg-email`.
class XdgEmailService : public ShareService {
public:
    explicit XdgEmailService(DesktopEnvironment environment) : m_environment(std::move(environment)) {}

    QString name() const override { return ShareServiceNames::composeEmail; }
    QString title() const override;
    QIcon icon() const override;
    bool canPerformWithItems(const ShareItems& items) const override;
    void performWithItems(const ShareItems& items, Finished finished) override;

    // The command line's arguments for the items.
    static QStringList arguments(const ShareItems& items);

private:
    DesktopEnvironment m_environment;
};

// The desktop picture of GNOME and the desktops built on it, through `gsettings`.
class GnomeDesktopPictureService : public ShareService {
public:
    explicit GnomeDesktopPictureService(DesktopEnvironment environment) : m_environment(std::move(environment)) {}

    QString name() const override { return ShareServiceNames::useAsDesktopPicture; }
    QString title() const override;
    QIcon icon() const override;
    bool canPerformWithItems(const ShareItems& items) const override;
    // Keeps a copy of the picture in the desktop-picture folder (the one
    // copy there: earlier ones go) and points the light and dark backgrounds
    // at it.
    void performWithItems(const ShareItems& items, Finished finished) override;

    // Whether the session runs a desktop whose background this sets.
    static bool supportsDesktop(const QString& currentDesktop);
    // The `gsettings` arguments that show the file, light style then dark.
    static QList<QStringList> gsettingsArguments(const QString& path);

private:
    DesktopEnvironment m_environment;
};

// The services the desktop offers: each exists only when its program is
// installed (and, for the desktop picture, the desktop supports it).
class DesktopShareServiceRegistry : public ShareServiceRegistry {
public:
    explicit DesktopShareServiceRegistry(DesktopEnvironment environment) : m_environment(std::move(environment)) {}

    std::shared_ptr<ShareService> serviceNamed(const QString& name) const override;

private:
    DesktopEnvironment m_environment;
};

} // namespace qf
