#include "hypmatrix.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "assembly_records.h"
#include "geometry.h"
#include "hyp_pair.h"
#include "matrix_pairs.h"
#include "slp_pair.h"

void hypPairFallback(void* context, std::ptrdiff_t j, double* v) {
  const HypColumn& c = *static_cast<const HypColumn*>(context);
  const AssemblyParams& p = *c.params;
  const std::ptrdiff_t nEs = p.nE;
  const std::ptrdiff_t cn = vertexIndex(p.elements[j]), dn = vertexIndex(p.elements[j + nEs]);
  double S[4];
  elementEnds(p, j, S);
  const bool far[4] = {farEntry(p, cn, c.a), farEntry(p, dn, c.a), farEntry(p, cn, c.b),
                       farEntry(p, dn, c.b)};
  double x = 0;
  if (!(far[0] && far[1] && far[2] && far[3])) x = slpPairNormalized(S, c.Ri, p.eta);
  double block[2][2] = {{0, 0}, {0, 0}};
  if (far[0] || far[1] || far[2] || far[3]) hypFarBlock(S, c.Fi, block);
  // s(j, c) = -1, s(j, d) = +1 against s(i, a) = -1, s(i, b) = +1.
  v[0] = far[0] ? block[0][0] : x;
  v[1] = far[1] ? block[1][0] : -x;
  v[2] = far[2] ? block[0][1] : -x;
  v[3] = far[3] ? block[1][1] : x;
}

HypSetup::HypSetup(const double* coordinates, const double* elements, int nC, int nE, double eta)
    : patches(nodePatches(nC, nE, coordinates, elements)),
      params{nC,     nE, coordinates, elements, eta, patches.regular.data(),
             patches.radius.data(), patches.elements.data()},
      arrays(matrixArrays(nC, nE, coordinates, elements)),
      start(static_cast<size_t>(nE)),
      end(static_cast<size_t>(nE)) {
  const std::ptrdiff_t nEs = nE;
  for (std::ptrdiff_t j = 0; j < nEs; ++j) {
    const int a = vertexIndex(elements[j]), b = vertexIndex(elements[j + nEs]);
    start[j] = a;
    end[j] = b;
    arrays.regular[j] = patches.regular[a] && patches.regular[b] ? 1.0 : 0.0;
    // Every element of the supports of a and b lies within L/2 + R of the
    // midpoint, and none is longer than R: a pair with |w| >= reach_i + reach_j
    // has all four of its entries far (hyp_pair.h).
    const double R = patches.radius[a] > patches.radius[b] ? patches.radius[a] : patches.radius[b];
    arrays.reach[j] = 2 * R + 0.5 * arrays.L[j];
  }
}

HypColumn HypSetup::column(std::ptrdiff_t i) const {
  HypColumn c;
  c.params = &params;
  elementEnds(params, i, c.Fi);
  c.Ri[0] = c.Fi[2];
  c.Ri[1] = c.Fi[3];
  c.Ri[2] = c.Fi[0];
  c.Ri[3] = c.Fi[1];
  c.a = start[i];
  c.b = end[i];
  return c;
}

namespace {

// Columns in flight: column i is computed into slot i % slots, and added into
// W strictly in the order of i by whichever thread finds the next column
// ready (one thread at a time), so the sums do not depend on the threads.
struct Commit {
  std::mutex mutex;
  std::condition_variable slotFree;
  std::ptrdiff_t next = 0;        // first column not yet added
  bool committing = false;        // a thread is adding columns
  std::vector<std::ptrdiff_t> ready;  // per slot: the column it holds ready, or -1
};

// Adds the values of column i into the upper triangle of W (row <= column),
// where the entries of a column of elements mostly fall into a few columns of
// W, contiguous in memory.
void addColumn(double* W, std::ptrdiff_t nC, const int* start, const int* end, std::ptrdiff_t i,
               const double* values) {
  for (std::ptrdiff_t j = 0; j <= i; ++j) {
    forEachEntry(start, end, i, j, values + 4 * j, [&](std::ptrdiff_t r, std::ptrdiff_t c, double v) {
      W[r < c ? r + c * nC : c + r * nC] += v;
    });
  }
}

// The lower triangle of W from the upper one, in tiles of kTile x kTile so
// that both the reads and the writes stay in cache.
const std::ptrdiff_t kTile = 64;

void mirrorTiles(double* W, std::ptrdiff_t nC, std::ptrdiff_t column0) {
  const std::ptrdiff_t column1 = std::min(nC, column0 + kTile);
  for (std::ptrdiff_t row0 = column0; row0 < nC; row0 += kTile) {
    const std::ptrdiff_t row1 = std::min(nC, row0 + kTile);
    for (std::ptrdiff_t q = column0; q < column1; ++q) {
      for (std::ptrdiff_t p = std::max(row0, q + 1); p < row1; ++p) W[p + q * nC] = W[q + p * nC];
    }
  }
}

}  // namespace

