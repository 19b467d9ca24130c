#pragma once

#include <vector>

#include "layouts/common/SlotCollage.h"
#include "layouts/mosaic/MosaicPosition.h"

#include <memory>
#include <optional>

namespace qf {

// A collage of rectangular slots that meet edge to edge and cover the
// canvas: a guillotine subdivision, grown by cutting a slot in two, and
// rebuilt whole by best fit so that each slot has nearly its picture's
// aspect. Slots are MosaicPositions in `picturePositions`; their rectangles
// are in unit coordinates of the canvas.
class MosaicCollage : public SlotCollage {
public:
    MosaicCollage();

    static const KVKeyTable& keyTable();

    // What the editor offers for the mosaic: shuffles, the cell positions,
    // the splits of the selected picture, and its box.
    static QList<CollageCommand> commands();
    static SettingsBox layoutBox();
    // The two splits of the selected picture, one "Split" step each.
    static QList<CollageCommand> splitCommands();

    // The fixed values a dragged divider snaps to.
    static const QList<double>& standardGridValues();

    // The slot at `index` as a mosaic slot; null when it is none.
    std::shared_ptr<MosaicPosition> mosaicSlot(qint64 index) const;

    // ---- splitting --------------------------------------------------------

    // Whether automatic splits cut slots in halves (the centre frame's
    // symmetric setting); otherwise at 35 to 64 %.
    virtual bool splitSymmetric() const { return false; }
    // The slot with the longest side in collage pixels (the first of equal
    // ones), or -1 without slots.
    virtual qint64 findNextIndexToSplit() const;
    // Shrinks the slot and answers the rectangle of the part cut off; its
    // crop is cleared. With bestDirection the cut divides the longer side at
    // the split ratio, else it halves the slot by a vertical line or not.
    QRectF splitAndReturnPositionRect(qint64 index, bool bestDirection, bool addVerticalLine);
    // Halves the selected slot by a horizontal (along the height) or a
    // vertical (along the width) line; the new half is an empty slot.
    void splitSelectedPositionAlongHeight() { splitSelectedPositionAddVerticalLine(false); }
    void splitSelectedPositionAlongWidth() { splitSelectedPositionAddVerticalLine(true); }
    void splitSelectedPositionAddVerticalLine(bool addVerticalLine);

    // ---- geometry (units of the drawing size W x H) -----------------------

    // The shortest slot side; 0 without slots.
    double getSmallestDimForCollageWidth(double width, double height) const;
    double getSpacingWidthForCollageWidth(double width, double height) const override;
    double getRoundedCornerWidthForCollageWidth(double width, double height) const override;
    double getStrokeWidthForCollageWidth(double width, double height) const override;
    // The slot inset by the gap on each side, twice on the canvas border.
    QRectF getDrawRectForPosition(const MosaicPosition& slot, double spacingWidth, double width, double height) const;
    QRectF slotRect(qint64 index, double width, double height) const override;

    // ---- pictures and arrangement -------------------------------------------

    PositionPtr getBrandNewPosition() override;
    // Fills empty slots, then splits the largest ones; a mosaic of fewer
    // than two slots is rebuilt by best fit after.
    void placeNewPictures(const QStringList& md5s) override;
    // The first pictures get a layout fitted to them.
    void newPicturesPlaced(qsizetype slotsBefore) override;
    // The narrowest pictures into the narrowest slots; the widest slots
    // are left empty when there are more slots than pictures.
    void rearrangePicturesForGoodFit();
    // Rebuilds every slot for the pictures with the fitting engine; whether
    // the fit is good.
    bool bestFit();
    void shuffle() override { bestFit(); }
    void setOrientation(qint64 orientationIndex) override;
    void detectFacesAndUpdatePanZoomAll(bool all, bool onlyThoseNotSet,
                                        const std::optional<QList<PositionPtr>>& onlyThesePositions) override;
    // Replaces every slot by empty ones read from a JSON array of polygons
    // (lists of [x, y] between 0 and 1), each slot the bounding box of its
    // polygon. Nothing changes, and false comes back with the reason in
    // `why`, when any element is not such a polygon or its box is empty.
    bool setInitialEmptyPositions(const QString& text, QString* why = nullptr);

    // ---- dividers and the mouse ------------------------------------------------

    // How near (drawing units) a slot's inner left or bottom edge grabs its
    // divider; how near (unit coordinates) a dragged divider snaps; the
    // narrowest a divider may leave a slot.
    static constexpr double kGrabDistance = 3.0;
    static constexpr double kSnapDistance = 0.005;
    static constexpr double kNarrowest = 0.06;

