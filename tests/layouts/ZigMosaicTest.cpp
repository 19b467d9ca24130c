#include "layouts/zigmosaic/PolygonCollage.h"

#include "model/FakeCollage.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/random/RandomSource.h"

#include <QJsonArray>

#include <cmath>

#include <gtest/gtest.h>

using namespace qf;
using namespace qf::test;

namespace {

using Points = QList<QPointF>;

void expectPoints(const Points& actual, const Points& expected, const char* what, double tolerance = 1e-12)
{
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (qsizetype i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i].x(), expected[i].x(), tolerance) << what << " vertex " << i;
        EXPECT_NEAR(actual[i].y(), expected[i].y(), tolerance) << what << " vertex " << i;
    }
}

// Shoelace area, whatever the winding.
double area(const Points& p)
{
    double twice = 0;
    for (qsizetype i = 0; i < p.size(); ++i)
        twice += p[i].x() * p[(i + 1) % p.size()].y() - p[(i + 1) % p.size()].x() * p[i].y();
    return std::abs(twice) / 2;
}

// Distance from q to the line through a and b.
double distanceToLine(QPointF q, QPointF a, QPointF b)
{
    const QPointF d = b - a;
    return std::abs(d.x() * (q.y() - a.y()) - d.y() * (q.x() - a.x())) / std::hypot(d.x(), d.y());
}

class ZigMosaicTest : public ::testing::Test {
protected:
    ZigMosaicTest()
    {
        zig.setMyWindowController(&host);
        zig.setWidth(1000);
        zig.setHeight(500);
        for (int i = 0; i < 6; ++i)
            host.store.insert(id(i), FakeHost::solidImage(100 + 100 * i, 300));
    }
    static QString id(int i) { return QStringLiteral("P%1").arg(i); }
    void add(const QStringList& ids) { zig.addPictures(ids, host.store, {}, {}); }
    Points verticesOf(qint64 i) const { return zig.polygonCell(i)->vertices(); }
    QStringList cellPictures() const
    {
        QStringList out;
        for (const PositionPtr& cell : zig.picturePositions())
            out.append(cell->picture());
        return out;
    }

    FakeHost host;
    PolygonCollage zig;
};

} // namespace

