#include "segment.h"

#include <cmath>
#include <limits>

#include "constants.h"

namespace {

// u log r2 from the logarithm, with its limit 0 at u = 0 (where r2 may be 0
// too: the point at an end).
double uLog(double u, double logR2) { return u == 0 ? 0.0 : u * logR2; }

// Both ends at least 64 lengths from the point, where logIntegral takes the
// end terms in product form (field_lanes.inc compares alike).
bool endsFarAway(const Segment& s, double rA2, double rB2) {
  const double reach = 64 * s.L;
  return std::fmin(rA2, rB2) >= reach * reach;
}

// The value at the foot of the point (u = 0) of the linear function with end
// values gA at uA and gB at uB, times L: gA uB - gB uA, written from the nearer
// end so that equal end values cancel exactly however far the foot lies.
double footValueTimesLength(const Segment& s, const SegmentView& v, double gA, double gB) {
  if (std::fabs(v.uA) <= std::fabs(v.uB)) return gA * s.L + (gA - gB) * v.uA;
  return gB * s.L + (gA - gB) * v.uB;
}

}  // namespace

Segment segmentOf(double a1, double a2, double b1, double b2) {
  Segment s;
  s.A[0] = a1;
  s.A[1] = a2;
  s.B[0] = b1;
  s.B[1] = b2;
  const double d1 = b1 - a1, d2 = b2 - a2;
  s.L = std::sqrt(d1 * d1 + d2 * d2);
  if (s.L > 0) {
    s.t[0] = d1 / s.L;
    s.t[1] = d2 / s.L;
  } else {
    s.t[0] = 0;
    s.t[1] = 0;
  }
  s.n[0] = s.t[1];
  s.n[1] = -s.t[0];
  return s;
}

SegmentView viewFrom(const Segment& s, double x1, double x2) {
  SegmentView v;
  v.a[0] = s.A[0] - x1;
  v.a[1] = s.A[1] - x2;
  v.b[0] = s.B[0] - x1;
  v.b[1] = s.B[1] - x2;
  v.rA2 = v.a[0] * v.a[0] + v.a[1] * v.a[1];
  v.rB2 = v.b[0] * v.b[0] + v.b[1] * v.b[1];
  v.uA = v.a[0] * s.t[0] + v.a[1] * s.t[1];
  v.uB = v.b[0] * s.t[0] + v.b[1] * s.t[1];
  // From the nearer end: its rounding error is the smaller.
  const double* e = v.rA2 <= v.rB2 ? v.a : v.b;
  v.delta = e[0] * s.n[0] + e[1] * s.n[1];
  return v;
}

double viewDistance(const SegmentView& v) {
  if (v.uA >= 0) return std::sqrt(v.rA2);
  if (v.uB <= 0) return std::sqrt(v.rB2);
  return std::fabs(v.delta);
}

double onLineTolerance(const Segment& s, double x1, double x2) {
  const double scale = std::fmax(std::fabs(x1), std::fabs(x2));
  return 1e-12 * s.L + 8 * std::numeric_limits<double>::epsilon() * scale;
}

bool onSegment(const Segment& s, const SegmentView& v, double tol) {
  return s.L > 0 && std::fabs(v.delta) <= tol && v.uA <= tol && v.uB >= -tol;
}

double subtendedAngle(const Segment& s, const SegmentView& v) {
  // The angle between a and b, from |a x b| = |delta| L and a.b: the
  // arctangent of their quotient, taken on the side of a.b, keeps full
  // relative accuracy near 0 and near pi (as atan2 would, at a lower cost).
  const double cross = std::fabs(v.delta) * s.L;
  const double dot = v.a[0] * v.b[0] + v.a[1] * v.b[1];
  if (dot > 0) return std::atan(cross / dot);
  if (dot < 0) return kPi - std::atan(cross / -dot);
  return cross > 0 ? kHalfPi : 0.0;
}

double logRatio(const Segment& s, const SegmentView& v) {
  // rB2 - rA2 = (b - a).(b + a) = L (uA + uB), without the cancellation of the
  // difference of the squares; log1p keeps it when the ratio is near 1.
  const double diff = s.L * (v.uA + v.uB);
  if (std::fabs(diff) <= 0.5 * v.rA2) return std::log1p(diff / v.rA2);
  return std::log(v.rB2 / v.rA2);
}

double logIntegral(const Segment& s, const SegmentView& v) {
  return logIntegralFromLogs(s, v, v.rA2 > 0 ? std::log(v.rA2) : 0.0,
                             v.rB2 > 0 ? std::log(v.rB2) : 0.0);
}

