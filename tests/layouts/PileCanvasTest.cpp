#include "layouts/pile/AdvancedShapePileCollage.h"
#include "layouts/pile/RegularPileCollage.h"

#include "model/FakeCollage.h"
#include "model/UtilityFunctions.h"
#include "platform/events/CursorStack.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace qf;
using namespace qf::test;

namespace {

constexpr double kW = 1200;
constexpr double kH = 900;

// A pile on a green canvas; pictures are solid colours, placed by hand.
class PileCanvasTest : public ::testing::Test {
protected:
    PileCanvasTest()
    {
        pile.setMyWindowController(&host);
        pile.setWidth(1200);
        pile.setHeight(900);
        pile.setDrawShadow(false);
        pile.setSpacing(0);
        pile.setBackgroundColor(Color{0.0, 1.0, 0.0, 1.0});
    }
    void place(const QString& picture, QPointF centre, double scale, QColor colour = Qt::red, double rotation = 0)
    {
        pile.picturePositions().append(std::make_shared<PilePosition>(picture, centre, rotation, scale, -1));
        if (!picture.isEmpty()) {
            host.store.insert(picture, FakeHost::solidImage(300, 200, colour));
            pile.setImages(pile.images() + QStringList{picture});
        }
    }
    QImage draw(bool actual)
    {
        QImage out = GraphicsContext::newBitmap(QSize(int(kW), int(kH)));
        GraphicsContext context(out);
        pile.drawYourselfOnCurrentContextInWidth(context, kW, kH, actual);
        return out;
    }
    static QColor at(const QImage& image, QPointF yUp)
    {
        return image.pixelColor(int(yUp.x()), image.height() - 1 - int(yUp.y()));
    }
    static QPointF centreOf(QPointF fraction) { return QPointF(fraction.x() * kW, fraction.y() * kH); }
    void press(QPointF p, int clicks = 1, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        pile.mouseDownAt(p, kW, kH, MouseEvent{p, clicks, mods});
    }
    void drag(QPointF p) { pile.mouseDraggedAt(p, kW, kH, MouseEvent{p, 1, Qt::NoModifier}); }
    void release(QPointF p, int clicks = 1) { pile.mouseUpAt(p, kW, kH, MouseEvent{p, clicks, Qt::NoModifier}); }
    QStringList order() const
    {
        QStringList pictures;
        for (const PositionPtr& slot : pile.picturePositions())
            pictures.append(slot->picture());
        return pictures;
    }

    FakeHost host;
    RegularPileCollage pile;
};

} // namespace

TEST_F(PileCanvasTest, PressesSelectToggleAndIgnoreDoubleClicks)
{
    place("a", QPointF(0.3, 0.5), 0.25);
    place("b", QPointF(0.4, 0.5), 0.25);
    const QPointF overlap = centreOf(QPointF(0.35, 0.5));
    const int cursors = CursorStack::shared().depth();

    press(overlap);
    release(overlap);
    EXPECT_EQ(pile.selectedImagePosition(), 1) << "the topmost";
    EXPECT_EQ(CursorStack::shared().depth(), cursors) << "cursor pushes and pops balance";

    press(centreOf(QPointF(0.2, 0.5)), 2);
    release(centreOf(QPointF(0.2, 0.5)), 2);
    EXPECT_EQ(pile.selectedImagePosition(), 1) << "a double click selects nothing new";

    press(centreOf(QPointF(0.2, 0.5)), 1, Qt::ControlModifier);
    release(centreOf(QPointF(0.2, 0.5)));
    EXPECT_EQ(pile.selectedImagePosition(), 0) << "command-click on another picture selects it";
    press(centreOf(QPointF(0.2, 0.5)), 1, Qt::ControlModifier);
    release(centreOf(QPointF(0.2, 0.5)));
    EXPECT_EQ(pile.selectedImagePosition(), -1) << "command-click on the selected one deselects";

    press(centreOf(QPointF(0.9, 0.9)));
    release(centreOf(QPointF(0.9, 0.9)));
    EXPECT_EQ(pile.selectedImagePosition(), -1);
    EXPECT_EQ(CursorStack::shared().depth(), cursors);
}

