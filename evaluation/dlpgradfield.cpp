#include "dlpgradfield.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "constants.h"
#include "field_arrays.h"
#include "quadrature.h"

// The integrals over element j of K_q g for q = (1, 0) and (0, 1) (K_q the
// hypersingular kernel with the direction q), for a pair that the series does
// not take: a point on the element marks the point; the 16-point rule when
// L <= eta * dist; the closed form otherwise (a NaN eta included, as in
// dlpfield).
void dlpgradfieldPair(void* pairs, std::ptrdiff_t j, double x1, double x2, double* v) {
  DlpgradfieldPairs& c = *static_cast<DlpgradfieldPairs*>(pairs);
  const Segment& s = c.mesh->segments[j];
  v[0] = v[1] = 0;
  if (s.L == 0) return;  // a zero-length element carries no dipole
  const double gA = c.gA[j], gB = c.gB[j];
  const SegmentView view = viewFrom(s, x1, x2);
  if (onSegment(s, view, onLineTolerance(s, x1, x2))) {
    c.onBoundary = true;
    return;
  }
  if (!(s.L <= c.eta * viewDistance(view))) {
    v[0] = hypersingularIntegral(s, view, 1, 0, gA, gB);
    v[1] = hypersingularIntegral(s, view, 0, 1, gA, gB);
    return;
  }
  // y(t) = mid + t h, t in [-1, 1]; r = x - y; ds_y = (L/2) dt;
  // K_q = (q.n)/|r|^2 - 2 (r.n)(r.q)/|r|^4, g = gm + t gd.
  const double* P = gaussPoints(16);
  const double* W = gaussWeights(16);
  const double m1 = (s.A[0] + s.B[0]) * 0.5, m2 = (s.A[1] + s.B[1]) * 0.5;
  const double h1 = (s.B[0] - s.A[0]) * 0.5, h2 = (s.B[1] - s.A[1]) * 0.5;
  const double gm = (gA + gB) * 0.5, gd = (gB - gA) * 0.5;
  for (int k = 0; k < 16; ++k) {
    const double r1 = x1 - (m1 + P[k] * h1), r2 = x2 - (m2 + P[k] * h2);
    const double inv = 1 / (r1 * r1 + r2 * r2);
    const double rn = r1 * s.n[0] + r2 * s.n[1];
    const double w = W[k] * (gm + P[k] * gd) * 0.5 * s.L;
    v[0] += w * (s.n[0] - 2 * rn * r1 * inv) * inv;
    v[1] += w * (s.n[1] - 2 * rn * r2 * inv) * inv;
  }
}

bool dlpgradfieldKernel(const BoundaryMesh& mesh, const double* gh, const Points& x, double eta,
                        double* out, unsigned char* onBoundary, const RunOptions& options) {
  const FieldArrays a = linearDensity(mesh, gh, eta);
  const FieldElements e = fieldElements(mesh, a);
  const FieldLanes& lanes = fieldLanes(options.lanes);
  // The points at the mesh's reference scale 2^-scale (core/mesh.h): the
  // gradient is homogeneous of degree -1 in the geometry, so the stored
  // mesh's value is multiplied by 2^-scale.
  const int scale = mesh.scaleExponent;
  const std::ptrdiff_t nx = x.count;
  return forEachPoint(x, scale, mesh.elementCount, options,
                      [&](std::ptrdiff_t i, double x1, double x2) {
                        DlpgradfieldPairs c = {&mesh, a.gA.data(), a.gB.data(), eta, false};
                        double g[2];
                        lanes.grad(e, x1, x2, dlpgradfieldPair, &c, g);
                        // d_q (K g) = (1/(2 pi)) int K_q g. NaN, formed as infinity minus
                        // infinity, on the boundary, where the gradient has no value.
                        const double inf = std::numeric_limits<double>::infinity();
                        out[i] = c.onBoundary ? inf - inf : std::ldexp(g[0] / kTwoPi, -scale);
                        out[i + nx] = c.onBoundary ? inf - inf : std::ldexp(g[1] / kTwoPi, -scale);
                        onBoundary[i] = c.onBoundary;
                      });
}
