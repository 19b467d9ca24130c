#include "layouts/pile/PileCollage.h"
#include "layouts/pile/RegularPileCollage.h"

#include "model/FakeCollage.h"

#include <QJsonObject>

#include <gtest/gtest.h>

#include <cmath>

using namespace qf;
using namespace qf::test;

namespace {


class PileCollageTest : public ::testing::Test {
protected:
    PileCollageTest()
    {
        pile.setMyWindowController(&host);
        pile.setWidth(3000);
        pile.setHeight(2000);
    }
    void place(const QString& picture, QPointF centre, double scale, qint64 shape = -1, double rotation = 0)
    {
        pile.picturePositions().append(std::make_shared<PilePosition>(picture, centre, rotation, scale, shape));
        if (!picture.isEmpty()) {
            host.store.insert(picture, FakeHost::solidImage(300, 200));
            pile.setImages(pile.images() + QStringList{picture});
        }
    }
    FakeHost host;
    PileCollage pile;
};

} // namespace

TEST_F(PileCollageTest, LeastSquaresAndShapeAspects)
{
    const std::pair<qint64, qint64> squares[] = {{0, 1}, {1, 2}, {3, 2}, {4, 3}, {8, 3}, {9, 4}};
    for (const auto& [n, k] : squares)
        EXPECT_EQ(PileCollage::getLeastSquare(n), k) << n;
    EXPECT_DOUBLE_EQ(PileCollage::widthUponHeightForShape(3), 2 / std::sqrt(3.0));
    EXPECT_DOUBLE_EQ(PileCollage::widthUponHeightForShape(4), std::sqrt(3.0) / 2);
    EXPECT_DOUBLE_EQ(PileCollage::widthUponHeightForShape(99), 1.0) << "an unknown shape stays square";
}