TEST_F(PileCanvasTest, HandlesSitBesideThePictureAndTurnAndScaleIt)
{
    place("a", QPointF(0.5, 0.5), 0.3);
    place("b", QPointF(0.62, 0.5), 0.3); // lies under the handles of a
    pile.setSelectedImagePosition(0);
    pile.setInitialPositionOfHoldersAsPerSelectedPicture(kW, kH);
    const QPointF centre = centreOf(QPointF(0.5, 0.5));
    EXPECT_GT(pile.positionOfScaleHolder().x(), centre.x());

    // Scaling: the handle wins over the picture under it.
    const QPointF handle = pile.positionOfScaleHolder() + QPointF(4, 4);
    press(handle);
    drag(handle + (handle - centre)); // twice as far from the centre
    release(handle + (handle - centre));
    EXPECT_EQ(pile.selectedImagePosition(), 0);
    EXPECT_NEAR(pile.pileSlot(0)->scale(), 0.6, 1e-9);
    EXPECT_EQ(pile.handleBeingHeld(), HeldHandleNone);

    // Turning by the pointer: whole degrees, upright within 0.8 degrees.
    const QPointF rotate = pile.positionOfRotateHolder() + QPointF(4, 4);
    press(rotate);
    const double radius = std::hypot(rotate.x() - centre.x(), rotate.y() - centre.y());
    const double start = std::atan2(rotate.x() - centre.x(), rotate.y() - centre.y());
    const auto towards = [&](double degrees) {
        const double a = start - degrees * std::numbers::pi / 180;
        return centre + QPointF(radius * std::sin(a), radius * std::cos(a));
    };
    drag(towards(30.6));
    EXPECT_EQ(pile.constrainedToDegree(), 30);
    EXPECT_NEAR(pile.pileSlot(0)->rotation(), 30 * std::numbers::pi / 180, 1e-12);
    drag(towards(-0.5));
    EXPECT_TRUE(pile.constraining());
    EXPECT_EQ(pile.pileSlot(0)->rotation(), 0.0);
    release(towards(-0.5));

    // Near the right edge the handles go to the left.
    pile.pileSlot(0)->setCenter(QPointF((kW - 100) / kW, 0.5));
    pile.setInitialPositionOfHoldersAsPerSelectedPicture(kW, kH);
    EXPECT_LT(pile.positionOfScaleHolder().x(), kW - 100);
    EXPECT_LT(pile.positionOfRotateHolder().x(), pile.positionOfScaleHolder().x());
}

TEST_F(PileCanvasTest, ConstrainToDegreeSnapsNearUpright)
{
    const struct {
        double radians;
        qint64 degrees;
    } rows[] = {{0.01, 0},
                {-5.3 * std::numbers::pi / 180, 354},
                {6.27, 0},
                {1.0, 57},
                {-2 * std::numbers::pi - 0.5, 331},
                {std::nan(""), 0}};
    for (const auto& row : rows)
        EXPECT_EQ(pile.constrainToDegree(row.radians), row.degrees) << row.radians;
}

TEST_F(PileCanvasTest, DraggingMovesInCanvasAxesWhateverTheTilt)
{
    place("a", QPointF(0.5, 0.5), 0.3, Qt::red, std::numbers::pi / 2);
    const QPointF start = centreOf(QPointF(0.5, 0.5));
    press(start);
    drag(start + QPointF(120, 0));
    drag(start + QPointF(120, 90));
    release(start + QPointF(120, 90));
    EXPECT_NEAR(pile.pileSlot(0)->center().x(), 0.6, 1e-12);
    EXPECT_NEAR(pile.pileSlot(0)->center().y(), 0.6, 1e-12);
}

