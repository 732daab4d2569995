#include "moments.h"

#include <cmath>
#include <cstdlib>

#include "segment.h"

namespace {

// The element as a segment seen from the origin: y(s) - x = d + s h, so its
// ends relative to the point are d - h (s = -1) and d + h (s = 1).
struct MomentFrame {
  Segment seg;
  SegmentView view;
};

MomentFrame momentFrame(const double* h, const double* d) {
  MomentFrame m;
  m.seg = segmentOf(d[0] - h[0], d[1] - h[1], d[0] + h[0], d[1] + h[1]);
  m.view = viewFrom(m.seg, 0, 0);
  return m;
}

// r2 log r2, with its limit 0 at r2 = 0.
double r2Log(double r2) { return r2 == 0 ? 0.0 : r2 * std::log(r2); }

}  // namespace

void slpMomentsInto(int K, const double* h, const double* d, double* out) {
  const MomentFrame fr = momentFrame(h, d);
  const Segment& seg = fr.seg;
  const SegmentView& v = fr.view;
  const double L = seg.L;
  const double e = d[0] * d[0] + d[1] * d[1];
  if (L == 0) {
    // A degenerate element is the point mid: log|d|^2 s^k over [-1, 1].
    for (int k = 0; k <= K; ++k) out[k] = (k % 2 == 0) ? std::log(e) * 2 / (k + 1) : 0.0;
    return;
  }
  // In the element's frame, s = (u - uMid)/(L/2) and ds = (2/L) du.
  const double S = logIntegral(seg, v);
  out[0] = S * 2 / L;
  if (K < 1) return;
  // I_k for k >= 1 by the recurrence from integrating s^(k-1) (2 f s + b) log(...),
  // with f = |h|^2, b = 2 d.h and the end values m = |d + h|^2, o = |d - h|^2
  // taken directly from the end vectors (m log m and o log o vanish at m = 0 and
  // o = 0).
  const double f = h[0] * h[0] + h[1] * h[1];
  const double b = (d[0] * h[0] + d[1] * h[1]) * 2;
  const double mLog = r2Log(v.rB2), oLog = r2Log(v.rA2);
  out[1] = (mLog - oLog - (out[0] + 2) * b) / (f * 2);
  for (int k = 2; k <= K; ++k) {
    double w;
    if (k % 2 == 0) {
      w = mLog + oLog - 4 * f / (k + 1);
    } else {
      w = mLog - oLog - 2 * b / k;
    }
    out[k] = (w - ((k - 1) * e * out[k - 2] + k * b * out[k - 1])) / ((k + 1) * f);
  }
}

double* slpMoments(int K, const double* h, const double* d) {
  if (K < 0) K = 0;
  double* out = static_cast<double*>(std::malloc(sizeof(double) * (static_cast<size_t>(K) + 1)));
  if (out != nullptr) slpMomentsInto(K, h, d, out);
  return out;
}

double slpMoment(int k, const double* h, const double* d) {
  if (k < 0) k = 0;
  // Small orders, which is every use in the toolkit, stay on the stack.
  double local[8];
  if (k < 8) {
    slpMomentsInto(k, h, d, local);
    return local[k];
  }
  double* all = slpMoments(k, h, d);
  if (all == nullptr) return std::nan("");
  const double v = all[k];
  std::free(all);
  return v;
}

double dlpMoment(int k, const double* h, const double* d) {
  const MomentFrame fr = momentFrame(h, d);
  const Segment& seg = fr.seg;
  const SegmentView& v = fr.view;
  const double L = seg.L;
  // In the element's frame J_0 = (2/L) int du / (u^2 + delta^2) = (2/L) theta / |delta|
  // off the line (theta the angle under which the element is seen); on the
  // line (2/L) (1/uA - 1/uB) = 2 / (uA uB): the integral outside the element,
  // its Hadamard finite part on it, infinite at an end.
  if (L == 0) {
    // A degenerate element is the point mid: 2/|d|^2, and 0/0 beyond.
    const double e = d[0] * d[0] + d[1] * d[1];
    return k <= 0 ? 2 / e : std::nan("");
  }
  const double J0 = v.delta != 0 ? subtendedAngle(seg, v) / std::fabs(v.delta) * 2 / L
                                 : 2 / (v.uA * v.uB);
  if (k <= 0) return J0;

  // J_1 = (4/L^2) [(1/2) log(|d + h|^2 / |d - h|^2) - uMid (L/2) J_0].
  const double uMid = 0.5 * (v.uA + v.uB);
  const double J1 = (0.5 * logRatio(seg, v) - uMid * 0.5 * L * J0) * 4 / (L * L);
  if (k != 2) return J1;

  // s^2 f = (f s^2 + b s + e) - b s - e.
  const double f = h[0] * h[0] + h[1] * h[1];
  const double b = (d[0] * h[0] + d[1] * h[1]) * 2;
  const double e = d[0] * d[0] + d[1] * d[1];
  return ((2 - J1 * b) - J0 * e) / f;
}
