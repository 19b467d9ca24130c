// The grid's picture layer: drawing and mouse handling.
#include "layouts/grid_mosaic/GridCollage.h"

#include "model/CollageHost.h"
#include "model/ResourceImages.h"
#include "model/SlotPainter.h"
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

// The whole picture fitted into a cell, its aspect kept and centred: the
// rectangle its border follows.
QRectF fittedFrame(const QRectF& cell, QSizeF picture, double stroke)
{
    const double iw = picture.width();
    const double ih = picture.height();
    if (!(iw > 0 && ih > 0 && cell.height() > 0))
        return cell;
    if (cell.width() / cell.height() > iw / ih) {
        const double d = (cell.width() - (iw / ih) * (cell.height() - 2 * stroke) - 2 * stroke) / 2;
        return cell.adjusted(d, 0, -d, 0);
    }
    const double d = (cell.height() - (ih / iw) * (cell.width() - 2 * stroke) - 2 * stroke) / 2;
    return cell.adjusted(0, d, 0, -d);
}

} // namespace

QRectF GridCollage::cellRect(qint64 index, double width, double height) const
{
    const qint64 columns = std::max<qint64>(1, columnCount());
    return getDrawRectForRow(index / columns, index % columns, getSpacingWidthForCollageWidth(width, height), width,
                             height);
}

void GridCollage::drawYourPicturePatternOnCurrentContextInWidth(GraphicsContext& context, double width,
                                                                 double height, bool actual)
{
    if (rowCount() <= 0 || columnCount() <= 0)
        return;
    const double r = getRoundedCornerWidthForCollageWidth(width, height);
    const double t = getStrokeWidthForCollageWidth(width, height);
    const qint64 selected = selectedImagePosition();
    const PositionPtr selectedCell = selectedPosition();
    const bool cropEditing = !actual && selectedCell
                             && (handleBeingHeld() == HeldHandleCropTranslate
                                 || handleBeingHeld() == HeldHandleCropZoom);

    SlotPainter painter(*this, context, width, height);
    painter.beginShadow();

    double alpha = 1.0;
    if (cropEditing && !selectedCell->isEmpty()) {
        // The picture being framed shows whole, the other cells faintly over it.
        drawFullImage1(context, getNsImage(selectedCell->picture(), false), inset(cellRect(selected, width, height), t),
                       cropOf(*selectedCell), 1.0);
        alpha = 0.2;
    }

    QRectF selectedImageRect;
    const QList<PositionPtr>& cells = picturePositions();
    const qint64 count = std::min<qint64>(cells.size(), rowCount() * columnCount());
    for (qint64 i = 0; i < count; ++i) {
        Position& cell = *cells[i];
        const QRectF rect = cellRect(i, width, height);
        QPainterPath outer = SlotPainter::roundedRect(rect, r);
        QRectF imageRect = inset(rect, t);
        if (!cell.isEmpty()) {
            const QImage image = getNsImage(cell.picture(), actual);
            if (!image.isNull()) {
                if (imageScaling() == ImageScalingCropToFill) {
                    if (!(cropEditing && i == selected))
                        painter.drawCroppedPicture(outer, SlotPainter::roundedRect(imageRect, r - t), image,
                                                   imageRect, cropOf(cell), alpha);
                } else if (imageScaling() == ImageScalingFitWhole) {
                    const QRectF frame = fittedFrame(rect, QSizeF(image.size()), t);
                    imageRect = inset(frame, t);
                    outer = SlotPainter::roundedRect(frame, r);
                    painter.drawWholePicture(outer, SlotPainter::roundedRect(imageRect, r - t), image, imageRect,
                                             alpha);
                }
            }
        } else if (!actual) {
            painter.drawEmptySlot(outer, rect, cell);
        }
        if (!actual && i == selected) {
            painter.drawSelectionFrame(outer);
            selectedImageRect = imageRect;
        }
    }
    painter.endShadow();

    if (actual || !selectedCell)
        return;
    const bool holdingCropHandle =
        handleBeingHeld() == HeldHandleCropTranslate || handleBeingHeld() == HeldHandleCropZoom;
    const QPointF moved = currentLocation() - initialLocation();
    if ((!dragging() || holdingCropHandle) && !selectedCell->isEmpty() && imageScaling() == ImageScalingCropToFill) {
        // The holders follow the selected cell at this canvas size: a
        // selection restored by undo, or a resized window, would otherwise
        // leave them where the last click put them.
        if (!dragging())
            setInitialPositionOfHoldersAsPerSelectedPicture(width, height);
        const bool translate = !dragging() || handleBeingHeld() == HeldHandleCropTranslate;
        const bool zoom = !dragging() || handleBeingHeld() == HeldHandleCropZoom;
        painter.drawCropHolders(translate, dragging() ? moved : QPointF(), zoom, dragging() ? moved : QPointF(),
                                cellRect(selected, width, height).center());
    } else if (dragging() && !holdingCropHandle) {
        // The dragged picture follows the pointer over the drop targets.
        if (!selectedCell->isEmpty()) {
            const QImage image = getNsImage(selectedCell->picture(), false);
            const QRectF at = selectedImageRect.translated(moved);
            if (imageScaling() == ImageScalingCropToFill)
                drawNSImage1(context, image, at, cropOf(*selectedCell), 0.7);
            else if (imageScaling() == ImageScalingFitWhole)
                context.drawImage(image, at, 0.7);
        }
        for (qint64 i = 0; i < count; ++i)
            painter.drawDropTarget(SlotPainter::roundedRect(cellRect(i, width, height), r));
    }
}

