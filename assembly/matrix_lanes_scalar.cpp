// The matrix modules' lane loops, 1 lane(s) wide.
#define BEM2D_LANE_WIDTH 1
#define BEM2D_LANE_TABLE kMatrixLanes1
#include "matrix_lanes.inc"
