#include "geometry.h"

#include <cmath>

ElementFrame elementFrame(double a1, double a2, double b1, double b2) {
  ElementFrame f;
  f.mid[0] = (b1 + a1) * 0.5;
  f.mid[1] = (b2 + a2) * 0.5;
  f.half[0] = (b1 - a1) * 0.5;
  f.half[1] = (b2 - a2) * 0.5;
  f.length = std::sqrt((b2 - a2) * (b2 - a2) + (b1 - a1) * (b1 - a1));
  f.normal[0] = (b2 - a2) / f.length;
  f.normal[1] = (a1 - b1) / f.length;
  return f;
}

double pointSegmentDistance(double x1, double x2, double a1, double a2, double b1,
                            double b2) {
  const double D1 = b1 - a1, D2 = b2 - a2;
  const double P1 = x1 - a1, P2 = x2 - a2;
  if (std::fabs(D1) <= 1e-12 && std::fabs(D2) <= 1e-12) return std::sqrt(P1 * P1 + P2 * P2);
  // Foot of the perpendicular: t = 0 at a, t = 1 at b. NaN input fails every
  // test below and reaches the last line, so the result is NaN.
  const double t = (P2 * D2 + P1 * D1) / (D2 * D2 + D1 * D1);
  if (t <= 1e-12) return std::sqrt(P1 * P1 + P2 * P2);
  if (1 - t <= 1e-12) return std::sqrt((x1 - b1) * (x1 - b1) + (x2 - b2) * (x2 - b2));
  const double e1 = P1 - t * D1, e2 = P2 - t * D2;
  return std::sqrt(e1 * e1 + e2 * e2);
}
