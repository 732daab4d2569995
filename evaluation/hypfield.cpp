#include "hypfield.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "constants.h"
#include "field_arrays.h"
#include "quadrature.h"

namespace {

// What a point found out about its host (the first element it lies on).
enum : unsigned char { kOnElement = 1, kAtEnd = 2 };

// 1/pi times the integrals over s in [-1, 1] of K(s) and s K(s), with
// K = (n_x.n)/|x - y|^2 - 2 ((x - y).n)((x - y).n_x)/|x - y|^4 and
// y(s) = A (1 - s)/2 + B (1 + s)/2, by the 16-point Gauss rule, for elements far
// from x. With h = -(B - A)/2 and d = x - mid, x - y(s) = d + s h and
// |x - y(s)|^2 = M s^2 + R s + N. *r receives |h|, half the length.
void quadratureVU(const Segment& s, double x1, double x2, double nx1, double nx2, double* V,
                  double* U, double* r) {
  const double* tau = gaussPoints(16);
  const double* w = gaussWeights(16);
  const double h[2] = {(s.B[0] - s.A[0]) * (-0.5), (s.B[1] - s.A[1]) * (-0.5)};
  const double d[2] = {x1 - (s.B[0] + s.A[0]) * 0.5, x2 - (s.B[1] + s.A[1]) * 0.5};
  const double M = h[0] * h[0] + h[1] * h[1];
  const double N = d[0] * d[0] + d[1] * d[1];
  const double R = 2 * (d[0] * h[0] + d[1] * h[1]);
  *r = std::sqrt(M);
  const double n[2] = {(s.B[1] - s.A[1]) * 0.5 / *r, h[0] / *r};
  const double a = n[0] * nx1 + n[1] * nx2;
  double v = 0, u = 0;
  for (int l = 0; l < 16; ++l) {
    const double t = tau[l];
    const double p1 = t * h[0] + d[0];
    const double p2 = t * h[1] + d[1];
    const double q = (t * M) * t + R * t + N;
    const double pn = p1 * n[0] + p2 * n[1];
    const double px = p1 * nx1 + p2 * nx2;
    v += (a / q - 2 * pn * px / (q * q)) * w[l] / kPi;
    u += (t * a / q - 2 * t * px * pn / (q * q)) * w[l] / kPi;
  }
  *V = v;
  *U = u;
}

// The distance from an element's line within which a point lies on it to the
// rounding of the coordinates: a few rounding units of the largest of the
// point's and the ends' coordinates (a point built as A + t (B - A) has its
// rounding; the band of onLineTolerance is far wider).
double roundingBand(const Segment& s, double x1, double x2) {
  const double big = std::fmax(std::fmax(std::fabs(x1), std::fabs(x2)),
                               std::fmax(std::fmax(std::fabs(s.A[0]), std::fabs(s.A[1])),
                                         std::fmax(std::fabs(s.B[0]), std::fabs(s.B[1]))));
  return 8 * std::numeric_limits<double>::epsilon() * big;
}

}  // namespace

