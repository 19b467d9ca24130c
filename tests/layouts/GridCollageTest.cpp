#include "layouts/grid/GridCollage.h"
#include "layouts/grid/GridPosition.h"

#include "model/FakeCollage.h"
#include "platform/random/RandomSource.h"

#include <QJsonArray>

#include <functional>

#include <gtest/gtest.h>

using namespace qf;
using namespace qf::test;

namespace {

class GridCollageTest : public ::testing::Test {
protected:
    GridCollageTest() { grid.setMyWindowController(&host); }

    // Lays out rows x columns cells from a pattern ("" for empty); `images`
    // becomes the pictures shown, in order of first appearance.
    void layOut(qint64 rows, qint64 columns, const QStringList& pattern)
    {
        grid.setRowCount(rows);
        grid.setColumnCount(columns);
        grid.picturePositions().clear();
        QStringList images;
        for (const QString& p : pattern) {
            grid.picturePositions().append(std::make_shared<GridPosition>(p));
            if (!p.isEmpty() && !images.contains(p))
                images.append(p);
        }
        grid.setImages(images);
    }
    QStringList cells() const
    {
        QStringList out;
        for (const PositionPtr& p : grid.picturePositions())
            out.append(p->picture());
        return out;
    }
    void add(const QStringList& md5s) { grid.addPictures(md5s, host.store, {}, {}); }
    void expectConsistent() const
    {
        const qint64 r = grid.rowCount(), c = grid.columnCount();
        EXPECT_TRUE(r >= 1 && c >= 1 && r <= 100 && c <= 100 && r * c <= 2500) << r << " x " << c;
        ASSERT_EQ(grid.picturePositions().size(), grid.rowCount() * grid.columnCount());
        for (const PositionPtr& p : grid.picturePositions())
            EXPECT_TRUE(p->isEmpty() || grid.images().contains(p->picture())) << p->picture().toStdString();
    }

    FakeHost host;
    GridCollage grid;
};

} // namespace

TEST_F(GridCollageTest, AddingGrowsKeepingRowAndColumnAndFillsPreferredCellsFirst)
{
    layOut(2, 2, {"A", "B", "C", ""});
    add({"D", "E"});
    // 7200 x 5400 is wider than 2 x 2, so a column comes first and suffices.
    EXPECT_EQ(QSize(grid.columnCount(), grid.rowCount()), QSize(3, 2));
    EXPECT_EQ(cells(), (QStringList{"A", "B", "D", "C", "E", ""}));
    EXPECT_EQ(grid.images(), (QStringList{"A", "B", "C", "D", "E"}));

    layOut(2, 2, {"", "", "", ""});
    grid.picturePositions()[3]->setPreferredToFill(true);
    add({"P", "Q"});
    EXPECT_EQ(cells(), (QStringList{"Q", "", "", "P"}));
}

TEST_F(GridCollageTest, FillDuplicatesFillsEveryEmptyCellThenOverwritesDuplicates)
{
    grid.setFillDuplicates(true);
    add({"A"});
    EXPECT_EQ(cells(), (QStringList{"A", "A", "A", "A"}));

    layOut(2, 2, {"A", "A", "A", ""});
    add({"X", "Y", "Z"});
    EXPECT_EQ(cells(), (QStringList{"A", "Y", "Z", "X"}));
}

TEST_F(GridCollageTest, RemovingPictures)
{
    grid.setFillDuplicates(true);
    layOut(2, 2, {"A", "A", "A", "A"});
    grid.removePictures({0});
    EXPECT_EQ(cells(), (QStringList{"", "", "", ""}));
    EXPECT_TRUE(grid.images().isEmpty());

    // The cells of a removed picture show the remaining ones in turn, from a
    // random start; duplicate and out-of-range indexes are ignored.
    layOut(2, 2, {"A", "B", "A", "C"});
    ScriptedRandomSource random({1});
    ScopedRandomSource scope(random);
    grid.removePictures({0, 0, 7, -1});
    EXPECT_EQ(cells(), (QStringList{"C", "B", "B", "C"}));
    EXPECT_EQ(grid.images(), (QStringList{"B", "C"}));

    grid.setSelectedImagePosition(1);
    EXPECT_TRUE(grid.removeSelectedPicture());
    EXPECT_EQ(grid.images(), (QStringList{"C"}));
    EXPECT_EQ(grid.picturePositions().size(), 4); // never shrinks
}

