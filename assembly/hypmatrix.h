// Hypersingular Galerkin matrix for continuous piecewise-linear functions
// (one hat function per node). On an element from node a to node b the arc-
// length derivative of the hat of a is -1/L and that of b is +1/L, so with
// s(e, p) = -1 at the start node of element e and +1 at its end node,
//   W(p, q) = sum_i sum_j s(j, p) s(i, q) G(element j, element i reversed),
// G = slpPairNormalized (the lengths cancel). out is nC-by-nC, column-major,
// zero on entry; the assembly only adds to it. W is symmetric and W * ones = 0
// up to rounding; a node used by no element has a zero row and column.
#pragma once

#include "element_workers.h"

// Fills W through runCompWorkers (one worker below 200 elements, two from 200
// on, unless options say otherwise). Throws std::bad_alloc, on the calling
// thread and after every worker has ended, when an allocation failed.
void assembleHyp(double* out, const double* coordinates, const double* elements, int nC, int nE,
                 double eta, const WorkerOptions& options = WorkerOptions());
