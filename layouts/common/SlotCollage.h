#pragma once

#include "layouts/CollageTypes.h"
#include "model/Collage.h"

#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <optional>

namespace qf {

class SlotPainter;

// The canvas shared by the collage types whose pictures sit in fixed slots
// (grid, mosaic, centre frame, zig mosaic, hexagon): one shadow for the
// whole picture layer, each slot's frame in the border colour with its
// picture clipped inside, dashed empty slots with their pick-picture button,
// the selection, the crop holders and crop mode, and the ghost of a picture
// dragged over the drop targets; and the mouse that selects slots, pans and
// zooms the selected crop, exchanges pictures on a drop and presses the pick
// button.
//
// A type supplies its geometry: the drawing rectangle of a slot and, where
// its slots are not rounded rectangles, their outlines, picture rectangle,
// hit test and holder centre; and how two slots exchange their pictures.
// All geometry is in units of the W x H drawing, y up.
class SlotCollage : public Collage {
public:
    // ---- what the slot types offer the editor --------------------------------

    // Spacing, border width, corner radius and border colour.
    static SettingsBox bordersBox();
    // Fit the whole picture or crop it to fill (the types that draw either).
    static SettingsControl imageScalingControl();
    // Shuffle in Place: the pictures trade places, the layout stays.
    static CollageCommand shuffleInPlaceCommand();
    // Cell Positions…: empty cells typed as polygons replace the layout.
    static CollageCommand cellPositionsCommand(CollageCommand::Call call);
    template <class T>
    static CollageCommand cellPositionsCommand(bool (T::*setPositions)(const QString&, QString*))
    {
        return cellPositionsCommand([setPositions](Collage& collage, const CommandArgument& argument) {
            auto* typed = dynamic_cast<T*>(&collage);
            QString why;
            if (typed && (typed->*setPositions)(argument.text, &why))
                return Status::success();
            return Status::failure(why.isEmpty() ? commandText("These positions cannot be used for this collage.")
                                                 : why);
        });
    }
    static SettingsControl cellPositionsButton();

    // ---- pictures ------------------------------------------------------------

    // The same for every slot type: the new pictures are placed by the type,
    // the picture list and the drawing images take them, and the type lays
    // out what it has to; removed pictures leave their slots empty.
    void addPictures(const QStringList& md5s, const QHash<QString, QImage>& images,
                     const QHash<QString, QString>& md5ToPaths,
                     const QHash<QString, QDateTime>& md5ToModifiedTimes) override;
    void removePictures(const QList<qsizetype>& indexes) override;

    // ---- geometry a type supplies ---------------------------------------

    // The gap between slots, the corner radius and the border width.
    virtual double getSpacingWidthForCollageWidth(double width, double height) const = 0;
    virtual double getRoundedCornerWidthForCollageWidth(double width, double height) const = 0;
    virtual double getStrokeWidthForCollageWidth(double width, double height) const = 0;

    // The slots drawn and hit, the first ones of `picturePositions`.
    virtual qint64 drawnSlotCount() const { return picturePositions().size(); }
    // The slot's drawing rectangle: its frame, border included.
    virtual QRectF slotRect(qint64 index, double width, double height) const = 0;
    // The outline of the frame with corners of `radius`.
    virtual QPainterPath slotOutline(qint64 index, double width, double height, double radius) const;
    // The rectangle the picture is drawn into, and the outline it is clipped to.
    virtual QRectF slotPictureRect(qint64 index, double width, double height) const;
    virtual QPainterPath slotPicturePath(qint64 index, double width, double height) const;
    // The pick-picture button of the slot when empty (zero when it does not fit).
    virtual QRectF slotPickButtonRect(qint64 index, double width, double height) const;
    // The point the crop holders are placed beside.
    virtual QPointF slotHolderCentre(qint64 index, double width, double height) const;
    // The slot's size for its crop window.
    virtual QSizeF slotCropSize(qint64 index, double width, double height) const;
    // Whether the point lies in the slot (the right and top edges outside).
    virtual bool slotContainsPoint(qint64 index, QPointF point, double width, double height) const;
    // How pictures sit in the slots: the collage's image scaling setting;
    // types whose slots are not rectangles always crop to fill.
    virtual qint64 slotImageScaling() const { return imageScaling(); }

    // ---- the canvas ------------------------------------------------------

    // The first drawn slot holding the point, or -1 (gaps, margins, outside).
    qint64 ptLiesIn(QPointF point, double width, double height) override;
    // The empty slot whose pick-picture button holds the point, or -1.
    qint64 ptLiesInPickPictureButton(QPointF point, double width, double height) override;
    // Puts the crop holders beside the selected slot, on its left when it is
    // near the right edge.
    void setInitialPositionOfHoldersAsPerSelectedPicture(double width, double height);
    // The selected slot's picture leaves the collage (true); the slot stays.
    // False without a selected slot that shows a picture.
    bool removeSelectedPicture() override;

    void drawYourPicturePatternOnCurrentContextInWidth(GraphicsContext& context, double width, double height,
                                                       bool actual) override;
    void mouseDownAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event) override;
    void mouseDraggedAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event) override;
    void mouseUpAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event) override;

protected:
    // Puts pictures new to the collage into slots of the type, making slots
    // where none is free; `images` does not hold them yet.
    virtual void placeNewPictures(const QStringList& md5s) = 0;
    // After new pictures are in; there were `slotsBefore` slots before.
    // Crops for the slots without one by default.
    virtual void newPicturesPlaced(qsizetype slotsBefore);
    // After pictures have left their slots and the collage.
    virtual void picturesRemoved() {}

    // The parts of a press on the picture layer, in order: a crop handle of
    // the selected picture; (when none is held) the selection of the slot
    // under the point; the crop's starting width and the picker button.
    void grabCropHandle();
    void selectSlotAt(QPointF point, double width, double height, const MouseEvent& event);
    void finishMouseDown(QPointF point, double width, double height);
    // Finds the faces of the slots' pictures and centres the crop of each
    // slot considered on them (all of them; those given; or with
    // onlyThoseNotSet those without a crop), for a slot of the size in
    // collage pixels `slotSize` answers. A picture without a face keeps its
    // crop.
    void centreCropsOnFaces(bool all, bool onlyThoseNotSet, const std::optional<QList<PositionPtr>>& onlyThesePositions,
                            const std::function<QSizeF(const Position&)>& slotSize);
    // A picture dropped from slot `from` on slot `to` (both valid, `from` not
    // empty): the slots change places, crops and flags going with them. The
    // selection then moves to `to`.
    virtual void exchangeSlots(qint64 from, qint64 to);
    // For slots whose shapes stay where they are: the pictures change places
    // instead, each then cropped anew round its faces.
    void exchangePicturesKeepingSlots(qint64 from, qint64 to);
    // The drop targets of a picture drag: every drawn slot's outline.
    virtual void drawDropTargets(SlotPainter& painter, double width, double height);
    // Whether the dragged picture is drawn under the drop targets (the grid,
    // mosaic and zig mosaic) or over them.
    virtual bool ghostUnderDropTargets() const { return true; }

private:
    bool cropHandleHeld() const;
};

} // namespace qf
