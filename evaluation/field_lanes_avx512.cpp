// The field modules' lane loops, 8 lane(s) wide.
#define BEM2D_LANE_WIDTH 8
#define BEM2D_LANE_TABLE kFieldLanes8
#include "field_lanes.inc"
