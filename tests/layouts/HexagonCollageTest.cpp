#include "layouts/hexagon/HexagonCollage.h"
#include "layouts/hexagon/HexagonPosition.h"

#include "model/CollageJsonKeys.h"
#include "model/FakeCollage.h"
#include "model/UtilityFunctions.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QSet>

#include <cmath>

#include <gtest/gtest.h>

using namespace qf;
using namespace qf::test;

namespace {

class HexagonCollageTest : public ::testing::Test {
protected:
    HexagonCollageTest() { hex.setMyWindowController(&host); }

    void clearPictures()
    {
        QList<qsizetype> all;
        for (qsizetype i = 0; i < hex.images().size(); ++i)
            all.append(i);
        hex.removePictures(all);
    }
    void resize(qint64 w, qint64 h)
    {
        hex.setWidth(w);
        hex.setHeight(h);
        hex.reputPicturesCompletely(); // what a new collage of that size starts with
    }
    QStringList addNumbered(int n, bool tiny = false)
    {
        QStringList ids;
        for (int i = 0; i < n; ++i) {
            ids.append(QStringLiteral("P%1").arg(i));
            host.store.insert(ids.last(), tiny ? FakeHost::solidImage(1, 1) : FakeHost::solidImage(60 + i, 40));
        }
        hex.addPictures(ids, host.store, {}, {});
        return ids;
    }
    // Every cell sits on its own valid place, and every place has a cell.
    static void expectOneCellPerPlace(const HexagonCollage& c)
    {
        QSet<QPair<qint64, qint64>> places;
        for (const PositionPtr& p : c.picturePositions()) {
            const auto& cell = static_cast<const HexagonPosition&>(*p);
            EXPECT_TRUE(c.isValidPosRowIndex(cell.rowIndex(), cell.colIndex()))
                << cell.rowIndex() << "," << cell.colIndex();
            places.insert({cell.rowIndex(), cell.colIndex()});
        }
        EXPECT_EQ(places.size(), c.picturePositions().size()) << "a place holds two cells";
        EXPECT_EQ(places.size(), c.possibleNumberOfPos());
        for (qint64 r = 0; r < c.rowCount(); ++r)
            for (qint64 col = r % 2; col < c.columnCount(); col += 2)
                EXPECT_TRUE(c.getPositionForRowIndex(r, col)) << r << "," << col;
    }
    void expectOneCellPerPlace() const { expectOneCellPerPlace(hex); }
    // Each picture of the project shows in exactly one cell, and no cell
    // shows anything else.
    static void expectEveryPictureOnce(const HexagonCollage& c)
    {
        QHash<QString, int> shown;
        for (const PositionPtr& p : c.picturePositions())
            if (!p->isEmpty())
                ++shown[p->picture()];
        for (const QString& md5 : c.images())
            EXPECT_EQ(shown.value(md5), 1) << md5.toStdString();
        EXPECT_EQ(shown.size(), c.images().size());
    }
    std::shared_ptr<HexagonPosition> cellShowing(const QString& md5) const
    {
        for (const PositionPtr& p : hex.picturePositions())
            if (p->picture() == md5)
                return std::dynamic_pointer_cast<HexagonPosition>(p);
        return nullptr;
    }
    void drag(QPointF from, QPointF to)
    {
        const MouseEvent e{from, 1, Qt::NoModifier};
        hex.mouseDownAt(from, W, H, e);
        hex.mouseDraggedAt(to, W, H, e);
        hex.mouseUpAt(to, W, H, e);
    }
    QPointF centreOf(const QString& md5) const
    {
        const qint64 i = hex.picturePositions().indexOf(cellShowing(md5));
        return hex.slotHolderCentre(i, W, H);
    }

    static constexpr double W = 720;
    static constexpr double H = 540;
    FakeHost host;
    HexagonCollage hex;
};

} // namespace

