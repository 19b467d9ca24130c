#pragma once

#include <QList>
#include <QPointF>

namespace qf {

// Geometry of convex polygon cells (the zig mosaic's and the hexagons').
namespace CellGeometry {

// The polygon with every side moved inwards by `distance`, each vertex
// moving along its angle's bisector; either winding order. A vertex whose
// angle has no inside (a straight or folded corner, a repeated point) stays
// where it is, so the result is always finite.
QList<QPointF> movedInside(double distance, const QList<QPointF>& vertices);

// Whether the polygon's vertices are all finite numbers and at least three.
bool isDrawable(const QList<QPointF>& vertices);

} // namespace CellGeometry

} // namespace qf
