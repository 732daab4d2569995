// Tiles of the Galerkin matrices: the entries of given rows and columns,
// equal bit for bit to the same entries of the whole matrix. Each pair value
// comes from the same lane group as in the whole matrix (its column i, the
// aligned group of its row j), and each entry of W sums its pairs in the order
// in which the whole matrix adds them.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "assembly_records.h"
#include "geometry.h"
#include "hypmatrix.h"
#include "matrix_pairs.h"
#include "slpmatrix.h"

namespace {

// The positions 0..n-1 ordered by the index they hold.
std::vector<std::ptrdiff_t> orderBy(const std::int64_t* index, std::ptrdiff_t n) {
  std::vector<std::ptrdiff_t> order(static_cast<size_t>(n));
  for (std::ptrdiff_t k = 0; k < n; ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::ptrdiff_t a, std::ptrdiff_t b) { return index[a] < index[b]; });
  return order;
}

// The single-layer values of column i for the rows j listed (in increasing
// order), one lane group at a time; value(k) receives the k-th.
template <class Store>
void slpColumnPart(const MatrixLanes& lanes, const MatrixElements& e, const AssemblyParams& params,
                   std::ptrdiff_t i, const std::vector<std::int64_t>& js, Store store) {
  double Pi[4];
  elementEnds(params, i, Pi);
  SlpColumn context = {&params, Pi};
  double values[8];
  forEachGroup(lanes.width, js, [&](std::ptrdiff_t j0, unsigned needed, size_t first, size_t last) {
    lanes.slpGroup(e, i, j0, params.eta, values, needed, slpPairFallback, &context);
    for (size_t k = first; k < last; ++k) store(k, values[js[k] - j0]);
  });
}

}  // namespace

bool assembleSlpTile(double* out, std::ptrdiff_t ld, int nC, int nE, const double* coordinates,
                     const double* elements, double eta, const std::int64_t* rows,
                     std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                     const RunOptions& options) {
  const AssemblyParams params = {nC, nE, coordinates, elements, eta};
  const MatrixArrays arrays = matrixArrays(nC, nE, coordinates, elements);
  const MatrixElements e = arrays.view();
  const MatrixLanes& lanes = matrixLanes(options.lanes);
  const std::vector<std::ptrdiff_t> rowOrder = orderBy(rows, nRows);
  const std::vector<std::ptrdiff_t> colOrder = orderBy(cols, nCols);
  // V(r, c) is the value of column i = max(r, c), row j = min(r, c). First
  // every entry with r <= c, by tile column: column c, rows r in order; then
  // every entry with r > c, by tile row: column r, rows c in order.
  const bool upper = parallelFor(nCols, options, [&](std::int64_t b, int) {
    const std::int64_t c = cols[b];
    std::vector<std::int64_t> js;
    std::vector<std::ptrdiff_t> at;
    for (std::ptrdiff_t a : rowOrder) {
      if (rows[a] > c) break;
      js.push_back(rows[a]);
      at.push_back(a + b * ld);
    }
    slpColumnPart(lanes, e, params, c, js, [&](size_t k, double v) { out[at[k]] = v; });
  });
  if (!upper) return false;
  return parallelFor(nRows, options, [&](std::int64_t a, int) {
    const std::int64_t r = rows[a];
    std::vector<std::int64_t> js;
    std::vector<std::ptrdiff_t> at;
    for (std::ptrdiff_t b : colOrder) {
      if (cols[b] >= r) break;
      js.push_back(cols[b]);
      at.push_back(a + b * ld);
    }
    slpColumnPart(lanes, e, params, r, js, [&](size_t k, double v) { out[at[k]] = v; });
  });
}

