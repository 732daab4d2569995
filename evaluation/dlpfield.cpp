#include "dlpfield.h"

#include <cmath>
#include <vector>

#include "geometry.h"
#include "quadrature.h"
#include "segment.h"

void dlpfieldKernel(double* out, int nC, int nE, int nx, const double* coordinates,
                    const double* elements, const double* gh, const double* x, double eta) {
  const double* P = gaussPoints(16);
  const double* Wt = gaussWeights(16);
  const std::ptrdiff_t nEs = nE, nxs = nx;
  const std::vector<Segment> segments = meshSegments(nC, nE, coordinates, elements);

  for (std::ptrdiff_t i = 0; i < nxs; ++i) {
    const double p1 = x[i], p2 = x[i + nxs];
    double acc = 0;
    for (std::ptrdiff_t j = 0; j < nEs; ++j) {
      const Segment& s = segments[static_cast<size_t>(j)];
      const double L = s.L;
      if (L == 0) continue;  // a zero-length element has no extent to carry a dipole
      const double gA = gh[vertexIndex(elements[j])];
      const double gB = gh[vertexIndex(elements[j + nEs])];
      const SegmentView v = viewFrom(s, p1, p2);
      if (viewDistance(v) * eta >= L) {
        // Far element: the 16-point rule on ((y(s) - p) . n) g(y(s)) / |y(s) - p|^2 ds,
        // with y(s) = mid + s half and g(y(s)) = gA + (s + 1)(gB - gA)/2.
        const double m1 = (s.B[0] + s.A[0]) * 0.5, m2 = (s.B[1] + s.A[1]) * 0.5;
        const double h1 = (s.B[0] - s.A[0]) * 0.5, h2 = (s.B[1] - s.A[1]) * 0.5;
        double sum = 0;
        for (int t = 0; t < 16; ++t) {
          const double D1 = (P[t] * h1 + m1) - p1;
          const double D2 = (P[t] * h2 + m2) - p2;
          const double gs = ((P[t] + 1) * (gB - gA)) * 0.5 + gA;
          sum = sum + ((s.n[1] * D2 + s.n[0] * D1) * Wt[t] * gs) / (D2 * D2 + D1 * D1);
        }
        acc = acc - L * sum;
      } else if (!onSegment(s, v, onLineTolerance(s, p1, p2))) {
        // Near element (and every pair when eta is NaN), in closed form. A point
        // on the element gets nothing from it: the kernel vanishes on its line,
        // and no jump term is added on the boundary. L ds = 2 ds_y.
        acc = acc - 2 * doubleLayerIntegral(s, v, gA, gB);
      }
    }
    // ds_y = (L/2) ds: dividing -(L * integral over s) by 4 pi gives -1/(2 pi).
    out[i] = acc / 12.566370614359172;
  }
}
