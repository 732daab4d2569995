// Independent reference quadrature for the unit tests: adaptive Simpson in
// long double. It shares no code with the library, so an error in the tables
// or closed forms cannot cancel out in a comparison.
#pragma once

#include <cmath>

namespace reference {

template <class F>
long double simpsonStep(const F& f, long double a, long double b, long double fa,
                        long double fm, long double fb, long double whole, long double tol,
                        int depth) {
  const long double m = (a + b) / 2, lm = (a + m) / 2, rm = (m + b) / 2;
  const long double flm = f(lm), frm = f(rm);
  const long double left = (m - a) / 6 * (fa + 4 * flm + fm);
  const long double right = (b - m) / 6 * (fm + 4 * frm + fb);
  const long double diff = left + right - whole;
  if (depth <= 0 || std::fabs(diff) <= 15 * tol) return left + right + diff / 15;
  return simpsonStep(f, a, m, fa, flm, fm, left, tol / 2, depth - 1) +
         simpsonStep(f, m, b, fm, frm, fb, right, tol / 2, depth - 1);
}

// Integral of f over [a, b] to an absolute tolerance tol (f smooth on [a, b]).
template <class F>
double integrate(const F& f, double a, double b, double tol = 1e-15) {
  const long double fa = f((long double)a), fb = f((long double)b);
  const long double m = ((long double)a + b) / 2, fm = f(m);
  const long double whole = ((long double)b - a) / 6 * (fa + 4 * fm + fb);
  return (double)simpsonStep(f, (long double)a, (long double)b, fa, fm, fb, whole,
                             (long double)tol, 40);
}

// Double integral over [a, b] x [c, d] by nesting the one-dimensional rule.
template <class F>
double integrate2(const F& f, double a, double b, double c, double d, double tol = 1e-13) {
  auto outer = [&](long double s) {
    return (long double)integrate([&](long double t) { return f(s, t); }, c, d, tol / 4);
  };
  return integrate(outer, a, b, tol);
}

}  // namespace reference
