#include "layouts/mosaic/MosaicCollage.h"

#include "model/FakeCollage.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/random/RandomSource.h"

#include <gtest/gtest.h>

using namespace qf;
using namespace qf::test;

namespace {

class MosaicCollageTest : public ::testing::Test {
protected:
    MosaicCollageTest()
    {
        mosaic.setMyWindowController(&host);
        mosaic.setWidth(1000);
        mosaic.setHeight(500);
    }
    // Slots of these rectangles showing these pictures ("" for empty).
    void layOut(const QList<std::pair<QRectF, QString>>& cells)
    {
        mosaic.picturePositions().clear();
        QStringList images;
        for (const auto& [rect, picture] : cells) {
            mosaic.picturePositions().append(std::make_shared<MosaicPosition>(picture, rect));
            if (!picture.isEmpty()) {
                images.append(picture);
                host.store.insert(picture, FakeHost::solidImage(300, 200));
            }
        }
        mosaic.setImages(images);
    }
    QRectF rectOf(qint64 i) const { return mosaic.mosaicSlot(i)->positionRect(); }
    // The unit square covered once: areas add up to 1 and no two overlap.
    void expectTiling() const
    {
        double area = 0;
        const qsizetype n = mosaic.picturePositions().size();
        for (qsizetype i = 0; i < n; ++i) {
            const QRectF a = rectOf(i);
            area += a.width() * a.height();
            for (qsizetype j = i + 1; j < n; ++j) {
                const QRectF overlap = a.intersected(rectOf(j));
                EXPECT_FALSE(overlap.width() > 1e-9 && overlap.height() > 1e-9) << i << " and " << j;
            }
        }
        EXPECT_NEAR(area, 1.0, 1e-9);
    }

    FakeHost host;
    MosaicCollage mosaic;
};

} // namespace

TEST_F(MosaicCollageTest, DrawingRectanglesLeaveGapsAndTwiceTheGapAtTheBorder)
{
    layOut({{QRectF(0, 0, 0.5, 1), "a"}, {QRectF(0.5, 0, 0.5, 1), "b"}});
    mosaic.setSpacing(0.05);
    EXPECT_DOUBLE_EQ(mosaic.getSpacingWidthForCollageWidth(1000, 500), 17.5);
    EXPECT_EQ(mosaic.slotRect(0, 1000, 500), QRectF(35, 35, 447.5, 430));
    EXPECT_EQ(mosaic.slotRect(1, 1000, 500).x(), 517.5);
    // A right edge at 0.99995 is on the border, at 0.9998 not.
    const struct {
        double right;
        double inset;
    } rows[] = {{0.99995, 35}, {0.9998, 17.5}};
    for (const auto& row : rows) {
        const MosaicPosition slot(QString(), QRectF(0.5, 0, row.right - 0.5, 1));
        const QRectF drawn = mosaic.getDrawRectForPosition(slot, 17.5, 1000, 500);
        EXPECT_NEAR(row.right * 1000 - (drawn.x() + drawn.width()), row.inset, 1e-9) << row.right;
    }
    mosaic.picturePositions().clear();
    EXPECT_EQ(mosaic.getSmallestDimForCollageWidth(1000, 500), 0.0);
}

TEST_F(MosaicCollageTest, SplitsCutTheLongestSlotAndHalvesTheSelectedOne)
{
    // Equal longer sides: the first is cut; a square slot in pixels by a vertical line.
    layOut({{QRectF(0, 0, 0.5, 1), "a"}, {QRectF(0.5, 0, 0.5, 1), "b"}});
    EXPECT_EQ(mosaic.findNextIndexToSplit(), 0);
    ScriptedRandomSource random({15});
    ScopedRandomSource scope(random);
    const QRectF cut = mosaic.splitAndReturnPositionRect(0, true, false);
    EXPECT_DOUBLE_EQ(rectOf(0).width(), 0.5 * 0.5);
    EXPECT_DOUBLE_EQ(cut.x(), 0.25);

    // The selected slot is always halved, whatever the random source says.
    layOut({{QRectF(0, 0, 1, 1), "a"}});
    mosaic.setSelectedImagePosition(0);
    mosaic.splitSelectedPositionAlongHeight();
    ASSERT_EQ(mosaic.picturePositions().size(), 2);
    EXPECT_EQ(rectOf(0), QRectF(0, 0, 1, 0.5));
    EXPECT_EQ(rectOf(1), QRectF(0, 0.5, 1, 0.5));
    EXPECT_TRUE(mosaic.picturePositions()[1]->isEmpty());
    EXPECT_EQ(mosaic.selectedImagePosition(), 0);
    mosaic.splitSelectedPositionAlongWidth();
    EXPECT_EQ(rectOf(0), QRectF(0, 0, 0.5, 0.5));
    expectTiling();
    mosaic.setSelectedImagePosition(-1);
    mosaic.splitSelectedPositionAlongWidth();
    EXPECT_EQ(mosaic.picturePositions().size(), 3) << "no selection, no split";
}

