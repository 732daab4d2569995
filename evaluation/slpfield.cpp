#include "slpfield.h"

#include <cmath>
#include <vector>

#include "quadrature.h"
#include "segment.h"

void slpfieldKernel(double* out, int nC, int nE, int nz, const double* coordinates,
                    const double* elements, const double* chi, const double* z, double eta) {
  const double* P = gaussPoints(16);
  const double* W = gaussWeights(16);
  const std::ptrdiff_t nEs = nE, nzs = nz;
  const std::vector<Segment> segments = meshSegments(nC, nE, coordinates, elements);

  for (std::ptrdiff_t i = 0; i < nzs; ++i) {
    const double p1 = z[i], p2 = z[i + nzs];
    double acc = 0;
    for (std::ptrdiff_t j = 0; j < nEs; ++j) {
      const Segment& s = segments[static_cast<size_t>(j)];
      const double L = s.L;
      if (L == 0) continue;  // a zero-length element carries no charge
      const SegmentView v = viewFrom(s, p1, p2);
      if (viewDistance(v) * eta >= L) {
        // Far element: the 16-point rule on log|p - y(s)|^2 ds, y(s) = mid + s half.
        const double m1 = (s.B[0] + s.A[0]) * 0.5, m2 = (s.B[1] + s.A[1]) * 0.5;
        const double h1 = (s.B[0] - s.A[0]) * 0.5, h2 = (s.B[1] - s.A[1]) * 0.5;
        double sum = 0;
        for (int k = 0; k < 16; ++k) {
          const double D1 = p1 - (P[k] * h1 + m1);
          const double D2 = p2 - (P[k] * h2 + m2);
          sum = sum + std::log(D1 * D1 + D2 * D2) * ((chi[j] * W[k]) * L);
        }
        acc = acc - sum;
      } else {
        // Near element (and every pair when eta is NaN): the closed form, finite
        // for a point on the element. L ds = 2 ds_y.
        acc = acc - 2 * logIntegral(s, v) * chi[j];
      }
    }
    // log|.|^2 = 2 log|.| and ds_y = (L/2) ds: dividing by 8 pi gives -1/(2 pi).
    out[i] = acc / 25.132741228718345;
  }
}
