#include "tdlfield.h"

#include <cmath>
#include <cstddef>

#include "geometry.h"
#include "quadrature.h"
#include "segment.h"

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
      const int a = vertexIndex(elements[j]);
      const int b = vertexIndex(elements[j + nEs]);
      const double A1 = coordinates[a], A2 = coordinates[a + nCs];
      const double B1 = coordinates[b], B2 = coordinates[b + nCs];
      // The admissibility test measures the element by length / sqrt(2), formed
      // as sqrt(2 |h|^2) from the half-vector h.
      const double h1 = (B1 - A1) * 0.5, h2 = (B2 - A2) * 0.5;
      const double size = std::sqrt(2 * (h1 * h1 + h2 * h2));
      if (size == 0) continue;  // a zero-length element carries no charge

      if (size > pointSegmentDistance(p1, p2, A1, A2, B1, B2) * eta) {
        const Segment s = segmentOf(A1, A2, B1, B2);
        const SegmentView v = viewFrom(s, p1, p2);
        // Closed form, (1/(2 pi)) gh times the integral over the element in
        // ds_y. A point on the closed element gets nothing from it: the normal
        // part vanishes there (the principal value of a flat element at its own
        // point), and at the element's ends the tangential part diverges for any
        // direction but the normal. On the element's line outside it the
        // contribution is finite and is kept.
        if (!onSegment(s, v, onLineTolerance(s, p1, p2))) {
          out[i] = out[i] - gh[j] * adjointDoubleLayerIntegral(s, v, q1, q2) / (2 * kPi);
        }
      } else {
        // Far element (and every pair when eta is NaN): the 16-point rule on
        // ((p - y(s)) . q) / (pi |p - y(s)|^2) ds. With h the negated half-vector
        // and d = p - mid, p - y(s) = d + s h for y(s) = A (1 - s)/2 + B (1 + s)/2,
        // and |p - y(s)|^2 = M s^2 + R s + N.
        const double h[2] = {(B1 - A1) * (-0.5), (B2 - A2) * (-0.5)};
        const double d[2] = {p1 - (B1 + A1) * 0.5, p2 - (B2 + A2) * 0.5};
        const double M = h[0] * h[0] + h[1] * h[1];
        const double N = d[0] * d[0] + d[1] * d[1];
        const double R = 2 * (d[0] * h[0] + d[1] * h[1]);
        double sum = 0;
        for (int t = 0; t < 16; ++t) {
          const double ts = P[t], w = Wt[t];
          const double num = (ts * h[1] + d[1]) * q2 + (ts * h[0] + d[0]) * q1;
          const double den = ((ts * M) * ts + R * ts + N) * kPi;
          sum = sum + (num / den) * w;
        }
        // sqrt(M) = L/2 and ds_y = (L/2) ds: sqrt(M) gh / 2 turns sum into
        // (1/(2 pi)) gh times the integral over the element in ds_y.
        out[i] = out[i] - (std::sqrt(M) * (gh[j] * 0.5)) * sum;
      }
    }
  }
}
