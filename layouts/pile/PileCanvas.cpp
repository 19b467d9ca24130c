// The pile on the canvas: drawing, the mouse and the commands on the
// selected picture, shared by both pile types.

#include "layouts/pile/PileCollage.h"

#include "model/CollageHost.h"
#include "model/ResourceImages.h"
#include "model/UtilityFunctions.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qf {

namespace {

constexpr double kFadedAlpha = 0.65;
constexpr double kOneDegree = 0.017453292519943295;
constexpr double kNudge = 0.002;
// A dragged scale stays within these fractions of the canvas width, so a
// picture can neither vanish under the pointer nor swallow the canvas.
constexpr double kSmallestScale = 0.01;
constexpr double kLargestScale = 4.0;

const QColor kGray = QColor::fromRgbF(0.5f, 0.5f, 0.5f, 1.0f);
const QColor kBlue = QColor::fromRgbF(0.0f, 0.0f, 1.0f, 1.0f);

void strokeTwice(GraphicsContext& context, const QPainterPath& path, const QColor& under, const QColor& over,
                 double overWidth)
{
    context.setStrokeColor(under);
    context.setLineWidth(4.0);
    context.strokePath(path);
    context.setStrokeColor(over);
    context.setLineWidth(overWidth);
    context.strokePath(path);
}

PanZoomPos* cropOf(PilePosition& slot)
{
    auto& crop = slot.panZoomValue();
    return crop ? &*crop : nullptr;
}

QRectF holderRect(QPointF origin, const char* image)
{
    return QRectF(origin, ResourceImages::sizeOf(QString::fromLatin1(image)));
}

} // namespace

// ---- drawing --------------------------------------------------------------------------

void PileCollage::drawYourPicturePatternOnCurrentContextInWidth(GraphicsContext& context, double width,
                                                                double height, bool actual)
{
    const QList<PositionPtr>& list = picturePositions();
    if (list.isEmpty())
        return;
    context.saveGState();
    const qint64 selected = selectedImagePosition();
    const std::shared_ptr<PilePosition> selectedSlot = selectedPileSlot();
    // While a picture is dragged, turned or scaled, those above it fade so
    // it shows through; with drawFast they fade as one group.
    const bool fading = !actual && selectedSlot
        && (handleBeingHeld() == HeldHandlePileRotate || handleBeingHeld() == HeldHandlePileScale || dragging());
    bool groupLayer = false;
    for (qint64 i = 0; i < list.size(); ++i) {
        const std::shared_ptr<PilePosition> slot = pileSlot(i);
        if (!slot)
            continue;
        if (fading && i == selected + 1) {
            context.setAlpha(kFadedAlpha);
            if (drawFast()) {
                context.beginTransparencyLayer();
                groupLayer = true;
            }
        }
        drawSlot(context, i, *slot, width, height, actual);
    }
    if (groupLayer)
        context.endTransparencyLayer();

    if (!actual && selectedSlot
        && (!dragging() || handleBeingHeld() == HeldHandlePileRotate || handleBeingHeld() == HeldHandlePileScale)) {
        context.setAlpha(1.0); // the handles never fade
        drawHandles(context, *selectedSlot, width, height);
    }
    context.restoreGState();

    if (!actual && dragging() && handleBeingHeld() == HeldHandlePileRotate)
        UtilityFunctions::drawStringMessageOnDrawingView(
            context, QStringLiteral("%1°").arg(constrainedToDegree()), currentLocation() + QPointF(15, 15));
}