TEST_F(PileCanvasTest, PickButtonsAnswerOnlyWhenNothingCoversThem)
{
    place("", QPointF(0.5, 0.5), 0.4);
    const QPointF button = centreOf(QPointF(0.5, 0.5));
    press(button);
    release(button);
    EXPECT_EQ(host.pickRequests, QList<qint64>{0});

    place("cover", QPointF(0.5, 0.5), 0.1);
    press(button);
    release(button);
    EXPECT_EQ(host.pickRequests, QList<qint64>{0}) << "a picture lies over the button";
}

TEST_F(PileCanvasTest, CommandsOnTheSelectedPicture)
{
    place("a", QPointF(0.2, 0.5), 0.2);
    place("b", QPointF(0.5, 0.5), 0.2);
    place("", QPointF(0.8, 0.5), 0.2);

    pile.setSelectedImagePosition(0);
    pile.moveSelectedUp();
    EXPECT_EQ(order(), (QStringList{"b", "", "a"}));
    EXPECT_EQ(pile.selectedImagePosition(), 2);
    pile.moveSelectedUp();
    EXPECT_EQ(order(), (QStringList{"b", "", "a"})) << "the front one stays";
    pile.moveSelectedDown();
    EXPECT_EQ(order(), (QStringList{"a", "b", ""}));
    EXPECT_EQ(pile.selectedImagePosition(), 0);

    PilePosition& a = *pile.pileSlot(0);
    pile.rotateSelectedAntiClockwise();
    pile.increaseSelectedInSize();
    EXPECT_TRUE(pile.moveSelectedPositionRight());
    EXPECT_TRUE(pile.moveSelectedPositionUp());
    EXPECT_NEAR(a.rotation(), std::numbers::pi / 180, 1e-15);
    EXPECT_NEAR(a.scale(), 0.204, 1e-12);
    EXPECT_NEAR(a.center().x(), 0.202, 1e-12);
    EXPECT_NEAR(a.center().y(), 0.502, 1e-12);
    pile.rotateSelectedClockwise();
    pile.decreaseSelectedInSize();
    EXPECT_NEAR(a.rotation(), 0, 1e-15);
    EXPECT_NEAR(a.scale(), 0.204 * 0.98, 1e-12);

    // Emptied, a photo keeps its proportions as a placeholder.
    pile.makeSelectedEmpty();
    EXPECT_TRUE(a.isEmpty());
    EXPECT_EQ(a.widthToHeight(), std::optional<double>(1.5));
    EXPECT_EQ(pile.images(), QStringList{"b"});
    pile.cropSelectedTo(2.0, PanZoomPos(0.5, 0.5, 0.5));
    EXPECT_FALSE(a.panZoomValue()) << "a placeholder keeps no crop";

    // Removing a placeholder takes only its slot, and says so.
    EXPECT_TRUE(pile.removeSelectedPicture());
    EXPECT_EQ(order(), (QStringList{"b", ""}));
    pile.setSelectedImagePosition(0);
    EXPECT_TRUE(pile.removeSelectedPicture());
    EXPECT_EQ(order(), QStringList{""});
    EXPECT_TRUE(pile.images().isEmpty());
    EXPECT_FALSE(pile.removeSelectedPicture()) << "nothing selected";
}

TEST_F(PileCanvasTest, PicturesAboveTheDraggedOneFadeOnScreenOnly)
{
    place("a", QPointF(0.2, 0.5), 0.15, Qt::red);
    place("b", QPointF(0.5, 0.5), 0.15, Qt::blue);
    place("c", QPointF(0.8, 0.5), 0.15, Qt::blue);
    pile.setSelectedImagePosition(0);
    pile.setDragging(true);
    const auto faded = [](QColor c) {
        return QColor::fromRgbF(0.65f * c.redF(), 0.65f * c.greenF() + 0.35f, 0.65f * c.blueF());
    };
    const auto near = [](QColor x, QColor y) {
        return std::abs(x.red() - y.red()) <= 3 && std::abs(x.green() - y.green()) <= 3
            && std::abs(x.blue() - y.blue()) <= 3;
    };
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "drawn fast" : "drawn fully");
        pile.setDrawFast(fast);
        const QImage screen = draw(false);
        EXPECT_EQ(at(screen, centreOf(QPointF(0.2, 0.45))), QColor(Qt::red)) << "the dragged one stays whole";
        EXPECT_TRUE(near(at(screen, centreOf(QPointF(0.5, 0.45))), faded(Qt::blue)));
        EXPECT_TRUE(near(at(screen, centreOf(QPointF(0.8, 0.45))), faded(Qt::blue)));
        EXPECT_EQ(at(draw(true), centreOf(QPointF(0.5, 0.45))), QColor(Qt::blue)) << "an export never fades";
    }
    pile.setSelectedImagePosition(2);
    EXPECT_EQ(at(draw(false), centreOf(QPointF(0.5, 0.45))), QColor(Qt::blue)) << "nothing lies above the last";
}

