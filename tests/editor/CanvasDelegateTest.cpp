#include "editor/CanvasDelegate.h"
#include "editor/CanvasGeometry.h"
#include "editor/ClickCounter.h"

#include "document/CollageDocument.h"
#include "editor/EditorWindow.h"
#include "editor/FotoloomController.h"
#include "layouts/grid/GridCollage.h"
#include "model/Collage.h"
#include "model/TextPosition.h"
#include "platform/events/CursorStack.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/undo/UndoManager.h"

#include "GridDocuments.h"
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>

using namespace qf;

namespace {

// ---- geometry ----------------------------------------------------------------------

TEST(CanvasGeometryTest, WideAreaGivesFullHeightCentredHorizontally)
{
    const QRectF r = getClipRectFromBounds(QSizeF(400, 300), QSizeF(1000, 300));
    EXPECT_DOUBLE_EQ(r.height(), 300);
    EXPECT_DOUBLE_EQ(r.width(), 400);
    EXPECT_DOUBLE_EQ(r.x(), 300);
    EXPECT_DOUBLE_EQ(r.y(), 0);
}

TEST(CanvasGeometryTest, TallAreaGivesFullWidthCentredVertically)
{
    const QRectF r = getClipRectFromBounds(QSizeF(400, 300), QSizeF(200, 500));
    EXPECT_DOUBLE_EQ(r.width(), 200);
    EXPECT_DOUBLE_EQ(r.height(), 150);
    EXPECT_DOUBLE_EQ(r.y(), 175);
    EXPECT_DOUBLE_EQ(r.x(), 0);
}

TEST(CanvasGeometryTest, SquareInSquareFillsAndDegenerateSizesGiveNothing)
{
    EXPECT_EQ(getClipRectFromBounds(QSizeF(50, 50), QSizeF(300, 300)), QRectF(0, 0, 300, 300));
    EXPECT_TRUE(getClipRectFromBounds(QSizeF(0, 50), QSizeF(300, 300)).isEmpty());
    EXPECT_TRUE(getClipRectFromBounds(QSizeF(50, 50), QSizeF(300, 0)).isEmpty());
    EXPECT_TRUE(getClipRectFromBounds(QSizeF(qQNaN(), 50), QSizeF(300, 300)).isEmpty());
}

TEST(CanvasGeometryTest, WidgetPointsTurnYUp)
{
    EXPECT_EQ(modelPointFromWidget(QPointF(10, 0), 200), QPointF(10, 200));
    EXPECT_EQ(modelPointFromWidget(QPointF(10, 200), 200), QPointF(10, 0));
    EXPECT_EQ(modelPointFromWidget(QPointF(3, 50), 200), QPointF(3, 150));
}

// ---- click counts ---------------------------------------------------------------------

TEST(ClickCounterTest, CountsPressesCloseInTimeAndPlace)
{
    ClickCounter clicks(400, 5);
    EXPECT_EQ(clicks.press(QPointF(10, 10), 1000), 1);
    EXPECT_EQ(clicks.press(QPointF(12, 11), 1300), 2);
    EXPECT_EQ(clicks.press(QPointF(12, 11), 1600), 3);
    // Too late, too far, or time going backwards start a new series.
    EXPECT_EQ(clicks.press(QPointF(12, 11), 2100), 1);
    EXPECT_EQ(clicks.press(QPointF(30, 11), 2200), 1);
    EXPECT_EQ(clicks.press(QPointF(30, 11), 2100), 1);
    clicks.reset();
    EXPECT_EQ(clicks.press(QPointF(30, 11), 2150), 1);
}

// ---- the gesture ---------------------------------------------------------------------------

// Counts what the canvas asked its window to show.
struct Hooked : EditorWindow {
    int redraws = 0, spinnerStops = 0, spinnerStarts = 0, reloads = 0, focus = 0;
    QList<int> tabs;
    void setCanvasNeedsDisplay() override { ++redraws; }
    void startSpinner() override { ++spinnerStarts; }
    void stopSpinner() override { ++spinnerStops; }
    void reloadPictureList() override { ++reloads; }
    void selectTab(int tab) override { tabs.append(tab); }
    void focusTextEditor() override { ++focus; }
    void showCouldNotOpenSheet(const AlertText&, std::function<void()>) override {}
    void showMissingPicturesSheet(const AlertText&) override {}
    void enableRightControlsAndPositionThem() override {}
    void updateDrawingViewFrame() override {}
    void showBackgroundImage(const QImage&) override {}
};

class CanvasDelegateTest : public ::testing::Test {
protected:
    UndoManager undo;
    Hooked hooked; // outlives the document's controller, which shows through it
    CollageDocument doc;
    FotoloomController* c = nullptr;
    std::unique_ptr<CanvasDelegate> canvas;
    QSizeF bounds;

