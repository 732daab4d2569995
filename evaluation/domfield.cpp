#include "domfield.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <limits>
#include <vector>

#include "constants.h"
#include "field_arrays.h"
#include "padding.h"

namespace {

// From |x - c| >= kFarRatio R on, c the centroid and R the largest distance
// from c to a corner, the multipole series about c replaces the closed form:
//   int_T log|x - y| dy = area log|x - c| - Re sum_{k >= 2} M_k / (k (x - c)^k),
// M_k the complex moments of y - c (M_1 = 0 about the centroid), whose terms
// are below area (R/|x - c|)^k / k; the lanes take them until
// (R/|x - c|)^(K+1) <= 1e-17, K at most kTriangleMoments. Nearer, the closed
// form of triangleLogIntegral, whose terms cancel by at most |x - c| / R there
// (8 rounding units: exact).
const double kFarRatio = 8;

// Complex moments of y - c over the triangle with corners z_1, z_2, z_3 about
// its centroid: with lambda the barycentric coordinates,
// int lambda1^a lambda2^b lambda3^c dy = 2 area a! b! c! / (a + b + c + 2)!, so
//   M_k = 2 area / ((k + 1)(k + 2)) h_k(z_1, z_2, z_3),
// h_k the complete homogeneous symmetric polynomial, from its recurrence in
// the elementary symmetric polynomials (e_1 = 0 about the centroid):
//   h_k = e_1 h_{k-1} - e_2 h_{k-2} + e_3 h_{k-3}.
// Writes M_k / k for k = 2..kTriangleMoments into cr[(k - 2) * rows], ci[...].
void momentCoefficients(const double P[3][2], const double c[2], double area, double* cr,
                        double* ci, std::ptrdiff_t rows) {
  using C = std::complex<double>;
  const C z1(P[0][0] - c[0], P[0][1] - c[1]);
  const C z2(P[1][0] - c[0], P[1][1] - c[1]);
  const C z3(P[2][0] - c[0], P[2][1] - c[1]);
  const C e1 = z1 + z2 + z3, e2 = z1 * z2 + z1 * z3 + z2 * z3, e3 = z1 * z2 * z3;
  C h[kTriangleMoments + 1];
  h[0] = 1;
  h[1] = e1;
  h[2] = e1 * h[1] - e2;
  for (int k = 3; k <= kTriangleMoments; ++k) h[k] = e1 * h[k - 1] - e2 * h[k - 2] + e3 * h[k - 3];
  for (int k = 2; k <= kTriangleMoments; ++k) {
    const C M = h[k] * (2 * area / ((k + 1.0) * (k + 2.0))) / static_cast<double>(k);
    cr[(k - 2) * rows] = M.real();
    ci[(k - 2) * rows] = M.imag();
  }
}

// Sum over the edges P1P2, P2P3, P3P1 of (h_e/4)(int_e log r^2 - |e|), times
// sign (+1 for a counter-clockwise triangle, so that the normals point out).
// The logarithm of each corner's squared distance serves both its edges.
double edgeSum(const Segment* edges, double sign, double x1, double x2) {
  double logs[3];
  for (int k = 0; k < 3; ++k) {
    const double d1 = edges[k].A[0] - x1, d2 = edges[k].A[1] - x2;
    const double r2 = d1 * d1 + d2 * d2;
    logs[k] = r2 > 0 ? std::log(r2) : 0.0;
  }
  double sum = 0;
  for (int k = 0; k < 3; ++k) {
    const SegmentView v = viewFrom(edges[k], x1, x2);
    // On the edge's line the term vanishes.
    if (v.delta != 0) {
      sum += v.delta * (logIntegralFromLogs(edges[k], v, logs[k], logs[(k + 1) % 3]) - edges[k].L);
    }
  }
  return sign * sum * 0.25;
}

struct DomContext {
  const std::vector<Segment>* edges;  // 3 per triangle
  const std::vector<double>* sign;    // +1 counter-clockwise, -1 clockwise, 0 no area
  const double* f;
};

// f_T times the integral over triangle j in closed form, for a point that the
// series does not take; a triangle without area adds 0.
double domPair(void* context, std::ptrdiff_t j, double x1, double x2) {
  const DomContext& c = *static_cast<const DomContext*>(context);
  const double sign = (*c.sign)[static_cast<size_t>(j)];
  if (sign == 0) return 0;
  return edgeSum(c.edges->data() + 3 * j, sign, x1, x2) * c.f[j];
}

}  // namespace

double triangleLogIntegral(const double* P1, const double* P2, const double* P3, const double* x) {
  const double orientation =
      (P2[0] - P1[0]) * (P3[1] - P1[1]) - (P3[0] - P1[0]) * (P2[1] - P1[1]);
  if (orientation == 0) return 0;  // no area
  const Segment edges[3] = {segmentOf(P1[0], P1[1], P2[0], P2[1]),
                            segmentOf(P2[0], P2[1], P3[0], P3[1]),
                            segmentOf(P3[0], P3[1], P1[0], P1[1])};
  return edgeSum(edges, orientation > 0 ? 1.0 : -1.0, x[0], x[1]);
}

