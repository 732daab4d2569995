// Single-layer matrix: the column partition of the workers, symmetry and
// diagonal, serial against threaded, refused threads, and V against the
// single layer of the circle.
#include "slpmatrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <system_error>
#include <vector>

#include "column_workers.h"
#include "polygon_mesh.h"

namespace {

const double kPi = 3.14159265358979323846;

std::vector<double> serial(const PolygonMesh& m, double eta) {
  std::vector<double> V(static_cast<size_t>(m.nE) * m.nE, -1);
  assembleSlpSerial(V.data(), m.nC, m.nE, m.coordinates.data(), m.elements.data(), eta);
  return V;
}

std::vector<double> threaded(const PolygonMesh& m, double eta, ThreadSpawn spawn = spawnThread) {
  std::vector<double> V(static_cast<size_t>(m.nE) * m.nE, -1);
  assembleSlpThreaded(V.data(), m.nC, m.nE, m.coordinates.data(), m.elements.data(), eta, spawn);
  return V;
}

// Pairs in columns f..l of the lower triangle with the diagonal.
std::int64_t pairCount(std::int64_t f, std::int64_t l) {
  return (l + 1) * (l + 2) / 2 - f * (f + 1) / 2;
}

// ---- column partition -------------------------------------------------------------

TEST(SlpColumnRanges, TwoHundredElements) {
  int first[4], last[4];
  slpColumnRanges(200, first, last);
  const int expectFirst[4] = {0, 101, 143, 176}, expectLast[4] = {100, 142, 175, 199};
  const std::int64_t expectPairs[4] = {5151, 5145, 5280, 4524};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(first[k], expectFirst[k]) << k;
    EXPECT_EQ(last[k], expectLast[k]) << k;
    EXPECT_EQ(pairCount(first[k], last[k]), expectPairs[k]) << k;
  }
}

// Past nE = 46,341 the pair count nE (nE + 1) no longer fits 32 bits. The
// ranges must still cover 0..nE-1 contiguously and stay balanced. With
// share = nE (nE + 1) / 8, each cut l = floor(sqrt(f (f + 1) + 1 + 2 share))
// gives a range of share + 1/2 to share + 3 (l + 1) / 2 pairs, so the first
// three hold share..share + 1.5 nE pairs and the last the remainder, at least
// share - 4.5 nE.
TEST(SlpColumnRanges, LargeMeshesStayContiguousAndBalanced) {
  for (int nE : {200, 201, 1000, 46340, 46341, 50000, 65536, 77777, 99999, 100000}) {
    int first[4], last[4];
    slpColumnRanges(nE, first, last);
    const std::int64_t n = nE, share = n * (n + 1) / 8;
    EXPECT_EQ(first[0], 0) << nE;
    EXPECT_EQ(last[3], nE - 1) << nE;
    std::int64_t covered = 0;
    for (int k = 0; k < 4; ++k) {
      ASSERT_LE(first[k], last[k]) << nE << " range " << k;
      if (k > 0) {
        EXPECT_EQ(first[k], last[k - 1] + 1) << nE << " range " << k;
      }
      const std::int64_t pairs = pairCount(first[k], last[k]);
      covered += pairs;
      if (k < 3) {
        EXPECT_GT(pairs, share) << nE << " range " << k;
        EXPECT_LE(pairs, share + 3 * n / 2 + 2) << nE << " range " << k;
      } else {
        EXPECT_GE(pairs, share - 9 * n / 2) << nE;
        EXPECT_LE(pairs, share + 3) << nE;
      }
    }
    EXPECT_EQ(covered, n * (n + 1) / 2) << nE;
  }
  // The overflow this guards against: the pair count itself.
  EXPECT_GT(std::int64_t{46341} * 46342, std::int64_t{INT_MAX});
}

// Below the threshold (the threaded path is not used there, but must not
// write outside a small matrix either): cuts are held at nE - 1.
TEST(SlpColumnRanges, SmallMeshesNeverPassTheLastColumn) {
  for (int nE = 0; nE < 12; ++nE) {
    int first[4], last[4];
    slpColumnRanges(nE, first, last);
    int next = 0;
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(first[k], next) << nE << " " << k;
      EXPECT_LE(last[k], nE - 1) << nE << " " << k;
      EXPECT_GE(last[k], first[k] - 1) << nE << " " << k;
      next = last[k] + 1;
    }
    EXPECT_EQ(next, nE);
  }
}

