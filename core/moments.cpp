#include "moments.h"

#include <cmath>
#include <cstdlib>

namespace {

const double kPi = 3.141592653589793;
const double kHalfPi = 1.5707963267948966;

// Quantities shared by both families of moments, with
// |d + s h|^2 = f s^2 + b s + e, m its value at s = 1 and o at s = -1.
struct Quadratic {
  double f, e, b, m, o, D;
};

Quadratic quadratic(const double* h, const double* d) {
  Quadratic q;
  q.f = h[0] * h[0] + h[1] * h[1];
  q.e = d[0] * d[0] + d[1] * d[1];
  q.b = (d[0] * h[0] + d[1] * h[1]) * 2;
  q.m = (q.b + q.f) + q.e;
  q.o = (q.f - q.b) + q.e;
  q.D = (q.f * 4) * q.e - q.b * q.b;
  return q;
}

}  // namespace

void slpMomentsInto(int K, const double* h, const double* d, double* out) {
  const Quadratic q = quadratic(h, d);
  const double f = q.f, e = q.e, b = q.b, m = q.m, o = q.o;
  const bool degenerate = std::fabs(h[0]) < 1e-12 && std::fabs(h[1]) < 1e-12;

  // I_0. A degenerate element is the point mid: log|d|^2 over [-1, 1].
  // D = 4 |h x d|^2 measures the distance from the line of the element; a
  // NaN H takes the arctangent branch.
  const double H = (q.D > (f * 4e-12) * e) ? std::sqrt(q.D) : 0.0;
  const double r = 2 * f + b;
  const double t = b - 2 * f;
  const double delta = f * 1e-12;
  if (degenerate) {
    out[0] = std::log(e) * 2;
  } else if (H != 0) {
    // theta is the angle under which the element is seen from the point.
    double theta;
    if (e * 1e-12 > std::fabs(e - f)) {
      theta = kHalfPi;
    } else if (e > f) {
      theta = std::atan(H / (e - f));
    } else {
      theta = std::atan(H / (e - f)) + kPi;
    }
    out[0] = ((std::log(m) * r - std::log(o) * t) * 0.5 + H * theta) / f - 4;
  } else {
    // On the line of the element: r^2 / (4f) = m and t^2 / (4f) = o; a vanishing
    // r or t contributes the limit 0 of z log z.
    double S = (std::fabs(r) > delta) ? std::log(r * 0.25 * r / f) * r : 0.0;
    if (std::fabs(t) > delta) S = S - std::log(t * 0.25 * t / f) * t;
    out[0] = S * 0.5 / f - 4;
  }
  if (K < 1) return;

  // I_1 from I_0; end-point terms m log m and o log o vanish at m = 0 or o = 0.
  if (degenerate) {
    out[1] = 0;
  } else {
    double v = -(out[0] + 2) * b;
    if (std::fabs(m) > delta) v = std::log(m) * m + v;
    if (std::fabs(o) > delta) v = v - std::log(o) * o;
    out[1] = v / (f * 2);
  }

  // I_k for k >= 2 by the recurrence from integrating s^(k-1) (2 f s + b) log(...).
  for (int k = 2; k <= K; ++k) {
    if (degenerate) {
      out[k] = (k % 2 == 0) ? std::log(e) * 2 / (k + 1) : 0.0;
      continue;
    }
    double v = (std::fabs(m) > delta) ? std::log(m) * m : 0.0;
    if (k % 2 == 0) {
      if (std::fabs(o) > delta) v = std::log(o) * o + v;
      v = v - 4 * f / (k + 1);
    } else {
      if (std::fabs(o) > delta) v = v - std::log(o) * o;
      v = v - 2 * b / k;
    }
    out[k] = (v - ((k - 1) * e * out[k - 2] + k * b * out[k - 1])) / ((k + 1) * f);
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
  const Quadratic q = quadratic(h, d);
  const double f = q.f, e = q.e, b = q.b, D = q.D;

  // J_0 = 2 theta / H off the line of the element (theta the angle under which
  // the element is seen); on the line, 2 / (e - f), exact outside the element.
  double J0;
  if (D > (f * 4e-12) * e && D != 0) {
    const double H = std::sqrt(D);
    if (std::fabs(e) * 1e-12 > std::fabs(e - f)) {
      J0 = kPi / H;
    } else if (e > f) {
      J0 = std::atan(H / (e - f)) * 2 / H;
    } else {
      J0 = (std::atan(H / (e - f)) + kPi) * 2 / H;
    }
  } else {
    J0 = 2 / (e - f);
  }
  if (k <= 0) return J0;

  // J_1 = (log m - log o - b J_0) / (2f); an end-point term is dropped when the
  // point sits at that end.
  const double delta = f * 1e-12;
  double v = -(J0 * b);
  if (q.m > delta) v = v + std::log(q.m);
  if (q.o > delta) v = v - std::log(q.o);
  const double J1 = v / (f * 2);
  if (k != 2) return J1;

  // s^2 f = (f s^2 + b s + e) - b s - e.
  return ((2 - J1 * b) - J0 * e) / f;
}