// The integral of K g over element j for a pair that the series does not take.
// The element that the point lies on (within the rounding band of its length
// and coordinates: its host) gives the Hadamard finite part, where
// (x - y).n vanishes and n_x plays no part, not finite at a vertex. Another
// element whose band holds the point takes the finite part of its own
// segment and end values likewise where the point lies on its line to the
// rounding of the coordinates (a duplicate of the host, either way round) or
// at its end (neither is finite there); one that the point lies off by more,
// as an element that leaves the host's vertex under a small angle without
// sharing its node (its density may jump there), passes by the point and
// takes the closed form of K, which holds at any |delta|. Otherwise the
// closed form when L > eta * dist, else (and for every such element when eta
// is NaN) the 16-point rule.
double hypfieldPair(void* pairs, std::ptrdiff_t j, double x1, double x2) {
  HypfieldPairs& c = *static_cast<HypfieldPairs*>(pairs);
  const Segment& s = c.mesh->segments[j];
  if (s.L == 0) return 0;  // a zero-length element carries no dipole
  const double gA = c.gA[j], gB = c.gB[j];
  const SegmentView v = viewFrom(s, x1, x2);
  const double tol = onLineTolerance(s, x1, x2);
  if (onSegment(s, v, tol)) {
    const bool atEnd = std::fmin(v.rA2, v.rB2) <= tol * tol;
    const double delta = std::fabs(v.delta);
    const bool onLine = delta <= roundingBand(s, x1, x2);
    const bool host = c.forcedHost >= 0 ? j == c.forcedHost : !(c.host & kOnElement);
    if (host) {
      c.host |= kOnElement;
      if (atEnd) c.host |= kAtEnd;
      // A host off its line by more than rounding may give way to a nearer one.
      c.nearestDelta = onLine ? 0 : delta;
      return finitePartIntegral(s, v, gA, gB);
    }
    if (c.forcedHost < 0 && delta < c.nearestDelta) {
      c.nearerHost = j;
      c.nearestDelta = delta;
    }
    if (atEnd || onLine) return finitePartIntegral(s, v, gA, gB);
    return hypersingularIntegral(s, v, c.q1, c.q2, gA, gB);
  }
  if (s.L > c.eta * viewDistance(v)) return hypersingularIntegral(s, v, c.q1, c.q2, gA, gB);
  // g = (gA + gB)/2 + s (gB - gA)/2 and ds_y = r ds, and V, U carry 1/pi.
  double V, U, r;
  quadratureVU(s, x1, x2, c.q1, c.q2, &V, &U, &r);
  return r * kPi * ((gA + gB) * 0.5 * V + (gB - gA) * 0.5 * U);
}

// W g at a point from the sum over its elements. The operator is defined on
// the boundary only: NaN, formed as infinity minus infinity (the default NaN
// of the FPU), for a point on no element.
double hypfieldValue(const HypfieldPairs& pairs, double sum) {
  const double inf = std::numeric_limits<double>::infinity();
  return (pairs.host & kOnElement) ? -sum / (2 * kPi) : inf - inf;
}

unsigned char hypfieldStatus(const HypfieldPairs& pairs) {
  if (!(pairs.host & kOnElement)) return kHypfieldOffBoundary;
  return (pairs.host & kAtEnd) ? kHypfieldAtVertex : 0;
}

bool hypfieldKernel(const BoundaryMesh& mesh, const double* gh, const Points& x,
                    const Points& n_x, double eta, double* out, unsigned char* status,
                    const RunOptions& options) {
  // A NaN eta sends every pair off the element to quadrature, as an infinite
  // one does.
  if (std::isnan(eta)) eta = std::numeric_limits<double>::infinity();
  const FieldArrays a = linearDensity(mesh, gh, eta);
  const FieldElements e = fieldElements(mesh, a);
  const FieldLanes& lanes = fieldLanes(options.lanes);
  // The points at the mesh's reference scale 2^-scale (core/mesh.h): W g is
  // homogeneous of degree -1 in the geometry, so the stored mesh's value is
  // multiplied by 2^-scale (exactly, unless the result leaves the normal
  // range).
  const int scale = mesh.scaleExponent;
  return forEachPoint(
      x, scale, mesh.elementCount, options, [&](std::ptrdiff_t i, double x1, double x2) {
        HypfieldPairs c = {&mesh, a.gA.data(), a.gB.data(), eta, n_x.x(i), n_x.y(i), 0};
        double sum = lanes.hyp(e, x1, x2, c.q1, c.q2, hypfieldPair, &c);
        if (c.nearerHost >= 0) {
          // A later element holds the point nearer than the first: it is the host.
          HypfieldPairs again = {&mesh, a.gA.data(), a.gB.data(), eta, c.q1, c.q2, 0};
          again.forcedHost = c.nearerHost;
          sum = lanes.hyp(e, x1, x2, again.q1, again.q2, hypfieldPair, &again);
          c = again;
        }
        out[i] = std::ldexp(hypfieldValue(c, sum), -scale);
        status[i] = hypfieldStatus(c);
      });
}
