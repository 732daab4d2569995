#include "dlp_pair.h"

#include "panels.h"
#include "segment.h"

namespace {

const double kTwoPi = 6.283185307179586;

bool samePoint(const double* p, const double* q) { return p[0] == q[0] && p[1] == q[1]; }

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
  const double a = s.L, b = t.L;
  const SegmentView fromSf = viewFrom(t, Sf[0], Sf[1]);
  double hats[2];
  doubleLayerHats(t, fromSf, hats);  // int_T k(Sf, y) phi(y) for T's two hats
  // tau = b at Tf and 0 at O; 1 = the sum of the hats.
  const double F1 = hats[0] + hats[1];
  const double G1 = b * (tStartsAtO ? hats[1] : hats[0]);
  const double* Tf = tStartsAtO ? t.B : t.A;
  const double F2 = adjointDoubleLayerIntegral(s, viewFrom(s, Tf[0], Tf[1]), t.n[0], t.n[1]);
  const double I0 = a * F1 + b * F2;
  const double far = 0.5 * (a * G1 + b * b * F2) / b;  // int int k tau / b
  const double atO = I0 - far;
  values[0] = (tStartsAtO ? atO : far) / -kTwoPi;
  values[1] = (tStartsAtO ? far : atO) / -kTwoPi;
}

}  // namespace

void dlpPairValues(const double* S, const double* T, double values[2]) {
  const Segment s = segmentOf(S[0], S[1], S[2], S[3]);
  const Segment t = segmentOf(T[0], T[1], T[2], T[3]);
  values[0] = values[1] = 0;
  if (s.L == 0 || t.L == 0) return;
  const double* S0 = S;
  const double* S1 = S + 2;
  const double* T0 = T;
  const double* T1 = T + 2;
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
      t, S, [&](double x1, double x2, double* v) { doubleLayerHats(t, viewFrom(t, x1, x2), v); },
      values);
  values[0] /= -kTwoPi;
  values[1] /= -kTwoPi;
}
