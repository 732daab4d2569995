#include "hypfield.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <limits>

#include "geometry.h"
#include "moments.h"
#include "quadrature.h"

namespace {

const double kPi = 3.141592653589793;

// A point at this distance from an element lies on it (the host element, and
// every further element that passes the test, takes the finite-part term).
const double kOnElement = 5e-14;
// A point this close to a vertex of its host element sits at s = +-1, where the
// finite-part term is not finite.
const double kAtEndPoint = 1e-12;

// The kernel's own diagnostics, written to the standard error stream with the
// point and its 0-based index; the module name in them is fixed text.
const char* const kNotCloseWarning =
    "Warning (hypfield): The evaluation point (%g,%g) is not even close to an element! "
    "The %d-th entry of the return vector is set to NaN!\n";
const char* const kEndPointWarning =
    "Warning (hypfield): The evaluation point (%g,%g) is too close to the end point of an "
    "element. The %d-th value of the return vector is probably wrong!\n";

// End points and vertex values of one element.
struct ElementData {
  double A1, A2, B1, B2;
  double gA, gB;
};

ElementData elementData(std::ptrdiff_t k, std::ptrdiff_t nCs, std::ptrdiff_t nEs,
                        const double* coordinates, const double* elements, const double* gh) {
  const int a = vertexIndex(elements[k]);
  const int b = vertexIndex(elements[k + nEs]);
  ElementData el;
  el.A1 = coordinates[a];
  el.A2 = coordinates[a + nCs];
  el.B1 = coordinates[b];
  el.B2 = coordinates[b + nCs];
  el.gA = gh[a];
  el.gB = gh[b];
  return el;
}

// Quantities of a pair of point and element. With s in [-1, 1] and
// y(s) = A (1 - s)/2 + B (1 + s)/2, x - y(s) = d + s h with h = -(B - A)/2, and
// |x - y(s)|^2 = M s^2 + R s + N.
struct PairGeometry {
  double h[2], d[2];
  double M, N, L, R, D;
  double r, len;  // half the length, the length
  double n[2];    // unit normal: the tangent turned clockwise
};

PairGeometry pairGeometry(const ElementData& el, double x1, double x2) {
  PairGeometry g;
  g.h[0] = (el.B1 - el.A1) * (-0.5);
  g.h[1] = (el.B2 - el.A2) * (-0.5);
  g.d[0] = x1 - (el.B1 + el.A1) * 0.5;
  g.d[1] = x2 - (el.B2 + el.A2) * 0.5;
  g.M = g.h[0] * g.h[0] + g.h[1] * g.h[1];
  g.N = g.d[0] * g.d[0] + g.d[1] * g.d[1];
  g.L = g.d[0] * g.h[0] + g.d[1] * g.h[1];
  g.R = 2 * g.L;
  // D = 2 |h x d|; NaN when rounding makes N M - L^2 slightly negative (point on
  // the line of the element), which the closed form treats as "on the line".
  g.D = 2 * std::sqrt(g.N * g.M - g.L * g.L);
  g.r = std::sqrt(g.M);
  g.len = std::sqrt(4 * g.M);
  g.n[0] = (el.B2 - el.A2) * 0.5 / g.r;
  g.n[1] = g.h[0] / g.r;
  return g;
}

// V and U are 1/pi times the integrals over s in [-1, 1] of K(s) and s K(s), with
// K = (n_x.n)/|x - y|^2 - 2 ((x - y).n)((x - y).n_x)/|x - y|^4. Closed form from
// the moments of 1/q, s/q (J0, J1) and 1/q^2, s/q^2, s^2/q^2 (X, Y, Z), q(s) the
// quadratic M s^2 + R s + N.
void closedFormVU(const PairGeometry& g, double nx1, double nx2, double* V, double* U) {
  const double M = g.M, N = g.N, L = g.L, R = g.R, D = g.D;
  const double J0 = dlpMoment(0, g.h, g.d);
  const double J1 = dlpMoment(1, g.h, g.d);
  double X;
  if (D * D > (4e-12 * M) * N) {
    X = (2 * (M + L) / (R + M + N) - 2 * (L - M) / (M - R + N) + 2 * M * J0) / (D * D);
  } else {
    // x on the line of the element (also a NaN D): the integral of 1/(M (s - s0)^2)^2
    // with |s0| > 1, written in N and M.
    X = ((3 * N + M) * 2) / (3 * (N - M) * (N - M) * (N - M));
  }
  const double Y = (1 / (M - R + N) - 1 / (R + M + N) - R * X) / (2 * M);
  const double Z = (J0 - R * Y - X * N) / M;

  const double a = nx1 * g.n[0] + nx2 * g.n[1];
  const double b = g.n[0] * g.h[0] + g.n[1] * g.h[1];  // zero up to rounding: n is normal to h
  const double c = nx1 * g.h[0] + nx2 * g.h[1];
  const double e = g.n[0] * g.d[0] + g.n[1] * g.d[1];
  const double f = nx1 * g.d[0] + nx2 * g.d[1];
  const double m = b * f + e * c;
  *V = (a * J0 - 2 * (b * c * Y + m * Y + e * f * X)) / kPi;
  *U = (a * J1 - 2 * (b * c * Z + m * Z + e * f * Y)) / kPi;
}

// The same V and U by the 16-point Gauss rule, for elements far from x.
void quadratureVU(const PairGeometry& g, double nx1, double nx2, const double* tau, const double* w,
                  double* V, double* U) {
  const double a = g.n[0] * nx1 + g.n[1] * nx2;
  double v = 0, u = 0;
  for (int l = 0; l < 16; ++l) {
    const double t = tau[l];
    const double p1 = t * g.h[0] + g.d[0];
    const double p2 = t * g.h[1] + g.d[1];
    const double q = (t * g.M) * t + g.R * t + g.N;
    const double pn = p1 * g.n[0] + p2 * g.n[1];
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

    // Host element: the first element that the point lies on.
    std::ptrdiff_t host = -1;
    double hostLength = 0;
    for (std::ptrdiff_t j = 0; j < nEs; ++j) {
      const ElementData el = elementData(j, nCs, nEs, coordinates, elements, gh);
      const double dist = pointSegmentDistance(x1, x2, el.A1, el.A2, el.B1, el.B2);
      const double dB1 = el.B1 - el.A1, dB2 = el.B2 - el.A2;
      hostLength = std::sqrt(dB1 * dB1 + dB2 * dB2);
      if (dist < kOnElement) {
        host = j;
        break;
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

    const ElementData he = elementData(host, nCs, nEs, coordinates, elements, gh);
    {
      const double a1 = he.A1 - x1, a2 = he.A2 - x2;
      const double b1 = he.B1 - x1, b2 = he.B2 - x2;
      if (std::sqrt(a2 * a2 + a1 * a1) < kAtEndPoint ||
          std::sqrt(b2 * b2 + b1 * b1) < kAtEndPoint) {
        std::fprintf(stderr, kEndPointWarning, x1, x2, static_cast<int>(i));
      }
    }
    // Position of x on the host element: distance t from A, parameter
    // s = 2 t / len - 1 in [-1, 1], and the value gx of g there.
    const double t1 = x1 - he.A1, t2 = x2 - he.A2;
    const double t = std::sqrt(t2 * t2 + t1 * t1);
    const double s = 2 * t / hostLength - 1;
    const double gx = he.gA + (t / hostLength) * (he.gB - he.gA);

    double acc = 0;
    for (std::ptrdiff_t k = 0; k < nEs; ++k) {
      const ElementData el = elementData(k, nCs, nEs, coordinates, elements, gh);
      const PairGeometry g = pairGeometry(el, x1, x2);
      const double dist = pointSegmentDistance(x1, x2, el.A1, el.A2, el.B1, el.B2);
      if (dist < kOnElement) {
        // Hadamard finite part on a flat element, where (x - y).n vanishes and
        // n_x plays no part:
        //   (1/(pi len)) [2 g(x)/(1 - s^2) - g' log|(s - 1)/(s + 1)|], g' = (gB - gA)/2.
        // At s = +-1 (a vertex) it divides by zero and takes log 0.
        const double slope = (el.gB - el.gA) * 0.5;
        acc += (1 / (g.len * kPi)) *
               (2 * gx / (1 - s * s) - std::log(std::fabs((s - 1) / (s + 1))) * slope);
        continue;
      }
      double V, U;
      if (g.len > eta * dist) {
        closedFormVU(g, nx1, nx2, &V, &U);
      } else {
        // Far element, and every element off the point when eta is NaN.
        quadratureVU(g, nx1, nx2, tau, w, &V, &U);
      }
      // g = (gA + gB)/2 + s (gB - gA)/2 and ds_y = r ds: the element adds
      // -(r/2) [(gA + gB)/2 V + (gB - gA)/2 U].
      acc = (acc + (el.gA - el.gB) * (0.25 * g.r * U)) - (el.gA + el.gB) * (0.25 * g.r * V);
    }
    out[i] = acc;
  }
}
