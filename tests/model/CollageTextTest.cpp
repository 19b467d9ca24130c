#include "FakeCollage.h"

#include "model/TextPosition.h"
#include "platform/events/MouseEvent.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace qf;
using namespace qf::test;

namespace {

std::shared_ptr<TextPosition> textItem(QPointF center, double width, double rotation = 0.0, double size = 64)
{
    auto t = std::make_shared<TextPosition>();
    t->setContent(QStringLiteral("Hello"));
    t->setCenter(center);
    t->setTextWidth(width);
    t->setRotation(rotation);
    t->setFontSize(size);
    return t;
}

// A 1000 x 1000 canvas drawn at its own size holding "Hello" at 100 points,
// 200 units wide about the middle: its width handles sit 108 units either
// side of the centre along the text's axis.
struct TextCanvas {
    FakeCollage collage;
    std::shared_ptr<TextPosition> item;
    explicit TextCanvas(double rotation = 0.0) : item(textItem({0.5, 0.5}, 0.2, rotation, 100))
    {
        collage.setWidth(1000);
        collage.setHeight(1000);
        collage.textPositions().append(item);
    }
    void down(QPointF p, int clicks = 1, Qt::KeyboardModifiers mods = {})
    {
        collage.mouseDownAt(p, 1000, 1000, MouseEvent{p, clicks, mods});
    }
    void drag(QPointF p) { collage.mouseDraggedAt(p, 1000, 1000, MouseEvent{p, 1, {}}); }
    void up(QPointF p) { collage.mouseUpAt(p, 1000, 1000, MouseEvent{p, 1, {}}); }
    QList<double> xGuides() const { return collage.constrainingTextXPosArray().value_or(QList<double>()); }
};

} // namespace

TEST(CollageText, FontSizeButtonsStep)
{
    struct Row { double from; bool up; double to; };
    for (const Row& r : QList<Row>{{64, true, 65}, {150.7, true, 151}, {250, true, 252}, {199.9, true, 200},
                                   {9990, true, 10000}, {10000, true, 10000}, {1.5, false, 1}, {1, false, 1},
                                   {300, false, 297}, {101, false, 100}}) {
        FakeCollage collage;
        collage.textPositions().append(textItem({0.5, 0.5}, 0.5, 0, r.from));
        r.up ? collage.increaseFontSize() : collage.decreaseFontSize(); // nothing selected
        EXPECT_DOUBLE_EQ(collage.textPositions()[0]->fontSize(), r.from);
        collage.setSelectedTextPosition(0);
        r.up ? collage.increaseFontSize() : collage.decreaseFontSize();
        EXPECT_DOUBLE_EQ(collage.textPositions()[0]->fontSize(), r.to) << r.from << r.up;
    }
}

TEST(CollageText, AlignmentIndexesMapToStoredAlignment)
{
    struct Row { qint64 index, stored; };
    for (const Row& r : QList<Row>{{0, 0}, {1, 2}, {2, 1}, {3, 3}, {4, 3}, {-1, 3}}) {
        FakeCollage collage;
        collage.textPositions().append(textItem({0.5, 0.5}, 0.5));
        collage.textPositions()[0]->setAlignment(3);
        collage.setSelectedTextPosition(0);
        collage.setTextAlignment(r.index);
        EXPECT_EQ(collage.textPositions()[0]->alignment(), r.stored) << r.index;
    }
}

TEST(CollageText, NewTextSizeStyleAndSelection)
{
    struct Row { qint64 canvasWidth; double fontSize; };
    for (const Row& r : QList<Row>{{4500, 64}, {4501, 144}}) {
        FakeCollage collage;
        collage.setWidth(r.canvasWidth);
        collage.addNewText();
        EXPECT_DOUBLE_EQ(collage.textPositions()[0]->fontSize(), r.fontSize) << r.canvasWidth;
    }

    FakeHost host;
    FakeCollage collage;
    collage.setMyWindowController(&host);
    collage.textPositions().append(textItem({0.1, 0.9}, 0.2, 0.4, 30));
    collage.addNewText();
    const auto second = collage.textPositions()[1];
    EXPECT_EQ(collage.selectedTextPosition(), 1);
    EXPECT_DOUBLE_EQ(second->fontSize(), 30);
    EXPECT_EQ(second->textWidth(), 0.5);
    EXPECT_EQ(second->rotation(), 0.0);
    EXPECT_TRUE(second->beingObserved());

    collage.setLockText(true);
    collage.addNewText();
    EXPECT_EQ(collage.textPositions().size(), 3);
    EXPECT_EQ(collage.selectedTextPosition(), -1);
}