namespace {

// The triangles of a call for the lanes (see field_lanes.h), with storage.
struct TriangleArrays {
  std::vector<Segment> edges;  // 3 per triangle: P1P2, P2P3, P3P1
  std::vector<double> sign;    // of the orientation: +1, -1, 0 (no area), NaN
  std::vector<double> cx, cy, R2, area, f, from2, cr, ci;
  std::vector<double> ax[3], ay[3], tx[3], ty[3], len[3];  // the edges again, by quantity
  FieldTriangles view(std::ptrdiff_t n) const {
    FieldTriangles t{};
    t.n = n;
    t.cx = cx.data();
    t.cy = cy.data();
    t.R2 = R2.data();
    t.area = area.data();
    t.f = f.data();
    t.seriesFrom2 = from2.data();
    t.cr = cr.data();
    t.ci = ci.data();
    for (int k = 0; k < 3; ++k) {
      t.ax[k] = ax[k].data();
      t.ay[k] = ay[k].data();
      t.tx[k] = tx[k].data();
      t.ty[k] = ty[k].data();
      t.len[k] = len[k].data();
    }
    t.sign = sign.data();
    return t;
  }
};

TriangleArrays triangleArrays(const TriangleMesh& mesh, const double* f) {
  const std::ptrdiff_t nTs = mesh.triangleCount;
  const size_t rows = static_cast<size_t>(paddedCount(nTs));
  TriangleArrays a;
  a.edges.resize(static_cast<size_t>(3 * nTs));
  for (std::vector<double>* v : {&a.cx, &a.cy, &a.R2, &a.area, &a.f, &a.from2, &a.sign}) {
    v->assign(rows, 0.0);
  }
  for (int k = 0; k < 3; ++k) {
    for (std::vector<double>* v : {&a.ax[k], &a.ay[k], &a.tx[k], &a.ty[k], &a.len[k]}) {
      v->assign(rows, 0.0);
    }
  }
  a.cr.assign(rows * (kTriangleMoments - 1), 0.0);
  a.ci.assign(a.cr.size(), 0.0);
  for (std::ptrdiff_t j = 0; j < nTs; ++j) {
    double P[3][2];
    for (int k = 0; k < 3; ++k) {
      const std::ptrdiff_t v = mesh.corners[3 * j + k];
      P[k][0] = mesh.vertexX[v];
      P[k][1] = mesh.vertexY[v];
    }
    for (int k = 0; k < 3; ++k) {
      const int l = (k + 1) % 3;
      const Segment e = a.edges[3 * j + k] = segmentOf(P[k][0], P[k][1], P[l][0], P[l][1]);
      a.ax[k][j] = e.A[0];
      a.ay[k][j] = e.A[1];
      a.tx[k][j] = e.t[0];
      a.ty[k][j] = e.t[1];
      a.len[k][j] = e.L;
    }
    const double orientation =
        (P[1][0] - P[0][0]) * (P[2][1] - P[0][1]) - (P[2][0] - P[0][0]) * (P[1][1] - P[0][1]);
    a.sign[j] = orientation > 0 ? 1.0 : orientation < 0 ? -1.0 : orientation == 0 ? 0.0 : orientation;
    const double c[2] = {(P[0][0] + P[1][0] + P[2][0]) / 3, (P[0][1] + P[1][1] + P[2][1]) / 3};
    double r2 = 0;
    for (int k = 0; k < 3; ++k) {
      const double d1 = P[k][0] - c[0], d2 = P[k][1] - c[1];
      r2 = std::fmax(r2, d1 * d1 + d2 * d2);
    }
    const double A = 0.5 * std::fabs((P[1][0] - P[0][0]) * (P[2][1] - P[0][1]) -
                                     (P[2][0] - P[0][0]) * (P[1][1] - P[0][1]));
    a.cx[j] = c[0];
    a.cy[j] = c[1];
    a.R2[j] = r2;
    a.area[j] = A;
    a.f[j] = f[j];
    // A triangle without area (or with NaN corners) goes to the closed form,
    // which gives 0 (or NaN) for it.
    a.from2[j] = A > 0 ? kFarRatio * kFarRatio * r2 : std::numeric_limits<double>::infinity();
    momentCoefficients(P, c, A, a.cr.data() + j, a.ci.data() + j, static_cast<std::ptrdiff_t>(rows));
  }
  return a;
}

}  // namespace

bool domfieldKernel(const TriangleMesh& mesh, const double* f, const Points& x, double* out,
                    const RunOptions& options) {
  const std::ptrdiff_t nx = x.count;
  const TriangleArrays a = triangleArrays(mesh, f);
  const FieldTriangles t = a.view(mesh.triangleCount);
  const FieldLanes& lanes = fieldLanes(options.lanes);
  DomContext context = {&a.edges, &a.sign, f};
  // The points at the mesh's reference scale (core/mesh.h). With s =
  // 2^scale, distances scale by s and areas by s^2, so
  //   out(s x) = s^2 (out(x) - (log s / (2 pi)) sum_T f_T |T|);
  // the difference rounds relative to the larger of its terms, as the
  // potential at the caller's scale, whose every term carries log s, would.
  const int scale = mesh.scaleExponent;
  std::vector<double> scaled;
  const Points xs = referencePoints(x, scale, &scaled);
  double mass = 0;
  if (scale != 0) {
    for (std::ptrdiff_t j = 0; j < mesh.triangleCount; ++j) mass += f[j] * a.area[j];
  }
  const double logTerm = scaleLogOverTwoPi(scale) * mass;
  const std::ptrdiff_t perChunk = pointsPerChunk(mesh.triangleCount);
  return parallelFor((nx + perChunk - 1) / perChunk, options, [&](std::int64_t chunk, int) {
    const std::ptrdiff_t end = std::min<std::ptrdiff_t>(nx, (chunk + 1) * perChunk);
    DomContext local = context;
    for (std::ptrdiff_t i = chunk * perChunk; i < end; ++i) {
      // G = -(1/(2 pi)) log|x - y|.
      out[i] = lanes.dom(t, xs.x(i), xs.y(i), domPair, &local) / (-kTwoPi);
      if (scale != 0) out[i] = std::ldexp(out[i] - logTerm, 2 * scale);
    }
  });
}
