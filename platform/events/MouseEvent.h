#pragma once

#include <QPointF>
#include <Qt>

namespace qf {

// A mouse event as the model sees it: the location in the view with the
// origin at the bottom left and y upwards, the click count of the gesture
// (2 for a double click) and the keyboard modifiers. The command key of the
// model's gestures is Ctrl.
struct MouseEvent {
    QPointF location;
    int clickCount = 1;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;

    bool commandKey() const { return modifiers.testFlag(Qt::ControlModifier); }
    bool shiftKey() const { return modifiers.testFlag(Qt::ShiftModifier); }
    bool optionKey() const { return modifiers.testFlag(Qt::AltModifier); }
};

} // namespace qf
