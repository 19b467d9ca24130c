#include "layouts/grid/GridCollage.h"
#include "model/FakeCollage.h"
#include "model/ResourceImages.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"

#include <gtest/gtest.h>

using namespace qf;
using namespace qf::test;

namespace {

QColor at(const QImage& img, int x, int yUp)
{
    return img.pixelColor(x, img.height() - 1 - yUp);
}

class GridCanvasTest : public ::testing::Test {
protected:
    GridCanvasTest()
    {
        grid.setMyWindowController(&host);
        grid.setWidth(800);
        grid.setHeight(600);
        host.store = {{"A", FakeHost::solidImage(600, 400, Qt::red)}, {"B", FakeHost::solidImage(600, 400, Qt::blue)}};
        grid.addPictures({"A", "B"}, host.store, {}, {});
        grid.setDrawShadow(false);
    }
    QImage draw(bool actual, int w = 800, int h = 600)
    {
        QImage out = GraphicsContext::newBitmap(QSize(w, h));
        GraphicsContext ctx(out);
        grid.drawYourselfOnCurrentContextInWidth(ctx, w, h, actual);
        return out;
    }
    QPointF centreOf(qint64 cell) { return grid.cellRect(cell, 800, 600).center(); }
    void click(QPointF p, int clicks = 1, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        MouseEvent e{p, clicks, mods};
        grid.mouseDownAt(p, 800, 600, e);
        grid.mouseUpAt(p, 800, 600, e);
    }
    void drag(QPointF from, QPointF to)
    {
        MouseEvent e{from, 1, Qt::NoModifier};
        grid.mouseDownAt(from, 800, 600, e);
        grid.mouseDraggedAt((from + to) / 2, 800, 600, e);
        grid.mouseDraggedAt(to, 800, 600, e);
        grid.mouseUpAt(to, 800, 600, e);
    }
    QStringList pictures() const
    {
        QStringList out;
        for (const PositionPtr& p : grid.picturePositions())
            out << p->picture();
        return out;
    }

    FakeHost host;
    GridCollage grid; // 2 x 2: A, B and two empty cells
};

} // namespace

TEST_F(GridCanvasTest, ExportsShowPicturesOnly)
{
    grid.setSelectedImagePosition(2); // an empty cell
    const QImage exported = draw(true);
    const QImage screen = draw(false);
    // Every pixel of the empty cells is background in the export.
    const QRectF empty = grid.cellRect(2, 800, 600).adjusted(-3, -3, 3, 3);
    int marks = 0;
    for (int y = int(empty.top()); y < int(empty.bottom()); y += 2)
        for (int x = int(empty.left()); x < int(empty.right()); x += 2) {
            EXPECT_EQ(at(exported, x, y), QColor(Qt::white)) << x << "," << y;
            marks += at(screen, x, y) != QColor(Qt::white);
        }
    EXPECT_GT(marks, 50); // dashes, frame and pick button on screen
    EXPECT_EQ(at(exported, int(centreOf(0).x()), int(centreOf(0).y())), QColor(Qt::red));
}

TEST_F(GridCanvasTest, BordersAndGapsFollowTheSettings)
{
    grid.setBorderColor({0, 1, 0, 1});
    grid.setSpacing(0);
    grid.setStrokeWidth(0);
    QImage out = draw(true);
    EXPECT_EQ(at(out, 0, 0), QColor(Qt::red)); // cell 0 reaches the corner: no gap, no border
    grid.setStrokeWidth(0.1); // 0.1 x 0.3 of 300: a 9 unit border
    out = draw(true);
    EXPECT_EQ(at(out, 4, 150), QColor(Qt::green));
    EXPECT_EQ(at(out, 20, 150), QColor(Qt::red));
}

TEST_F(GridCanvasTest, TheSelectionOutlinesTheWholeCellWhenPicturesFit)
{
    // A 3:2 picture fitted into a 4:3 cell leaves bands above and below it;
    // the selection still goes round the cell.
    grid.setImageScaling(ImageScalingFitWhole);
    grid.setSelectedImagePosition(0);
    const QRectF cell = grid.cellRect(0, 800, 600);
    const QImage out = draw(false);
    // Cell 0 is (15, 15, 377.5, 277.5): pixels that the selection's 2 unit blue line covers.
    const QColor top = at(out, int(cell.center().x()), int(cell.bottom()));
    const QColor side = at(out, int(cell.left()), int(cell.center().y()));
    EXPECT_EQ(top, QColor(Qt::blue)) << qPrintable(top.name());
    EXPECT_EQ(side, QColor(Qt::blue)) << qPrintable(side.name());
    EXPECT_EQ(at(out, int(cell.center().x()), int(cell.bottom()) - 6), QColor(Qt::white)) << "the band above the picture";
}

TEST_F(GridCanvasTest, ShadowsFallInTheirDirection)
{
    grid.setDrawShadow(true);
    grid.setShadowX(1); // 10 units right at 800 wide
    grid.setShadowY(-1); // and 10 down
    grid.setShadowBlur(0.01);
    const QImage out = draw(true);
    const QRectF cell = grid.cellRect(0, 800, 600);
    EXPECT_LT(at(out, int(cell.right()) + 5, int(cell.center().y())).red(), 230);
    EXPECT_EQ(at(out, int(cell.left()) - 5, int(cell.center().y())), QColor(Qt::white));
    EXPECT_LT(at(out, int(cell.center().x()), int(cell.top()) - 5).red(), 230);
}

