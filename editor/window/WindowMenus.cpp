#include "editor/window/WindowMenus.h"

#include "ui_FotoloomWindow.h"

#include "document/CollageDocument.h"
#include "document/QFTemplateCatalogue.h"
#include "editor/FotoloomController.h"
#include "editor/window/TemplateInfoSheet.h"
#include "platform/widgets/documents/DocumentController.h"
#include "platform/widgets/sheets/Sheets.h"

#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace qf {

namespace {
// The core's name of a menu item's action, which its validation goes by.
const char* const kMenuItemActionProperty = "qfMenuItemAction";
} // namespace

WindowMenus::WindowMenus(QMainWindow& window, Ui::FotoloomWindow& ui, FotoloomController& controller,
                         DocumentController* documents, ShellMenuActions shell)
    : QObject(&window)
    , m_window(window)
    , m_ui(ui)
    , m_controller(controller)
    , m_documents(documents)
    , m_shell(std::move(shell))
{
    setUpFileMenu();
    m_arrangeMenu = m_window.menuBar()->addMenu(tr("&Arrange"));
    m_arrangeMenu->setObjectName(QStringLiteral("menuArrange"));
    setUpShellMenus();
}

void WindowMenus::validateAsTheyOpen()
{
    for (QMenu* menu : m_window.findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { validateMenuItems(menu); });
}

