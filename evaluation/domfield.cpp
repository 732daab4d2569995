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
#include "quadrature.h"

namespace {

// From |x - c| >= kFarRatio R on, c the centroid and R the largest distance
// from c to a corner, the multipole series about c replaces the closed form:
//   int_T log|x - y| dy = area log|x - c| - Re sum_{k >= 2} M_k / (k (x - c)^k),
// M_k the complex moments of y - c (M_1 = 0 about the centroid), whose terms
// are below area (R/|x - c|)^k / k; the lanes take them until
// (R/|x - c|)^(K+1) <= 1e-17, K at most kTriangleMoments. Nearer, the closed
// form of triangleLogIntegral, whose terms cancel by at most |x - c| / R there
// (8 rounding units: exact) for a triangle of some height.
const double kFarRatio = 8;
const double kInfinity = std::numeric_limits<double>::infinity();

// A thin triangle: height h over its longest edge (the base) below R / 4.
// Seen from a point at a height v over the base's line, the terms of the
// closed form, about v times the base each, cancel to the area: by 2 |v| / h.
// From |v| >= kThinRatio h on (short of the series) the integral is
// therefore taken in the base's frame instead (thinTriangleIntegral), so that
// the closed form loses at most some 2 kThinRatio rounding units.
const double kThinRatio = 32;

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

// The part of thinTriangleIntegral between the base and one roof edge: with
// s = u - u_x along the base (x at s = 0 and height v) and the roof edge's
// line at height rho + beta s over it, for s from s1 to s2,
//   D = int [log(s^2 + v^2) - log(s^2 + (v - rho - beta s)^2)] ds,
// a small difference (the edge lies within h of the base, |v| >= 32 h). Far
// from the piece (4 of its lengths) by the 8-point Gauss rule of the
// integrand as log1p of a small quantity, r (r - 2 v) / (s^2 + v^2) with r
// the roof's height; nearer in closed form, as 2 Re of
//   int [log(s - a) - log(s - c)] ds = [(s - a) log(1 + (c - a)/(s - c)) + (c - a) log(s - c)],
// a = i v, c = i (v - rho) / (1 + i beta), less log(1 + beta^2) (s2 - s1):
// c - a = (v beta - i rho) / (1 + i beta) is small against s - c there
// (|rho| <= 5 h and |beta| <= 1/8), so no term is much larger than D, and
// s - a and s - c keep their half plane (the logarithms need no branch
// but the principal one).
double roofPiece(double v, double rho, double beta, double s1, double s2, double r1, double r2) {
  const double ds = s2 - s1;
  if (!(ds > 0)) return 0;
  const double gap = s1 > 0 ? s1 : s2 < 0 ? -s2 : 0.0;
  if (gap * gap + v * v >= 16 * ds * ds) {
    const double* P = gaussPoints(8);
    const double* W = gaussWeights(8);
    double sum = 0;
    for (int k = 0; k < 8; ++k) {
      const double f = 0.5 * (P[k] + 1);
      const double s = s1 + f * ds, r = r1 + f * (r2 - r1);
      sum += W[k] * std::log1p(r * (r - 2 * v) / (s * s + v * v));
    }
    return -0.5 * ds * sum;
  }
  using C = std::complex<double>;
  const C a(0, v), onePlus(1, beta);
  const C c = C(0, v - rho) / onePlus, cma = C(v * beta, -rho) / onePlus;
  // log(1 + z) for a small z: log|1 + z| from log1p of 2 Re z + |z|^2.
  auto log1pc = [](const C& z) {
    return C(0.5 * std::log1p(2 * z.real() + std::norm(z)), std::atan2(z.imag(), 1 + z.real()));
  };
  auto E = [&](double s) { return (s - a) * log1pc(cma / (s - c)) + cma * std::log(s - c); };
  return 2 * (E(s2) - E(s1)).real() - std::log1p(beta * beta) * ds;
}

// The integral over a thin triangle of log|x - y| dy from a point at height
// |v| >= kThinRatio h over the base, in the base's frame: base A -> B of
// length L along t, apex C at height h (n the unit normal toward it), u_x the
// abscissa of x and x' = A + u_x t its foot on the base's line. The closed
// form (edgeSum) is (1/4) sum_e delta_e (J_e - L_e), J_e the integral of
// log|x - y|^2 along edge e, delta_e = (y - x).n_e on it (n_e outward). With
// delta_e(x) = delta_e(x') - v (n.n_e), delta_base(x') = 0 and the roof
// edges' projections adding up to the base, it is
//   4 I = v D + sum_{roof} delta_e(x') (J_e - L_e),
//   D = int_0^L [log|x - (u, 0)|^2 - log|x - (u, r(u))|^2] du,
// r the roof's height over the base. delta_e(x') = h u_x / |AC| and
// h (L - u_x) / |CB| are of the size of h (their terms cancel by at most
// |u_x| / L beyond the base's ends), and D, the difference between the base
// and the roof seen from x, comes from roofPiece without forming either: no
// term is larger than the area by more than a few.
double thinTriangleIntegral(const Segment* edges, int base, double h, double x1, double x2) {
  const Segment& AB = edges[base];
  const Segment& BC = edges[(base + 1) % 3];
  const Segment& CA = edges[(base + 2) % 3];
  const double* A = AB.A;
  const double* B = AB.B;
  const double* C = BC.B;
  // The normal toward the apex and the frame's coordinates, from differences.
  const double side = (C[0] - A[0]) * AB.n[0] + (C[1] - A[1]) * AB.n[1] > 0 ? 1.0 : -1.0;
  const double up[2] = {side * AB.n[0], side * AB.n[1]};
  const double ax = A[0] - x1, ay = A[1] - x2;
  const double v = -(ax * up[0] + ay * up[1]);
  const double sA = ax * AB.t[0] + ay * AB.t[1];
  const double sB = (B[0] - x1) * AB.t[0] + (B[1] - x2) * AB.t[1];
  const double sC = (C[0] - x1) * AB.t[0] + (C[1] - x2) * AB.t[1];
  const double uC = (C[0] - A[0]) * AB.t[0] + (C[1] - A[1]) * AB.t[1];
  const double uCB = (B[0] - C[0]) * AB.t[0] + (B[1] - C[1]) * AB.t[1];
  const double ux = -sA;
  double D = 0;
  if (uC > 0) D += roofPiece(v, h * ux / uC, h / uC, sA, sC, 0, h);
  if (uCB > 0) D += roofPiece(v, h * sB / uCB, -h / uCB, sC, sB, h, 0);
  const double roof = (h * ux / CA.L) * (logIntegral(CA, viewFrom(CA, x1, x2)) - CA.L) +
                      (h * sB / BC.L) * (logIntegral(BC, viewFrom(BC, x1, x2)) - BC.L);
  return 0.25 * (v * D + roof);
}

struct DomContext {
  const std::vector<Segment>* edges;  // 3 per triangle
  const std::vector<int>* base;       // the longest edge of each
  const std::vector<double>* height;  // over it
  const double* f;
};

// f_T times the integral over triangle j in the base's frame, for a point
// that the lanes send there (a thin triangle seen from kThinRatio heights
// over its base).
double domPair(void* context, std::ptrdiff_t j, double x1, double x2) {
  const DomContext& c = *static_cast<const DomContext*>(context);
  return thinTriangleIntegral(c.edges->data() + 3 * j, (*c.base)[static_cast<size_t>(j)],
                              (*c.height)[static_cast<size_t>(j)], x1, x2) *
         c.f[j];
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
  std::vector<int> base;       // the longest edge (0, 1 or 2) and the height over it
  std::vector<double> height;
  std::vector<double> cx, cy, R2, area, f, from2, cr, ci;
  std::vector<double> baseX, baseY, upX, upY, thinFrom;  // see FieldTriangles
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
    t.baseX = baseX.data();
    t.baseY = baseY.data();
    t.upX = upX.data();
    t.upY = upY.data();
    t.thinFrom = thinFrom.data();
    t.anyThin = false;
    for (std::ptrdiff_t j = 0; j < n; ++j) t.anyThin = t.anyThin || thinFrom[j] < kInfinity;
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
  for (std::vector<double>* v : {&a.cx, &a.cy, &a.R2, &a.area, &a.f, &a.from2, &a.sign,
                                 &a.baseX, &a.baseY, &a.upX, &a.upY, &a.thinFrom}) {
    v->assign(rows, 0.0);
  }
  a.base.assign(static_cast<size_t>(nTs), 0);
  a.height.assign(static_cast<size_t>(nTs), 0.0);
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
    // A thin triangle (see kThinRatio) goes to thinTriangleIntegral from
    // kThinRatio heights over its base on.
    int k0 = 0;
    for (int k = 1; k < 3; ++k) {
      if (a.edges[3 * j + k].L > a.edges[3 * j + k0].L) k0 = k;
    }
    const Segment& base = a.edges[3 * j + k0];
    const double* apex = a.edges[3 * j + (k0 + 2) % 3].A;
    const double h = A > 0 ? 2 * A / base.L : 0.0;
    const double side =
        (apex[0] - base.A[0]) * base.n[0] + (apex[1] - base.A[1]) * base.n[1] > 0 ? 1.0 : -1.0;
    a.base[j] = k0;
    a.height[j] = h;
    a.baseX[j] = base.A[0];
    a.baseY[j] = base.A[1];
    a.upX[j] = side * base.n[0];
    a.upY[j] = side * base.n[1];
    a.thinFrom[j] = A > 0 && 4 * h < std::sqrt(r2) ? kThinRatio * h
                                                  : std::numeric_limits<double>::infinity();
    momentCoefficients(P, c, A, a.cr.data() + j, a.ci.data() + j, static_cast<std::ptrdiff_t>(rows));
  }
  return a;
}

}  // namespace

