#include "dlpgradfield.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "field_arrays.h"
#include "geometry.h"
#include "quadrature.h"
#include "segment.h"

const char* const kDlpgradfieldOnBoundaryText =
    "The evaluation point (%g,%g) lies on the boundary! "
    "The %lld-th row of the return matrix is set to NaN!";

namespace {

struct GradContext {
  const std::vector<Segment>* segments;
  const double* gA;
  const double* gB;
  double eta;
  bool onBoundary;  // of this point
};

// The integrals over element j of K_q g for q = (1, 0) and (0, 1) (K_q the
// hypersingular kernel with the direction q), for a pair that the series does
// not take: a point on the element marks the point; the 16-point rule when
// L <= eta * dist; the closed form otherwise (a NaN eta included, as in
// dlpfield).
void gradPair(void* context, std::ptrdiff_t j, double x1, double x2, double* v) {
  GradContext& c = *static_cast<GradContext*>(context);
  const Segment& s = (*c.segments)[static_cast<size_t>(j)];
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

}  // namespace

bool dlpgradfieldKernel(double* out, int nC, int nE, const double* coordinates,
                        const double* elements, const double* gh, const Points& x, double eta,
                        const RunOptions& options, unsigned char* onBoundary) {
  const std::ptrdiff_t nxs = x.count;
  const std::vector<Segment> segments = meshSegments(nC, nE, coordinates, elements);
  const EndValues g = endValues(nE, elements, gh);
  const ElementArrays a = linearDensityArrays(segments, g, eta);
  const FieldElements e = a.view();
  const FieldLanes& lanes = fieldLanes(options.lanes);
  std::vector<unsigned char> marks(static_cast<size_t>(nxs), 0);
  const std::ptrdiff_t perChunk = pointsPerChunk(nE);
  const bool done =
      parallelFor((nxs + perChunk - 1) / perChunk, options, [&](std::int64_t chunk, int) {
        const std::ptrdiff_t end = std::min<std::ptrdiff_t>(nxs, (chunk + 1) * perChunk);
        for (std::ptrdiff_t i = chunk * perChunk; i < end; ++i) {
          GradContext c = {&segments, g.A.data(), g.B.data(), eta, false};
          double g[2];
          lanes.grad(e, x.x(i), x.y(i), gradPair, &c, g);
          // d_q (K g) = (1/(2 pi)) int K_q g. NaN, formed as infinity minus
          // infinity, on the boundary, where the gradient has no value.
          const double inf = std::numeric_limits<double>::infinity();
          out[i] = c.onBoundary ? inf - inf : g[0] / 6.283185307179586;
          out[i + nxs] = c.onBoundary ? inf - inf : g[1] / 6.283185307179586;
          marks[static_cast<size_t>(i)] = c.onBoundary;
        }
      });
  if (!done) return false;
  for (std::ptrdiff_t i = 0; i < nxs; ++i) {
    if (onBoundary != nullptr) {
      onBoundary[i] = marks[static_cast<size_t>(i)];
    } else if (marks[static_cast<size_t>(i)]) {
      std::fputs("Warning (dlpgradfield): ", stderr);
      std::fprintf(stderr, kDlpgradfieldOnBoundaryText, x.x(i), x.y(i), static_cast<long long>(i));
      std::fputc('\n', stderr);
    }
  }
  return true;
}

void dlpgradfieldScalarKernel(double* out, int nC, int nE, const double* coordinates,
                              const double* elements, const double* gh, const Points& x,
                              double eta) {
  const std::ptrdiff_t nEs = nE, nxs = x.count;
  const std::vector<Segment> segments = meshSegments(nC, nE, coordinates, elements);
  const EndValues g = endValues(nE, elements, gh);
  for (std::ptrdiff_t i = 0; i < nxs; ++i) {
    GradContext c = {&segments, g.A.data(), g.B.data(), eta, false};
    double g[2] = {0, 0};
    for (std::ptrdiff_t j = 0; j < nEs; ++j) {
      double v[2];
      gradPair(&c, j, x.x(i), x.y(i), v);
      g[0] += v[0];
      g[1] += v[1];
    }
    out[i] = g[0] / 6.283185307179586;
    out[i + nxs] = g[1] / 6.283185307179586;
  }
}
