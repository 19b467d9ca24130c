#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace qf {

// The canvas rectangle for a collage of `collagePixels` inside an area of
// `area`: the collage's aspect kept, full width or full height, centred on the
// other axis. The area's origin is ignored. Empty for an empty collage or area.
QRectF getClipRectFromBounds(QSizeF collagePixels, QSizeF area);

// A widget position (origin top left, y down) as the model's point (origin
// bottom left, y up) in a view of the given height.
inline QPointF modelPointFromWidget(QPointF widgetPos, double viewHeight)
{
    return {widgetPos.x(), viewHeight - widgetPos.y()};
}

} // namespace qf
