#include "slpfield.h"

#include <cmath>
#include <vector>

#include "geometry.h"
#include "moments.h"
#include "quadrature.h"

void slpfieldKernel(double* out, int nC, int nE, int nz, const double* coordinates,
                    const double* elements, const double* chi, const double* z, double eta) {
  const double* P = gaussPoints(16);
  const double* W = gaussWeights(16);
  const std::ptrdiff_t nCs = nC, nEs = nE, nzs = nz;

  // Frames of all elements, once per call; the end points stay alongside for
  // the distance test.
  std::vector<ElementFrame> frames(static_cast<size_t>(nE));
  std::vector<double> ends(static_cast<size_t>(nE) * 4);
  for (std::ptrdiff_t j = 0; j < nEs; ++j) {
    const int a = vertexIndex(elements[j]);
    const int b = vertexIndex(elements[j + nEs]);
    double* e = &ends[static_cast<size_t>(j) * 4];
    e[0] = coordinates[a];
    e[1] = coordinates[a + nCs];
    e[2] = coordinates[b];
    e[3] = coordinates[b + nCs];
    frames[static_cast<size_t>(j)] = elementFrame(e[0], e[1], e[2], e[3]);
  }

  for (std::ptrdiff_t i = 0; i < nzs; ++i) {
    const double p1 = z[i], p2 = z[i + nzs];
    double acc = 0;
    for (std::ptrdiff_t j = 0; j < nEs; ++j) {
      const ElementFrame& f = frames[static_cast<size_t>(j)];
      const double* e = &ends[static_cast<size_t>(j) * 4];
      const double L = f.length;
      const double dist = pointSegmentDistance(p1, p2, e[0], e[1], e[2], e[3]);
      if (dist * eta >= L) {
        // Far element: the 16-point rule on log|p - y(s)|^2 ds.
        double sum = 0;
        for (int k = 0; k < 16; ++k) {
          const double s = P[k], w = W[k];
          const double D1 = p1 - (s * f.half[0] + f.mid[0]);
          const double D2 = p2 - (s * f.half[1] + f.mid[1]);
          sum = sum + std::log(D1 * D1 + D2 * D2) * ((chi[j] * w) * L);
        }
        acc = acc - sum;
      } else {
        // Near element (and every pair when eta is NaN): I_0 in closed form,
        // which stays finite for a point on the element.
        const double d[2] = {p1 - f.mid[0], p2 - f.mid[1]};
        acc = acc - slpMoment(0, f.half, d) * (L * chi[j]);
      }
    }
    // log|.|^2 = 2 log|.| and ds_y = (L/2) ds: dividing by 8 pi gives -1/(2 pi).
    out[i] = acc / 25.132741228718345;
  }
}
