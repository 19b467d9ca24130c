#pragma once

#include <QImage>
#include <QRectF>
#include <QTransform>

namespace qf {

// An opaque picture drawn turned onto a premultiplied bitmap, smoothed and
// with smoothed edges, as Qt's raster engine draws it with the same
// transform: its bilinear filter to the bit inside the picture, its edges
// within a level or two. Qt cuts such a draw into spans at every smoothed
// edge pixel, intersects them with a smoothed clip's and hands large draws to
// its thread pool; a pile of turned pictures spent more time on that than on
// the pictures' pixels.
class TurnedPicture {
public:
    // Draws the part `source` (pixels, rows downward) of `image` into the
    // rectangle (0, 0, size) that `toDevice` maps onto `target`, over what
    // is there. `clippedToItself`: the draw is clipped to that same
    // rectangle, smoothed, as a picture clipped to its own outline is (its
    // edge pixels then cover less). False, drawing nothing, where the draw
    // is not one this can draw as Qt would: a picture with alpha, a target
    // of another format, a transform that does not turn or that shears,
    // magnifies eightfold or reaches out of the fixed-point range.
    static bool draw(QImage& target, const QImage& image, const QRectF& source, const QTransform& toDevice,
                     QSizeF size, bool clippedToItself);
};

} // namespace qf