TEST_F(GridCollageTest, SortingByNamePutsTheFirstTopLeft)
{
    layOut(2, 3, {"", "B", "", "A", "C", "D"});
    const QDateTime date = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    grid.md5ToPathsDictionary() = {{"A", "/z/C.jpg"}, {"B", "/x/b.jpg"}, {"C", "/y/a.jpg"}, {"D", "/d.jpg"}};
    grid.md5ToModifiedTimeDictionary() = {{"A", date}, {"B", date}, {"C", date}}; // D has no date
    grid.sortPicturesByName(true, false, true);
    // Plain comparison of file names: "C.jpg" < "a.jpg" < "b.jpg".
    const QStringList sorted = cells();
    EXPECT_EQ(sorted.mid(3), (QStringList{"A", "C", "B"}));
    EXPECT_TRUE(sorted.mid(0, 3).contains("D"));
    EXPECT_EQ(sorted.count(""), 2);

    grid.sortPicturesByName(true, false, false);
    EXPECT_EQ(cells().mid(3), (QStringList{"B", "C", "A"}));
}

TEST_F(GridCollageTest, ChangingCountsKeepsEveryPicture)
{
    layOut(3, 2, {"A", "B", "C", "D", "E", ""});
    grid.changeRowCount(0);
    EXPECT_EQ(grid.rowCount(), 3);

    grid.changeRowCount(1);
    EXPECT_EQ(grid.columnCount(), 5);
    EXPECT_EQ(cells(), (QStringList{"A", "B", "C", "E", "D"}));

    // Growing with duplicates on fills the new cells with random pictures.
    grid.setFillDuplicates(true);
    ScriptedRandomSource random({2});
    ScopedRandomSource scope(random);
    grid.changeRowCount(2);
    EXPECT_EQ(cells().mid(5), QStringList(5, "C"));

    grid.changeColumnCount(1000);
    EXPECT_EQ(grid.columnCount(), 100);
    expectConsistent();
}

TEST_F(GridCollageTest, OrientationSwapsCanvasAndCounts)
{
    grid.setWidth(3000);
    grid.setHeight(2000);
    layOut(3, 2, {"A", "B", "C", "D", "E", "F"});
    grid.setOrientation(OrientationPortrait);
    EXPECT_EQ(QSize(grid.width(), grid.height()), QSize(2000, 3000));
    EXPECT_EQ(QSize(grid.columnCount(), grid.rowCount()), QSize(3, 2));
    // The kept 2 x 2 block stays; the spare cells fill the new column from the end.
    EXPECT_EQ(cells(), (QStringList{"A", "B", "F", "C", "D", "E"}));

    grid.setWidth(3000);
    grid.setSelectedImagePosition(1);
    grid.setOrientation(OrientationLandscape);
    EXPECT_EQ(grid.selectedImagePosition(), -1);
    EXPECT_EQ(cells(), (QStringList{"A", "B", "F", "C", "D", "E"}));
}

TEST_F(GridCollageTest, RandomChoicesFollowTheRandomSource)
{
    layOut(2, 2, {"A", "A", "B", ""});
    ScriptedRandomSource start({1});
    ScopedRandomSource scope(start);
    // Visiting from cell 1 makes cell 0 the duplicate.
    grid.changeFillDuplicates();
    EXPECT_EQ(cells(), (QStringList{"", "A", "B", ""}));

    grid.setFillDuplicates(true);
    ScriptedRandomSource offsets({3, 1});
    ScopedRandomSource scope2(offsets);
    grid.changeFillDuplicates(); // empty cells in visiting order 3, 0 get B, A
    EXPECT_EQ(cells(), (QStringList{"A", "A", "B", "B"}));

    ScriptedRandomSource order({3, 0, 0, 0});
    ScopedRandomSource scope3(order);
    const QList<PositionPtr> old = grid.picturePositions();
    grid.shuffle();
    EXPECT_EQ(grid.picturePositions(), (QList<PositionPtr>{old[3], old[0], old[1], old[2]}));
}

