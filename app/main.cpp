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
#include <QCommandLineParser>
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

// The options every Linux program has; the documents to open are the rest.
void describeCommandLine(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("Makes collages from your pictures."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("documents"),
                                 QStringLiteral("Projects or designs to open; a new collage when none is given."),
                                 QStringLiteral("[documents...]"));
}

// Help and version are printed before a display is opened, so that they
// work without one.
void answerInformationOptions(int& argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    describeCommandLine(parser);
    // Options of Qt's own (-platform, -style...) are unknown here and left
    // for QApplication; only the question of help or version matters.
    parser.parse(arguments);
    if (!parser.isSet(QStringLiteral("help")) && !parser.isSet(QStringLiteral("version")))
        return;
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(QF_VERSION));
    // Prints and exits.
    parser.process(core);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qf::UtilityFunctions::isRunningInSandbox()) {
        qCritical("Should not be running in sandbox");
        return 1;
    }
    QCoreApplication::setApplicationName(QStringLiteral("Quiltfolio"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quiltfolio"));
    answerInformationOptions(argc, argv);
    qf::setUpPictureMemory();

    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(QF_VERSION));
    // Qt has taken its own options out of the arguments by now; anything
    // else that looks like an option is a mistake, said on the terminal.
    QCommandLineParser commandLine;
    describeCommandLine(commandLine);
    commandLine.process(app);
    QApplication::setDesktopFileName(qf::WebPageActions::desktopComponentIdentifier());
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
    // Queued: the document is still closing its window. Whatever opened
    // meanwhile keeps the application.
    QObject::connect(
        &documents, &qf::DocumentController::lastDocumentClosed, &delegate,
        [&documents, &delegate] {
            if (documents.documents().isEmpty())
                delegate.lastDocumentClosed();
        },
        Qt::QueuedConnection);
    // The desktop hands documents over as arguments.
    documents.openAtLaunch(commandLine.positionalArguments());
    // Queued: the getting-started window then runs its loop inside app.exec().
    QTimer::singleShot(0, &delegate, &qf::QFApplicationDelegate::applicationDidFinishLaunching);

    return app.exec();
}
