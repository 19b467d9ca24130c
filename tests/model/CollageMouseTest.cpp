#include "FakeCollage.h"

#include "model/TextPosition.h"
#include "platform/events/MouseEvent.h"

#include <gtest/gtest.h>

using namespace qf;
using namespace qf::test;

namespace {

// Records which layer saw which event; a layer may change the selection.
class RecordingCollage : public FakeCollage {
public:
    QStringList calls;
    std::function<void(RecordingCollage&)> onTextDown, onPictureDrag;

    void mouseDownAtTextLayer(QPointF, double, double, const MouseEvent&) override
    {
        calls << "text down";
        if (onTextDown)
            onTextDown(*this);
    }
    void mouseDraggedAtTextLayer(QPointF, double, double, const MouseEvent&) override { calls << "text drag"; }
    void mouseUpAtTextLayer(QPointF, double, double, const MouseEvent&) override { calls << "text up"; }
    void mouseDownAtPictureLayer(QPointF, double, double, const MouseEvent&) override
    {
        calls << "picture down";
        pushGestureCursor(Cursor::fromShape(Qt::ClosedHandCursor));
    }
    void mouseDraggedAtPictureLayer(QPointF, double, double, const MouseEvent&) override
    {
        calls << "picture drag";
        if (onPictureDrag)
            onPictureDrag(*this);
    }
    void mouseUpAtPictureLayer(QPointF, double, double, const MouseEvent&) override { calls << "picture up"; }
    void mouseMovedAtPictureLayer(QPointF, double, double, const MouseEvent&) override { calls << "picture move"; }
};

void gesture(Collage& c)
{
    const MouseEvent e;
    c.mouseDownAt({10, 10}, 100, 100, e);
    c.mouseDraggedAt({20, 25}, 100, 100, e);
    c.mouseUpAt({30, 40}, 100, 100, e);
}

} // namespace

TEST(CanvasMouse, LocksDecideWhichLayersHear)
{
    struct Case {
        bool lockPictures, lockText;
        QStringList expected;
    };
    const QList<Case> cases{
        {false, false, {"text down", "picture down", "text drag", "picture drag", "text up", "picture up"}},
        {true, false, {"text down", "text drag", "text up"}},
        {false, true, {"picture down", "picture drag", "picture up"}},
        {true, true, {}},
    };
    for (const Case& k : cases) {
        RecordingCollage c;
        c.setLockPictures(k.lockPictures);
        c.setLockText(k.lockText);
        gesture(c);
        EXPECT_EQ(c.calls, k.expected) << k.lockPictures << k.lockText;
        // The points are kept whoever listens.
        EXPECT_EQ(c.initialLocation(), QPointF(10, 10));
        EXPECT_EQ(c.previousLocation(), QPointF(20, 25));
        EXPECT_EQ(c.currentLocation(), QPointF(30, 40));
    }
}

TEST(CanvasMouse, SelectionKeepsTheGestureOnOneLayer)
{
    // A mouse-down that selects text stops at the text layer.
    RecordingCollage onText;
    onText.textPositions().append(std::make_shared<TextPosition>());
    onText.onTextDown = [](RecordingCollage& c) { c.setSelectedTextPosition(0); };
    onText.mouseDownAt({1, 1}, 100, 100, MouseEvent());
    EXPECT_EQ(onText.calls, QStringList{"text down"});

    // With a picture selected the drag goes to the picture layer first; when
    // that layer lets go of the selection the text layer hears it too.
    RecordingCollage onPicture;
    onPicture.setSlots({"A"});
    onPicture.setSelectedImagePosition(0);
    onPicture.onPictureDrag = [](RecordingCollage& c) { c.setSelectedImagePosition(-1); };
    onPicture.mouseDraggedAt({1, 1}, 100, 100, MouseEvent());
    EXPECT_EQ(onPicture.calls, (QStringList{"picture drag", "text drag"}));

    // lockText: the picture layer gets the drag although text is selected.
    RecordingCollage locked;
    locked.setLockText(true);
    locked.setSelectedTextPosition(0);
    locked.mouseDraggedAt({1, 1}, 100, 100, MouseEvent());
    EXPECT_EQ(locked.calls, QStringList{"picture drag"});

    // Moves reach the picture layer only inside the view, edges included.
    RecordingCollage moving;
    moving.mouseMovedAt({100, 100}, 100, 100, MouseEvent());
    moving.mouseMovedAt({100.5, 0}, 100, 100, MouseEvent());
    EXPECT_EQ(moving.calls, QStringList{"picture move"});
}

