#include "model/PanZoomPos.h"
#include "model/Position.h"

#include <gtest/gtest.h>

#include <QJsonArray>

#include <cmath>

using namespace qf;

namespace {

const QSizeF kLandscape(400, 300);
const QSizeF kPortrait(300, 400);

// Reads into a slot whose every field was set, so that absent keys must reset.
Position readSlot(const QJsonObject& o)
{
    Position p("stale");
    p.setPanZoomValue(PanZoomPos(0.1, 0.1, 0.1));
    p.setPreferredToFill(true);
    p.setHideImagePicker(true);
    p.setMyPropertiesFrom(o);
    return p;
}

struct FramedPosition : Position {
    void addMyPropertiesTo(QJsonObject& dict) const override
    {
        Position::addMyPropertiesTo(dict);
        dict.insert("frame", 3);
    }
};

} // namespace

TEST(PanZoomPosTest, AspectFillAndOverflowRepair)
{
    EXPECT_EQ(PanZoomPos::getInitial(kLandscape, 100, 100), PanZoomPos(0.5, 0.5, 0.75));
    EXPECT_EQ(PanZoomPos::getInitial(kPortrait, 100, 100), PanZoomPos(0.5, 0.5, 1.0));

    PanZoomPos pz(0.9, 0.5, 0.5);
    EXPECT_NEAR(pz.getLinYDir(kLandscape, 100, 100), 2.0 / 3.0, 1e-12);
    EXPECT_TRUE(pz.isOverflowing(kLandscape, 100, 100));
    EXPECT_TRUE(pz.fixToNotOverflow(kLandscape, 100, 100));
    EXPECT_NEAR(pz.cx(), 18.5 / 21, 1e-12);
    EXPECT_EQ(pz.cy(), 0.5);
    EXPECT_NEAR(pz.l(), 0.238095, 1e-6);
    EXPECT_FALSE(pz.isOverflowing(kLandscape, 100, 100));

    // Here the height limits the window: the centre moves up, not sideways.
    PanZoomPos tall(0.5, 0.9, 1.0);
    EXPECT_TRUE(tall.fixToNotOverflow(kPortrait, 100, 100));
    EXPECT_EQ(tall.cx(), 0.5);
    EXPECT_NEAR(tall.cy(), 18.5 / 21, 1e-12);
    EXPECT_NEAR(tall.getLinYDir(kPortrait, 100, 100), 2 * (1 - 18.5 / 21), 1e-12);

    PanZoomPos fits(0.5, 0.5, 1.0);
    EXPECT_DOUBLE_EQ(fits.getLinYDir(kPortrait, 100, 100), 0.75);
    EXPECT_FALSE(fits.fixToNotOverflow(kPortrait, 100, 100));
    EXPECT_EQ(fits, PanZoomPos(0.5, 0.5, 1.0));

    // Pushed against an edge: creeps back at most 1/21 of the way a call.
    PanZoomPos pushed(0.99, 0.5, 0.9);
    for (int i = 0; i < 5; ++i) {
        const double before = pushed.cx();
        pushed.fixToNotOverflow(kLandscape, 100, 100);
        EXPECT_LE(before - pushed.cx(), (before - 0.5) / 21 + 1e-15);
    }
    EXPECT_FALSE(pushed.isOverflowing(kLandscape, 100, 100));
}

TEST(PanZoomPosTest, UncomputedAndDegenerateWindows)
{
    PanZoomPos uncomputed(0.5, 0.5, -1.0);
    EXPECT_FALSE(uncomputed.fixToNotOverflow(kLandscape, 100, 100));
    EXPECT_EQ(uncomputed, PanZoomPos(0.5, 0.5, 0.75));
    PanZoomPos nearEdge(0.8, 0.5, -1.0);
    EXPECT_TRUE(nearEdge.fixToNotOverflow(kLandscape, 100, 100));
    EXPECT_FALSE(nearEdge.isOverflowing(kLandscape, 100, 100));

    // A centre on a corner still gets a window with a size.
    PanZoomPos corner(0.0, 0.0, 0.5);
    EXPECT_TRUE(corner.fixToNotOverflow(kLandscape, 100, 100));
    EXPECT_GT(corner.l(), 0.0);

    EXPECT_EQ(PanZoomPos::getInitial(QSizeF(0, 300), 100, 100), PanZoomPos());
    EXPECT_EQ(PanZoomPos::getInitial(kLandscape, qQNaN(), 100), PanZoomPos());
    PanZoomPos untouched(0.9, 0.5, -1.0);
    EXPECT_FALSE(untouched.fixToNotOverflow(QSizeF(0, 0), 100, 100));
    EXPECT_FALSE(untouched.fixToNotOverflow(kLandscape, 100, qInf()));
    untouched.translate(kLandscape, 0, 100, 5, 5);
    untouched.translate(kLandscape, 100, 100, qQNaN(), 5);
    EXPECT_EQ(untouched, PanZoomPos(0.9, 0.5, -1.0));
    EXPECT_EQ(untouched.getLinYDir(QSizeF(400, 0), 100, 100), 1.0);

    // Extreme but valid sizes leave no infinity or NaN behind.
    PanZoomPos extreme(0.9, 0.9, -1.0);
    extreme.fixToNotOverflow(QSizeF(1e-300, 1e300), 1e300, 1e-300);
    extreme.translate(QSizeF(1e-300, 1e300), 1e300, 1e-300, 1e300, -1e300);
    EXPECT_TRUE(std::isfinite(extreme.cx() + extreme.cy() + extreme.l()));
}

