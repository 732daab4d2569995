// Double-layer integral over a pair of straight elements, for the Galerkin
// matrix of the double-layer operator (constants against hats).
#pragma once

#include "segment.h"

// values[0] and values[1]: -1/(2 pi) int_S int_T ((y - x).n_T)/|y - x|^2 phi(y)
// ds_y ds_x for phi the hat of T's start and of T's end node (n_T the normal
// of T, its direction turned clockwise). Exact to rounding for any pair: 0
// for a zero-length segment and for S on T's line within T; in closed form
// for segments sharing an end (the integrand is homogeneous of degree -1
// about the shared end); otherwise the closed form over T integrated along S
// on panels refined toward T's ends.
void dlpPairValues(const Segment& S, const Segment& T, double values[2]);
