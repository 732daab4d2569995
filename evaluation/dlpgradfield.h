#pragma once

#include "mesh.h"
#include "parallel.h"
#include "points.h"

// Gradient of the double-layer potential of a density g that is linear on
// every element and given by its values gh at the nodes (as dlpfield), at
// points x off the boundary:
//   out[i], out[i + nx] = d/dx1, d/dx2 of (K g)(x_i),
//   (K g)(x) = -(1/(2 pi)) sum_j integral over element j of ((y - x).n_j) g(y)/|y - x|^2 ds_y.
// The derivative in a direction q of the kernel is minus the hypersingular
// kernel of hypfield, (q.n)/|x - y|^2 - 2 ((x - y).n)((x - y).q)/|x - y|^4, so
// its element integrals are hypfield's closed form (near), power series or
// 16-point rule (far, where L <= eta * dist). A point on an element (within
// 1e-12 element lengths plus a few rounding units of its coordinates) gets NaN
// in both columns and 1 in onBoundary (0 elsewhere), for the host to report.
// gh must hold every node the elements name.
bool dlpgradfieldKernel(const BoundaryMesh& mesh, const double* gh, const Points& x, double eta,
                        double* out, unsigned char* onBoundary,
                        const RunOptions& options = RunOptions());

// The scalar code of one pair, for a pair the lanes do not take: the
// integrals over element j of K_q g for q = (1, 0) and (0, 1) into v[0],
// v[1]; a point on the element sets onBoundary (see dlpgradfield.cpp).
struct DlpgradfieldPairs {
  const BoundaryMesh* mesh;
  const double* gA;
  const double* gB;
  double eta;
  bool onBoundary;
};
void dlpgradfieldPair(void* pairs, std::ptrdiff_t j, double x1, double x2, double* v);
