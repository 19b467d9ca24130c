#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;

namespace Ui {
class FotoloomWindow;
}

namespace qf {

class DocumentController;
class FotoloomController;

// A further item of the Help menu; one without a title is a separator.
struct ShellMenuItem {
    QString title;
    QString objectName;
    std::function<void()> action;
};

// The application's windows the menus open; an empty one has no item.
struct ShellMenuActions {
    std::function<void()> showPreferences;
    std::function<void()> showGettingStarted;
    std::function<void()> showNewsletterSignUp;
    // After those in the Help menu, in order (the web pages).
    std::vector<ShellMenuItem> helpItems;
};

// The editor window's File and Help menus, the Edit menu's Preferences,
// the empty Arrange menu the commands fill, and the validation of menu
// items by the core as their menus open.
class WindowMenus : public QObject {
    Q_OBJECT
public:
    // With `documents` the File menu also offers New, Open, Open Recent and
    // Quit; `shell` adds Preferences and the Help menu.
    WindowMenus(QMainWindow& window, Ui::FotoloomWindow& ui, FotoloomController& controller,
                DocumentController* documents, ShellMenuActions shell);

    QMenu* arrangeMenu() const { return m_arrangeMenu; }
    // Every menu of the window asks the core about its items as it opens.
    void validateAsTheyOpen();

private:
    void setUpFileMenu();
    void addExportAndPrintItems(QMenu* menu);
    void setUpShellMenus();
    // Menu items validated by the core as their menu opens, by action name.
    static void setMenuItemAction(QAction* item, const QString& action);
    void validateMenuItems(QMenu* menu);
    void fillRecentMenu(QMenu* menu);

    QMainWindow& m_window;
    Ui::FotoloomWindow& m_ui;
    FotoloomController& m_controller;
    QPointer<DocumentController> m_documents;
    ShellMenuActions m_shell;
    QMenu* m_arrangeMenu = nullptr;
};

} // namespace qf
