// Tiles of the Galerkin matrices: the entries of given rows and columns,
// equal bit for bit to the same entries of the whole matrix. Each pair value
// comes from the same lane group as in the whole matrix (its column i, the
// aligned group of its row j), and each sum adds the same values in the same
// order. A tile reads only the elements and nodes it names and the elements
// at those nodes, so its cost follows its own size, not the mesh's.
//
// Every entry is computed into the first position of its row number and of
// its column number in the tile; repeated numbers are copied from there at
// the end.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "dlpmatrix.h"
#include "hypmatrix.h"
#include "matrix_pairs.h"
#include "padding.h"
#include "slpmatrix.h"

namespace {

// The distinct numbers of an index set, increasing, each with the position
// of its first occurrence; and the positions of the repeats with the first
// position of their number.
struct Positions {
  std::vector<std::int64_t> numbers;
  std::vector<std::ptrdiff_t> first;
  std::vector<std::ptrdiff_t> repeat, repeatOf;

  // The index of `number` in numbers, or -1.
  std::ptrdiff_t find(std::int64_t number) const {
    const auto it = std::lower_bound(numbers.begin(), numbers.end(), number);
    return it != numbers.end() && *it == number ? it - numbers.begin() : -1;
  }
  // The first position of `number`, or -1.
  std::ptrdiff_t at(std::int64_t number) const {
    const std::ptrdiff_t k = find(number);
    return k < 0 ? -1 : first[k];
  }
};

Positions positionsOf(const std::int64_t* index, std::ptrdiff_t n) {
  std::vector<std::ptrdiff_t> order(static_cast<size_t>(n));
  for (std::ptrdiff_t k = 0; k < n; ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::ptrdiff_t a, std::ptrdiff_t b) { return index[a] < index[b]; });
  Positions p;
  for (std::ptrdiff_t k = 0; k < n; ++k) {
    if (k > 0 && index[order[k]] == index[order[k - 1]]) {
      p.repeat.push_back(order[k]);
      p.repeatOf.push_back(p.first.back());
    } else {
      p.numbers.push_back(index[order[k]]);
      p.first.push_back(order[k]);
    }
  }
  return p;
}

// The tile's repeated rows and columns from the first of each.
void copyRepeats(double* out, std::ptrdiff_t ld, const Positions& R, const Positions& C,
                 std::ptrdiff_t nRows, std::ptrdiff_t nCols) {
  for (size_t k = 0; k < R.repeat.size(); ++k) {
    for (std::ptrdiff_t b = 0; b < nCols; ++b) out[R.repeat[k] + b * ld] = out[R.repeatOf[k] + b * ld];
  }
  for (size_t k = 0; k < C.repeat.size(); ++k) {
    std::copy(out + C.repeatOf[k] * ld, out + C.repeatOf[k] * ld + nRows, out + C.repeat[k] * ld);
  }
}

// The options of a tile of about `pairs` pair values: below some 1e5 pairs
// (a millisecond or so) the calling thread alone, since starting threads
// would cost more than they share; a compressed matrix asks for millions of
// such tiles.
RunOptions tileOptions(const RunOptions& options, double pairs) {
  RunOptions o = options;
  if (pairs < 1e5) o.threads = 1;
  return o;
}

// The numbers of either set, increasing, each with its first position among
// the rows and among the columns (-1 where absent).
struct Union {
  std::vector<std::int64_t> numbers;
  std::vector<std::ptrdiff_t> row, col;
};

Union unionOf(const std::vector<std::int64_t>& a, const std::vector<std::int64_t>& b,
              const Positions* rowsOf, const Positions* colsOf) {
  // a and b are rowsOf's and colsOf's numbers where those are given.
  Union u;
  size_t i = 0, k = 0;
  while (i < a.size() || k < b.size()) {
    const bool fromA = i < a.size() && (k >= b.size() || a[i] <= b[k]);
    const bool fromB = k < b.size() && (i >= a.size() || b[k] <= a[i]);
    u.numbers.push_back(fromA ? a[i] : b[k]);
    u.row.push_back(fromA && rowsOf != nullptr ? rowsOf->first[i] : -1);
    u.col.push_back(fromB && colsOf != nullptr ? colsOf->first[k] : -1);
    i += fromA;
    k += fromB;
  }
  return u;
}

