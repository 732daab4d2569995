// Numerical core: Gauss-Legendre tables, segment geometry, closed-form moments.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "geometry.h"
#include "moments.h"
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

TEST(Geometry, ElementFrameFields) {
  const ElementFrame f = elementFrame(1, 2, 4, 6);  // length 5
  EXPECT_EQ(f.mid[0], 2.5);
  EXPECT_EQ(f.mid[1], 4.0);
  EXPECT_EQ(f.half[0], 1.5);
  EXPECT_EQ(f.half[1], 2.0);
  EXPECT_EQ(f.length, 5.0);
  // The tangent (0.6, 0.8) turned clockwise: outward for a counter-clockwise boundary.
  EXPECT_DOUBLE_EQ(f.normal[0], 0.8);
  EXPECT_DOUBLE_EQ(f.normal[1], -0.6);
}

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

// ---- single-layer moments ------------------------------------------------------

struct SlpCase {
  double h[2], d[2];
  int K;
  double I[4];
};

TEST(SlpMoments, PrintedValues) {
  const SlpCase cases[] = {
      {{1, 0}, {0, 1}, 3, {0.5278870147096839, 0, 0.303789458065588, 0}},
      {{1, 0}, {-1, 0}, 3, {-1.2274112777602189, -2, -0.8535815370311841, -1.3333333333333335}},
      {{1, 0}, {0, 0}, 2, {-4, 0, -0.4444444444444444, 0}},
      {{1, 0}, {3, 0}, 1, {4.317766166719343, 0.4548225555204408, 0, 0}},
      {{1, 0}, {0, 2}, 0, {2.9280566968746493, 0, 0, 0}},
      {{0, 0}, {3, 4}, 3, {6.437751649736401, 0, 2.1459172165788005, 0}},
      {{0.5, 0.5}, {1, 2}, 3, {3.1650210819846567, 0.4047723140789441, 1.0405888388933822,
                               0.24340643460151679}},
  };
  for (const SlpCase& c : cases) {
    double* I = slpMoments(c.K, c.h, c.d);
    ASSERT_NE(I, nullptr);
    for (int k = 0; k <= c.K; ++k) {
      EXPECT_NEAR(I[k], c.I[k], kPrinted * std::max(1.0, std::fabs(c.I[k])))
          << "h=(" << c.h[0] << "," << c.h[1] << ") d=(" << c.d[0] << "," << c.d[1] << ") k=" << k;
      // slpMoment gives the same number as the array.
      EXPECT_EQ(slpMoment(k, c.h, c.d), I[k]);
    }
    std::free(I);
  }
  // Closed forms of the first two cases.
  const double h[2] = {1, 0}, d1[2] = {0, 1}, d2[2] = {-1, 0};
  EXPECT_NEAR(slpMoment(0, h, d1), 2 * std::log(2.0) - 4 + kPi, kPrinted);
  EXPECT_NEAR(slpMoment(0, h, d2), 4 * std::log(2.0) - 4, kPrinted);
}

TEST(SlpMoments, AgreeWithQuadratureAwayFromTheElement) {
  // The upward recurrence for k >= 2 amplifies rounding by about |d|^2/|h|^2
  // per step, so higher moments are checked where |d| and |h| are comparable
  // (the toolkit itself only uses k <= 1); a small element far away checks k <= 1.
  const double cases[][5] = {{1, 0, 0, 1.5, 5},   {0.3, -0.7, 2, 1, 5},   {0.5, 0.5, 1, 2, 5},
                             {2, 1, -3, 4, 5},    {0.01, 0.02, 1, 1, 1},  {1, 0, 3, 0.2, 5},
                             {1, 1, -0.5, 0.6, 5}};
  for (const auto& c : cases) {
    const double h[2] = {c[0], c[1]}, d[2] = {c[2], c[3]};
    const int K = static_cast<int>(c[4]);
    double I[6];
    slpMomentsInto(K, h, d, I);
    for (int k = 0; k <= K; ++k) {
      const double ref = reference::integrate(
          [&](long double s) {
            const long double x = d[0] + s * h[0], y = d[1] + s * h[1];
            return std::pow(s, k) * std::log(x * x + y * y);
          },
          -1, 1);
      EXPECT_NEAR(I[k], ref, kAgainstQuadrature * std::max(1.0, std::fabs(ref)))
          << "case (" << c[0] << "," << c[1] << "," << c[2] << "," << c[3] << ") k=" << k;
    }
  }
}

