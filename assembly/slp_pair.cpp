#include "slp_pair.h"

#include <cmath>

#include "constants.h"
#include "panels.h"
#include "quadrature.h"

namespace {

// Squared length with the y difference first, as the admissibility rule and
// the entry scaling take it.
double squaredLengthYX(const Segment& S) {
  const double dy = S.B[1] - S.A[1], dx = S.B[0] - S.A[0];
  return dy * dy + dx * dx;
}

bool samePoint(const double* p, const double* q) { return p[0] == q[0] && p[1] == q[1]; }

// Integral over Q of the closed-form integral of log|x - y|^2 over P.
double outerLogIntegral(const Segment& P, const Segment& Q) {
  double total;
  outerIntegral<1>(P, Q, [&](double y1, double y2, double* v) { *v = logIntegral(P, viewFrom(P, y1, y2)); },
                   &total);
  return total;
}

// Integral over P x Q of log|x - y|^2 for segments sharing the end O, with
// lengths a = |P| and b = |Q| and far ends Pf and Qf. In the arc lengths
// (sigma, tau) from O the integrand F is log|sigma p - tau q|^2 for unit vectors
// p, q, homogeneous: sigma F_sigma + tau F_tau = 2. Integrating by parts,
//   2ab = a int_Q log|Pf - y|^2 + b int_P log|x - Qf|^2 - 2 I,
// which holds at any angle between the segments (0 and pi included) and for
// identical segments.
double touchingIntegral(const double* Pf, const double* Qf, const Segment& P, const Segment& Q) {
  const double a = P.L, b = Q.L;
  const double SQ = logIntegral(Q, viewFrom(Q, Pf[0], Pf[1]));
  const double SP = logIntegral(P, viewFrom(P, Qf[0], Qf[1]));
  return (a * SQ + b * SP - 2 * a * b) * 0.5;
}

}  // namespace

double pointSegmentDistance(double x1, double x2, double a1, double a2, double b1, double b2) {
  const double D1 = b1 - a1, D2 = b2 - a2;
  const double P1 = x1 - a1, P2 = x2 - a2;
  const double L2 = D1 * D1 + D2 * D2;
  // The foot of the perpendicular lies behind a (a zero-length segment is the
  // point a), beyond b, or on the segment, where the distance is the cross
  // product over the length: no clamping threshold, so the result does not
  // depend on the unit of length. NaN input fails the first comparison and
  // gives NaN.
  const double along = P1 * D1 + P2 * D2;
  if (!(along > 0) || L2 == 0) return std::sqrt(P1 * P1 + P2 * P2);
  if (along >= L2) return std::sqrt((x1 - b1) * (x1 - b1) + (x2 - b2) * (x2 - b2));
  return std::fabs(P1 * D2 - P2 * D1) / std::sqrt(L2);
}

int ccw(double p1, double p2, double q1, double q2, double r1, double r2) {
  const double dx1 = q1 - p1, dy1 = q2 - p2;
  const double dx2 = r1 - p1, dy2 = r2 - p2;
  if (dx2 * dy1 < dx1 * dy2) return +1;
  if (dx2 * dy1 > dx1 * dy2) return -1;
  // Collinear: r behind p (a coordinate difference of opposite sign), beyond
  // q (farther from p than q), or on the closed segment.
  if (dx1 * dx2 < 0 || dy1 * dy2 < 0) return -1;
  if (dx2 * dx2 + dy2 * dy2 > dx1 * dx1 + dy1 * dy1) return +1;
  return 0;
}