// The elements at the nodes of P, increasing.
std::vector<std::int64_t> elementsAt(const BoundaryMesh& mesh, const Positions& P) {
  std::vector<std::int64_t> js;
  for (std::int64_t q : P.numbers) {
    for (std::int64_t t = mesh.nodeFirst[q]; t < mesh.nodeFirst[q + 1]; ++t) {
      js.push_back(mesh.nodeElements[static_cast<size_t>(t)]);
    }
  }
  std::sort(js.begin(), js.end());
  js.erase(std::unique(js.begin(), js.end()), js.end());
  return js;
}

// The rows j <= i that a column i of the whole matrix gives a tile: a prefix
// of one of the tile's sorted number lists (which one, the caller knows),
// with the positions of each among the tile's rows and columns (-1 where
// absent, and where the caller has no use for them).
struct Prefix {
  const std::int64_t* numbers;
  size_t count;
  const std::ptrdiff_t* row;  // null: none is a row
  const std::ptrdiff_t* col;  // null: none is a column
  std::ptrdiff_t rowAt(size_t n) const { return row != nullptr ? row[n] : -1; }
  std::ptrdiff_t colAt(size_t n) const { return col != nullptr ? col[n] : -1; }
};

Prefix prefixUpTo(const std::vector<std::int64_t>& numbers, std::int64_t i,
                  const std::vector<std::ptrdiff_t>* row, const std::vector<std::ptrdiff_t>* col) {
  const size_t count =
      static_cast<size_t>(std::upper_bound(numbers.begin(), numbers.end(), i) - numbers.begin());
  return {numbers.data(), count, row != nullptr ? row->data() : nullptr,
          col != nullptr ? col->data() : nullptr};
}

}  // namespace

bool slpmatrixTileKernel(const BoundaryMesh& mesh, double eta, const std::int64_t* rows,
                         std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                         double* out, std::ptrdiff_t ld, const RunOptions& options) {
  const MatrixElements e = matrixElements(mesh);
  const MatrixLanes& lanes = matrixLanes(options.lanes);
  const Positions R = positionsOf(rows, nRows), C = positionsOf(cols, nCols);
  // V(r, c) is the value of column i = max(r, c), row j = min(r, c) of the
  // whole matrix: the columns are the numbers of either set, and column i
  // needs the rows j <= i of the tile's columns where i is one of its rows
  // (entries (i, j)) and of its rows where i is one of its columns ((j, i)).
  const Union U = unionOf(R.numbers, C.numbers, &R, &C);
  const size_t count = U.numbers.size();
  const int scale = mesh.scaleExponent;
  const double logScale = scaleLogOverTwoPi(scale);
  const RunOptions run = tileOptions(options, static_cast<double>(nRows) * nCols);
  std::vector<std::vector<double>> scratch(static_cast<size_t>(threadsFor(run)));
  const bool done = parallelFor(static_cast<std::int64_t>(count), run, [&](std::int64_t k,
                                                                          int thread) {
    const std::int64_t i = U.numbers[k];
    const std::ptrdiff_t ir = U.row[k], ic = U.col[k];
    // Rows j <= i: every number of either set where i is a row and a column,
    // the columns' where it is a row only, the rows' where a column only.
    const Prefix js = ir >= 0 && ic >= 0 ? prefixUpTo(U.numbers, i, &U.row, &U.col)
                      : ir >= 0          ? prefixUpTo(C.numbers, i, nullptr, &C.first)
                                         : prefixUpTo(R.numbers, i, &R.first, nullptr);
    std::vector<double>& values = scratch[static_cast<size_t>(thread)];
    values.resize(js.count);
    SlpColumn context = {&mesh, i, eta};
    double group[kLaneGroup];
    forEachGroup(lanes.width, js.numbers, js.count,
                 [&](std::ptrdiff_t j0, unsigned needed, size_t first, size_t last) {
                   if (fullGroup(js.numbers, first, last, lanes.width)) {
                     lanes.slpGroup(e, i, j0, eta, values.data() + first, needed, slpPairFallback,
                                    &context);
                     return;
                   }
                   lanes.slpGroup(e, i, j0, eta, group, needed, slpPairFallback, &context);
                   for (size_t n = first; n < last; ++n) values[n] = group[js.numbers[n] - j0];
                 });
    if (scale != 0) {
      for (size_t n = 0; n < js.count; ++n) {
        values[n] = slpAtScale(values[n], mesh.length[i], mesh.length[js.numbers[n]], logScale,
                               scale);
      }
    }
    for (size_t n = 0; n < js.count; ++n) {
      if (ir >= 0 && js.colAt(n) >= 0) out[ir + js.colAt(n) * ld] = values[n];
      if (ic >= 0 && js.rowAt(n) >= 0) out[js.rowAt(n) + ic * ld] = values[n];
    }
  });
  if (done) copyRepeats(out, ld, R, C, nRows, nCols);
  return done;
}

