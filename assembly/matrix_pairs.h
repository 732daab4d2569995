// What the whole matrices and their tiles share: the lanes' view of the mesh,
// the scalar code of a pair, the order in which the hypersingular matrix adds
// its pairs' values, and how a pair's four values enter the entries of W.
#pragma once

#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "matrix_lanes.h"
#include "mesh.h"
#include "parallel.h"

// The mesh's per-element arrays as the lane loops read them.
MatrixElements matrixElements(const BoundaryMesh& mesh);

// The scaling laws that take an entry of the stored mesh (core/mesh.h) to
// the caller's geometry, 2^e times it: with s = 2^e and logScale =
// log(s) / (2 pi),
//   V(s) = s^2 (V - logScale L_i L_j),  K(s) = s K,  W(s) = W - logScale a_p a_q,
// L the stored lengths and a_p the mesh's hatSlopeIntegral (so W does not
// change on a closed boundary): the logarithm of every distance gains log s,
// and the hats' derivatives cancel the lengths in W. The differences round
// relative to the larger of their terms, as the entry at the caller's scale,
// whose every term carries log s, would; the power of two is exact unless
// the entry leaves the normal range. Whole matrices and tiles apply them to
// the same values alike.
inline double slpAtScale(double v, double Li, double Lj, double logScale, int e) {
  return std::ldexp(v - logScale * (Li * Lj), 2 * e);
}
inline double dlpAtScale(double v, int e) { return e != 0 ? std::ldexp(v, e) : v; }
// An entry without the logarithmic term (ap aq = 0) is kept as it is, so
// that a zero keeps its sign whatever the sign of logScale.
inline double hypAtScale(double v, int ap, int aq, double logScale) {
  return ap * aq == 0 ? v : v - logScale * static_cast<double>(ap * aq);
}

// The rows js[0..count) (increasing) lane group by lane group, as a tile
// computes only the pairs it needs: group(j0, needed, first, last) for each
// group j0 (a multiple of width) that holds js[first..last), bit j - j0 of
// needed set for each of them.
// full(js, first, last, width) tells whether the group holds all of its width
// rows, in order, so that the lanes may write it in place.
inline bool fullGroup(const std::int64_t* js, size_t first, size_t last, int width) {
  return last - first == static_cast<size_t>(width) &&
         js[last - 1] - js[first] == static_cast<std::int64_t>(width) - 1;
}

template <class Group>
void forEachGroup(int width, const std::int64_t* js, size_t count, Group group) {
  size_t k = 0;
  while (k < count) {
    const std::ptrdiff_t j0 = js[k] / width * width;
    unsigned needed = 0;
    size_t last = k;
    while (last < count && js[last] < j0 + width) needed |= 1u << (js[last++] - j0);
    group(j0, needed, k, last);
    k = last;
  }
}

// Column i of the single-layer matrix: V(j, i) = slpPairEntry(element i,
// element j, eta) for a pair the lanes do not take.
struct SlpColumn {
  const BoundaryMesh* mesh;
  std::ptrdiff_t i;
  double eta;
};
void slpPairFallback(void* context, std::ptrdiff_t j, double* value);

// Row i of the double-layer matrix: the values of the pair (element i,
// element j) for the hats of j's start and end, dlpPairValues, for a pair the
// lanes do not take.
struct DlpRow {
  const BoundaryMesh* mesh;
  std::ptrdiff_t i;
};
void dlpPairFallback(void* context, std::ptrdiff_t j, double* values);

// The pairs' values that column q of K adds up, in the order it adds them:
// for each element j at node q, in increasing j, the value for the hat of its
// start (j) where it starts at q and that of its end (pad + j) where it ends
// there, as offsets into a row's values with the end values pad further on.
std::vector<std::int64_t> nodeTerms(const BoundaryMesh& mesh, std::ptrdiff_t q,
                                    std::ptrdiff_t pad);