TEST_F(HexagonCollageTest, GridsGrowFromTheCanvasAndFillItCentred)
{
    struct Row {
        qint64 w, h;
        int pictures;
        qint64 columns, rows, cells;
        double side;
        bool widthFilled;
    };
    const Row rows[] = {
        {7200, 5400, 0, 2, 2, 2, 2057.142857, true}, {7200, 5400, 3, 3, 3, 5, 1440, true},
        {7200, 5400, 10, 5, 5, 13, 900, true},       {5400, 7200, 0, 2, 4, 4, 1542.857143, true},
        {3000, 1000, 0, 4, 2, 4, 384.900179, false}, {1000, 1000, 0, 2, 3, 3, 285.714286, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.w << "x" << row.h << " with " << row.pictures);
        clearPictures();
        resize(row.w, row.h);
        addNumbered(row.pictures);
        EXPECT_EQ(hex.columnCount(), row.columns);
        EXPECT_EQ(hex.rowCount(), row.rows);
        EXPECT_EQ(hex.picturePositions().size(), row.cells);
        EXPECT_NEAR(hex.sideLengthWidth(row.w, row.h), row.side, 1e-5);
        EXPECT_EQ(hex.filledRowComplete(), row.widthFilled);
        expectOneCellPerPlace();

        // The honeycomb spans the filled side and is centred on the other.
        QRectF all;
        const double a = hex.sideLengthWidth(row.w, row.h);
        for (const PositionPtr& p : hex.picturePositions())
            all |= static_cast<HexagonPosition&>(*p).getPositionRect(a, row.w, row.h, hex.rowCount(),
                                                                   hex.columnCount());
        EXPECT_NEAR(row.widthFilled ? all.width() : all.height(), row.widthFilled ? row.w : row.h, 1e-6);
        EXPECT_NEAR(all.center().x(), row.w / 2.0, 1e-6);
        EXPECT_NEAR(all.center().y(), row.h / 2.0, 1e-6);
    }
    // Cell (0, 0) of a new collage on 7200 x 5400 (2 x 2, width filled):
    // a = 7200 / 3.5, h = a sqrt(3) / 2, x0 = a / 2, y0 = (5400 - 3h) / 2.
    clearPictures();
    resize(7200, 5400);
    const std::shared_ptr<HexagonPosition> origin = hex.getPositionForRowIndex(0, 0);
    ASSERT_TRUE(origin);
    const QList<QPointF> corners = origin->getBoundingVertices(hex.sideLengthWidth(7200, 5400), 7200, 5400,
                                                               hex.rowCount(), hex.columnCount());
    const QList<QPointF> expected = {{1028.571429, 27.693040}, {3085.714286, 27.693040},
                                     {4114.285714, 1809.231013}, {3085.714286, 3590.768987},
                                     {1028.571429, 3590.768987}, {0.0, 1809.231013}};
    ASSERT_EQ(corners.size(), expected.size());
    for (qsizetype i = 0; i < corners.size(); ++i) {
        EXPECT_NEAR(corners[i].x(), expected[i].x(), 1e-5) << "corner " << i;
        EXPECT_NEAR(corners[i].y(), expected[i].y(), 1e-5) << "corner " << i;
    }

    // A new collage is made for its default canvas.
    HexagonCollage fresh;
    EXPECT_EQ(QSize(fresh.columnCount(), fresh.rowCount()), QSize(2, 2));
    EXPECT_EQ(fresh.picturePositions().size(), 2);
}

TEST_F(HexagonCollageTest, PlacesAndTheWidthFilledThreshold)
{
    const struct {
        qint64 rows, columns, places;
    } grids[] = {{2, 2, 2}, {3, 3, 5}, {2, 5, 5}, {5, 2, 5}, {4, 4, 8}, {0, 5, 0}, {5, 0, 0}, {-3, 4, 0}};
    for (const auto& g : grids)
        EXPECT_EQ(HexagonCollage::possibleNumberOfPosForRowCount(g.rows, g.columns), g.places)
            << g.rows << " x " << g.columns;
    EXPECT_TRUE(HexagonCollage::isValidPos(1, 1, 2, 2));
    EXPECT_FALSE(HexagonCollage::isValidPos(0, 1, 2, 2));
    EXPECT_FALSE(HexagonCollage::isValidPos(2, 0, 2, 2));

    // 7 : 3 sqrt(3) is 1.34715...: at or above it the height is filled.
    const struct {
        qint64 w, h;
        bool widthFilled;
    } canvases[] = {{1000, 1000, true},
                    {1347, 1000, true},
                    {1348, 1000, false},
                    {7200, 5400, true},
                    // Exactly the threshold (a power-of-two height keeps the quotient exact).
                    {qint64(1.3471506281091268 * 4503599627370496.0), qint64(1) << 52, false}};
    EXPECT_EQ(double(canvases[4].w) / double(canvases[4].h), 7 / (3 * std::sqrt(3.0)));
    for (const auto& c : canvases) {
        hex.setWidth(c.w);
        hex.setHeight(c.h);
        EXPECT_EQ(hex.filledRowComplete(), c.widthFilled) << c.w << " x " << c.h;
    }

    hex.setRowCount(0);
    EXPECT_EQ(hex.sideLengthWidth(7200, 5400), 0);
    EXPECT_EQ(hex.getSpacingWidthForCollageWidth(7200, 5400), 0);
    EXPECT_EQ(hex.getStrokeWidthForCollageWidth(7200, 5400), 0);
}

