// Hypersingular matrix: exact symmetry, W * ones = 0, any number of threads,
// refused threads, unused nodes, eta, W against the single-layer matrix, and
// the energy of cos(m theta) on the circle, at every lane width; the wide
// lanes against the scalar ones.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <system_error>
#include <vector>

#include "lane_widths.h"
#include "polygon_mesh.h"

namespace {

const double kPi = 3.14159265358979323846;

// W at the given lane width (tests force every width: lane_widths.h).
std::vector<double> hyp(const PolygonMesh& m, double eta, int lanes, int threads = 0,
                        ThreadSpawn spawn = spawnThread) {
  std::vector<double> W(static_cast<size_t>(m.nC) * m.nC, 0);
  RunOptions options;
  options.threads = threads;
  options.lanes = lanes;
  options.spawn = spawn;
  EXPECT_TRUE(bem2d::hypmatrix(prepared(m), eta, W.data(), options));
  return W;
}

// ---- the matrix ------------------------------------------------------------------------

// W is exactly symmetric (the upper triangle mirrors the lower one), and its
// rows sum to zero up to the rounding of nC additions of entries of size up to
// max|W| (each pair's value enters two entries of a row with opposite signs,
// or, between far nodes, blocks whose hats sum to the constant 1).
TEST(Hypmatrix, SymmetricAndAnnihilatesConstants) {
  for (int lanes : laneWidths()) {
    for (int n : {50, 199, 200, 257}) {
      const PolygonMesh m = polygonMesh(n, 1, 0.1);
      const std::vector<double> W = hyp(m, 0.5, lanes);
      const double scale = maxAbs(W);
      const double tol = 4 * n * 2.2e-16 * scale;
      for (int p = 0; p < n; ++p) {
        double row = 0, column = 0;
        for (int q = 0; q < n; ++q) {
          row += W[p + static_cast<size_t>(q) * n];
          column += W[q + static_cast<size_t>(p) * n];
          ASSERT_EQ(W[p + static_cast<size_t>(q) * n], W[q + static_cast<size_t>(p) * n]);
        }
        EXPECT_NEAR(row, 0, tol) << n << " " << p;
        EXPECT_NEAR(column, 0, tol) << n << " " << p;
      }
      // The diagonal is the energy of a hat function: positive.
      for (int p = 0; p < n; ++p) EXPECT_GT(W[p + static_cast<size_t>(p) * n], 0);
    }
  }
}

// Each pair is computed once by one thread and the values are added into W
// in a fixed order: at every lane width the same bits for any number of
// threads, also when the system refuses every thread. The wide lanes differ
// from the scalar ones by rounding only (the rounding of the row sums' bound
// below).
TEST(Hypmatrix, ThreadsChangeNoBitAndLanesOnlyRounding) {
  for (int n : {41, 203}) {
    const PolygonMesh m = polygonMesh(n, 1, 0.1);
    const std::vector<double> scalar = hyp(m, 0.5, 1, 1);
    for (int lanes : laneWidths()) {
      const std::vector<double> one = hyp(m, 0.5, lanes, 1);
      for (int threads : {2, 3, 5}) {
        EXPECT_EQ(hyp(m, 0.5, lanes, threads), one) << n << " " << lanes << " " << threads;
      }
      EXPECT_EQ(hyp(m, 0.5, lanes, 3, refuseEveryThread), one);
      EXPECT_LE(maxDiff(one, scalar), 4 * n * 2.2e-16 * maxAbs(scalar)) << n << " " << lanes;
    }
  }
}

// A vertex that no element uses: its row and column stay exactly zero, and
// the rest of W is that of the mesh without it, bit for bit (the same
// additions in the same order).
TEST(Hypmatrix, UnusedNodeGivesZeroRowAndColumn) {
  const PolygonMesh m = polygonMesh(40, 1, 0.1);
  PolygonMesh g;  // vertex 1 + spare vertex inserted as row 6
  const int spare = 5;
  g.nC = m.nC + 1;
  g.nE = m.nE;
  g.coordinates.resize(2 * static_cast<size_t>(g.nC));
  for (int c = 0; c < 2; ++c) {
    for (int k = 0, src = 0; k < g.nC; ++k) {
      g.coordinates[k + c * g.nC] = (k == spare) ? 7.5 : m.coordinates[src++ + c * m.nC];
    }
  }
  g.elements = m.elements;
  for (double& v : g.elements) {
    if (v > spare) v += 1;
  }
  for (int lanes : laneWidths()) {
    const std::vector<double> Wm = hyp(m, 0.5, lanes), Wg = hyp(g, 0.5, lanes);
    for (int p = 0; p < g.nC; ++p) {
      for (int q = 0; q < g.nC; ++q) {
        const double v = Wg[p + static_cast<size_t>(q) * g.nC];
        if (p == spare || q == spare) {
          EXPECT_EQ(v, 0) << p << " " << q;
        } else {
          const int pm = p - (p > spare), qm = q - (q > spare);
          EXPECT_EQ(v, Wm[pm + static_cast<size_t>(qm) * m.nC]) << p << " " << q;
        }
      }
    }
  }
}

// eta = 0 and NaN: closed form on every pair, the same bits. The default and
// a negative eta (every pair by the refined quadrature, the element with
// itself and its neighbours included) agree with them to rounding, and
// W * ones = 0 holds on every route.
TEST(Hypmatrix, EtaRoutes) {
  const PolygonMesh m = polygonMesh(64, 1, 0.1);
  for (int lanes : laneWidths()) {
    const std::vector<double> closed = hyp(m, 0, lanes);
    EXPECT_EQ(hyp(m, std::nan(""), lanes), closed);
    EXPECT_LE(maxDiff(hyp(m, 0.5, lanes), closed), 1e-12 * maxAbs(closed));
    const std::vector<double> negative = hyp(m, -1, lanes);
    EXPECT_LE(maxDiff(negative, closed), 1e-12 * maxAbs(closed));
    for (int p = 0; p < m.nC; ++p) {
      double row = 0;
      for (int q = 0; q < m.nC; ++q) row += negative[p + static_cast<size_t>(q) * m.nC];
      EXPECT_NEAR(row, 0, 4 * m.nC * 2.2e-16 * maxAbs(negative));
    }
  }
}

// W is V of the arc-length derivatives: with S(e, p) = -1 at the start node
// of element e and +1 at its end node and Lambda = diag(element lengths),
//   W = S' Lambda^-1 V Lambda^-1 S,
// V from slpmatrix. Both use the same pair integral (in other argument
// orders), so they agree to rounding.
TEST(Hypmatrix, EqualsTheSingleLayerOfDerivatives) {
  for (int lanes : laneWidths()) {
    for (int n : {30, 201}) {
      const PolygonMesh m = polygonMesh(n, 1.3, 0.15);
      std::vector<double> V(static_cast<size_t>(n) * n);
      RunOptions options;
      options.lanes = lanes;
      bem2d::slpmatrix(prepared(m), 0.5, V.data(), options);
      std::vector<double> expected(static_cast<size_t>(n) * n, 0);
      for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
          const double g =
              V[j + static_cast<size_t>(i) * n] / (elementLength(m, i) * elementLength(m, j));
          const int p[2] = {startVertex(m, j), endVertex(m, j)};
          const int q[2] = {startVertex(m, i), endVertex(m, i)};
          for (int a = 0; a < 2; ++a) {
            for (int b = 0; b < 2; ++b) {
              expected[p[a] + static_cast<size_t>(q[b]) * n] += (a == b ? g : -g);
            }
          }
        }
      }
      const std::vector<double> W = hyp(m, 0.5, lanes);
      EXPECT_LE(maxDiff(W, expected), 1e-13 * maxAbs(W)) << n << " " << lanes;
    }
  }
}

