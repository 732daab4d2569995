// Newton potential helpers: the arctangent term and the triangle integral
// against independent quadratures.
#include "domfield.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "reference.h"

namespace {

// Closed forms of size 1 evaluated in double against the long-double adaptive
// Simpson rule of reference.h (good to about 1e-15): a few hundred ulps.
const double kTol = 1e-13;

// (disc/2) * integral over s from 0 to 1 - o of 1/(a s^2 + b s + c).
double atanTermReference(double a, double b, double c, double o) {
  const double disc = 4 * a * c - b * b;
  return disc / 2 *
         reference::integrate([&](long double s) { return 1 / ((a * s + b) * s + c); }, 0, 1 - o);
}

TEST(QuadraticAtanTerm, EveryBranchAgainstQuadrature) {
  struct Case {
    double a, b, c, o;
    const char* branch;
  };
  const Case cases[] = {
      {1, 0.5, 2, 0.3, "FG < 1"},
      {2.5, -1, 0.3, 0.9, "FG < 1, F > 0"},
      {4, -3, 1, 0, "FG > 1, G > 0: + pi"},
      {1, 1, 1, 4, "FG > 1, G < 0: - pi (upper limit -3)"},
      {4, -2, 1, 0, "FG = 1: two arctangents"},
  };
  for (const Case& k : cases) {
    EXPECT_NEAR(quadraticAtanTerm(k.a, k.b, k.c, k.o), atanTermReference(k.a, k.b, k.c, k.o), kTol)
        << k.branch;
  }
}

TEST(QuadraticAtanTerm, ZeroOnTheLineAndForNaN) {
  EXPECT_EQ(quadraticAtanTerm(1, 2, 1, 0.5), 0.0);          // disc = 0
  EXPECT_EQ(quadraticAtanTerm(1, 2 - 1e-14, 1, 0.5), 0.0);  // disc about 4e-14 <= 1e-12
  EXPECT_NE(quadraticAtanTerm(1, 2 - 1e-6, 1, 0.5), 0.0);   // disc about 4e-6 is kept
  EXPECT_EQ(quadraticAtanTerm(std::numeric_limits<double>::quiet_NaN(), 1, 1, 0.5), 0.0);
}

// Integral of log|x - y| over a triangle by the reduction to its edges: about
// x, the triangle (x, a, b) gives cross(a - x, b - x) * int_0^1 (log|y(t) - x|/2 - 1/4) dt,
// and the signed sum over the edges covers the triangle once.
double triangleReference(const double P[3][2], const double* x) {
  double sum = 0;
  for (int k = 0; k < 3; ++k) {
    const double* a = P[k];
    const double* b = P[(k + 1) % 3];
    const double cross = (a[0] - x[0]) * (b[1] - x[1]) - (a[1] - x[1]) * (b[0] - x[0]);
    if (cross == 0) continue;
    sum += cross * reference::integrate(
                       [&](long double t) {
                         const long double u = a[0] + t * (b[0] - a[0]) - x[0];
                         const long double v = a[1] + t * (b[1] - a[1]) - x[1];
                         return std::log(u * u + v * v) / 4 - 0.25L;
                       },
                       0, 1);
  }
  const double orientation =
      (P[1][0] - P[0][0]) * (P[2][1] - P[0][1]) - (P[2][0] - P[0][0]) * (P[1][1] - P[0][1]);
  return orientation > 0 ? sum : -sum;
}

TEST(TriangleLogIntegral, PrintedValue) {
  const double P1[2] = {0, 0}, P2[2] = {1, 0}, P3[2] = {0, 1}, x[2] = {2, 3};
  // Printed to 12 digits.
  EXPECT_NEAR(triangleLogIntegral(P1, P2, P3, x), 0.574217522841, 1e-12);
}

TEST(TriangleLogIntegral, PointsOutsideAgainstEdgeReduction) {
  // Points at least one diameter away, where the 16-point rule across the
  // triangle is exact to rounding.
  const double T[3][2] = {{-0.4, 0.3}, {0.8, -0.2}, {0.5, 0.9}};
  const double points[][2] = {{2.5, 0.4}, {-2, -1.5}, {0.2, 2.5}, {7, -9}};
  for (const auto& x : points) {
    const double ref = triangleReference(T, x);
    EXPECT_NEAR(triangleLogIntegral(T[0], T[1], T[2], x), ref, kTol) << x[0] << "," << x[1];
    EXPECT_NEAR(triangleLogIntegral(T[2], T[1], T[0], x), ref, kTol) << "reversed";
  }
}

TEST(TriangleLogIntegral, DegenerateTriangles) {
  const double A[2] = {0, 0}, B[2] = {1, 0}, C[2] = {2, 0}, x[2] = {0.5, 1};
  // P1 = P2: gamma = 0/0.
  EXPECT_TRUE(std::isnan(triangleLogIntegral(A, A, B, x)));
  // Zero area with P1 != P2: every term carries the area or gamma = 0.
  EXPECT_EQ(triangleLogIntegral(A, B, C, x), 0.0);
}

}  // namespace
