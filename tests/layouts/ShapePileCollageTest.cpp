#include "layouts/pile/AdvancedShapePileCollage.h"

#include "model/FakeCollage.h"
#include "platform/keyvalue/KVObject.h"
#include "platform/random/RandomSource.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace qf;
using namespace qf::test;

namespace qf {
void PrintTo(const CircleSpreadHelperPos& c, std::ostream* os)
{
    *os << "(" << c.cx << ", " << c.cy << " size " << c.size << ")";
}
} // namespace qf

namespace {

// The model alone: drawing and the mouse are not under test here.
template <class Pile>
class ShapeModelOnly : public Pile {
public:
    void drawYourPicturePatternOnCurrentContextInWidth(GraphicsContext&, double, double, bool) override {}
    void mouseDownAtPictureLayer(QPointF, double, double, const MouseEvent&) override {}
    void mouseDraggedAtPictureLayer(QPointF, double, double, const MouseEvent&) override {}
    void mouseUpAtPictureLayer(QPointF, double, double, const MouseEvent&) override {}
    bool removeSelectedPicture() override { return false; }
};

class ShapePileTest : public ::testing::Test {
protected:
    ShapePileTest()
    {
        pile.setMyWindowController(&host);
        pile.setWidth(4000);
        pile.setHeight(3000);
    }
    PilePosition& place(const QString& picture, qint64 shape)
    {
        pile.picturePositions().append(std::make_shared<PilePosition>(picture, QPointF(0.5, 0.5), 0, 0.3, shape));
        if (!picture.isEmpty()) {
            host.store.insert(picture, FakeHost::solidImage(300, 200));
            pile.setImages(pile.images() + QStringList{picture});
        }
        return *pile.pileSlot(pile.picturePositions().size() - 1);
    }
    FakeHost host;
    ShapeModelOnly<AdvancedShapePileCollage> pile;
};

} // namespace

TEST(ShapePileSplit, CellsFollowTheRandomHalves)
{
    // randomFrom0to1 is the low six bits over 64; a quarter of 1 x 0.75 holds a cell of 0.85 x 0.375.
    const double q = 0.85 * 0.375;
    const struct {
        const char* name;
        double h;
        qint64 n;
        std::vector<quint32> script;
        QList<CircleSpreadHelperPos> cells;
    } rows[] = {
        {"none", 0.75, -4, {}, {}},
        {"two: left and right", 0.75, 2, {0, 32, 63}, {{0.25, 0.375, 0.425}, {0.75, 0.25 + 0.25 * 63 / 64, 0.425}}},
        {"a square splits across its width", 1, 2, {0, 0, 0}, {{0.25, 0.25, 0.425}, {0.75, 0.25, 0.425}}},
        {"three, one on the left", 0.75, 3, {0, 16, 0, 0, 32}, {{0.25, 0.3125, 0.425}, {0.6875, 0.1875, q}, {0.75, 0.5625, q}}},
        {"three, two on the left", 0.75, 3, {32, 0, 0, 0, 0}, {{0.1875, 0.1875, q}, {0.1875, 0.5625, q}, {0.75, 0.25, 0.425}}},
    };
    for (const auto& row : rows) {
        ScriptedRandomSource script(row.script);
        ScopedRandomSource scope(script);
        EXPECT_EQ(AdvancedShapePileCollage::spreadWithOriginX(0, 0, 1, row.h, row.n), row.cells) << row.name;
    }
}

