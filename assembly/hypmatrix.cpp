#include "hypmatrix.h"

#include <algorithm>
#include <vector>

#include "hyp_pair.h"
#include "matrix_pairs.h"
#include "slp_pair.h"

HypColumn hypColumn(const BoundaryMesh& mesh, double eta, std::ptrdiff_t i) {
  const Segment& s = mesh.segments[i];
  HypColumn c;
  c.mesh = &mesh;
  c.eta = eta;
  c.reversed = segmentOf(s.B[0], s.B[1], s.A[0], s.A[1]);
  c.i = i;
  c.a = mesh.start[i];
  c.b = mesh.end[i];
  return c;
}

void hypPairFallback(void* context, std::ptrdiff_t j, double* v) {
  const HypColumn& c = *static_cast<const HypColumn*>(context);
  const BoundaryMesh& m = *c.mesh;
  const std::ptrdiff_t cn = m.start[j], dn = m.end[j];
  const Segment& S = m.segments[j];
  // Entry k of the pair: row node of j (0 its start, 1 its end) and column
  // node of i, in the order of the four values.
  const std::ptrdiff_t row[4] = {cn, dn, cn, dn}, col[4] = {c.a, c.a, c.b, c.b};
  const int rowEnd[4] = {0, 1, 0, 1}, colEnd[4] = {0, 0, 1, 1};
  bool far[4], half[4], anyFar = false, anyHalf = false, allOther = true;
  for (int k = 0; k < 4; ++k) {
    far[k] = farEntry(m, row[k], col[k]);
    half[k] = !far[k] && halfFarEntry(m, row[k], col[k]);
    anyFar = anyFar || far[k];
    anyHalf = anyHalf || half[k];
    allOther = allOther && (far[k] || half[k]);
  }
  double x = 0;
  if (!allOther) x = slpPairNormalized(S, c.reversed, c.eta);
  double block[2][2] = {{0, 0}, {0, 0}}, onS[2][2] = {{0, 0}, {0, 0}}, onT[2][2] = {{0, 0}, {0, 0}};
  if (anyFar) hypFarBlock(S, m.segments[c.i], block);
  if (anyHalf) hypHalfBlocks(S, m.segments[c.i], onS, onT);
  // s(j, c) = -1, s(j, d) = +1 against s(i, a) = -1, s(i, b) = +1.
  for (int k = 0; k < 4; ++k) {
    const int r = rowEnd[k], q = colEnd[k];
    if (far[k]) {
      v[k] = block[r][q];
    } else if (half[k]) {
      v[k] = m.regularNode[row[k]] ? onS[r][q] : onT[r][q];
    } else {
      v[k] = r == q ? x : -x;
    }
  }
}

namespace {

// Adds the values of column i into the upper triangle of W (row <= column),
// where the entries of a column of elements mostly fall into a few columns of
// W, contiguous in memory.
void addColumn(double* W, std::ptrdiff_t nC, const int* start, const int* end, std::ptrdiff_t i,
               const double* values) {
  for (std::ptrdiff_t j = 0; j <= i; ++j) {
    forEachEntry(start, end, i, j, values + 4 * j, [&](std::ptrdiff_t r, std::ptrdiff_t c, double v, int, int) {
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

bool hypmatrixKernel(const BoundaryMesh& mesh, double eta, double* out,
                     const RunOptions& options) {
  const MatrixElements e = matrixElements(mesh);
  const MatrixLanes& lanes = matrixLanes(options.lanes);
  const std::ptrdiff_t nE = mesh.elementCount, nC = mesh.nodeCount;
  if (!zeroFill(out, nC * nC, options)) return false;
  using Column = std::vector<double>;
  const bool done = orderedColumns<Column>(
      nE, options, [&] { return Column(static_cast<size_t>(4 * (nE > 0 ? nE : 1))); },
      [&](std::ptrdiff_t i, Column& values, int) {
        HypColumn column = hypColumn(mesh, eta, i);
        for (std::ptrdiff_t j0 = 0; j0 <= i; j0 += lanes.width) {
          lanes.hypGroup(e, i, j0, values.data() + 4 * j0, ~0u, hypPairFallback, &column);
        }
      },
      [&](std::ptrdiff_t i, const Column& values) {
        addColumn(out, nC, mesh.start.data(), mesh.end.data(), i, values.data());
      });
  if (!done) return false;
  // The lower triangle mirrors the upper one: W is exactly symmetric.
  if (!parallelFor((nC + kTile - 1) / kTile, options,
                   [&](std::int64_t block, int) { mirrorTiles(out, nC, block * kTile); })) {
    return false;
  }
  // The scaling law (matrix_pairs.h), where some node ends an open chain.
  const std::vector<int>& a = mesh.hatSlopeIntegral;
  const double logScale = scaleLogOverTwoPi(mesh.scaleExponent);
  if (logScale == 0 || std::all_of(a.begin(), a.end(), [](int v) { return v == 0; })) return true;
  return parallelFor(nC, options, [&](std::int64_t q, int) {
    if (a[q] == 0) return;  // the column keeps its entries (hypAtScale)
    for (std::ptrdiff_t p = 0; p < nC; ++p) {
      out[p + q * nC] = hypAtScale(out[p + q * nC], a[p], a[q], logScale);
    }
  });
}
