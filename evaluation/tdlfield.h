#pragma once

#include "parallel.h"
#include "points.h"

// Adjoint double-layer operator of a density phi that is constant on every
// element (gh, one value per element), at the points x (nx-by-2) with the
// vectors n_x (nx-by-2, used as given, not normalised):
//   out[i] = -(1/(2 pi)) sum_j gh_j integral over element j of
//            ((x_i - y) . n_x(i)) / |x_i - y|^2 ds_y.
// A pair goes to the 16-point Gauss rule when length / sqrt(2) <= eta * distance
// (also for a NaN eta) and is integrated in closed form otherwise. A point on
// the line of an element that is not admissible for it gets nothing from that
// element, whatever its vector n_x. Allocates nothing. Vertex numbers in
// `elements` must lie in 1..nC and gh must hold nE entries; the gateway has
// checked both.
bool tdlfieldKernel(double* out, int nC, int nE, const double* coordinates, const double* elements,
                    const double* gh, const Points& x, const Points& n_x, double eta,
                    const RunOptions& options = RunOptions());

// The same on the calling thread, every pair by the module's scalar code (the
// closed form, or the 16-point rule where eta admits it): the toolkit's
// previous implementation, kept for the benchmarks to compare against.
void tdlfieldScalarKernel(double* out, int nC, int nE, const double* coordinates,
                          const double* elements, const double* gh, const Points& x,
                          const Points& n_x, double eta);