TEST(SlpMoments, OnTheLineBranchMatchesQuadrature) {
  // d on the line of h, outside the element: H = 0, the logarithmic branch.
  const double h[2] = {0.6, 0.8}, d[2] = {1.5, 2.0};
  double I[3];
  slpMomentsInto(2, h, d, I);
  for (int k = 0; k <= 2; ++k) {
    const double ref = reference::integrate(
        [&](long double s) {
          const long double x = d[0] + s * h[0], y = d[1] + s * h[1];
          return std::pow(s, k) * std::log(x * x + y * y);
        },
        -1, 1);
    EXPECT_NEAR(I[k], ref, kAgainstQuadrature) << k;
  }
}

TEST(SlpMoments, SignOfOddMomentsUnderReversal) {
  const double h[2] = {0.4, -0.9}, mh[2] = {-0.4, 0.9}, d[2] = {0.7, 1.3};
  double a[4], b[4];
  slpMomentsInto(3, h, d, a);
  slpMomentsInto(3, mh, d, b);
  EXPECT_NEAR(a[0], b[0], 1e-14);
  EXPECT_NEAR(a[1], -b[1], 1e-14);
  EXPECT_NEAR(a[2], b[2], 1e-14);
  EXPECT_NEAR(a[3], -b[3], 1e-14);
}

TEST(SlpMoments, DegenerateElementAtItsPointIsMinusInfinity) {
  const double h[2] = {0, 0}, d[2] = {0, 0};
  EXPECT_TRUE(std::isinf(slpMoment(0, h, d)));
  EXPECT_LT(slpMoment(0, h, d), 0);
}

TEST(SlpMoments, InsideTheElementIsFinite) {
  // The point at s = 0.3 on the element: an integrable logarithmic singularity.
  const double h[2] = {1, 0}, d[2] = {0.3, 0};
  // integral of log((s + 0.3)^2) over [-1, 1] = 2 [u log u - u] from 0.7... in closed form:
  auto F = [](double u) { return u * std::log(u) - u; };
  const double exact = 2 * (F(1.3) + F(0.7));
  EXPECT_NEAR(slpMoment(0, h, d), exact, 1e-14);
}

// ---- double-layer moments ------------------------------------------------------

TEST(DlpMoment, PrintedValues) {
  struct Case { double h[2], d[2], J[3]; };
  const Case cases[] = {
      {{1, 0}, {0, 1}, {1.5707963267948966, 0, 0.42920367320510344}},
      {{1, 0}, {0, 2}, {0.4636476090008061, 0, 0.14540956399677563}},
      {{1, 0}, {3, 0}, {0.25, -0.056852819440054714, 0.0911169166403285}},
      {{1, 0}, {0, 0}, {-2, 0, 2}},
      {{0.5, 0.5}, {1, 2}, {0.4373378917478839, -0.0882382436215361, 0.15605054425037768}},
  };
  for (const Case& c : cases) {
    for (int k = 0; k <= 2; ++k) {
      EXPECT_NEAR(dlpMoment(k, c.h, c.d), c.J[k], kPrinted) << k;
    }
    EXPECT_EQ(dlpMoment(3, c.h, c.d), dlpMoment(1, c.h, c.d));
    EXPECT_EQ(dlpMoment(-1, c.h, c.d), dlpMoment(0, c.h, c.d));
  }
}

TEST(DlpMoment, AgreesWithQuadratureAndFlipsJ1) {
  const double cases[][4] = {{1, 0, 0, 1.5}, {0.3, -0.7, 2, 1}, {2, 1, -3, 4}, {1, 1, -0.5, 0.6}};
  for (const auto& c : cases) {
    const double h[2] = {c[0], c[1]}, mh[2] = {-c[0], -c[1]}, d[2] = {c[2], c[3]};
    for (int k = 0; k <= 2; ++k) {
      const double ref = reference::integrate(
          [&](long double s) {
            const long double x = d[0] + s * h[0], y = d[1] + s * h[1];
            return std::pow(s, k) / (x * x + y * y);
          },
          -1, 1);
      EXPECT_NEAR(dlpMoment(k, h, d), ref, kAgainstQuadrature * std::max(1.0, std::fabs(ref)));
    }
    EXPECT_NEAR(dlpMoment(1, mh, d), -dlpMoment(1, h, d), 1e-15);
    EXPECT_NEAR(dlpMoment(0, mh, d), dlpMoment(0, h, d), 1e-15);
  }
}

TEST(DlpMoment, DegenerateElement) {
  const double h[2] = {0, 0}, d[2] = {3, 4};
  EXPECT_DOUBLE_EQ(dlpMoment(0, h, d), 2.0 / 25);
  EXPECT_TRUE(std::isnan(dlpMoment(1, h, d)));
}

}  // namespace
