#pragma once

#include "mesh.h"
#include "parallel.h"
#include "points.h"

// Single-layer potential of a piecewise-constant density chi (one value per
// element) at the points z (z.count of them, see points.h):
//   out[i] = -(1/(2 pi)) sum_j chi_j integral over element j of log|z_i - y| ds_y.
// A pair goes to the 16-point Gauss rule when length <= eta * distance and is
// integrated in closed form otherwise (also for a NaN eta).
bool slpfieldKernel(const BoundaryMesh& mesh, const double* chi, const Points& z, double eta,
                    double* out, const RunOptions& options = RunOptions());

// The scalar code of one pair, for a pair the lanes do not take: chi_j times
// the integral of log|x - y| over element j, by the 16-point rule when
// `L <= eta * dist` admits it, else in closed form.
struct SlpfieldPairs {
  const BoundaryMesh* mesh;
  const double* chi;
  double eta;
};
double slpfieldPair(void* pairs, std::ptrdiff_t j, double x1, double x2);
