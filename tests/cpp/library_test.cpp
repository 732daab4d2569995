// The library over a caller's arrays: tiles of the matrices equal the whole
// matrix bit for bit, and the layout of the inputs (strides, index types and
// bases) changes no bit of any module.
#include "bem2d.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "polygon_mesh.h"

namespace {

bem2d::Mesh meshOf(const PolygonMesh& m) {
  return {columnMajor(m.coordinates.data(), m.nC),
          {m.elements.data(), bem2d::IndexType::Float64, m.nE, 1, m.nE, 1}};
}

// Index sets of a tile: a range, a range across the diagonal, scattered
// numbers out of order with a repeat, a single entry, and all n.
std::vector<std::vector<std::int64_t>> indexSets(int n) {
  std::vector<std::int64_t> range, scattered = {n - 1, 3, 17 % n, 3, 0, n / 2}, all;
  for (int k = n / 3; k < n / 3 + 13; ++k) range.push_back(k);
  for (int k = 0; k < n; ++k) all.push_back(k);
  return {range, scattered, {n / 2}, all};
}

// Every tile of V, K and W equals the same entries of the whole matrix, at
// every lane width, on a polygon whose node numbers are not its element
// numbers (so that rows of elements and columns of nodes cannot be confused).
TEST(Tiles, EqualTheWholeMatrixBitForBit) {
  PolygonMesh m = polygonMesh(57, 1, 0.1);
  for (int c = 0; c < 2 * m.nE; ++c) m.elements[c] = (static_cast<int>(m.elements[c]) * 5) % 57 + 1;
  std::vector<double> shuffled(m.coordinates.size());
  for (int k = 0; k < m.nC; ++k) {
    for (int c = 0; c < 2; ++c) shuffled[(k * 5 + 5) % 57 + c * m.nC] = m.coordinates[k + c * m.nC];
  }
  m.coordinates = shuffled;
  const bem2d::PreparedMesh mesh = prepared(m);
  struct Kind {
    bool (*whole)(const bem2d::PreparedMesh&, double, double*, const RunOptions&);
    bem2d::TileCall tile;
    int rows, cols;
  };
  const Kind kinds[] = {{bem2d::slpmatrix, bem2d::slpmatrixTile, m.nE, m.nE},
                        {bem2d::dlpmatrix, bem2d::dlpmatrixTile, m.nE, m.nC},
                        {bem2d::hypmatrix, bem2d::hypmatrixTile, m.nC, m.nC}};
  for (int lanes : {1, 4, 8}) {
    RunOptions options;
    options.lanes = lanes;
    for (const Kind& k : kinds) {
      std::vector<double> M(static_cast<size_t>(k.rows) * k.cols);
      ASSERT_TRUE(k.whole(mesh, 0.5, M.data(), options));
      for (const auto& rows : indexSets(k.rows)) {
        for (const auto& cols : indexSets(k.cols)) {
          const std::ptrdiff_t ld = static_cast<std::ptrdiff_t>(rows.size()) + 2;
          std::vector<double> t(ld * cols.size(), -1);
          ASSERT_TRUE(k.tile(mesh, 0.5, rows.data(), rows.size(), cols.data(), cols.size(),
                             t.data(), ld, options));
          for (size_t b = 0; b < cols.size(); ++b) {
            for (size_t a = 0; a < rows.size(); ++a) {
              ASSERT_EQ(t[a + b * ld], M[static_cast<size_t>(rows[a] + cols[b] * k.rows)])
                  << lanes << " " << k.rows << "x" << k.cols << " " << rows[a] << " " << cols[b];
            }
          }
        }
      }
    }
  }
}

// The same mesh and points as column-major doubles counting from 1, and as
// row-major int32 and uint64 counting from 0 with row-major points.
TEST(Layouts, ChangeNoBit) {
  const PolygonMesh m = polygonMesh(40, 1, 0.1);
  const int n = m.nE, nx = 9;
  std::vector<double> rowCoordinates(2 * n), x(2 * nx), rowX(2 * nx), q(2 * nx), rowQ(2 * nx);
  std::vector<std::int32_t> e32(2 * n);
  std::vector<std::uint64_t> e64(2 * n);
  for (int k = 0; k < n; ++k) {
    rowCoordinates[2 * k] = m.coordinates[k];
    rowCoordinates[2 * k + 1] = m.coordinates[k + n];
    for (int c = 0; c < 2; ++c) {
      e32[2 * k + c] = static_cast<std::int32_t>(m.elements[k + c * n]) - 1;
      e64[2 * k + c] = static_cast<std::uint64_t>(m.elements[k + c * n]) - 1;
    }
  }
  for (int i = 0; i < nx; ++i) {
    x[i] = rowX[2 * i] = 0.3 * std::cos(i) + (i % 3 ? 0 : 0.8);
    x[i + nx] = rowX[2 * i + 1] = 0.2 * std::sin(2 * i);
    q[i] = rowQ[2 * i] = std::cos(3 * i);
    q[i + nx] = rowQ[2 * i + 1] = std::sin(3 * i);
  }
  std::vector<double> density(n);
  for (int k = 0; k < n; ++k) density[k] = 1 + 0.5 * std::cos(k);
  const Points rowPoints = {rowCoordinates.data(), n, 2, 1};
  const bem2d::Mesh meshes[3] = {
      meshOf(m),
      {rowPoints, {e32.data(), bem2d::IndexType::Int32, n, 2, 1, 0}},
      {rowPoints, {e64.data(), bem2d::IndexType::UInt64, n, 2, 1, 0}}};
  const Points xs[2] = {columnMajor(x.data(), nx), {rowX.data(), nx, 2, 1}};
  const Points qs[2] = {columnMajor(q.data(), nx), {rowQ.data(), nx, 2, 1}};
  std::vector<double> first[5];
  for (int k = 0; k < 3; ++k) {
    const int p = k == 0 ? 0 : 1;
    std::vector<double> out[5];
    for (auto& o : out) o.assign(nx, 0);
    ASSERT_TRUE(bem2d::slpfield(meshes[k], density.data(), xs[p], 0.5, out[0].data()));
    ASSERT_TRUE(bem2d::dlpfield(meshes[k], density.data(), xs[p], 0.5, out[1].data()));
    ASSERT_TRUE(bem2d::tdlfield(meshes[k], density.data(), xs[p], qs[p], 0.5, out[2].data()));
    std::vector<double> V(static_cast<size_t>(n) * n);
    ASSERT_TRUE(bem2d::slpmatrix(meshes[k], 0.5, V.data()));
    out[3].assign(V.begin(), V.end());
    std::vector<double> W(static_cast<size_t>(n) * n, 0);
    ASSERT_TRUE(bem2d::hypmatrix(meshes[k], 0.5, W.data()));
    out[4].assign(W.begin(), W.end());
    for (int r = 0; r < 5; ++r) {
      if (k == 0) {
        first[r] = out[r];
      } else {
        EXPECT_EQ(out[r], first[r]) << k << " " << r;
      }
    }
  }
}

// Node numbers are checked with the base of their matrix.
TEST(Indices, InRangeWithTheirBase) {
  const std::int32_t e[4] = {0, 1, 2, 3};  // 2-by-2 column-major, from 0
  std::ptrdiff_t row = -1, largest = 0;
  int column = -1;
  double value = 0;
  EXPECT_TRUE(bem2d::indicesInRange({e, bem2d::IndexType::Int32, 2, 1, 2, 0}, 2, 4, &row,
                                    &column, &value, &largest));
  EXPECT_EQ(largest, 4);
  EXPECT_FALSE(bem2d::indicesInRange({e, bem2d::IndexType::Int32, 2, 1, 2, 0}, 2, 3, &row,
                                     &column, &value, &largest));
  EXPECT_EQ(row, 1);
  EXPECT_EQ(column, 1);
  EXPECT_EQ(value, 3);
  EXPECT_FALSE(bem2d::indicesInRange({e, bem2d::IndexType::Int32, 2, 1, 2, 1}, 2, 4, &row,
                                     &column, &value, &largest));
  EXPECT_EQ(value, 0);
}

}  // namespace