TEST_F(GridCollageTest, FaceCentredCropsCutTowardsTheFace)
{
    // 2 x 2 cells of 3600 x 2700 pixels.
    host.store = {{"TALL", FakeHost::solidImage(400, 800)},
                  {"WIDE", FakeHost::solidImage(1200, 300)},
                  {"NOFACE", FakeHost::solidImage(500, 500)}};
    host.detector = [](const QImage& image) {
        const int w = image.width(), h = image.height();
        return w == h ? QPointF(-1, -1) : h > w ? QPointF(0.5, 0.9) : QPointF(0.1, 0.5);
    };
    add({"TALL", "WIDE", "NOFACE"});
    const auto crop = [&](int i) { return grid.picturePositions()[i]->panZoomValue(); };
    ASSERT_TRUE(crop(0) && crop(1));
    EXPECT_EQ(*crop(0), PanZoomPos(0.5, 0.8125, 1.0)); // kept inside the top edge
    EXPECT_DOUBLE_EQ(crop(1)->cx(), 1.0 / 6.0);        // and the left edge
    EXPECT_DOUBLE_EQ(crop(1)->l(), 1.0 / 3.0);
    EXPECT_FALSE(crop(2));
}

TEST_F(GridCollageTest, GeometryAndHitTests)
{
    grid.setSpacing(0.1);
    // 200 x 200 with 2 x 2 cells: gaps of 10, cells of 85.
    const QRectF cell = grid.getDrawRectForRow(1, 0, grid.getSpacingWidthForCollageWidth(200, 200), 200, 200);
    EXPECT_EQ(cell, QRectF(10, 105, 85, 85));
    EXPECT_EQ(grid.ptLiesIn({10, 105}, 200, 200), 2);
    EXPECT_EQ(grid.ptLiesIn({95, 150}, 200, 200), -1); // right edge: in the gap
    EXPECT_EQ(grid.ptLiesIn({50, 190}, 200, 200), -1); // top edge

    layOut(2, 2, {"A", "", "", ""});
    EXPECT_EQ(grid.ptLiesInPickPictureButton({20, 20}, 200, 200), -1); // cell 0 holds a picture
    EXPECT_EQ(grid.ptLiesInPickPictureButton({110, 20}, 200, 200), 1);
    EXPECT_EQ(grid.ptLiesInPickPictureButton({180, 80}, 200, 200), -1); // beside the button

    // Holders go right of the cell's centre, or left near the right edge.
    grid.setSelectedImagePosition(0);
    grid.setInitialPositionOfHoldersAsPerSelectedPicture(400, 400);
    EXPECT_EQ(grid.positionOfCropTranslateHolder(), QPointF(105 + 80, 105 - 12));
    grid.setSelectedImagePosition(1);
    grid.setInitialPositionOfHoldersAsPerSelectedPicture(400, 400);
    EXPECT_EQ(grid.positionOfCropZoomHolder(), QPointF(295 - 110, 105 - 12));
}