TEST_F(ShapePileTest, NewPicturesAreUprightOvalsInTheirOwnHalf)
{
    pile.addPictures({"a", "b"}, {{"a", FakeHost::solidImage(300, 200)}, {"b", FakeHost::solidImage(200, 300)}}, {}, {});
    ASSERT_EQ(pile.picturePositions().size(), 2);
    QSet<double> columns;
    for (qint64 i = 0; i < 2; ++i) {
        const PilePosition& slot = *pile.pileSlot(i);
        EXPECT_EQ(slot.shape(), 0);
        EXPECT_EQ(slot.rotation(), 0.0);
        EXPECT_DOUBLE_EQ(slot.scale(), 0.425);
        // 0.25 to 0.5 of the width up a canvas 0.75 of it high.
        EXPECT_TRUE(slot.center().y() > 0.333 && slot.center().y() < 0.667) << slot.center().y();
        columns.insert(slot.center().x());
    }
    EXPECT_EQ(columns, (QSet<double>{0.25, 0.75}));

    // A wide outline takes the cell size as its height; tilts stay.
    pile.pileSlot(0)->setRotation(0.3);
    pile.shapeChangeAllTo(3);
    pile.spreadout();
    EXPECT_DOUBLE_EQ(pile.pileSlot(0)->scale(), 0.425 * 2 / std::sqrt(3.0));
    EXPECT_DOUBLE_EQ(pile.pileSlot(0)->rotation(), 0.3);
}

TEST_F(ShapePileTest, NewShapeIsTheMostFrequentLowestOnTies)
{
    const std::pair<QList<qint64>, qint64> rows[] = {{{}, 0}, {{3, 0, 3, 0, 3}, 3}, {{4, 2, 2, 4}, 2}, {{5, -1}, -1}};
    for (const auto& [shapes, expected] : rows) {
        pile.picturePositions().clear();
        for (const qint64 shape : shapes)
            place(QString(), shape);
        EXPECT_EQ(pile.shapeToUseForNewPosition(), expected);
    }
}

TEST_F(ShapePileTest, OldProjectKeyTurnsEveryShapeOvalAndFrameBindingsAreInert)
{
    place("a", 3);
    place("", -1);
    QJsonObject saved = pile.dictionaryRepresentationActual(true);
    saved.insert(QStringLiteral("cppattinc"), 0);
    ShapeModelOnly<AdvancedShapePileCollage> read;
    read.setMyPropertiesFrom(saved);
    ASSERT_EQ(read.picturePositions().size(), 2);
    EXPECT_EQ(read.pileSlot(0)->shape(), 0);
    EXPECT_EQ(read.pileSlot(1)->shape(), 0);
    EXPECT_FALSE(read.dictionaryRepresentationActual(true).contains(QStringLiteral("cppattinc")));

    EXPECT_NO_THROW(pile.setValue(true, "stampBorder"));
    EXPECT_EQ(pile.valueForKey("instantCameraBorder"), QVariant(false));
    EXPECT_THROW(pile.setValue(1, "noSuchKey"), UndefinedKeyError);
}

TEST_F(ShapePileTest, ShapeChangesResetOnlyTheCropsTheyChange)
{
    const PanZoomPos chosen(0.3, 0.4, 0.5);
    for (const char* id : {"a", "b"}) {
        PilePosition& slot = place(id, 0);
        slot.setPanZoomValue(chosen);
        slot.setWidthToHeight(1.5);
    }
    pile.shapeChangeAllTo(0);
    pile.shapeChangeAllTo(42);
    pile.shapeChangeSelectedTo(5); // nothing selected
    EXPECT_EQ(pile.pileSlot(1)->panZoomValue(), chosen);
    EXPECT_EQ(pile.pileSlot(1)->widthToHeight(), 1.5);

    pile.setSelectedImagePosition(1);
    pile.shapeChangeSelectedTo(5);
    EXPECT_EQ(pile.pileSlot(0)->panZoomValue(), chosen);
    EXPECT_EQ(pile.pileSlot(0)->widthToHeight(), 1.5);
    const PilePosition& changed = *pile.pileSlot(1);
    EXPECT_EQ(changed.shape(), 5);
    EXPECT_FALSE(changed.widthToHeight());
    EXPECT_TRUE(changed.panZoomValue() && *changed.panZoomValue() != chosen) << "a fresh face-centred window";
}