TEST_F(MosaicCollageTest, AddingFillsEmptySlotsThenSplitsAndBestFitTilesTheCanvas)
{
    for (const char* md5 : {"a", "b", "c", "d", "e", "f", "g"})
        host.store.insert(md5, FakeHost::solidImage(300 + 40 * int(md5[0] - 'a'), 200));
    mosaic.addPictures({"a"}, host.store, {}, {});
    ASSERT_EQ(mosaic.picturePositions().size(), 1);
    EXPECT_EQ(rectOf(0), QRectF(0, 0, 1, 1));
    mosaic.addPictures({"b"}, host.store, {}, {}); // one slot before: best fit
    ASSERT_EQ(mosaic.picturePositions().size(), 2);
    mosaic.addPictures({"c", "d", "a"}, host.store, {}, {}); // "a" is in already
    EXPECT_EQ(mosaic.images(), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(mosaic.picturePositions().size(), 4);
    expectTiling();

    mosaic.bestFit();
    expectTiling();
    mosaic.addPictures({"e", "f", "g"}, host.store, {}, {});
    mosaic.bestFit();
    EXPECT_EQ(mosaic.picturePositions().size(), 7);
    expectTiling();

    // What is saved reads back as the same tiling.
    MosaicCollage read;
    read.setMyWindowController(&host);
    read.setMyPropertiesFrom(mosaic.dictionaryRepresentationActual(false));
    ASSERT_EQ(read.picturePositions().size(), 7);
    for (qint64 i = 0; i < 7; ++i) {
        EXPECT_EQ(read.mosaicSlot(i)->positionRect(), rectOf(i));
        EXPECT_EQ(read.picturePositions()[i]->picture(), mosaic.picturePositions()[i]->picture());
    }
}

TEST_F(MosaicCollageTest, RemovingEmptiesSlotsAndRearrangingGivesNarrowPicturesNarrowSlots)
{
    layOut({{QRectF(0, 0, 0.6, 1), "a"}, {QRectF(0.6, 0, 0.4, 0.5), "b"}, {QRectF(0.6, 0.5, 0.4, 0.5), ""}});
    mosaic.removePictures({1});
    EXPECT_TRUE(mosaic.picturePositions()[1]->isEmpty());
    EXPECT_EQ(mosaic.picturePositions().size(), 3);
    EXPECT_EQ(mosaic.images(), QStringList{"a"});

    // Three rects, one picture: it goes to the narrowest slot (0.6 x 1 of 1000 x 500
    // is 0.6 wide to a height of 1: the narrowest), the other two stay empty.
    mosaic.rearrangePicturesForGoodFit();
    EXPECT_EQ(mosaic.picturePositions()[0]->picture(), "a");
    EXPECT_EQ(rectOf(0), QRectF(0, 0, 0.6, 1));
    EXPECT_TRUE(mosaic.picturePositions()[1]->isEmpty() && mosaic.picturePositions()[2]->isEmpty());

    // The selected slot's picture, even one the collage no longer lists.
    mosaic.setSelectedImagePosition(1);
    EXPECT_FALSE(mosaic.removeSelectedPicture()) << "an empty slot";
    mosaic.picturePositions()[1]->setPicture("gone");
    EXPECT_TRUE(mosaic.removeSelectedPicture());
    EXPECT_TRUE(mosaic.picturePositions()[1]->isEmpty());
}

TEST_F(MosaicCollageTest, PositionsTextIsCheckedWholeBeforeAnythingChanges)
{
    const QString format = "Write a list of cells, each a list of [x, y] corners between 0 and 1 that spans some "
                           "width and height.";
    const QString offCanvas = "Cell %1 has a corner off the canvas; corners lie between 0 and 1.";
    const struct {
        QString text;
        QList<QRectF> rects; // none: refused, nothing changes
        QString why;
    } rows[] = {
        {"[[[0,0],[0.5,0],[0.5,1],[0,1]],[[0.5,0],[1,0],[1,1],[0.5,1]]]",
         {QRectF(0, 0, 0.5, 1), QRectF(0.5, 0, 0.5, 1)},
         ""},
        {"[[[0.1,0.1],[0.9,0.1],[0.5,0.7]]]", {QRectF(0.1, 0.1, 0.8, 0.6)}, ""}, // a triangle: its box
        {"[[[-1,-1],[3,0.5]]]", {}, offCanvas.arg(1)},
        {"[[[0,0],[1,1]],[[0.5,0],[1.0001,1]]]", {}, offCanvas.arg(2)},
        {"[]", {}, "The list has no cells; a mosaic needs at least one."},
        {"{}", {}, format},
        {"[[[0,0],[0.5,0.5]], 7]", {}, format},
        {"[[[0,0],[\"x\",1]]]", {}, format},
        {"[[]]", {}, format},
        {"[[[0.5,0],[0.5,1]]]", {}, format},                        // no width
        {"[[[0,0],[1e-9,1]]]", {}, "None of these cells can be seen."}, // too narrow to be seen
        // A cell a later one covers is left out, as reading it would.
        {"[[[0.2,0.2],[0.4,0.4]],[[0,0],[1,1]]]", {QRectF(0, 0, 1, 1)}, ""},
        {"not json", {}, format},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        layOut({{QRectF(0, 0, 1, 1), "a"}});
        mosaic.setSelectedImagePosition(0);
        QString why;
        const bool taken = mosaic.setInitialEmptyPositions(row.text, &why);
        EXPECT_EQ(taken, !row.rects.isEmpty());
        EXPECT_EQ(why, row.why);
        if (!taken) {
            EXPECT_EQ(mosaic.images(), QStringList{"a"});
            EXPECT_EQ(rectOf(0), QRectF(0, 0, 1, 1));
            continue;
        }
        EXPECT_TRUE(mosaic.images().isEmpty());
        EXPECT_EQ(mosaic.selectedImagePosition(), -1);
        ASSERT_EQ(mosaic.picturePositions().size(), row.rects.size());
        for (qsizetype i = 0; i < row.rects.size(); ++i) {
            EXPECT_TRUE(mosaic.picturePositions()[i]->isEmpty());
            EXPECT_EQ(rectOf(i), row.rects[i]);
        }
    }
}

TEST_F(MosaicCollageTest, ASlotWithoutRoomOrWithoutItsPictureShowsItsFrame)
{
    const struct {
        const char* name;
        double spacingAndStroke;
        bool pictureInStore;
        qint64 scaling;
    } rows[] = {{"borders leave no room", 0.3, true, ImageScalingCropToFill},
                {"missing, cropped", 0.05, false, ImageScalingCropToFill},
                {"missing, fitted", 0.05, false, ImageScalingFitWhole}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        layOut({{QRectF(0, 0, 1, 1), "a"}});
        host.store.insert("a", FakeHost::solidImage(300, 200, Qt::red));
        if (!row.pictureInStore) {
            host.store.remove("a");
            mosaic.nsImages().clear();
        }
        mosaic.setSpacing(row.spacingAndStroke);
        mosaic.setStrokeWidth(row.spacingAndStroke);
        mosaic.setImageScaling(row.scaling);
        mosaic.setBorderColor(Color{0, 0, 1, 1});
        mosaic.setDrawShadow(false);
        for (const bool actual : {false, true}) {
            QImage out = GraphicsContext::newBitmap(QSize(1000, 500));
            GraphicsContext context(out);
            mosaic.drawYourselfOnCurrentContextInWidth(context, 1000, 500, actual);
            // In the middle of the slot: the frame's colour, no picture.
            const QColor middle = out.pixelColor(500, 250);
            EXPECT_GT(middle.blue(), 200) << middle.name().toStdString();
            EXPECT_LT(middle.red(), 40) << middle.name().toStdString();
        }
    }
}

TEST_F(MosaicCollageTest, SlotsOfAFileThatCannotBeSeenGoAndTheirPicturesAreLaidOutAnew)
{
    const QRectF left(0, 0, 0.5, 1), right(0.5, 0, 0.5, 1), whole(0, 0, 1, 1), corner(0, 0, 0.25, 0.25);
    const struct Row {
        const char* name;
        QList<std::pair<QRectF, QString>> cells;
        QStringList putBack; // none: the slots read stay as they are, but for those listed as gone
        QList<qsizetype> gone;
    } rows[] = {
        {"a tiling", {{left, "a"}, {right, "b"}}, {}, {}},
        {"typed slots that overlap in part", {{QRectF(0, 0, 0.6, 1), "a"}, {QRectF(0.4, 0, 0.6, 1), "b"}}, {}, {}},
        {"a small slot over a large one", {{whole, "a"}, {corner, "b"}}, {}, {}},
        {"a small slot under a large one", {{corner, "a"}, {whole, "b"}}, {"a"}, {}},
        {"under a later one of the same place", {{left, "a"}, {right, "b"}, {left, "c"}}, {"a"}, {}},
        {"a slot of no height", {{left, "a"}, {right, "b"}, {QRectF(0.5, 1, 0.5, 0), "c"}}, {"c"}, {}},
        {"an empty slot of no size", {{left, "a"}, {QRectF(0.5, 0.5, 0, 0), ""}, {right, "b"}}, {}, {1}},
        {"an empty slot under another", {{right, ""}, {left, "a"}, {right, "b"}}, {}, {0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        layOut(row.cells);
        MosaicCollage read;
        read.setMyWindowController(&host);
        read.setMyPropertiesFrom(mosaic.dictionaryRepresentationActual(true));
        EXPECT_EQ(read.picturesPutBackOnReading(), row.putBack);
        if (row.putBack.isEmpty()) {
            QList<QRectF> kept;
            for (qsizetype i = 0; i < row.cells.size(); ++i)
                if (!row.gone.contains(i))
                    kept.append(row.cells[i].first);
            ASSERT_EQ(read.picturePositions().size(), kept.size());
            for (qsizetype i = 0; i < kept.size(); ++i)
                EXPECT_EQ(read.mosaicSlot(i)->positionRect(), kept[i]) << i;
            continue;
        }
        // Laid out anew: one slot a picture, tiling the canvas.
        mosaic.picturePositions() = read.picturePositions();
        EXPECT_EQ(mosaic.picturePositions().size(), read.images().size());
        expectTiling();
    }
}
