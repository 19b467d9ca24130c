#include "layouts/common/SlotCollage.h"

#include "layouts/common/SlotPainter.h"
#include "model/CollageHost.h"
#include "model/ResourceImages.h"
#include "model/UtilityFunctions.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"

#include <cmath>

namespace qf {

namespace {

PanZoomPos* cropOf(Position& slot)
{
    auto& crop = slot.panZoomValue();
    return crop ? &*crop : nullptr;
}

QRectF inset(const QRectF& r, double by)
{
    return r.adjusted(by, by, -by, -by);
}

// The whole picture fitted into a slot, its aspect kept and centred: the
// rectangle its border follows.
QRectF fittedFrame(const QRectF& slot, QSizeF picture, double stroke)
{
    const double iw = picture.width();
    const double ih = picture.height();
    if (!(iw > 0 && ih > 0 && slot.height() > 0))
        return slot;
    if (slot.width() / slot.height() > iw / ih) {
        const double d = (slot.width() - (iw / ih) * (slot.height() - 2 * stroke) - 2 * stroke) / 2;
        return slot.adjusted(d, 0, -d, 0);
    }
    const double d = (slot.height() - (ih / iw) * (slot.width() - 2 * stroke) - 2 * stroke) / 2;
    return slot.adjusted(0, d, 0, -d);
}

} // namespace

// ---- geometry -----------------------------------------------------------------

QPainterPath SlotCollage::slotOutline(qint64 index, double width, double height, double radius) const
{
    return SlotPainter::roundedRect(slotRect(index, width, height), radius);
}

QRectF SlotCollage::slotPictureRect(qint64 index, double width, double height) const
{
    return inset(slotRect(index, width, height), getStrokeWidthForCollageWidth(width, height));
}

QPainterPath SlotCollage::slotPicturePath(qint64 index, double width, double height) const
{
    return SlotPainter::roundedRect(slotPictureRect(index, width, height),
                                    getRoundedCornerWidthForCollageWidth(width, height)
                                        - getStrokeWidthForCollageWidth(width, height));
}

QRectF SlotCollage::slotPickButtonRect(qint64 index, double width, double height) const
{
    return getDrawRectImagePickerButton(slotRect(index, width, height));
}

QPointF SlotCollage::slotHolderCentre(qint64 index, double width, double height) const
{
    return slotRect(index, width, height).center();
}

QSizeF SlotCollage::slotCropSize(qint64 index, double width, double height) const
{
    return slotPictureRect(index, width, height).size();
}

bool SlotCollage::slotContainsPoint(qint64 index, QPointF point, double width, double height) const
{
    return UtilityFunctions::pointInRect(point, slotRect(index, width, height));
}

qint64 SlotCollage::ptLiesIn(QPointF point, double width, double height)
{
    const qint64 count = std::min<qint64>(drawnSlotCount(), picturePositions().size());
    for (qint64 i = 0; i < count; ++i)
        if (slotContainsPoint(i, point, width, height))
            return i;
    return -1;
}

qint64 SlotCollage::ptLiesInPickPictureButton(QPointF point, double width, double height)
{
    const QList<PositionPtr>& list = picturePositions();
    const qint64 count = std::min<qint64>(drawnSlotCount(), list.size());
    for (qint64 i = 0; i < count; ++i) {
        if (list[i] && list[i]->isEmpty() && slotContainsPoint(i, point, width, height)
            && UtilityFunctions::pointInRect(point, slotPickButtonRect(i, width, height)))
            return i;
    }
    return -1;
}

bool SlotCollage::removeSelectedPicture()
{
    const PositionPtr slot = selectedPosition();
    if (!slot || slot->isEmpty())
        return false;
    const qsizetype at = images().indexOf(slot->picture());
    if (at >= 0) {
        removePictures({at});
    } else {
        // A picture the collage no longer lists: the slot is emptied all the same.
        slot->setPicture(QString());
        slot->setPanZoomValue(std::nullopt);
    }
    return true;
}

void SlotCollage::setInitialPositionOfHoldersAsPerSelectedPicture(double width, double height)
{
    if (!selectedPosition())
        return;
    const QPointF c = slotHolderCentre(selectedImagePosition(), width, height);
    // Sizes in drawing units: the image files carry twice the pixels.
    const double th = ResourceImages::sizeOf(QStringLiteral("move")).height();
    const double zh = ResourceImages::sizeOf(QStringLiteral("scale_only")).height();
    const double side = c.x() < width - 160 ? 1.0 : -1.0;
    setPositionOfCropTranslateHolder(QPointF(c.x() + side * 80, c.y() - th / 2));
    setPositionOfCropZoomHolder(QPointF(c.x() + side * 110, c.y() - zh / 2));
}

bool SlotCollage::cropHandleHeld() const
{
    return handleBeingHeld() == HeldHandleCropTranslate || handleBeingHeld() == HeldHandleCropZoom;
}

// ---- drawing ------------------------------------------------------------------

void SlotCollage::drawYourPicturePatternOnCurrentContextInWidth(GraphicsContext& context, double width,
                                                                 double height, bool actual)
{
    const qint64 count = std::min<qint64>(drawnSlotCount(), picturePositions().size());
    if (count <= 0)
        return;
    const double r = getRoundedCornerWidthForCollageWidth(width, height);
    const double t = getStrokeWidthForCollageWidth(width, height);
    const qint64 selected = selectedImagePosition();
    const PositionPtr selectedSlot = selected < count ? selectedPosition() : nullptr;
    const bool cropEditing = !actual && selectedSlot && cropHandleHeld();

    SlotPainter painter(*this, context, width, height);
    QRectF selectedImageRect;
    // The screen keeps the slots drawn, shadow and all, while none changes.
    context.drawKept([&] {
        painter.beginShadow();

        double alpha = 1.0;
        if (cropEditing && !selectedSlot->isEmpty()) {
            // The picture being framed shows whole, the other list faintly over it.
            drawFullImage1(context, getNsImage(selectedSlot->picture(), false),
                           slotPictureRect(selected, width, height), cropOf(*selectedSlot), 1.0);
            alpha = 0.2;
        }

        const QList<PositionPtr>& list = picturePositions();
        for (qint64 i = 0; i < count; ++i) {
            Position& slot = *list[i];
            const QPainterPath outer = slotOutline(i, width, height, r);
            // Output drawn in bands leaves out, and never decodes, what a band cannot show.
            if (actual && context.isCulled(outer.boundingRect()))
                continue;
            QRectF imageRect = slotPictureRect(i, width, height);
            if (!slot.isEmpty()) {
                // A picture missing from the store leaves its frame showing.
                const QImage image = getNsImage(slot.picture(), actual);
                if (slotImageScaling() == ImageScalingCropToFill) {
                    if (!(cropEditing && i == selected))
                        painter.drawCroppedPicture(outer, slotPicturePath(i, width, height), image, imageRect,
                                                   cropOf(slot), alpha);
                } else if (slotImageScaling() == ImageScalingFitWhole) {
                    const QRectF frame = image.isNull() ? slotRect(i, width, height)
                                                        : fittedFrame(slotRect(i, width, height),
                                                                      QSizeF(context.pictureSize(image)), t);
                    imageRect = inset(frame, t);
                    // The frame shrinks to the picture; the selection still
                    // outlines the whole slot.
                    painter.drawWholePicture(SlotPainter::roundedRect(frame, r), SlotPainter::roundedRect(imageRect, r - t),
                                             image, imageRect, alpha);
                }
            } else if (!actual) {
                painter.drawEmptySlot(outer, slotPickButtonRect(i, width, height), slot,
                                      i == pickPictureForPositionIndex());
            }
            if (!actual && i == selected) {
                painter.drawSelectionFrame(outer);
                selectedImageRect = imageRect;
            }
        }
        painter.endShadow();
    });

    if (actual || !selectedSlot)
        return;
    const QPointF moved = currentLocation() - initialLocation();
    if ((!dragging() || cropHandleHeld()) && !selectedSlot->isEmpty()
        && slotImageScaling() == ImageScalingCropToFill) {
        // The holders follow the selected slot at this canvas size: a
        // selection restored by undo, or a resized window, would otherwise
        // leave them where the last click put them.
        if (!dragging())
            setInitialPositionOfHoldersAsPerSelectedPicture(width, height);
        const bool translate = !dragging() || handleBeingHeld() == HeldHandleCropTranslate;
        const bool zoom = !dragging() || handleBeingHeld() == HeldHandleCropZoom;
        painter.drawCropHolders(translate, dragging() ? moved : QPointF(), zoom, dragging() ? moved : QPointF(),
                                slotPictureRect(selected, width, height).center());
    } else if (dragging() && !cropHandleHeld()) {
        // The dragged picture follows the pointer over the drop targets.
        const auto drawGhost = [&] {
            if (selectedSlot->isEmpty())
                return;
            const QImage image = getNsImage(selectedSlot->picture(), false);
            const QRectF at = selectedImageRect.translated(moved);
            if (slotImageScaling() == ImageScalingCropToFill)
                drawNSImage1(context, image, at, cropOf(*selectedSlot), 0.7);
            else if (slotImageScaling() == ImageScalingFitWhole)
                context.drawImage(image, at, 0.7);
        };
        if (ghostUnderDropTargets())
            drawGhost();
        drawDropTargets(painter, width, height);
        if (!ghostUnderDropTargets())
            drawGhost();
    }
}

void SlotCollage::drawDropTargets(SlotPainter& painter, double width, double height)
{
    const double r = getRoundedCornerWidthForCollageWidth(width, height);
    const qint64 count = std::min<qint64>(drawnSlotCount(), picturePositions().size());
    for (qint64 i = 0; i < count; ++i)
        painter.drawDropTarget(slotOutline(i, width, height, r));
}

// ---- mouse --------------------------------------------------------------------

void SlotCollage::mouseDownAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event)
{
    setHandleBeingHeld(HeldHandleNone);
    grabCropHandle();
    if (handleBeingHeld() == HeldHandleNone)
        selectSlotAt(point, width, height, event);
    finishMouseDown(point, width, height);
}

