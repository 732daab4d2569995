// The matrix modules' lane loops, 8 lane(s) wide.
#define BEM2D_LANE_WIDTH 8
#define BEM2D_LANE_TABLE kMatrixLanes8
#include "matrix_lanes.inc"