TEST_F(HexagonCollageTest, ThePickButtonSitsAQuarterInAndOnlyWhereItFits)
{
    const struct {
        QRectF picture;
        QRectF button;
    } rows[] = {
        {QRectF(10, 20, 100, 100), QRectF(40, 25, 30, 30)},
        {QRectF(10, 20, 80, 100), QRectF()}, // half the width is not wider than 30 + 10
        {QRectF(10, 20, 100, 40), QRectF()},
    };
    for (const auto& row : rows)
        EXPECT_EQ(hex.getDrawRectImagePickerButton(row.picture), row.button);
}

TEST_F(HexagonCollageTest, ShrinkingKeepsPicturesAndCropsOrRefuses)
{
    const QStringList ids = addNumbered(10); // 5 x 5
    for (int i = 0; i < ids.size(); ++i)
        cellShowing(ids[i])->setPanZoomValue(PanZoomPos(0.5, 0.4 + i / 100.0, 0.8));

    // 4 x 4 has 8 places: ten pictures do not fit.
    const QJsonObject before = hex.dictionaryRepresentationActual(true);
    EXPECT_FALSE(hex.decreasePosCountIfPossible());
    EXPECT_EQ(hex.dictionaryRepresentationActual(true), before);

    hex.removePictures({0, 1, 2});
    QHash<QString, std::shared_ptr<HexagonPosition>> cellsBefore;
    for (const QString& md5 : hex.images())
        cellsBefore.insert(md5, cellShowing(md5));
    ASSERT_TRUE(hex.decreasePosCountIfPossible());
    EXPECT_EQ(QSize(hex.columnCount(), hex.rowCount()), QSize(4, 4));
    EXPECT_EQ(hex.picturePositions().size(), 8);
    expectOneCellPerPlace();
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const QString& md5 = ids[i];
        if (!hex.images().contains(md5))
            continue;
        const std::shared_ptr<HexagonPosition> now = cellShowing(md5);
        ASSERT_TRUE(now) << md5.toStdString();
        EXPECT_EQ(now->panZoomValue(), PanZoomPos(0.5, 0.4 + i / 100.0, 0.8)) << md5.toStdString();
        const std::shared_ptr<HexagonPosition> was = cellsBefore.value(md5);
        if (was->rowIndex() < 4 && was->colIndex() < 4) {
            EXPECT_EQ(now, was) << md5.toStdString() << " should not have moved";
        }
    }

    // Both counts must be at least 3.
    for (const QSize& grid : {QSize(5, 2), QSize(2, 5)}) {
        hex.setRowCount(grid.height());
        hex.setColumnCount(grid.width());
        hex.ensureAllPositionsArePresent();
        EXPECT_FALSE(hex.decreasePosCountIfPossible());
        EXPECT_EQ(QSize(hex.columnCount(), hex.rowCount()), grid);
    }
}