void SlotCollage::grabCropHandle()
{
    const PositionPtr slot = selectedPosition();
    if (!slot || slot->isEmpty() || slotImageScaling() != ImageScalingCropToFill)
        return;
    const QRectF translateHolder(positionOfCropTranslateHolder(), ResourceImages::sizeOf(QStringLiteral("move")));
    const QRectF zoomHolder(positionOfCropZoomHolder(), ResourceImages::sizeOf(QStringLiteral("scale_only")));
    if (UtilityFunctions::pointInRect(initialLocation(), translateHolder))
        setHandleBeingHeld(HeldHandleCropTranslate);
    else if (UtilityFunctions::pointInRect(initialLocation(), zoomHolder))
        setHandleBeingHeld(HeldHandleCropZoom);
    if (handleBeingHeld() != HeldHandleNone)
        pushGestureCursor(Cursor::fromShape(Qt::ClosedHandCursor));
}

void SlotCollage::selectSlotAt(QPointF point, double width, double height, const MouseEvent& event)
{
    const qint64 i = ptLiesIn(point, width, height);
    if (i >= 0 && event.clickCount != 1) {
        // A double click leaves the selection alone.
    } else if (i >= 0 && i == selectedImagePosition() && event.commandKey()) {
        removeAllPictureSelections();
    } else if (i >= 0) {
        removeAllTextSelections();
        setSelectedImagePosition(i);
        if (!picturePositions()[i]->isEmpty()) {
            setInitialPositionOfHoldersAsPerSelectedPicture(width, height);
            pushGestureCursor(Cursor::fromShape(Qt::ClosedHandCursor));
        }
    } else {
        removeAllPictureSelections();
    }
}

