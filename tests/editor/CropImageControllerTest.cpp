#include "editor/CropImageController.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace qf;

namespace {

void expectRect(const QRectF& got, const QRectF& want, const char* what)
{
    EXPECT_NEAR(got.x(), want.x(), 0.01) << what;
    EXPECT_NEAR(got.y(), want.y(), 0.01) << what;
    EXPECT_NEAR(got.width(), want.width(), 0.01) << what;
    EXPECT_NEAR(got.height(), want.height(), 0.01) << what;
}

} // namespace

TEST(CropImageController, FitsThePictureAndCentresTheStartingFrame)
{
    struct Row {
        QSizeF image;
        std::optional<double> ratio;
        QRectF picture;
        QPointF origin;
        QRectF frame;
        double wh, cx, cy, l;
    };
    const Row rows[] = {
        // Wide picture, square slot: the centred square.
        {{600, 400}, 1.0, {0, 0, 400, 266.67}, {3, 69.67}, {66.67, 0, 266.67, 266.67}, 1.0, 0.5, 0.5, 0.6667},
        // Tall picture, no ratio: the whole picture.
        {{400, 600}, std::nullopt, {0, 0, 266.67, 400}, {69.67, 3}, {0, 0, 266.67, 400}, 2.0 / 3, 0.5, 0.5, 1.0},
        // Wide slot on a wide picture: full width, centred band.
        {{600, 400}, 3.0, {0, 0, 400, 266.67}, {3, 69.67}, {0, 66.67, 400, 133.33}, 3.0, 0.5, 0.5, 1.0},
    };
    for (const Row& row : rows) {
        CropImageController crop;
        ASSERT_TRUE(crop.start(row.image, row.ratio, std::nullopt, false, -1));
        EXPECT_FALSE(crop.isLaidOut());
        crop.layOut({406, 406});
        expectRect(crop.drawInRect(), row.picture, "picture");
        EXPECT_NEAR(crop.origin().x(), row.origin.x(), 0.01);
        EXPECT_NEAR(crop.origin().y(), row.origin.y(), 0.01);
        expectRect(crop.frame(), row.frame, "frame");
        const CropResult result = crop.result();
        EXPECT_NEAR(result.widthToHeight, row.wh, 1e-9);
        EXPECT_NEAR(result.crop.cx(), row.cx, 1e-4);
        EXPECT_NEAR(result.crop.cy(), row.cy, 1e-4);
        EXPECT_NEAR(result.crop.l(), row.l, 1e-4);
    }
}

TEST(CropImageController, StartsFromTheCropWindowAndLaysOutOncePerStart)
{
    CropImageController crop;
    ASSERT_TRUE(crop.start({600, 400}, 1.0, PanZoomPos(0.25, 0.5, 0.25), true, 0));
    crop.layOut({406, 406});
    expectRect(crop.frame(), {50, 83.33, 100, 100}, "window's part");
    crop.layOut({806, 806}); // laid out already
    EXPECT_NEAR(crop.drawInRect().width(), 400, 1e-9);
    ASSERT_TRUE(crop.start({600, 400}, 1.0, std::nullopt, true, 0));
    EXPECT_FALSE(crop.isLaidOut());
}

TEST(CropImageController, AFixedAspectWithoutARatioDoesNotStart)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        std::optional<double> ratio;
        bool constrain;
        bool starts;
    };
    const Row rows[] = {{std::nullopt, true, false}, {0.0, true, false}, {nan, true, false},
                        {-1.0, true, false},         {nan, false, true}, {1.5, true, true}};
    for (const Row& row : rows) {
        CropImageController crop;
        EXPECT_EQ(crop.start({600, 400}, row.ratio, std::nullopt, row.constrain, 0), row.starts);
    }
    CropImageController crop;
    EXPECT_FALSE(crop.start({}, 1.0, std::nullopt, false, -1)) << "no picture";
}

TEST(CropImageController, RatioLabelAndRemoveCropFollowShapeAndLock)
{
    struct Row {
        qint64 shape;
        bool constrain;
        QString label;
        bool removable;
    };
    const Row rows[] = {
        {-1, false, QStringLiteral("Width/Height: 1.50"), true},
        {-1, true, QString(), false},
        {0, true, QString(), false},
        {5, false, QStringLiteral("Width/Height: 1.50"), false},
    };
    for (const Row& row : rows) {
        CropImageController crop;
        ASSERT_TRUE(crop.start({600, 400}, 1.5, std::nullopt, row.constrain, row.shape));
        EXPECT_EQ(crop.displayWtoH(), QString()) << "nothing before the layout";
        crop.layOut({606, 406});
        EXPECT_EQ(crop.displayWtoH(), row.label) << row.shape;
        EXPECT_EQ(crop.offersRemoveCrop(), row.removable) << row.shape;
    }
}

