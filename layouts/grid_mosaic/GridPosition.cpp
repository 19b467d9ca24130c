#include "layouts/grid_mosaic/GridPosition.h"
