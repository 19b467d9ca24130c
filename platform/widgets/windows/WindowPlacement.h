#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

namespace qf {

// Where new windows go, kept on the screen's usable area (without panels
// and docks). Positions are those of the window's frame.
namespace WindowPlacement {

// How far each window of a cascade sits below and right of the last.
inline constexpr int kCascadeStep = 28;

// The frame position of the next window of a cascade: a step below and
// right of the last window's frame; back at the area's top-left when there
// is no last window or the new one would leave the area.
QPoint cascaded(const QRect& available, const std::optional<QRect>& lastFrame, const QSize& frameSize);

// The frame position that centres a frame of that size on `over`, moved
// inside the area as far as it fits.
QPoint centred(const QRect& available, const QRect& over, const QSize& frameSize);

// Shows a document window for the first time at the next cascade position
// after the last one shown this way while that one is still on screen, else
// after the active window (the first goes where the window manager puts
// it), on that window's screen;
// shrinks it to the screen's usable area when it is larger. Later calls
// only show it.
void showCascaded(QWidget& window);

// Shows a window centred on the active window (or its screen's usable area
// when there is none), the first time and whenever it was closed.
void showCentredOnActiveWindow(QWidget& window);

} // namespace WindowPlacement

} // namespace qf