bool dlpmatrixTileKernel(const BoundaryMesh& mesh, double eta, const std::int64_t* rows,
                         std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                         double* out, std::ptrdiff_t ld, const RunOptions& options) {
  const MatrixElements e = matrixElements(mesh);
  const MatrixLanes& lanes = matrixLanes(options.lanes);
  const Positions R = positionsOf(rows, nRows), C = positionsOf(cols, nCols);
  // The elements at the columns' nodes: the pairs (i, j) that a row needs.
  const std::vector<std::int64_t> js = elementsAt(mesh, C);
  // Column C.numbers[k] adds up terms[termFirst[k] .. termFirst[k + 1]) of a
  // row's values, m for the start hat of element js[m] and n + m for its end
  // hat (n elements in js), in the order of the whole matrix's sum.
  const std::ptrdiff_t pad = paddedCount(mesh.elementCount);
  const std::int64_t n = static_cast<std::int64_t>(js.size());
  std::vector<std::int64_t> terms, termFirst = {0};
  for (std::int64_t q : C.numbers) {
    for (std::int64_t t : nodeTerms(mesh, q, pad)) {
      const std::int64_t j = t < pad ? t : t - pad;
      const std::int64_t m = std::lower_bound(js.begin(), js.end(), j) - js.begin();
      terms.push_back(t < pad ? m : n + m);
    }
    termFirst.push_back(static_cast<std::int64_t>(terms.size()));
  }
  const RunOptions run = tileOptions(options, static_cast<double>(R.numbers.size()) * js.size());
  const int scale = mesh.scaleExponent;
  std::vector<std::vector<double>> scratch(static_cast<size_t>(threadsFor(run)),
                                           std::vector<double>(2 * js.size()));
  const bool done = parallelFor(static_cast<std::int64_t>(R.numbers.size()), run,
                                [&](std::int64_t k, int thread) {
    std::vector<double>& values = scratch[static_cast<size_t>(thread)];
    const std::int64_t i = R.numbers[k];
    const std::ptrdiff_t a = R.first[k];
    DlpRow context = {&mesh, i};
    double start[kLaneGroup], end[kLaneGroup];
    forEachGroup(lanes.width, js.data(), js.size(),
                 [&](std::ptrdiff_t j0, unsigned needed, size_t first, size_t last) {
                   if (fullGroup(js.data(), first, last, lanes.width)) {
                     lanes.dlpGroup(e, i, j0, eta, values.data() + first, values.data() + n + first,
                                    needed, dlpPairFallback, &context);
                     return;
                   }
                   lanes.dlpGroup(e, i, j0, eta, start, end, needed, dlpPairFallback, &context);
                   for (size_t m = first; m < last; ++m) {
                     values[m] = start[js[m] - j0];
                     values[n + m] = end[js[m] - j0];
                   }
                 });
    for (size_t c = 0; c < C.numbers.size(); ++c) {
      double sum = 0;
      for (std::int64_t t = termFirst[c]; t < termFirst[c + 1]; ++t) {
        sum += values[static_cast<size_t>(terms[static_cast<size_t>(t)])];
      }
      out[a + C.first[c] * ld] = dlpAtScale(sum, scale);
    }
  });
  if (done) copyRepeats(out, ld, R, C, nRows, nCols);
  return done;
}

