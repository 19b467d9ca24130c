#pragma once

#include <QImage>

namespace qf {

// Gaussian blur of an 8-bit coverage plane, approximated by three box blurs
// in each direction (within a few percent of the true kernel), with pixels
// outside the plane counting as 0. Cost does not grow with sigma; large
// planes are split over the machine's cores.
void gaussianBlurAlpha(uchar* data, int width, int height, qsizetype stride, double sigma);

// The alpha channel of an ARGB32(_Premultiplied) image as an Alpha8 image
// placed `margin` pixels in from each edge of a larger transparent plane,
// averaged over `factor` x `factor` blocks (the plane is that much smaller;
// `margin` must be a multiple of `factor`).
QImage alphaPlaneWithMargin(const QImage& argb, int margin, int factor = 1);

// How much a shadow of this sigma may be reduced before blurring: wide blurs
// lose nothing visible at a quarter of the resolution and cost a sixteenth.
int shadowReduction(double sigma);

// A premultiplied image of `color` whose coverage is the Alpha8 plane.
QImage colorizedAlpha(const QImage& alpha8, const QColor& color);

// What a shadow of `color` with the Alpha8 plane's coverage draws, at a
// quarter of colorizedAlpha's memory where it can: a painter reads Alpha8 as
// black, so a black shadow is the plane itself, its levels scaled by the
// colour's alpha in place, and draws to the same pixels as colorizedAlpha's
// image. Any other colour gets colorizedAlpha's image.
QImage shadeOfAlpha(QImage alpha8, const QColor& color);

// How far a blur of this sigma reaches beyond its source, in pixels.
int blurReach(double sigma);

} // namespace qf
