#include "model/Collage.h"

#include "model/TextPosition.h"
#include "model/UtilityFunctions.h"
#include "platform/events/MouseEvent.h"

#include <QTransform>

#include <algorithm>

namespace qf {

namespace {

// A width handle cannot make a box narrower than this fraction of the canvas.
constexpr double kMinTextWidth = 0.001;

} // namespace

// ---- dispatch -----------------------------------------------------------------

void Collage::mouseDownAt(QPointF point, double width, double height, const MouseEvent& event)
{
    // A new gesture: anything a lost one left on the cursor stack goes.
    while (m_gestureCursorPushes > 0)
        popGestureCursor();
    m_initialLocation = m_previousLocation = m_currentLocation = point;
    if (!m_lockPictures && !m_lockText) {
        mouseDownAtTextLayer(point, width, height, event);
        if (m_selectedTextPosition != -1)
            return;
        mouseDownAtPictureLayer(point, width, height, event);
    } else if (m_lockPictures && !m_lockText) {
        mouseDownAtTextLayer(point, width, height, event);
    } else if (m_lockText && !m_lockPictures) {
        mouseDownAtPictureLayer(point, width, height, event);
    }
}

void Collage::dispatchFollowUp(QPointF point, double width, double height, const MouseEvent& event,
                               LayerHandler textLayer, LayerHandler pictureLayer)
{
    m_previousLocation = m_currentLocation;
    m_currentLocation = point;
    if (!m_lockPictures && !m_lockText) {
        // The layer holding a selection goes first; when it lets go of the
        // selection the other layer hears the event too.
        if (m_selectedTextPosition < 0 && m_selectedImagePosition >= 0) {
            (this->*pictureLayer)(point, width, height, event);
            if (m_selectedImagePosition < 0)
                (this->*textLayer)(point, width, height, event);
        } else {
            (this->*textLayer)(point, width, height, event);
            if (m_selectedTextPosition < 0)
                (this->*pictureLayer)(point, width, height, event);
        }
    } else if (m_lockPictures && !m_lockText) {
        (this->*textLayer)(point, width, height, event);
    } else if (m_lockText && !m_lockPictures) {
        (this->*pictureLayer)(point, width, height, event);
    }
}

void Collage::mouseDraggedAt(QPointF point, double width, double height, const MouseEvent& event)
{
    dispatchFollowUp(point, width, height, event, &Collage::mouseDraggedAtTextLayer,
                     &Collage::mouseDraggedAtPictureLayer);
}

void Collage::mouseUpAt(QPointF point, double width, double height, const MouseEvent& event)
{
    dispatchFollowUp(point, width, height, event, &Collage::mouseUpAtTextLayer, &Collage::mouseUpAtPictureLayer);
    while (m_gestureCursorPushes > 0)
        popGestureCursor();
}

void Collage::mouseMovedAt(QPointF point, double width, double height, const MouseEvent& event)
{
    if (point.x() >= 0 && point.x() <= width && point.y() >= 0 && point.y() <= height)
        mouseMovedAtPictureLayer(point, width, height, event);
}

void Collage::mouseGestureLost()
{
    while (m_gestureCursorPushes > 0)
        popGestureCursor();
    setDragging(false);
    setDraggingText(false);
    setHandleBeingHeld(HeldHandleNone);
    setPickPictureForPositionIndex(-1);
}

// ---- text layer -----------------------------------------------------------------

void Collage::mouseDownAtTextLayer(QPointF point, double width, double height, const MouseEvent& event)
{
    setDraggingText(false);
    setHandleBeingHeld(HeldHandleNone);

    if (const TextPositionPtr selected = selectedText()) {
        const qint64 handle = selected->getSelectedHandleByPt(point, width, height, m_width, m_height);
        setHandleBeingHeld(handle);
        if (handle == HeldHandleTextLeftWidth || handle == HeldHandleTextRightWidth) {
            // A width handle: the selection stays as it is.
            pushGestureCursor(UtilityFunctions::cursorFor(selected->rotatedTowards()));
            return;
        }
    }

    const qint64 hit = ptLiesInTextBoundary(point, width, height);
    if (hit < 0) {
        removeAllTextSelections();
        return;
    }
    // A double click (or a click count of 0) leaves everything as it is.
    if (event.clickCount != 1)
        return;
    if (hit == m_selectedTextPosition && event.commandKey()) {
        removeAllTextSelections();
        return;
    }
    removeAllSelections();
    setSelectedTextPosition(hit);
    pushGestureCursor(Cursor::fromShape(Qt::ClosedHandCursor));
}

void Collage::mouseDraggedAtTextLayer(QPointF, double width, double height, const MouseEvent&)
{
    setDraggingText(true);
    m_constrainingText = false;
    m_constrainingTextXPosArray = QList<double>();
    m_constrainingTextYPosArray = QList<double>();

    const TextPositionPtr item = selectedText();
    if (!item || !(width > 0.0) || !(height > 0.0))
        return;

    if (m_handleBeingHeld == HeldHandleNone) {
        // Incremental: each event moves on from where the last one (perhaps
        // snapped) left the item.
        const QPointF delta((m_currentLocation.x() - m_previousLocation.x()) / width,
                            (m_currentLocation.y() - m_previousLocation.y()) / height);
        const QPointF snapped = constrainTextForNewCenter(item->center() + delta);
        // The centre stays on the canvas, so the item can always be grabbed again.
        item->setCenter(QPointF(std::clamp(snapped.x(), 0.0, 1.0), std::clamp(snapped.y(), 0.0, 1.0)));
        return;
    }

    if (m_handleBeingHeld == HeldHandleTextLeftWidth || m_handleBeingHeld == HeldHandleTextRightWidth) {
        // Measured along the text's own axis; the centre stays, so both sides
        // move by half the mouse's way.
        bool invertible = false;
        const QTransform toItem = item->getTransformationMatrixForWidth(width, height).inverted(&invertible);
        if (!invertible)
            return;
        const double d = toItem.map(m_currentLocation).x() - toItem.map(m_previousLocation).x();
        const double sign = m_handleBeingHeld == HeldHandleTextRightWidth ? 1.0 : -1.0;
        item->setTextWidth(std::max(item->textWidth() + d * sign / width, kMinTextWidth));
    }
}

void Collage::mouseUpAtTextLayer(QPointF, double, double, const MouseEvent&)
{
    setDraggingText(false);
    m_constrainingText = false;
    m_constrainingTextXPosArray = QList<double>();
    m_constrainingTextYPosArray = QList<double>();
    // Pops only a cursor this gesture pushed: a double click pushed none.
    if (selectedText())
        popGestureCursor();
    setHandleBeingHeld(HeldHandleNone);
}

void Collage::pushGestureCursor(const Cursor& cursor)
{
    CursorStack::shared().push(cursor);
    ++m_gestureCursorPushes;
}

void Collage::popGestureCursor()
{
    if (m_gestureCursorPushes <= 0)
        return;
    CursorStack::shared().pop();
    --m_gestureCursorPushes;
}

// ---- binding keys -------------------------------------------------------------

qint64 Collage::getIndexOfOrientation() const
{
    if (m_height < m_width)
        return OrientationLandscape;
    if (m_height > m_width)
        return OrientationPortrait;
    return -1;
}

bool Collage::getPictureOrTextInDrawingViewSelected() const
{
    return m_selectedImagePosition >= 0 || m_selectedTextPosition >= 0;
}

bool Collage::getPictureInDrawingViewSelected() const
{
    return m_selectedImagePosition >= 0;
}

bool Collage::getNonEmptyPictureInDrawingViewSelected() const
{
    const PositionPtr pos = selectedPosition();
    return pos && !pos->isEmpty();
}

bool Collage::getTextInDrawingViewSelected() const
{
    return m_selectedTextPosition >= 0;
}

TextPosition* Collage::getSelectedTextPositionObject() const
{
    return selectedText().get();
}

qint64 Collage::getIndexOfAlignment() const
{
    const TextPositionPtr item = selectedText();
    if (!item)
        return 0;
    // Stored alignment 0 left, 1 right, 2 centre, 3 justified; the control
    // lists left, centre, right, justified.
    switch (item->alignment()) {
    case 2:
        return 1;
    case 1:
        return 2;
    case 3:
        return 3;
    default:
        return 0;
    }
}

bool Collage::getShowClickOnTextToEditLabel() const
{
    return !m_lockText && m_selectedTextPosition < 0 && !m_textPositions.isEmpty();
}

bool Collage::getChangeRowsEnabledInBackgroundPattern() const
{
    return !m_backgroundIsTransparent && m_backgroundImageIsPattern && m_backgroundIsImage;
}

bool Collage::getBackgroundPictureIsPatternCheckboxEnabled() const
{
    return !m_backgroundIsTransparent && m_backgroundIsImage;
}

void Collage::setValueForUndefinedKey(const QVariant& value, const QString& key)
{
    static const QSet<QString> readOnly{
        QStringLiteral("indexOfOrientation"),
        QStringLiteral("pictureInDrawingViewSelected"),
        QStringLiteral("changeRowsEnabledInBackgroundPattern"),
        QStringLiteral("backgroundPictureIsPatternCheckboxEnabled"),
        QStringLiteral("nonEmptyPictureInDrawingViewSelected"),
        QStringLiteral("indexOfAlignment"),
        QStringLiteral("textInDrawingViewSelected"),
        QStringLiteral("selectedTextPositionObject"),
        QStringLiteral("pictureOrTextInDrawingViewSelected"),
        QStringLiteral("showClickOnTextToEditLabel"),
        // The controls of one collage type bind keys that the others answer
        // with constants (or lack): writes to them are ignored.
        QStringLiteral("rowColSteppersEnabled"),
        QStringLiteral("rowCountBinding"),
        QStringLiteral("columnCountBinding"),
        QStringLiteral("columnCount"),
        QStringLiteral("rowCount"),
        QStringLiteral("symmetric"),
        QStringLiteral("instantCameraBorder"),
        QStringLiteral("stampBorder"),
        QStringLiteral("fillDuplicates"),
    };
    if (readOnly.contains(key))
        return;
    KVObject::setValueForUndefinedKey(value, key);
}

} // namespace qf
