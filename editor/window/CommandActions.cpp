#include "editor/window/CommandActions.h"

#include "editor/CollageKeyBinding.h"
#include "editor/FotoloomController.h"
#include "editor/window/FlowLayout.h"
#include "editor/window/PositionsSheet.h"
#include "layouts/CollageTypes.h"
#include "model/Collage.h"
#include "platform/widgets/sheets/Sheets.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QSet>
#include <QToolButton>

#include <algorithm>

namespace qf {

CommandActions::CommandActions(FotoloomController& controller, QWidget* window)
    : QObject(window)
    , m_controller(controller)
    , m_window(window)
{
    QSet<QString> keys;
    for (const CollageCommand* command : CollageTypes::allCommands()) {
        auto* action = new QAction(command->title, window);
        action->setObjectName(command->name);
        action->setIconText(command->buttonText.isEmpty() ? command->title : command->buttonText);
        action->setToolTip(command->toolTip);
        action->setStatusTip(command->toolTip);
        action->setShortcut(command->shortcut);
        const QString name = command->name;
        if (command->input == CommandInput::Choice) {
            auto* menu = new QMenu(window);
            for (qsizetype i = 0; i < command->choices.size(); ++i)
                menu->addAction(command->choices[i], this, [this, name, i] {
                    if (const CollageCommand* current = CollageTypes::command(m_controller.collage()->collageType(), name))
                        trigger(*current, i);
                });
            action->setMenu(menu);
        } else {
            connect(action, &QAction::triggered, this, [this, name] {
                // The current type's row of that name: the call is its own.
                if (const CollageCommand* current = CollageTypes::command(m_controller.collage()->collageType(), name))
                    trigger(*current, 0);
            });
        }
        m_actions.insert(name, action);
        for (const QString& key : command->enabledKeys)
            keys.insert(key);
    }
    // One binding per key: any change re-reads every command's enabling.
    for (const QString& key : keys)
        m_bindings.push_back(std::make_unique<CollageKeyBinding>(m_controller, key, [this](const QVariant&) { update(); }));
    update();
}

CommandActions::~CommandActions()
{
    m_bindings.clear();
}

void CommandActions::trigger(const CollageCommand& command, qint64 choice)
{
    if (command.input != CommandInput::CellText) {
        (void)m_controller.runner().runCommand(command.name, {choice, {}});
        return;
    }
    const QString name = command.name;
    auto* sheet = new PositionsSheet(
        [this, name](const QString& text) { return m_controller.runner().runCommand(name, {0, text}); }, m_window);
    openSheet(sheet, m_window);
}

void CommandActions::update()
{
    const Collage& collage = *m_controller.collage();
    const QString type = collage.collageType();
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const CollageCommand* command = CollageTypes::command(type, it.key());
        it.value()->setEnabled(command && command->isEnabled(collage));
        if (command && command->checked) {
            it.value()->setCheckable(true);
            it.value()->setChecked(command->checked(collage));
        }
    }
}

QToolButton* CommandActions::makeButton(const QString& name, QWidget* parent) const
{
    QAction* action = m_actions.value(name);
    if (!action)
        return nullptr;
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (action->menu())
        button->setPopupMode(QToolButton::InstantPopup);
    return button;
}

void CommandActions::mirror(QAbstractButton* button, const QString& name)
{
    QAction* action = m_actions.value(name);
    if (!action)
        return;
    connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
    const auto follow = [button, action] { button->setEnabled(action->isEnabled()); };
    connect(action, &QAction::changed, button, follow);
    follow();
}

void CommandActions::mirror(QAction* item, const QString& name)
{
    QAction* action = m_actions.value(name);
    if (!action)
        return;
    connect(item, &QAction::triggered, action, &QAction::trigger);
    const auto follow = [item, action] { item->setEnabled(action->isEnabled()); };
    connect(action, &QAction::changed, item, follow);
    follow();
}

void CommandActions::fillArrangeMenu(QMenu* menu)
{
    menu->clear();
    update();
    const QList<const CollageCommand*> commands = m_controller.runner().commands();
    for (const CommandGroup group : {CommandGroup::All, CommandGroup::Selected}) {
        if (group == CommandGroup::Selected)
            menu->addSeparator();
        for (const CollageCommand* command : commands)
            if (command->group == group)
                menu->addAction(m_actions.value(command->name));
    }
}

void CommandActions::fillCommandRow(FlowLayout& row, QWidget* allLabel, QWidget* separator, QWidget* selectedLabel)
{
    // Everything after the selected label stays after the buttons.
    QList<QLayoutItem*> before, after;
    bool pastLabels = false;
    while (QLayoutItem* item = row.takeAt(0)) {
        QWidget* widget = item->widget();
        const bool ours = widget && std::any_of(m_rowButtons.cbegin(), m_rowButtons.cend(),
                                                [widget](const QPointer<QToolButton>& b) { return b.data() == widget; });
        if (ours) {
            delete item;
            continue;
        }
        if (widget == allLabel || widget == separator || widget == selectedLabel) {
            pastLabels = true;
            delete item;
            continue;
        }
        (pastLabels ? after : before).append(item);
    }
    for (const QPointer<QToolButton>& button : m_rowButtons)
        delete button.data();
    m_rowButtons.clear();

    for (QLayoutItem* item : before)
        row.addItem(item);
    QWidget* parent = row.parentWidget();
    const QList<const CollageCommand*> commands = m_controller.runner().commands();
    for (const CommandGroup group : {CommandGroup::All, CommandGroup::Selected}) {
        if (group == CommandGroup::All) {
            row.addWidget(allLabel);
        } else {
            row.addWidget(separator);
            row.addWidget(selectedLabel);
        }
        for (const CollageCommand* command : commands)
            if (command->group == group && command->button)
                if (QToolButton* button = makeButton(command->name, parent)) {
                    row.addWidget(button);
                    m_rowButtons.emplace_back(button);
                }
    }
    for (QLayoutItem* item : after)
        row.addItem(item);
}

} // namespace qf
