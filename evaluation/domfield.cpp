#include "domfield.h"

#include <cmath>
#include <cstddef>

#include "geometry.h"
#include "moments.h"
#include "quadrature.h"

namespace {
const double kPi = 3.141592653589793;
}  // namespace

double quadraticAtanTerm(double a, double b, double c, double o) {
  const double disc = (a * 4) * c - b * b;
  // Also false for a NaN disc. Off the line of the segment disc > 0; on it the
  // arctangent part vanishes.
  if (!(disc > (a * 1e-12) * c)) return 0;
  const double e = std::sqrt(disc);
  const double F = -b / e;
  const double G = ((1 - o) * (a * 2) + b) / e;
  const double t = F * G;
  // atan(F) + atan(G) = atan((F + G)/(1 - FG)), plus or minus pi once FG > 1
  // (the sign of pi follows G, that of F + G); near FG = 1 the quotient is
  // ill-conditioned and the two arctangents are taken separately.
  if (t < 0.999999999999) return std::atan((F + G) / (1 - t)) * e;
  if (t > 1.000000000001) {
    if (G < 0) return (std::atan((F + G) / (1 - t)) - kPi) * e;
    return (std::atan((F + G) / (1 - t)) + kPi) * e;
  }
  return (std::atan(F) + std::atan(G)) * e;
}

double triangleAtanQuadrature(const double* P1, const double* P2, const double* P3,
                              const double* x) {
  const double* tau = gaussPoints(16);
  const double* w = gaussWeights(16);
  const double u12y = P1[1] - P2[1], u12x = P1[0] - P2[0];
  const double u13y = P1[1] - P3[1], u13x = P1[0] - P3[0];
  const double vy = x[1] - P1[1], vx = x[0] - P1[0];
  // |x - y(o, s)|^2 = A s^2 + B s + C with B = 2 (b3 o + bX) and
  // C = L13 o^2 + 2 cX o + XP.
  const double A = u12y * u12y + u12x * u12x;
  const double bX = vy * u12y + vx * u12x;
  const double b3 = u13y * u12y + u13x * u12x;
  const double cX = vy * u13y + vx * u13x;
  const double L13 = u13y * u13y + u13x * u13x;
  const double XP = vy * vy + vx * vx;
  double sum = 0;
  for (int l = 0; l < 16; ++l) {
    const double o = (tau[l] + 1) * 0.5;
    const double B = (b3 * o + bX) * 2;
    const double C = (o * o * L13 + XP) + (o * 2) * cX;
    sum += quadraticAtanTerm(A, B, C, o) * w[l];
  }
  return sum;
}

double triangleLogIntegral(const double* P1, const double* P2, const double* P3, const double* x) {
  const double area =
      std::fabs((P2[0] - P1[0]) * (P3[1] - P1[1]) - (P3[0] - P1[0]) * (P2[1] - P1[1])) * 0.5;
  const double vx = x[0] - P1[0], vy = x[1] - P1[1];

  // Moments I_0, I_1 of log|.|^2 along the edges P2P3 (at s = 1 - o) and P1P3
  // (at s = 0), in the parameter sigma = 2 o - 1. slpMomentsInto gives the same
  // numbers as the allocating slpMoments without a heap allocation per triangle.
  const double h23[2] = {(P2[0] - P3[0]) * 0.5, (P2[1] - P3[1]) * 0.5};
  const double d23[2] = {(vx + (P1[0] - P2[0])) + h23[0], (vy + (P1[1] - P2[1])) + h23[1]};
  double p[2];
  slpMomentsInto(1, h23, d23, p);
  const double h13[2] = {(P1[0] - P3[0]) * 0.5, (P1[1] - P3[1]) * 0.5};
  const double d13[2] = {h13[0] + vx, h13[1] + vy};
  double r[2];
  slpMomentsInto(1, h13, d13, r);

  const double u12y = P1[1] - P2[1], u12x = P1[0] - P2[0];
  const double q = u12y * u12y + u12x * u12x;
  // area / (2 |P1P2|^2): 0/0 = NaN when P1 = P2.
  const double gamma = area / (2 * q);
  const double mu = ((P1[1] - P3[1]) * u12y + (P1[0] - P3[0]) * u12x) * 0.5;
  const double alpha = vy * u12y + vx * u12x;
  const double beta = d13[1] * u12y + d13[0] * u12x;
  const double Q = triangleAtanQuadrature(P1, P2, P3, x);

  // area * int_0^1 [(s + B/(2A)) log(A s^2 + B s + C) - 2 s] from s = 0 to 1 - o do,
  // plus the arctangent part gamma Q; the -2 s part integrates to -area.
  return Q * gamma +
         ((gamma * (alpha * p[0] + mu * p[0] + mu * p[1]) + (p[0] - p[1]) * 0.25 * area) -
          gamma * (beta * r[0] + mu * r[1])) -
         area;
}

void domfieldKernel(double* out, const double* vertices, const double* volumes, const double* f,
                    const double* x, int nV, int nT, int nx) {
  const std::ptrdiff_t nVs = nV, nTs = nT, nxs = nx;
  for (std::ptrdiff_t i = 0; i < nxs; ++i) {
    const double p[2] = {x[i], x[i + nxs]};
    double acc = 0;
    for (std::ptrdiff_t j = 0; j < nTs; ++j) {
      double corner[3][2];
      for (int k = 0; k < 3; ++k) {
        const int v = vertexIndex(volumes[j + k * nTs]);
        corner[k][0] = vertices[v];
        corner[k][1] = vertices[v + nVs];
      }
      acc = triangleLogIntegral(corner[0], corner[1], corner[2], p) * f[j] + acc;
    }
    // G = -(1/(2 pi)) log|x - y|.
    out[i] = acc / (-6.283185307179586);
  }
}
