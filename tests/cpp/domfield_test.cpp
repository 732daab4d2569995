// Newton potential: the triangle integral and the kernel's far-field series
// against an independent quadrature.
#include "bem2d.h"
#include "domfield.h"
#include "lane_widths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "reference.h"

namespace {

// Closed forms of size 1 evaluated in double against the long-double adaptive
// Simpson rule of reference.h (good to about 1e-15): a few hundred ulps.
const double kTol = 1e-13;

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
  const double T[3][2] = {{-0.4, 0.3}, {0.8, -0.2}, {0.5, 0.9}};
  const double points[][2] = {{2.5, 0.4}, {-2, -1.5}, {0.2, 2.5}, {7, -9}};
  for (const auto& x : points) {
    const double ref = triangleReference(T, x);
    EXPECT_NEAR(triangleLogIntegral(T[0], T[1], T[2], x), ref, kTol) << x[0] << "," << x[1];
    EXPECT_NEAR(triangleLogIntegral(T[2], T[1], T[0], x), ref, kTol) << "reversed";
  }
}

TEST(TriangleLogIntegral, DegenerateTrianglesAddZero) {
  const double A[2] = {0, 0}, B[2] = {1, 0}, C[2] = {2, 0}, x[2] = {0.5, 1};
  EXPECT_EQ(triangleLogIntegral(A, A, B, x), 0.0);
  EXPECT_EQ(triangleLogIntegral(A, B, C, x), 0.0);
}

// The kernel switches to the multipole series at 8 times the largest distance
// from the centroid to a corner: on both sides of the switch it agrees with
// the reference (whose own error grows beyond that range), at every lane
// width.
TEST(DomfieldKernel, NearAndFarAgainstEdgeReduction) {
  const double T[3][2] = {{1.4, 0.3}, {2.8, -0.2}, {1.5, 1.9}};
  const double vertices[6] = {T[0][0], T[1][0], T[2][0], T[0][1], T[1][1], T[2][1]};
  const double volumes[3] = {1, 2, 3}, f[1] = {1};
  const double c[2] = {(T[0][0] + T[1][0] + T[2][0]) / 3, (T[0][1] + T[1][1] + T[2][1]) / 3};
  double R = 0;
  for (const auto& P : T) R = std::fmax(R, std::hypot(P[0] - c[0], P[1] - c[1]));
  for (int lanes : laneWidths()) {
    RunOptions o;
    o.lanes = lanes;
    for (double ratio : {0.3, 1.5, 7.99, 8.01, 30.0}) {
      const double x[2] = {c[0] + ratio * R * 0.6, c[1] - ratio * R * 0.8};
      const double ref = triangleReference(T, x);
      double out;
      const bem2d::Triangulation t = {columnMajor(vertices, 3),
                                      {volumes, bem2d::IndexType::Float64, 1, 1, 1, 1}};
      bem2d::domfield(t, f, columnMajor(x, 1), &out, o);
      // Relative to the size of the integral, area |log|x - c|| at most.
      EXPECT_NEAR(out * -6.283185307179586, ref, kTol * std::fabs(ref)) << ratio << " " << lanes;
    }
  }
}

}  // namespace
