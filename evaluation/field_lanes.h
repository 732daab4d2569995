// Far pairs of the field modules, several at a time.
//
// A far element seen from x is integrated by the power series of its kernel
// about the element's midpoint m: with the complex numbers w = x - m,
// h = (B - A)/2, q = h/w and z = q^2, and y = m + s h for s in [-1, 1],
//   int log|x - y| ds_y              = L [log|w| - Re sum_{n>=1} z^n / (2n (2n+1))],
//   int ((y - x).n) g / |x - y|^2 ds_y = -2 Im(q [gm S0(z) + gd q S1(z)]),
//   int ((x - y).Q) / |x - y|^2 ds_y   = L Re(Q S0(z) / w),
//   int K g ds_y                      = -2 Im((Q q / w) [gm / (1 - z) + gd q T1(z)]),
// (the last, for Q = 1 and Q = i, also gives the gradient of the double layer),
// with gm = (gA + gB)/2, gd = (gB - gA)/2, S0 = sum z^n/(2n+1),
// S1 = sum z^n/(2n+3), T1 = sum (2n+2)/(2n+3) z^n (all n >= 0), n the unit
// normal and Q the direction at x. The series is used where the element is
// surely far by the module's admissibility rule and |w| >= 2L, so |z| <= 1/16;
// its terms are taken until |z|^(n+1) <= 1e-17: exact to rounding. Every
// other pair goes to the module's own scalar code (closed form, or the
// 16-point rule), in the same order of elements.
//
// Triangles (domfield) likewise, by their multipole series (domfield.cpp),
// and nearer by the closed form from their three edges, several triangles at
// a time; a thin triangle seen from many of its heights away goes to the
// scalar code (the fallback), which takes it in the frame of its base.
#pragma once

#include <cstddef>

// The elements of a call, one array per quantity, each of paddedCount(n)
// entries (padding.h).
struct FieldElements {
  std::ptrdiff_t n;
  const double* mx;
  const double* my;
  const double* hx;
  const double* hy;
  const double* L;
  // Densities: slpfield chi; dlpfield and hypfield gm and gd; tdlfield phi.
  const double* d0;
  const double* d1;
  // |w|^2 from which the element is surely far and the series valid; +inf
  // when it never is (eta = 0 or NaN).
  const double* seriesFrom2;
};

// Triangles of domfield: centroid, squared radius about it, area, density,
// the first |w|^2 of the series, and the coefficients M_k / k of the series,
// k = 2..kTriangleMoments (column k - 2 of the arrays cr and ci, with
// paddedCount(n) rows).
constexpr int kTriangleMoments = 18;
struct FieldTriangles {
  std::ptrdiff_t n;
  const double* cx;
  const double* cy;
  const double* R2;  // squared largest distance from the centroid to a corner
  const double* area;
  const double* f;
  const double* seriesFrom2;
  // A thin triangle: a corner of its base, the unit normal toward its apex,
  // and the height over the base's line from which the scalar code (the
  // fallback) takes it in the base's frame (+inf for the others).
  const double* baseX;
  const double* baseY;
  const double* upX;
  const double* upY;
  const double* thinFrom;
  bool anyThin;  // some triangle has a finite thinFrom
  const double* cr;
  const double* ci;
  // The edges P1P2, P2P3, P3P1 for the closed form nearer: start point,
  // unit tangent and length of edge k; and the sign of the orientation (+1
  // counter-clockwise, -1 clockwise, 0 without area).
  const double* ax[3];
  const double* ay[3];
  const double* tx[3];
  const double* ty[3];
  const double* len[3];
  const double* sign;
};

// A pair that the series does not take: returns its contribution, in the
// units of the series (the integrals above times the density).
using PairFallback = double (*)(void* context, std::ptrdiff_t j, double x1, double x2);
// The same for a pair with two values.
using PairFallback2 = void (*)(void* context, std::ptrdiff_t j, double x1, double x2,
                               double* values);

// Sums over all elements (or triangles) for one point, the pairs that the
// series does not take from fallback(context, j, x1, x2), called in
// increasing j.
struct FieldLanes {
  int width;
  double (*slp)(const FieldElements& e, double x1, double x2, PairFallback fallback,
                void* context);
  double (*dlp)(const FieldElements& e, double x1, double x2, PairFallback fallback,
                void* context);
  double (*tdl)(const FieldElements& e, double x1, double x2, double q1, double q2,
                PairFallback fallback, void* context);
  double (*hyp)(const FieldElements& e, double x1, double x2, double q1, double q2,
                PairFallback fallback, void* context);
  double (*dom)(const FieldTriangles& t, double x1, double x2, PairFallback fallback,
                void* context);
  // The gradient of the double layer (dlpgradfield): hyp's integral for the
  // directions (1, 0) and (0, 1) into out[0] and out[1].
  void (*grad)(const FieldElements& e, double x1, double x2, PairFallback2 fallback, void* context,
               double* out);
};

// The widest lanes this CPU runs (width 0), or the given width (1, 4 or 8)
// when this build has it and the CPU runs it; else the widest it can.
const FieldLanes& fieldLanes(int width);