void PileCollage::drawSlot(GraphicsContext& context, qint64 index, PilePosition& slot, double width, double height,
                           bool actual)
{
    const double bw = getBorderWidthForCollageWidth(width, height);
    const QRectF rect = pictureRectOf(slot, width, height);
    const QPainterPath frame = needsBorderFill() ? getBorderEnclosingPathForDrawingRect(rect, bw) : QPainterPath();
    const QPainterPath outline = UtilityFunctions::getPictureEnclosingPathForDrawingRect(rect, slot.shape());
    // What the slot covers in its own frame: the frame, the border stroke
    // reaching just over bw past the outline, and the selection's 4 units.
    const double reach = std::max(bw * 1.01, 2.0) + 1;
    const QRectF bounds =
        frame.boundingRect().united(outline.boundingRect()).adjusted(-reach, -reach, reach, reach);
    const QTransform transform = slotTransform(slot, width, height);
    // Output drawn in bands leaves out, and never decodes, what a band cannot show.
    if (actual && context.isCulled(transform.mapRect(bounds)))
        return;

    const QImage image = slot.isEmpty() ? QImage() : getNsImage(slot.picture(), actual);
    // Output only: the screen keeps its stroke, whose edges a frame drawn
    // while things change leaves smoothed where it leaves fills unsmoothed.
    const bool pictureFillsRect =
        actual && !image.isNull() && !image.hasAlphaChannel() && rect.width() > 0 && rect.height() > 0;
    // The screen keeps each slot drawn, shadow and all: a frame redraws only
    // the slots that changed.
    context.drawKept([&] {
        context.saveGState();
        context.concatCTM(transform);
        // Border, placeholder and selection all stroke the outline.
        context.setLineJoin(UtilityFunctions::outlineJoinForShape(slot.shape()));
        // Each slot casts its own shadow, in canvas axes whatever its tilt;
        // frame, border and picture cast it together.
        const bool shadowLayer = drawShadow() && !drawFast();
        if (shadowLayer) {
            const double s = width / 2400;
            context.setShadow(QPointF(shadowX() * s * 30, shadowY() * s * 30), shadowBlur() * 30 * s);
            context.beginTransparencyLayer(bounds);
        }
        if (needsBorderFill()) {
            // Filled before the clip to it is set, which leaves the picture's
            // draw unclipped so far: the screen can then keep it drawn.
            context.setFillColor(borderColor().toQColor());
            context.fillPath(frame);
            context.clipToPath(frame);
        }
        context.saveGState();
        // Inside a filled frame the border stroke, clipped to the frame, would
        // only repaint the frame's own colour.
        if (bw > 0 && !needsBorderFill()) {
            const double half = bw * 2.01 / 2;
            if (slot.shape() == -1 && pictureFillsRect) {
                // The opaque picture hides the stroke's inner half: out to
                // its outer edge the rectangle filled draws the same, where
                // the wide ring of a stroke cost Qt more than the picture.
                context.setFillColor(borderColor().toQColor());
                context.fillRect(rect.adjusted(-half, -half, half, half));
            } else {
                context.setLineWidth(2 * half);
                context.setStrokeColor(borderColor().toQColor());
                context.strokePath(outline);
            }
        }
        context.clipToPath(outline);
        if (!image.isNull() && rect.width() > 0 && rect.height() > 0)
            drawNSImage1(context, image, rect, cropOf(slot), 1.0);
        if (!actual && slot.isEmpty()) {
            context.setFillColor(Qt::white);
            context.fillPath(outline);
            UtilityFunctions::addDashToContext(context);
            strokeTwice(context, outline, Qt::white, kGray, 2.0);
            UtilityFunctions::removeDashFromContext(context);
            const QRectF button = getDrawRectImagePickerButton(rect);
            if (!slot.hideImagePicker() && !button.isEmpty())
                drawImagePickerInRect(context, button, slot.preferredToFill(), index == pickPictureForPositionIndex());
        }
        context.restoreGState();
        if (!actual && index == selectedImagePosition())
            strokeTwice(context, outline, Qt::white, kBlue, 2.0);
        if (shadowLayer)
            context.endTransparencyLayer();
        context.restoreGState();
    });
}

void PileCollage::drawHandles(GraphicsContext& context, const PilePosition& slot, double width, double height)
{
    // The handles follow the picture at this canvas size: a selection
    // restored by undo, or a resized window, would otherwise leave them where
    // the last click put them.
    if (!dragging())
        setInitialPositionOfHoldersAsPerSelectedPicture(width, height);
    const QPointF moved = currentLocation() - initialLocation();
    const qint64 held = handleBeingHeld();
    if (!dragging() || held == HeldHandlePileRotate)
        context.drawImage(rotateHolderImage(),
                          holderRect(positionOfRotateHolder() + (dragging() ? moved : QPointF()), "rotate_only"));
    if (!dragging() || held == HeldHandlePileScale)
        context.drawImage(zoomHolderImage(),
                          holderRect(positionOfScaleHolder() + (dragging() ? moved : QPointF()), "scale_only"));
    if (slot.isEmpty())
        return;
    context.saveGState();
    context.concatCTM(slotTransform(slot, width, height));
    const QSizeF plus = ResourceImages::sizeOf(QStringLiteral("plus"));
    context.drawImage(plusImage(), QRectF(QPointF(-plus.width() / 2, -plus.height() / 2), plus));
    context.restoreGState();
}

// ---- mouse -----------------------------------------------------------------------------