TEST_F(HexagonCollageTest, ReadingDropsStrayCellsAndShowsEveryPictureOnce)
{
    resize(7200, 5400);
    addNumbered(3); // 3 x 3, places (0,0) (0,2) (1,1) (2,0) (2,2)
    const QJsonObject base = hex.dictionaryRepresentationActual(true);
    struct Cell {
        const char* md5;
        qint64 r, c;
        bool cropped = false; // a crop only on a picture's sole cell
    };
    struct Row {
        const char* name;
        QJsonValue rows, columns;
        QList<Cell> cells;
        qint64 expectRows, expectColumns;
        QList<Cell> stay; // pictures that keep their place
    };
    const QJsonValue none;
    const Row table[] = {
        {"outside and on a taken place", 3, 3, {{"P0", 0, 0}, {"P1", 1, 1}, {"", 0, 0}, {"P2", 7, 9, true}}, 3, 3,
         {{"P0", 0, 0}, {"P1", 1, 1}}},
        {"wrong parity", 3, 3, {{"P0", 0, 1, true}, {"P1", 1, 1}, {"P2", 2, 2}}, 3, 3, {{"P1", 1, 1}, {"P2", 2, 2}}},
        {"a picture on a taken place", 3, 3, {{"P0", 0, 0}, {"P1", 0, 0, true}, {"P2", 2, 2}}, 3, 3,
         {{"P0", 0, 0}, {"P2", 2, 2}}},
        {"negative place", 3, 3, {{"P0", -2, 0, true}, {"P1", 1, -1}, {"P2", 2, 2}}, 3, 3, {{"P2", 2, 2}}},
        {"counts from the cells", none, none, {{"P0", 0, 0}, {"P1", 3, 1}, {"P2", 0, 4}}, 4, 5,
         {{"P0", 0, 0}, {"P1", 3, 1}, {"P2", 0, 4}}},
        {"null counts from the cells", QJsonValue(QJsonValue::Null), 3, {{"P0", 0, 0}, {"P1", 1, 1}, {"P2", 4, 2}},
         5, 3, {{"P0", 0, 0}, {"P1", 1, 1}, {"P2", 4, 2}}},
        {"counts from far cells stop at the cap", none, none, {{"P0", 0, 0}, {"P1", 1000000, 1, true}, {"P2", -4, 0}},
         200, 2, {{"P0", 0, 0}}},
        {"no cells: too small a grid, rebuilt", none, none, {}, 3, 3, {}},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.name);
        QJsonObject dict = base;
        const auto put = [&](const QString& key, const QJsonValue& v) {
            if (v.isUndefined())
                dict.remove(key);
            else
                dict.insert(key, v);
        };
        put(QStringLiteral("hxrc"), row.rows);
        put(QStringLiteral("hxcc"), row.columns);
        QJsonArray cells;
        QHash<QString, PanZoomPos> crops;
        for (const Cell& cell : row.cells) {
            HexagonPosition p(QString::fromUtf8(cell.md5), cell.r, cell.c);
            if (cell.cropped) {
                const PanZoomPos crop(0.3, 0.5 + cell.r / 1e7, 0.6);
                p.setPanZoomValue(crop);
                crops.insert(p.picture(), crop);
            }
            cells.append(p.getJsonDictionary());
        }
        dict.insert(CollageJsonKeys::kSlotsKey, cells);

        HexagonCollage read;
        read.setMyWindowController(&host);
        read.setMyPropertiesFrom(dict);
        EXPECT_EQ(read.rowCount(), row.expectRows);
        EXPECT_EQ(read.columnCount(), row.expectColumns);
        expectOneCellPerPlace(read);
        expectEveryPictureOnce(read);
        for (const Cell& stay : row.stay) {
            const std::shared_ptr<HexagonPosition> cell = read.getPositionForRowIndex(stay.r, stay.c);
            ASSERT_TRUE(cell) << stay.md5;
            EXPECT_EQ(cell->picture(), QString::fromUtf8(stay.md5));
        }
        // A picture leaves a dropped cell with its crop.
        for (const PositionPtr& p : read.picturePositions()) {
            if (crops.contains(p->picture())) {
                EXPECT_EQ(p->panZoomValue(), crops.value(p->picture())) << p->picture().toStdString();
            }
        }
        EXPECT_LT(read.selectedImagePosition(), read.picturePositions().size());
    }
}

TEST_F(HexagonCollageTest, DropsExchangeContentsWithCropsAndHoldersPanInAnyScaling)
{
    hex.setWidth(W);
    hex.setHeight(H);
    addNumbered(4); // 3 x 3 on this canvas: one place left empty
    const PanZoomPos cropA(0.4, 0.5, 0.7);
    const PanZoomPos cropB(0.6, 0.45, 0.9);
    const std::shared_ptr<HexagonPosition> a = cellShowing(QStringLiteral("P0"));
    const std::shared_ptr<HexagonPosition> b = cellShowing(QStringLiteral("P1"));
    a->setPanZoomValue(cropA);
    b->setPanZoomValue(cropB);
    const qint64 detections = host.detections;
    hex.setImageScaling(ImageScalingFitWhole); // read by rectangular layouts only

    drag(centreOf(QStringLiteral("P0")), centreOf(QStringLiteral("P1")));
    EXPECT_EQ(a->picture(), QStringLiteral("P1"));
    EXPECT_EQ(a->panZoomValue(), cropB);
    EXPECT_EQ(b->picture(), QStringLiteral("P0"));
    EXPECT_EQ(b->panZoomValue(), cropA);
    EXPECT_EQ(hex.selectedImagePosition(), hex.picturePositions().indexOf(b));
    EXPECT_EQ(host.detections, detections); // no face pass

    // Onto an empty cell: the picture moves with its crop, the source empties.
    qint64 empty = -1;
    for (qint64 i = 0; i < hex.picturePositions().size() && empty < 0; ++i)
        if (hex.picturePositions()[i]->isEmpty())
            empty = i;
    ASSERT_GE(empty, 0);
    drag(centreOf(QStringLiteral("P0")), hex.slotHolderCentre(empty, W, H));
    EXPECT_EQ(hex.picturePositions()[empty]->picture(), QStringLiteral("P0"));
    EXPECT_EQ(hex.picturePositions()[empty]->panZoomValue(), cropA);
    EXPECT_TRUE(b->isEmpty());
    EXPECT_FALSE(b->panZoomValue());

    // The selected picture's crop pans from its holder, fit-whole or not.
    const QPointF holder = hex.positionOfCropTranslateHolder() + QPointF(3, 3);
    drag(holder, holder + QPointF(12, 0));
    EXPECT_EQ(hex.picturePositions()[empty]->picture(), QStringLiteral("P0"));
    EXPECT_NE(hex.picturePositions()[empty]->panZoomValue(), cropA);
}