TEST_F(PileCollageTest, SlotsReadOnlyValuesTheyCanUse)
{
    const PilePosition base(QStringLiteral("a"), QPointF(0.3, 0.4), 0.5, 0.25, 3);
    QJsonObject written = base.getJsonDictionary();
    EXPECT_FALSE(written.contains(QStringLiteral("pipswtoh"))) << "no crop aspect, no key";
    const struct {
        const char* name;
        QJsonObject changes;
        double scale, rotation;
        qint64 shape;
        bool hasAspect;
    } rows[] = {
        {"as written", {}, 0.25, 0.5, 3, false},
        {"no shape: a photo", {{"ppshap", QJsonValue()}}, 0.25, 0.5, -1, false},
        {"shape out of range", {{"ppshap", 12}}, 0.25, 0.5, -1, false},
        {"shape not whole", {{"ppshap", 2.5}}, 0.25, 0.5, -1, false},
        {"scale of zero", {{"pips", 0}}, 0.0, 0.5, 3, false},
        {"a turn and a bit", {{"pipr", 7.0}}, 0.25, std::fmod(7.0, 2 * M_PI), 3, false},
        {"crop aspect", {{"pipswtoh", 1.5}}, 0.25, 0.5, 3, true},
        {"crop aspect of zero", {{"pipswtoh", 0}}, 0.25, 0.5, 3, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QJsonObject dict = written;
        for (auto it = row.changes.begin(); it != row.changes.end(); ++it) {
            if (it.value().isNull())
                dict.remove(it.key());
            else
                dict.insert(it.key(), it.value());
        }
        PilePosition read;
        read.setMyPropertiesFrom(dict);
        EXPECT_DOUBLE_EQ(read.scale(), row.scale);
        EXPECT_DOUBLE_EQ(read.rotation(), row.rotation);
        EXPECT_EQ(read.shape(), row.shape);
        EXPECT_EQ(read.widthToHeight().has_value(), row.hasAspect);
        EXPECT_EQ(read.center(), QPointF(0.3, 0.4));
    }
}

TEST_F(PileCollageTest, NewPicturesFillPlaceholdersFirstThenGoOnTop)
{
    place("", QPointF(0.2, 0.3), 0.3, -1, 0.1);
    place("x", QPointF(0.7, 0.7), 0.2);
    pile.addPictures({"a", "b"}, {{"a", FakeHost::solidImage(300, 200)}, {"b", FakeHost::solidImage(300, 200)}}, {},
                     {});
    ASSERT_EQ(pile.picturePositions().size(), 3);
    const std::shared_ptr<PilePosition> placeholder = pile.pileSlot(0);
    EXPECT_EQ(placeholder->picture(), "a");
    EXPECT_EQ(placeholder->center(), QPointF(0.2, 0.3));
    EXPECT_DOUBLE_EQ(placeholder->scale(), 0.3);
    EXPECT_DOUBLE_EQ(placeholder->rotation(), 0.1);
    EXPECT_EQ(pile.pileSlot(2)->picture(), "b") << "the surplus on top";
    EXPECT_EQ(pile.images(), (QStringList{"x", "a", "b"}));

    pile.removePictures({0});
    EXPECT_EQ(pile.picturePositions().size(), 2) << "the slot goes with its picture";
    EXPECT_EQ(pile.pileSlot(0)->picture(), "a");
}

TEST_F(PileCollageTest, HitsTakeTheTopmostOutlineAndFallThroughOutsideIt)
{
    place("under", QPointF(0.5, 0.5), 0.4);
    place("oval", QPointF(0.5, 0.5), 0.2, 0); // a circle 600 wide
    const QPointF centre(1500, 1000);
    EXPECT_EQ(pile.ptLiesIn(centre, 3000, 2000), 1);
    EXPECT_EQ(pile.ptLiesIn(centre + QPointF(280, 280), 3000, 2000), 0) << "in the oval's box, outside the oval";
    EXPECT_EQ(pile.ptLiesIn(QPointF(10, 10), 3000, 2000), -1);
}

TEST_F(PileCollageTest, SpreadToGridGivesEachPictureItsOwnCell)
{
    for (int i = 0; i < 5; ++i)
        place(QStringLiteral("p%1").arg(i), QPointF(0.5, 0.5), 0.5, -1, 1.0);
    pile.spreadoutToGrid();
    QSet<QPair<int, int>> cells;
    for (const std::shared_ptr<PilePosition>& slot : {pile.pileSlot(0), pile.pileSlot(1), pile.pileSlot(2),
                                                      pile.pileSlot(3), pile.pileSlot(4)}) {
        const QPointF c(slot->center().x() * 3000, slot->center().y() * 2000);
        const QRectF picture = pile.pictureRectOf(*slot, 3000, 2000).translated(c);
        // 3 columns of 1000, 2 rows of 1000 on this canvas.
        const QRectF cell(std::floor(c.x() / 1000) * 1000, std::floor(c.y() / 1000) * 1000, 1000, 1000);
        EXPECT_TRUE(cell.contains(picture)) << c.x() << ", " << c.y();
        cells.insert({int(c.x() / 1000), int(c.y() / 1000)});
    }
    EXPECT_EQ(cells.size(), 5);

    // Equal sizes: a picture of no size is left alone, one alone keeps its size.
    pile.picturePositions().clear();
    place("a", QPointF(0.5, 0.5), 0.3);
    place("", QPointF(0.2, 0.2), 0.0);
    pile.equateAllInSize();
    EXPECT_DOUBLE_EQ(pile.pileSlot(0)->scale(), 0.3);
    EXPECT_DOUBLE_EQ(pile.pileSlot(1)->scale(), 0.0);
}

TEST_F(PileCollageTest, AFileKeepsEveryPlaceThatShowsAndPutsBackTheOthers)
{
    // 3000 x 2000: a picture of scale 0.1 is 300 wide. Only an outline's
    // aspect is known when a file opens; a photo may be ten times as tall.
    const struct Row {
        const char* name;
        QString picture;
        QPointF centre;
        double scale;
        qint64 shape;
        bool newCentre, newScale;
    } rows[] = {
        {"within", "a", {0.5, 0.5}, 0.3, -1, false, false},
        {"a circle half over the edge", "b", {1.06, 0.5}, 0.1, 0, false, false},
        {"a circle just beyond it", "c", {1.08, 0.5}, 0.1, 0, true, false},
        {"a photo that may reach in", "d", {1.5, 0.5}, 0.1, -1, false, false},
        {"a photo that cannot", "e", {1.6, 0.5}, 0.1, -1, true, false},
        {"below and left", "f", {-0.02, -0.03}, 0.05, 0, false, false},
        {"small but seen", "g", {0.2, 0.2}, 0.002, -1, false, false},
        {"large but seen", "h", {0.2, 0.2}, 50, -1, false, false},
        {"a speck", "i", {0.2, 0.2}, 0.0005, -1, false, true},
        {"huger than reason", "j", {0.2, 0.2}, 500, -1, false, true},
        {"far off", "k", {1e308, 0.5}, 0.3, -1, true, false},
        {"far off and of no size", "l", {0.5, -1e308}, 0, -1, true, true},
        {"a placeholder far off", "", {-50, 0.5}, 0.3, -1, true, false},
    };
    for (const Row& row : rows)
        place(row.picture, row.centre, row.scale, row.shape);
    PileCollage read;
    read.setMyPropertiesFrom(pile.dictionaryRepresentationActual(true));
    ASSERT_EQ(read.picturePositions().size(), std::size(rows));
    QStringList expected;
    for (qsizetype i = 0; i < qsizetype(std::size(rows)); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.name);
        const PilePosition& slot = *read.pileSlot(i);
        EXPECT_EQ(slot.center() != row.centre, row.newCentre);
        EXPECT_EQ(slot.scale() != row.scale, row.newScale);
        EXPECT_TRUE(read.canBeSeen(slot));
        if ((row.newCentre || row.newScale) && !row.picture.isEmpty())
            expected.append(row.picture);
    }
    EXPECT_EQ(read.picturesPutBackOnReading(), expected) << "pictures, not placeholders";
}