void WindowMenus::setUpFileMenu()
{
    auto* menu = new QMenu(tr("&File"), &m_window);
    menu->setObjectName(QStringLiteral("menuFile"));
    m_window.menuBar()->insertMenu(m_ui.menuEdit->menuAction(), menu);
    CollageDocument& doc = m_controller.document();

    if (m_documents) {
        QAction* add = menu->addAction(tr("&New"), this, [this] { m_documents->newDocument(); });
        add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
        if (m_documents->offersTemplates()) {
            QAction* fromTemplate = menu->addAction(tr("New from &Template…"), this, [this] {
                if (m_documents)
                    m_documents->newUsingTemplate();
            });
            fromTemplate->setObjectName(QStringLiteral("actionNewFromTemplate"));
            fromTemplate->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
        }
        QAction* open = menu->addAction(tr("&Open…"), this, [this] { m_documents->openDocument(&m_window); });
        open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
        QMenu* recent = menu->addMenu(tr("Open &Recent"));
        recent->setObjectName(QStringLiteral("menuOpenRecent"));
        connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentMenu(recent); });
        fillRecentMenu(recent);
        menu->addSeparator();
    }
    QAction* close = menu->addAction(tr("&Close"), &doc, [&doc] { doc.requestClose(); });
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    QAction* save = menu->addAction(tr("&Save"), &doc, [&doc] { doc.save(); });
    save->setObjectName(QStringLiteral("actionSave"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction* saveAs = menu->addAction(tr("Save &As…"), &doc, [&doc] { doc.saveAs(); });
    saveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    const auto updateSave = [save, &doc] { save->setEnabled(doc.canSave()); };
    connect(&doc, &Document::titleChanged, save, updateSave);
    updateSave();
    addExportAndPrintItems(menu);
    menu->addSeparator();
    QAction* preview = menu->addAction(tr("Save Preview Image"), this, [this] { m_controller.switchSavePreviewImage(); });
    preview->setObjectName(QStringLiteral("actionSwitchSavePreviewImage"));
    preview->setCheckable(true);
    setMenuItemAction(preview, QStringLiteral("switchSavePreviewImage:"));
    QAction* info = menu->addAction(tr("Template Information…"), this, [this] {
        const FotoloomController& c = m_controller;
        auto* sheet = new TemplateInfoSheet(
            QFTemplateCatalogue::shared().listOfCategories(),
            c.templateInformation().categories, c.templateInformation().description,
            [this](const QStringList& categories, const QString& description) {
                m_controller.setTemplateInformation(categories, description);
            },
            &m_window);
        ::qf::openSheet(sheet, &m_window);
    });
    info->setObjectName(QStringLiteral("actionTemplateInformation"));

    if (m_documents) {
        menu->addSeparator();
        QAction* quit = menu->addAction(tr("&Quit"), this, [this] { m_documents->quit(); });
        quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
        quit->setMenuRole(QAction::QuitRole);
    }
}

void WindowMenus::setMenuItemAction(QAction* item, const QString& action)
{
    item->setProperty(kMenuItemActionProperty, action);
}

void WindowMenus::validateMenuItems(QMenu* menu)
{
    // The core says what its items show, as each menu opens.
    for (QAction* item : menu->actions()) {
        const QString action = item->property(kMenuItemActionProperty).toString();
        if (action.isEmpty())
            continue;
        FotoloomController::MenuItemState state{action, std::nullopt, std::nullopt};
        item->setEnabled(m_controller.validateMenuItem(state));
        if (state.checked) {
            item->setCheckable(true);
            item->setChecked(*state.checked);
        }
        if (state.title)
            item->setText(*state.title);
    }
}

void WindowMenus::setUpShellMenus()
{
    if (m_shell.showPreferences) {
        m_ui.menuEdit->addSeparator();
        QAction* prefs = m_ui.menuEdit->addAction(tr("Preferences…"), this, [this] { m_shell.showPreferences(); });
        prefs->setObjectName(QStringLiteral("actionPreferences"));
        prefs->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
        prefs->setMenuRole(QAction::PreferencesRole);
    }
    QMenu* help = nullptr;
    const auto helpMenu = [this, &help] {
        if (!help) {
            help = m_window.menuBar()->addMenu(tr("&Help"));
            help->setObjectName(QStringLiteral("menuHelp"));
        }
        return help;
    };
    if (m_shell.showGettingStarted) {
        QAction* start = helpMenu()->addAction(tr("Getting Started"), this, [this] { m_shell.showGettingStarted(); });
        start->setObjectName(QStringLiteral("actionGettingStarted"));
    }
    if (m_shell.showNewsletterSignUp) {
        QAction* join =
            helpMenu()->addAction(tr("Sign Up for Newsletter…"), this, [this] { m_shell.showNewsletterSignUp(); });
        join->setObjectName(QStringLiteral("actionSignUpForNewsletter"));
    }
    if (help && !m_shell.helpItems.empty())
        help->addSeparator();
    for (const ShellMenuItem& item : m_shell.helpItems) {
        if (item.title.isEmpty() || !item.action) {
            helpMenu()->addSeparator();
            continue;
        }
        QAction* page = helpMenu()->addAction(item.title, this, item.action);
        page->setObjectName(item.objectName);
    }
}

void WindowMenus::fillRecentMenu(QMenu* menu)
{
    menu->clear();
    if (!m_documents)
        return;
    for (const QString& path : m_documents->recentDocumentPaths()) {
        QAction* item = menu->addAction(QFileInfo(path).fileName(), this,
                                        [this, path] { m_documents->openDocumentWithPath(path); });
        item->setToolTip(path);
    }
    menu->addSeparator();
    QAction* clear = menu->addAction(tr("Clear Menu"), this, [this] { m_documents->clearRecentDocuments(); });
    clear->setEnabled(!menu->actions().first()->isSeparator());
}

void WindowMenus::addExportAndPrintItems(QMenu* menu)
{
    CollageDocument& doc = m_controller.document();
    menu->addSeparator();
    QAction* jpeg = menu->addAction(tr("Export As JPEG…"), &doc, [&doc] { doc.exportAsJpeg(); });
    jpeg->setObjectName(QStringLiteral("actionExportAsJpeg"));
    QAction* png = menu->addAction(tr("Export As PNG…"), &doc, [&doc] { doc.exportAsPng(); });
    png->setObjectName(QStringLiteral("actionExportAsPng"));
    QAction* tiff = menu->addAction(tr("Export As TIFF…"), &doc, [&doc] { doc.exportAsTiff(); });
    tiff->setObjectName(QStringLiteral("actionExportAsTiff"));
    QAction* saveTo = menu->addAction(tr("Export…"), &doc, [&doc] { doc.saveDocumentTo(); });
    saveTo->setObjectName(QStringLiteral("actionSaveTo"));
    saveTo->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    menu->addSeparator();
    QAction* print = menu->addAction(tr("Print…"), &doc, [&doc] { doc.printDocument(); });
    print->setObjectName(QStringLiteral("actionPrint"));
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
}

} // namespace qf
