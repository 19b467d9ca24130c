#include "editor/window/PanelWindows.h"

#include <QAction>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace qf {

UndoKeys::UndoKeys(QAction* undo, QAction* redo, QObject* parent)
    : QObject(parent)
    , m_undo(undo)
    , m_redo(redo)
{
}

void UndoKeys::watch(QWidget* widget)
{
    widget->installEventFilter(this);
    for (QWidget* part : widget->findChildren<QWidget*>())
        part->installEventFilter(this);
}

bool UndoKeys::isKeyOf(const QAction* action, const QKeyEvent& key, QKeySequence::StandardKey standard)
{
    if (!action)
        return false;
    if (key.matches(standard))
        return true;
    const QKeySequence pressed(key.keyCombination());
    const QList<QKeySequence> own = action->shortcuts();
    return std::find(own.cbegin(), own.cend(), pressed) != own.cend();
}

bool UndoKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<const QKeyEvent*>(event);
    QAction* action = isKeyOf(m_undo, *key, QKeySequence::Undo)   ? m_undo.data()
                      : isKeyOf(m_redo, *key, QKeySequence::Redo) ? m_redo.data()
                                                                  : nullptr;
    if (!action)
        return QObject::eventFilter(watched, event);
    // Taken before a field's own history sees it; a disabled action does nothing.
    event->accept();
    if (event->type() == QEvent::KeyPress)
        action->trigger();
    return true;
}

QPoint besideWindow(const QRect& window, QSize panelSize, const QRect& screen)
{
    const int roomRight = screen.right() - window.right();
    const int roomLeft = window.left() - screen.left();
    int x = 0;
    if (roomRight >= panelSize.width())
        x = window.right() + 1;
    else if (roomLeft >= panelSize.width())
        x = window.left() - panelSize.width();
    else if (roomRight >= roomLeft)
        x = screen.right() + 1 - panelSize.width();
    else
        x = screen.left();
    x = std::max(screen.left(), std::min(x, screen.right() + 1 - panelSize.width()));
    const int y = std::max(screen.top(), std::min(window.top(), screen.bottom() + 1 - panelSize.height()));
    return {x, y};
}

void placeBesideWindow(QWidget* panel, const QWidget* window)
{
    const QWidget* top = window->window();
    const QScreen* screen = top->screen();
    if (!screen)
        return;
    // The panel's frame is not known before it is shown: the window's stands in.
    const QSize frame = top->frameGeometry().size() - top->size();
    const QSize size = (panel->testAttribute(Qt::WA_Resized) ? panel->size() : panel->sizeHint()) + frame;
    panel->move(besideWindow(top->frameGeometry(), size, screen->availableGeometry()));
}

} // namespace qf
