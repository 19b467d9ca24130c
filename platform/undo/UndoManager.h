#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

namespace qf {

// The undo history of one document. Actions are closures registered in
// groups; one undo runs one group. Registering while undoing builds the redo
// group, registering while redoing builds the undo group again.
//
// Groups are opened explicitly (begin/end, nestable: inner groups belong to
// the outermost) or, with grouping by event on, by the first registration
// outside any group; such a by-event group closes at the end of the current
// event (a zero-delay timer). An explicit group opened while a by-event group
// is open belongs to it; the by-event group then closes at the end of the
// event in which the explicit group closed.
//
// Misuse (end without begin, undo inside an explicit group, undo from an
// undo action) is logged and ignored, never fatal. Main thread only.
class UndoManager : public QObject {
    Q_OBJECT
public:
    explicit UndoManager(QObject* parent = nullptr);
    ~UndoManager() override;

    // ---- grouping ----------------------------------------------------------

    void beginUndoGrouping();
    // Closes the innermost explicit group; without one it logs and does nothing.
    void endUndoGrouping();
    // Open groups, the by-event group and the group an undo or redo builds included.
    int groupingLevel() const { return m_level; }

    // Only decides whether a registration outside a group opens a by-event
    // group; a by-event group already open still closes at the end of its event.
    bool groupsByEvent() const { return m_groupsByEvent; }
    void setGroupsByEvent(bool on) { m_groupsByEvent = on; }

    // ---- registration --------------------------------------------------------

    // Adds the action to the group being built. Outside a group it opens a
    // by-event group, or, with grouping by event off, becomes a group of its
    // own (and logs: the caller should have opened one). A registration that
    // is not part of an undo or redo clears the redo history.
    void registerUndo(std::function<void()> action);

    // Names the group being built, or the last closed one when none is.
    void setActionName(const QString& name);
    QString undoActionName() const;
    QString redoActionName() const;
    // "Undo <name>" / "Redo <name>", or just "Undo" / "Redo" for unnamed steps.
    QString undoMenuItemTitle() const;
    QString redoMenuItemTitle() const;

    // Nestable: registration is dropped until every disable has been enabled.
    void disableUndoRegistration();
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const { return m_disableCount == 0; }

    // ---- undo and redo -------------------------------------------------------

    // False while an explicit group is open or an undo or redo runs, since
    // undo() and redo() refuse then.
    bool canUndo() const;
    bool canRedo() const;

    // Closes a by-event group still open, then runs the last group's actions
    // in reverse order. Refused (logged) while an explicit group is open: that
    // group belongs to its caller, who has not finished it.
    void undo();
    void redo();
    bool isUndoing() const { return m_state == State::Undoing; }
    bool isRedoing() const { return m_state == State::Redoing; }

    // Empties both histories and the group being built. Open groups stay open
    // and disabled registration stays disabled, so their owners stay balanced.
    // The change count is kept: the document is still as edited as it was.
    void removeAllActions();

    // Identifies the state the history stands at, for the document's edited
    // state (compared with the count at the last save). A closed group with
    // actions adds one, undo subtracts one, redo adds one; a step taken after
    // an undo gets a number never used before, so a saved state that can no
    // longer be reached never compares equal again. Empty groups count nothing.
    qint64 changeCount() const { return m_changeCount; }
    // A group still open holds changes that the change count does not show yet.
    bool hasChangesInOpenGroup() const { return m_level > 0 && !m_building.actions.empty(); }

    // The most groups kept in each history; the oldest go first. 0 = unlimited.
    void setLevelsOfUndo(int levels);
    int levelsOfUndo() const { return m_levelsOfUndo; }

signals:
    // When a group opens (not the by-event group a registration opens: that
    // registration is already under way) or closes, and before and after an
    // undo or redo.
    void checkpoint();
    void didOpenUndoGroup();
    void didCloseUndoGroup();
    void didUndo();
    void didRedo();
    void changeCountChanged(qint64 count);

private:
    enum class State { Idle, Undoing, Redoing };

    struct Group {
        QString name;
        std::vector<std::function<void()>> actions;
        qint64 countBefore = 0; // the change count this group's undo returns to
        qint64 countAfter = 0;  // and the one its redo returns to
    };
    using History = std::deque<Group>; // back = most recent

    void openGroup();
    void closeTopLevelGroup();
    void closeEventGroup();
    // Explicit groups open now, not counting the by-event or replay group.
    int explicitDepth() const;
    bool eventGroupHasActions() const;
    void replay(State state);
    void push(History& history, Group&& group);
    void setChangeCount(qint64 count);

    History m_undoStack;
    History m_redoStack;
    Group m_building; // the outermost open group, while m_level > 0
    int m_level = 0;
    bool m_eventGroupOpen = false; // the outermost group was opened by a registration
    State m_state = State::Idle;
    bool m_groupsByEvent = true;
    int m_disableCount = 0;
    int m_levelsOfUndo = 0;
    qint64 m_changeCount = 0;
    qint64 m_highestCount = 0; // new steps number above every count ever used
    QTimer m_eventEnd;
};

} // namespace qf
