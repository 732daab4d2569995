// Single-layer element-pair integral: orientation and distance helpers, the
// closed form against exact double integrals, the quadrature against an
// independent long-double quadrature, and the admissibility routes.
#include "slp_pair.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "reference.h"

namespace {

const double kPi = 3.14159265358979323846;
// Closed form against an exact formula of size O(1): the closed form sums a
// handful of terms of size at most about 10 (the -8 of the general branch,
// alpha J), so its rounding error is a few times 1e-15; 1e-13 leaves margin
// and is still far below any branch or formula error (1e-6 and up).
const double kExact = 1e-13;
// Against reference::integrate2 (adaptive Simpson in long double, asked for
// 1e-13 on a smooth integrand) for separated pairs.
const double kReference = 1e-12;

// A segment by its ends: start.x, start.y, end.x, end.y.
struct Ends {
  double v[4];
  operator Segment() const { return segmentOf(v[0], v[1], v[2], v[3]); }
};

Ends reversed(const Ends& s) { return {{s.v[2], s.v[3], s.v[0], s.v[1]}}; }

// The segment turned by angle phi about the origin and moved by (tx, ty):
// G depends only on the relative position, so every exact value holds for
// all placements.
Ends placed(const Ends& s, double phi, double tx, double ty) {
  const double c = std::cos(phi), n = std::sin(phi);
  return {{c * s.v[0] - n * s.v[1] + tx, n * s.v[0] + c * s.v[1] + ty, c * s.v[2] - n * s.v[3] + tx,
           n * s.v[2] + c * s.v[3] + ty}};
}

double length(const Ends& s) { return std::hypot(s.v[2] - s.v[0], s.v[3] - s.v[1]); }

// -1/(2 pi) int_P int_Q log|x - y| ds_y ds_x by the independent quadrature
// over the unit square of parameters.
double referenceEntry(const Ends& P, const Ends& Q) {
  const double* p = P.v;
  const double* q = Q.v;
  const double integral = reference::integrate2(
      [&](long double s, long double t) {
        const long double dx = (p[0] + s * (p[2] - p[0])) - (q[0] + t * (q[2] - q[0]));
        const long double dy = (p[1] + s * (p[3] - p[1])) - (q[1] + t * (q[3] - q[1]));
        return std::log(dx * dx + dy * dy) / 2;
      },
      0, 1, 0, 1);
  return -integral * length(P) * length(Q) / (2 * kPi);
}

// int_0^a int_0^b log(s^2 + t^2) dt ds: two perpendicular legs of lengths a
// and b meeting at their common end point (antiderivative of log(s^2 + t^2)
// taken twice).
double cornerIntegral(double a, double b) {
  return a * b * (std::log(a * a + b * b) - 3) + a * a * std::atan(b / a) +
         b * b * std::atan(a / b);
}

// Second antiderivative of log x: F'' = log, F(0) = 0, so
// int_0^a int_0^b log(g + s + t) dt ds = F(a + b + g) - F(a + g) - F(b + g) + F(g).
double F(double x) { return x == 0 ? 0 : x * x * std::log(x) / 2 - 0.75 * x * x; }

// ---- ccw and segmentDistance ---------------------------------------------------

TEST(Ccw, SidesAndTheCollinearCases) {
  // Directed segment from (1, 1) to (3, 2).
  EXPECT_EQ(ccw(1, 1, 3, 2, 1, 1), 0);    // r = p
  EXPECT_EQ(ccw(1, 1, 3, 2, 3, 2), 0);    // r = q
  EXPECT_EQ(ccw(1, 1, 3, 2, 2, 1.5), 0);  // r inside
  EXPECT_EQ(ccw(1, 1, 3, 2, 5, 3), +1);   // on the line beyond q
  EXPECT_EQ(ccw(1, 1, 3, 2, -1, 0), -1);  // on the line behind p
  EXPECT_EQ(ccw(1, 1, 3, 2, 2, 3), +1);   // left
  EXPECT_EQ(ccw(1, 1, 3, 2, 2, 0), -1);   // right
  // Axis-parallel segments exercise each coordinate test of the collinear case.
  EXPECT_EQ(ccw(0, 0, 0, 2, 0, -1), -1);
  EXPECT_EQ(ccw(0, 0, 0, 2, 0, 3), +1);
  EXPECT_EQ(ccw(0, 0, 2, 0, -1, 0), -1);
  EXPECT_EQ(ccw(0, 0, 2, 0, 1, 0), 0);
}

TEST(SegmentDistance, TouchingCrossingAndSeparated) {
  const Ends P = {{0, 0, 2, 0}};
  // Collinear and disjoint: the gap between the nearest end points.
  EXPECT_DOUBLE_EQ(segmentDistance(P, Ends{{3.5, 0, 5, 0}}), 1.5);
  EXPECT_DOUBLE_EQ(segmentDistance(Ends{{-4, 0, -1, 0}}, P), 1.0);
  // An end point on the other segment, a shared end point, a crossing, an
  // overlap, identical segments: 0.
  EXPECT_EQ(segmentDistance(P, Ends{{1, 0, 1, 3}}), 0);
  EXPECT_EQ(segmentDistance(P, Ends{{2, 0, 4, 1}}), 0);
  EXPECT_EQ(segmentDistance(P, Ends{{1, -1, 1.5, 1}}), 0);
  EXPECT_EQ(segmentDistance(P, Ends{{1, 0, 3, 0}}), 0);
  EXPECT_EQ(segmentDistance(P, P), 0);
  // Parallel above, a T seen from above, a skew pair nearest at an end point
  // of P: Pythagoras.
  EXPECT_DOUBLE_EQ(segmentDistance(P, Ends{{0.5, 0.75, 1.5, 0.75}}), 0.75);
  EXPECT_DOUBLE_EQ(segmentDistance(P, Ends{{1, 0.5, 1, 4}}), 0.5);
  EXPECT_DOUBLE_EQ(segmentDistance(P, Ends{{5, 4, 6, 8}}), 5.0);
  EXPECT_DOUBLE_EQ(segmentDistance(Ends{{5, 4, 6, 8}}, P), 5.0);
}

// ---- closed form against exact double integrals --------------------------------

TEST(SlpPair, IdenticalSegments) {
  // int_0^L int_0^L log|s - t| = L^2 (log L - 3/2), so G = (3/2 - log L)/(2 pi).
  for (double L : {0.01, 0.5, 1.0, 3.0, 100.0}) {
    for (double phi : {0.0, 0.3, 1.5707963267948966, 2.5}) {
      const Ends S = placed(Ends{{0, 0, L, 0}}, phi, 0.7, -1.3);
      const double G = (1.5 - std::log(L)) / (2 * kPi);
      EXPECT_NEAR(slpPairNormalized(S, S, 0.5), G, kExact) << L << " " << phi;
      EXPECT_NEAR(slpPairEntry(S, S, 0.5), L * L * G, kExact * L * L) << L << " " << phi;
      EXPECT_NEAR(slpPairNormalized(S, reversed(S), 0.5), G, kExact) << L << " " << phi;
    }
  }
}

TEST(SlpPair, CollinearSegments) {
  // [0, a] and [a + g, a + g + b] on one line: with s measured back from the
  // end of the first and t forward from the start of the second, the
  // distance is g + s + t.
  struct Case {
    double a, b, g;
  };
  for (const Case& c : {Case{1, 1, 0}, Case{0.7, 1.3, 0}, Case{2, 0.25, 0}, Case{0.7, 1.3, 0.25},
                        Case{1, 0.5, 3}}) {
    const double exact = -(F(c.a + c.b + c.g) - F(c.a + c.g) - F(c.b + c.g) + F(c.g)) / (2 * kPi);
    for (double phi : {0.0, 0.9, -2.2}) {
      const Ends P = placed(Ends{{0, 0, c.a, 0}}, phi, 1, 2);
      const Ends Q = placed(Ends{{c.a + c.g, 0, c.a + c.g + c.b, 0}}, phi, 1, 2);
      for (double eta : {0.0, 0.5, 1e300}) {
        EXPECT_NEAR(slpPairEntry(P, Q, eta), exact, kExact) << c.a << " " << c.g << " " << phi;
        EXPECT_NEAR(slpPairEntry(reversed(Q), P, eta), exact, kExact) << c.a << " " << phi;
      }
    }
  }
}

TEST(SlpPair, TouchingAndCrossingSegments) {
  // Perpendicular segments through a common point O, P along x from -a1 to
  // a2, Q along y from -b1 to b2: the square of parameters splits at O into
  // four corners of legs (a, b), each int int log(s^2 + t^2) = cornerIntegral.
  struct Case {
    double a1, a2, b1, b2;
  };
  const Case cases[] = {
      {0, 1, 0, 1},          // L shape, shared end point
      {0, 2, 0, 0.5},        // L shape, unequal legs
      {1, 2, 0, 1},          // T: an end point of Q inside P
      {1, 1, 1, 1},          // plus sign: crossing at both midpoints
      {0.3, 1.7, 0.8, 0.2},  // crossing off the midpoints
  };
  for (const Case& c : cases) {
    double sum = 0;
    for (double a : {c.a1, c.a2}) {
      for (double b : {c.b1, c.b2}) {
        if (a > 0 && b > 0) sum += cornerIntegral(a, b);
      }
    }
    const double exact = -sum / 2 / (2 * kPi);  // log|x - y| = log(s^2 + t^2) / 2
    for (double phi : {0.0, 0.4, 3.0}) {
      const Ends P = placed(Ends{{-c.a1, 0, c.a2, 0}}, phi, -0.6, 0.1);
      const Ends Q = placed(Ends{{0, -c.b1, 0, c.b2}}, phi, -0.6, 0.1);
      EXPECT_EQ(segmentDistance(P, Q), 0);
      // Distance 0: the closed form for every eta >= 0, however large.
      for (double eta : {0.0, 0.5, 1e300}) {
        EXPECT_NEAR(slpPairEntry(P, Q, eta), exact, kExact)
            << c.a1 << " " << c.a2 << " " << phi;
        EXPECT_NEAR(slpPairEntry(Q, reversed(P), eta), exact, kExact) << c.a1 << " " << phi;
      }
    }
  }
}

// ---- separated pairs: closed form, quadrature and the reference ----------------

TEST(SlpPair, SeparatedPairsAgainstReferenceQuadrature) {
  const Ends pairs[][2] = {
      {{{0, 0, 1, 0}}, {{3, 1, 3.5, 2}}},          // skew, well separated
      {{{-1, 0.5, 0.2, -0.3}}, {{2, 2, 4, 2.5}}},  // skew, longer second
      {{{0, 0, 1, 0}}, {{0.25, 3, 1.5, 3}}},       // parallel, offset
      {{{0, 0, 2, 1}}, {{2, 5, 6, 7}}},            // parallel, equal direction
      {{{0, 0, 1, 0}}, {{3, 0, 3.5, 0}}},          // collinear, apart
      {{{0, 0, 1, 0}}, {{0.3, 0.4, 0.8, 0.9}}},    // near: distance 0.4
  };
  for (const auto& pq : pairs) {
    const Ends& P = pq[0];
    const Ends& Q = pq[1];
    const double ref = referenceEntry(P, Q);
    const double LL = length(P) * length(Q);
    // The closed form is exact for any placement.
    EXPECT_NEAR(slpPairAnalytic(P, Q) * LL, ref, kReference) << P.v[0] << " " << Q.v[0];
    EXPECT_NEAR(slpPairAnalytic(Q, P) * LL, ref, kReference) << P.v[0] << " " << Q.v[0];
  }
  // For well-separated pairs (distance at least twice the longer length) the
  // 16-point rule converges like rho^-32 with rho >= 4: below rounding.
  for (int k = 0; k < 5; ++k) {
    const Ends& P = pairs[k][0];
    const Ends& Q = pairs[k][1];
    const double ref = referenceEntry(P, Q);
    const double LL = length(P) * length(Q);
    EXPECT_NEAR(slpPairQuadrature(P, Q) * LL, ref, kReference) << k;
    EXPECT_NEAR(slpPairQuadrature(Q, P) * LL, ref, kReference) << k;
    EXPECT_NEAR(slpPairEntry(P, Q, 0.5), ref, kReference) << k;
  }
}

TEST(SlpPair, OrientationAndOrderOnlyChangeRounding) {
  const Ends pairs[][2] = {
      {{{0, 0, 1, 0}}, {{3, 1, 3.5, 2}}},         // quadrature at eta = 0.5
      {{{0, 0, 1, 0}}, {{0.3, 0.4, 0.8, 0.9}}},   // closed form, general
      {{{0, 0, 1, 0}}, {{0.25, 0.5, 1.5, 0.5}}},  // closed form, parallel
      {{{0, 0, 1, 0}}, {{1, 0, 1.6, 0.8}}},       // touching
      {{{0, 0, 1, 0}}, {{2, 0, 3, 0}}},           // equal lengths, collinear
  };
  for (const auto& pq : pairs) {
    const Ends P = pq[0], Q = pq[1];
    for (double eta : {0.0, 0.5}) {
      const double G = slpPairNormalized(P, Q, eta);
      const double tol = 1e-14 * std::fabs(G) + 1e-15;
      EXPECT_NEAR(slpPairNormalized(reversed(P), Q, eta), G, tol);
      EXPECT_NEAR(slpPairNormalized(P, reversed(Q), eta), G, tol);
      EXPECT_NEAR(slpPairNormalized(reversed(Q), reversed(P), eta), G, tol);
      // Unequal lengths: both orders evaluate (longer, shorter), bit for bit.
      if (length(P) != length(Q)) {
        EXPECT_EQ(slpPairNormalized(Q, P, eta), G);
        EXPECT_EQ(slpPairEntry(Q, P, eta), slpPairEntry(P, Q, eta));
      }
    }
  }
}

// ---- the admissibility routes: which function eta picks, and both exact ------

TEST(SlpPair, AdmissibilityRoutes) {
  // The end (1, 0) of P faces, across the gap g = 1/1024, the start of the
  // shorter Q, which leaves the line of P at an angle. For separated segments
  // both routes integrate the closed form along P over the same panels of Q
  // (refined toward the near end, where the potential of P has its branch
  // point), but they scale by the lengths differently: the quadrature route
  // by sqrt(|P|^2 |Q|^2), the closed-form route by |P| |Q|, which round apart
  // for these lengths (sqrt(5/32) and sqrt(5/64)). So the bits show which
  // route ran; both must match the independent quadrature.
  const double g = 1.0 / 1024;
  const Ends P = {{0.875, -0.375, 1, 0}};
  const Ends Q = {{1 + g, 0, 1.125 + g, 0.25}};
  const double ref = referenceEntry(P, Q) / (length(P) * length(Q));
  const double quadrature = slpPairQuadrature(P, Q);
  const double analytic = slpPairAnalytic(P, Q);
  EXPECT_NEAR(quadrature, ref, kReference);
  EXPECT_NEAR(analytic, ref, kReference);
  ASSERT_NE(quadrature, analytic) << "the routes must differ in their bits for this test";
  ASSERT_EQ(segmentDistance(P, Q), g);

  // eta |Q| < g exactly when eta < g / |Q| = 1/286.2...: eta = 1/320 takes
  // the quadrature route, in either order (the longer goes first; the length
  // of the longer, g / |P| = 1/404.7..., would send it to the closed form),
  // and so does a negative eta, which passes the test for every pair.
  for (double eta : {1.0 / 320, -0.5}) {
    EXPECT_EQ(slpPairNormalized(P, Q, eta), quadrature) << eta;
    EXPECT_EQ(slpPairNormalized(Q, P, eta), quadrature) << eta;
  }
  // Beyond it, eta = 0 and a NaN eta: the closed form.
  for (double eta : {1.0 / 256, 0.5, 0.0, std::nan("")}) {
    EXPECT_EQ(slpPairNormalized(P, Q, eta), analytic) << eta;
    EXPECT_EQ(slpPairNormalized(Q, P, eta), analytic) << eta;
  }

  // Identical unit segments: a negative eta sends even this pair to the
  // quadrature route, whose panels are refined toward the logarithmic
  // singularities at the ends: exact as well.
  const Ends unit = {{0, 0, 1, 0}};
  const double Gself = 1.5 / (2 * kPi);
  for (double eta : {0.5, std::nan(""), -1.0}) {
    EXPECT_NEAR(slpPairNormalized(unit, unit, eta), Gself, kExact) << eta;
  }
}

}  // namespace