TEST(PanZoomPosTest, PanningStaysInsideTheImage)
{
    PanZoomPos pz(0.5, 0.5, 0.5);
    pz.translate(kLandscape, 100, 100, 10, 0);
    EXPECT_DOUBLE_EQ(pz.cx(), 0.45); // against the drag
    pz.translate(kLandscape, 100, 100, 1e6, 0);
    EXPECT_DOUBLE_EQ(pz.cx(), 0.25);
    pz.translate(kLandscape, 100, 100, -1e6, 0);
    EXPECT_DOUBLE_EQ(pz.cx(), 0.75);
    pz.translate(kLandscape, 100, 100, 0, 1e6);
    EXPECT_NEAR(pz.cy(), 1.0 / 3.0, 1e-12); // lY = 2/3

    PanZoomPos wide(0.5, 0.5, 1.2); // wider than the image: the lower clamp wins
    wide.translate(kLandscape, 100, 100, 50, 0);
    EXPECT_DOUBLE_EQ(wide.cx(), 0.6);
}

TEST(PositionTest, SlotJsonRoundTrip)
{
    EXPECT_TRUE(Position(QString("")).isEmpty());
    EXPECT_FALSE(Position("ABC").isEmpty());

    const Position empty;
    const QJsonObject written = empty.getJsonDictionary();
    EXPECT_EQ(written, (QJsonObject{{"ppptofill", false}, {"ppphidepicker", false}, {"psipk", "psipkv"}}));
    const Position back = readSlot(written);
    EXPECT_TRUE(back.isEmpty());
    EXPECT_FALSE(back.panZoomValue());
    EXPECT_FALSE(back.preferredToFill() || back.hideImagePicker());

    Position full("0CC175B9C0F1B6A831C399E269772661");
    full.setPanZoomValue(PanZoomPos(0.25, 0.75, 0.5));
    full.setPreferredToFill(true);
    full.setHideImagePicker(true);
    const Position copy = readSlot(full.getJsonDictionary());
    EXPECT_EQ(copy.picture(), full.picture());
    EXPECT_EQ(copy.panZoomValue(), full.panZoomValue());
    EXPECT_TRUE(copy.preferredToFill() && copy.hideImagePicker());

    // A stale crop window in a reused object goes; derived keys come through.
    QJsonObject reused{{"panz", QJsonObject{{"panzl", 0.5}}}};
    empty.addMyPropertiesTo(reused);
    EXPECT_FALSE(reused.contains("panz"));
    EXPECT_EQ(FramedPosition().getJsonDictionary().value("frame"), 3);
}

TEST(PositionTest, MalformedSlotObjectsReadSafely)
{
    EXPECT_TRUE(readSlot({{"pppath", 12}}).isEmpty());
    EXPECT_FALSE(readSlot({{"ppptofill", "yes"}}).preferredToFill());

    const auto window = [](const QJsonValue& panz) { return readSlot({{"panz", panz}}).panZoomValue(); };
    EXPECT_FALSE(window(QJsonValue::Null));
    EXPECT_FALSE(window(QJsonArray{0.5, 0.5, 0.5}));
    EXPECT_FALSE(window(QJsonObject{{"panzcx", 0.5}, {"panzcy", 0.5}}));
    EXPECT_FALSE(window(QJsonObject{{"panzcx", 0.5}, {"panzcy", 0.5}, {"panzl", 0.0}}));
    EXPECT_FALSE(window(QJsonObject{{"panzcx", 0.5}, {"panzcy", 0.5}, {"panzl", -1.0}}));
    EXPECT_FALSE(window(QJsonObject{{"panzcx", 0.5}, {"panzcy", 0.5}, {"panzl", qQNaN()}}));
    EXPECT_FALSE(window(QJsonObject{{"panzcx", 0.5}, {"panzcy", 0.5}, {"panzl", "0.5"}}));

    EXPECT_EQ(window(QJsonObject{{"panzcx", 5.0}, {"panzcy", -3.0}, {"panzl", 4.0}}), PanZoomPos(1.0, 0.0, 1.0));
    EXPECT_EQ(window(QJsonObject{{"panzcx", qInf()}, {"panzcy", true}, {"panzl", 0.3}}), PanZoomPos(0.0, 0.0, 0.3));
    EXPECT_EQ(window(QJsonObject{{"panzcx", 0.4}, {"panzcy", 0.6}, {"panzl", 0.3}}), PanZoomPos(0.4, 0.6, 0.3));
}
