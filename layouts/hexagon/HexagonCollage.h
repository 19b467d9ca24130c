#pragma once

#include "layouts/common/SlotCollage.h"
#include "layouts/hexagon/HexagonPosition.h"

#include <QHash>
#include <QPair>

#include <memory>

namespace qf {

class QFCollageSize;

// A honeycomb of regular hexagons with flat tops and bottoms, centred on the
// canvas, one picture per cell. The grid has `columnCount` columns (C) and
// `rowCount` half-height rows (R); place (r, c) exists when both lie in the
// grid and have the same parity, so neighbouring columns are offset by half a
// hexagon. The side length fills the canvas width or, on canvases wider than
// 7 : 3 sqrt(3), its height. Cells are HexagonPositions in
// `picturePositions`, which is also the drawing order.
//
// Every valid place has exactly one cell and every cell sits on a valid
// place: reading a project drops cells that do not, and growing, shrinking
// and shuffling keep it so.
class HexagonCollage : public SlotCollage {
public:
    HexagonCollage();

    static const KVKeyTable& keyTable();

    // What the editor offers for the hexagons: more or fewer cells, and the
    // box that shows the columns and the rows of hexagons.
    static QList<CollageCommand> commands();
    static SettingsBox layoutBox();

    // The grid never passes 200 rows or columns, whatever a file says or the
    // pictures ask for; the place count follows from that.
    static constexpr qint64 maxRowOrColumnCount() { return 200; }
    static constexpr qint64 maxPlaceCount()
    {
        constexpr qint64 n = maxRowOrColumnCount();
        return ((n + 1) / 2) * ((n + 1) / 2) + (n / 2) * (n / 2);
    }

    // ---- properties ------------------------------------------------------

    // The setters keep the count within 0..maxRowOrColumnCount(); they do not
    // move cells, which is up to whoever changes the grid.
    qint64 rowCount() const { return m_rowCount; }
    void setRowCount(qint64 v);
    qint64 columnCount() const { return m_columnCount; }
    void setColumnCount(qint64 v);
    // Kept with the project; nothing else reads it.
    bool pointedOnTop() const { return m_pointedOnTop; }
    void setPointedOnTop(bool v) { kvSet(QStringLiteral("pointedOnTop"), m_pointedOnTop, v); }

    // ---- binding keys (constants) and ignored writes ---------------------

    bool getRowColSteppersEnabled() const { return false; }
    bool getSymmetric() const { return false; }
    bool getInstantCameraBorder() const { return false; }
    bool getStampBorder() const { return false; }
    bool getFillDuplicates() const { return false; }
    qint64 getRowCountBinding() const { return 0; }
    // The rows a person counts: hexagons in the fullest column, each two
    // half-height rows tall (4 half rows of 4 columns: 8 cells in 2 rows).
    qint64 getHoneycombRowCount() const { return (m_rowCount + 1) / 2; }
    qint64 getColumnCountBinding() const { return 0; }

    // ---- grid --------------------------------------------------------------

    // Whether the honeycomb spans the canvas width (else its height).
    bool filledRowComplete() const;
    static bool isValidPos(qint64 row, qint64 col, qint64 rowCount, qint64 columnCount);
    bool isValidPosRowIndex(qint64 row, qint64 col) const { return isValidPos(row, col, m_rowCount, m_columnCount); }
    // Places of an R x C grid (0 when either count is below 1).
    static qint64 possibleNumberOfPosForRowCount(qint64 rowCount, qint64 columnCount);
    qint64 possibleNumberOfPos() const { return possibleNumberOfPosForRowCount(m_rowCount, m_columnCount); }
    // The first cell at (row, col) in list order, or none.
    std::shared_ptr<HexagonPosition> getPositionForRowIndex(qint64 row, qint64 col) const;

    // Grows the grid by a column (width-filled) or a half-height row and then
    // as much of the other count as the canvas takes; false at the cap.
    bool increasePossiblePosCount();
    // Takes a column or row away (both counts must be at least 3) when all
    // pictures still fit: pictures inside the smaller grid stay, the others
    // move to the first empty cells with their crops. False when nothing changed.
    bool decreasePosCountIfPossible();
    // An empty cell for every valid place without one.
    void ensureAllPositionsArePresent();
    // A grid built anew for the canvas, the pictures in random order, each
    // keeping its crop.
    void reputPicturesCompletely();

    // ---- geometry (pixels of a W x H drawing) ----------------------------

