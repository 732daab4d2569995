#pragma once

// Newton potential of a density that is constant on each triangle:
//   out[i] = S(x_i) = -(1/(2 pi)) sum_T f_T integral over T of log|x_i - y| dy,
// for the triangles `volumes` (nT-by-3 vertex numbers, 1-based, in 1..nV; the
// gateway has checked them) of `vertices` (nV-by-2), f with nT values and the
// points x (nx-by-2), all column-major. Triangles may have either orientation.
void domfieldKernel(double* out, const double* vertices, const double* volumes, const double* f,
                    const double* x, int nV, int nT, int nx);

// Integral over the triangle P1 P2 P3 of log|x - y| dy (each argument a point of
// two doubles). The triangle is swept by segments parallel to P1P2; their
// logarithmic parts are closed forms along the edges P2P3 and P1P3, the
// arctangent part is integrated by the 16-point rule across the segments. A
// point a few triangle sizes away gets rounding-level accuracy; the error grows
// as the point approaches, and inside the triangle the rule crosses a kink
// (relative errors up to about 1e-2). P1 = P2 gives NaN; a flat triangle with
// P1 != P2 gives 0.
double triangleLogIntegral(const double* P1, const double* P2, const double* P3, const double* x);

// Sum over the 16 Gauss points o in (0, 1) of quadraticAtanTerm(A, B(o), C(o), o)
// times the weight, where |x - y(o, s)|^2 = A s^2 + B(o) s + C(o) along the segment
// y(o, s) = P1 + o (P3 - P1) + s (P2 - P1), s in [0, 1 - o]. Not halved for the
// change of interval.
double triangleAtanQuadrature(const double* P1, const double* P2, const double* P3,
                              const double* x);

// e [atan(G) - atan(b/e)] with e = sqrt(4ac - b^2) and G = (2a(1 - o) + b)/e,
// that is (disc/2) times the integral over s in [0, 1 - o] of 1/(a s^2 + b s + c).
// 0 unless disc = 4ac - b^2 > 1e-12 a c (the point on the line of the segment,
// or a NaN disc).
double quadraticAtanTerm(double a, double b, double c, double o);