TEST_F(GridCollageTest, ReadingFiles)
{
    layOut(1, 3, {"A", "", "B"});
    GridCollage copy;
    copy.setMyPropertiesFrom(grid.dictionaryRepresentationActual(true));
    EXPECT_EQ(QSize(copy.columnCount(), copy.rowCount()), QSize(3, 1));
    EXPECT_FALSE(copy.fillDuplicates());
    EXPECT_EQ(copy.picturePositions()[2]->picture(), "B");
    // Absent "gadup" means true; absent counts keep the new grid's 2 x 2.
    GridCollage fresh;
    fresh.setMyPropertiesFrom(QJsonObject{{"cs", "grid"}});
    EXPECT_TRUE(fresh.fillDuplicates());
    EXPECT_EQ(fresh.picturePositions().size(), 4);

    // Malformed files all give a consistent grid.
    const QJsonObject cellA{{"pppath", "A"}};
    const QJsonObject foreign{{"pppath", "nowhere"}};
    const QList<QJsonObject> files{
        {{"grc", 0}, {"gcc", -4}, {"is", QJsonArray{"A"}}, {"pp", QJsonArray{cellA, cellA, cellA}},
         {"selectedimagepos", 2}},
        {{"grc", 1e9}, {"gcc", 1e9}, {"pp", QJsonArray{cellA, foreign}}},
        {{"grc", 3}, {"gcc", 3}, {"is", QJsonArray{"A"}}, {"pp", QJsonArray{cellA, 5, "x", foreign}}},
        {{"grc", "2"}, {"gcc", 1e300}, {"pp", 7}},
    };
    for (const QJsonObject& file : files) {
        grid.setMyPropertiesFrom(file);
        expectConsistent();
    }

    grid.setMyPropertiesFrom(files[0]);
    EXPECT_EQ(grid.picturePositions().size(), 1);
    EXPECT_EQ(grid.selectedImagePosition(), -1); // its cell was trimmed away
    grid.setMyPropertiesFrom(files[2]);
    EXPECT_EQ(cells().mid(0, 3), (QStringList{"A", "", ""}));
    grid.setMyPropertiesFrom(files[1]);
    EXPECT_EQ(QSize(grid.columnCount(), grid.rowCount()), QSize(25, 100));
    EXPECT_EQ(grid.picturePositions()[0]->picture(), ""); // "A" is not in `images`

    // More pictures than the counts hold: the grid grows for them, and the
    // cells grown beyond them repeat pictures only when duplicates fill.
    const QJsonArray five{"A", "B", "C", "D", "E"};
    const auto cellsRead = [](const QJsonObject& file) {
        GridCollage read;
        read.setMyPropertiesFrom(file);
        QStringList out;
        for (const PositionPtr& p : read.picturePositions())
            out << p->picture();
        return std::make_pair(QSize(read.columnCount(), read.rowCount()), out);
    };
    EXPECT_EQ(cellsRead({{"is", five}, {"gcc", -1}, {"gadup", false}}),
              std::make_pair(QSize(3, 2), QStringList{"A", "B", "C", "D", "E", ""}));
    EXPECT_EQ(cellsRead({{"is", five}, {"pp", QJsonArray{cellA}}}).second,
              (QStringList{"A", "B", "C", "D", "E", "A"}));
}

TEST_F(GridCollageTest, OperationsSurviveOddCountsAndTheCap)
{
    const QList<std::function<void()>> operations{
        [&] { EXPECT_EQ(grid.ptLiesIn({1, 1}, 100, 100), -1); },
        [&] { grid.readjustPositionsForMinVisualDifferenceEarlierRowCount(-3, 0); },
        [&] { grid.changeFillDuplicates(); },
        [&] { grid.shuffle(); },
        [&] { grid.removePictures({1}); },
    };
    for (const auto& operation : operations) {
        layOut(2, 2, {"A", "B"});
        grid.setRowCount(0);
        grid.setColumnCount(1000000000);
        operation();
        if (grid.rowCount() != 0)
            expectConsistent();
    }

    // Far more pictures than the grid may hold: it stops at the cap.
    QStringList many;
    for (int i = 0; i < 2600; ++i)
        many.append(QString::number(i));
    add(many);
    expectConsistent();
    EXPECT_EQ(grid.images().size(), 1 + 2600); // "A" is left from the last loop
    EXPECT_EQ(host.notShown, QList<qsizetype>{101}); // said once, for the whole add

    // A canvas too wide for its columns grows rows for the rest.
    GridCollage wide;
    wide.setWidth(12000);
    wide.setHeight(64);
    wide.setMyWindowController(&host);
    wide.addPictures(many.mid(0, 250), {}, {}, {});
    EXPECT_EQ(QSize(wide.columnCount(), wide.rowCount()), QSize(100, 3));
    EXPECT_EQ(host.notShown.size(), 1);
}

TEST_F(GridCollageTest, BindingKeys)
{
    // Other types' keys are absent, which disables their controls.
    EXPECT_THROW(grid.valueForKey("symmetric"), UndefinedKeyError);
    grid.setValue(7, "rowCountBinding");
    grid.setValue(true, "stampBorder");
    EXPECT_EQ(grid.valueForKey("rowCountBinding").toLongLong(), 2);
    EXPECT_THROW(grid.setValue(1, "noSuchKey"), UndefinedKeyError);

    grid.addObserver(&host, "rowCountBinding", KVOptionNew, nullptr);
    grid.changeColumnCount(3);
    EXPECT_EQ(host.observedChanges, 0);
    grid.changeRowCount(3);
    EXPECT_EQ(host.observedChanges, 1);
    EXPECT_TRUE(grid.keysForValuesToObserveForUndo().contains("fillDuplicates"));
}
