#include "domfield.h"

#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

#include "geometry.h"
#include "segment.h"

namespace {

// Far field: with c the centroid and R the largest distance from c to a corner,
// log|x - y| = Re log(x - c) - Re sum_{k >= 1} ((y - c)/(x - c))^k / k for
// |x - c| > R, so the integral over the triangle is
//   area log|x - c| - Re sum_{k >= 2} M_k / (k (x - c)^k),
// M_k the complex moments of y - c (M_1 = 0 about the centroid). The series is
// used from |x - c| >= kFarRatio R on, where the terms beyond kMoments are
// below (1/kFarRatio)^(kMoments + 1) < 1e-17 of the area term; nearer, the
// closed form of triangleLogIntegral (its cancellation grows like
// |x - c| / R, at most 8 here: exact to rounding).
const double kFarRatio = 8;
const int kMoments = 18;

struct Triangle {
  double P[3][2];
  double c[2];           // centroid
  double R2;             // squared largest distance from the centroid to a corner
  double area;           // 0 for a degenerate triangle
  double mr[kMoments - 1], mi[kMoments - 1];  // M_2 .. M_kMoments, real and imaginary parts
};

// Complex moments of y - c over the triangle: with z_i = P_i - c and
// lambda the barycentric coordinates, int lambda1^a lambda2^b lambda3^c dy =
// 2 area a! b! c! / (a + b + c + 2)!, so
//   M_k = 2 area / ((k + 1)(k + 2)) h_k(z_1, z_2, z_3),
// h_k the complete homogeneous symmetric polynomial, from its recurrence in the
// elementary symmetric polynomials (e_1 = 0 about the centroid):
//   h_k = e_1 h_{k-1} - e_2 h_{k-2} + e_3 h_{k-3}.
void moments(Triangle& T) {
  using C = std::complex<double>;
  const C z1(T.P[0][0] - T.c[0], T.P[0][1] - T.c[1]);
  const C z2(T.P[1][0] - T.c[0], T.P[1][1] - T.c[1]);
  const C z3(T.P[2][0] - T.c[0], T.P[2][1] - T.c[1]);
  const C e1 = z1 + z2 + z3, e2 = z1 * z2 + z1 * z3 + z2 * z3, e3 = z1 * z2 * z3;
  C h[kMoments + 1];
  h[0] = 1;
  h[1] = e1;
  h[2] = e1 * h[1] - e2;
  for (int k = 3; k <= kMoments; ++k) h[k] = e1 * h[k - 1] - e2 * h[k - 2] + e3 * h[k - 3];
  for (int k = 2; k <= kMoments; ++k) {
    const C M = h[k] * (2 * T.area / ((k + 1.0) * (k + 2.0)));
    T.mr[k - 2] = M.real();
    T.mi[k - 2] = M.imag();
  }
}

// Re sum_{k=2}^{K} M_k / (k w^k) with w = x - c, by Horner's rule in 1/w.
double farField(const Triangle& T, double w1, double w2) {
  const double r2 = w1 * w1 + w2 * w2;
  // 1/w = conj(w) / |w|^2.
  const double v1 = w1 / r2, v2 = -w2 / r2;
  double sr = 0, si = 0;
  for (int k = kMoments; k >= 2; --k) {
    const double ar = sr + T.mr[k - 2] / k, ai = si + T.mi[k - 2] / k;
    sr = ar * v1 - ai * v2;
    si = ar * v2 + ai * v1;
  }
  // The loop ends one factor 1/w short of the k = 2 power for every term.
  const double tr = sr * v1 - si * v2;
  return T.area * 0.5 * std::log(r2) - tr;
}

}  // namespace

double triangleLogIntegral(const double* P1, const double* P2, const double* P3, const double* x) {
  const double orientation =
      (P2[0] - P1[0]) * (P3[1] - P1[1]) - (P3[0] - P1[0]) * (P2[1] - P1[1]);
  if (orientation == 0) return 0;  // no area
  const double* corner[3] = {P1, P2, P3};
  double sum = 0;
  for (int k = 0; k < 3; ++k) {
    const double* A = corner[k];
    const double* B = corner[(k + 1) % 3];
    const Segment s = segmentOf(A[0], A[1], B[0], B[1]);
    const SegmentView v = viewFrom(s, x[0], x[1]);
    // The edge's normal points out of a counter-clockwise triangle, so delta is
    // positive for x on the inner side. On the edge's line the term vanishes.
    if (v.delta != 0) sum += v.delta * (logIntegral(s, v) - s.L);
  }
  return (orientation > 0 ? sum : -sum) * 0.25;
}

void domfieldKernel(double* out, const double* vertices, const double* volumes, const double* f,
                    const double* x, int nV, int nT, int nx) {
  const std::ptrdiff_t nVs = nV, nTs = nT, nxs = nx;
  std::vector<Triangle> triangles(static_cast<size_t>(nT));
  for (std::ptrdiff_t j = 0; j < nTs; ++j) {
    Triangle& T = triangles[static_cast<size_t>(j)];
    for (int k = 0; k < 3; ++k) {
      const std::ptrdiff_t v = vertexIndex(volumes[j + k * nTs]);
      T.P[k][0] = vertices[v];
      T.P[k][1] = vertices[v + nVs];
    }
    T.c[0] = (T.P[0][0] + T.P[1][0] + T.P[2][0]) / 3;
    T.c[1] = (T.P[0][1] + T.P[1][1] + T.P[2][1]) / 3;
    T.R2 = 0;
    for (int k = 0; k < 3; ++k) {
      const double d1 = T.P[k][0] - T.c[0], d2 = T.P[k][1] - T.c[1];
      T.R2 = std::fmax(T.R2, d1 * d1 + d2 * d2);
    }
    T.area = 0.5 * std::fabs((T.P[1][0] - T.P[0][0]) * (T.P[2][1] - T.P[0][1]) -
                             (T.P[2][0] - T.P[0][0]) * (T.P[1][1] - T.P[0][1]));
    moments(T);
  }

  for (std::ptrdiff_t i = 0; i < nxs; ++i) {
    const double p[2] = {x[i], x[i + nxs]};
    double acc = 0;
    for (std::ptrdiff_t j = 0; j < nTs; ++j) {
      const Triangle& T = triangles[static_cast<size_t>(j)];
      if (T.area == 0) continue;
      const double w1 = p[0] - T.c[0], w2 = p[1] - T.c[1];
      const double I = (w1 * w1 + w2 * w2 >= kFarRatio * kFarRatio * T.R2)
                           ? farField(T, w1, w2)
                           : triangleLogIntegral(T.P[0], T.P[1], T.P[2], p);
      acc = I * f[j] + acc;
    }
    // G = -(1/(2 pi)) log|x - y|.
    out[i] = acc / (-6.283185307179586);
  }
}