void PileCollage::setInitialPositionOfHoldersAsPerSelectedPicture(double width, double height)
{
    const std::shared_ptr<PilePosition> slot = selectedPileSlot();
    if (!slot)
        return;
    const double px = slot->center().x() * width;
    const double py = slot->center().y() * height;
    const double side = px < width - 220 ? 1.0 : -1.0;
    const double scaleHeight = ResourceImages::sizeOf(QStringLiteral("scale_only")).height();
    const double rotateHeight = ResourceImages::sizeOf(QStringLiteral("rotate_only")).height();
    setPositionOfScaleHolder(QPointF(px + side * 80, py - scaleHeight / 2));
    setPositionOfRotateHolder(QPointF(px + side * 110, py - rotateHeight / 2));
}

qint64 PileCollage::constrainToDegree(double radians)
{
    constexpr double twoPi = 2 * std::numbers::pi;
    double angle = std::isfinite(radians) ? std::fmod(radians, twoPi) : 0.0;
    if (angle < 0)
        angle += twoPi;
    if (angle < 0.013962634015954637 || angle > 6.269222673163632) {
        setConstraining(true);
        setConstrainedToDegree(0);
        return 0;
    }
    setConstraining(false);
    const qint64 degrees = std::clamp<qint64>(qint64(angle * 180 / std::numbers::pi), 1, 359);
    setConstrainedToDegree(degrees);
    return degrees;
}

void PileCollage::mouseDownAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event)
{
    setDragging(false);
    setHandleBeingHeld(HeldHandleNone);
    if (const std::shared_ptr<PilePosition> slot = selectedPileSlot()) {
        if (UtilityFunctions::pointInRect(initialLocation(), holderRect(positionOfScaleHolder(), "scale_only"))) {
            setHandleBeingHeld(HeldHandlePileScale);
        } else if (UtilityFunctions::pointInRect(initialLocation(),
                                                 holderRect(positionOfRotateHolder(), "rotate_only"))) {
            setHandleBeingHeld(HeldHandlePileRotate);
            setInitialRotationAngle(slot->rotation());
        }
        if (handleBeingHeld() != HeldHandleNone)
            pushGestureCursor(Cursor::fromShape(Qt::ClosedHandCursor));
    }
    if (handleBeingHeld() == HeldHandleNone) {
        const qint64 i = ptLiesIn(point, width, height);
        if (i < 0) {
            removeAllPictureSelections();
        } else if (event.clickCount == 1) {
            if (i == selectedImagePosition() && event.commandKey()) {
                removeAllPictureSelections();
            } else {
                removeAllTextSelections();
                setSelectedImagePosition(i);
                setInitialPositionOfHoldersAsPerSelectedPicture(width, height);
                pushGestureCursor(Cursor::fromShape(Qt::ClosedHandCursor));
            }
        }
    }
    setPickPictureForPositionIndex(ptLiesInPickPictureButton(point, width, height));
}

void PileCollage::mouseDraggedAtPictureLayer(QPointF, double width, double height, const MouseEvent&)
{
    setDragging(true);
    const std::shared_ptr<PilePosition> slot = selectedPileSlot();
    if (!slot)
        return;
    const QPointF c(slot->center().x() * width, slot->center().y() * height);
    switch (handleBeingHeld()) {
    case HeldHandlePileRotate: {
        const double a0 = AngleBetweenOrigin(c, initialLocation());
        const double a1 = AngleBetweenOrigin(c, currentLocation());
        slot->setRotation(double(constrainToDegree(initialRotationAngle() + a0 - a1)) * std::numbers::pi / 180);
        break;
    }
    case HeldHandlePileScale: {
        // Near the centre the ratio of distances means nothing: such moves are ignored.
        const double before = UtilityFunctions::distanceBetweenPt1(c, previousLocation());
        const double after = UtilityFunctions::distanceBetweenPt1(c, currentLocation());
        if (before >= 1 && after >= 1)
            slot->setScale(std::clamp(slot->scale() * after / before, kSmallestScale, kLargestScale));
        break;
    }
    default: {
        const QPointF step = currentLocation() - previousLocation();
        if (width > 0 && height > 0)
            slot->setCenter(slot->center() + QPointF(step.x() / width, step.y() / height));
        break;
    }
    }
}

void PileCollage::mouseUpAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event)
{
    setDragging(false);
    if (selectedPileSlot()) {
        popGestureCursor();
        setInitialPositionOfHoldersAsPerSelectedPicture(width, height);
    }
    setHandleBeingHeld(HeldHandleNone);
    const qint64 pick = pickPictureForPositionIndex();
    if (event.clickCount == 1 && pick >= 0 && pick == ptLiesInPickPictureButton(point, width, height)
        && myWindowController())
        myWindowController()->selectPictureFor(pick);
    setPickPictureForPositionIndex(-1);
}