void SlotCollage::finishMouseDown(QPointF point, double width, double height)
{
    const PositionPtr slot = selectedPosition();
    if (slot && slot->panZoomValue())
        setInitialL(slot->panZoomValue()->l());
    setPickPictureForPositionIndex(ptLiesInPickPictureButton(point, width, height));
}

void SlotCollage::mouseDraggedAtPictureLayer(QPointF, double width, double height, const MouseEvent&)
{
    setDragging(true);
    const PositionPtr slot = selectedPosition();
    if (!slot || !cropHandleHeld() || slot->isEmpty())
        return;
    const qint64 selected = selectedImagePosition();
    const QSizeF cropSize = slotCropSize(selected, width, height);
    const QImage image = getNsImage(slot->picture(), false);
    if (image.isNull() || !(cropSize.width() > 0 && cropSize.height() > 0))
        return;
    const QSizeF size(image.size());
    const double rw = cropSize.width();
    const double rh = cropSize.height();

    PanZoomPos crop = slot->panZoomValue() ? *slot->panZoomValue() : PanZoomPos::getInitial(size, rw, rh);
    if (!slot->panZoomValue())
        setInitialL(crop.l());
    if (crop.fixToNotOverflow(size, rw, rh))
        setInitialL(crop.l());

    if (handleBeingHeld() == HeldHandleCropTranslate) {
        const QPointF step = currentLocation() - previousLocation();
        crop.translate(size, rw, rh, step.x(), step.y());
    } else {
        // Away from the centre zooms in; the window never grows past the picture.
        const QPointF centre = slotPictureRect(selected, width, height).center();
        const double d0 = UtilityFunctions::distanceBetweenPt1(centre, initialLocation());
        const double d1 = UtilityFunctions::distanceBetweenPt1(centre, currentLocation());
        // With the pointer on the centre the window keeps its size.
        const double l = std::min(1.0, (d0 / d1) * initialL());
        if (d1 > 0 && std::isfinite(l) && l > 0)
            crop.setL(l);
    }
    if (crop.fixToNotOverflow(size, rw, rh))
        setInitialL(crop.l());
    slot->setPanZoomValue(crop);
}