TEST(CanvasMouse, CursorPushesBalancePerGesture)
{
    CursorStack& stack = CursorStack::shared();
    const int before = stack.depth();
    RecordingCollage c;
    gesture(c);
    EXPECT_EQ(stack.depth(), before);

    // A lost mouse-up: the next gesture, or the editor's notice, cleans up.
    c.mouseDownAt({1, 1}, 100, 100, MouseEvent());
    EXPECT_EQ(stack.depth(), before + 1);
    c.mouseDownAt({1, 1}, 100, 100, MouseEvent());
    EXPECT_EQ(stack.depth(), before + 1);
    c.setDragging(true);
    c.mouseGestureLost();
    EXPECT_EQ(stack.depth(), before);
    EXPECT_FALSE(c.dragging());
    c.popGestureCursor(); // nothing of ours left to pop
    EXPECT_EQ(stack.depth(), before);
}

TEST(BindingKeys, DerivedKeysFollowTheirInputs)
{
    FakeCollage c;
    c.setWidth(3000);
    c.setHeight(3000);
    EXPECT_EQ(c.valueForKey("indexOfOrientation").toLongLong(), -1);

    struct Recorder : KVObserver {
        QStringList keys;
        void observeValueForKeyPath(const QString& key, KVObject*, const KVChange& ch, const KVContext*) override
        {
            if (!ch.isPrior)
                keys << key + "=" + ch.newValue.toString();
        }
    } rec;
    c.addObserver(&rec, "indexOfOrientation", KVOptionNew, nullptr);
    c.addObserver(&rec, "showClickOnTextToEditLabel", KVOptionNew, nullptr);
    c.setWidth(7200);
    c.setHeight(5400);
    c.setOrientation(OrientationPortrait);
    EXPECT_EQ(c.getIndexOfOrientation(), 1);
    EXPECT_EQ(rec.keys.last(), "indexOfOrientation=1");

    // The label shows only with text, none selected and text unlocked.
    EXPECT_FALSE(c.getShowClickOnTextToEditLabel());
    auto item = std::make_shared<TextPosition>();
    item->setAlignment(2);
    c.textPositions().append(item);
    EXPECT_TRUE(c.getShowClickOnTextToEditLabel());
    c.setSelectedTextPosition(0);
    EXPECT_FALSE(c.getShowClickOnTextToEditLabel());
    EXPECT_TRUE(rec.keys.contains("showClickOnTextToEditLabel=false"));
    EXPECT_EQ(c.getIndexOfAlignment(), 1); // centre is the second control
    EXPECT_EQ(KVObject::objectFromVariant(c.valueForKey("selectedTextPositionObject")), item.get());
    EXPECT_EQ(c.valueForKeyPath("selectedTextPositionObject.alignment").toLongLong(), 2);

    // Filling the selected empty slot enables the commands on its picture.
    c.addObserver(&rec, "nonEmptyPictureInDrawingViewSelected", KVOptionNew, nullptr);
    c.picturePositions().append(std::make_shared<Position>());
    c.setSelectedImagePosition(0);
    c.picturePositions()[0]->setPicture(QStringLiteral("p"));
    c.setImages({QStringLiteral("p")});
    EXPECT_EQ(rec.keys.last(), "nonEmptyPictureInDrawingViewSelected=true");
    // So does a picture chosen for it: a new one, or one shown elsewhere.
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (const char* picture : {"q", "p"}) {
        c.picturePositions().append(std::make_shared<Position>());
        c.setSelectedImagePosition(c.picturePositions().size() - 1);
        ASSERT_EQ(rec.keys.last(), "nonEmptyPictureInDrawingViewSelected=false");
        c.pickPicture(QLatin1String(picture), image, c.selectedImagePosition(), {}, {});
        EXPECT_EQ(rec.keys.last(), "nonEmptyPictureInDrawingViewSelected=true") << picture;
    }

    c.setBackgroundIsImage(true);
    EXPECT_TRUE(c.getBackgroundPictureIsPatternCheckboxEnabled());
    EXPECT_FALSE(c.getChangeRowsEnabledInBackgroundPattern());
    c.setBackgroundImageIsPattern(true);
    EXPECT_TRUE(c.getChangeRowsEnabledInBackgroundPattern());

    // Binding writes to derived keys are ignored; unknown keys raise.
    c.setValue(0, "indexOfAlignment");
    c.setValue(true, "pictureInDrawingViewSelected");
    EXPECT_EQ(c.getIndexOfAlignment(), 1);
    EXPECT_THROW(c.setValue(1, "noSuchKey"), UndefinedKeyError);
}
