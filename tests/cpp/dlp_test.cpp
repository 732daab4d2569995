// The double-layer matrix and the gradient of the double layer: row sums on
// closed polygons, any number of threads, the wide lanes against the scalar
// ones, the pair integral of touching elements by two routes, and the
// gradient against differences of dlpfield and against a harmonic function,
// at every lane width.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "bem2d.h"
#include "dlp_pair.h"
#include "lane_widths.h"
#include "panels.h"
#include "polygon_mesh.h"

namespace {

// K at the given lane width (tests force every width: lane_widths.h).
std::vector<double> dlp(const PolygonMesh& m, double eta, int lanes, int threads = 0) {
  std::vector<double> K(static_cast<size_t>(m.nE) * m.nC, -7);
  RunOptions options;
  options.threads = threads;
  options.lanes = lanes;
  EXPECT_TRUE(bem2d::dlpmatrix(prepared(m), eta, K.data(), options));
  return K;
}

// On a closed polygon K 1 = -1/2 at every point of an element (the double
// layer of 1 without jump term), so row i sums to -|E_i|/2, on every route
// (eta = 0: every pair in closed form or on panels; 0.5: far pairs by the
// tensor rule; -1: every pair sent to quadrature). Rows hold O(1) entries.
TEST(Dlpmatrix, RowsSumToMinusHalfTheLength) {
  for (int lanes : laneWidths()) {
    for (int n : {12, 90}) {
      const PolygonMesh m = polygonMesh(n, 1.3, 0.3);
      for (double eta : {0.5, 0.0, -1.0}) {
        const std::vector<double> K = dlp(m, eta, lanes);
        for (int i = 0; i < n; ++i) {
          double row = 0;
          for (int q = 0; q < m.nC; ++q) row += K[i + static_cast<size_t>(q) * n];
          EXPECT_NEAR(row, -0.5 * elementLength(m, i), 1e-14)
              << n << " " << eta << " " << i << " " << lanes;
        }
      }
    }
  }
}

// Each row sums its pairs in a fixed order: at every lane width the same bits
// for any number of threads; the wide lanes differ from the scalar ones by
// rounding (tiles: library_test).
TEST(Dlpmatrix, ThreadsAndLanes) {
  const PolygonMesh m = polygonMesh(61, 1, 0.1);
  const std::vector<double> scalar = dlp(m, 0.5, 1, 1);
  for (int lanes : laneWidths()) {
    const std::vector<double> one = dlp(m, 0.5, lanes, 1);
    for (int threads : {2, 3}) EXPECT_EQ(dlp(m, 0.5, lanes, threads), one) << lanes;
    EXPECT_LE(maxDiff(one, scalar), 1e-15 * maxAbs(scalar)) << lanes;
  }
}

// Elements sharing a node: the closed form from the homogeneity of the kernel
// against the panels along the first element, which reach the shared node
// through ever smaller panels (a route that shares nothing with it but the
// single closed forms): at angles from 1e-6 rad to nearly 2 pi, folded back,
// in line, and very unequal lengths.
TEST(DlpPair, TouchingPairsByTwoRoutes) {
  const double cases[][4] = {{1, 0, 0.3, 0.7}, {1, 0, -0.2, 0.9}, {1, 0, 2, 1e-6}, {1, 0, 1, -1e-6},
                             {1, 0, -3, 0.01}, {2, 1, 1e-6, 3e-7}, {1, 0, -1, 0}, {1, 0, 0.5, 0}};
  for (const auto& c : cases) {
    for (bool reversed : {false, true}) {
      // S from O = (0, 0) to (c0, c1); T from O to (c2, c3), or back.
      const Segment S = segmentOf(0, 0, c[0], c[1]);
      const Segment t = segmentOf(reversed ? c[2] : 0, reversed ? c[3] : 0, reversed ? 0 : c[2],
                                  reversed ? 0 : c[3]);
      double closed[2], panels[2];
      dlpPairValues(S, t, closed);
      outerIntegral<2>(
          t, S, [&](double x1, double x2, double* v) { doubleLayerHats(t, viewFrom(t, x1, x2), v); },
          panels);
      for (int k = 0; k < 2; ++k) {
        EXPECT_NEAR(closed[k], panels[k] / -6.283185307179586, 1e-15 * (1 + std::fabs(closed[k])))
            << c[2] << " " << c[3] << " " << reversed << " " << k;
      }
    }
  }
}

// The gradient against central differences of dlpfield (step 1e-5: error
// about 1e-10 of the values, which are O(1) here), and, through the
// representation u = V phi - K g, against the gradient a of u = a.x + b, whose
// trace is linear on every element and whose normal derivative is constant
// on each: exact to rounding.
TEST(Dlpgradfield, DifferencesAndHarmonicFunction) {
  const PolygonMesh m = polygonMesh(24, 1, 0.2);
  const int n = m.nE;
  std::vector<double> g(n), linear(n), phi(n);
  const double a[2] = {0.7, -0.3};
  for (int k = 0; k < n; ++k) {
    const double x = m.coordinates[k], y = m.coordinates[k + n];
    g[k] = x * x - y * y + 0.3 * x;
    linear[k] = a[0] * x + a[1] * y + 0.2;
    const int b = (k + 1) % n;
    const double d1 = m.coordinates[b] - x, d2 = m.coordinates[b + n] - y;
    const double L = std::hypot(d1, d2);
    phi[k] = (a[0] * d2 - a[1] * d1) / L;  // a.n, n the direction turned clockwise
  }
  const double points[][2] = {{0.1, 0.2}, {-0.5, 0.3}, {0.2, -0.85}, {2.5, 0.4}, {-0.3, 1.6}};
  const int nx = 5;
  std::vector<double> x(2 * nx);
  for (int i = 0; i < nx; ++i) {
    x[i] = points[i][0];
    x[i + nx] = points[i][1];
  }
  const bem2d::PreparedMesh mesh = prepared(m);
  for (int lanes : laneWidths()) {
    RunOptions o;
    o.lanes = lanes;
    std::vector<double> G(2 * nx), L(2 * nx);
    const Points xs = columnMajor(x.data(), nx);
    ASSERT_TRUE(bem2d::dlpgradfield(mesh, g.data(), xs, 0.5, G.data(), nullptr, o));
    ASSERT_TRUE(bem2d::dlpgradfield(mesh, linear.data(), xs, 0.5, L.data(), nullptr, o));
    const double h = 1e-5;
    for (int i = 0; i < nx; ++i) {
      for (int c = 0; c < 2; ++c) {
        double plus[2] = {points[i][0], points[i][1]}, minus[2] = {points[i][0], points[i][1]};
        plus[c] += h;
        minus[c] -= h;
        double up, down;
        bem2d::dlpfield(mesh, g.data(), columnMajor(plus, 1), 0.5, &up, o);
        bem2d::dlpfield(mesh, g.data(), columnMajor(minus, 1), 0.5, &down, o);
        EXPECT_NEAR(G[i + c * nx], (up - down) / (2 * h), 1e-9) << i << " " << c << " " << lanes;
        // grad(V phi) in direction c by tdlfield, minus grad(K g).
        const double dir[2] = {c == 0 ? 1.0 : 0.0, c == 1 ? 1.0 : 0.0};
        double dv;
        bem2d::tdlfield(mesh, phi.data(), columnMajor(points[i], 1), columnMajor(dir, 1), 0.5, &dv,
                        o);
        const bool inside = i < 3;
        EXPECT_NEAR(dv - L[i + c * nx], inside ? a[c] : 0.0, 1e-13)
            << i << " " << c << " " << lanes;
      }
    }
  }
}

}  // namespace