TEST_F(PileCanvasTest, FramesBordersAndShadowsInExports)
{
    place("a", QPointF(0.5, 0.5), 0.25, Qt::red); // 300 x 200 at (450, 350)
    const QPointF belowEdge(600, 350 - 10), rightEdge(750 + 10, 450);

    // No spacing: no border, no frame.
    EXPECT_EQ(at(draw(true), belowEdge), QColor(Qt::green));

    // An instant-camera print: white around the picture, deeper below.
    pile.setSpacing(0.02); // border 0.0016 x 1500 = 2.4
    pile.setBorderStyle(RegularPileCollage::BorderInstantCamera);
    const QImage framed = draw(true);
    EXPECT_EQ(at(framed, belowEdge), QColor(Qt::white));
    EXPECT_EQ(at(framed, QPointF(600, 350 - 60)), QColor(Qt::white)) << "the print's deep lower edge";
    EXPECT_EQ(at(framed, rightEdge), QColor(Qt::green)) << "only a thin border at the sides";

    // Turned a quarter, the picture still casts its shadow to the canvas's right.
    pile.setBorderStyle(RegularPileCollage::BorderNone);
    pile.setSpacing(0);
    pile.setDrawShadow(true);
    pile.setShadowX(1.0);
    pile.setShadowY(0.0);
    pile.setShadowBlur(0.2);
    pile.pileSlot(0)->setRotation(std::numbers::pi / 2); // now 200 wide, 300 tall
    const QImage shadowed = draw(true);
    const QColor right = at(shadowed, QPointF(700 + 8, 450));
    const QColor left = at(shadowed, QPointF(500 - 8, 450));
    EXPECT_LT(right.green(), 250) << "shadowed";
    EXPECT_EQ(left, QColor(Qt::green)) << "no shadow on the left";
}

TEST_F(PileCanvasTest, AnOpaquePictureInItsBorderLooksAsOneWithAlphaDoes)
{
    // A picture without alpha hides the inner half of its border's stroke,
    // so the border is filled out to the stroke's outer edge and the turned
    // picture drawn over it the fast way; a picture with alpha is stroked
    // and drawn by Qt. Both come out alike, shadows and all.
    pile.setSpacing(0.05); // a border of 0.05 x 1500 x 0.08 = 6 units
    pile.setDrawShadow(true);
    QImage opaque(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            opaque.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, (x * y) & 255));
    for (const double turn : {0.1, -0.07}) {
        pile.picturePositions().clear();
        pile.setImages({});
        place("a", QPointF(0.4, 0.45), 0.3, Qt::red, turn);
        place("b", QPointF(0.55, 0.5), 0.3, Qt::red, -turn);
        const auto drawnWith = [&](QImage::Format format) {
            host.store.insert("a", opaque.convertToFormat(format));
            host.store.insert("b", opaque.mirrored().convertToFormat(format));
            return draw(true);
        };
        const QImage fast = drawnWith(QImage::Format_RGB32);
        const QImage byQt = drawnWith(QImage::Format_ARGB32_Premultiplied);
        double squares = 0;
        int largest = 0;
        for (int y = 0; y < fast.height(); ++y)
            for (int x = 0; x < fast.width(); ++x) {
                const QRgb p = fast.pixel(x, y), q = byQt.pixel(x, y);
                for (int shift : {0, 8, 16, 24}) {
                    const int d = int((p >> shift) & 0xff) - int((q >> shift) & 0xff);
                    squares += d * d;
                    largest = std::max(largest, std::abs(d));
                }
            }
        const double psnr = squares > 0 ? 10 * std::log10(255.0 * 255 * 4 * fast.width() * fast.height() / squares) : 99;
        EXPECT_GE(psnr, 55) << turn;
        EXPECT_LE(largest, 24) << turn;
    }
}

