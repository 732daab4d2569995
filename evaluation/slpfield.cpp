#include "slpfield.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "constants.h"
#include "field_arrays.h"
#include "quadrature.h"

double slpfieldPair(void* pairs, std::ptrdiff_t j, double x1, double x2) {
  const SlpfieldPairs& c = *static_cast<const SlpfieldPairs*>(pairs);
  const Segment& s = c.mesh->segments[j];
  if (s.L == 0) return 0;  // a zero-length element carries no charge
  const SegmentView v = viewFrom(s, x1, x2);
  if (viewDistance(v) * c.eta >= s.L) {
    const double* P = gaussPoints(16);
    const double* W = gaussWeights(16);
    const double m1 = (s.B[0] + s.A[0]) * 0.5, m2 = (s.B[1] + s.A[1]) * 0.5;
    const double h1 = (s.B[0] - s.A[0]) * 0.5, h2 = (s.B[1] - s.A[1]) * 0.5;
    double sum = 0;
    for (int k = 0; k < 16; ++k) {
      const double D1 = x1 - (P[k] * h1 + m1), D2 = x2 - (P[k] * h2 + m2);
      sum += std::log(D1 * D1 + D2 * D2) * W[k];
    }
    // log|.|^2 = 2 log|.| and ds_y = (L/2) ds.
    return sum * 0.25 * s.L * c.chi[j];
  }
  return 0.5 * logIntegral(s, v) * c.chi[j];
}

bool slpfieldKernel(const BoundaryMesh& mesh, const double* chi, const Points& z, double eta,
                    double* out, const RunOptions& options) {
  const FieldArrays a = constantDensity(mesh, chi, 1.0, eta);
  const FieldElements e = fieldElements(mesh, a);
  const FieldLanes& lanes = fieldLanes(options.lanes);
  SlpfieldPairs pairs = {&mesh, chi, eta};
  // The points at the mesh's reference scale (core/mesh.h). With s =
  // 2^scale, every distance of the caller's geometry is s times the stored
  // one and every length too, so
  //   out(s x) = s (out(x) - (log s / (2 pi)) sum_j chi_j L_j).
  // The logarithmic term is formed once; the difference rounds relative to
  // the larger of its two terms, as the potential at the caller's scale,
  // whose every term carries log s, would.
  const int scale = mesh.scaleExponent;
  double charge = 0;
  if (scale != 0) {
    for (std::ptrdiff_t j = 0; j < mesh.elementCount; ++j) charge += chi[j] * mesh.length[j];
  }
  const double logTerm = scaleLogOverTwoPi(scale) * charge;
  return forEachPoint(z, scale, mesh.elementCount, options,
                      [&](std::ptrdiff_t i, double x1, double x2) {
                        // G = -(1/(2 pi)) log|x - y|.
                        out[i] = -lanes.slp(e, x1, x2, slpfieldPair, &pairs) / kTwoPi;
                        if (scale != 0) out[i] = std::ldexp(out[i] - logTerm, scale);
                      });
}
