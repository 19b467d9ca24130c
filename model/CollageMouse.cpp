#include "model/Collage.h"

#include "model/TextPosition.h"
#include "platform/events/MouseEvent.h"

namespace qf {

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

// The text layer's editing arrives with text editing; until then it keeps
// the text selection as it is.
void Collage::mouseDownAtTextLayer(QPointF, double, double, const MouseEvent&) {}
void Collage::mouseDraggedAtTextLayer(QPointF, double, double, const MouseEvent&) {}
void Collage::mouseUpAtTextLayer(QPointF, double, double, const MouseEvent&) {}

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
