// The per-call arrays of the field modules: the density of each element and
// the distance from which the series takes it, padded as the mesh's geometry
// is; with that geometry they make the FieldElements that the lanes read.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "field_lanes.h"
#include "mesh.h"
#include "parallel.h"

struct FieldArrays {
  std::vector<double> d0, d1, seriesFrom2;  // paddedCount(nE) entries
  std::vector<double> gA, gB;               // a linear density at each element's ends
};

// A density constant on each element, `values` (one per element), for the
// admissibility rule `size <= eta * dist` with size = sizeFactor L.
FieldArrays constantDensity(const BoundaryMesh& mesh, const double* values, double sizeFactor,
                            double eta);

// A density linear on each element, given by its values gh at the nodes: its
// values at the ends, d0 its mean and d1 half its rise along the element, for
// the rule `L <= eta * dist`.
FieldArrays linearDensity(const BoundaryMesh& mesh, const double* gh, double eta);

FieldElements fieldElements(const BoundaryMesh& mesh, const FieldArrays& a);

// The |w|^2 from which an element of length L is surely admissible for
// quadrature by the rule `size <= eta * dist` and its series converges fast
// (|w| >= 2L): dist >= |w| - L/2. +inf when eta is 0 or NaN, or L is 0, so
// that such pairs go to the module's own code.
double seriesFrom2(double L, double size, double eta);

// Points per chunk of a field module's parallel loop: about 2e5 point-element
// pairs (a millisecond or so), so that the calling thread answers an
// interrupt promptly and the threads share the work evenly.
inline std::ptrdiff_t pointsPerChunk(std::ptrdiff_t elements) {
  const std::ptrdiff_t n = 200000 / (elements > 0 ? elements : 1);
  return n > 0 ? n : 1;
}

// A field module's loop over the points x of a mesh of `pieces` elements (or
// triangles) stored at 2^-e times the caller's scale (core/mesh.h): f(i, x1,
// x2) for every point i, at (x1, x2) in the stored geometry, in chunks of
// pointsPerChunk(pieces) on the threads of options. False when interrupted.
template <class F>
bool forEachPoint(const Points& x, int e, std::ptrdiff_t pieces, const RunOptions& options, F&& f) {
  std::vector<double> scaled;
  const Points xs = referencePoints(x, e, &scaled);
  const std::ptrdiff_t nx = x.count, perChunk = pointsPerChunk(pieces);
  return parallelFor((nx + perChunk - 1) / perChunk, options, [&](std::int64_t chunk, int) {
    const std::ptrdiff_t end = std::min<std::ptrdiff_t>(nx, (chunk + 1) * perChunk);
    for (std::ptrdiff_t i = chunk * perChunk; i < end; ++i) f(i, xs.x(i), xs.y(i));
  });
}
