#include "platform/undo/UndoManager.h"

#include <QLoggingCategory>

namespace qf {

namespace {
Q_LOGGING_CATEGORY(lcUndo, "qf.undo")
}

UndoManager::UndoManager(QObject* parent)
    : QObject(parent)
{
    m_eventEnd.setSingleShot(true);
    m_eventEnd.setInterval(0);
    connect(&m_eventEnd, &QTimer::timeout, this, &UndoManager::closeEventGroup);
}

UndoManager::~UndoManager() = default;

// ---- grouping ----------------------------------------------------------------

int UndoManager::explicitDepth() const
{
    return m_level - (m_eventGroupOpen ? 1 : 0) - (m_state != State::Idle ? 1 : 0);
}

bool UndoManager::eventGroupHasActions() const
{
    return m_eventGroupOpen && !m_building.actions.empty();
}

void UndoManager::beginUndoGrouping()
{
    if (m_level == 0)
        m_building = Group{};
    ++m_level;
    emit checkpoint();
    emit didOpenUndoGroup();
}

void UndoManager::endUndoGrouping()
{
    if (explicitDepth() <= 0) {
        qCWarning(lcUndo) << "endUndoGrouping without a matching beginUndoGrouping; ignored";
        return;
    }
    emit checkpoint();
    --m_level;
    if (m_level == 0)
        closeTopLevelGroup();
    else if (m_level == 1 && m_eventGroupOpen && !m_eventEnd.isActive())
        m_eventEnd.start(); // the by-event group waited for this group; it ends with this event
    emit didCloseUndoGroup();
}

void UndoManager::closeEventGroup()
{
    // With an explicit group nested inside, the by-event group waits for it.
    if (!m_eventGroupOpen || explicitDepth() > 0)
        return;
    emit checkpoint();
    m_level = 0;
    closeTopLevelGroup();
    emit didCloseUndoGroup();
}

void UndoManager::closeTopLevelGroup()
{
    Group group = std::move(m_building);
    m_building = Group{};
    m_eventGroupOpen = false;
    m_eventEnd.stop();
    if (group.actions.empty())
        return;
    group.countBefore = m_changeCount;
    group.countAfter = ++m_highestCount;
    const qint64 count = group.countAfter;
    push(m_undoStack, std::move(group));
    setChangeCount(count);
}

// ---- registration --------------------------------------------------------------

void UndoManager::registerUndo(std::function<void()> action)
{
    if (!action) {
        qCWarning(lcUndo) << "registerUndo with an empty action; ignored";
        return;
    }
    if (!isUndoRegistrationEnabled())
        return;

    bool ownGroup = false;
    if (m_level == 0) {
        if (m_groupsByEvent) {
            // No checkpoint here: it would drop the snapshot this registration records.
            m_building = Group{};
            m_level = 1;
            m_eventGroupOpen = true;
            m_eventEnd.start();
            emit didOpenUndoGroup();
        } else {
            qCWarning(lcUndo) << "registerUndo outside a group with grouping by event off; made a group of its own";
            beginUndoGrouping();
            ownGroup = true;
        }
    }
    if (m_state == State::Idle)
        m_redoStack.clear();
    m_building.actions.push_back(std::move(action));
    if (ownGroup)
        endUndoGrouping();
}

void UndoManager::setActionName(const QString& name)
{
    if (m_level > 0)
        m_building.name = name;
    else if (!m_undoStack.empty())
        m_undoStack.back().name = name;
}

QString UndoManager::undoActionName() const
{
    if (eventGroupHasActions())
        return m_building.name;
    return m_undoStack.empty() ? QString() : m_undoStack.back().name;
}

QString UndoManager::redoActionName() const
{
    return m_redoStack.empty() ? QString() : m_redoStack.back().name;
}

QString UndoManager::undoMenuItemTitle() const
{
    const QString name = undoActionName();
    return name.isEmpty() ? tr("Undo") : tr("Undo %1").arg(name);
}

QString UndoManager::redoMenuItemTitle() const
{
    const QString name = redoActionName();
    return name.isEmpty() ? tr("Redo") : tr("Redo %1").arg(name);
}

void UndoManager::disableUndoRegistration()
{
    ++m_disableCount;
}

void UndoManager::enableUndoRegistration()
{
    if (m_disableCount == 0) {
        qCWarning(lcUndo) << "enableUndoRegistration without a matching disable; ignored";
        return;
    }
    --m_disableCount;
}

// ---- undo and redo ---------------------------------------------------------------

bool UndoManager::canUndo() const
{
    return m_state == State::Idle && explicitDepth() == 0 && (!m_undoStack.empty() || eventGroupHasActions());
}

bool UndoManager::canRedo() const
{
    return m_state == State::Idle && explicitDepth() == 0 && !m_redoStack.empty();
}

void UndoManager::undo()
{
    if (m_state != State::Idle) {
        qCWarning(lcUndo) << "undo while an undo or redo runs; ignored";
        return;
    }
    if (explicitDepth() > 0) {
        qCWarning(lcUndo) << "undo while an explicit undo group is open; ignored";
        return;
    }
    closeEventGroup();
    if (!m_undoStack.empty())
        replay(State::Undoing);
}

void UndoManager::redo()
{
    if (m_state != State::Idle) {
        qCWarning(lcUndo) << "redo while an undo or redo runs; ignored";
        return;
    }
    if (explicitDepth() > 0) {
        qCWarning(lcUndo) << "redo while an explicit undo group is open; ignored";
        return;
    }
    closeEventGroup();
    if (!m_redoStack.empty())
        replay(State::Redoing);
}

void UndoManager::replay(State state)
{
    const bool undoing = state == State::Undoing;
    History& from = undoing ? m_undoStack : m_redoStack;
    emit checkpoint();

    Group group = std::move(from.back());
    from.pop_back();
    // The actions registered now form the opposite step, under the same name.
    m_state = state;
    m_building = Group{group.name, {}, group.countBefore, group.countAfter};
    m_level = 1;
    for (auto it = group.actions.rbegin(); it != group.actions.rend(); ++it)
        (*it)();
    if (m_level != 1)
        qCWarning(lcUndo) << "an undo action left" << m_level - 1 << "undo groups open; closed them";

    Group opposite = std::move(m_building);
    m_building = Group{};
    m_level = 0;
    m_state = State::Idle;
    History& to = undoing ? m_redoStack : m_undoStack;
    if (opposite.actions.empty())
        to.clear(); // the steps beyond it started from a state that can no longer be reached
    else
        push(to, std::move(opposite));
    setChangeCount(undoing ? group.countBefore : group.countAfter);

    emit checkpoint();
    if (undoing)
        emit didUndo();
    else
        emit didRedo();
}

void UndoManager::removeAllActions()
{
    m_undoStack.clear();
    m_redoStack.clear();
    m_building.actions.clear();
}

void UndoManager::setLevelsOfUndo(int levels)
{
    if (levels < 0) {
        qCWarning(lcUndo) << "negative levels of undo" << levels << "; ignored";
        return;
    }
    m_levelsOfUndo = levels;
    if (levels == 0)
        return;
    for (History* history : {&m_undoStack, &m_redoStack})
        while (history->size() > static_cast<std::size_t>(levels))
            history->pop_front();
}

void UndoManager::push(History& history, Group&& group)
{
    history.push_back(std::move(group));
    if (m_levelsOfUndo > 0 && history.size() > static_cast<std::size_t>(m_levelsOfUndo))
        history.pop_front();
}

void UndoManager::setChangeCount(qint64 count)
{
    if (count == m_changeCount)
        return;
    m_changeCount = count;
    emit changeCountChanged(count);
}

} // namespace qf
