// Single-layer matrix: symmetry and diagonal, any number of threads, refused
// threads, eta, and V against the single layer of the circle, at every lane
// width; the wide lanes against the scalar ones.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <system_error>
#include <vector>

#include "lane_widths.h"
#include "polygon_mesh.h"

namespace {

const double kPi = 3.14159265358979323846;

// V at the given lane width (tests force every width: lane_widths.h).
std::vector<double> slp(const PolygonMesh& m, double eta, int lanes, int threads = 0,
                        ThreadSpawn spawn = spawnThread) {
  std::vector<double> V(static_cast<size_t>(m.nE) * m.nE, -1);
  RunOptions options;
  options.threads = threads;
  options.lanes = lanes;
  options.spawn = spawn;
  EXPECT_TRUE(bem2d::slpmatrix(prepared(m), eta, V.data(), options));
  return V;
}

// ---- the matrix -----------------------------------------------------------------------

TEST(Slpmatrix, SymmetricWithTheClosedFormDiagonal) {
  const PolygonMesh m = polygonMesh(60, 1.5, 0.2);
  for (int lanes : laneWidths()) {
    for (int threads : {1, 3}) {
      const std::vector<double> V = slp(m, 0.5, lanes, threads);
      for (int i = 0; i < m.nE; ++i) {
        // An element touches itself: closed form, L^2 (3/2 - log L) / (2 pi).
        const double L = elementLength(m, i);
        EXPECT_NEAR(V[i + static_cast<size_t>(i) * m.nE], L * L * (1.5 - std::log(L)) / (2 * kPi),
                    1e-15)
            << i;
        for (int j = 0; j < m.nE; ++j) {
          ASSERT_EQ(V[i + static_cast<size_t>(j) * m.nE], V[j + static_cast<size_t>(i) * m.nE]);
        }
      }
    }
  }
}

// Every entry is computed once, by one thread, with the same arithmetic
// whatever the number of threads: at every lane width the same bits for 1, 2,
// 3 and 7 threads and when the system refuses every thread. The wide lanes
// take the same pairs by the same series as the scalar lanes, with SLEEF's
// logarithm: against the scalar lanes, rounding only (entries of size up to
// 0.1, a few 1e-17 each).
TEST(Slpmatrix, ThreadsChangeNoBitAndLanesOnlyRounding) {
  for (int n : {37, 201}) {
    const PolygonMesh m = polygonMesh(n, 1, 0.1);
    const std::vector<double> scalar = slp(m, 0.5, 1, 1);
    EXPECT_GT(*std::min_element(scalar.begin(), scalar.end()), -1 + 1e-3) << "unwritten entry";
    for (int lanes : laneWidths()) {
      const std::vector<double> one = slp(m, 0.5, lanes, 1);
      for (int threads : {2, 3, 7}) {
        EXPECT_EQ(slp(m, 0.5, lanes, threads), one) << n << " " << threads;
      }
      EXPECT_EQ(slp(m, 0.5, lanes, 4, refuseEveryThread), one);
      EXPECT_LE(maxDiff(one, scalar), 1e-15 * maxAbs(scalar)) << n << " " << lanes;
    }
  }
}

// eta = 0 and NaN take the closed form on every pair, and so does eta = 1e300
// (eta times any length exceeds every distance): the same numbers bit for
// bit. The default sends separated pairs to the power series and the refined
// 16-point rule; both are exact, so the routes agree to rounding.
TEST(Slpmatrix, EtaRoutes) {
  for (int lanes : laneWidths()) {
    for (int n : {80, 210}) {
      const PolygonMesh m = polygonMesh(n, 1, 0.1);
      const std::vector<double> closed = slp(m, 0, lanes);
      EXPECT_EQ(slp(m, std::nan(""), lanes), closed);
      EXPECT_EQ(slp(m, 1e300, lanes), closed);
      const std::vector<double> standard = slp(m, 0.5, lanes);
      EXPECT_NE(standard, closed);
      EXPECT_LE(maxDiff(standard, closed), 1e-15 * maxAbs(closed)) << n << " " << lanes;
    }
  }
}

// The single layer of density 1 on the circle of radius R equals -R log R on
// the circle, so row i of V sums to about -R log R times the length of
// element i. The inscribed polygon differs from the circle by O(h^2), h the
// element length: the error must stay below h^2 and drop by about 4 when the
// mesh is refined.
TEST(Slpmatrix, RowSumsApproachTheCircleSingleLayer) {
  const double R = 2;
  for (int lanes : laneWidths()) {
    double err[2];
    for (int level = 0; level < 2; ++level) {
      const int n = 100 << level;
      const PolygonMesh m = polygonMesh(n, R);
      const std::vector<double> V = slp(m, 0.5, lanes);
      err[level] = 0;
      for (int i = 0; i < n; ++i) {
        double row = 0;
        for (int j = 0; j < n; ++j) row += V[i + static_cast<size_t>(j) * n];
        err[level] = std::max(err[level], std::fabs(row / elementLength(m, i) + R * std::log(R)));
      }
      const double h = 2 * kPi * R / n;
      EXPECT_LT(err[level], h * h) << n;
    }
    EXPECT_GT(err[0] / err[1], 3.5) << lanes;
    EXPECT_LT(err[0] / err[1], 4.5) << lanes;
  }
}

}  // namespace
