#include "tdlfield.h"

#include <cmath>
#include <cstddef>

#include "geometry.h"
#include "moments.h"
#include "quadrature.h"

void tdlfieldKernel(double* out, int nC, int nE, const double* coordinates, const double* elements,
                    const double* gh, const double* x, int nx, const double* n_x, double eta) {
  const double* P = gaussPoints(16);
  const double* Wt = gaussWeights(16);
  const double kPi = 3.141592653589793;
  const std::ptrdiff_t nCs = nC, nEs = nE, nxs = nx;

  for (std::ptrdiff_t i = 0; i < nxs; ++i) out[i] = 0;

  for (std::ptrdiff_t i = 0; i < nxs; ++i) {
    const double p1 = x[i], p2 = x[i + nxs];
    const double q1 = n_x[i], q2 = n_x[i + nxs];
    for (std::ptrdiff_t j = 0; j < nEs; ++j) {
      // Element quantities are recomputed for every pair: no scratch memory.
      // With h the negated half-vector and d = p - mid, p - y(s) = d + s h for
      // y(s) = A (1 - s)/2 + B (1 + s)/2, and |p - y(s)|^2 = M s^2 + R s + N.
      const int a = vertexIndex(elements[j]);
      const int b = vertexIndex(elements[j + nEs]);
      const double A1 = coordinates[a], A2 = coordinates[a + nCs];
      const double B1 = coordinates[b], B2 = coordinates[b + nCs];
      const double h[2] = {(B1 - A1) * (-0.5), (B2 - A2) * (-0.5)};
      const double d[2] = {p1 - (B1 + A1) * 0.5, p2 - (B2 + A2) * 0.5};
      const double M = h[0] * h[0] + h[1] * h[1];
      const double N = d[0] * d[0] + d[1] * d[1];
      const double L = d[0] * h[0] + d[1] * h[1];
      const double R = 2 * L;
      // The admissibility test measures the element by length / sqrt(2).
      const double size = std::sqrt(2 * M);
      const double dist = pointSegmentDistance(p1, p2, A1, A2, B1, B2);

      double sum = 0;
      if (size > dist * eta) {
        // Closed form: ((d . q) J_0 + (h . q) J_1) / pi. u = |d x h| vanishes on
        // the line of the element; such a point, or a NaN u, gets nothing from
        // the element (the principal value of a flat element at its own point).
        // "On the line" is judged relative to |d| |h| and, for points near the
        // midpoint where |d| is itself at rounding level, also relative to the
        // element: u / |h|, the distance from the line, at most 1e-12 |h|.
        // Without the second test a boundary point that rounding moved 1e-16
        // off the element would pick up the whole jump, +-1/2 of the density.
        const double u = std::sqrt(N * M - L * L);
        if (u > std::sqrt(N * M) * 1e-12 && u > M * 1e-12) {
          const double J0 = dlpMoment(0, h, d);
          const double J1 = dlpMoment(1, h, d);
          sum = ((q2 * d[1] + q1 * d[0]) * J0 + (q1 * h[0] + q2 * h[1]) * J1) / kPi;
        }
      } else {
        // Far element (and every pair when eta is NaN): the 16-point rule on
        // ((p - y(s)) . q) / (pi |p - y(s)|^2) ds.
        for (int t = 0; t < 16; ++t) {
          const double s = P[t], w = Wt[t];
          const double num = (s * h[1] + d[1]) * q2 + (s * h[0] + d[0]) * q1;
          const double den = ((s * M) * s + R * s + N) * kPi;
          sum = sum + (num / den) * w;
        }
      }
      // sqrt(M) = L/2 and ds_y = (L/2) ds: sqrt(M) gh / 2 turns sum into
      // (1/(2 pi)) gh times the integral over the element in ds_y.
      out[i] = out[i] - (std::sqrt(M) * (gh[j] * 0.5)) * sum;
    }
  }
}