// Column i of the hypersingular matrix: the four values of the pair (element
// j, element i) for the entries (c, a), (d, a), (c, b), (d, b), c d the nodes
// of j and a b those of i: between far regular nodes the block of the
// hypersingular kernel, elsewhere the signed log form (each entry by one form
// from all its element pairs).
struct HypColumn {
  const BoundaryMesh* mesh;
  double eta;
  Segment reversed;  // element i reversed, as the log form takes it
  std::ptrdiff_t i;
  std::ptrdiff_t a, b;
};
HypColumn hypColumn(const BoundaryMesh& mesh, double eta, std::ptrdiff_t i);
void hypPairFallback(void* context, std::ptrdiff_t j, double* values);

// The entries that the four values v of the pair (I, J), I >= J, enter, in
// order, as f(row, column, value, end of J, end of I): the row is a node of J
// (its start for end 0, its end for 1) and the column a node of I. A pair
// J < I stands for both ordered pairs, whose entries mirror each other, so its
// value enters once off the diagonal and twice on it (a shared node); the
// pair of I with itself enters (a, a), (b, a) (which stands for (a, b) too)
// and (b, b).
template <class F>
void forEachEntry(const int* start, const int* end, std::ptrdiff_t I, std::ptrdiff_t J,
                  const double* v, F f) {
  const int a = start[I], b = end[I];
  if (J < I) {
    const int c = start[J], d = end[J];
    f(c, a, c == a ? 2 * v[0] : v[0], 0, 0);
    f(d, a, d == a ? 2 * v[1] : v[1], 1, 0);
    f(c, b, c == b ? 2 * v[2] : v[2], 0, 1);
    f(d, b, d == b ? 2 * v[3] : v[3], 1, 1);
  } else {
    f(a, a, v[0], 0, 0);
    f(b, a, v[1], 1, 0);
    f(b, b, v[3], 1, 1);
  }
}

// Columns of pairs computed on the threads of options and handed over in
// order: compute(k, slot, thread) fills the slot of column k (any thread,
// several at a time), commit(k, slot) then takes it, strictly in the order of
// k and one column at a time, so whatever commit adds up does not depend on
// the threads. A slot is reused once its column is committed; there are
// 4 threads + 2 of them, each made by makeSlot(). Returns false when the call
// was interrupted (columns not committed are then lost).
template <class Slot, class MakeSlot, class Compute, class Commit>
bool orderedColumns(std::ptrdiff_t count, const RunOptions& options, MakeSlot makeSlot,
                    Compute compute, Commit commit) {
  const int threads = threadsFor(options);
  const std::ptrdiff_t slots = 4 * static_cast<std::ptrdiff_t>(threads) + 2;
  std::vector<Slot> buffers;
  buffers.reserve(static_cast<size_t>(slots));
  for (std::ptrdiff_t s = 0; s < slots; ++s) buffers.push_back(makeSlot());
  // Column k is computed into slot k % slots and committed by whichever
  // thread finds the next column ready (one thread at a time).
  std::mutex mutex;
  std::condition_variable slotFree;
  std::ptrdiff_t next = 0;     // first column not yet committed
  bool committing = false;     // a thread is committing columns
  std::vector<std::ptrdiff_t> ready(static_cast<size_t>(slots), -1);  // per slot: its column, or -1
  return parallelFor(count, options, [&](std::int64_t k, int thread) {
    const std::ptrdiff_t slot = k % slots;
    {
      // The slot is free once the column before it in this slot is committed.
      std::unique_lock<std::mutex> lock(mutex);
      slotFree.wait(lock, [&] { return k < next + slots; });
    }
    compute(k, buffers[static_cast<size_t>(slot)], thread);
    std::unique_lock<std::mutex> lock(mutex);
    ready[static_cast<size_t>(slot)] = k;
    if (committing) return;  // the committing thread will take it
    committing = true;
    while (ready[static_cast<size_t>(next % slots)] == next) {
      const std::ptrdiff_t c = next;
      lock.unlock();
      commit(c, buffers[static_cast<size_t>(c % slots)]);
      lock.lock();
      ready[static_cast<size_t>(c % slots)] = -1;
      ++next;
      slotFree.notify_all();
    }
    committing = false;
  });
}
