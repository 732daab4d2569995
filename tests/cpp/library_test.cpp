// The library over a caller's arrays: tiles of the matrices equal the whole
// matrix bit for bit, and the layout of the inputs (strides, index types and
// bases) changes no bit of any module.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "bem2d.h"
#include "lane_widths.h"
#include "polygon_mesh.h"

namespace {

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
  for (int lanes : laneWidths()) {
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

// ---- layouts --------------------------------------------------------------------

// Where the entries of a rows-by-cols matrix lie in an array: entry (r, c) at
// offset + r * rowStride + c * columnStride.
struct Placement {
  const char* name;
  std::ptrdiff_t offset, rowStride, columnStride, size;
};

// Column-major, row-major, every other row and column of a larger
// column-major array, and a row-major array read from its last row backward
// (a negative stride, as numpy's a[::-1]).
std::vector<Placement> placements(std::ptrdiff_t rows, std::ptrdiff_t cols) {
  const std::ptrdiff_t big = 2 * rows + 1;
  return {{"column-major", 0, 1, rows, rows * cols},
          {"row-major", 0, cols, 1, rows * cols},
          {"strided", 1 + big, 2, 2 * big, big * (2 * cols + 1)},
          {"reversed", (rows - 1) * cols, -cols, 1, rows * cols}};
}

// A matrix held in an array of one type in one placement; the entries that
// belong to no matrix entry hold values no reader may take (NaN for points,
// a number beyond every node for node numbers).
struct Held {
  std::vector<std::uint64_t> storage;  // aligned for every type
  std::size_t item;                    // bytes per entry
  const void* at(const Placement& p) const {
    return reinterpret_cast<const unsigned char*>(storage.data()) + p.offset * item;
  }
};

// The entries of a column-major matrix plus `shift`, as type T in placement p.
template <class T>
Held hold(const std::vector<double>& columnMajor, std::ptrdiff_t rows, std::ptrdiff_t cols,
          const Placement& p, double shift, double filler) {
  std::vector<T> a(static_cast<std::size_t>(p.size), static_cast<T>(filler));
  for (std::ptrdiff_t r = 0; r < rows; ++r) {
    for (std::ptrdiff_t c = 0; c < cols; ++c) {
      a[p.offset + r * p.rowStride + c * p.columnStride] =
          static_cast<T>(columnMajor[r + c * rows] + shift);
    }
  }
  Held h;
  h.item = sizeof(T);
  h.storage.resize((a.size() * sizeof(T) + 7) / 8);
  std::memcpy(h.storage.data(), a.data(), a.size() * sizeof(T));
  return h;
}

// Every index type, with the function that holds node numbers in it.
struct IndexKind {
  bem2d::IndexType type;
  const char* name;
  Held (*hold)(const std::vector<double>&, std::ptrdiff_t, std::ptrdiff_t, const Placement&, double,
               double);
};
const IndexKind kIndexKinds[] = {{bem2d::IndexType::Float64, "float64", hold<double>},
                                 {bem2d::IndexType::Int8, "int8", hold<std::int8_t>},
                                 {bem2d::IndexType::UInt8, "uint8", hold<std::uint8_t>},
                                 {bem2d::IndexType::Int16, "int16", hold<std::int16_t>},
                                 {bem2d::IndexType::UInt16, "uint16", hold<std::uint16_t>},
                                 {bem2d::IndexType::Int32, "int32", hold<std::int32_t>},
                                 {bem2d::IndexType::UInt32, "uint32", hold<std::uint32_t>},
                                 {bem2d::IndexType::Int64, "int64", hold<std::int64_t>},
                                 {bem2d::IndexType::UInt64, "uint64", hold<std::uint64_t>}};

// A boundary mesh and its fan of triangles from node 0, points off the
// boundary with directions, and points on the elements with their normals,
// each as one module reads them.
struct Inputs {
  bem2d::Mesh mesh;
  bem2d::Triangulation triangles;
  Points x, q, xb, nb;
};

// Every module on these inputs, at the scalar lanes.
std::vector<std::vector<double>> everyModule(const Inputs& in, const std::vector<double>& g) {
  RunOptions o;
  o.lanes = 1;
  const bem2d::PreparedMesh mesh(in.mesh);
  const std::ptrdiff_t nE = mesh.mesh.elementCount, nC = mesh.mesh.nodeCount;
  const std::ptrdiff_t nx = in.x.count, nb = in.xb.count;
  std::vector<std::vector<double>> r = {
      std::vector<double>(nx),      std::vector<double>(nx),      std::vector<double>(nx),
      std::vector<double>(nb),      std::vector<double>(2 * nx),  std::vector<double>(nx),
      std::vector<double>(nE * nE), std::vector<double>(nE * nC), std::vector<double>(nC * nC)};
  EXPECT_TRUE(bem2d::slpfield(mesh, g.data(), in.x, 0.5, r[0].data(), o));
  EXPECT_TRUE(bem2d::dlpfield(mesh, g.data(), in.x, 0.5, r[1].data(), o));
  EXPECT_TRUE(bem2d::tdlfield(mesh, g.data(), in.x, in.q, 0.5, r[2].data(), o));
  EXPECT_TRUE(bem2d::hypfield(mesh, g.data(), in.xb, in.nb, 0.5, r[3].data(), nullptr, o));
  EXPECT_TRUE(bem2d::dlpgradfield(mesh, g.data(), in.x, 0.5, r[4].data(), nullptr, o));
  EXPECT_TRUE(bem2d::domfield(in.triangles, g.data(), in.x, r[5].data(), o));
  EXPECT_TRUE(bem2d::slpmatrix(mesh, 0.5, r[6].data(), o));
  EXPECT_TRUE(bem2d::dlpmatrix(mesh, 0.5, r[7].data(), o));
  EXPECT_TRUE(bem2d::hypmatrix(mesh, 0.5, r[8].data(), o));
  return r;
}

// Every index type, both bases and every placement of the node numbers (of
// the elements and of the triangles), with the points in the same placement,
// give every module the bits of the hosts' plain layout: column-major doubles
// counting from 1. Entries outside the matrices hold NaN or out-of-range
// numbers, so that a read at a wrong stride or base shows.
TEST(Layouts, ChangeNoBit) {
  const PolygonMesh m = polygonMesh(24, 1, 0.1);
  const int n = m.nE, nx = 9, nt = n - 2;
  std::vector<double> x(2 * nx), q(2 * nx), xb(2 * n), nb(2 * n), fan(3 * nt), g(n);
  for (int i = 0; i < nx; ++i) {
    x[i] = 0.3 * std::cos(i) + (i % 3 ? 0 : 0.8);
    x[i + nx] = 0.2 * std::sin(2 * i);
    q[i] = std::cos(3 * i);
    q[i + nx] = std::sin(3 * i);
  }
  for (int j = 0; j < n; ++j) {
    const int a = startVertex(m, j), b = endVertex(m, j);
    const double L = elementLength(m, j);
    for (int c = 0; c < 2; ++c) {
      xb[j + c * n] = 0.7 * m.coordinates[a + c * n] + 0.3 * m.coordinates[b + c * n];
    }
    nb[j] = (m.coordinates[b + n] - m.coordinates[a + n]) / L;
    nb[j + n] = (m.coordinates[a] - m.coordinates[b]) / L;
    g[j] = 1 + 0.5 * std::cos(j);
  }
  for (int t = 0; t < nt; ++t) {
    fan[t] = 1;
    fan[t + nt] = t + 2;
    fan[t + 2 * nt] = t + 3;
  }
  const bem2d::Indices plainElements = {m.elements.data(), bem2d::IndexType::Float64, n, 1, n, 1};
  const bem2d::Indices plainFan = {fan.data(), bem2d::IndexType::Float64, nt, 1, nt, 1};
  const Points nodes = columnMajor(m.coordinates.data(), n);
  const Inputs plain = {{nodes, plainElements},
                        {nodes, plainFan},
                        columnMajor(x.data(), nx),
                        columnMajor(q.data(), nx),
                        columnMajor(xb.data(), n),
                        columnMajor(nb.data(), n)};
  const std::vector<std::vector<double>> expected = everyModule(plain, g);

  const std::vector<Placement> kinds = placements(1, 1);
  for (const IndexKind& type : kIndexKinds) {
    for (int base : {0, 1}) {
      for (std::size_t k = 0; k < kinds.size(); ++k) {
        // Points and node numbers in placement k, by their own shapes.
        auto points = [&](const std::vector<double>& v, std::ptrdiff_t rows, Held* h) {
          const Placement p = placements(rows, 2)[k];
          *h = hold<double>(v, rows, 2, p, 0, std::nan(""));
          return Points{static_cast<const double*>(h->at(p)), rows, p.rowStride, p.columnStride};
        };
        auto indices = [&](const std::vector<double>& v, std::ptrdiff_t rows, std::ptrdiff_t cols,
                           Held* h) {
          const Placement p = placements(rows, cols)[k];
          *h = type.hold(v, rows, cols, p, base - 1, 100);
          return bem2d::Indices{h->at(p), type.type, rows, p.rowStride, p.columnStride, base};
        };
        Held held[7];
        const Points c = points(m.coordinates, n, &held[0]);
        const Inputs in = {{c, indices(m.elements, n, 2, &held[1])},
                           {c, indices(fan, nt, 3, &held[2])},
                           points(x, nx, &held[3]),
                           points(q, nx, &held[4]),
                           points(xb, n, &held[5]),
                           points(nb, n, &held[6])};
        const std::vector<std::vector<double>> got = everyModule(in, g);
        for (std::size_t r = 0; r < got.size(); ++r) {
          EXPECT_TRUE(got[r] == expected[r])
              << type.name << ", base " << base << ", " << kinds[k].name << ", module " << r;
        }
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
