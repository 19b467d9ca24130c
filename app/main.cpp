#include "document/CollageDocument.h"
#include "editor/window/FotoloomWindow.h"
#include "platform/files/Status.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>

#include <memory>

Q_LOGGING_CATEGORY(lcApp, "qf.app")

namespace {

bool isRunningInSandbox()
{
    return qEnvironmentVariableIsSet("APP_SANDBOX_CONTAINER_ID");
}

// Opens one editor window. Documents open here directly until the
// application's document controller takes over opening (and then owns the
// documents); this is the one place that changes then.
qf::FotoloomWindow* openWindow(std::unique_ptr<qf::CollageDocument> document)
{
    auto* window = new qf::FotoloomWindow(std::move(document));
    window->show();
    return window;
}

// A file the desktop handed over that cannot be read: said without blocking,
// so the other files still open.
void reportUnreadable(const QString& path, const qf::Status& status)
{
    qCWarning(lcApp) << "could not open" << path << status.message();
    auto* box = new QMessageBox(QMessageBox::Warning, QObject::tr("Quiltfolio"),
                                QObject::tr("The document “%1” could not be opened.").arg(QFileInfo(path).fileName()));
    box->setInformativeText(status.message());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

// For the smoke test: once the first window has painted, save it as a PNG
// and close everything (the exit status says whether the save worked).
void scheduleScreenshot(QWidget* window, const QString& path)
{
    QTimer::singleShot(1000, window, [window, path] {
        const bool saved = window->grab().save(path, "PNG");
        if (!saved)
            qCWarning(lcApp) << "could not save the screenshot to" << path;
        QApplication::closeAllWindows();
        QApplication::exit(saved ? 0 : 2);
    });
}

} // namespace

int main(int argc, char* argv[])
{
    if (isRunningInSandbox()) {
        qCritical("Should not be running in sandbox");
        return 1;
    }
    // Qt refuses images over 128 MB by default; a 7200 x 5400 picture is 155 MB.
    QImageReader::setAllocationLimit(1024);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quiltfolio"));
    QApplication::setOrganizationName(QStringLiteral("Quiltfolio"));
    QApplication::setApplicationVersion(QStringLiteral(QF_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("quiltfolio"));
    // Linux users expect the application to end with its last window.
    QApplication::setQuitOnLastWindowClosed(true);

    // The desktop hands documents over as arguments; there are no options.
    QList<qf::FotoloomWindow*> windows;
    const QStringList args = QApplication::arguments().mid(1);
    for (const QString& arg : args) {
        const QString path = QDir::cleanPath(QFileInfo(arg).absoluteFilePath());
        auto document = std::make_unique<qf::CollageDocument>();
        if (const qf::Status read = document->readFromPath(path); !read) {
            reportUnreadable(path, read);
            continue;
        }
        windows.append(openWindow(std::move(document)));
    }
    if (args.isEmpty())
        windows.append(openWindow(std::make_unique<qf::CollageDocument>()));

    const QString screenshot = qEnvironmentVariable("QF_SMOKE_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        if (windows.isEmpty())
            return 2;
        scheduleScreenshot(windows.first(), screenshot);
    }
    return app.exec();
}