void SlotCollage::mouseUpAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event)
{
    setDragging(false);
    // The press of a double click did nothing; neither does its release.
    const bool click = event.clickCount == 1;
    if (selectedPosition()) {
        popGestureCursor();
        if (click && !cropHandleHeld()) {
            const qint64 i = ptLiesIn(point, width, height);
            const qint64 from = selectedImagePosition();
            if (i >= 0 && i != from && !picturePositions()[from]->isEmpty()) {
                exchangeSlots(from, i);
                setSelectedImagePosition(i);
            }
        }
        setInitialPositionOfHoldersAsPerSelectedPicture(width, height);
    }
    setHandleBeingHeld(HeldHandleNone);
    const qint64 pick = pickPictureForPositionIndex();
    if (click && pick >= 0 && pick == ptLiesInPickPictureButton(point, width, height) && myWindowController())
        myWindowController()->selectPictureFor(pick);
    setPickPictureForPositionIndex(-1);
}

void SlotCollage::exchangeSlots(qint64 from, qint64 to)
{
    picturePositions().swapItemsAt(from, to);
}

void SlotCollage::exchangePicturesKeepingSlots(qint64 from, qint64 to)
{
    const PositionPtr a = picturePositions()[from];
    const PositionPtr b = picturePositions()[to];
    const QString picture = a->picture();
    a->setPicture(b->picture());
    b->setPicture(picture);
    a->setPanZoomValue(std::nullopt);
    b->setPanZoomValue(std::nullopt);
    detectFacesAndUpdatePanZoomAll(false, true, QList<PositionPtr>{a, b});
}

// ---- crops ----------------------------------------------------------------------

void SlotCollage::centreCropsOnFaces(bool all, bool onlyThoseNotSet,
                                     const std::optional<QList<PositionPtr>>& onlyThesePositions,
                                     const std::function<QSizeF(const Position&)>& slotSize)
{
    detectFacesOnlyAll(all, onlyThoseNotSet, onlyThesePositions);
    const QList<PositionPtr> considered = onlyThesePositions ? *onlyThesePositions : picturePositions();
    for (const PositionPtr& slot : considered) {
        if (!slot)
            continue;
        if (slot->isEmpty()) {
            slot->setPanZoomValue(std::nullopt);
            continue;
        }
        if (!(all || onlyThesePositions || (onlyThoseNotSet && !slot->panZoomValue())))
            continue;
        const QSizeF size = slotSize(*slot);
        const double cw = size.width();
        const double ch = size.height();
        if (!(cw > 0 && ch > 0))
            continue;
        const auto face = faceCentroidDict().constFind(slot->picture());
        if (face == faceCentroidDict().cend() || !(face->x() >= 0))
            continue;
        const QImage image = getNsImage(slot->picture(), false);
        const double iw = image.width();
        const double ih = image.height();
        if (!(iw > 0 && ih > 0))
            continue;
        const double fx = face->x();
        const double fy = face->y();
        if (ih / iw > ch / cw) {
            // Cut at top and bottom: move the window up or down to the face.
            const double a = (ch / cw) * (iw / ih) * 0.5;
            const double cy = a > fy ? a : std::min(1 - a, fy);
            slot->setPanZoomValue(PanZoomPos(0.5, cy, 1.0));
        } else {
            // Cut at the sides: move it left or right.
            const double a = (ih / iw) * (cw / ch) * 0.5;
            const double cx = a > fx ? a : std::min(1 - a, fx);
            slot->setPanZoomValue(PanZoomPos(cx, 0.5, (cw * ih) / (ch * iw)));
        }
    }
}

} // namespace qf

