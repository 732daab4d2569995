#pragma once

#include "mesh.h"
#include "parallel.h"
#include "points.h"

// Newton potential of a density that is constant on each triangle:
//   out[i] = S(x_i) = -(1/(2 pi)) sum_T f_T integral over T of log|x_i - y| dy,
// for the triangles of the mesh, f with one value per triangle, at the points
// x. Triangles may have either orientation; a triangle of zero area
// (coincident or collinear corners) adds 0.
bool domfieldKernel(const TriangleMesh& mesh, const double* f, const Points& x, double* out,
                    const RunOptions& options = RunOptions());

// Integral over the triangle P1 P2 P3 of log|x - y| dy (each argument a point of
// two doubles), in closed form from its edges: with F = (r^2/4)(log r - 1),
// Delta F = log r, so by the divergence theorem the integral is the sum over the
// edges of (h_e/4) (integral over the edge of log r^2 - |e|), h_e the signed
// distance of x from the edge's line (positive when x lies inside of it). Exact
// to rounding for x inside, on an edge, at a corner and nearby; far away the
// terms, of size |x| times the edge length, cancel to the size of the area, and
// the multipole expansion of domfieldKernel takes over; over a thin triangle
// they cancel by twice the height of x over its longest edge against the
// triangle's, and domfieldKernel takes such a triangle in that edge's frame
// from 32 heights on (domfield.cpp).
double triangleLogIntegral(const double* P1, const double* P2, const double* P3, const double* x);
