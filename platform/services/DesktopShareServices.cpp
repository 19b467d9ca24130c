#include "platform/services/DesktopShareServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QUuid>

Q_LOGGING_CATEGORY(lcShare, "qf.services.share")

namespace qf {

namespace {

const QString kXdgEmail = QStringLiteral("xdg-email");
const QString kGsettings = QStringLiteral("gsettings");
const QString kBackgroundSchema = QStringLiteral("org.gnome.desktop.background");

bool installed(const DesktopEnvironment& environment, const QString& program)
{
    return environment.findExecutable && !environment.findExecutable(program).isEmpty();
}

void runProcess(const QString& program, const QStringList& arguments, bool detached, DesktopEnvironment::Done done)
{
    if (detached) {
        const bool started = QProcess::startDetached(program, arguments);
        // Reported from the event loop, as a process that runs to its end is.
        QTimer::singleShot(0, QCoreApplication::instance(), [started, program, done = std::move(done)] {
            done(started, started ? QString() : QStringLiteral("%1 did not start").arg(program));
        });
        return;
    }
    auto* process = new QProcess(QCoreApplication::instance());
    auto reported = std::make_shared<bool>(false);
    const auto report = [process, reported, done](bool succeeded, const QString& error) {
        if (*reported)
            return;
        *reported = true;
        done(succeeded, error);
        process->deleteLater();
    };
    QObject::connect(process, &QProcess::finished, process,
                     [process, report](int code, QProcess::ExitStatus status) {
                         const bool ok = status == QProcess::NormalExit && code == 0;
                         report(ok, ok ? QString() : QString::fromLocal8Bit(process->readAllStandardError()).trimmed());
                     });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, report](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            report(false, process->errorString());
    });
    process->start(program, arguments);
}

} // namespace

DesktopEnvironment DesktopEnvironment::system()
{
    DesktopEnvironment environment;
    environment.findExecutable = [](const QString& program) { return QStandardPaths::findExecutable(program); };
    environment.currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    environment.desktopPictureFolder =
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath(QStringLiteral("Desktop Pictures"));
    environment.run = runProcess;
    return environment;
}

std::shared_ptr<ShareServiceRegistry> ShareServiceRegistry::desktopRegistry()
{
    static const auto registry = std::make_shared<DesktopShareServiceRegistry>(DesktopEnvironment::system());
    return registry;
}

// ---- e-mail ---------------------------------------------------------------------------------

QString XdgEmailService::title() const
{
    return QCoreApplication::translate("qf::ShareService", "Email");
}

QIcon XdgEmailService::icon() const
{
    return QIcon::fromTheme(QStringLiteral("mail-message-new"));
}

bool XdgEmailService::canPerformWithItems(const ShareItems& items) const
{
    if (!installed(m_environment, kXdgEmail))
        return false;
    return items.imagePath.isEmpty() || QFileInfo(items.imagePath).isFile();
}

QStringList XdgEmailService::arguments(const ShareItems& items)
{
    QStringList arguments;
    if (!items.subject.isEmpty())
        arguments << QStringLiteral("--subject") << items.subject;
    if (!items.text.isEmpty())
        arguments << QStringLiteral("--body") << items.text;
    if (!items.imagePath.isEmpty())
        arguments << QStringLiteral("--attach") << items.imagePath;
    return arguments;
}

void XdgEmailService::performWithItems(const ShareItems& items, Finished finished)
{
    const QString program = m_environment.findExecutable ? m_environment.findExecutable(kXdgEmail) : QString();
    if (program.isEmpty() || !m_environment.run) {
        finished(false, QStringLiteral("xdg-email is not installed"));
        return;
    }
    m_environment.run(program, arguments(items), true, std::move(finished));
}

// ---- desktop picture --------------------------------------------------------------------------

QString GnomeDesktopPictureService::title() const
{
    return QCoreApplication::translate("qf::ShareService", "Set Desktop Picture");
}

QIcon GnomeDesktopPictureService::icon() const
{
    return QIcon::fromTheme(QStringLiteral("preferences-desktop-wallpaper"));
}

bool GnomeDesktopPictureService::supportsDesktop(const QString& currentDesktop)
{
    return currentDesktop.contains(QStringLiteral("GNOME"), Qt::CaseInsensitive);
}

bool GnomeDesktopPictureService::canPerformWithItems(const ShareItems& items) const
{
    if (!supportsDesktop(m_environment.currentDesktop) || !installed(m_environment, kGsettings))
        return false;
    return items.imagePath.isEmpty() || QFileInfo(items.imagePath).isFile();
}

QList<QStringList> GnomeDesktopPictureService::gsettingsArguments(const QString& path)
{
    const QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    return {{QStringLiteral("set"), kBackgroundSchema, QStringLiteral("picture-uri"), uri},
            {QStringLiteral("set"), kBackgroundSchema, QStringLiteral("picture-uri-dark"), uri}};
}

void GnomeDesktopPictureService::performWithItems(const ShareItems& items, Finished finished)
{
    const QString program = m_environment.findExecutable ? m_environment.findExecutable(kGsettings) : QString();
    if (program.isEmpty() || !m_environment.run) {
        finished(false, QStringLiteral("gsettings is not installed"));
        return;
    }
    // A new name each time: the desktop reloads a picture only when its address changes.
    QDir folder(m_environment.desktopPictureFolder);
    const QString suffix = QFileInfo(items.imagePath).suffix();
    const QString kept = folder.filePath(QStringLiteral("collage-%1.%2")
                                             .arg(QUuid::createUuid().toString(QUuid::Id128),
                                                  suffix.isEmpty() ? QStringLiteral("jpeg") : suffix));
    if (!folder.mkpath(QStringLiteral(".")) || !QFile::copy(items.imagePath, kept)) {
        finished(false, QStringLiteral("could not keep %1 in %2").arg(items.imagePath, folder.path()));
        return;
    }
    for (const QFileInfo& old : folder.entryInfoList({QStringLiteral("collage-*")}, QDir::Files))
        if (old.absoluteFilePath() != QFileInfo(kept).absoluteFilePath())
            QFile::remove(old.absoluteFilePath());

    const QList<QStringList> commands = gsettingsArguments(kept);
    const DesktopEnvironment::Runner run = m_environment.run;
    // The light style decides; a desktop older than the dark style's key
    // refuses the second, which changes nothing the user sees.
    run(program, commands.at(0), false,
        [run, program, dark = commands.at(1), finished = std::move(finished)](bool succeeded, const QString& error) {
            if (!succeeded) {
                finished(false, error);
                return;
            }
            run(program, dark, false, [finished](bool darkSet, const QString& darkError) {
                if (!darkSet)
                    qCInfo(lcShare) << "no dark desktop picture:" << darkError;
                finished(true, {});
            });
        });
}

// ---- the registry ---------------------------------------------------------------------------

std::shared_ptr<ShareService> DesktopShareServiceRegistry::serviceNamed(const QString& name) const
{
    if (name == ShareServiceNames::composeEmail && installed(m_environment, kXdgEmail))
        return std::make_shared<XdgEmailService>(m_environment);
    if (name == ShareServiceNames::useAsDesktopPicture && installed(m_environment, kGsettings)
        && GnomeDesktopPictureService::supportsDesktop(m_environment.currentDesktop))
        return std::make_shared<GnomeDesktopPictureService>(m_environment);
    return nullptr;
}

} // namespace qf