    void SetUp() override
    {
        doc.setHostFactory([this](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &undo); });
        doc.makeWindowControllers();
        c = static_cast<FotoloomController*>(doc.fotoloomController());
        test::startNewDocumentsAsGrids(*c);
        ASSERT_TRUE(c->windowDidLoad().ok());
        canvas = std::make_unique<CanvasDelegate>(*c);
        c->setWindow(&hooked);
        bounds = QSizeF(c->collage()->width() / 10.0, c->collage()->height() / 10.0);
        settle();
    }
    // Lets the by-event group of anything done so far close.
    void settle()
    {
        for (int i = 0; i < 20 && undo.groupingLevel() > 0; ++i)
            QCoreApplication::processEvents();
        undo.removeAllActions();
    }
    void endEvent()
    {
        for (int i = 0; i < 20 && undo.groupingLevel() > 0; ++i)
            QCoreApplication::processEvents();
    }
    GridCollage& grid() const { return dynamic_cast<GridCollage&>(*c->collage()); }
    // The centre of the first cell, y up.
    MouseEvent inFirstCell(int clicks = 1) const
    {
        const QRectF cell = grid().cellRect(0, bounds.width(), bounds.height());
        return MouseEvent{cell.center(), clicks, Qt::NoModifier};
    }
    int undoSteps()
    {
        int steps = 0;
        while (undo.canUndo() && steps < 10) {
            undo.undo();
            ++steps;
        }
        return steps;
    }
};

TEST_F(CanvasDelegateTest, AClickIsOneUndoStepAndSelectsThePictureTab)
{
    canvas->mouseDownInBounds(bounds, inFirstCell());
    EXPECT_TRUE(canvas->isGestureOpen());
    EXPECT_FALSE(undo.groupsByEvent());
    EXPECT_EQ(undo.groupingLevel(), 1);
    EXPECT_TRUE(c->collage()->drawFast());

    canvas->mouseUpInBounds(bounds, inFirstCell());
    EXPECT_FALSE(canvas->isGestureOpen());
    EXPECT_TRUE(undo.groupsByEvent());
    EXPECT_FALSE(c->collage()->drawFast());
    EXPECT_EQ(c->collage()->selectedImagePosition(), 0);
    EXPECT_EQ(hooked.tabs, QList<int>{1});
    EXPECT_GE(hooked.redraws, 2);

    endEvent();
    EXPECT_EQ(undoSteps(), 1);
}

TEST_F(CanvasDelegateTest, ADragThatChangesNothingIsStillOneStep)
{
    canvas->mouseDownInBounds(bounds, inFirstCell());
    MouseEvent moved = inFirstCell();
    for (int i = 0; i < 5; ++i) {
        moved.location += QPointF(1, 0);
        canvas->mouseDraggedInBounds(bounds, moved);
    }
    canvas->mouseUpInBounds(bounds, moved);
    endEvent();
    EXPECT_EQ(undoSteps(), 1);
}

TEST_F(CanvasDelegateTest, DragsAndUpsWithoutADownAreIgnored)
{
    canvas->mouseDraggedInBounds(bounds, inFirstCell());
    canvas->mouseUpInBounds(bounds, inFirstCell());
    endEvent();
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(hooked.redraws, 0);
}

TEST_F(CanvasDelegateTest, ALostMouseUpClosesTheGroupAndBalancesCursors)
{
    CursorStack& cursors = CursorStack::shared();
    const int depth = cursors.depth();
    canvas->mouseDownInBounds(bounds, inFirstCell());
    canvas->mouseGestureLost();
    EXPECT_FALSE(canvas->isGestureOpen());
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_TRUE(undo.groupsByEvent());
    EXPECT_FALSE(c->collage()->drawFast());
    EXPECT_EQ(cursors.depth(), depth);
    // Once is enough: a second loss changes nothing.
    const int redraws = hooked.redraws;
    canvas->mouseGestureLost();
    EXPECT_EQ(hooked.redraws, redraws);
    // The history works again.
    EXPECT_EQ(undoSteps(), 1);
}

