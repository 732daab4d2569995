// Hypersingular matrix and its element workers: the collector and queues on
// their own (with a worker of known output), then W: symmetry, W * ones = 0,
// one worker against two, refused threads, unused nodes, eta, W against the
// single-layer matrix, and the energy of cos(m theta) on the circle.
#include "hypmatrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <system_error>
#include <vector>

#include "element_workers.h"
#include "polygon_mesh.h"
#include "slpmatrix.h"

namespace {

const double kPi = 3.14159265358979323846;

std::vector<double> hyp(const PolygonMesh& m, double eta, int workers = 0,
                        ThreadSpawn spawn = spawnThread, CollectStats* stats = nullptr) {
  std::vector<double> W(static_cast<size_t>(m.nC) * m.nC, 0);
  WorkerOptions options;
  options.workers = workers;
  options.spawn = spawn;
  options.stats = stats;
  assembleHyp(W.data(), m.coordinates.data(), m.elements.data(), m.nC, m.nE, eta, options);
  return W;
}

// ---- collector and queues with a worker of known output --------------------------

// For every element i of its range: a vector for column i % nC holding i + 1
// in every entry, queued like the vectors of hypElementWorker.
void countingWorker(void* arg) {
  CompWorker* w = static_cast<CompWorker*>(arg);
  w->status.store(0, std::memory_order_relaxed);
  for (int i = w->first; i <= w->last; ++i) {
    NodeVector* v = newNodeVector(i % w->params->nC, w->params->nC);
    if (v == nullptr) {
      w->outOfMemory = true;
      break;
    }
    for (int r = 0; r < v->length; ++r) v->data[r] = i + 1;
    if (!enqueueVector(&w->queue, v)) {
      deleteNodeVector(v);
      w->outOfMemory = true;
      break;
    }
  }
  w->status.store(1, std::memory_order_release);
}

// Every vector reaches the output exactly once: column c collects the sum of
// i + 1 over the elements i = c (mod nC), in every row. Integers well below
// 2^53, so the sums are exact in any order. Run with both worker counts, many
// small vectors, and refused threads.
TEST(CompWorkers, EveryQueuedVectorIsAddedOnce) {
  const int nC = 7, nE = 20000;
  std::vector<double> expected(nC * nC, 0);
  for (int i = 0; i < nE; ++i) {
    for (int r = 0; r < nC; ++r) expected[r + (i % nC) * nC] += i + 1;
  }
  for (int workers : {1, 2, 0}) {
    for (ThreadSpawn spawn : {spawnThread, refuseAllButTheFirst<CompWorker>, refuseEveryThread}) {
      std::vector<double> out(nC * nC, 0);
      const MatrixTarget target = {out.data(), nC, nC};
      const AssemblyParams params = {nC, nE, nullptr, nullptr, 0.5};
      WorkerOptions options;
      options.workers = workers;
      options.spawn = spawn;
      CollectStats stats;
      options.stats = &stats;
      EXPECT_TRUE(runCompWorkers(target, params, countingWorker, 0, nE, options));
      EXPECT_EQ(out, expected) << workers;
      EXPECT_EQ(stats.workers, workers == 1 ? 1 : 2);
    }
  }
}

// Marks the range of the worker in column 0: +1 at its first element, +10
// at its last.
void rangeMarker(void* arg) {
  CompWorker* w = static_cast<CompWorker*>(arg);
  w->status.store(0, std::memory_order_relaxed);
  if (w->first <= w->last) {
    NodeVector* v = newNodeVector(0, w->params->nC);
    v->data[w->first] += 1;
    v->data[w->last] += 10;
    enqueueVector(&w->queue, v);
  }
  w->status.store(1, std::memory_order_release);
}

std::vector<double> markedRanges(int nE) {
  std::vector<double> out(static_cast<size_t>(nE) * nE, 0);
  const MatrixTarget target = {out.data(), nE, nE};
  const AssemblyParams params = {nE, nE, nullptr, nullptr, 0.5};
  EXPECT_TRUE(runCompWorkers(target, params, rangeMarker, 0, nE));
  return std::vector<double>(out.begin(), out.begin() + nE);
}

// One worker below 200 elements, two from 200 on, split at end / 2.
TEST(CompWorkers, ElementRanges) {
  std::vector<double> c = markedRanges(199);
  EXPECT_EQ(c[0], 1);
  EXPECT_EQ(c[198], 10);
  EXPECT_EQ(std::count(c.begin(), c.end(), 0.0), 197);
  c = markedRanges(201);
  EXPECT_EQ(c[0], 1);
  EXPECT_EQ(c[99], 10);
  EXPECT_EQ(c[100], 1);
  EXPECT_EQ(c[200], 10);
  EXPECT_EQ(std::count(c.begin(), c.end(), 0.0), 197);
  c = markedRanges(250);
  EXPECT_EQ(c[124], 10);
  EXPECT_EQ(c[125], 1);
  EXPECT_EQ(std::count(c.begin(), c.end(), 0.0), 246);
}

// A worker that runs out of memory stops, and the call reports the failure
// after every worker has ended (an ASan build also checks that nothing
// leaks).
void outOfMemoryWorker(void* arg) {
  CompWorker* w = static_cast<CompWorker*>(arg);
  w->status.store(0, std::memory_order_relaxed);
  if (w->first > 0) {
    w->outOfMemory = true;
  } else {
    NodeVector* v = newNodeVector(0, w->params->nC);
    enqueueVector(&w->queue, v);
  }
  w->status.store(1, std::memory_order_release);
}

TEST(CompWorkers, OutOfMemoryInAWorkerIsReportedOnTheCallingThread) {
  std::vector<double> out(4, 0);
  const MatrixTarget target = {out.data(), 2, 2};
  const AssemblyParams params = {2, 400, nullptr, nullptr, 0.5};
  EXPECT_FALSE(runCompWorkers(target, params, outOfMemoryWorker, 0, 400));
  EXPECT_TRUE(runCompWorkers(target, params, outOfMemoryWorker, 0, 100));
}

// ---- the matrix ------------------------------------------------------------------------

// Every x is added to one entry and subtracted from another of the same
// vector, so columns (and, W being symmetric, rows) sum to zero up to the
// rounding of nE additions of entries of size up to max|W|.
TEST(Hypmatrix, SymmetricAndAnnihilatesConstants) {
  for (int n : {50, 199, 200, 257}) {
    const PolygonMesh m = polygonMesh(n, 1, 0.1);
    const std::vector<double> W = hyp(m, 0.5);
    const double scale = maxAbs(W);
    const double tol = 4 * n * 2.2e-16 * scale;
    for (int p = 0; p < n; ++p) {
      double row = 0, column = 0;
      for (int q = 0; q < n; ++q) {
        row += W[p + static_cast<size_t>(q) * n];
        column += W[q + static_cast<size_t>(p) * n];
        ASSERT_NEAR(W[p + static_cast<size_t>(q) * n], W[q + static_cast<size_t>(p) * n], tol);
      }
      EXPECT_NEAR(row, 0, tol) << n << " " << p;
      EXPECT_NEAR(column, 0, tol) << n << " " << p;
    }
    // The diagonal is the energy of a hat function: positive.
    for (int p = 0; p < n; ++p) EXPECT_GT(W[p + static_cast<size_t>(p) * n], 0);
  }
}

// The queued vectors stay bounded: a worker pauses while its queue holds
// more than kQueueLimit vectors (checked after queueing the two of an
// element). At 200 elements an element takes about 0.1 ms, so one 1 ms
// sleep of the collector would otherwise let about 20 vectors pile up.
TEST(Hypmatrix, QueuedVectorsStayBounded) {
  const PolygonMesh m = polygonMesh(200, 1);
  for (int workers : {1, 2}) {
    CollectStats stats;
    hyp(m, 0.5, workers, spawnThread, &stats);
    EXPECT_EQ(stats.workers, workers);
    EXPECT_EQ(stats.vectors, 2 * m.nE);
    EXPECT_LE(stats.peakQueued, kQueueLimit + 2) << workers;
  }
}

// One worker adds the vectors in a fixed order; two interleave, which
// changes only the order of the additions into a column.
TEST(Hypmatrix, OneAndTwoWorkersAgree) {
  for (int n : {120, 201}) {
    const PolygonMesh m = polygonMesh(n, 1, 0.1);
    const std::vector<double> one = hyp(m, 0.5, 1);
    const std::vector<double> two = hyp(m, 0.5, 2);
    EXPECT_LE(maxDiff(one, two), 4 * n * 2.2e-16 * maxAbs(one)) << n;
    EXPECT_EQ(hyp(m, 0.5, 1), one) << "one worker is deterministic";
  }
}

// A refused thread does not end the process: its range runs on the calling
// thread and goes straight into the output. With every thread refused the
// vectors arrive in the same order as from one worker: the same bits.
TEST(Hypmatrix, RefusedThreadsStillGiveTheMatrix) {
  const PolygonMesh m = polygonMesh(210, 1, 0.1);
  const std::vector<double> one = hyp(m, 0.5, 1);
  EXPECT_EQ(hyp(m, 0.5, 0, refuseEveryThread), one);
  EXPECT_EQ(hyp(m, 0.5, 1, refuseEveryThread), one);
  EXPECT_LE(maxDiff(hyp(m, 0.5, 0, refuseAllButTheFirst<CompWorker>), one),
            4 * 210 * 2.2e-16 * maxAbs(one));
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
  const std::vector<double> Wm = hyp(m, 0.5), Wg = hyp(g, 0.5);
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

// eta = 0 and NaN: closed form on every pair, the same bits. The default and
// a negative eta (every pair by the refined quadrature, the element with
// itself and its neighbours included) agree with them to rounding, and
// W * ones = 0 holds on every route.
TEST(Hypmatrix, EtaRoutes) {
  const PolygonMesh m = polygonMesh(64, 1, 0.1);
  const std::vector<double> closed = hyp(m, 0);
  EXPECT_EQ(hyp(m, std::nan("")), closed);
  EXPECT_LE(maxDiff(hyp(m, 0.5), closed), 1e-12 * maxAbs(closed));
  const std::vector<double> negative = hyp(m, -1);
  EXPECT_LE(maxDiff(negative, closed), 1e-12 * maxAbs(closed));
  for (int p = 0; p < m.nC; ++p) {
    double row = 0;
    for (int q = 0; q < m.nC; ++q) row += negative[p + static_cast<size_t>(q) * m.nC];
    EXPECT_NEAR(row, 0, 4 * m.nC * 2.2e-16 * maxAbs(negative));
  }
}

// W is V of the arc-length derivatives: with S(e, p) = -1 at the start node
// of element e and +1 at its end node and Lambda = diag(element lengths),
//   W = S' Lambda^-1 V Lambda^-1 S,
// V from slpmatrix. Both use the same pair integral (in other argument
// orders), so they agree to rounding.
TEST(Hypmatrix, EqualsTheSingleLayerOfDerivatives) {
  for (int n : {30, 201}) {
    const PolygonMesh m = polygonMesh(n, 1.3, 0.15);
    std::vector<double> V(static_cast<size_t>(n) * n);
    assembleSlpSerial(V.data(), m.nC, m.nE, m.coordinates.data(), m.elements.data(), 0.5);
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
    const std::vector<double> W = hyp(m, 0.5);
    EXPECT_LE(maxDiff(W, expected), 1e-13 * maxAbs(W)) << n;
  }
}

// On the unit circle W cos(m theta) = (m/2) cos(m theta), so the energy of
// g = cos(m theta) is (m/2) int cos^2 = m pi / 2. The Galerkin energy of the
// interpolant of g at the vertices of the inscribed polygon converges to it
// like (m h)^2 (h = 2 pi / n): the relative error must stay below (m h)^2 and
// drop by about 4 when n doubles (100 elements on one worker, 200 on two).
TEST(Hypmatrix, EnergyOfCosinesOnTheCircle) {
  for (int mode = 1; mode <= 4; ++mode) {
    double err[2];
    for (int level = 0; level < 2; ++level) {
      const int n = 100 << level;
      const PolygonMesh m = polygonMesh(n, 1);
      const std::vector<double> W = hyp(m, 0.5);
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
    EXPECT_GT(err[0] / err[1], 3.5) << mode;
    EXPECT_LT(err[0] / err[1], 4.5) << mode;
  }
}

}  // namespace