bool assembleHyp(double* out, const double* coordinates, const double* elements, int nC, int nE,
                 double eta, const RunOptions& options) {
  const HypSetup setup(coordinates, elements, nC, nE, eta);
  const MatrixElements e = setup.elements();
  const MatrixLanes& lanes = matrixLanes(options.lanes);
  const std::ptrdiff_t nEs = nE, nCs = nC;

  const int threads = threadsFor(options);
  const std::ptrdiff_t slots = 4 * static_cast<std::ptrdiff_t>(threads) + 2;
  std::vector<double> buffers(static_cast<size_t>(slots * 4 * (nEs > 0 ? nEs : 1)));
  Commit commit;
  commit.ready.assign(static_cast<size_t>(slots), -1);

  const bool done = parallelFor(nEs, options, [&](std::int64_t i, int) {
    const std::ptrdiff_t slot = i % slots;
    {
      // The slot is free once the column before it in this slot is added.
      std::unique_lock<std::mutex> lock(commit.mutex);
      commit.slotFree.wait(lock, [&] { return i < commit.next + slots; });
    }
    double* values = buffers.data() + slot * 4 * nEs;
    HypColumn column = setup.column(i);
    for (std::ptrdiff_t j0 = 0; j0 <= i; j0 += lanes.width) {
      lanes.hypGroup(e, i, j0, values + 4 * j0, ~0u, hypPairFallback, &column);
    }

    std::unique_lock<std::mutex> lock(commit.mutex);
    commit.ready[static_cast<size_t>(slot)] = i;
    if (commit.committing) return;  // the committing thread will take it
    commit.committing = true;
    while (commit.ready[static_cast<size_t>(commit.next % slots)] == commit.next) {
      const std::ptrdiff_t c = commit.next;
      lock.unlock();
      addColumn(out, nCs, setup.start.data(), setup.end.data(), c,
                buffers.data() + (c % slots) * 4 * nEs);
      lock.lock();
      commit.ready[static_cast<size_t>(c % slots)] = -1;
      ++commit.next;
      commit.slotFree.notify_all();
    }
    commit.committing = false;
  });
  if (!done) return false;
  // The lower triangle mirrors the upper one: W is exactly symmetric.
  return parallelFor((nCs + kTile - 1) / kTile, options,
                     [&](std::int64_t block, int) { mirrorTiles(out, nCs, block * kTile); });
}

bool assembleHypScalar(double* out, const double* coordinates, const double* elements, int nC,
                       int nE, double eta, const RunOptions& options) {
  const HypSetup setup(coordinates, elements, nC, nE, eta);
  const std::ptrdiff_t nEs = nE, nCs = nC;
  RunOptions previous = options;
  previous.threads = nE < 200 ? 1 : 2;
  std::mutex collector;
  return parallelFor(nEs, previous, [&](std::int64_t i, int) {
    HypColumn column = setup.column(i);
    // Every ordered pair (j, i) into the columns of a and b.
    std::vector<double> vA(static_cast<size_t>(nC), 0.0), vB(static_cast<size_t>(nC), 0.0);
    for (std::ptrdiff_t j = 0; j < nEs; ++j) {
      double v[4];
      hypPairFallback(&column, j, v);
      const std::ptrdiff_t c = setup.start[j], d = setup.end[j];
      vA[c] += v[0];
      vA[d] += v[1];
      vB[c] += v[2];
      vB[d] += v[3];
    }
    std::lock_guard<std::mutex> lock(collector);
    for (std::ptrdiff_t r = 0; r < nCs; ++r) {
      out[r + column.a * nCs] += vA[r];
      out[r + column.b * nCs] += vB[r];
    }
  });
}
