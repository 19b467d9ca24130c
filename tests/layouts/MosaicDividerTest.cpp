#include "layouts/mosaic/MosaicCollage.h"

#include "model/FakeCollage.h"
#include "platform/events/CursorStack.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"

#include <gtest/gtest.h>

using namespace qf;
using namespace qf::test;

namespace {

constexpr double kW = 1000, kH = 1000;

class MosaicDividerTest : public ::testing::Test {
protected:
    MosaicDividerTest() { mosaic.setMyWindowController(&host); }
    void layOut(const QList<QRectF>& rects)
    {
        mosaic.picturePositions().clear();
        for (const QRectF& r : rects)
            mosaic.picturePositions().append(std::make_shared<MosaicPosition>(QString(), r));
    }
    QRectF rectOf(qint64 i) const { return mosaic.mosaicSlot(i)->positionRect(); }
    // A press at `from` and one drag step to `to`, in unit coordinates.
    void drag(QPointF from, QPointF to)
    {
        const QPointF a(from.x() * kW, from.y() * kH), b(to.x() * kW, to.y() * kH);
        mosaic.mouseDownAt(a, kW, kH, MouseEvent{a, 1, Qt::NoModifier});
        mosaic.mouseDraggedAt(b, kW, kH, MouseEvent{b, 1, Qt::NoModifier});
    }
    void release(QPointF at)
    {
        const QPointF p(at.x() * kW, at.y() * kH);
        mosaic.mouseUpAt(p, kW, kH, MouseEvent{p, 1, Qt::NoModifier});
    }

    FakeHost host;
    MosaicCollage mosaic;
};

} // namespace

TEST_F(MosaicDividerTest, HoverShowsResizeCursorsWithinThreeUnitsOfAnInnerEdge)
{
    layOut({QRectF(0, 0, 0.5, 1), QRectF(0.5, 0, 0.5, 0.5), QRectF(0.5, 0.5, 0.5, 0.5)});
    const struct {
        QPointF point;
        Qt::CursorShape shape;
    } rows[] = {{{502.9, 200}, Qt::SizeHorCursor}, {{503.0, 200}, Qt::ArrowCursor},
                {{1.0, 200}, Qt::ArrowCursor},     {{700, 501}, Qt::SizeVerCursor},
                {{300, 500}, Qt::ArrowCursor}};
    for (const auto& row : rows) {
        mosaic.mouseMovedAt(row.point, kW, kH, MouseEvent{row.point, 0, Qt::NoModifier});
        EXPECT_EQ(CursorStack::shared().current().shape, row.shape) << row.point.x() << ", " << row.point.y();
    }
    CursorStack::shared().set(Cursor::arrow());
}

