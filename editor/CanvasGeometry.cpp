#include "editor/CanvasGeometry.h"

namespace qf {

QRectF getClipRectFromBounds(QSizeF collagePixels, QSizeF area)
{
    const double W = collagePixels.width();
    const double H = collagePixels.height();
    const double w = area.width();
    const double h = area.height();
    // Also refuses NaN sizes.
    if (!(W > 0 && H > 0 && w > 0 && h > 0))
        return {};
    if (h / w > H / W) {
        const double height = H * (w / W);
        return {0, (h - height) / 2, w, height};
    }
    const double width = W * (h / H);
    return {(w - width) / 2, 0, width, h};
}

} // namespace qf