// On the unit circle W cos(m theta) = (m/2) cos(m theta), so the energy of
// g = cos(m theta) is (m/2) int cos^2 = m pi / 2. The Galerkin energy of the
// interpolant of g at the vertices of the inscribed polygon converges to it
// like (m h)^2 (h = 2 pi / n): the relative error must stay below (m h)^2 and
// drop by about 4 when n doubles.
TEST(Hypmatrix, EnergyOfCosinesOnTheCircle) {
  for (int lanes : laneWidths()) {
    for (int mode = 1; mode <= 4; ++mode) {
      double err[2];
      for (int level = 0; level < 2; ++level) {
        const int n = 100 << level;
        const PolygonMesh m = polygonMesh(n, 1);
        const std::vector<double> W = hyp(m, 0.5, lanes);
        std::vector<double> g(n);
        for (int k = 0; k < n; ++k) g[k] = std::cos(mode * 2 * kPi * k / n);
        double energy = 0;
        for (int p = 0; p < n; ++p) {
          for (int q = 0; q < n; ++q) energy += g[p] * W[p + static_cast<size_t>(q) * n] * g[q];
        }
        const double exact = mode * kPi / 2, h = 2 * kPi / n;
        err[level] = std::fabs(energy - exact) / exact;
        EXPECT_LT(err[level], (mode * h) * (mode * h)) << mode << " " << n;
      }
      EXPECT_GT(err[0] / err[1], 3.5) << mode << " " << lanes;
      EXPECT_LT(err[0] / err[1], 4.5) << mode << " " << lanes;
    }
  }
}

}  // namespace
