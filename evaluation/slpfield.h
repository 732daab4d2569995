#pragma once

#include "parallel.h"
#include "points.h"

// Single-layer potential of a piecewise-constant density chi (one value per
// element) at the points z (z.count of them, see points.h):
//   out[i] = -(1/(2 pi)) sum_j chi_j integral over element j of log|z_i - y| ds_y.
// A pair goes to the 16-point Gauss rule when length <= eta * distance and is
// integrated in closed form otherwise (also for a NaN eta). Vertex numbers in
// `elements` must lie in 1..nC; the gateway has checked them.
bool slpfieldKernel(double* out, int nC, int nE, const double* coordinates, const double* elements,
                    const double* chi, const Points& z, double eta,
                    const RunOptions& options = RunOptions());

// The same on the calling thread, every pair by the module's scalar code (the
// closed form, or the 16-point rule where eta admits it): the toolkit's
// previous implementation, kept for the benchmarks to compare against.
void slpfieldScalarKernel(double* out, int nC, int nE, const double* coordinates,
                          const double* elements, const double* chi, const Points& z, double eta);