TEST_F(HexagonCollageTest, HostileCountsAndDegenerateCanvasesStayBounded)
{
    const auto cellsWithin = [](const HexagonCollage& c) {
        EXPECT_LE(c.possibleNumberOfPos(), HexagonCollage::maxPlaceCount());
        EXPECT_LE(c.rowCount(), HexagonCollage::maxRowOrColumnCount());
        EXPECT_LE(c.columnCount(), HexagonCollage::maxRowOrColumnCount());
        EXPECT_GE(c.rowCount(), 0);
        EXPECT_GE(c.columnCount(), 0);
        EXPECT_LE(c.picturePositions().size(), HexagonCollage::maxPlaceCount());
    };
    EXPECT_EQ(HexagonCollage::maxPlaceCount(), HexagonCollage::possibleNumberOfPosForRowCount(200, 200));

    // A 5 x 5 grid holding three pictures; rebuilt, three pictures make 3 x 3.
    resize(7200, 5400);
    addNumbered(10);
    hex.removePictures({3, 4, 5, 6, 7, 8, 9});
    ASSERT_EQ(QSize(hex.columnCount(), hex.rowCount()), QSize(5, 5));
    const QJsonObject base = hex.dictionaryRepresentationActual(true);
    const struct {
        QJsonValue rows, columns;
        qint64 expectRows, expectColumns;
    } files[] = {
        {100000, 5, 3, 3},
        {5, 100000, 3, 3},
        {-3, 5, 3, 3},
        {2.5, 5, 3, 3},
        {QStringLiteral("x"), 5, 3, 3},
        {true, 5, 3, 3},
        {0, 5, 3, 3},
        {201, 5, 3, 3},
        {1e300, 1e300, 3, 3},
        {2, 2, 3, 3}, // two places for three pictures
        {1, 3, 3, 3}, // the same, and growing it would give 4 x 4
        {5.0, 5, 5, 5},
        {200, 1, 200, 1},
        {200, 200, 200, 200},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(testing::Message() << f.rows.toVariant().toString().toStdString() << " x "
                                        << f.columns.toVariant().toString().toStdString());
        QJsonObject dict = base;
        dict.insert(QStringLiteral("hxrc"), f.rows);
        dict.insert(QStringLiteral("hxcc"), f.columns);
        HexagonCollage read;
        read.setMyWindowController(&host);
        QElapsedTimer timer;
        timer.start();
        read.setMyPropertiesFrom(dict);
        EXPECT_LT(timer.elapsed(), 2000);
        cellsWithin(read);
        EXPECT_EQ(read.rowCount(), f.expectRows);
        EXPECT_EQ(read.columnCount(), f.expectColumns);
        expectOneCellPerPlace(read);
        expectEveryPictureOnce(read);
    }

    // Canvases with no width, no height, or absurd proportions: growth
    // ends, at the latest at the cap.
    for (const QSize& canvas : {QSize(0, 5400), QSize(7200, 0), QSize(0, 0), QSize(1, 1), QSize(1, 7200000)}) {
        SCOPED_TRACE(testing::Message() << canvas.width() << " x " << canvas.height());
        clearPictures();
        resize(canvas.width(), canvas.height());
        addNumbered(3);
        cellsWithin(hex);
        hex.increasePossiblePosCount();
        hex.decreasePosCountIfPossible();
        cellsWithin(hex);
    }

    // More pictures than the cap holds: growth stops at 200 x 200 and the
    // rest are reported.
    clearPictures();
    resize(7200, 5400);
    addNumbered(int(HexagonCollage::maxPlaceCount()) + 5, true);
    cellsWithin(hex);
    EXPECT_EQ(QSize(hex.columnCount(), hex.rowCount()), QSize(200, 200));
    EXPECT_FALSE(hex.increasePossiblePosCount());
    ASSERT_FALSE(host.notShown.isEmpty());
    EXPECT_EQ(host.notShown.last(), 5);
}