TEST_F(ZigMosaicTest, SplitsCutTheLongestSideAsTheTableSays)
{
    const Points square{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const Points pentagon{{0, 0}, {1, 0}, {1, 0.5}, {0.5, 1}, {0, 0.5}};
    // Random values: r1 and r2 (value % 17 + 42 hundredths), then for
    // triangles the corner choice (even: from the opposite corner).
    const struct Row {
        const char* name;
        qint64 width, height;
        Points cell;
        std::vector<quint32> random;
        Points keeps, part;
    } rows[] = {
        {"square, landscape: side 0", 1000, 500, square, {8, 2}, {{0, 0}, {0.5, 0}, {0.44, 1}, {0, 1}},
         {{0.5, 0}, {1, 0}, {1, 1}, {0.44, 1}}},
        {"square, portrait: side 1", 500, 1000, square, {8, 2}, {{0, 0}, {1, 0}, {1, 0.5}, {0, 0.44}},
         {{1, 1}, {0, 1}, {0, 0.44}, {1, 0.5}}},
        {"quadrilateral, side 2 is cut like side 0", 100, 100, {{0.4, 0}, {0.6, 0}, {1, 0.3}, {0, 0.3}}, {0, 16},
         {{0.4, 0}, {0.42 * 0.4 + 0.58 * 0.6, 0}, {0.58, 0.3}, {0, 0.3}},
         {{0.42 * 0.4 + 0.58 * 0.6, 0}, {0.6, 0}, {1, 0.3}, {0.58, 0.3}}},
        {"triangle, side 0, opposite corner", 100, 100, {{0, 1}, {1, 0}, {0, 0}}, {8, 8, 0},
         {{0, 1}, {0.5, 0.5}, {0, 0}}, {{0.5, 0.5}, {1, 0}, {0, 0}}},
        {"triangle, side 1, opposite corner", 100, 100, {{0, 0}, {1, 0}, {0, 1}}, {8, 8, 0},
         {{0, 0}, {1, 0}, {0.5, 0.5}}, {{0, 1}, {0, 0}, {0.5, 0.5}}},
        {"triangle, side 2, opposite corner", 100, 100, {{1, 0}, {0, 0}, {0, 1}}, {8, 8, 0},
         {{1, 0}, {0, 0}, {0.5, 0.5}}, {{0, 1}, {0.5, 0.5}, {0, 0}}},
        {"triangle, across the first corner", 100, 100, {{0, 0}, {1, 0}, {0, 1}}, {8, 16, 1},
         {{0, 0}, {0.5, 0}, {0, 0.42}}, {{0.5, 0}, {1, 0}, {0, 1}, {0, 0.42}}},
        {"pentagon, longest side 0", 100, 100, pentagon, {8, 8},
         {{0, 0}, {0.5, 0}, {0.75, 0.75}, {0.5, 1}, {0, 0.5}}, {{0.5, 0}, {1, 0}, {1, 0.5}, {0.75, 0.75}}},
        {"pentagon, longest side 3, cut round the end", 100, 100,
         {{1, 0.5}, {0.5, 1}, {0, 0.5}, {0, 0}, {1, 0}}, {8, 8},
         {{1, 0.5}, {0.75, 0.75}, {0.5, 0}, {1, 0}}, {{0.75, 0.75}, {0.5, 1}, {0, 0.5}, {0, 0}, {0.5, 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        zig.setWidth(row.width);
        zig.setHeight(row.height);
        zig.picturePositions() = {std::make_shared<PolygonPosition>("a", row.cell)};
        zig.picturePositions()[0]->setPanZoomValue(PanZoomPos(0.4, 0.4, 0.5));
        ScriptedRandomSource random(row.random);
        ScopedRandomSource scoped(random);
        const Points part = zig.splitAndReturnNewPosition(0);
        expectPoints(verticesOf(0), row.keeps, "kept");
        expectPoints(part, row.part, "new");
        EXPECT_EQ(random.callCount(), row.random.size());
        EXPECT_NEAR(area(verticesOf(0)) + area(part), area(row.cell), 1e-12);
        EXPECT_EQ(zig.picturePositions()[0]->picture(), "a");
        EXPECT_FALSE(zig.picturePositions()[0]->panZoomValue());
    }
}

TEST_F(ZigMosaicTest, TheCellToSplitIsTheFirstWithTheLongestSideAndOnlyAPolygon)
{
    EXPECT_EQ(zig.findNextIndexToSplit(), -1);
    const Points left{{0, 0}, {0.5, 0}, {0.5, 1}, {0, 1}};
    const Points right{{0.5, 0}, {1, 0}, {1, 1}, {0.5, 1}};
    zig.picturePositions() = {std::make_shared<PolygonPosition>("", Points{{0, 0}, {5, 5}}),
                              std::make_shared<PolygonPosition>("", left),
                              std::make_shared<PolygonPosition>("", right)};
    EXPECT_EQ(zig.findNextIndexToSplit(), 1) << "a segment is never cut; equal sides go to the first";

    // Nothing that can be cut: a new picture gets the unit square, every
    // cell keeping a defined shape.
    zig.picturePositions() = {std::make_shared<PolygonPosition>("", Points{{0, 0}, {5, 5}}),
                              std::make_shared<PolygonPosition>("", Points{{0, 0}, {1, NAN}, {1, 1}})};
    EXPECT_EQ(zig.findNextIndexToSplit(), -1);
    EXPECT_TRUE(zig.splitAndReturnNewPosition(0).isEmpty());
    EXPECT_EQ(verticesOf(0).size(), 2);
    add({id(0)});
    ASSERT_EQ(zig.picturePositions().size(), 3);
    expectPoints(verticesOf(2), {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, "new cell");
    EXPECT_EQ(zig.picturePositions()[2]->picture(), id(0)) << "a shapeless empty cell is not filled";
}

TEST_F(ZigMosaicTest, TheSecondPictureCutsTheSquareAcrossItsLongerSide)
{
    // r1 = 0.45 (3) and r2 = 0.55 (13): P = 0.45 A + 0.55 B, Q = 0.55 C + 0.45 D.
    const struct Row {
        qint64 width, height;
        std::vector<quint32> random;
        Points first, second;
    } rows[] = {
        {1000, 500, {8, 2}, {{0, 0}, {0.5, 0}, {0.44, 1}, {0, 1}}, {{0.5, 0}, {1, 0}, {1, 1}, {0.44, 1}}},
        {600, 600, {8, 2}, {{0, 0}, {0.5, 0}, {0.44, 1}, {0, 1}}, {{0.5, 0}, {1, 0}, {1, 1}, {0.44, 1}}},
        {500, 1000, {8, 2}, {{0, 0}, {1, 0}, {1, 0.5}, {0, 0.44}}, {{1, 1}, {0, 1}, {0, 0.44}, {1, 0.5}}},
        {1000, 500, {3, 13}, {{0, 0}, {0.55, 0}, {0.55, 1}, {0, 1}}, {{0.55, 0}, {1, 0}, {1, 1}, {0.55, 1}}},
        {500, 1000, {3, 13}, {{0, 0}, {1, 0}, {1, 0.55}, {0, 0.55}}, {{1, 1}, {0, 1}, {0, 0.55}, {1, 0.55}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << " x " << row.height << ", r1 " << row.random[0]);
        PolygonCollage fresh;
        fresh.setMyWindowController(&host);
        fresh.setWidth(row.width);
        fresh.setHeight(row.height);
        ScriptedRandomSource random(row.random);
        ScopedRandomSource scoped(random);
        fresh.addPictures({id(0)}, host.store, {}, {});
        ASSERT_EQ(fresh.picturePositions().size(), 1);
        expectPoints(fresh.polygonCell(0)->vertices(), {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, "unit square");
        fresh.addPictures({id(1)}, host.store, {}, {});
        ASSERT_EQ(fresh.picturePositions().size(), 2);
        expectPoints(fresh.polygonCell(0)->vertices(), row.first, "first");
        expectPoints(fresh.polygonCell(1)->vertices(), row.second, "second");
        EXPECT_EQ(fresh.picturePositions()[1]->picture(), id(1));
    }
}

TEST_F(ZigMosaicTest, PicturesFillEmptyCellsStayInPlaceWhenRemovedAndShuffleRebuilds)
{
    // Three at once: three cells covering the square, narrow pictures in narrow cells.
    add({id(4), id(0), id(2)});
    ASSERT_EQ(zig.picturePositions().size(), 3);
    double covered = 0;
    for (qint64 i = 0; i < 3; ++i) {
        covered += area(verticesOf(i));
        if (i > 0) {
            EXPECT_LE(zig.polygonCell(i - 1)->getWidthToHeightRatio(), zig.polygonCell(i)->getWidthToHeightRatio());
        }
    }
    EXPECT_NEAR(covered, 1.0, 1e-12);
    EXPECT_EQ(cellPictures(), (QStringList{id(0), id(2), id(4)}));

    // Removing keeps the cell, empty and uncropped; adding fills it, the
    // preferred one first, and cuts nothing.
    zig.picturePositions()[0]->setPanZoomValue(PanZoomPos(0.5, 0.5, 0.5));
    zig.removePictures({zig.images().indexOf(id(0)), zig.images().indexOf(id(4))});
    EXPECT_EQ(cellPictures(), (QStringList{"", id(2), ""}));
    EXPECT_FALSE(zig.picturePositions()[0]->panZoomValue());
    zig.picturePositions()[2]->setPreferredToFill(true);
    const Points shape = verticesOf(0);
    add({id(5)});
    EXPECT_EQ(cellPictures(), (QStringList{"", id(2), id(5)}));
    expectPoints(verticesOf(0), shape, "untouched");

    zig.setSelectedImagePosition(2);
    EXPECT_TRUE(zig.removeSelectedPicture());
    EXPECT_FALSE(zig.removeSelectedPicture());
    zig.shuffle();
    EXPECT_EQ(cellPictures(), (QStringList{id(2)}));
    zig.removePictures({0});
    ASSERT_EQ(zig.picturePositions().size(), 1);
    zig.shuffle();
    EXPECT_TRUE(zig.picturePositions().isEmpty()) << "an all-empty tiling has no cells after a shuffle";
    EXPECT_EQ(zig.getSpacingWidthForCollageWidth(1000, 500), 0.0);
}

TEST_F(ZigMosaicTest, ADropExchangesPicturesAndLeavesTheCellsWhereTheyAre)
{
    ScriptedRandomSource random({8}); // cut in halves, along x = 500
    ScopedRandomSource scoped(random);
    add({id(0), id(1)});
    const QStringList before = cellPictures();
    const Points shape0 = verticesOf(0), shape1 = verticesOf(1);
    const QPointF from = zig.slotRect(0, 1000, 500).center(), to = zig.slotRect(1, 1000, 500).center();
    const MouseEvent e{from, 1, Qt::NoModifier};
    zig.mouseDownAt(from, 1000, 500, e);
    zig.mouseDraggedAt(to, 1000, 500, e);
    zig.mouseUpAt(to, 1000, 500, e);
    EXPECT_EQ(cellPictures(), (QStringList{before[1], before[0]}));
    expectPoints(verticesOf(0), shape0, "first");
    expectPoints(verticesOf(1), shape1, "second");
    EXPECT_EQ(zig.selectedImagePosition(), 1);
    // The gap between the cells hits neither.
    zig.setSpacing(0.2);
    EXPECT_EQ(zig.ptLiesIn(QPointF(500, 250), 1000, 500), -1);
}

TEST_F(ZigMosaicTest, PicturesFillTheirPolygonWhateverTheImageScaling)
{
    add({id(0), id(1), id(3)});
    const auto draw = [&] {
        QImage out = GraphicsContext::newBitmap(QSize(400, 200));
        GraphicsContext context(out);
        zig.drawYourselfOnCurrentContextInWidth(context, 400, 200, true);
        return out;
    };
    const QImage cropped = draw();
    zig.setImageScaling(ImageScalingFitWhole);
    EXPECT_EQ(draw(), cropped);
}

TEST_F(ZigMosaicTest, TypedCellsReplaceTheTilingOnlyWhenEveryCellIsGood)
{
    add({id(0), id(1), id(2)});
    zig.setSelectedImagePosition(2);
    const QStringList pictures = cellPictures();
    const Points first = verticesOf(0);
    const QString notAList = "The text is not a list of cells.";
    const QString needsThree = "Cell %1 needs at least three points, each two numbers.";
    const QString offCanvas = "Cell %1 has a corner off the canvas; corners lie between 0 and 1.";
    const struct Row {
        QString text, why;
    } refused[] = {
        {"", notAList},
        {"nonsense", notAList},
        {"{\"a\": 1}", notAList},
        {"3", notAList},
        {"[[[0,0],[1,0],[1,1]]", notAList},
        {"[]", "The list has no cells; a zig mosaic needs at least one."},
        {"[[[0,0],[1,0],[1,1]], [[0,0],[1,0]]]", needsThree.arg(2)},
        {"[[[0,0],[1,0],[1,1]], 7]", needsThree.arg(2)},
        {"[[[0,0],[1,0],[\"x\",1]]]", needsThree.arg(1)},
        {"[[[0,0],[1,0],[1]]]", needsThree.arg(1)},
        {"[[[0,0],[1,0],[1,1,9]]]", needsThree.arg(1)},
        {"[[[0,0],[1,0],[1,1]], [[0,0],[1e9,0],[1,1]]]", offCanvas.arg(2)},
        {"[[[0,0],[1.5,0],[1,1]]]", offCanvas.arg(1)},
        {"[[[0,-0.001],[1,0],[1,1]]]", offCanvas.arg(1)},
        {"[[[0,0],[0.5,0.5],[1,1]]]", "None of these cells can be seen."},
    };
    for (const Row& row : refused) {
        SCOPED_TRACE(row.text.left(60).toStdString());
        QString why;
        EXPECT_FALSE(zig.setInitialEmptyPositions(row.text, &why));
        EXPECT_EQ(why, row.why);
        EXPECT_EQ(cellPictures(), pictures);
        EXPECT_EQ(zig.images().size(), 3);
        EXPECT_EQ(zig.selectedImagePosition(), 2);
        expectPoints(verticesOf(0), first, "untouched");
    }

    const QString sample = "[[[0,0], [0.4,0], [0.5,0.5], [0,0.6]], [[0.4,0], [1,0], [1,0.4], [0.5,0.5]], "
                           "[[0.5,0.5], [1,0.4], [1,1], [0.6,1]], [[0.5,0.5], [0.6,1], [0,1], [0,0.6]]]";
    QString why = "stale";
    ASSERT_TRUE(zig.setInitialEmptyPositions(sample, &why));
    EXPECT_TRUE(why.isEmpty());
    EXPECT_EQ(cellPictures(), (QStringList{"", "", "", ""}));
    EXPECT_TRUE(zig.images().isEmpty());
    EXPECT_EQ(zig.selectedImagePosition(), -1);
    expectPoints(verticesOf(2), {{0.5, 0.5}, {1, 0.4}, {1, 1}, {0.6, 1}}, "third");
    ASSERT_TRUE(zig.setInitialEmptyPositions("[[[0,0],[1,0],[1,1]]]"));
    EXPECT_EQ(zig.picturePositions().size(), 1);
    // A cell in a line is left out, as reading it back would drop it.
    ASSERT_TRUE(zig.setInitialEmptyPositions("[[[0.1,0.1],[0.1,0.9],[0.1,0.5]], [[0,0],[1,0],[1,1]]]"));
    EXPECT_EQ(zig.picturePositions().size(), 1);
}

TEST_F(ZigMosaicTest, ACellReadWithoutAShapeHasNoVerticesAndShowsNothing)
{
    const struct Row {
        const char* name;
        QJsonValue pvs;
        qsizetype vertices;
    } rows[] = {
        {"points", QJsonArray{QJsonObject{{"pox", 0}, {"poy", 0}}, QJsonObject{{"pox", 1}, {"poy", 0}},
                              QJsonObject{{"pox", 1}, {"poy", 1}}},
         3},
        {"a point without y", QJsonArray{QJsonObject{{"pox", 0}, {"poy", 0}}, QJsonObject{{"pox", 1}}}, 0},
        {"a number among points", QJsonArray{QJsonObject{{"pox", 0}, {"poy", 0}}, 4}, 0},
        {"no list", QJsonObject{}, 0},
        {"too many", QJsonArray::fromVariantList(QVariantList(65, QVariantMap{{"pox", 0.5}, {"poy", 0.5}})), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PolygonPosition cell("a", {{9, 9}});
        cell.setMyPropertiesFrom(QJsonObject{{"pvs", row.pvs}});
        EXPECT_EQ(cell.vertices().size(), row.vertices);
        EXPECT_EQ(cell.hasGeometry(), row.vertices == 3);
    }
    // One that is there all the same, holding a picture, is drawn and hit as nothing.
    zig.picturePositions() = {std::make_shared<PolygonPosition>(id(0), Points{{0, 0}, {1, 0}})};
    zig.setImages({id(0)});
    EXPECT_TRUE(zig.slotOutline(0, 1000, 500, 0).isEmpty());
    EXPECT_EQ(zig.ptLiesIn(QPointF(500, 1), 1000, 500), -1);
    EXPECT_TRUE(zig.slotPickButtonRect(0, 1000, 500).isNull());
}

TEST_F(ZigMosaicTest, CellsThatCannotBeSeenAreDroppedOnReadingAndThePicturesTiledAnew)
{
    const auto point = [](QJsonValue x, QJsonValue y) { return QJsonObject{{"pox", x}, {"poy", y}}; };
    add({id(0), id(1), id(2)});
    QJsonArray sameAsNext;
    for (const QPointF& v : verticesOf(2))
        sameAsNext.append(point(v.x(), v.y()));
    const struct Row {
        const char* name;
        QJsonArray pvs;
    } rows[] = {
        {"two vertices", {point(0, 0), point(1, 0)}},
        {"not a number", {point(0, 0), point(qQNaN(), 0), point(1, 1)}},
        {"huge", {point(0, 0), point(1e300, 0), point(1, 1)}},
        {"beyond the canvas bound", {point(0, 0), point(0, -1001), point(1, 1)}},
        {"too many", QJsonArray::fromVariantList(QVariantList(65, QVariantMap{{"pox", 0.5}, {"poy", 0.5}}))},
        {"in a line", {point(0, 0), point(0.5, 0.5), point(1, 1)}},
        {"all on one point", {point(0.3, 0.3), point(0.3, 0.3), point(0.3, 0.3)}},
        {"off the canvas", {point(2, 2), point(3, 2), point(3, 3)}},
        {"under the next cell", sameAsNext},
    };
    const QString lost = zig.picturePositions()[1]->picture();
    for (const bool spare : {false, true}) {
        if (spare) // an empty cell after the three
            zig.picturePositions().append(std::make_shared<PolygonPosition>("", Points{{0, 0}, {1, 0}, {0, 1}}));
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << row.name << (spare ? ", with an empty cell" : ""));
            zig.setSelectedImagePosition(1);
            QJsonObject dict = zig.dictionaryRepresentationActual(false);
            QJsonArray cells = dict["pp"].toArray();
            QJsonObject bad = cells[1].toObject();
            bad["pvs"] = row.pvs;
            cells[1] = bad;
            dict["pp"] = cells;

            PolygonCollage read;
            read.setMyWindowController(&host);
            read.setMyPropertiesFrom(dict);
            ASSERT_EQ(read.picturePositions().size(), 3) << "a cell for each picture";
            QStringList shown;
            for (qint64 i = 0; i < 3; ++i) {
                const Points cell = read.polygonCell(i)->vertices();
                EXPECT_TRUE(read.polygonCell(i)->hasGeometry()) << i;
                EXPECT_GT(area(cell), 0.01) << i;
                for (const QPointF& v : cell)
                    EXPECT_TRUE(v.x() >= 0 && v.x() <= 1 && v.y() >= 0 && v.y() <= 1) << i;
                shown.append(read.picturePositions()[i]->picture());
            }
            shown.sort();
            EXPECT_EQ(shown, (QStringList{id(0), id(1), id(2)})) << "every picture once";
            EXPECT_EQ(read.images(), zig.images());
            EXPECT_EQ(read.picturesPutBackOnReading(), QStringList{lost});
            EXPECT_EQ(read.selectedImagePosition(), -1);
        }
    }
    // Sound cells, and a spare one that cannot be seen, which goes alone.
    QJsonObject dict = zig.dictionaryRepresentationActual(false);
    QJsonArray cells = dict["pp"].toArray();
    QJsonObject spare = cells[3].toObject();
    spare["pvs"] = QJsonArray{point(0, 0), point(0.5, 0.5), point(1, 1)};
    cells[3] = spare;
    dict["pp"] = cells;
    PolygonCollage read;
    read.setMyPropertiesFrom(dict);
    ASSERT_EQ(read.picturePositions().size(), 3);
    for (qint64 i = 0; i < 3; ++i)
        EXPECT_EQ(read.polygonCell(i)->vertices(), verticesOf(i));
    EXPECT_TRUE(read.picturesPutBackOnReading().isEmpty());
}

TEST_F(ZigMosaicTest, FaceCropsCentreTheWindowOnTheFaceWithinTheCell)
{
    // The unit square at 1000 x 500: a pixel box twice as wide as high.
    const struct Row {
        const char* name;
        QSize image;
        QPointF face;
        std::optional<PanZoomPos> crop;
    } rows[] = {
        {"taller picture, face near the top", {600, 800}, {0.5, 0.1}, PanZoomPos(0.5, 0.1875, 1.0)},
        {"taller picture, face near the bottom", {600, 800}, {0.3, 0.95}, PanZoomPos(0.5, 0.8125, 1.0)},
        {"wider picture, face at the right", {2000, 500}, {0.9, 0.5}, PanZoomPos(0.75, 0.5, 0.5)},
        {"no face", {600, 800}, {-1, -1}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        host.store.insert("F", FakeHost::solidImage(row.image.width(), row.image.height()));
        host.detector = [&row](const QImage&) { return row.face; };
        PolygonCollage fresh;
        fresh.setMyWindowController(&host);
        fresh.setWidth(1000);
        fresh.setHeight(500);
        fresh.addPictures({"F"}, host.store, {}, {});
        const std::optional<PanZoomPos> crop = fresh.picturePositions()[0]->panZoomValue();
        ASSERT_EQ(crop.has_value(), row.crop.has_value());
        if (crop) {
            EXPECT_NEAR(crop->cx(), row.crop->cx(), 1e-12);
            EXPECT_NEAR(crop->cy(), row.crop->cy(), 1e-12);
            EXPECT_NEAR(crop->l(), row.crop->l(), 1e-12);
        }
    }
}

TEST_F(ZigMosaicTest, TheInwardMoveKeepsEverySideAtTheDistance)
{
    const struct Row {
        const char* name;
        Points polygon;
    } rows[] = {
        {"square, anticlockwise", {{0, 0}, {100, 0}, {100, 100}, {0, 100}}},
        {"square, clockwise", {{0, 0}, {0, 100}, {100, 100}, {100, 0}}},
        {"triangle", {{10, 20}, {300, 40}, {120, 260}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Points moved = PolygonPosition::getVerticesMovedInsideBy(7, row.polygon);
        ASSERT_EQ(moved.size(), row.polygon.size());
        EXPECT_LT(area(moved), area(row.polygon));
        const qsizetype n = moved.size();
        for (qsizetype i = 0; i < n; ++i) {
            const QPointF a = row.polygon[i], b = row.polygon[(i + 1) % n];
            EXPECT_NEAR(distanceToLine(moved[i], a, b), 7, 1e-3) << "side " << i;
            EXPECT_NEAR(distanceToLine(moved[(i + 1) % n], a, b), 7, 1e-3) << "side " << i;
        }
    }
    // Vertices on the canvas edge are pulled in by s first, then every side
    // moves in by s: 2s at the edge, s for an inner side.
    const Points unit{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const struct Drawn {
        Points cell;
        double width, height;
        Points expected;
    } drawn[] = {
        {unit, 200, 100, {{20, 20}, {180, 20}, {180, 80}, {20, 80}}},
        {unit, 1000, 1000, {{20, 20}, {980, 20}, {980, 980}, {20, 980}}},
        {{{0.25, 0.25}, {0.75, 0.25}, {0.75, 0.75}, {0.25, 0.75}}, 1000, 1000,
         {{260, 260}, {740, 260}, {740, 740}, {260, 740}}},
        {{{0, 0}, {0.5, 0}, {0.5, 1}, {0, 1}}, 1000, 1000, {{20, 20}, {490, 20}, {490, 980}, {20, 980}}},
    };
    for (const Drawn& row : drawn) {
        SCOPED_TRACE(testing::Message() << row.width << " x " << row.height);
        expectPoints(PolygonPosition("", row.cell).getDrawVerticesWidth(row.width, row.height, 10), row.expected,
                     "drawn", 1e-4);
    }
}