TEST_F(CanvasDelegateTest, ADownDuringAGestureEndsTheOldOneFirst)
{
    canvas->mouseDownInBounds(bounds, inFirstCell());
    canvas->mouseDownInBounds(bounds, inFirstCell(2));
    EXPECT_EQ(undo.groupingLevel(), 1);
    canvas->mouseUpInBounds(bounds, inFirstCell(2));
    EXPECT_EQ(undo.groupingLevel(), 0);
    endEvent();
    EXPECT_EQ(undoSteps(), 2);
}

TEST_F(CanvasDelegateTest, DestroyingTheCanvasMidGestureLeavesNoGroupOpen)
{
    canvas->mouseDownInBounds(bounds, inFirstCell());
    canvas.reset();
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_TRUE(undo.groupsByEvent());
}

TEST_F(CanvasDelegateTest, DeleteWithNothingSelectedStillRecordsAStep)
{
    EXPECT_FALSE(canvas->removeSelectedPictureOrTextFromDrawingView());
    EXPECT_EQ(hooked.reloads, 1);
    EXPECT_EQ(hooked.spinnerStarts, 1);
    endEvent();
    EXPECT_EQ(undoSteps(), 1);
}

TEST_F(CanvasDelegateTest, ClickBesideTheCanvasDeselects)
{
    canvas->mouseDownInBounds(bounds, inFirstCell());
    canvas->mouseUpInBounds(bounds, inFirstCell());
    ASSERT_EQ(c->collage()->selectedImagePosition(), 0);
    canvas->mouseDownInOuterView();
    EXPECT_LT(c->collage()->selectedImagePosition(), 0);
}

TEST_F(CanvasDelegateTest, LiveResizeDrawsFastUntilItEnds)
{
    canvas->drawingViewWillStartLiveResize();
    EXPECT_TRUE(c->collage()->drawFast());
    canvas->drawingViewDidEndLiveResize();
    EXPECT_FALSE(c->collage()->drawFast());
    EXPECT_EQ(hooked.spinnerStarts, 1);
    EXPECT_EQ(hooked.redraws, 1);
}

TEST_F(CanvasDelegateTest, DrawingFillsTheCanvasAndStopsTheSpinner)
{
    QImage image(static_cast<int>(bounds.width()), static_cast<int>(bounds.height()), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        GraphicsContext context(image, bounds);
        canvas->drawOnCurrentContextInBounds(context, bounds);
    }
    EXPECT_EQ(hooked.spinnerStops, 1);
    // The background reaches the corners: drawn at the canvas size, not the collage's.
    EXPECT_GT(qAlpha(image.pixel(1, 1)), 0);
    EXPECT_GT(qAlpha(image.pixel(image.width() - 2, image.height() - 2)), 0);
}

} // namespace

TEST_F(CanvasDelegateTest, PressingATextItemDragsItAndFocusesTheEditorOnRelease)
{
    auto item = std::make_shared<TextPosition>();
    item->setContent(QStringLiteral("Summer"));
    item->setCenter(QPointF(0.5, 0.5));
    c->collage()->textPositions().append(item);
    MouseEvent at{QPointF(bounds.width() / 2, bounds.height() / 2), 1, Qt::NoModifier};

    canvas->mouseDownInBounds(bounds, at);
    EXPECT_EQ(c->collage()->selectedTextPosition(), 0);
    EXPECT_EQ(hooked.tabs, QList<int>{2});
    EXPECT_EQ(hooked.focus, 0) << "taking the focus now would end the drag";
    at.location += QPointF(bounds.width() / 10, 0);
    canvas->mouseDraggedInBounds(bounds, at);
    canvas->mouseUpInBounds(bounds, at);
    EXPECT_NEAR(item->center().x(), 0.6, 1e-9);
    EXPECT_EQ(hooked.focus, 1);
}

TEST_F(CanvasDelegateTest, AFrameDrawnQuicklyWhileTheSpacingChangesAsksToBeDrawnAgain)
{
    QImage image(static_cast<int>(bounds.width()), static_cast<int>(bounds.height()), QImage::Format_ARGB32_Premultiplied);
    const auto frame = [&] {
        GraphicsContext context(image, bounds);
        return canvas->drawOnCurrentContextInBounds(context, bounds);
    };
    EXPECT_FALSE(frame());
    EXPECT_FALSE(frame());
    const double spacing = c->collage()->spacing();
    c->collage()->setSpacing(spacing * 1.5 + 0.01);
    frame(); // the first change after rest is drawn exactly
    c->collage()->setSpacing(spacing * 2 + 0.02);
    EXPECT_TRUE(frame());
    EXPECT_FALSE(frame()) << "the frame after the change stops is exact";
}
