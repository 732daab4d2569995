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
