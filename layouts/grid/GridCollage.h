#pragma once

#include "layouts/common/SlotCollage.h"

#include <algorithm>

namespace qf {

// A collage of `rowCount` x `columnCount` equal cells separated by equal gaps.
// The cells are `picturePositions`, row-major: the cell of row r and column c
// is at index r * columnCount + c; row 0 is the bottom row, column 0 the left.
// A picture may show in several cells; the first cell showing it in a scan is
// its first occurrence, later ones are duplicate cells.
//
// Invariant after every operation: both counts lie in 1..maxRowOrColumnCount(),
// their product is at most maxCellCount(), there are exactly rows x columns
// cells, and every cell's picture is in `images`. The setters of the counts
// are raw; an operation finding the invariant broken repairs it first.
class GridCollage : public SlotCollage {
public:
    GridCollage();

    static const KVKeyTable& keyTable();

    // What the editor offers for the grid: the row and column steppers'
    // commands, its box, and sorting.
    static QList<CollageCommand> commands();
    static SettingsBox layoutBox();
    static void sortPictures(Collage& collage, bool byName, bool byModified, bool ascending);

    // The grid never grows past 100 rows or columns or 2500 cells: a file or
    // a caller asking for more gets the cap, so nothing allocates without bound
    // and a saved grid always reads back unchanged.
    static constexpr qint64 maxRowOrColumnCount() { return 100; }
    static constexpr qint64 maxCellCount() { return 2500; }

    // ---- properties ------------------------------------------------------

    qint64 rowCount() const { return m_rowCount; }
    void setRowCount(qint64 v) { kvSet(QStringLiteral("rowCount"), m_rowCount, v); }
    qint64 columnCount() const { return m_columnCount; }
    void setColumnCount(qint64 v) { kvSet(QStringLiteral("columnCount"), m_columnCount, v); }
    // Cells no picture needs are filled with repeated pictures.
    bool fillDuplicates() const { return m_fillDuplicates; }
    void setFillDuplicates(bool v) { kvSet(QStringLiteral("fillDuplicates"), m_fillDuplicates, v); }

    // ---- binding keys (read-only) -----------------------------------------

    bool getRowColSteppersEnabled() const { return m_rowCount >= 1 && m_columnCount >= 1; }
    qint64 getRowCountBinding() const { return m_rowCount; }
    qint64 getColumnCountBinding() const { return m_columnCount; }


    // ---- geometry (units of the drawing size W x H) ---------------------

    // The gap between cells, also the outer margin.
    double getSpacingWidthForCollageWidth(double width, double height) const override;
    double getRoundedCornerWidthForCollageWidth(double width, double height) const override;
    double getStrokeWidthForCollageWidth(double width, double height) const override;
    QRectF getDrawRectForRow(qint64 row, qint64 column, double spacingWidth, double width, double height) const;
    // The rectangle of the cell at `index`.
    QRectF cellRect(qint64 index, double width, double height) const;
    // Rows x columns cells are drawn and hit (right and top edges outside).
    qint64 drawnSlotCount() const override;
    QRectF slotRect(qint64 index, double width, double height) const override { return cellRect(index, width, height); }

    // ---- cells and pictures ------------------------------------------------

    PositionPtr getBrandNewPosition() override;

    // Grows by whole rows and columns until the grid holds n cells (within
    // the cap); every existing cell keeps its row and column.
    void addEmptyPositionsToSufficeForFinalNumberOfUniquePics(qint64 n);
    // Places new pictures in empty cells (those preferred to fill first), and
    // with fillDuplicates fills every empty cell, overwriting duplicate cells
    // with what is left over. Identities already in the collage are skipped.
    void placeNewPictures(const QStringList& md5s) override;
    void newPicturesPlaced(qsizetype slotsBefore) override;
    // Removes the pictures at these indexes of `images` (duplicates and
    // out-of-range indexes ignored); their cells empty, or with fillDuplicates
    // show the remaining pictures in turn. The grid never shrinks.
    void removePictures(const QList<qsizetype>& indexes) override;
    // Removes the selected cell's picture from the collage; false without a
    // selection or on an empty cell.
    bool removeSelectedPicture() override;
    // Reorders the cells by file name or modification date, the first landing
    // top-left; empty cells and pictures without a recorded path or date last.
    void sortPicturesByName(bool byName, bool byModified, bool ascending);
    // New counts (ignored below 1, capped); shrinking keeps every picture in
    // the grid, adding columns (rows) when needed.
    void changeRowCount(qint64 n);
    void changeColumnCount(qint64 n);
    // Rebuilds the cells for the current counts from a grid of r x c,
    // disturbing the picture as little as it can.
    void readjustPositionsForMinVisualDifferenceEarlierRowCount(qint64 r, qint64 c);
    // Applies a new fillDuplicates value: fills or empties the spare cells.
    void changeFillDuplicates();
    // Swaps the canvas and the counts when the orientation changes.
    void setOrientation(qint64 orientationIndex) override;
    // A new random order of the cells, which keep their pictures and crops.
    void shuffle() override;
    // Centres the crop of each cell considered on the face in its picture.
    void detectFacesAndUpdatePanZoomAll(bool all, bool onlyThoseNotSet,
                                        const std::optional<QList<PositionPtr>>& onlyThesePositions) override;

    // ---- collage JSON object and undo ------------------------------------

    void addMyPropertiesTo(QJsonObject& dict, bool actual) const override;
    // Reads "grc", "gcc" and "gadup" (absent: true) after the base keys, then
    // makes the grid consistent whatever the object held.
    void setMyPropertiesFrom(const QJsonObject& dict) override;
    QSet<QString> keysForValuesToObserveForUndo() const override;

protected:
    const KVKeyTable& kvKeyTable() const override { return keyTable(); }

private:
    // Counts at least 1 for arithmetic, whatever was stored.
    qint64 safeRows() const { return std::max<qint64>(m_rowCount, 1); }
    qint64 safeColumns() const { return std::max<qint64>(m_columnCount, 1); }
    // Restores the invariant (see the class comment).
    void makeGridConsistent();
    // Every picture of `images` shows in a cell, within the cell cap.
    void giveEveryPictureACell();
    // Past the cell cap pictures stay in `images` without a cell: the host is told.
    void reportPicturesWithoutCell();
    void setCounts(qint64 rows, qint64 columns);
    void changeCount(bool rows, qint64 n);

    qint64 m_rowCount = 2;
    qint64 m_columnCount = 2;
    bool m_fillDuplicates = false;
};

} // namespace qf