// ---- commands on the selected picture ------------------------------------------------------

bool PileCollage::removeSelectedPicture()
{
    const std::shared_ptr<PilePosition> slot = selectedPileSlot();
    if (!slot)
        return false;
    if (slot->isEmpty()) {
        const qint64 index = selectedImagePosition();
        removeAllSelections();
        picturePositions().removeAt(index);
        return true;
    }
    const qsizetype index = images().indexOf(slot->picture());
    removeAllPictureSelections();
    if (index >= 0) {
        removePictures({index});
    } else {
        // A slot whose picture the list lost still goes when asked.
        picturePositions().removeAll(slot);
    }
    return true;
}

void PileCollage::cropSelected()
{
    const std::shared_ptr<PilePosition> slot = selectedPileSlot();
    if (!slot || slot->isEmpty() || !myWindowController())
        return;
    myWindowController()->cropPicture(getNsImage(slot->picture(), false), widthUponHeightForPosition(*slot),
                                      slot->panZoomValue(), slot->shape() != -1, slot->shape());
}

void PileCollage::cropSelectedTo(double widthToHeight, const PanZoomPos& panZoom)
{
    const std::shared_ptr<PilePosition> slot = selectedPileSlot();
    if (!slot)
        return;
    if (slot->isEmpty()) {
        slot->setPanZoomValue(std::nullopt);
        return;
    }
    if (std::isfinite(widthToHeight) && widthToHeight > 0)
        slot->setWidthToHeight(widthToHeight);
    slot->setPanZoomValue(panZoom);
}

void PileCollage::removeCropFromSelected()
{
    if (const std::shared_ptr<PilePosition> slot = selectedPileSlot()) {
        slot->setWidthToHeight(std::nullopt);
        slot->setPanZoomValue(std::nullopt);
    }
}

void PileCollage::moveSelectedUp()
{
    const qint64 index = selectedImagePosition();
    if (!selectedPileSlot())
        return;
    picturePositions().move(index, picturePositions().size() - 1);
    setSelectedImagePosition(picturePositions().size() - 1);
}

void PileCollage::moveSelectedDown()
{
    const qint64 index = selectedImagePosition();
    if (!selectedPileSlot())
        return;
    picturePositions().move(index, 0);
    setSelectedImagePosition(0);
}

void PileCollage::makeSelectedEmpty()
{
    const std::shared_ptr<PilePosition> slot = selectedPileSlot();
    if (!slot || slot->isEmpty())
        return;
    const double aspect = widthUponHeightForPosition(*slot);
    const QString picture = slot->picture();
    slot->setPicture(QString());
    slot->setPanZoomValue(std::nullopt);
    // The placeholder keeps the picture's proportions.
    if (slot->shape() == -1)
        slot->setWidthToHeight(aspect);
    forgetPictures({picture});
}

void PileCollage::rotateSelectedToZero()
{
    if (const std::shared_ptr<PilePosition> slot = selectedPileSlot())
        slot->setRotation(0);
}

void PileCollage::rotateSelectedClockwise()
{
    if (const std::shared_ptr<PilePosition> slot = selectedPileSlot())
        slot->setRotation(slot->rotation() - kOneDegree);
}

void PileCollage::rotateSelectedAntiClockwise()
{
    if (const std::shared_ptr<PilePosition> slot = selectedPileSlot())
        slot->setRotation(slot->rotation() + kOneDegree);
}

void PileCollage::increaseSelectedInSize()
{
    if (const std::shared_ptr<PilePosition> slot = selectedPileSlot())
        slot->setScale(slot->scale() * 1.02);
}

void PileCollage::decreaseSelectedInSize()
{
    if (const std::shared_ptr<PilePosition> slot = selectedPileSlot())
        slot->setScale(slot->scale() * 0.98);
}

bool PileCollage::nudgeSelected(double dx, double dy)
{
    const std::shared_ptr<PilePosition> slot = selectedPileSlot();
    if (!slot)
        return false;
    slot->setCenter(slot->center() + QPointF(dx, dy));
    return true;
}

bool PileCollage::moveSelectedPositionUp()
{
    return nudgeSelected(0, kNudge);
}

bool PileCollage::moveSelectedPositionDown()
{
    return nudgeSelected(0, -kNudge);
}

bool PileCollage::moveSelectedPositionLeft()
{
    return nudgeSelected(-kNudge, 0);
}

bool PileCollage::moveSelectedPositionRight()
{
    return nudgeSelected(kNudge, 0);
}

} // namespace qf
