#include "hypfield.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <limits>
#include <vector>

#include "field_arrays.h"
#include "geometry.h"
#include "quadrature.h"
#include "segment.h"

const char* const kHypfieldOffBoundaryText =
    "The evaluation point (%g,%g) is not even close to an element! "
    "The %lld-th entry of the return vector is set to NaN!";
const char* const kHypfieldAtVertexText =
    "The evaluation point (%g,%g) is too close to the end point of an element. "
    "The %lld-th value of the return vector is probably wrong!";

namespace {

const double kPi = 3.141592653589793;

// The kernel's own diagnostics, written to the standard error stream as
// "Warning (hypfield): " and the text of the point's warning (hypfield.h);
// the module name in them is fixed text.
const char* const kWarningPrefix = "Warning (hypfield): ";

// What a point found out about its host (the first element it lies on).
enum : unsigned char { kOnElement = 1, kAtEnd = 2 };

struct HypContext {
  const std::vector<Segment>* segments;
  const double* gA;
  const double* gB;
  double eta;
  double q1, q2;         // the point's normal
  unsigned char status;  // of this point
};

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

// The integral of K g over element j for a pair that the series does not take.
// An element that the point lies on (within the rounding band of its length
// and coordinates) gives the Hadamard finite part, where (x - y).n vanishes
// and n_x plays no part, not finite at a vertex; the first such element is the
// host. Otherwise the closed form when L > eta * dist, else (and for every
// such element when eta is NaN) the 16-point rule.
double hypPair(void* context, std::ptrdiff_t j, double x1, double x2) {
  HypContext& c = *static_cast<HypContext*>(context);
  const Segment& s = (*c.segments)[static_cast<size_t>(j)];
  if (s.L == 0) return 0;  // a zero-length element carries no dipole
  const double gA = c.gA[j], gB = c.gB[j];
  const SegmentView v = viewFrom(s, x1, x2);
  const double tol = onLineTolerance(s, x1, x2);
  if (onSegment(s, v, tol)) {
    if (!(c.status & kOnElement)) {
      c.status |= kOnElement;
      if (std::fmin(v.rA2, v.rB2) <= tol * tol) c.status |= kAtEnd;
    }
    return finitePartIntegral(s, v, gA, gB);
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
double pointValue(unsigned char status, double acc) {
  const double inf = std::numeric_limits<double>::infinity();
  return (status & kOnElement) ? -acc / (2 * kPi) : inf - inf;
}

// The warnings, one line per point, in the order of the points.
void printWarnings(const std::vector<unsigned char>& status, const Points& x) {
  for (std::ptrdiff_t i = 0; i < x.count; ++i) {
    const unsigned char st = status[static_cast<size_t>(i)];
    const char* text = !(st & kOnElement) ? kHypfieldOffBoundaryText
                       : (st & kAtEnd)    ? kHypfieldAtVertexText
                                          : nullptr;
    if (text == nullptr) continue;
    std::fputs(kWarningPrefix, stderr);
    std::fprintf(stderr, text, x.x(i), x.y(i), static_cast<long long>(i));
    std::fputc('\n', stderr);
  }
}

// Hands the status of every point to the caller (kHypfieldOffBoundary,
// kHypfieldAtVertex), or writes the warnings when it does not ask.
void report(const std::vector<unsigned char>& status, const Points& x, unsigned char* warnings) {
  if (warnings == nullptr) {
    printWarnings(status, x);
    return;
  }
  for (size_t i = 0; i < status.size(); ++i) {
    const unsigned char st = status[i];
    warnings[i] = !(st & kOnElement) ? kHypfieldOffBoundary : (st & kAtEnd) ? kHypfieldAtVertex : 0;
  }
}

}  // namespace

bool hypfieldKernel(double* out, int nC, int nE, const double* coordinates, const double* elements,
                    const double* gh, const Points& x, const Points& n_x, double eta,
                    const RunOptions& options, unsigned char* warnings) {
  // A NaN eta sends every pair off the element to quadrature, as an infinite
  // one does.
  if (std::isnan(eta)) eta = std::numeric_limits<double>::infinity();
  const std::ptrdiff_t nxs = x.count;
  const std::vector<Segment> segments = meshSegments(nC, nE, coordinates, elements);
  const EndValues g = endValues(nE, elements, gh);
  const ElementArrays a = linearDensityArrays(segments, g, eta);
  const FieldElements e = a.view();
  const FieldLanes& lanes = fieldLanes(options.lanes);
  std::vector<unsigned char> status(static_cast<size_t>(nxs), 0);
  const std::ptrdiff_t perChunk = pointsPerChunk(nE);
  const bool done =
      parallelFor((nxs + perChunk - 1) / perChunk, options, [&](std::int64_t chunk, int) {
        const std::ptrdiff_t end = std::min<std::ptrdiff_t>(nxs, (chunk + 1) * perChunk);
        for (std::ptrdiff_t i = chunk * perChunk; i < end; ++i) {
          HypContext c = {&segments, g.A.data(), g.B.data(), eta, n_x.x(i), n_x.y(i), 0};
          const double acc = lanes.hyp(e, x.x(i), x.y(i), c.q1, c.q2, hypPair, &c);
          status[static_cast<size_t>(i)] = c.status;
          out[i] = pointValue(c.status, acc);
        }
      });
  if (!done) return false;
  report(status, x, warnings);
  return true;
}

void hypfieldScalarKernel(double* out, int nC, int nE, const double* coordinates,
                          const double* elements, const double* gh, const Points& x,
                          const Points& n_x, double eta) {
  if (std::isnan(eta)) eta = std::numeric_limits<double>::infinity();
  const std::ptrdiff_t nEs = nE, nxs = x.count;
  const std::vector<Segment> segments = meshSegments(nC, nE, coordinates, elements);
  const EndValues g = endValues(nE, elements, gh);
  std::vector<unsigned char> status(static_cast<size_t>(nxs), 0);
  for (std::ptrdiff_t i = 0; i < nxs; ++i) {
    HypContext c = {&segments, g.A.data(), g.B.data(), eta, n_x.x(i), n_x.y(i), 0};
    double acc = 0;
    for (std::ptrdiff_t j = 0; j < nEs; ++j) acc += hypPair(&c, j, x.x(i), x.y(i));
    status[static_cast<size_t>(i)] = c.status;
    out[i] = pointValue(c.status, acc);
  }
  printWarnings(status, x);
}