bool hypmatrixTileKernel(const BoundaryMesh& mesh, double eta, const std::int64_t* rows,
                         std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                         double* out, std::ptrdiff_t ld, const RunOptions& options) {
  const MatrixElements e = matrixElements(mesh);
  const MatrixLanes& lanes = matrixLanes(options.lanes);
  const Positions R = positionsOf(rows, nRows), C = positionsOf(cols, nCols);
  // The elements at the tile's nodes, each with the first positions of its
  // start and end node among the rows and the columns (-1 where absent).
  const std::vector<std::int64_t> atRows = elementsAt(mesh, R), atCols = elementsAt(mesh, C);
  const Union U = unionOf(atRows, atCols, nullptr, nullptr);
  struct Ends {
    std::ptrdiff_t row[2], col[2];
  };
  std::vector<Ends> ends;
  std::vector<unsigned char> atRow, atCol;  // an end of it is a row, a column of the tile
  for (std::int64_t j : U.numbers) {
    const int node[2] = {mesh.start[j], mesh.end[j]};
    ends.push_back({{R.at(node[0]), R.at(node[1])}, {C.at(node[0]), C.at(node[1])}});
    atRow.push_back(std::binary_search(atRows.begin(), atRows.end(), j));
    atCol.push_back(std::binary_search(atCols.begin(), atCols.end(), j));
  }
  // The places in U of the elements at the rows and at the columns.
  const auto placesIn = [&](const std::vector<std::int64_t>& js) {
    std::vector<std::ptrdiff_t> places;
    for (std::int64_t j : js) {
      places.push_back(std::lower_bound(U.numbers.begin(), U.numbers.end(), j) - U.numbers.begin());
    }
    return places;
  };
  const std::vector<std::ptrdiff_t> rowPlaces = placesIn(atRows), colPlaces = placesIn(atCols);
  for (std::ptrdiff_t b = 0; b < nCols; ++b) std::fill(out + b * ld, out + b * ld + nRows, 0.0);
  // W(p, q) sums the pairs of the elements at p and at q; column I of the
  // whole matrix holds its pairs (I, J) with J <= I. Column U[k] needs the
  // J <= I of every element at the tile's nodes where I is at a row and at a
  // column, of those at the columns where I is at a row only, and of those at
  // the rows where I is at a column only.
  struct Column {
    const std::int64_t* js = nullptr;
    size_t count = 0;
    const std::ptrdiff_t* places = nullptr;  // of each J in U; null: J = U[n]
    std::vector<double> values;              // 4 per pair
  };
  const size_t count = U.numbers.size();
  const bool done = orderedColumns<Column>(
      static_cast<std::ptrdiff_t>(count),
      tileOptions(options, static_cast<double>(atRows.size()) * atCols.size()),
      [] { return Column(); },
      [&](std::ptrdiff_t k, Column& column, int) {
        const std::int64_t I = U.numbers[k];
        const bool r = atRow[k], c = atCol[k];
        const std::vector<std::int64_t>& from = r && c ? U.numbers : r ? atCols : atRows;
        column.js = from.data();
        column.count = static_cast<size_t>(std::upper_bound(from.begin(), from.end(), I) - from.begin());
        column.places = r && c ? nullptr : r ? colPlaces.data() : rowPlaces.data();
        column.values.resize(4 * column.count);
        HypColumn context = hypColumn(mesh, eta, I);
        double group[4 * kLaneGroup];
        forEachGroup(lanes.width, column.js, column.count,
                     [&](std::ptrdiff_t j0, unsigned needed, size_t first, size_t last) {
                       if (fullGroup(column.js, first, last, lanes.width)) {
                         lanes.hypGroup(e, I, j0, column.values.data() + 4 * first, needed,
                                        hypPairFallback, &context);
                         return;
                       }
                       lanes.hypGroup(e, I, j0, group, needed, hypPairFallback, &context);
                       for (size_t n = first; n < last; ++n) {
                         const std::ptrdiff_t at = 4 * (column.js[n] - j0);
                         std::copy(group + at, group + at + 4, column.values.data() + 4 * n);
                       }
                     });
      },
      [&](std::ptrdiff_t k, const Column& column) {
        // In the order of the whole matrix, which adds each value into its
        // entry (r, c), r a node of J and c one of I, and mirrors it to (c, r).
        const std::int64_t I = U.numbers[k];
        const Ends& eI = ends[k];
        for (size_t n = 0; n < column.count; ++n) {
          const std::int64_t J = column.js[n];
          const Ends& eJ = ends[column.places != nullptr ? column.places[n] : n];
          forEachEntry(mesh.start.data(), mesh.end.data(), I, J, column.values.data() + 4 * n,
                       [&](int r, int c, double v, int sr, int sc) {
                         if (eJ.row[sr] >= 0 && eI.col[sc] >= 0) out[eJ.row[sr] + eI.col[sc] * ld] += v;
                         if (r != c && eI.row[sc] >= 0 && eJ.col[sr] >= 0) {
                           out[eI.row[sc] + eJ.col[sr] * ld] += v;
                         }
                       });
        }
      });
  if (!done) return false;
  copyRepeats(out, ld, R, C, nRows, nCols);
  // The scaling law (matrix_pairs.h), as the whole matrix applies it.
  const double logScale = scaleLogOverTwoPi(mesh.scaleExponent);
  if (logScale != 0) {
    const std::vector<int>& a = mesh.hatSlopeIntegral;
    for (std::ptrdiff_t b = 0; b < nCols; ++b) {
      for (std::ptrdiff_t r = 0; r < nRows; ++r) {
        out[r + b * ld] = hypAtScale(out[r + b * ld], a[rows[r]], a[cols[b]], logScale);
      }
    }
  }
  return true;
}
