// The field modules' lane loops, 1 lane(s) wide.
#define BEM2D_LANE_WIDTH 1
#define BEM2D_LANE_TABLE kFieldLanes1
#include "field_lanes.inc"
