#include "tdlfield.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "constants.h"
#include "field_arrays.h"
#include "quadrature.h"

// gh_j times the integral of ((x - y).q) / |x - y|^2 over element j for a pair
// that the series does not take. Closed form when size > eta * dist (size the
// element's length / sqrt(2)); a point on the closed element gets nothing from
// it there: the normal part vanishes (the principal value of a flat element
// at its own point), and at the element's ends the tangential part diverges
// for any direction but the normal. On the element's line outside it the
// contribution is finite and is kept. Otherwise (and for every pair when eta
// is NaN) the 16-point rule.
double tdlfieldPair(void* pairs, std::ptrdiff_t j, double x1, double x2) {
  const TdlfieldPairs& c = *static_cast<const TdlfieldPairs*>(pairs);
  const Segment& s = c.mesh->segments[j];
  // The admissibility test measures the element by length / sqrt(2), formed
  // as sqrt(2 |h|^2) from the half-vector h.
  const double h1 = (s.B[0] - s.A[0]) * 0.5, h2 = (s.B[1] - s.A[1]) * 0.5;
  const double size = std::sqrt(2 * (h1 * h1 + h2 * h2));
  if (size == 0) return 0;  // a zero-length element carries no charge
  const SegmentView v = viewFrom(s, x1, x2);
  if (size > viewDistance(v) * c.eta) {
    if (onSegment(s, v, onLineTolerance(s, x1, x2))) return 0;
    return c.gh[j] * adjointDoubleLayerIntegral(s, v, c.q1, c.q2);
  }
  // With h the negated half-vector and d = x - mid, x - y(s) = d + s h for
  // y(s) = A (1 - s)/2 + B (1 + s)/2, and |x - y(s)|^2 = M s^2 + R s + N.
  const double* P = gaussPoints(16);
  const double* Wt = gaussWeights(16);
  const double h[2] = {-h1, -h2};
  const double d[2] = {x1 - (s.B[0] + s.A[0]) * 0.5, x2 - (s.B[1] + s.A[1]) * 0.5};
  const double M = h[0] * h[0] + h[1] * h[1];
  const double N = d[0] * d[0] + d[1] * d[1];
  const double R = 2 * (d[0] * h[0] + d[1] * h[1]);
  double sum = 0;
  for (int t = 0; t < 16; ++t) {
    const double ts = P[t];
    const double num = (ts * h[1] + d[1]) * c.q2 + (ts * h[0] + d[0]) * c.q1;
    const double den = (ts * M) * ts + R * ts + N;
    sum = sum + (num / den) * Wt[t];
  }
  return std::sqrt(M) * c.gh[j] * sum;  // ds_y = |h| ds
}

bool tdlfieldKernel(const BoundaryMesh& mesh, const double* gh, const Points& x,
                    const Points& n_x, double eta, double* out, const RunOptions& options) {
  // A NaN eta sends every pair off the element to quadrature, as an infinite
  // one does.
  if (std::isnan(eta)) eta = std::numeric_limits<double>::infinity();
  const FieldArrays a = constantDensity(mesh, gh, 0.7071067811865476, eta);
  const FieldElements e = fieldElements(mesh, a);
  const FieldLanes& lanes = fieldLanes(options.lanes);
  // The points at the mesh's reference scale (core/mesh.h): the operator
  // does not change when the whole geometry is scaled, the vectors n_x
  // staying as given.
  return forEachPoint(x, mesh.scaleExponent, mesh.elementCount, options,
                      [&](std::ptrdiff_t i, double x1, double x2) {
                        TdlfieldPairs c = {&mesh, gh, eta, n_x.x(i), n_x.y(i)};
                        out[i] = -lanes.tdl(e, x1, x2, c.q1, c.q2, tdlfieldPair, &c) / kTwoPi;
                      });
}
