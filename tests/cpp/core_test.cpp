// Numerical core: Gauss-Legendre tables and the distance of a point from a segment.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "slp_pair.h"
#include "quadrature.h"
#include "reference.h"

namespace {

const double kPi = 3.14159265358979323846;
// The printed values carry 16-17 significant digits; closed forms of moderate
// size agree with them to a few ulps.
const double kPrinted = 1e-14;
// Closed form against an independent quadrature of the defining integral:
// both sides are accurate to about 1e-15 relative for these magnitudes.
const double kAgainstQuadrature = 1e-12;

// ---- Gauss-Legendre tables ---------------------------------------------------

TEST(GaussTables, PrintedValues) {
  struct Row { int n; double p0, w0, pm, wm; };
  const Row rows[] = {
      {2, -0.5773502691896257, 1.0, 0.5773502691896257, 1.0},
      {4, -0.8611363115940526, 0.34785484513745385, 0.33998104358485626, 0.6521451548625461},
      {8, -0.9602898564975363, 0.10122853629037626, 0.1834346424956498, 0.362683783378362},
      {16, -0.9894009349916499, 0.027152459411754096, 0.09501250983763744, 0.1894506104550685},
      {32, -0.9972638618494816, 0.007018610009470096, 0.04830766568773832, 0.0965400885147278},
  };
  for (const Row& r : rows) {
    const double* p = gaussPoints(r.n);
    const double* w = gaussWeights(r.n);
    ASSERT_NE(p, nullptr);
    ASSERT_NE(w, nullptr);
    // The tables hold correctly rounded values: compare bit for bit.
    EXPECT_EQ(p[0], r.p0) << r.n;
    EXPECT_EQ(w[0], r.w0) << r.n;
    EXPECT_EQ(p[r.n / 2], r.pm) << r.n;
    EXPECT_EQ(w[r.n / 2], r.wm) << r.n;
  }
}

TEST(GaussTables, SymmetryOrderAndWeightSum) {
  for (int n : {2, 4, 8, 16, 32}) {
    const double* p = gaussPoints(n);
    const double* w = gaussWeights(n);
    double sum = 0;
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(p[i], -p[n - 1 - i]) << n << " " << i;
      EXPECT_EQ(w[i], w[n - 1 - i]) << n << " " << i;
      if (i > 0) {
        EXPECT_LT(p[i - 1], p[i]);
      }
      EXPECT_GT(w[i], 0);
      sum += w[i];
    }
    EXPECT_NEAR(sum, 2.0, 8 * n * std::numeric_limits<double>::epsilon());
  }
}

TEST(GaussTables, UnsupportedOrdersGiveNull) {
  for (int n : {3, 0, -16, 64, 1, 17}) {
    EXPECT_EQ(gaussPoints(n), nullptr) << n;
    EXPECT_EQ(gaussWeights(n), nullptr) << n;
  }
}

// The rule of order n integrates x^(2n-1) + x^(2n-2) exactly: 0 + 2/(2n-1).
// Degree 2n would not be exact, which the last check shows for order 16.
TEST(GaussTables, ExactOnHighestDegree) {
  for (int n : {2, 4, 8, 16, 32}) {
    const double* p = gaussPoints(n);
    const double* w = gaussWeights(n);
    double odd = 0, even = 0;
    for (int i = 0; i < n; ++i) {
      odd += w[i] * std::pow(p[i], 2 * n - 1);
      even += w[i] * std::pow(p[i], 2 * n - 2);
    }
    EXPECT_NEAR(odd, 0.0, 1e-15) << n;
    EXPECT_NEAR(even, 2.0 / (2 * n - 1), 1e-15) << n;
  }
  const double* p = gaussPoints(16);
  const double* w = gaussWeights(16);
  double s30 = 0, s32 = 0;
  for (int i = 0; i < 16; ++i) {
    s30 += w[i] * std::pow(p[i], 30);
    s32 += w[i] * std::pow(p[i], 32);
  }
  EXPECT_NEAR(s30, 2.0 / 31, 1e-15);
  EXPECT_GT(std::fabs(s32 - 2.0 / 33), 1e-12);
}

// ---- segment geometry ----------------------------------------------------------

TEST(Geometry, PointSegmentDistanceBranches) {
  // End points: t = 0 and t = 1 give exactly 0.
  EXPECT_EQ(pointSegmentDistance(0, 0, 0, 0, 1, 0), 0.0);
  EXPECT_EQ(pointSegmentDistance(1, 0, 0, 0, 1, 0), 0.0);
  // Beyond b and before a: measured to the nearer end point.
  EXPECT_DOUBLE_EQ(pointSegmentDistance(4, 4, 0, 0, 1, 0), 5.0);
  EXPECT_DOUBLE_EQ(pointSegmentDistance(-3, -4, 0, 0, 1, 0), 5.0);
  // Foot point inside: t = 0.5 at perpendicular distance 2.
  EXPECT_DOUBLE_EQ(pointSegmentDistance(0.5, 2, 0, 0, 1, 0), 2.0);
  EXPECT_DOUBLE_EQ(pointSegmentDistance(1, 1, 0, 0, 2, 2), 0.0);
  EXPECT_NEAR(pointSegmentDistance(0, 2, 0, 0, 2, 2), std::sqrt(2.0), 1e-15);
  // A segment shorter than the thresholds is the point a, wherever x lies.
  EXPECT_DOUBLE_EQ(pointSegmentDistance(3, 4, 0, 0, 0, 0), 5.0);
  EXPECT_DOUBLE_EQ(pointSegmentDistance(3, 4, 0, 0, 1e-12, -1e-12), 5.0);
  // NaN propagates.
  EXPECT_TRUE(std::isnan(pointSegmentDistance(std::nan(""), 0, 0, 0, 1, 0)));
}

}  // namespace