void GridCollage::mouseDownAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event)
{
    setHandleBeingHeld(HeldHandleNone);
    PositionPtr cell = selectedPosition();
    if (cell && !cell->isEmpty() && imageScaling() == ImageScalingCropToFill) {
        const QRectF translateHolder(positionOfCropTranslateHolder(), ResourceImages::sizeOf(QStringLiteral("move")));
        const QRectF zoomHolder(positionOfCropZoomHolder(), ResourceImages::sizeOf(QStringLiteral("scale_only")));
        if (UtilityFunctions::pointInRect(initialLocation(), translateHolder))
            setHandleBeingHeld(HeldHandleCropTranslate);
        else if (UtilityFunctions::pointInRect(initialLocation(), zoomHolder))
            setHandleBeingHeld(HeldHandleCropZoom);
        if (handleBeingHeld() != HeldHandleNone)
            pushGestureCursor(Cursor::fromShape(Qt::ClosedHandCursor));
    }

    if (handleBeingHeld() == HeldHandleNone) {
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

    cell = selectedPosition();
    if (cell && cell->panZoomValue())
        setInitialL(cell->panZoomValue()->l());
    setPickPictureForPositionIndex(ptLiesInPickPictureButton(point, width, height));
}

void GridCollage::mouseDraggedAtPictureLayer(QPointF, double width, double height, const MouseEvent&)
{
    setDragging(true);
    const PositionPtr cell = selectedPosition();
    const qint64 handle = handleBeingHeld();
    if (!cell || (handle != HeldHandleCropTranslate && handle != HeldHandleCropZoom) || cell->isEmpty())
        return;
    const QRectF imageRect =
        inset(cellRect(selectedImagePosition(), width, height), getStrokeWidthForCollageWidth(width, height));
    const QImage image = getNsImage(cell->picture(), false);
    if (image.isNull() || !(imageRect.width() > 0 && imageRect.height() > 0))
        return;
    const QSizeF size(image.size());
    const double rw = imageRect.width();
    const double rh = imageRect.height();

    PanZoomPos crop = cell->panZoomValue() ? *cell->panZoomValue() : PanZoomPos::getInitial(size, rw, rh);
    if (!cell->panZoomValue())
        setInitialL(crop.l());
    if (crop.fixToNotOverflow(size, rw, rh))
        setInitialL(crop.l());

    if (handle == HeldHandleCropTranslate) {
        const QPointF step = currentLocation() - previousLocation();
        crop.translate(size, rw, rh, step.x(), step.y());
    } else {
        // Away from the centre zooms in; the window never grows past the picture.
        const QPointF centre = imageRect.center();
        const double d0 = UtilityFunctions::distanceBetweenPt1(centre, initialLocation());
        const double d1 = UtilityFunctions::distanceBetweenPt1(centre, currentLocation());
        const double l = std::min(1.0, (d0 / d1) * initialL());
        if (std::isfinite(l) && l > 0)
            crop.setL(l);
        else if (d1 == 0 && d0 > 0)
            crop.setL(1.0);
    }
    if (crop.fixToNotOverflow(size, rw, rh))
        setInitialL(crop.l());
    cell->setPanZoomValue(crop);
}

void GridCollage::mouseUpAtPictureLayer(QPointF point, double width, double height, const MouseEvent&)
{
    setDragging(false);
    const qint64 handle = handleBeingHeld();
    if (selectedPosition()) {
        popGestureCursor();
        if (handle != HeldHandleCropTranslate && handle != HeldHandleCropZoom) {
            const qint64 i = ptLiesIn(point, width, height);
            const qint64 from = selectedImagePosition();
            if (i >= 0 && i != from && !picturePositions()[from]->isEmpty()) {
                picturePositions().swapItemsAt(from, i);
                setSelectedImagePosition(i);
            }
        }
        setInitialPositionOfHoldersAsPerSelectedPicture(width, height);
    }
    setHandleBeingHeld(HeldHandleNone);
    const qint64 pick = pickPictureForPositionIndex();
    if (pick >= 0 && pick == ptLiesInPickPictureButton(point, width, height) && myWindowController())
        myWindowController()->selectPictureFor(pick);
    setPickPictureForPositionIndex(-1);
}

} // namespace qf
