#pragma once

#include "layouts/CollageCommand.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QAbstractButton;
class QAction;
class QMenu;
class QToolButton;
class QWidget;

namespace qf {

class CollageKeyBinding;
class FotoloomController;
class FlowLayout;

// The window's share of the collage commands: one action for every command
// some type has, made from its row, enabled while the current collage says
// so, running it through the controller (a popup's choice as a submenu,
// typed cells through the positions sheet). It fills the Arrange menu and
// the command row with the current type's commands.
class CommandActions : public QObject {
    Q_OBJECT
public:
    CommandActions(FotoloomController& controller, QWidget* window);
    ~CommandActions() override;

    // The action of a command by name; null for a name no type has.
    QAction* action(const QString& name) const { return m_actions.value(name); }
    // A button showing the command's action: same call, same enabling.
    QToolButton* makeButton(const QString& name, QWidget* parent) const;
    // An existing button or action that runs the command and is enabled with it.
    void mirror(QAbstractButton* button, const QString& name);
    void mirror(QAction* item, const QString& name);

    // The Arrange menu: the current type's commands on all pictures, then
    // those on the selected one.
    void fillArrangeMenu(QMenu* menu);
    // The command row: the labels and separator of the window layout with
    // the current type's buttons between them, the rest of the row after.
    void fillCommandRow(FlowLayout& row, QWidget* allLabel, QWidget* separator, QWidget* selectedLabel);
    // Enabling and checkmarks follow the current collage.
    void update();

private:
    void trigger(const CollageCommand& command, qint64 choice);

    FotoloomController& m_controller;
    QWidget* m_window;
    QHash<QString, QAction*> m_actions;
    std::vector<std::unique_ptr<CollageKeyBinding>> m_bindings;
    std::vector<QPointer<QToolButton>> m_rowButtons;
};

} // namespace qf
