#include "dlp_pair.h"

#include <cmath>

#include "constants.h"
#include "panels.h"

namespace {

bool samePoint(const double* p, const double* q) { return p[0] == q[0] && p[1] == q[1]; }

// Seen from a point at least twice its length away, an element's closed forms
// lose digits (their leading terms cancel, by about distance / length), while
// the 16-point rule is exact to rounding there (the kernel's singularity lies
// outside the Bernstein ellipse of parameter 8). f(y, w, out) adds w times the
// integrand at y; returns false (nothing added) for a near point.
template <class F>
bool farRule(const Segment& s, const SegmentView& v, F f) {
  if (!(viewDistance(v) >= 2 * s.L)) return false;
  const double* P = gaussPoints(16);
  const double* W = gaussWeights(16);
  const double m1 = 0.5 * (s.A[0] + s.B[0]), m2 = 0.5 * (s.A[1] + s.B[1]);
  const double h1 = 0.5 * (s.B[0] - s.A[0]), h2 = 0.5 * (s.B[1] - s.A[1]);
  for (int k = 0; k < 16; ++k) f(m1 + P[k] * h1, m2 + P[k] * h2, P[k], 0.5 * s.L * W[k]);
  return true;
}

// int_s k(x, y) phi(y) ds_y for the element's two hats, k = ((y - x).n)/|y - x|^2.
void hatsFrom(const Segment& s, double x1, double x2, double out[2]) {
  const SegmentView v = viewFrom(s, x1, x2);
  out[0] = out[1] = 0;
  // (y - x).n is delta all along the element, taken from its nearer end.
  const bool far = farRule(s, v, [&](double y1, double y2, double t, double w) {
    const double r1 = y1 - x1, r2 = y2 - x2;
    const double k = w * v.delta / (r1 * r1 + r2 * r2);
    out[0] += 0.5 * (1 - t) * k;
    out[1] += 0.5 * (1 + t) * k;
  });
  if (!far) doubleLayerHats(s, v, out);
}

// int_S ((Tf - y).n_T)/|Tf - y|^2 ds_y for S and T sharing the end O, Tf the
// other end of T. Since Tf - O runs along T, the numerator is (O - y).n_T =
// -sigma (u.n_T), sigma = |y - O|, u the unit vector from O along S: taken so,
// it does not cancel when y lies close to T's line far from Tf.
double adjointFromEnd(const Segment& s, const Segment& t, const double* O, const double* Tf) {
  const SegmentView v = viewFrom(s, Tf[0], Tf[1]);
  const bool sStartsAtO = s.A[0] == O[0] && s.A[1] == O[1];
  const double u1 = sStartsAtO ? s.t[0] : -s.t[0], u2 = sStartsAtO ? s.t[1] : -s.t[1];
  const double un = u1 * t.n[0] + u2 * t.n[1];
  double sum = 0;
  const bool far = farRule(s, v, [&](double y1, double y2, double, double w) {
    const double r1 = Tf[0] - y1, r2 = Tf[1] - y2;
    const double sigma = std::hypot(y1 - O[0], y2 - O[1]);
    sum -= w * sigma * un / (r1 * r1 + r2 * r2);
  });
  return far ? sum : adjointDoubleLayerIntegral(s, v, t.n[0], t.n[1]);
}

// For S and T sharing the end O, with Sf and Tf their other ends, a = |S|,
// b = |T|: in the arc lengths (sigma, tau) from O the kernel k is homogeneous
// of degree -1, so (sigma d_sigma + tau d_tau) k = -k and, integrating by parts
// (the boundary terms at O vanish),
//   I0 = int int k = a int_T k(Sf, y) ds_y + b int_S k(x, Tf) ds_x,
// and k tau of degree 0 gives
//   I1 = int int k tau = (a int_T k(Sf, y) tau ds_y + b^2 int_S k(x, Tf) ds_x) / 2.
// The hat of Tf is tau / b, that of O is 1 - tau / b.
void touchingValues(const Segment& s, const Segment& t, const double* Sf, bool tStartsAtO,
                    double values[2]) {
  const double* O = tStartsAtO ? t.A : t.B;
  const double a = s.L, b = t.L;
  double hats[2];
  hatsFrom(t, Sf[0], Sf[1], hats);  // int_T k(Sf, y) phi(y) for T's two hats
  // tau = b at Tf and 0 at O; 1 = the sum of the hats.
  const double F1 = hats[0] + hats[1];
  const double G1 = b * (tStartsAtO ? hats[1] : hats[0]);
  const double* Tf = tStartsAtO ? t.B : t.A;
  const double F2 = adjointFromEnd(s, t, O, Tf);
  const double I0 = a * F1 + b * F2;
  const double far = 0.5 * (a * G1 + b * b * F2) / b;  // int int k tau / b
  const double atO = I0 - far;
  values[0] = (tStartsAtO ? atO : far) / -kTwoPi;
  values[1] = (tStartsAtO ? far : atO) / -kTwoPi;
}

}  // namespace

void dlpPairValues(const Segment& s, const Segment& t, double values[2]) {
  values[0] = values[1] = 0;
  if (s.L == 0 || t.L == 0) return;
  const double* S0 = s.A;
  const double* S1 = s.B;
  const double* T0 = t.A;
  const double* T1 = t.B;
  if ((samePoint(S0, T0) && samePoint(S1, T1)) || (samePoint(S0, T1) && samePoint(S1, T0))) {
    return;  // the same segment: the kernel vanishes on its own line
  }
  if (samePoint(S0, T0)) return touchingValues(s, t, S1, true, values);
  if (samePoint(S0, T1)) return touchingValues(s, t, S1, false, values);
  if (samePoint(S1, T0)) return touchingValues(s, t, S0, true, values);
  if (samePoint(S1, T1)) return touchingValues(s, t, S0, false, values);
  // The double layer of T's hats seen from x, integrated along S. Points of S
  // close to T take its one-sided value (S lies on one side of T between the
  // panel ends, which include the crossing); only a point exactly on T's line,
  // where the kernel vanishes, gets 0.
  outerIntegral<2>(
      t, s, [&](double x1, double x2, double* v) { hatsFrom(t, x1, x2, v); },
      values);
  values[0] /= -kTwoPi;
  values[1] /= -kTwoPi;
}