TEST_F(GridCanvasTest, ClicksSelectAndDragsSwap)
{
    click(centreOf(1));
    EXPECT_EQ(grid.selectedImagePosition(), 1);
    click(centreOf(1), 2); // the second click of a double click changes nothing
    EXPECT_EQ(grid.selectedImagePosition(), 1);
    EXPECT_EQ(pictures(), (QStringList{"A", "B", "", ""}));
    click(centreOf(1), 1, Qt::ControlModifier); // command-click deselects
    EXPECT_EQ(grid.selectedImagePosition(), -1);
    click(QPointF(1, 1)); // the margin
    EXPECT_EQ(grid.selectedImagePosition(), -1);

    drag(centreOf(0), centreOf(3)); // onto an empty cell: moved, old cell empty
    EXPECT_EQ(pictures(), (QStringList{"", "B", "", "A"}));
    EXPECT_EQ(grid.selectedImagePosition(), 3);
    drag(centreOf(3), QPointF(1, 1)); // onto the margin: nothing
    drag(centreOf(2), centreOf(1));   // from an empty cell: nothing
    EXPECT_EQ(pictures(), (QStringList{"", "B", "", "A"}));
    drag(centreOf(1), centreOf(3)); // two pictures: exchanged
    EXPECT_EQ(pictures(), (QStringList{"", "A", "", "B"}));
    EXPECT_FALSE(grid.dragging());
    EXPECT_EQ(CursorStack::shared().depth(), 0);
}

TEST_F(GridCanvasTest, PickButtonsOpenTheChooserOnlyWhenReleasedOnTheSameCell)
{
    const QRectF button = grid.getDrawRectImagePickerButton(grid.cellRect(2, 800, 600));
    const QRectF other = grid.getDrawRectImagePickerButton(grid.cellRect(3, 800, 600));
    click(button.center());
    EXPECT_EQ(host.pickRequests, QList<qint64>{2});
    drag(button.center(), other.center());
    EXPECT_EQ(host.pickRequests, QList<qint64>{2});
    EXPECT_EQ(grid.pickPictureForPositionIndex(), -1);

    // While one is held down only that one shows pressed.
    const QImage idle = draw(false);
    MouseEvent e{button.center(), 1, Qt::NoModifier};
    grid.mouseDownAt(button.center(), 800, 600, e);
    const QImage held = draw(false);
    const auto sameButton = [](const QImage& a, const QImage& b, const QRectF& r) {
        return a.copy(r.toAlignedRect().translated(0, 600 - 2 * int(r.y()) - int(r.height())))
               == b.copy(r.toAlignedRect().translated(0, 600 - 2 * int(r.y()) - int(r.height())));
    };
    EXPECT_FALSE(sameButton(idle, held, button));
    EXPECT_TRUE(sameButton(idle, held, other));
    grid.mouseUpAt(button.center(), 800, 600, e);
}

TEST_F(GridCanvasTest, CropHoldersPanAndZoomWithinThePicture)
{
    click(centreOf(0));
    ASSERT_EQ(grid.selectedImagePosition(), 0);
    const QRectF holder(grid.positionOfCropTranslateHolder(), ResourceImages::sizeOf("move"));
    // Pan far right: the window stops at the picture's left edge.
    drag(holder.center(), holder.center() + QPointF(2000, 0));
    const PanZoomPos panned = *grid.picturePositions()[0]->panZoomValue();
    EXPECT_NEAR(panned.cx() - panned.l() / 2, 0.0, 1e-9);
    EXPECT_EQ(grid.handleBeingHeld(), HeldHandleNone);

    // Zoom: dragging away from the centre narrows the window.
    const QRectF zoom(grid.positionOfCropZoomHolder(), ResourceImages::sizeOf("scale_only"));
    const double before = grid.picturePositions()[0]->panZoomValue()->l();
    MouseEvent e{zoom.center(), 1, Qt::NoModifier};
    grid.mouseDownAt(zoom.center(), 800, 600, e);
    EXPECT_EQ(grid.handleBeingHeld(), HeldHandleCropZoom);
    const QPointF centre = grid.cellRect(0, 800, 600).center();
    grid.mouseDraggedAt(centre + (zoom.center() - centre) * 2, 800, 600, e);
    EXPECT_LT(grid.picturePositions()[0]->panZoomValue()->l(), before * 0.6);
    // The pointer on the centre itself: the whole width.
    grid.mouseDraggedAt(grid.cellRect(0, 800, 600).adjusted(9, 9, -9, -9).center(), 800, 600, e);
    const PanZoomPos whole = *grid.picturePositions()[0]->panZoomValue();
    EXPECT_LE(whole.l(), 1.0);
    EXPECT_TRUE(std::isfinite(whole.cx()));
    grid.mouseUpAt(centre, 800, 600, e);
    EXPECT_EQ(CursorStack::shared().depth(), 0);

    // While a crop is edited the screen shows the whole picture under the cells.
    grid.setHandleBeingHeld(HeldHandleCropTranslate);
    const QImage editing = draw(false);
    const QRectF cell1 = grid.cellRect(1, 800, 600);
    const QColor faint = at(editing, int(cell1.center().x()), int(cell1.center().y()));
    EXPECT_GT(faint.red(), 100); // the framed red picture shows through
    EXPECT_GT(faint.blue(), 30); // under a faint blue cell
}

TEST_F(GridCanvasTest, CropHoldersFollowTheSelectedCellWhenDrawn)
{
    // A selection that no click made (restored by undo) and a canvas of
    // another size: the drawn holders sit beside the selected cell and take
    // clicks there.
    grid.setSelectedImagePosition(1);
    draw(false, 400, 300);
    const QRectF cell = grid.cellRect(1, 400, 300);
    const QRectF holder(grid.positionOfCropTranslateHolder(), ResourceImages::sizeOf("move"));
    EXPECT_NEAR(holder.center().y(), cell.center().y(), 1.0);
    EXPECT_LT(std::abs(holder.center().x() - cell.center().x()), 130.0);
}
