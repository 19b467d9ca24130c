#pragma once

#include "model/Position.h"

namespace qf {

// A cell of a grid collage: a plain slot; its place in the grid is its index.
class GridPosition : public Position {
public:
    using Position::Position;
};

} // namespace qf
