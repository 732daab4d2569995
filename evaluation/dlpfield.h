#pragma once

#include "mesh.h"
#include "parallel.h"
#include "points.h"

// Double-layer potential of a density g that is linear on every element and
// given by its values gh at the nodes, at the points x:
//   out[i] = -(1/(2 pi)) sum_j integral over element j of
//            ((y - x_i) . n_j) / |y - x_i|^2 g(y) ds_y,
// n_j the unit normal of element j (outward for a counter-clockwise boundary).
// A pair goes to the 16-point Gauss rule when length <= eta * distance and is
// integrated in closed form otherwise (also for a NaN eta). A point on the
// line of an element gets nothing from it in closed form: no jump term is
// added on the boundary. gh must hold every node the elements name.
bool dlpfieldKernel(const BoundaryMesh& mesh, const double* gh, const Points& x, double eta,
                    double* out, const RunOptions& options = RunOptions());

// The scalar code of one pair, for a pair the lanes do not take: the integral
// of ((y - x).n) g(y) / |x - y|^2 over element j, g with the end values gA[j]
// and gB[j], by the 16-point rule when `L <= eta * dist` admits it, else in
// closed form; a point on the element gets nothing from it.
struct DlpfieldPairs {
  const BoundaryMesh* mesh;
  const double* gA;
  const double* gB;
  double eta;
};
double dlpfieldPair(void* pairs, std::ptrdiff_t j, double x1, double x2);
