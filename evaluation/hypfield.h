#pragma once

#include "mesh.h"
#include "parallel.h"
#include "points.h"

// Hypersingular operator of the Laplace equation, G(x, y) = -(1/(2 pi)) log|x - y|,
// applied to the continuous piecewise-linear g with node values gh, at the
// points x with normals n_x (used as given):
//   out[i] = (W g)(x_i) = -d/dn_x integral over the boundary of dG/dn_y(x_i, y) g(y) ds_y.
// The points must lie on the boundary. The element that contains x_i (within
// the rounding band of its length and coordinates) contributes the Hadamard
// finite part in closed form; every other element is integrated in closed
// form when length > eta * distance, and by the 16-point Gauss rule otherwise
// (also for a NaN eta). gh holds a value for every node.
//
// status receives per point 0, kHypfieldOffBoundary (on no element: its
// value is NaN) or kHypfieldAtVertex (at a vertex of the element it lies on:
// its value is probably wrong), for the host to report.
constexpr unsigned char kHypfieldOffBoundary = 1;
constexpr unsigned char kHypfieldAtVertex = 2;

bool hypfieldKernel(const BoundaryMesh& mesh, const double* gh, const Points& x,
                    const Points& n_x, double eta, double* out, unsigned char* status,
                    const RunOptions& options = RunOptions());

// The scalar code of one pair for a point with normal (q1, q2), for a pair the
// lanes do not take; it records in `host` what the point found out about the
// element it lies on (see hypfield.cpp). The host is the element whose band
// holds the point: the first such element, or forcedHost when it is not
// negative; a later one that lies nearer to the point (|delta| below
// nearestDelta) is recorded in nearerHost, and the point is then summed
// again with it as the host.
struct HypfieldPairs {
  const BoundaryMesh* mesh;
  const double* gA;
  const double* gB;
  double eta;
  double q1, q2;
  unsigned char host;
  std::ptrdiff_t forcedHost = -1;
  std::ptrdiff_t nearerHost = -1;
  double nearestDelta = 0;
};
double hypfieldPair(void* pairs, std::ptrdiff_t j, double x1, double x2);

// The value at a point from the sum over its elements and what its pairs
// recorded, and the point's status code.
double hypfieldValue(const HypfieldPairs& pairs, double sum);
unsigned char hypfieldStatus(const HypfieldPairs& pairs);