    // Resize cursors over the dividers, the arrow elsewhere.
    void mouseMovedAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event) override;
    // A crop handle, else a divider, else the slot canvas's selection.
    void mouseDownAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event) override;
    // Moves the held divider, snapping, or pans or zooms the crop.
    void mouseDraggedAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event) override;
    void mouseUpAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event) override;

    // The slots on both sides of the divider through the left (bottom) edge
    // of `first`, and the slot edges a drag of it snaps to.
    void setPositionsBeingResizedLeftRightFirstRightPosition(const std::shared_ptr<MosaicPosition>& first);
    void setPositionsBeingResizedUpDownWidthFirstUpPosition(const std::shared_ptr<MosaicPosition>& first);
    // The first snap value within kSnapDistance of `value` (the slot edges
    // gathered, then the standard values), or the value itself.
    double constrainToGridValue(double value);

    const QList<std::shared_ptr<MosaicPosition>>& leftPositions() const { return m_leftPositions; }
    const QList<std::shared_ptr<MosaicPosition>>& rightPositions() const { return m_rightPositions; }
    const QList<std::shared_ptr<MosaicPosition>>& upPositions() const { return m_upPositions; }
    const QList<std::shared_ptr<MosaicPosition>>& downPositions() const { return m_downPositions; }
    const QList<double>& gridValuesFromPositions() const { return m_gridValuesFromPositions; }
    // Whether the dragged divider sits on a snap value, and its last value.
    bool constraining() const { return m_constraining; }
    double constrainedTo() const { return m_constrainedTo; }

    // The slot canvas, and on screen while a divider is dragged the yellow
    // guide where it snapped and its value in percent by the pointer.
    void drawYourPicturePatternOnCurrentContextInWidth(GraphicsContext& context, double width, double height,
                                                       bool actual) override;

    QPointF slotHolderCentre(qint64 index, double width, double height) const override;
    QSizeF slotCropSize(qint64 index, double width, double height) const override;

    // ---- collage JSON object ---------------------------------------------------

    // The base keys, then the mosaic made whole: every listed picture in one
    // slot (empty slots filled, then the largest split), no slot showing a
    // picture the collage does not list, at least one slot. Slots that
    // cannot be seen (of no size, covered by a later slot) are dropped; when
    // any held a picture the pictures are laid out anew by shuffle().
    void setMyPropertiesFrom(const QJsonObject& dict) override;

    // ---- binding keys and undo ----------------------------------------------

    // The other types' controls read constants here, and their writes are ignored.
    bool getRowColSteppersEnabled() const { return false; }
    qint64 getZeroBinding() const { return 0; }
    virtual bool getSymmetric() const { return false; }
    bool getFalseBinding() const { return false; }

protected:
    const KVKeyTable& kvKeyTable() const override { return keyTable(); }
    // The pictures change slots; the slots stay where they are.
    void exchangeSlots(qint64 from, qint64 to) override;
    // Every slot is a mosaic slot: one of another kind (it cannot come from
    // a file, whose slots are made here) is replaced by an empty one.
    QList<std::shared_ptr<MosaicPosition>> mosaicSlots() const;
    // A new slot in the same kind as the others (the centre frame's).
    virtual std::shared_ptr<MosaicPosition> newSlot(const QString& picture, const QRectF& rect) const;
    // Puts the picture in the first empty slot, or in the part cut off the
    // largest slot, or in a slot covering the canvas when there is none.
    void placeInASlot(const QString& md5);
    // Takes out the slots that cannot be seen, the selection following its
    // slot; answers the pictures they held.
    QStringList dropSlotsThatCannotBeSeen();
    // Which of these slots show: false for one of no size, or one a later
    // slot of the same rectangle or a larger one covers.
    static std::vector<bool> slotsSeen(const QList<PositionPtr>& list);

private:
    bool inVerticalGrabZone(const MosaicPosition& slot, QPointF point, double width, double height) const;
    bool inHorizontalGrabZone(const MosaicPosition& slot, QPointF point, double width, double height) const;
    // Gathers the slots either side of the line through the left edge
    // (`vertical`) or the bottom edge of `first`.
    void gatherDivider(const MosaicPosition& first, bool vertical);
    void dragDivider(double step, bool vertical);

    QList<std::shared_ptr<MosaicPosition>> m_leftPositions, m_rightPositions, m_upPositions, m_downPositions;
    QList<double> m_gridValuesFromPositions;
    bool m_constraining = false;
    double m_constrainedTo = 0;
    // The least side of any slot while the slots are drawn: every slot's
    // outline asks for it, and the slots stay put until the drawing ends.
    struct SmallestDim {
        double width = 0;
        double height = 0;
        double value = 0;
    };
    std::optional<SmallestDim> m_smallestDimWhileDrawing;
    double smallestSlotSide(double width, double height) const;
};

} // namespace qf
