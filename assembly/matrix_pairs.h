// What the whole matrices and their tiles share: the scalar code of a pair,
// the per-call setup of the hypersingular matrix, and how a pair's four values
// enter the entries of W.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "assembly_records.h"
#include "hyp_pair.h"
#include "matrix_arrays.h"

// The rows js (increasing) lane group by lane group, as a tile computes only
// the pairs it needs: group(j0, needed, first, last) for each group j0 (a
// multiple of width) that holds js[first..last), bit j - j0 of needed set for
// each of them.
template <class Group>
void forEachGroup(int width, const std::vector<std::int64_t>& js, Group group) {
  size_t k = 0;
  while (k < js.size()) {
    const std::ptrdiff_t j0 = js[k] / width * width;
    unsigned needed = 0;
    size_t last = k;
    while (last < js.size() && js[last] < j0 + width) needed |= 1u << (js[last++] - j0);
    group(j0, needed, k, last);
    k = last;
  }
}

// Column i of the single-layer matrix: V(j, i) = slpPairEntry(element i,
// element j, eta) for a pair the lanes do not take.
struct SlpColumn {
  const AssemblyParams* params;
  const double* Pi;  // element i as a segment
};
void slpPairFallback(void* context, std::ptrdiff_t j, double* value);

// Column i of the hypersingular matrix: the four values of the pair (element
// j, element i) for the entries (c, a), (d, a), (c, b), (d, b), c d the nodes
// of j and a b those of i: between far regular nodes the block of the
// hypersingular kernel, elsewhere the signed log form (each entry by one form
// from all its element pairs).
struct HypColumn {
  const AssemblyParams* params;
  double Ri[4];  // element i reversed, as the log form takes it
  double Fi[4];  // element i as given
  std::ptrdiff_t a, b;
};
void hypPairFallback(void* context, std::ptrdiff_t j, double* values);

// Everything a call of the hypersingular matrix computes once.
struct HypSetup {
  NodePatches patches;
  AssemblyParams params;
  MatrixArrays arrays;
  std::vector<int> start, end;  // 0-based nodes of every element
  HypSetup(const double* coordinates, const double* elements, int nC, int nE, double eta);
  HypSetup(const HypSetup&) = delete;
  MatrixElements elements() const { return arrays.view(); }
  HypColumn column(std::ptrdiff_t i) const;
};

// The entries that the four values v of the pair (I, J), I >= J, enter, in
// order, as f(row, column, value): a pair J < I stands for both ordered pairs,
// whose entries mirror each other, so its value enters once off the diagonal
// and twice on it (a shared node); the pair of I with itself enters (a, a),
// (b, a) (which stands for (a, b) too) and (b, b).
template <class F>
void forEachEntry(const int* start, const int* end, std::ptrdiff_t I, std::ptrdiff_t J,
                  const double* v, F f) {
  const int a = start[I], b = end[I];
  if (J < I) {
    const int c = start[J], d = end[J];
    f(c, a, c == a ? 2 * v[0] : v[0]);
    f(d, a, d == a ? 2 * v[1] : v[1]);
    f(c, b, c == b ? 2 * v[2] : v[2]);
    f(d, b, d == b ? 2 * v[3] : v[3]);
  } else {
    f(a, a, v[0]);
    f(b, a, v[1]);
    f(b, b, v[3]);
  }
}