TEST_F(HexagonCollageTest, AnExportedBorderIsABandJustInsideTheOutline)
{
    resize(720, 540);
    host.store.insert(QStringLiteral("G"), FakeHost::solidImage(60, 40, Qt::green));
    hex.addPictures({QStringLiteral("G")}, host.store, {}, {});
    hex.setDrawShadow(false);
    hex.setSpacing(0);
    hex.setCornerRadiusSize(0);
    hex.setBackgroundColor(Color{1, 1, 1, 1});
    hex.setBorderColor(Color{0, 0, 1, 1});
    const QColor border(Qt::blue);
    const QColor picture(Qt::green);
    const struct {
        double strokeWidth;
        double depth; // below the flat top side, in border widths
        QColor expected;
    } rows[] = {
        {0.1, 0.5, border}, {0.1, 2, picture}, {0.3, 0.5, border}, {0.3, 2, picture}, {0.0, 0.5, picture},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.strokeWidth << " at " << row.depth);
        hex.setStrokeWidth(row.strokeWidth);
        const double a = hex.sideLengthWidth(720, 540);
        // With no border, sample as deep as a border of 0.1 would reach.
        const double t = row.strokeWidth > 0 ? hex.getStrokeWidthForCollageWidth(720, 540) : 0.1 * a * 0.3;
        ASSERT_GT(t, 4);
        QImage out = GraphicsContext::newBitmap(QSize(720, 540));
        {
            GraphicsContext context(out);
            hex.drawYourselfOnCurrentContextInWidth(context, 720, 540, true);
        }
        const QList<QPointF> v =
            cellShowing(QStringLiteral("G"))->getBoundingVertices(a, 720, 540, hex.rowCount(), hex.columnCount());
        // Corners 3 and 4 are the top side (y up).
        const double x = (v[3].x() + v[4].x()) / 2;
        const double yUp = v[3].y() - row.depth * t;
        EXPECT_EQ(out.pixelColor(int(x), int(540 - yUp)), row.expected);
    }
}

namespace {

TEST_F(HexagonCollageTest, TheBoxCountsRowsOfHexagonsNotHalfRows)
{
    struct Recorder : KVObserver {
        QStringList values;
        void observeValueForKeyPath(const QString&, KVObject*, const KVChange& ch, const KVContext*) override
        {
            if (!ch.isPrior)
                values << ch.newValue.toString();
        }
    } rec;
    hex.addObserver(&rec, "honeycombRowCount", KVOptionNew, nullptr);
    const struct {
        qint64 halfRows, columns, rows;
    } grids[] = {{2, 2, 1}, {4, 4, 2}, {3, 3, 2}, {5, 2, 3}, {1, 6, 1}, {7, 5, 4}};
    for (const auto& g : grids) {
        hex.setRowCount(g.halfRows);
        hex.setColumnCount(g.columns);
        hex.ensureAllPositionsArePresent();
        // The fullest column holds as many hexagons as the box says rows.
        QHash<qint64, qint64> perColumn;
        for (const PositionPtr& p : hex.picturePositions())
            ++perColumn[static_cast<const HexagonPosition&>(*p).colIndex()];
        qint64 fullest = 0;
        for (qint64 n : std::as_const(perColumn))
            fullest = std::max(fullest, n);
        EXPECT_EQ(hex.valueForKey("honeycombRowCount").toLongLong(), g.rows) << g.halfRows << " x " << g.columns;
        EXPECT_EQ(fullest, g.rows) << g.halfRows << " x " << g.columns;
        EXPECT_EQ(rec.values.value(rec.values.size() - 1), QString::number(g.rows)) << "observers hear of it";
        clearPictures();
        hex.picturePositions().clear();
    }
    hex.removeObserver(&rec, "honeycombRowCount");
}

} // namespace
