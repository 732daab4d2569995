// The matrix modules' lane loops, 4 lane(s) wide.
#define BEM2D_LANE_WIDTH 4
#define BEM2D_LANE_TABLE kMatrixLanes4
#include "matrix_lanes.inc"