bool domfieldKernel(const TriangleMesh& mesh, const double* f, const Points& x, double* out,
                    const RunOptions& options) {
  const TriangleArrays a = triangleArrays(mesh, f);
  const FieldTriangles t = a.view(mesh.triangleCount);
  const FieldLanes& lanes = fieldLanes(options.lanes);
  DomContext context = {&a.edges, &a.base, &a.height, f};
  // The points at the mesh's reference scale (core/mesh.h). With s =
  // 2^scale, distances scale by s and areas by s^2, so
  //   out(s x) = s^2 (out(x) - (log s / (2 pi)) sum_T f_T |T|);
  // the difference rounds relative to the larger of its terms, as the
  // potential at the caller's scale, whose every term carries log s, would.
  const int scale = mesh.scaleExponent;
  double mass = 0;
  if (scale != 0) {
    for (std::ptrdiff_t j = 0; j < mesh.triangleCount; ++j) mass += f[j] * a.area[j];
  }
  const double logTerm = scaleLogOverTwoPi(scale) * mass;
  // domPair only reads the context, which the threads share.
  return forEachPoint(x, scale, mesh.triangleCount, options,
                      [&](std::ptrdiff_t i, double x1, double x2) {
                        // G = -(1/(2 pi)) log|x - y|.
                        out[i] = lanes.dom(t, x1, x2, domPair, &context) / (-kTwoPi);
                        if (scale != 0) out[i] = std::ldexp(out[i] - logTerm, 2 * scale);
                      });
}