double logIntegralFromLogs(const Segment& s, const SegmentView& v, double logA, double logB) {
  if (s.L == 0) return 0;
  // int log(u^2 + delta^2) du = u log(u^2 + delta^2) - 2u + 2 delta atan(u/delta),
  // the arctangents adding up to the angle under which the element is seen.
  double ends;
  if (v.uA * v.uB > 0 || endsFarAway(s, v.rA2, v.rB2)) {
    // Foot outside the element, or both ends far: uB log rB2 - uA log rA2 =
    // uB log(rB2/rA2) + L log rA2, which does not cancel as the point moves
    // away; log(rB2/rA2) from log1p of L (uA + uB) / rA2 where the ratio is
    // near 1. (With the foot on a far element, uA and uB, dot products with
    // the ends' vectors, carry errors of eps |a| each, which the direct form
    // below would multiply by log rA2: of eps |a| / L against the result.)
    const double diff = s.L * (v.uA + v.uB);
    const double ratio = std::fabs(diff) <= 0.5 * v.rA2 ? std::log1p(diff / v.rA2) : logB - logA;
    ends = v.uB * ratio + s.L * logA;
  } else {
    // Foot on the element, an end within 64 L: both terms have the sign of
    // their logarithm.
    ends = uLog(v.uB, logB) - uLog(v.uA, logA);
  }
  return ends - 2 * s.L + 2 * std::fabs(v.delta) * subtendedAngle(s, v);
}

double doubleLayerIntegral(const Segment& s, const SegmentView& v, double gA, double gB) {
  if (s.L == 0 || v.delta == 0) return 0;
  // delta / (u^2 + delta^2) integrates to the signed angle, delta u / (u^2 + delta^2)
  // to delta log(|b| / |a|); g = g(foot) + u (gB - gA)/L.
  const double angle = v.delta > 0 ? subtendedAngle(s, v) : -subtendedAngle(s, v);
  return (footValueTimesLength(s, v, gA, gB) * angle + (gB - gA) * v.delta * 0.5 * logRatio(s, v)) /
         s.L;
}

void doubleLayerHats(const Segment& s, const SegmentView& v, double out[2]) {
  if (s.L == 0 || v.delta == 0) {
    out[0] = out[1] = 0;
    return;
  }
  const double angle = v.delta > 0 ? subtendedAngle(s, v) : -subtendedAngle(s, v);
  const double dl = v.delta * 0.5 * logRatio(s, v);
  // g = 1 - (u - uA)/L and (u - uA)/L: g(foot) L = uB and -uA.
  out[0] = (v.uB * angle - dl) / s.L;
  out[1] = (dl - v.uA * angle) / s.L;
}

double adjointDoubleLayerIntegral(const Segment& s, const SegmentView& v, double q1, double q2) {
  if (s.L == 0) return 0;
  // (x - y).q = -u (t.q) - delta (n.q).
  const double tq = s.t[0] * q1 + s.t[1] * q2;
  const double nq = s.n[0] * q1 + s.n[1] * q2;
  double angle = 0;
  if (v.delta != 0) angle = v.delta > 0 ? subtendedAngle(s, v) : -subtendedAngle(s, v);
  return -tq * 0.5 * logRatio(s, v) - nq * angle;
}

double hypersingularIntegral(const Segment& s, const SegmentView& v, double q1, double q2,
                             double gA, double gB) {
  if (s.L == 0) return 0;
  const double tq = s.t[0] * q1 + s.t[1] * q2;
  const double nq = s.n[0] * q1 + s.n[1] * q2;
  const double d = v.delta;
  // K = (n.q)(u^2 - delta^2)/r^4 - 2 delta u (t.q)/r^4 with r^2 = u^2 + delta^2:
  //   int K du   = [((t.q) delta - (n.q) u) / r^2],
  //   int u K du = [(n.q)(log r + delta^2/r^2) - (t.q)(atan(u/delta) - delta u/r^2)].
  // The differences between the ends are taken in product form,
  //   1/rB2 - 1/rA2 = -L (uA + uB)/P and uB/rB2 - uA/rA2 = L (delta^2 - uA uB)/P,
  // with P = rA2 rB2, so they do not cancel.
  const double P = v.rA2 * v.rB2;
  const double sumU = v.uA + v.uB;
  const double cross = d * d - v.uA * v.uB;
  const double K0 = -s.L * (tq * d * sumU + nq * cross) / P;
  double angle = 0;
  if (d != 0) angle = d > 0 ? subtendedAngle(s, v) : -subtendedAngle(s, v);
  const double K1 = nq * (0.5 * logRatio(s, v) - d * d * s.L * sumU / P) -
                    tq * (angle - d * s.L * cross / P);
  return (footValueTimesLength(s, v, gA, gB) * K0 + (gB - gA) * K1) / s.L;
}

double finitePartIntegral(const Segment& s, const SegmentView& v, double gA, double gB) {
  if (s.L == 0) return 0;
  // With x at u = 0 between uA = -|a| and uB = |b|:
  //   f.p. int g/u^2 du = -g(0) L / (|a| |b|) + (gB - gA)/L log(|b| / |a|),
  // g(0) = (gA |b| + gB |a|) / L; 1/|a| + 1/|b| = L / (|a| |b|) without a difference.
  const double rA = std::sqrt(v.rA2), rB = std::sqrt(v.rB2);
  const double g0 = (gA * rB + gB * rA) / s.L;
  return -g0 * s.L / (rA * rB) + (gB - gA) / s.L * 0.5 * std::log(v.rB2 / v.rA2);
}