TEST(CollageText, DuplicateCopiesStyleAndContent)
{
    FakeCollage collage;
    collage.textPositions().append(textItem({0.1, 0.9}, 0.2, 0.7, 40));
    collage.addNewByCopyingSelectedText();
    EXPECT_EQ(collage.textPositions().size(), 1); // nothing selected

    collage.setSelectedTextPosition(0);
    collage.addNewByCopyingSelectedText();
    ASSERT_EQ(collage.textPositions().size(), 2);
    const auto copy = collage.textPositions()[1];
    EXPECT_EQ(collage.selectedTextPosition(), 1);
    EXPECT_EQ(copy->content(), "Hello Copy");
    EXPECT_EQ(copy->font(), collage.textPositions()[0]->font());
    EXPECT_EQ(copy->textWidth(), 0.5);
    EXPECT_EQ(copy->rotation(), 0.0);
    EXPECT_LE(std::abs(copy->center().x() - 0.5), 0.1);
}

TEST(CollageText, SnapsToCentresAndEdges)
{
    // The moved item (width 0.2) against one other item; its own centre is no target.
    struct Row {
        const char* name;
        double ownRotation, otherRotation;
        QPointF otherCenter, proposed, expected;
        QList<double> xGuides, yGuides;
    };
    const QList<Row> rows{
        {"canvas middle", 0, 0, {0.9, 0.9}, {0.504, 0.497}, {0.5, 0.5}, {0.5}, {0.5}},
        {"too far", 0, 0, {0.9, 0.9}, {0.506, 0.3}, {0.506, 0.3}, {}, {}},
        {"other centre", 0, 0, {0.25, 0.2}, {0.254, 0.503}, {0.25, 0.5}, {0.25}, {0.5}},
        {"each axis alone", 0, 0, {0.25, 0.2}, {0.256, 0.196}, {0.256, 0.2}, {}, {0.2}},
        {"left edges", 0, 0, {0.25, 0.8}, {0.204, 0.7}, {0.2, 0.7}, {0.1}, {}},
        {"left edges too far", 0, 0, {0.25, 0.8}, {0.206, 0.7}, {0.206, 0.7}, {}, {}},
        {"right edges", 0, 0, {0.25, 0.8}, {0.296, 0.7}, {0.3, 0.7}, {0.4}, {}},
        {"rotated other: no edges", 0, 0.1, {0.25, 0.8}, {0.204, 0.7}, {0.204, 0.7}, {}, {}},
        {"rotated other: centre", 0, 0.1, {0.25, 0.8}, {0.253, 0.7}, {0.25, 0.7}, {0.25}, {}},
        {"rotated self: no edges", 0.2, 0, {0.25, 0.8}, {0.204, 0.7}, {0.204, 0.7}, {}, {}},
    };
    for (const Row& r : rows) {
        FakeCollage collage;
        collage.textPositions() = {textItem(r.proposed, 0.2, r.ownRotation),
                                   textItem(r.otherCenter, 0.3, r.otherRotation)};
        collage.setSelectedTextPosition(0);
        const QPointF snapped = collage.constrainTextForNewCenter(r.proposed);
        EXPECT_NEAR(snapped.x(), r.expected.x(), 1e-12) << r.name;
        EXPECT_NEAR(snapped.y(), r.expected.y(), 1e-12) << r.name;
        EXPECT_EQ(collage.constrainingText(), !r.xGuides.isEmpty() || !r.yGuides.isEmpty()) << r.name;
        EXPECT_EQ(collage.constrainingTextXPosArray()->size(), r.xGuides.size()) << r.name;
        EXPECT_EQ(collage.constrainingTextYPosArray()->size(), r.yGuides.size()) << r.name;
        for (qsizetype i = 0; i < r.xGuides.size(); ++i)
            EXPECT_NEAR(collage.constrainingTextXPosArray()->value(i), r.xGuides[i], 1e-12) << r.name;
        for (qsizetype i = 0; i < r.yGuides.size(); ++i)
            EXPECT_NEAR(collage.constrainingTextYPosArray()->value(i), r.yGuides[i], 1e-12) << r.name;
    }
}

TEST(CollageText, SnappedItemStaysUntilOneStepFreesIt)
{
    TextCanvas canvas;
    canvas.item->setCenter({0.5, 0.3});
    const int depth = CursorStack::shared().depth();
    canvas.down({500, 300});
    for (double x : {504.0, 508.0, 512.0}) {
        canvas.drag({x, 300});
        EXPECT_EQ(canvas.item->center(), QPointF(0.5, 0.3)) << x;
        EXPECT_EQ(canvas.xGuides(), QList<double>{0.5});
    }
    canvas.drag({517, 300}); // one step of 0.005
    EXPECT_NEAR(canvas.item->center().x(), 0.505, 1e-12);
    EXPECT_FALSE(canvas.collage.constrainingText());
    canvas.drag({515, 300});
    EXPECT_TRUE(canvas.collage.constrainingText());
    canvas.up({515, 300});
    EXPECT_FALSE(canvas.collage.draggingText());
    EXPECT_FALSE(canvas.collage.constrainingText());
    EXPECT_TRUE(canvas.xGuides().isEmpty());
    EXPECT_EQ(CursorStack::shared().depth(), depth);
}

