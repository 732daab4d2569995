#pragma once

#include "parallel.h"
#include "points.h"

// Hypersingular operator of the Laplace equation, G(x, y) = -(1/(2 pi)) log|x - y|,
// applied to the continuous piecewise-linear g with vertex values gh, at the
// points x (nx-by-2, column-major) with normals n_x (nx-by-2, used as given):
//   out[i] = (W g)(x_i) = -d/dn_x integral over the boundary of dG/dn_y(x_i, y) g(y) ds_y.
// The points must lie on the boundary. The element that contains x_i (distance
// below 5e-14) contributes the Hadamard finite part in closed form; every other
// element is integrated in closed form when length > eta * distance, and by the
// 16-point Gauss rule otherwise (also for a NaN eta).
// A point on no element gets NaN; it and a point at a vertex of its host element
// are reported on the standard error stream, one line per point. Vertex numbers
// in `elements` must lie in 1..nC and gh must hold nC values; the gateway has
// checked them.
// Per point, what the warnings say, for a caller that reports them itself.
constexpr unsigned char kHypfieldOffBoundary = 1;  // on no element: NaN
constexpr unsigned char kHypfieldAtVertex = 2;     // at a vertex of its element
// What each says: a printf format of the point's coordinates (two %g) and its
// 0-based number (%lld). The standard error stream gets it after
// "Warning (hypfield): ", one line per point; a host reports it its own way.
extern const char* const kHypfieldOffBoundaryText;
extern const char* const kHypfieldAtVertexText;

// When `warnings` is not null it receives, per point, 0 or one of the codes
// above, and nothing is written to the standard error stream.
bool hypfieldKernel(double* out, int nC, int nE, const double* coordinates, const double* elements,
                    const double* gh, const Points& x, const Points& n_x, double eta,
                    const RunOptions& options = RunOptions(), unsigned char* warnings = nullptr);

// The same on the calling thread, every pair by the module's scalar code (the
// closed form, or the 16-point rule where eta admits it): the toolkit's
// previous implementation, kept for the benchmarks to compare against.
void hypfieldScalarKernel(double* out, int nC, int nE, const double* coordinates,
                          const double* elements, const double* gh, const Points& x,
                          const Points& n_x, double eta);
