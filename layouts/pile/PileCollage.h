#pragma once

#include "layouts/CollageTypes.h"
#include "layouts/pile/PilePosition.h"
#include "model/Collage.h"

#include <QPainterPath>

#include <memory>

namespace qf {

// What both pile types share: pictures lying freely on the canvas, each
// with its own centre, size, tilt and stacking place; the geometry every
// pile operation uses, random placement, adding into placeholders first,
// face-centred crops and the whole-pile commands. Drawing and the mouse are
// the types' own.
class PileCollage : public Collage {
public:
    PileCollage();

    static const KVKeyTable& keyTable();

    // The slot at `index` as a pile slot; null when it is none.
    std::shared_ptr<PilePosition> pileSlot(qint64 index) const;

    // ---- what both types offer the editor --------------------------------------

    // The commands on all pictures and on the selected one, in button order;
    // `spreadAsMosaic` follows Spread as Grid in the first part.
    static QList<CollageCommand> commandsForAll(const CollageCommand::Call& spreadAsMosaic = {});
    static QList<CollageCommand> commandsForSelected();
    static SettingsBox layoutBox();
    // The frame's width and colour, first of a borders box.
    static QList<SettingsControl> frameControls();
    // The arrow keys' nudges.
    static bool nudge(Collage& collage, Nudge direction);

    // ---- what each type decides --------------------------------------------

    // Whether pictures get a filled frame (its path below).
    virtual bool needsBorderFill() const { return false; }
    // The outline given to a new picture.
    virtual qint64 shapeToUseForNewPosition() const { return 0; }
    // The tilt of a newly placed picture, radians.
    virtual double anotherRandomRotation() { return 0.0; }
    // The frame around a picture rectangle: the rectangle grown by the width.
    virtual QPainterPath getBorderEnclosingPathForDrawingRect(const QRectF& rect, double borderWidth) const;

    // ---- geometry (pixels of the W x H drawing) ------------------------------

    // Width over height of a slot's picture: its crop aspect, else its
    // drawing image's, else 1; for shapes 0..8 the shape's own.
    double widthUponHeightForPosition(const PilePosition& slot) const;
    // The aspect of shapes 0..8; 1 for anything else (which is logged).
    static double widthUponHeightForShape(qint64 shape);
    // The picture rectangle of w x h centred on the slot's own origin.
    static QRectF getRegularRectForDrawingImage(double width, double height);
    // The slot's picture rectangle in its own frame.
    QRectF pictureRectOf(const PilePosition& slot, double width, double height) const;
    // The slot's frame: translated to its centre, turned by its tilt.
    static QTransform slotTransform(const PilePosition& slot, double width, double height);
    // 0.08 x spacing x the canvas diagonal.
    double getBorderWidthForCollageWidth(double width, double height) const;
    // The smallest k >= 1 with k x k > n.
    static qint64 getLeastSquare(qint64 n);
    // 0.10 to 0.89 in steps of 0.01.
    static double getRandomCenterDim();

    // The topmost picture whose outline holds the point, or -1.
    qint64 ptLiesIn(QPointF point, double width, double height) override;
    // The topmost placeholder whose rectangle and pick button hold the point, or -1.
    qint64 ptLiesInPickPictureButton(QPointF point, double width, double height) override;
    // The pick button centred in a picture rectangle, or none when it does not fit.
    QRectF getDrawRectImagePickerButton(const QRectF& rect) const override;

    // ---- pictures ----------------------------------------------------------------

    PositionPtr getBrandNewPosition() override;
    // A new slot at a random place for the picture, sized for k x k pictures.
    std::shared_ptr<PilePosition> getRandomPositionForPicture(const QString& md5, const QImage& image, qint64 k);
    // Placeholders first, then on top at random places; the type's first
    // layout when the pile was empty.
    void addPictures(const QStringList& md5s, const QHash<QString, QImage>& images,
                     const QHash<QString, QString>& md5ToPaths,
                     const QHash<QString, QDateTime>& md5ToModifiedTimes) override;
    // Their slots go too; the others keep their order.
    void removePictures(const QList<qsizetype>& indexes) override;
    void detectFacesAndUpdatePanZoomAll(bool all, bool onlyThoseNotSet,
                                        const std::optional<QList<PositionPtr>>& onlyThesePositions) override;