double segmentDistance(const Segment& Ps, const Segment& Qs) {
  const double P[4] = {Ps.A[0], Ps.A[1], Ps.B[0], Ps.B[1]};
  const double Q[4] = {Qs.A[0], Qs.A[1], Qs.B[0], Qs.B[1]};
  const double ex = P[0] - Q[0], ey = P[1] - Q[1];
  double r = std::sqrt(ex * ex + ey * ey);
  // Touching or crossing: the end points of each segment do not lie strictly
  // on one side of the other (0 counts as touching).
  if (ccw(P[0], P[1], P[2], P[3], Q[0], Q[1]) * ccw(P[0], P[1], P[2], P[3], Q[2], Q[3]) <= 0 &&
      ccw(Q[0], Q[1], Q[2], Q[3], P[0], P[1]) * ccw(Q[0], Q[1], Q[2], Q[3], P[2], P[3]) <= 0) {
    return 0;
  }
  // Otherwise the nearest points include an end point. A later candidate that
  // exceeds the running value by at most 1e-12 of it still replaces it: the
  // slack is relative, so that the distance scales with the geometry (an
  // absolute one would let any candidate win once the segments lie within
  // 1e-12 of each other).
  const double candidates[3] = {
      pointSegmentDistance(P[0], P[1], Q[0], Q[1], Q[2], Q[3]),
      pointSegmentDistance(P[2], P[3], Q[0], Q[1], Q[2], Q[3]),
      pointSegmentDistance(Q[0], Q[1], P[0], P[1], P[2], P[3]),
  };
  for (double c : candidates) {
    if (c - r <= 1e-12 * r) r = c;
  }
  const double c = pointSegmentDistance(Q[2], Q[3], P[0], P[1], P[2], P[3]);
  return (c - r <= 1e-12 * r) ? c : r;
}

double slpPairQuadrature(const Segment& P, const Segment& Q) {
  const double LP2 = squaredLengthYX(P), LQ2 = squaredLengthYX(Q);
  if (LP2 == 0 || LQ2 == 0) return 0;
  // G = -1/(16 pi) int int over [-1, 1]^2 = -1/(4 pi |P| |Q|) int int ds_x ds_y.
  return outerLogIntegral(P, Q) * (-0.25) / (kPi * std::sqrt(LP2 * LQ2));
}

double slpPairAnalytic(const Segment& Ps, const Segment& Qs) {
  if (Ps.L == 0 || Qs.L == 0) return 0;
  double I;
  const double* P0 = Ps.A;
  const double* P1 = Ps.B;
  const double* Q0 = Qs.A;
  const double* Q1 = Qs.B;
  if (samePoint(P0, Q0)) {
    I = touchingIntegral(P1, Q1, Ps, Qs);
  } else if (samePoint(P0, Q1)) {
    I = touchingIntegral(P1, Q0, Ps, Qs);
  } else if (samePoint(P1, Q0)) {
    I = touchingIntegral(P0, Q1, Ps, Qs);
  } else if (samePoint(P1, Q1)) {
    I = touchingIntegral(P0, Q0, Ps, Qs);
  } else {
    I = outerLogIntegral(Ps, Qs);
  }
  return I * (-0.25) / (kPi * Ps.L * Qs.L);
}
double slpPairNormalized(const Segment& Pin, const Segment& Qin, double eta) {
  const Segment* P = &Pin;
  const Segment* Q = &Qin;
  const double LP2 = squaredLengthYX(*P);
  double LQ2 = squaredLengthYX(*Q);
  // The longer segment first; equal lengths keep the order, so the quadrature
  // points then lie on the second argument.
  if (LP2 < LQ2) {
    const Segment* longer = Q;
    Q = P;
    P = longer;
    LQ2 = LP2;
  }
  if (eta == 0) return slpPairAnalytic(*P, *Q);
  const double dist = segmentDistance(*P, *Q);
  // Quadrature only when the shorter segment is small against the distance;
  // touching pairs (dist = 0) stay closed-form for eta >= 0, a NaN eta fails
  // the comparison and takes the closed form, a negative one always passes.
  if (eta * std::sqrt(LQ2) < dist) return slpPairQuadrature(*P, *Q);
  return slpPairAnalytic(*P, *Q);
}

double slpPairEntry(const Segment& P, const Segment& Q, double eta) {
  // The two lengths are those of the segments as passed.
  return std::sqrt(squaredLengthYX(Q) * squaredLengthYX(P)) * slpPairNormalized(P, Q, eta);
}