TEST(CollageText, BodyDragKeepsTheCentreOnTheCanvas)
{
    TextCanvas canvas;
    canvas.down({500, 500});
    canvas.drag({3000, -2000});
    EXPECT_EQ(canvas.item->center(), QPointF(1.0, 0.0));
    canvas.drag({2900, -1800}); // moves on from where the item stopped
    EXPECT_NEAR(canvas.item->center().x(), 0.9, 1e-12);
    EXPECT_NEAR(canvas.item->center().y(), 0.2, 1e-12);
    canvas.up({2900, -1800});
}

TEST(CollageText, ClicksSelectDeselectAndBalanceCursors)
{
    struct Row {
        const char* name;
        qint64 before;
        QPointF at;
        int clicks;
        Qt::KeyboardModifiers mods;
        qint64 after;
        int pushed;
    };
    const QList<Row> rows{
        {"click selects", -1, {500, 500}, 1, {}, 0, 1},
        {"click keeps selected", 0, {500, 500}, 1, {}, 0, 1},
        {"ctrl-click deselects", 0, {500, 500}, 1, Qt::ControlModifier, -1, 0},
        {"ctrl-click selects", -1, {500, 500}, 1, Qt::ControlModifier, 0, 1},
        {"double click on selected", 0, {500, 500}, 2, {}, 0, 0},
        {"double click on other", -1, {500, 500}, 2, {}, -1, 0},
        {"click on nothing", 0, {50, 50}, 1, {}, -1, 0},
        {"handle keeps selection", 0, {392, 500}, 1, Qt::ControlModifier, 0, 1},
    };
    // A cursor someone else pushed must survive every gesture.
    CursorStack::shared().push(Cursor::fromShape(Qt::IBeamCursor));
    for (const Row& r : rows) {
        TextCanvas canvas;
        canvas.collage.setSelectedTextPosition(r.before);
        const int depth = CursorStack::shared().depth();
        canvas.down(r.at, r.clicks, r.mods);
        EXPECT_EQ(canvas.collage.selectedTextPosition(), r.after) << r.name;
        EXPECT_EQ(CursorStack::shared().depth(), depth + r.pushed) << r.name;
        canvas.up(r.at);
        EXPECT_EQ(CursorStack::shared().depth(), depth) << r.name;
        EXPECT_EQ(CursorStack::shared().current().shape, Qt::IBeamCursor) << r.name;
    }
    CursorStack::shared().pop();
}

TEST(CollageText, WidthHandlesResizeAlongTheTextsAxis)
{
    const double quarter = std::numbers::pi / 2;
    struct Row {
        const char* name;
        double rotation;
        QPointF press, to;
        qint64 handle;
        double width;
        Qt::CursorShape cursor;
    };
    const QList<Row> rows{
        {"right outwards", 0, {608, 500}, {628, 500}, 5, 0.22, Qt::SizeHorCursor},
        {"left outwards", 0, {392, 500}, {372, 500}, 4, 0.22, Qt::SizeHorCursor},
        {"left inwards", 0, {392, 500}, {412, 500}, 4, 0.18, Qt::SizeHorCursor},
        {"across the axis", 0, {608, 500}, {608, 540}, 5, 0.2, Qt::SizeHorCursor},
        {"floor", 0, {608, 500}, {0, 500}, 5, 0.001, Qt::SizeHorCursor},
        {"turned: left below", quarter, {500, 392}, {500, 372}, 4, 0.22, Qt::SizeVerCursor},
        {"turned: sideways", quarter, {500, 608}, {540, 608}, 5, 0.2, Qt::SizeVerCursor},
    };
    for (const Row& r : rows) {
        TextCanvas canvas(r.rotation);
        canvas.collage.setSelectedTextPosition(0);
        canvas.down(r.press);
        EXPECT_EQ(canvas.collage.handleBeingHeld(), r.handle) << r.name;
        EXPECT_EQ(CursorStack::shared().current().shape, r.cursor) << r.name;
        canvas.drag(r.to);
        EXPECT_NEAR(canvas.item->textWidth(), r.width, 1e-9) << r.name;
        EXPECT_EQ(canvas.item->center(), QPointF(0.5, 0.5)) << r.name;
        canvas.up(r.to);
        EXPECT_EQ(canvas.collage.handleBeingHeld(), HeldHandleNone) << r.name;
    }
}