    // ---- whole-pile commands ---------------------------------------------------

    // The type's first layout of its pictures and its Spread command.
    virtual void spreadout() {}

    // New random places, sizes and tilts for the filled slots.
    void shuffle() override;
    void setAllRotationsZero();
    // Every picture's diagonal the mean of the smallest and largest.
    void equateAllInSize();
    void increaseAllInSize();
    void decreaseAllInSize();
    // Every slot in its own cell of a shuffled grid, 0.8 of the cell.
    void spreadoutToGrid();

    // ---- the canvas -------------------------------------------------------------

    // Slots from back to front, each turned in its own frame with its own
    // shadow; on screen the placeholders, the selection, the rotate and
    // scale handles and, while turning, the angle.
    void drawYourPicturePatternOnCurrentContextInWidth(GraphicsContext& context, double width, double height,
                                                       bool actual) override;
    // Select and move a picture, or turn or scale it by its handles.
    void mouseDownAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event) override;
    void mouseDraggedAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event) override;
    void mouseUpAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event) override;
    // The two handles beside the selected picture, on its left near the right edge.
    void setInitialPositionOfHoldersAsPerSelectedPicture(double width, double height);
    // The angle in whole degrees 0..359, snapped to 0 within 0.8 degrees of
    // upright; `constraining` and `constrainedToDegree` follow.
    qint64 constrainToDegree(double radians);

    // ---- commands on the selected picture -------------------------------------------

    // The picture and its slot go (true); a placeholder goes alone (true).
    bool removeSelectedPicture() override;
    void cropSelected();
    void cropSelectedTo(double widthToHeight, const PanZoomPos& panZoom) override;
    void removeCropFromSelected() override;
    // To the front and to the back of the pile; the selection follows.
    void moveSelectedUp();
    void moveSelectedDown();
    // The picture leaves the pile; its slot stays as a placeholder of its shape.
    void makeSelectedEmpty();
    void rotateSelectedToZero();
    void rotateSelectedClockwise();
    void rotateSelectedAntiClockwise();
    void increaseSelectedInSize();
    void decreaseSelectedInSize();
    // Nudges of 0.002 of the canvas.
    bool moveSelectedPositionUp();
    bool moveSelectedPositionDown();
    bool moveSelectedPositionLeft();
    bool moveSelectedPositionRight();

    // ---- bindings -----------------------------------------------------------------

    bool constraining() const { return m_constraining; }
    void setConstraining(bool v) { m_constraining = v; }
    qint64 constrainedToDegree() const { return m_constrainedToDegree; }
    void setConstrainedToDegree(qint64 v) { m_constrainedToDegree = v; }
    qint64 getZeroBinding() const { return 0; }
    bool getFalseBinding() const { return false; }
    // The slots checked against `images` after reading, and slots that
    // cannot be seen (a size out of reason, a centre far off the canvas) put
    // back on it.
    void setMyPropertiesFrom(const QJsonObject& dict) override;
    // Whether the slot's picture shows at least in part: a size within
    // reason and a centre no farther off the canvas than the picture reaches.
    bool canBeSeen(const PilePosition& slot) const;

protected:
    const KVKeyTable& kvKeyTable() const override { return keyTable(); }
    QList<std::shared_ptr<PilePosition>> pileSlots() const;
    // The outline a hit test uses for a slot's picture rectangle.
    QPainterPath hitOutline(const PilePosition& slot, const QRectF& rect, double width, double height) const;
    // The selected slot as a pile slot; null without one.
    std::shared_ptr<PilePosition> selectedPileSlot() const { return pileSlot(selectedImagePosition()); }

private:
    // One slot of the picture layer, in its own turned frame.
    void drawSlot(GraphicsContext& context, qint64 index, PilePosition& slot, double width, double height,
                  bool actual);
    void drawHandles(GraphicsContext& context, const PilePosition& slot, double width, double height);
    // Moves the selected slot by fractions of the canvas.
    bool nudgeSelected(double dx, double dy);
    static bool scaleCanBeSeen(const PilePosition& slot);
    // Gives the slots that cannot be seen the size and place of a new
    // picture among k x k (only what is wrong of the two).
    void putBackWhatCannotBeSeen(qint64 k);
    bool m_constraining = false;
    qint64 m_constrainedToDegree = 0;
};

} // namespace qf