bool assembleHypTile(double* out, std::ptrdiff_t ld, const double* coordinates,
                     const double* elements, int nC, int nE, double eta, const std::int64_t* rows,
                     std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                     const RunOptions& options) {
  const HypSetup setup(coordinates, elements, nC, nE, eta);
  const MatrixLanes& lanes = matrixLanes(options.lanes);
  const std::ptrdiff_t nEs = nE;

  // The elements at each node.
  std::vector<std::ptrdiff_t> first(static_cast<size_t>(nC) + 1, 0);
  for (std::ptrdiff_t j = 0; j < nEs; ++j) {
    ++first[static_cast<size_t>(setup.start[j]) + 1];
    if (setup.end[j] != setup.start[j]) ++first[static_cast<size_t>(setup.end[j]) + 1];
  }
  for (size_t p = 0; p < static_cast<size_t>(nC); ++p) first[p + 1] += first[p];
  std::vector<std::int64_t> at(static_cast<size_t>(first[static_cast<size_t>(nC)]));
  {
    std::vector<std::ptrdiff_t> fill(first.begin(), first.end() - 1);
    for (std::ptrdiff_t j = 0; j < nEs; ++j) {
      at[static_cast<size_t>(fill[static_cast<size_t>(setup.start[j])]++)] = j;
      if (setup.end[j] != setup.start[j])
        at[static_cast<size_t>(fill[static_cast<size_t>(setup.end[j])]++)] = j;
    }
  }

  // The element pairs (I, J), I >= J, that the entries need, by column I.
  std::vector<std::vector<std::int64_t>> pairs(static_cast<size_t>(nE));
  auto need = [&](std::int64_t p, std::int64_t q) {
    for (std::ptrdiff_t u = first[p]; u < first[p + 1]; ++u) {
      for (std::ptrdiff_t w = first[q]; w < first[q + 1]; ++w) {
        const std::int64_t I = std::max(at[u], at[w]), J = std::min(at[u], at[w]);
        pairs[static_cast<size_t>(I)].push_back(J);
      }
    }
  };
  for (std::ptrdiff_t b = 0; b < nCols; ++b) {
    for (std::ptrdiff_t a = 0; a < nRows; ++a) need(rows[a], cols[b]);
  }
  std::vector<std::ptrdiff_t> columns;
  for (std::ptrdiff_t I = 0; I < nEs; ++I) {
    std::vector<std::int64_t>& js = pairs[static_cast<size_t>(I)];
    if (js.empty()) continue;
    std::sort(js.begin(), js.end());
    js.erase(std::unique(js.begin(), js.end()), js.end());
    columns.push_back(I);
  }
  // Their four values each, from the lane groups of the whole matrix.
  std::vector<std::vector<double>> values(static_cast<size_t>(nE));
  const bool done =
      parallelFor(static_cast<std::int64_t>(columns.size()), options, [&](std::int64_t k, int) {
        const std::ptrdiff_t I = columns[static_cast<size_t>(k)];
        const std::vector<std::int64_t>& js = pairs[static_cast<size_t>(I)];
        std::vector<double>& v = values[static_cast<size_t>(I)];
        v.resize(4 * js.size());
        HypColumn column = setup.column(I);
        double group[32];
        forEachGroup(
            lanes.width, js, [&](std::ptrdiff_t j0, unsigned needed, size_t first, size_t last) {
              lanes.hypGroup(setup.elements(), I, j0, group, needed, hypPairFallback, &column);
              for (size_t m = first; m < last; ++m) {
                for (int s = 0; s < 4; ++s) v[4 * m + s] = group[4 * (js[m] - j0) + s];
              }
            });
      });
  if (!done) return false;

  // Each entry: its pairs' contributions in the order of the whole matrix
  // (column I, then row J, then the four slots), from zero.
  return parallelFor(nCols, options, [&](std::int64_t b, int) {
    for (std::ptrdiff_t a = 0; a < nRows; ++a) {
      const std::int64_t p = std::min(rows[a], cols[b]), q = std::max(rows[a], cols[b]);
      std::vector<std::pair<std::int64_t, std::int64_t>> mine;
      for (std::ptrdiff_t u = first[p]; u < first[p + 1]; ++u) {
        for (std::ptrdiff_t w = first[q]; w < first[q + 1]; ++w) {
          mine.push_back({std::max(at[u], at[w]), std::min(at[u], at[w])});
        }
      }
      std::sort(mine.begin(), mine.end());
      mine.erase(std::unique(mine.begin(), mine.end()), mine.end());
      double sum = 0;
      for (const auto& [I, J] : mine) {
        const std::vector<std::int64_t>& js = pairs[static_cast<size_t>(I)];
        const size_t m =
            static_cast<size_t>(std::lower_bound(js.begin(), js.end(), J) - js.begin());
        forEachEntry(setup.start.data(), setup.end.data(), I, J,
                     values[static_cast<size_t>(I)].data() + 4 * m,
                     [&](std::int64_t r, std::int64_t c, double v) {
                       if (std::min(r, c) == p && std::max(r, c) == q) sum += v;
                     });
      }
      out[a + b * ld] = sum;
    }
  });
}