// ---- the matrix -----------------------------------------------------------------------

TEST(Slpmatrix, SymmetricWithTheClosedFormDiagonal) {
  const PolygonMesh m = polygonMesh(60, 1.5, 0.2);
  for (const std::vector<double>& V : {serial(m, 0.5), threaded(m, 0.5)}) {
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

// The two fills pass the pair in opposite orders; the exchange to (longer,
// shorter) makes that irrelevant except for elements of equal length, where
// the quadrature points move to the other element: rounding only. Entries
// are at most about 0.1 here, the rounding of one entry a few 1e-17.
TEST(Slpmatrix, ThreadedEqualsSerialUpToRounding) {
  for (int n : {199, 200, 201}) {
    for (double wobble : {0.0, 0.1}) {
      const PolygonMesh m = polygonMesh(n, 1, wobble);
      const std::vector<double> S = serial(m, 0.5), T = threaded(m, 0.5);
      EXPECT_LE(maxDiff(S, T), 1e-15 * maxAbs(S)) << n << " " << wobble;
      EXPECT_GT(*std::min_element(T.begin(), T.end()), -1 + 1e-3) << "unwritten entry";
    }
  }
}

// A refused thread does not end the process: its columns are computed on the
// calling thread with the same arithmetic, so the matrix is the same bit for
// bit.
TEST(Slpmatrix, RefusedThreadsStillGiveTheMatrix) {
  const PolygonMesh m = polygonMesh(230, 1, 0.1);
  const std::vector<double> T = threaded(m, 0.5);
  EXPECT_EQ(threaded(m, 0.5, refuseEveryThread), T);
  EXPECT_EQ(threaded(m, 0.5, refuseAllButTheFirst<CompWorkerSimple>), T);
}

// eta = 0 and NaN take the closed form on every pair, and so does eta = 1e300
// (eta times any length exceeds every distance): the same numbers bit for
// bit. The default sends separated pairs to the 16-point rule. On them the
// closed form cancels terms of size alpha ~ distance / (length sin(angle))
// against a result of size 1 (about 1e4 for the nearly parallel elements on
// opposite sides of a wobbly circle), so the two routes agree only to about
// 1e-11 of the diagonal; a wrong route (the 16-point rule on a touching pair)
// would differ by 1e-4 or more.
TEST(Slpmatrix, EtaRoutes) {
  for (int n : {80, 210}) {
    const PolygonMesh m = polygonMesh(n, 1, 0.1);
    const std::vector<double> closed = n < 200 ? serial(m, 0) : threaded(m, 0);
    const auto fill = [&](double eta) { return n < 200 ? serial(m, eta) : threaded(m, eta); };
    EXPECT_EQ(fill(std::nan("")), closed);
    EXPECT_EQ(fill(1e300), closed);
    const std::vector<double> standard = fill(0.5);
    EXPECT_NE(standard, closed);
    EXPECT_LE(maxDiff(standard, closed), 1e-10 * maxAbs(closed));
  }
}

// The single layer of density 1 on the circle of radius R equals -R log R on
// the circle, so row i of V sums to about -R log R times the length of
// element i. The inscribed polygon differs from the circle by O(h^2), h the
// element length: the error must stay below h^2 and drop by about 4 when the
// mesh is refined (100 elements serial, 200 threaded).
TEST(Slpmatrix, RowSumsApproachTheCircleSingleLayer) {
  const double R = 2;
  double err[2];
  for (int level = 0; level < 2; ++level) {
    const int n = 100 << level;
    const PolygonMesh m = polygonMesh(n, R);
    const std::vector<double> V = n < 200 ? serial(m, 0.5) : threaded(m, 0.5);
    err[level] = 0;
    for (int i = 0; i < n; ++i) {
      double row = 0;
      for (int j = 0; j < n; ++j) row += V[i + static_cast<size_t>(j) * n];
      err[level] = std::max(err[level], std::fabs(row / elementLength(m, i) + R * std::log(R)));
    }
    const double h = 2 * kPi * R / n;
    EXPECT_LT(err[level], h * h) << n;
  }
  EXPECT_GT(err[0] / err[1], 3.5);
  EXPECT_LT(err[0] / err[1], 4.5);
}

}  // namespace
