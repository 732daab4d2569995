#include "hypfield.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <limits>

#include "geometry.h"
#include "quadrature.h"
#include "segment.h"

namespace {

const double kPi = 3.141592653589793;

// The kernel's own diagnostics, written to the standard error stream with the
// point and its 0-based index; the module name in them is fixed text.
const char* const kNotCloseWarning =
    "Warning (hypfield): The evaluation point (%g,%g) is not even close to an element! "
    "The %d-th entry of the return vector is set to NaN!\n";
const char* const kEndPointWarning =
    "Warning (hypfield): The evaluation point (%g,%g) is too close to the end point of an "
    "element. The %d-th value of the return vector is probably wrong!\n";

// One element with its vertex values.
struct ElementData {
  Segment s;
  double gA, gB;
};

ElementData elementData(std::ptrdiff_t k, std::ptrdiff_t nCs, std::ptrdiff_t nEs,
                        const double* coordinates, const double* elements, const double* gh) {
  const int a = vertexIndex(elements[k]);
  const int b = vertexIndex(elements[k + nEs]);
  ElementData el;
  el.s = segmentOf(coordinates[a], coordinates[a + nCs], coordinates[b], coordinates[b + nCs]);
  el.gA = gh[a];
  el.gB = gh[b];
  return el;
}

// 1/pi times the integrals over s in [-1, 1] of K(s) and s K(s), with
// K = (n_x.n)/|x - y|^2 - 2 ((x - y).n)((x - y).n_x)/|x - y|^4 and
// y(s) = A (1 - s)/2 + B (1 + s)/2, by the 16-point Gauss rule, for elements far
// from x. With h = -(B - A)/2 and d = x - mid, x - y(s) = d + s h and
// |x - y(s)|^2 = M s^2 + R s + N. *r receives |h|, half the length.
void quadratureVU(const Segment& s, double x1, double x2, double nx1, double nx2,
                  const double* tau, const double* w, double* V, double* U, double* r) {
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

}  // namespace

void hypfieldKernel(double* out, int nC, int nE, const double* coordinates, const double* elements,
                    const double* gh, const double* x, int nx, const double* n_x, double eta) {
  const double* tau = gaussPoints(16);
  const double* w = gaussWeights(16);
  const std::ptrdiff_t nCs = nC, nEs = nE, nxs = nx;

  for (std::ptrdiff_t i = 0; i < nxs; ++i) {
    const double x1 = x[i], x2 = x[i + nxs];
    const double nx1 = n_x[i], nx2 = n_x[i + nxs];

    // Host element: the first element that the point lies on, within the
    // rounding band of its length and coordinates.
    std::ptrdiff_t host = -1;
    bool atEnd = false;
    for (std::ptrdiff_t j = 0; j < nEs && host < 0; ++j) {
      const ElementData el = elementData(j, nCs, nEs, coordinates, elements, gh);
      const SegmentView v = viewFrom(el.s, x1, x2);
      const double tol = onLineTolerance(el.s, x1, x2);
      if (onSegment(el.s, v, tol)) {
        host = j;
        atEnd = std::fmin(v.rA2, v.rB2) <= tol * tol;
      }
    }
    if (host < 0) {
      // The operator is defined on the boundary only.
      std::fprintf(stderr, kNotCloseWarning, x1, x2, static_cast<int>(i));
      // NaN formed as infinity minus infinity, the default NaN of the FPU.
      const double inf = std::numeric_limits<double>::infinity();
      out[i] = inf - inf;
      continue;
    }
    if (atEnd) std::fprintf(stderr, kEndPointWarning, x1, x2, static_cast<int>(i));

    double acc = 0;
    for (std::ptrdiff_t k = 0; k < nEs; ++k) {
      const ElementData el = elementData(k, nCs, nEs, coordinates, elements, gh);
      const Segment& s = el.s;
      if (s.L == 0) continue;  // a zero-length element carries no dipole
      const SegmentView v = viewFrom(s, x1, x2);
      if (onSegment(s, v, onLineTolerance(s, x1, x2))) {
        // Hadamard finite part on a flat element, where (x - y).n vanishes and
        // n_x plays no part. Not finite at a vertex.
        acc -= finitePartIntegral(s, v, el.gA, el.gB) / (2 * kPi);
      } else if (s.L > eta * viewDistance(v)) {
        acc -= hypersingularIntegral(s, v, nx1, nx2, el.gA, el.gB) / (2 * kPi);
      } else {
        // Far element, and every element off the point when eta is NaN.
        // g = (gA + gB)/2 + s (gB - gA)/2 and ds_y = r ds: the element adds
        // -(r/2) [(gA + gB)/2 V + (gB - gA)/2 U], r = L/2.
        double V, U, r;
        quadratureVU(s, x1, x2, nx1, nx2, tau, w, &V, &U, &r);
        acc = (acc + (el.gA - el.gB) * (0.25 * r * U)) - (el.gA + el.gB) * (0.25 * r * V);
      }
    }
    out[i] = acc;
  }
}
