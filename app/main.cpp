#include "app/shell/QFApplicationDelegate.h"
#include "app/shell/WebPageActions.h"
#include "model/UtilityFunctions.h"
#include "document/window/MyDocumentController.h"
#include "document/window/QtSaveAccessory.h"
#include "editor/FotoloomController.h"
#include "editor/window/FotoloomWindow.h"
#include "platform/core/PictureMemory.h"
#include "platform/widgets/documents/QtDocumentDialogs.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace {

// The editor of one document with its window. The window goes first: it
// reaches into the core until it is deleted.
class Editor : public qf::FotoloomController {
public:
    Editor(qf::CollageDocument& document, qf::DocumentController& documents, qf::QFApplicationDelegate& delegate)
        : FotoloomController(document, &document.undoManager(), [&documents] { documents.clearRecentDocuments(); })
        , m_window(new qf::FotoloomWindow(*this, &documents, shellActions(delegate)))
    {
        document.setWindow(m_window);
    }
    ~Editor() override { delete m_window.data(); }

private:
    // The delegate outlives every document.
    static qf::ShellMenuActions shellActions(qf::QFApplicationDelegate& delegate)
    {
        qf::ShellMenuActions actions{[&delegate] { delegate.showPreferencesWindow(); },
                                     [&delegate] { delegate.showGettingStartedWindow(); },
                                     [&delegate] { delegate.showSubscribeToNlWindow(); },
                                     {}};
        for (const qf::WebPageActions::MenuEntry& entry : qf::WebPageActions::menuEntries()) {
            actions.helpItems.push_back(
                {entry.title, entry.objectName, entry.action ? std::function<void()>(entry.action) : nullptr});
        }
        return actions;
    }

    QPointer<qf::FotoloomWindow> m_window;
};

} // namespace

int main(int argc, char* argv[])
{
    if (qf::UtilityFunctions::isRunningInSandbox()) {
        qCritical("Should not be running in sandbox");
        return 1;
    }
    qf::setUpPictureMemory();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quiltfolio"));
    QApplication::setOrganizationName(QStringLiteral("Quiltfolio"));
    QApplication::setApplicationVersion(QStringLiteral(QF_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("quiltfolio"));
    // Linux users expect the application to end with its last window.
    QApplication::setQuitOnLastWindowClosed(true);

    // Before the documents: their windows' menus reach it.
    qf::QFApplicationDelegate delegate;
    // Documents ask through the desktop's dialogs, with the export accessory.
    qf::Document::setDefaultDialogs(std::make_shared<qf::QtDocumentDialogs>());
    qf::QtSaveAccessory::install();
    qf::MyDocumentController documents(std::make_shared<qf::QtDocumentDialogs>());
    documents.setHostFactory(
        [&documents, &delegate](qf::CollageDocument& document) -> std::unique_ptr<qf::DocumentHost> {
            return std::make_unique<Editor>(document, documents, delegate);
        });
    // The desktop hands documents over as arguments; there are no options.
    documents.openAtLaunch(QApplication::arguments().mid(1));
    // Queued: the getting-started window then runs its loop inside app.exec().
    QTimer::singleShot(0, &delegate, &qf::QFApplicationDelegate::applicationDidFinishLaunching);

    return app.exec();
}