    static double sideLengthWhenFilledRowComplete(double width, qint64 columnCount);
    static double sideLengthWhenNotFilledRowComplete(double height, qint64 rowCount);
    // The side length a; 0 when either count is 0.
    double sideLengthWidth(double width, double height) const;
    double getSpacingWidthForCollageWidth(double width, double height) const override;
    double getRoundedCornerWidthForCollageWidth(double width, double height) const override;
    double getStrokeWidthForCollageWidth(double width, double height) const override;

    // Geometry of a cell by index; empty for an index out of range. The
    // slot rectangle is the upright rectangle between the flat sides of the
    // drawn hexagon, which never reaches into a neighbour.
    QRectF slotRect(qint64 index, double width, double height) const override;
    QPainterPath slotOutline(qint64 index, double width, double height, double radius) const override;
    QRectF slotPictureRect(qint64 index, double width, double height) const override;
    QPainterPath slotPicturePath(qint64 index, double width, double height) const override;
    QRectF slotPickButtonRect(qint64 index, double width, double height) const override;
    // The hexagon's centre.
    QPointF slotHolderCentre(qint64 index, double width, double height) const override;
    // The cell's bounding box less the spacing on each side.
    QSizeF slotCropSize(qint64 index, double width, double height) const override;
    bool slotContainsPoint(qint64 index, QPointF point, double width, double height) const override;
    // Pictures always fill their hexagons, whatever the image scaling says.
    qint64 slotImageScaling() const override { return ImageScalingCropToFill; }
    // A quarter of the width in from the left, 5 up from the bottom.
    QRectF getDrawRectImagePickerButton(const QRectF& pictureRect) const override;

    // ---- pictures ----------------------------------------------------------

    PositionPtr getBrandNewPosition() override;
    // Grows the grid until every picture has a place, then fills the first
    // empty cells (preferred ones first).
    void placeNewPictures(const QStringList& md5s) override;
    void newPicturesPlaced(qsizetype slotsBefore) override;
    // Their cells empty; the grid keeps its size.
    // The cells, pictures and crops with them, to random places.
    void shuffle() override;
    void setOrientation(qint64 orientationIndex) override;
    void setCollageSizeTo(const QFCollageSize& size) override;
    void detectFacesAndUpdatePanZoomAll(bool all, bool onlyThoseNotSet,
                                        const std::optional<QList<PositionPtr>>& onlyThesePositions) override;

    // ---- collage JSON object ---------------------------------------------

    // "hxrc", "hxcc" and "hxpot" after the base keys.
    void addMyPropertiesTo(QJsonObject& dict, bool actual) const override;
    // Counts within 1..maxRowOrColumnCount() (derived from the cells when
    // absent), cells off the grid or on a taken place dropped, missing cells
    // added, and every picture in exactly one cell. Unusable counts, or a grid
    // too small for the pictures, rebuild the honeycomb.
    void setMyPropertiesFrom(const QJsonObject& dict) override;

protected:
    const KVKeyTable& kvKeyTable() const override { return keyTable(); }
    // Pictures and crops change cells; the cells stay at their places.
    void exchangeSlots(qint64 from, qint64 to) override;
    // Every valid place of the grid, whether or not a cell holds it.
    void drawDropTargets(SlotPainter& painter, double width, double height) override;
    bool ghostUnderDropTargets() const override { return false; }

private:
    using Place = QPair<qint64, qint64>;

    std::shared_ptr<HexagonPosition> hexCell(qint64 index) const;
    // The empty cells in the order pictures fill them: those preferred
    // to fill first, then the others, each in list order.
    QList<std::shared_ptr<HexagonPosition>> emptyCellsInFillOrder() const;
    // Whether an R x C grid is within the cap.
    static bool fits(qint64 rowCount, qint64 columnCount);
    void assignCounts(qint64 rowCount, qint64 columnCount);
    // Grows until `n` places or the cap.
    void growToPlaces(qint64 n);
    // Keeps the first cell on each valid place and drops the rest; answers
    // the crops of the pictures the dropped cells held (the first for each).
    QHash<QString, std::optional<PanZoomPos>> dropCellsOffTheGrid();
    // The pictures no cell shows go to empty cells, the grid growing for them.
    void giveEveryPictureACell(const QHash<QString, std::optional<PanZoomPos>>& crops);
    void reportPicturesWithoutCell();
    void rebuildPlaceIndexIfStale() const;

    qint64 m_rowCount = 0;
    qint64 m_columnCount = 0;
    bool m_pointedOnTop = false;

    // Place -> index of the first cell there, for the list `m_indexedCells`
    // shares: any change to `picturePositions` detaches it from that copy.
    mutable QList<PositionPtr> m_indexedCells;
    mutable QHash<Place, qsizetype> m_placeIndex;
    mutable bool m_placeIndexStale = true;
};

} // namespace qf
