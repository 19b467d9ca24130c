#pragma once

#include <vector>

#include "layouts/common/SlotCollage.h"
#include "layouts/zigmosaic/PolygonPosition.h"

#include <memory>

namespace qf {

// The zig mosaic: the canvas tiled by convex polygons, one picture each. The
// tiling starts as the unit square and grows by cutting the cell with the
// longest side in two near its middle, so cells are irregular triangles and
// quadrilaterals. Cells are PolygonPositions in `picturePositions`, whose
// order is the drawing order and the order empty cells are offered in.
class PolygonCollage : public SlotCollage {
public:
    PolygonCollage();

    static const KVKeyTable& keyTable();

    // What the editor offers for the zig mosaic.
    static QList<CollageCommand> commands();
    static SettingsBox layoutBox();

    // The cell at `index`; null when there is none.
    std::shared_ptr<PolygonPosition> polygonCell(qint64 index) const;

    // ---- splitting --------------------------------------------------------

    // The cell whose longest side (at the collage's size in pixels) is the
    // longest, the first of equal ones; cells without three usable vertices
    // are never chosen. -1 when no cell can be split.
    qint64 findNextIndexToSplit() const;
    // Cuts the cell in two near the middle of its longest side: the cell
    // keeps one part (its crop cleared, its picture kept) and the other
    // part's vertices are answered. Quadrilaterals and larger cells are cut
    // across the longest side and the one opposite; a triangle either from
    // the corner opposite its longest side or across its first corner.
    // Empty, and nothing changes, for a cell that cannot be split.
    QList<QPointF> splitAndReturnNewPosition(qint64 index);

    // ---- arrangement --------------------------------------------------------

    // Orders the cells by aspect and deals the pictures out by aspect, the
    // narrowest picture to the narrowest cell; cells left over are emptied.
    // Crop windows are kept.
    void rearrangePicturesForGoodFit();
    PositionPtr getBrandNewPosition() override;
    // Fills empty cells first, then cuts new ones; the pictures of a
    // collage that had no cells are dealt out by aspect.
    void placeNewPictures(const QStringList& md5s) override;
    void newPicturesPlaced(qsizetype slotsBefore) override;
    // Their cells stay, empty, so the tiling keeps its shape.
    void picturesRemoved() override;
    // A new tiling with one cell per picture, in random order: empty cells go.
    void shuffle() override;
    // Swaps the sides when the canvas does not have the orientation, then
    // builds a new tiling.
    void setOrientation(qint64 orientationIndex) override;
    void detectFacesAndUpdatePanZoomAll(bool all, bool onlyThoseNotSet,
                                        const std::optional<QList<PositionPtr>>& onlyThesePositions) override;
    // Replaces every cell, and the picture list, by empty cells read from a
    // JSON array of polygons (lists of [x, y] in fractions of the canvas)
    // and clears the selection. The whole text is checked first: it must be
    // a non-empty list whose every polygon has three to kMaxVertices pairs
    // of numbers between 0 and 1. Otherwise nothing changes, the
    // reason is logged and, translated for the user, put in `why`; false.
    bool setInitialEmptyPositions(const QString& text, QString* why = nullptr);

    // ---- geometry (units of the W x H drawing) -------------------------------

    // The shortest side of all cells; 0 without cells.
    double getSmallestDimForCollageWidth(double width, double height) const;
    double getSpacingWidthForCollageWidth(double width, double height) const override;
    double getStrokeWidthForCollageWidth(double width, double height) const override;
    double getRoundedCornerWidthForCollageWidth(double width, double height) const override;
    // Cells place their pick button by their own shape: this one is never
    // the right answer for them, and gives the zero rectangle.
    QRectF getDrawRectImagePickerButton(const QRectF& slotRect) const override;

    // Every cell draws its picture cropped to fill its polygon.
    qint64 slotImageScaling() const override { return ImageScalingCropToFill; }
    // The upright rectangle inside the drawn cell (getInsideRectWidth).
    QRectF slotRect(qint64 index, double width, double height) const override;
    QPainterPath slotOutline(qint64 index, double width, double height, double radius) const override;
    QRectF slotPictureRect(qint64 index, double width, double height) const override;
    QPainterPath slotPicturePath(qint64 index, double width, double height) const override;
    QRectF slotPickButtonRect(qint64 index, double width, double height) const override;
    QPointF slotHolderCentre(qint64 index, double width, double height) const override;
    QSizeF slotCropSize(qint64 index, double width, double height) const override;
    bool slotContainsPoint(qint64 index, QPointF point, double width, double height) const override;

    // ---- collage JSON object ---------------------------------------------------

    // The base keys. Cells that cannot be seen (no usable vertices, no
    // area, off the canvas, under a later cell of the same vertices) are
    // dropped: when any held a picture, the pictures get a new tiling;
    // otherwise every listed picture no cell shows is given a cell.
    void setMyPropertiesFrom(const QJsonObject& dict) override;

    // ---- binding keys ----------------------------------------------------------

    // The other types' controls read constants here, and their writes are ignored.
    bool getRowColSteppersEnabled() const { return false; }
    qint64 getRowCountBinding() const { return 0; }
    qint64 getColumnCountBinding() const { return 0; }
    qint64 getColumnCount() const { return 0; }
    qint64 getRowCount() const { return 0; }
    bool getSymmetric() const { return false; }
    bool getInstantCameraBorder() const { return false; }
    bool getStampBorder() const { return false; }
    bool getFillDuplicates() const { return false; }

protected:
    const KVKeyTable& kvKeyTable() const override { return keyTable(); }
    // The pictures change cells; the cells keep their shapes.
    void exchangeSlots(qint64 from, qint64 to) override;

private:
    double smallestSideOfCells(double width, double height) const;
    struct SmallestSide {
        QList<PositionPtr> cells;
        quint64 generation = 0;
        double width = -1;
        double height = -1;
        double smallest = 0;
        bool valid = false;
    };
    mutable SmallestSide m_smallestSide;
    // Takes out the cells that cannot be seen (see setMyPropertiesFrom), the
    // selection following its cell (none when its cell goes); answers the
    // pictures they held.
    QStringList dropCellsThatCannotBeSeen();
    // Which of these cells show: false for one without a shape, of no area,
    // off the canvas, or drawn over by a later one of the same vertices.
    static std::vector<bool> cellsSeen(const QList<PositionPtr>& cells);
    // The first empty cell with a shape (preferred-to-fill ones first).
    PositionPtr firstEmptyCell() const;
    // A cell for the picture cut off the cell with the longest side, or the
    // unit square when none can be cut.
    void appendCellFor(const QString& md5);
    // The picture into an empty cell, else into a new one.
    void placeInACell(const QString& md5);
};

} // namespace qf
