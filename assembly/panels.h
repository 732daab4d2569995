// The outer integral of an element pair: the integral over segment Q of a
// closed-form integral over segment P, by 16-point Gauss-Legendre panels
// refined toward the singularities of the integrand.
//
// A single- or double-layer potential of P (with a linear density) is
// analytic along Q except near the ends of P: its continuation from either
// side of P extends across P itself. Q is therefore split where it crosses P,
// and its panels are halved until each lies at least its own length from both
// ends of P (their images in the complex parameter of Q), where the 16-point
// rule errs by less than 1e-19 relative (Bernstein ellipse of parameter
// 2 + sqrt 5); but no further than 2^-kPanelDepth of Q's length, where a
// log-type singularity, or the step that a double layer takes at an end of P
// lying on Q, contributes below rounding (a step at 2^-30 did not: an element
// ending 1e-12 lengths from Q's interior lost 4e-5 of its entry).
#pragma once

#include <cmath>

#include "quadrature.h"
#include "segment.h"

constexpr int kPanelDepth = 60;

namespace panels {

// A singularity of the integrand in the parameter tau of Q: real part tau,
// distance from the real axis d (an end of P seen in the frame of Q).
struct Singularity {
  double tau, d;
};

// Adds to total[0..N-1] the integrals over tau in [lo, hi] of
// f(y) (N values, y = Q.A + tau (Q.B - Q.A)), with respect to tau.
template <int N, class F>
void panelIntegral(const Segment& Q, double lo, double hi, const Singularity* sing, F& f,
                   double* total) {
  const double* gp = gaussPoints(16);
  const double* gw = gaussWeights(16);
  struct Panel {
    double lo, hi;
    int depth;
  };
  Panel stack[2 * kPanelDepth + 4];
  int top = 0;
  stack[top++] = {lo, hi, 0};
  while (top > 0) {
    const Panel p = stack[--top];
    const double len = p.hi - p.lo;
    bool refine = false;
    if (p.depth < kPanelDepth) {
      for (int k = 0; k < 2; ++k) {
        const double gap = std::fmax(0.0, std::fmax(p.lo - sing[k].tau, sing[k].tau - p.hi));
        if (gap * gap + sing[k].d * sing[k].d < len * len) refine = true;
      }
    }
    if (refine) {
      const double mid = p.lo + 0.5 * len;
      stack[top++] = {p.lo, mid, p.depth + 1};
      stack[top++] = {mid, p.hi, p.depth + 1};
      continue;
    }
    double sum[N] = {};
    for (int k = 0; k < 16; ++k) {
      const double tau = p.lo + 0.5 * len * (gp[k] + 1);
      double v[N];
      f(Q.A[0] + tau * (Q.B[0] - Q.A[0]), Q.A[1] + tau * (Q.B[1] - Q.A[1]), v);
      for (int n = 0; n < N; ++n) sum[n] += gw[k] * v[n];
    }
    for (int n = 0; n < N; ++n) total[n] += 0.5 * len * sum[n];
  }
}

}  // namespace panels

// total[0..N-1] = the integrals over Q (in arc length) of f(y), f the
// closed-form integral over P of some kernel, seen from the point y of Q.
// Zero when either segment has zero length.
template <int N, class F>
void outerIntegral(const Segment& P, const Segment& Qs, F f, double* total) {
  for (int n = 0; n < N; ++n) total[n] = 0;
  if (P.L == 0 || Qs.L == 0) return;
  panels::Singularity sing[2];
  for (int k = 0; k < 2; ++k) {
    const double* E = k == 0 ? P.A : P.B;
    const SegmentView v = viewFrom(Qs, E[0], E[1]);
    sing[k].tau = -v.uA / Qs.L;
    sing[k].d = std::fabs(v.delta) / Qs.L;
  }
  // Signed distances of the ends of Q from the line of P; where they differ in
  // sign and the crossing lies on P, split there (the difference does not
  // cancel: the two have opposite signs).
  const double d0 = viewFrom(P, Qs.A[0], Qs.A[1]).delta, d1 = viewFrom(P, Qs.B[0], Qs.B[1]).delta;
  bool split = false;
  double tauX = 0;
  if ((d0 < 0 && d1 > 0) || (d0 > 0 && d1 < 0)) {
    tauX = d0 / (d0 - d1);
    const SegmentView vx =
        viewFrom(P, Qs.A[0] + tauX * (Qs.B[0] - Qs.A[0]), Qs.A[1] + tauX * (Qs.B[1] - Qs.A[1]));
    split = vx.uA <= 0 && vx.uB >= 0;
  }
  if (split) {
    panels::panelIntegral<N>(Qs, 0, tauX, sing, f, total);
    panels::panelIntegral<N>(Qs, tauX, 1, sing, f, total);
  } else {
    panels::panelIntegral<N>(Qs, 0, 1, sing, f, total);
  }
  for (int n = 0; n < N; ++n) total[n] *= Qs.L;
}
