#pragma once

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QTransform>

#include <functional>
#include <limits>

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
    // Qt's own coverage of a draw, clip and all: fills white on `painter`
    // (a transparent bitmap over the part of the target the draw reaches)
    // where Qt would draw, `toMask` taking target pixels to the painter's.
    using QtCoverage = std::function<void(QPainter& painter, const QTransform& toMask)>;

    // Draws the part `source` (pixels, rows downward) of `image` into the
    // rectangle (0, 0, size) that `toDevice` maps onto `target`, over what
    // is there. `clippedToItself`: the draw is clipped to that same
    // rectangle, smoothed, as a picture clipped to its own outline is (its
    // edge pixels then cover less). Rows of `target` outside [shownTop,
    // shownBottom) get the coverage alone, in opaque black: they only cast a
    // shadow, as a layer's rows past the band of output it is drawn for.
    // With `qtCoverage` each pixel covers what Qt's fill covers, and Qt's
    // whole spans are its runs of whole coverage; without, the coverage is
    // worked out here, within a level or two of Qt's.
    // False, drawing nothing, where the draw is not one this can draw as Qt
    // would: a picture with alpha, a target of another format, a transform
    // that does not turn or that shears, magnifies eightfold or reaches out
    // of the fixed-point range.
    static bool draw(QImage& target, const QImage& image, const QRectF& source, const QTransform& toDevice,
                     QSizeF size, bool clippedToItself, int shownTop = std::numeric_limits<int>::min(),
                     int shownBottom = std::numeric_limits<int>::max(), const QtCoverage& qtCoverage = {});
};

} // namespace qf
