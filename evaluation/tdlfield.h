#pragma once

#include "mesh.h"
#include "parallel.h"
#include "points.h"

// Adjoint double-layer operator of a density phi that is constant on every
// element (gh, one value per element), at the points x with the vectors n_x
// (used as given, not normalised):
//   out[i] = -(1/(2 pi)) sum_j gh_j integral over element j of
//            ((x_i - y) . n_x(i)) / |x_i - y|^2 ds_y.
// A pair goes to the 16-point Gauss rule when length / sqrt(2) <= eta * distance
// (also for a NaN eta) and is integrated in closed form otherwise. A point on
// the line of an element that is not admissible for it gets nothing from that
// element, whatever its vector n_x.
bool tdlfieldKernel(const BoundaryMesh& mesh, const double* gh, const Points& x,
                    const Points& n_x, double eta, double* out,
                    const RunOptions& options = RunOptions());

// The scalar code of one pair for the point's vector (q1, q2), for a pair the
// lanes do not take (see tdlfield.cpp).
struct TdlfieldPairs {
  const BoundaryMesh* mesh;
  const double* gh;
  double eta;
  double q1, q2;
};
double tdlfieldPair(void* pairs, std::ptrdiff_t j, double x1, double x2);
