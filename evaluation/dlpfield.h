#pragma once

#include "parallel.h"
#include "points.h"

// Double-layer potential of a density g that is linear on every element and
// given by its values gh at the vertices (read at entry v - 1 for vertex v),
// at the points x (nx-by-2, column-major):
//   out[i] = -(1/(2 pi)) sum_j integral over element j of
//            ((y - x_i) . n_j) / |y - x_i|^2 g(y) ds_y,
// n_j the unit normal of element j (outward for a counter-clockwise boundary).
// A pair goes to the 16-point Gauss rule when length <= eta * distance and is
// integrated in closed form otherwise (also for a NaN eta). A point on the
// line of an element gets nothing from it in closed form: no jump term is
// added on the boundary. Vertex numbers in `elements` must lie in 1..nC and
// gh must hold every vertex they name; the gateway has checked both.
bool dlpfieldKernel(double* out, int nC, int nE, const double* coordinates, const double* elements,
                    const double* gh, const Points& x, double eta,
                    const RunOptions& options = RunOptions());

// The same on the calling thread, every pair by the module's scalar code (the
// closed form, or the 16-point rule where eta admits it): the toolkit's
// previous implementation, kept for the benchmarks to compare against.
void dlpfieldScalarKernel(double* out, int nC, int nE, const double* coordinates,
                          const double* elements, const double* gh, const Points& x, double eta);
