#include "dlpfield.h"

#include <cmath>
#include <vector>

#include "geometry.h"
#include "moments.h"
#include "quadrature.h"

namespace {

// What the point loop needs of element j besides its frame: the end points
// for the distance test and the vertex values of g.
struct ElementEnds {
  double A[2];
  double B[2];
  double gA;
  double gB;
};

}  // namespace

void dlpfieldKernel(double* out, int nC, int nE, int nx, const double* coordinates,
                    const double* elements, const double* gh, const double* x, double eta) {
  const double* P = gaussPoints(16);
  const double* Wt = gaussWeights(16);
  const std::ptrdiff_t nCs = nC, nEs = nE, nxs = nx;

  // Frames of all elements, once per call.
  std::vector<ElementFrame> frames(static_cast<size_t>(nE));
  std::vector<ElementEnds> ends(static_cast<size_t>(nE));
  for (std::ptrdiff_t j = 0; j < nEs; ++j) {
    const int a = vertexIndex(elements[j]);
    const int b = vertexIndex(elements[j + nEs]);
    ElementEnds& e = ends[static_cast<size_t>(j)];
    e.A[0] = coordinates[a];
    e.A[1] = coordinates[a + nCs];
    e.B[0] = coordinates[b];
    e.B[1] = coordinates[b + nCs];
    e.gA = gh[a];
    e.gB = gh[b];
    frames[static_cast<size_t>(j)] = elementFrame(e.A[0], e.A[1], e.B[0], e.B[1]);
  }

  for (std::ptrdiff_t i = 0; i < nxs; ++i) {
    const double p1 = x[i], p2 = x[i + nxs];
    double acc = 0;
    for (std::ptrdiff_t j = 0; j < nEs; ++j) {
      const ElementFrame& f = frames[static_cast<size_t>(j)];
      const ElementEnds& e = ends[static_cast<size_t>(j)];
      const double L = f.length;
      const double m1 = f.mid[0], m2 = f.mid[1];
      const double h1 = f.half[0], h2 = f.half[1];
      const double n1 = f.normal[0], n2 = f.normal[1];
      const double gA = e.gA, gB = e.gB;
      const double dist = pointSegmentDistance(p1, p2, e.A[0], e.A[1], e.B[0], e.B[1]);
      if (dist * eta >= L) {
        // Far element: the 16-point rule on ((y(s) - p) . n) g(y(s)) / |y(s) - p|^2 ds,
        // with g(y(s)) = gA + (s + 1)(gB - gA)/2.
        double sum = 0;
        for (int t = 0; t < 16; ++t) {
          const double s = P[t], w = Wt[t];
          const double D1 = (s * h1 + m1) - p1;
          const double D2 = (s * h2 + m2) - p2;
          const double gs = ((s + 1) * (gB - gA)) * 0.5 + gA;
          sum = sum + ((n2 * D2 + n1 * D1) * w * gs) / (D2 * D2 + D1 * D1);
        }
        acc = acc - L * sum;
      } else {
        // Near element (and every pair when eta is NaN). (y(s) - p) . n = delta
        // on the whole element and |y(s) - p|^2 = |d + s h|^2 with d = mid - p, so
        // the integral is delta ((gA + gB)/2 J_0 + (gB - gA)/2 J_1). On the line
        // of the element delta vanishes and so does the kernel: the element
        // contributes nothing, also for a point on it.
        const double d[2] = {m1 - p1, m2 - p2};
        const double delta = (m2 - p2) * n2 + (m1 - p1) * n1;
        if (std::fabs(delta) > 1e-12) {
          const double E0 = dlpMoment(0, f.half, d) * (L * delta) * 0.5;
          const double E1 = dlpMoment(1, f.half, d) * (L * delta) * 0.5;
          acc = acc - (((gA * E0 + gB * E0) + gB * E1) - gA * E1);
        }
      }
    }
    // ds_y = (L/2) ds: dividing -(L * integral over s) by 4 pi gives -1/(2 pi).
    out[i] = acc / 12.566370614359172;
  }
}
