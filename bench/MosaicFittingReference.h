#pragma once

// The mosaic fitting algorithm as first written: nodes on the heap, every
// aspect recomputed from the leaves whenever it is asked for. Kept to
// measure the engine against and to check that, fed the same random values,
// the engine makes the very same layouts.

#include "layouts/mosaic/MosaicFitting.h"

namespace qf::mosaic::reference {

Fit fitPictures(const std::vector<double>& aspects, double width, double height, const RandomNext& random);

// One best-tree search over the pictures, laid into the unit square.
std::vector<Slot> bestTree(const std::vector<double>& aspects, double width, double height, const RandomNext& random);

} // namespace qf::mosaic::reference
