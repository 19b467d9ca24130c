#include "platform/undo/UndoManager.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <optional>

using namespace qf;

namespace {

void endEvent() { QCoreApplication::processEvents(); }

// A value edited two ways: set() registers its inverse; edit() follows the
// editor's rule of one snapshot per group, dropped at every checkpoint.
struct Doc {
    UndoManager um;
    int value = 0;
    int snapshots = 0;
    std::optional<int> pending;

    Doc() { QObject::connect(&um, &UndoManager::checkpoint, [this] { pending.reset(); }); }
    void set(int v)
    {
        um.registerUndo([this, old = value] { set(old); });
        value = v;
    }
    void edit(int v, const QString& name = {})
    {
        if (!pending) {
            pending = value;
            ++snapshots;
            um.registerUndo([this, snap = value] { set(snap); });
            if (!name.isEmpty())
                um.setActionName(name);
        }
        value = v;
    }
};

} // namespace

TEST(UndoManager, NestedGroupsAreOneStepUndoneInReverseAndEmptyGroupsLeaveNothing)
{
    Doc d;
    d.um.beginUndoGrouping();
    d.um.endUndoGrouping();
    EXPECT_FALSE(d.um.canUndo());

    d.um.beginUndoGrouping();
    d.set(1);
    d.um.beginUndoGrouping();
    d.set(2);
    d.um.setActionName("Size Change");
    d.um.endUndoGrouping();
    d.set(3);
    d.um.endUndoGrouping();
    EXPECT_EQ(d.um.changeCount(), 1);
    EXPECT_EQ(d.um.undoMenuItemTitle(), "Undo Size Change");

    d.um.undo();
    EXPECT_EQ(d.value, 0);
    EXPECT_EQ(d.um.redoActionName(), "Size Change");
    d.um.redo();
    EXPECT_EQ(d.value, 3);
    EXPECT_EQ(d.um.undoActionName(), "Size Change");
}

TEST(UndoManager, OnlyNewStepsClearRedoAndTheCountNeverRevisitsALostState)
{
    Doc d;
    for (int v : {1, 2, 3}) {
        d.set(v);
        endEvent();
    }
    d.um.undo();
    d.um.undo();
    d.um.redo(); // registers undo actions without dropping the other redo
    ASSERT_TRUE(d.um.canRedo());
    d.um.redo();
    EXPECT_EQ(d.value, 3);

    d.um.undo();
    const qint64 saved = d.um.changeCount();
    d.um.undo();
    d.set(9);
    EXPECT_FALSE(d.um.canRedo());
    endEvent();
    EXPECT_NE(d.um.changeCount(), saved); // the saved state can no longer be reached
    d.um.undo();
    EXPECT_EQ(d.value, 1);
    EXPECT_EQ(d.um.changeCount(), 1);
}

TEST(UndoManager, AnEventIsOneStepWithOneSnapshotAndTheFirstName)
{
    Doc d;
    d.edit(1, "Add Text");
    d.edit(2, "Font Change");
    EXPECT_EQ(d.um.changeCount(), 0);
    EXPECT_EQ(d.um.undoActionName(), "Add Text"); // what undo would undo now
    endEvent();
    EXPECT_EQ(d.um.changeCount(), 1);
    EXPECT_EQ(d.snapshots, 1); // opening the group did not drop the snapshot

    d.edit(4);
    d.um.undo(); // closes the open group, then undoes it
    EXPECT_EQ(d.value, 2);
    d.um.registerUndo([&] { d.edit(d.value); }); // a change observed while undoing
    endEvent();
    d.um.undo();
    EXPECT_FALSE(d.pending); // or the next change would go without a snapshot
}

TEST(UndoManager, ADragIsOneStepAndAnEventGroupWaitsForIt)
{
    Doc d;
    auto mouseDown = [&] {
        d.um.setGroupsByEvent(false);
        d.um.beginUndoGrouping();
        d.edit(d.value);
    };
    auto mouseUp = [&] {
        d.um.endUndoGrouping();
        d.um.setGroupsByEvent(true);
    };
    mouseDown();
    endEvent();
    d.edit(5);
    endEvent();
    mouseUp();
    EXPECT_EQ(d.snapshots, 1);
    EXPECT_EQ(d.um.changeCount(), 1);

    d.edit(7); // the drag starts in the event of this change and joins its group
    mouseDown();
    d.edit(8);
    endEvent();
    EXPECT_FALSE(d.um.canUndo());
    d.um.undo(); // refused: the drag owns its group
    EXPECT_EQ(d.value, 8);
    EXPECT_EQ(d.um.groupingLevel(), 2);
    mouseUp();
    endEvent();
    EXPECT_EQ(d.um.groupingLevel(), 0);
    d.um.undo();
    EXPECT_EQ(d.value, 5);
}

TEST(UndoManager, MisuseIsLoggedAndHarmless)
{
    Doc d;
    d.um.endUndoGrouping();
    d.um.disableUndoRegistration();
    d.um.disableUndoRegistration();
    d.um.enableUndoRegistration();
    d.set(1); // dropped
    d.um.enableUndoRegistration();
    d.um.enableUndoRegistration();
    EXPECT_TRUE(d.um.isUndoRegistrationEnabled());
    EXPECT_EQ(d.um.groupingLevel(), 0);
    EXPECT_FALSE(d.um.canUndo());

    d.um.setGroupsByEvent(false);
    d.set(2); // no group to join: a step of its own
    d.um.setGroupsByEvent(true);
    EXPECT_EQ(d.um.changeCount(), 1);

    d.um.registerUndo([&] {
        d.um.undo();
        d.um.registerUndo([] {});
        d.um.endUndoGrouping(); // must not close the redo group being built
        EXPECT_TRUE(d.um.isUndoing());
    });
    endEvent();
    d.um.undo();
    EXPECT_TRUE(d.um.canRedo());
    d.um.undo();
    EXPECT_EQ(d.value, 1);
}

TEST(UndoManager, LevelsDropTheOldestAndRemoveAllKeepsGroupsBalanced)
{
    Doc d;
    d.um.setLevelsOfUndo(2);
    for (int v : {1, 2, 3, 4}) {
        d.set(v);
        endEvent();
    }
    d.um.undo();
    d.um.undo();
    EXPECT_FALSE(d.um.canUndo());
    EXPECT_EQ(d.value, 2);

    d.um.beginUndoGrouping();
    d.set(5);
    d.um.removeAllActions();
    EXPECT_EQ(d.um.groupingLevel(), 1);
    d.um.endUndoGrouping();
    EXPECT_FALSE(d.um.canUndo() || d.um.canRedo());
    EXPECT_EQ(d.um.changeCount(), 2);
}
