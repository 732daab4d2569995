#include "slp_pair.h"

#include <cmath>

#include "geometry.h"
#include "moments.h"
#include "quadrature.h"

// The closed-form moments I_k = int_{-1}^{1} s^k log|d + s h|^2 ds come from
// slpMomentsInto, which writes into a local array and allocates nothing; it
// gives the same numbers as slpMoments, whose array would be freed at once.

namespace {

const double kPi = 3.141592653589793;

// Squared length with the y difference first, as the admissibility rule and
// the entry scaling take it.
double squaredLengthYX(const double* S) {
  const double dy = S[3] - S[1], dx = S[2] - S[0];
  return dy * dy + dx * dx;
}

// I_0 along the element with half-vector h, seen from relative vector d.
double moment0(const double* h, const double* d) {
  double I[1];
  slpMomentsInto(0, h, d, I);
  return I[0];
}

// I_1 of the same.
double moment1(const double* h, const double* d) {
  double I[2];
  slpMomentsInto(1, h, d, I);
  return I[1];
}

}  // namespace

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

double segmentDistance(const double* P, const double* Q) {
  const double ex = P[0] - Q[0], ey = P[1] - Q[1];
  double r = std::sqrt(ex * ex + ey * ey);
  // Touching or crossing: the end points of each segment do not lie strictly
  // on one side of the other (0 counts as touching).
  if (ccw(P[0], P[1], P[2], P[3], Q[0], Q[1]) * ccw(P[0], P[1], P[2], P[3], Q[2], Q[3]) <= 0 &&
      ccw(Q[0], Q[1], Q[2], Q[3], P[0], P[1]) * ccw(Q[0], Q[1], Q[2], Q[3], P[2], P[3]) <= 0) {
    return 0;
  }
  // Otherwise the nearest points include an end point. A later candidate that
  // exceeds the running value by at most 1e-12 still replaces it.
  const double candidates[3] = {
      pointSegmentDistance(P[0], P[1], Q[0], Q[1], Q[2], Q[3]),
      pointSegmentDistance(P[2], P[3], Q[0], Q[1], Q[2], Q[3]),
      pointSegmentDistance(Q[0], Q[1], P[0], P[1], P[2], P[3]),
  };
  for (double c : candidates) {
    if (c - r <= 1e-12) r = c;
  }
  const double c = pointSegmentDistance(Q[2], Q[3], P[0], P[1], P[2], P[3]);
  return (c - r <= 1e-12) ? c : r;
}

double slpPairQuadrature(const double* P, const double* Q) {
  const double* t = gaussPoints(16);
  const double* w = gaussWeights(16);
  // With the reversed half-vector kP and d = y - mP, |d + s kP| = |y - x(s)|,
  // so I_0(kP, d) is the integral of log|x(s) - y|^2 over P in s.
  const double kP[2] = {(P[0] - P[2]) * 0.5, (P[1] - P[3]) * 0.5};
  const double mP[2] = {(P[2] + P[0]) * 0.5, (P[3] + P[1]) * 0.5};
  double acc = 0;
  for (int k = 0; k < 16; ++k) {
    // The point of Q at parameter t_k (t = -1 at q1, t = +1 at q2).
    const double d[2] = {((1 + t[k]) * Q[2] + (1 - t[k]) * Q[0]) * 0.5 - mP[0],
                         ((1 + t[k]) * Q[3] + (1 - t[k]) * Q[1]) * 0.5 - mP[1]};
    acc = w[k] * moment0(kP, d) + acc;
  }
  return acc * (-0.0625) / kPi;
}

double slpPairAnalytic(const double* P, const double* Q) {
  const double hP[2] = {(P[2] - P[0]) * 0.5, (P[3] - P[1]) * 0.5};
  const double kQ[2] = {(Q[0] - Q[2]) * 0.5, (Q[1] - Q[3]) * 0.5};
  // D = mP - mQ; x(s) - y(t) = D + s hP + t kQ over the square, with kQ the
  // reversed half-vector of Q (the square is symmetric in t).
  const double D[2] = {(((P[2] + P[0]) - Q[0]) - Q[2]) * 0.5,
                       (((P[1] + P[3]) - Q[1]) - Q[3]) * 0.5};
  const double d1[2] = {D[0] + hP[0], D[1] + hP[1]};  // p2 - mQ
  const double d2[2] = {D[0] - hP[0], D[1] - hP[1]};  // p1 - mQ
  const double d3[2] = {D[0] + kQ[0], D[1] + kQ[1]};  // mP - q2
  const double d4[2] = {D[0] - kQ[0], D[1] - kQ[1]};  // mP - q1
  const double cross = hP[0] * kQ[1] - hP[1] * kQ[0];

  const double qx = Q[2] - Q[0], qy = Q[3] - Q[1];
  const double LQ2 = qx * qx + qy * qy;
  const double LP2 = squaredLengthYX(P);
  if (1e-12 * std::sqrt(LQ2 * LP2) >= std::fabs(cross)) {
    // Parallel (collinear and identical included): kQ = lambda hP, and
    // integrating by parts in t gives
    //   int int log|D + s hP + t kQ|^2 = I3 + I4 + lambda (I1 - I2),
    // the ratio taken from the larger component of hP.
    const double lambda = (std::fabs(hP[1]) <= std::fabs(hP[0])) ? kQ[0] / hP[0] : kQ[1] / hP[1];
    const double I1 = moment1(kQ, d2);
    const double I2 = moment1(kQ, d1);
    const double I3 = moment0(hP, d3);
    const double I4 = moment0(hP, d4);
    return ((((I1 - I2) * lambda) + I3) + I4) * 0.5 * (-0.125) / kPi;
  }
  // General position: D = alpha hP + beta kQ. With F(s, t) =
  // log|(alpha + s) hP + (beta + t) kQ|^2 and (s + alpha, t + beta) . grad F = 2,
  // the divergence theorem turns the square into its four edges; the -8 is
  // that constant integrated over the square.
  const double alpha = (kQ[1] * D[0] - kQ[0] * D[1]) / cross;
  const double beta = (D[1] * hP[0] - D[0] * hP[1]) / cross;
  const double J1 = moment0(kQ, d1);
  const double J2 = moment0(kQ, d2);
  const double J3 = moment0(hP, d3);
  const double J4 = moment0(hP, d4);
  return (((((alpha + 1) * J1 - 8) - (alpha - 1) * J2) + (beta + 1) * J3) - (beta - 1) * J4) *
         0.25 * (-0.125) / kPi;
}

double slpPairNormalized(const double* P, const double* Q, double eta) {
  const double LP2 = squaredLengthYX(P);
  double LQ2 = squaredLengthYX(Q);
  // The longer segment first; equal lengths keep the order, so the quadrature
  // points then lie on the second argument.
  if (LP2 < LQ2) {
    const double* longer = Q;
    Q = P;
    P = longer;
    LQ2 = LP2;
  }
  if (eta == 0) return slpPairAnalytic(P, Q);
  const double dist = segmentDistance(P, Q);
  // Quadrature only when the shorter segment is small against the distance;
  // touching pairs (dist = 0) stay closed-form for eta >= 0, a NaN eta fails
  // the comparison and takes the closed form, a negative one always passes.
  if (eta * std::sqrt(LQ2) < dist) return slpPairQuadrature(P, Q);
  return slpPairAnalytic(P, Q);
}

double slpPairEntry(const double* P, const double* Q, double eta) {
  // The two lengths are those of the segments as passed.
  return std::sqrt(squaredLengthYX(Q) * squaredLengthYX(P)) * slpPairNormalized(P, Q, eta);
}
