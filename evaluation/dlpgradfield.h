#pragma once

#include "parallel.h"
#include "points.h"

// Gradient of the double-layer potential of a density g that is linear on
// every element and given by its values gh at the vertices (as dlpfield), at
// points x off the boundary:
//   out[i], out[i + nx] = d/dx1, d/dx2 of (K g)(x_i),
//   (K g)(x) = -(1/(2 pi)) sum_j integral over element j of ((y - x).n_j) g(y)/|y - x|^2 ds_y.
// The derivative in a direction q of the kernel is minus the hypersingular
// kernel of hypfield, (q.n)/|x - y|^2 - 2 ((x - y).n)((x - y).q)/|x - y|^4, so
// its element integrals are hypfield's closed form (near), power series or
// 16-point rule (far, where L <= eta * dist). A point on an element (within
// 1e-12 element lengths plus a few rounding units of its coordinates) gets NaN
// in both columns and is reported on the standard error stream, one line per
// point, or handed to the caller in `onBoundary` (1 per such point) when that
// is not null. Vertex numbers must lie in 1..nC and gh hold every vertex they
// name; the gateway has checked both.
// The warning's text: a printf format of the point's coordinates (two %g) and
// its 0-based number (%lld); the standard error stream gets it after
// "Warning (dlpgradfield): ", a host reports it its own way.
extern const char* const kDlpgradfieldOnBoundaryText;

bool dlpgradfieldKernel(double* out, int nC, int nE, const double* coordinates,
                        const double* elements, const double* gh, const Points& x, double eta,
                        const RunOptions& options = RunOptions(),
                        unsigned char* onBoundary = nullptr);

// The same on the calling thread, every pair by the scalar code (points on
// the boundary not marked): the reference the benchmarks compare against.
void dlpgradfieldScalarKernel(double* out, int nC, int nE, const double* coordinates,
                              const double* elements, const double* gh, const Points& x,
                              double eta);
