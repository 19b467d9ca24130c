#include "layouts/pile_polygon_hexagon/HexagonCollage.h"
#include "layouts/pile_polygon_hexagon/HexagonPosition.h"

#include "model/CollageJsonKeys.h"
#include "model/FakeCollage.h"
#include "model/UtilityFunctions.h"
#include "platform/events/MouseEvent.h"

#include <QJsonArray>

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
    QStringList addNumbered(int n)
    {
        QStringList ids;
        for (int i = 0; i < n; ++i) {
            ids.append(QStringLiteral("P%1").arg(i));
            host.store.insert(ids.last(), FakeHost::solidImage(60 + i, 40));
        }
        hex.addPictures(ids, host.store, {}, {});
        return ids;
    }
    // Every valid place holds exactly one drawn cell, and nothing else is drawn.
    void expectOneCellPerPlace() const
    {
        qint64 live = 0;
        for (qint64 i = 0; i < hex.picturePositions().size(); ++i)
            live += hex.isLiveCell(i) ? 1 : 0;
        EXPECT_EQ(live, hex.possibleNumberOfPos());
        for (qint64 r = 0; r < hex.rowCount(); ++r)
            for (qint64 c = r % 2; c < hex.columnCount(); c += 2)
                EXPECT_TRUE(hex.getPositionForRowIndex(r, c)) << r << "," << c;
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
    } canvases[] = {{1000, 1000, true}, {1347, 1000, true}, {1348, 1000, false}, {7200, 5400, true}};
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

TEST_F(HexagonCollageTest, ReadingAddsMissingCellsAndShowsPicturesOfUndrawnCells)
{
    addNumbered(3); // 3 x 3, places (0,0) (0,2) (1,1) (2,0) (2,2)
    QJsonObject dict = hex.dictionaryRepresentationActual(true);
    const auto cellJson = [](const QString& md5, qint64 r, qint64 c) {
        return HexagonPosition(md5, r, c).getJsonDictionary();
    };
    // Only the cells of P0 and P1 are kept, plus a second cell on P0's place
    // and one outside the grid, holding P2 and a crop.
    const std::shared_ptr<HexagonPosition> p0 = cellShowing(QStringLiteral("P0"));
    HexagonPosition outside(QStringLiteral("P2"), 7, 9);
    outside.setPanZoomValue(PanZoomPos(0.3, 0.5, 0.6));
    dict.insert(CollageJsonKeys::kSlotsKey,
                QJsonArray{cellJson(QStringLiteral("P0"), p0->rowIndex(), p0->colIndex()),
                           cellJson(QStringLiteral("P1"), 1, 1),
                           cellJson(QString(), p0->rowIndex(), p0->colIndex()), outside.getJsonDictionary()});

    HexagonCollage read;
    read.setMyWindowController(&host);
    read.setMyPropertiesFrom(dict);
    EXPECT_EQ(QSize(read.columnCount(), read.rowCount()), QSize(3, 3));
    // The four cells read stay; the three empty places get cells.
    ASSERT_EQ(read.picturePositions().size(), 4 + 3);
    EXPECT_FALSE(read.isLiveCell(2));
    EXPECT_FALSE(read.isLiveCell(3));
    qint64 live = 0;
    for (qint64 i = 0; i < read.picturePositions().size(); ++i)
        live += read.isLiveCell(i) ? 1 : 0;
    EXPECT_EQ(live, 5);
    // P2 left the undrawn cell for a drawn one, crop and all.
    qint64 p2 = -1;
    for (qint64 i = 0; i < read.picturePositions().size(); ++i)
        if (read.picturePositions()[i]->picture() == QStringLiteral("P2"))
            p2 = i;
    ASSERT_GE(p2, 0);
    EXPECT_TRUE(read.isLiveCell(p2));
    EXPECT_EQ(read.picturePositions()[p2]->panZoomValue(), PanZoomPos(0.3, 0.5, 0.6));
    EXPECT_TRUE(read.picturePositions()[3]->isEmpty());
    // Neither undrawn cell is hit or drawn.
    EXPECT_TRUE(read.slotOutline(2, W, H, 0).isEmpty());
    EXPECT_TRUE(read.slotRect(3, W, H).isEmpty());
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
    };
    const struct {
        QJsonValue rows, columns;
        qint64 expectRows, expectColumns;
    } files[] = {
        {-5, 3, 0, 3},
        {3.9, 5.2, 3, 5},
        {1e9, 1e9, -1, -1},
        {2, 1e18, 2, -1},
        {QStringLiteral("7"), QJsonValue(), 2, 2}, // wrong types count as absent
    };
    const QJsonObject base = hex.dictionaryRepresentationActual(true);
    for (const auto& f : files) {
        SCOPED_TRACE(testing::Message() << f.rows.toDouble() << " x " << f.columns.toDouble());
        QJsonObject dict = base;
        dict.insert(QStringLiteral("hxrc"), f.rows);
        dict.insert(QStringLiteral("hxcc"), f.columns);
        HexagonCollage read;
        read.setMyPropertiesFrom(dict);
        cellsWithin(read);
        if (f.expectRows >= 0) {
            EXPECT_EQ(read.rowCount(), f.expectRows);
        }
        if (f.expectColumns >= 0) {
            EXPECT_EQ(read.columnCount(), f.expectColumns);
        }
        EXPECT_LE(read.picturePositions().size(), HexagonCollage::maxPlaceCount() + 2);
    }

    // Canvases with no width, no height, or absurd proportions: growth
    // ends, at the latest at the cap.
    for (const QSize& canvas : {QSize(0, 5400), QSize(7200, 0), QSize(0, 0), QSize(1, 1), QSize(1, 7200000)}) {
        SCOPED_TRACE(testing::Message() << canvas.width() << " x " << canvas.height());
        resize(canvas.width(), canvas.height());
        addNumbered(3);
        cellsWithin(hex);
        hex.increasePossiblePosCount();
        hex.decreasePosCountIfPossible();
        cellsWithin(hex);
        clearPictures();
    }

    // More pictures than the cap holds: the rest are reported, nothing hangs.
    resize(7200, 5400);
    addNumbered(HexagonCollage::maxPlaceCount() + 5);
    cellsWithin(hex);
    ASSERT_FALSE(host.notShown.isEmpty());
    EXPECT_GE(host.notShown.last(), 5);
}