TEST(CropImageController, DragsMoveAndResizeTheFrameWithinThePicture)
{
    using H = CropImageController::Handle;
    struct Row {
        const char* what;
        QRectF frame;
        std::optional<double> fixedRatio; // the aspect is fixed when given
        QPointF press;
        H handle;
        QPointF delta;
        bool shift;
        QRectF expected; // the frame unchanged when the step is refused
    };
    const QRectF f(50, 50, 200, 100);
    const Row rows[] = {
        {"right edge, Shift keeps the bottom", f, {}, {250, 100}, H::RightEdge, {20, 0}, true, {50, 50, 220, 110}},
        {"right edge, free", f, {}, {250, 100}, H::RightEdge, {20, 0}, false, {50, 50, 220, 100}},
        {"left edge, Shift keeps the top", f, {}, {50, 100}, H::LeftEdge, {-20, 0}, true, {30, 40, 220, 110}},
        {"top edge, free", f, {}, {150, 150}, H::TopEdge, {0, 10}, false, {50, 50, 200, 110}},
        {"top edge, fixed keeps the left", f, 2.0, {150, 150}, H::TopEdge, {0, 10}, false, {50, 50, 220, 110}},
        {"bottom edge, fixed keeps the right", f, 2.0, {150, 50}, H::BottomEdge, {0, -10}, false,
         {30, 40, 220, 110}},
        {"move", f, {}, {150, 100}, H::WholeFrame, {10, 10}, false, {60, 60, 200, 100}},
        {"move to the edge", f, {}, {150, 100}, H::WholeFrame, {-50, -50}, false, {0, 0, 200, 100}},
        {"move past the left edge", f, {}, {150, 100}, H::WholeFrame, {-60, 0}, false, f},
        {"move past the top", f, {}, {150, 100}, H::WholeFrame, {0, 300}, false, f},
        {"20 wide is refused", {50, 50, 40, 100}, {}, {90, 100}, H::RightEdge, {-20, 0}, false, {50, 50, 40, 100}},
        {"20.5 wide is taken", {50, 50, 40, 100}, {}, {90, 100}, H::RightEdge, {-19.5, 0}, false,
         {50, 50, 20.5, 100}},
        {"outside the frame", f, {}, {400, 300}, H::NoHandle, {10, 10}, false, f},
        {"just off an edge", f, {}, {150, 155}, H::NoHandle, {0, 10}, false, f},
    };
    for (const Row& row : rows) {
        CropImageController crop;
        ASSERT_TRUE(crop.start({600, 400}, row.fixedRatio, std::nullopt, row.fixedRatio.has_value(), -1));
        crop.layOut({606, 406}); // the picture drawn at 600 x 400
        ASSERT_EQ(crop.drawInRect(), QRectF(0, 0, 600, 400));
        crop.setFrame(row.frame);
        EXPECT_EQ(crop.mouseDown(row.press), row.handle) << row.what;
        crop.mouseDragged(row.press + row.delta, row.shift);
        expectRect(crop.frame(), row.expected, row.what);
        crop.mouseUp(row.press + row.delta);
        EXPECT_EQ(crop.handle(), H::NoHandle);
    }
}

TEST(CropImageController, ARefusedStepIsLostNotSlid)
{
    CropImageController crop;
    ASSERT_TRUE(crop.start({600, 400}, std::nullopt, std::nullopt, false, -1));
    crop.layOut({606, 406});
    crop.setFrame({10, 10, 100, 100});
    crop.mouseDown({60, 60});
    EXPECT_FALSE(crop.mouseDragged({40, 70}, false)); // x would be -10
    EXPECT_TRUE(crop.mouseDragged({45, 75}, false)); // from the refused point on
    expectRect(crop.frame(), {15, 15, 100, 100}, "after the lost step");
}

TEST(CropImageController, ViewPointsBecomeSheetPoints)
{
    CropImageController crop;
    ASSERT_TRUE(crop.start({600, 400}, 1.0, std::nullopt, true, 0));
    crop.layOut({406, 406});
    const QPointF bottomLeft = crop.sheetPoint({3, 406 - 69.6667}, 406);
    EXPECT_NEAR(bottomLeft.x(), 0, 1e-3);
    EXPECT_NEAR(bottomLeft.y(), 0, 1e-3);
    const QPointF topRight = crop.sheetPoint({403, 69.6667}, 406);
    EXPECT_NEAR(topRight.x(), 400, 1e-3);
    EXPECT_NEAR(topRight.y(), 266.667, 1e-3);
}