namespace qf {

// ---- pictures ------------------------------------------------------------------------

void SlotCollage::addPictures(const QStringList& md5s, const QHash<QString, QImage>& images,
                              const QHash<QString, QString>& md5ToPaths,
                              const QHash<QString, QDateTime>& md5ToModifiedTimes)
{
    const QStringList fresh = beginAddingPictures(md5s, md5ToPaths, md5ToModifiedTimes);
    if (fresh.isEmpty())
        return;
    const qsizetype before = picturePositions().size();
    placeNewPictures(fresh);
    rememberPictures(fresh, images);
    newPicturesPlaced(before);
}

void SlotCollage::newPicturesPlaced(qsizetype)
{
    detectFacesAndUpdatePanZoomAll(false, true, std::nullopt);
}

void SlotCollage::removePictures(const QList<qsizetype>& indexes)
{
    const QSet<QString> removed = picturesAtIndexes(indexes);
    if (removed.isEmpty())
        return;
    for (const PositionPtr& slot : std::as_const(picturePositions())) {
        if (slot && removed.contains(slot->picture())) {
            slot->setPicture(QString());
            slot->setPanZoomValue(std::nullopt);
        }
    }
    forgetPictures(removed);
    picturesRemoved();
}

// ---- what the slot types offer the editor --------------------------------------

SettingsBox SlotCollage::bordersBox()
{
    using C = SettingsControl;
    return {QStringLiteral("mosaicPictureBordersControlsBox"),
            {C::slider("spacingSlider", "spacing", "Spacing", 0.0, maxSpacing(), "Space between the pictures"),
             C::slider("strokeWidthSlider", "strokeWidth", "Border", 0.0, maxStrokeWidth(), "Width of the picture borders"),
             C::slider("cornerRadiusSlider", "cornerRadiusSize", "Corners", 0.0, maxCornerRadiusSize(),
                       "Rounding of the picture corners"),
             C::colour("borderColorButton", "borderColor", "Colour", "Border Colour")}};
}

SettingsControl SlotCollage::imageScalingControl()
{
    SettingsControl c;
    c.kind = SettingsControl::Kind::Popup;
    c.name = QStringLiteral("imageScalingPopUpButton");
    c.key = QStringLiteral("imageScaling");
    c.label = commandText("Pictures");
    // In ImageScalingMode order: the index is the mode.
    c.items = {commandText("Fit whole picture"), commandText("Crop to fill")};
    c.toolTip = commandText("Show each picture whole, or cropped to fill its place");
    return c;
}

CollageCommand SlotCollage::shuffleInPlaceCommand()
{
    return CollageCommand::make("shuffleInPlaceCommandButton", "Shuffle in Place", "Swap Places",
                                "The pictures trade places; the layout stays as it is", CommandGroup::All, "images",
                                CollageCommand::on(&Collage::shuffleInPlace));
}

CollageCommand SlotCollage::cellPositionsCommand(CollageCommand::Call call)
{
    CollageCommand c = CollageCommand::make("setPositionsOnZigMosaicButton", "Cell Positions…", "",
                                            "Type the cells of the layout; they replace the pictures with empty cells",
                                            CommandGroup::All, "", std::move(call));
    c.button = false; // the layout box holds its button
    c.input = CommandInput::CellText;
    c.spinner = false;
    c.followUp = CollageCommand::ReloadPictures;
    return c;
}

SettingsControl SlotCollage::cellPositionsButton()
{
    return SettingsControl::button("setPositionsOnZigMosaicButton");
}

} // namespace qf
