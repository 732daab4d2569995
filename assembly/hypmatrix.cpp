#include "hypmatrix.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "assembly_records.h"
#include "geometry.h"
#include "hyp_pair.h"
#include "matrix_arrays.h"
#include "slp_pair.h"

namespace {

// The four values of the pair (element j, element i) for the entries
// (c, a), (d, a), (c, b), (d, b), c d the nodes of j and a b those of i: between
// far regular nodes the block of the hypersingular kernel, elsewhere the signed
// log form (each entry by one form from all its element pairs).
struct HypColumn {
  const AssemblyParams* params;
  double Ri[4];  // element i reversed, as the log form takes it
  double Fi[4];  // element i as given
  std::ptrdiff_t a, b;
};

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
// W, contiguous in memory: a pair j < i stands for both ordered pairs, whose
// entries mirror each other, so it adds once off the diagonal and twice on it
// (a shared node); the pair of i with itself adds (a, a), (b, b) and one of
// its two mirrored entries.
void addColumn(double* W, std::ptrdiff_t nC, const int* start, const int* end, std::ptrdiff_t i,
               const double* values) {
  const std::ptrdiff_t a = start[i], b = end[i];
  auto add = [&](std::ptrdiff_t r, std::ptrdiff_t c, double v, bool both) {
    if (r == c) {
      W[r + r * nC] += both ? 2 * v : v;
    } else if (r < c) {
      W[r + c * nC] += v;
    } else {
      W[c + r * nC] += v;
    }
  };
  for (std::ptrdiff_t j = 0; j < i; ++j) {
    const std::ptrdiff_t c = start[j], d = end[j];
    const double* v = values + 4 * j;
    add(c, a, v[0], true);
    add(d, a, v[1], true);
    add(c, b, v[2], true);
    add(d, b, v[3], true);
  }
  const double* v = values + 4 * i;
  add(a, a, v[0], false);
  add(b, a, v[1], false);
  add(b, b, v[3], false);
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
  const NodePatches patches = nodePatches(nC, nE, coordinates, elements);
  const AssemblyParams params = {nC,     nE, coordinates, elements, eta, patches.regular.data(),
                                 patches.radius.data(), patches.elements.data()};
  MatrixArrays arrays = matrixArrays(nC, nE, coordinates, elements);
  const std::ptrdiff_t nEs = nE, nCs = nC;
  for (std::ptrdiff_t j = 0; j < nEs; ++j) {
    const std::ptrdiff_t a = vertexIndex(elements[j]), b = vertexIndex(elements[j + nEs]);
    arrays.regular[j] = patches.regular[a] && patches.regular[b] ? 1.0 : 0.0;
    // Every element of the supports of a and b lies within L/2 + R of the
    // midpoint, and none is longer than R: a pair with |w| >= reach_i + reach_j
    // has all four of its entries far (hyp_pair.h).
    const double R = patches.radius[a] > patches.radius[b] ? patches.radius[a] : patches.radius[b];
    arrays.reach[j] = 2 * R + 0.5 * arrays.L[j];
  }
  const MatrixElements e = arrays.view();
  const MatrixLanes& lanes = matrixLanes(options.lanes);
  std::vector<int> start(static_cast<size_t>(nE)), end(static_cast<size_t>(nE));
  for (std::ptrdiff_t j = 0; j < nEs; ++j) {
    start[j] = vertexIndex(elements[j]);
    end[j] = vertexIndex(elements[j + nEs]);
  }

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
    HypColumn column;
    column.params = &params;
    elementEnds(params, i, column.Fi);
    column.Ri[0] = column.Fi[2];
    column.Ri[1] = column.Fi[3];
    column.Ri[2] = column.Fi[0];
    column.Ri[3] = column.Fi[1];
    column.a = vertexIndex(elements[i]);
    column.b = vertexIndex(elements[i + nEs]);
    lanes.hypColumn(e, i, values, hypPairFallback, &column);

    std::unique_lock<std::mutex> lock(commit.mutex);
    commit.ready[static_cast<size_t>(slot)] = i;
    if (commit.committing) return;  // the committing thread will take it
    commit.committing = true;
    while (commit.ready[static_cast<size_t>(commit.next % slots)] == commit.next) {
      const std::ptrdiff_t c = commit.next;
      lock.unlock();
      addColumn(out, nCs, start.data(), end.data(), c, buffers.data() + (c % slots) * 4 * nEs);
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
  const NodePatches patches = nodePatches(nC, nE, coordinates, elements);
  const AssemblyParams params = {nC,     nE, coordinates, elements, eta, patches.regular.data(),
                                 patches.radius.data(), patches.elements.data()};
  const std::ptrdiff_t nEs = nE, nCs = nC;
  RunOptions previous = options;
  previous.threads = nE < 200 ? 1 : 2;
  std::mutex collector;
  return parallelFor(nEs, previous, [&](std::int64_t i, int) {
    HypColumn column;
    column.params = &params;
    elementEnds(params, i, column.Fi);
    column.Ri[0] = column.Fi[2];
    column.Ri[1] = column.Fi[3];
    column.Ri[2] = column.Fi[0];
    column.Ri[3] = column.Fi[1];
    column.a = vertexIndex(elements[i]);
    column.b = vertexIndex(elements[i + nEs]);
    // Every ordered pair (j, i) into the columns of a and b.
    std::vector<double> vA(static_cast<size_t>(nC), 0.0), vB(static_cast<size_t>(nC), 0.0);
    for (std::ptrdiff_t j = 0; j < nEs; ++j) {
      double v[4];
      hypPairFallback(&column, j, v);
      const std::ptrdiff_t c = vertexIndex(elements[j]), d = vertexIndex(elements[j + nEs]);
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