TEST(RegularPileCollage, BorderFlagsSetTheStyleKeepingEachOther)
{
    const struct {
        qint64 from;
        bool camera; // which flag is set
        bool on;
        qint64 to;
    } rows[] = {{0, true, true, 1}, {2, true, true, 3}, {3, false, false, 1}, {3, true, false, 2},
                {1, false, true, 3}, {1, true, false, 0}};
    for (const auto& row : rows) {
        RegularPileCollage pile;
        pile.setBorderStyle(row.from);
        if (row.camera)
            pile.setInstantCameraBorder(row.on);
        else
            pile.setStampBorder(row.on);
        EXPECT_EQ(pile.borderStyle(), row.to) << row.from << (row.camera ? " camera " : " stamp ") << row.on;
    }
    // The instant-camera frame of 400 x 300 with a border of 10 is 116.16
    // deeper at the bottom (y up: its low-y edge).
    RegularPileCollage pile;
    pile.setBorderStyle(RegularPileCollage::BorderInstantCamera);
    const QRectF frame = pile.getBorderEnclosingPathForDrawingRect(QRectF(-200, -150, 400, 300), 10).boundingRect();
    EXPECT_NEAR(frame.top(), -160 - 0.22 * std::hypot(420.0, 320.0), 1e-9);
    EXPECT_DOUBLE_EQ(frame.bottom(), 160);
    EXPECT_DOUBLE_EQ(frame.left(), -210);
}

TEST(RegularPileCollage, SpreadsOverAJitteredGridAndAsAMosaic)
{
    FakeHost host;
    RegularPileCollage pile;
    pile.setMyWindowController(&host);
    pile.setWidth(7200);
    pile.setHeight(5400);
    QStringList ids;
    QHash<QString, QImage> images;
    for (int i = 0; i < 6; ++i) {
        ids << QStringLiteral("p%1").arg(i);
        images.insert(ids.last(), FakeHost::solidImage(300, 200));
        host.store.insert(ids.last(), images.value(ids.last()));
    }
    pile.addPictures(ids, images, {}, {}); // spread out as the first layout: 3 x 3 cells
    ASSERT_EQ(pile.picturePositions().size(), 6);
    QSet<QPair<int, int>> cells;
    for (qint64 i = 0; i < 6; ++i) {
        const QPointF c = pile.pileSlot(i)->center();
        cells.insert({int(c.x() * 3), int(c.y() * 3)});
        EXPECT_TRUE(c.x() > 0 && c.x() < 1 && c.y() > 0 && c.y() < 1);
        EXPECT_LE(std::abs(pile.pileSlot(i)->rotation()), 0.14 + 1e-12);
    }
    EXPECT_EQ(cells.size(), 6) << "one cell each";

    // As a mosaic: placeholders go, the pictures tile the canvas.
    pile.picturePositions().append(std::make_shared<PilePosition>(QString(), QPointF(0.5, 0.5), 0, 0.2));
    pile.spreadoutToMosaic();
    ASSERT_EQ(pile.picturePositions().size(), 6);
    for (qint64 i = 0; i < 6; ++i)
        EXPECT_FALSE(pile.picturePositions()[i]->isEmpty());

    // Saved and read, the style stays.
    pile.setBorderStyle(RegularPileCollage::BorderBoth);
    RegularPileCollage read;
    read.setMyPropertiesFrom(pile.dictionaryRepresentationActual(false));
    EXPECT_EQ(read.borderStyle(), RegularPileCollage::BorderBoth);
}

TEST(RegularPileCollageFile, BorderStyleIsHeldWithinItsRangeBeforeBecomingAWholeNumber)
{
    struct Row {
        QJsonValue read;
        qint64 style;
    };
    // Starting from the stamp border; a value that is no number keeps it.
    for (const Row& row : {Row{1e300, RegularPileCollage::BorderBoth}, Row{-1e300, RegularPileCollage::BorderNone},
                           Row{1e30, RegularPileCollage::BorderBoth}, Row{-9.3e18, RegularPileCollage::BorderNone},
                           Row{1.9, RegularPileCollage::BorderInstantCamera}, Row{-0.5, RegularPileCollage::BorderNone},
                           Row{3, RegularPileCollage::BorderBoth}, Row{QStringLiteral("3"), RegularPileCollage::BorderStamp},
                           Row{QJsonValue(), RegularPileCollage::BorderStamp}}) {
        RegularPileCollage pile;
        pile.setBorderStyle(RegularPileCollage::BorderStamp);
        pile.setMyPropertiesFrom(QJsonObject{{QStringLiteral("bs"), row.read}});
        EXPECT_EQ(pile.borderStyle(), row.style) << row.read.toVariant().toString().toStdString();
    }
}