TEST_F(MosaicDividerTest, AVerticalDividerGathersTheWholeCutUnlessItBreaksAtACrossing)
{
    const struct {
        const char* name;
        double leftCut, rightCut;
        QPointF grab;
        int left, right; // slots gathered on each side
    } rows[] = {
        {"halves cut at different heights", 0.4, 0.6, {0.5, 0.2}, 2, 2},
        {"halves cut at one height, grabbed above", 0.5, 0.5, {0.5, 0.8}, 1, 1},
        {"halves cut at one height, grabbed below", 0.5, 0.5, {0.5, 0.2}, 1, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        layOut({QRectF(0, 0, 0.5, row.leftCut), QRectF(0, row.leftCut, 0.5, 1 - row.leftCut),
                QRectF(0.5, 0, 0.5, row.rightCut), QRectF(0.5, row.rightCut, 0.5, 1 - row.rightCut)});
        drag(row.grab, row.grab + QPointF(0.02, 0));
        EXPECT_EQ(mosaic.handleBeingHeld(), HeldHandleVerticalDivider);
        EXPECT_EQ(mosaic.leftPositions().size(), row.left);
        EXPECT_EQ(mosaic.rightPositions().size(), row.right);
        double area = 0;
        for (qint64 i = 0; i < 4; ++i)
            area += rectOf(i).width() * rectOf(i).height();
        EXPECT_NEAR(area, 1.0, 1e-12) << "still a tiling";
        release(row.grab);
        EXPECT_TRUE(mosaic.leftPositions().isEmpty() && mosaic.rightPositions().isEmpty());
        EXPECT_EQ(mosaic.handleBeingHeld(), HeldHandleNone);
    }
}

TEST_F(MosaicDividerTest, DraggedDividersSnapToEdgesFirstAndNeverSqueezeASlot)
{
    const struct {
        const char* name;
        double otherEdge; // an edge elsewhere in the collage
        double from, to;  // the divider's x, and where the pointer takes it
        double landed;
        bool snapped;
    } rows[] = {
        {"a standard value", 0.9, 0.3, 0.3313, 1.0 / 3, true},
        {"a slot edge before the standard value", 0.502, 0.45, 0.4985, 0.502, true},
        {"nothing near", 0.9, 0.3, 0.37, 0.37, false},
        {"a step that leaves a slot 0.06 wide", 0.9, 0.3, 0.06, 0.3, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // Two slots either side of the divider, and a top row cut at otherEdge.
        layOut({QRectF(0, 0, row.from, 0.5), QRectF(row.from, 0, 1 - row.from, 0.5),
                QRectF(0, 0.5, row.otherEdge, 0.5), QRectF(row.otherEdge, 0.5, 1 - row.otherEdge, 0.5)});
        drag(QPointF(row.from, 0.25), QPointF(row.to, 0.25));
        EXPECT_NEAR(rectOf(1).x(), row.landed, 1e-12);
        EXPECT_NEAR(rectOf(0).width(), row.landed, 1e-12);
        if (row.snapped) {
            EXPECT_TRUE(mosaic.constraining());
            EXPECT_DOUBLE_EQ(mosaic.constrainedTo(), row.landed);
            // On screen the yellow guide shows where it snapped; an export shows none.
            for (const bool actual : {false, true}) {
                QImage out = GraphicsContext::newBitmap(QSize(int(kW), int(kH)));
                GraphicsContext context(out);
                mosaic.drawYourselfOnCurrentContextInWidth(context, kW, kH, actual);
                const QColor at = out.pixelColor(int(row.landed * kW), 900);
                EXPECT_EQ(at.red() > 200 && at.green() > 200 && at.blue() < 80, !actual) << at.name().toStdString();
            }
        }
        release(QPointF(row.to, 0.25));
    }
}

TEST_F(MosaicDividerTest, ZoomingWithThePointerOnTheCentreKeepsTheCropWindowsSize)
{
    host.store.insert(QStringLiteral("a"), FakeHost::solidImage(600, 200));
    mosaic.picturePositions().clear();
    mosaic.picturePositions().append(std::make_shared<MosaicPosition>(QStringLiteral("a"), QRectF(0, 0, 1, 1)));
    mosaic.setImages({QStringLiteral("a")});
    release(QPointF(0.2, 0.2)); // nothing held
    const QPointF centre(0.5 * kW, 0.5 * kH);
    mosaic.mouseDownAt(centre, kW, kH, MouseEvent{centre, 1, Qt::NoModifier});
    mosaic.mouseUpAt(centre, kW, kH, MouseEvent{centre, 1, Qt::NoModifier});
    ASSERT_EQ(mosaic.selectedImagePosition(), 0);
    const QPointF holder = mosaic.positionOfCropZoomHolder() + QPointF(2, 2);
    mosaic.mouseDownAt(holder, kW, kH, MouseEvent{holder, 1, Qt::NoModifier});
    ASSERT_EQ(mosaic.handleBeingHeld(), HeldHandleCropZoom);
    const QPointF away = holder + QPointF(40, 0);
    mosaic.mouseDraggedAt(away, kW, kH, MouseEvent{away, 1, Qt::NoModifier});
    ASSERT_TRUE(mosaic.picturePositions()[0]->panZoomValue());
    const double zoomed = mosaic.picturePositions()[0]->panZoomValue()->l();
    EXPECT_LT(zoomed, 1.0);
    mosaic.mouseDraggedAt(centre, kW, kH, MouseEvent{centre, 1, Qt::NoModifier});
    EXPECT_DOUBLE_EQ(mosaic.picturePositions()[0]->panZoomValue()->l(), zoomed);
    mosaic.mouseUpAt(centre, kW, kH, MouseEvent{centre, 1, Qt::NoModifier});
}