TEST_F(PileCanvasTest, PickButtonIsTheUsualSizeCentredInThePlaceholder)
{
    const struct {
        QRectF picture, button;
    } rows[] = {
        {QRectF(0, 0, 50, 50), QRectF(10, 10, 30, 30)},
        {QRectF(-20.5, -20.5, 41, 41), QRectF(-15, -15, 30, 30)},
        {QRectF(-100, -60, 200, 120), QRectF(-15, -15, 30, 30)},
        {QRectF(0, 0, 40, 100), QRectF()}, // too narrow
    };
    for (const auto& row : rows)
        EXPECT_EQ(pile.getDrawRectImagePickerButton(row.picture), row.button) << row.picture.width();

    place("", QPointF(0.5, 0.5), 60 / kW);
    ASSERT_EQ(pile.pictureRectOf(*pile.pileSlot(0), kW, kH).size(), QSizeF(60, 60));
    const QPointF centre = centreOf(QPointF(0.5, 0.5));
    EXPECT_EQ(pile.ptLiesInPickPictureButton(centre + QPointF(10, -10), kW, kH), 0);
    EXPECT_EQ(pile.ptLiesInPickPictureButton(centre + QPointF(17, 0), kW, kH), -1) << "beside the button";
}

TEST(ShapePileCanvas, HeartBordersStayWithinHalfTheirWidthOfTheHeart)
{
    // A wide border: sharp joins would reach far out of the heart's point
    // and lobes.
    FakeHost host;
    AdvancedShapePileCollage pile;
    pile.setMyWindowController(&host);
    pile.setWidth(1200);
    pile.setHeight(900);
    pile.setDrawShadow(false);
    pile.setSpacing(0.1); // border 0.1 x 1500 x 0.08 = 12
    pile.setBackgroundColor(Color{0.0, 1.0, 0.0, 1.0});
    pile.setBorderColor(Color{0.0, 0.0, 0.0, 1.0});
    host.store.insert("h", FakeHost::solidImage(300, 300));
    pile.setImages({"h"});
    const double reach = 2.01 * 12 / 2 + 2; // the stroke's half width, and antialiasing

    for (const double turn : {0.0, 0.5}) {
        SCOPED_TRACE(turn);
        pile.picturePositions() = {std::make_shared<PilePosition>("h", QPointF(0.5, 0.5), turn, 0.4, 5)};
        const PilePosition& slot = *pile.pileSlot(0);
        const QPainterPath heart = PileCollage::slotTransform(slot, kW, kH)
                                       .map(UtilityFunctions::getPictureEnclosingPathForDrawingRect(
                                           pile.pictureRectOf(slot, kW, kH), 5));
        const QRectF allowed = heart.boundingRect().adjusted(-reach, -reach, reach, reach);
        QImage out = GraphicsContext::newBitmap(QSize(int(kW), int(kH)));
        {
            GraphicsContext context(out);
            pile.drawYourselfOnCurrentContextInWidth(context, kW, kH, true);
        }
        int outside = 0, border = 0;
        for (int row = 0; row < out.height(); ++row) {
            for (int x = 0; x < out.width(); ++x) {
                const QColor colour = out.pixelColor(x, row);
                if (colour == QColor(Qt::black))
                    ++border;
                if (colour != QColor(Qt::green) && !allowed.contains(QPointF(x + 0.5, out.height() - 0.5 - row)))
                    ++outside;
            }
        }
        EXPECT_GT(border, 1000) << "the border is drawn";
        EXPECT_EQ(outside, 0);
    }
}
