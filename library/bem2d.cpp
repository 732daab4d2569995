#include "bem2d.h"

#include <cmath>
#include <vector>

#include "dlpgradfield.h"
#include "dlpmatrix.h"
#include "domfield.h"
#include "dlpfield.h"
#include "hypfield.h"
#include "hypmatrix.h"
#include "slpfield.h"
#include "slpmatrix.h"
#include "tdlfield.h"

namespace bem2d {

namespace {

template <class T>
double numberAt(const void* data, std::ptrdiff_t k) {
  return static_cast<double>(static_cast<const T*>(data)[k]);
}

// The kernels' layout of a mesh: coordinates column-major, node numbers
// counted from 1 as doubles, column-major. The caller's arrays serve as they
// are when they already lie so; otherwise a copy (of the size of the mesh,
// small against the work) is made.
struct KernelMesh {
  std::vector<double> coordinateCopy, indexCopy;
  const double* coordinates;
  const double* indices;
  int nodes;
  int cells;
  KernelMesh(const Points& p, const Indices& m, int columns)
      : nodes(static_cast<int>(p.count)), cells(static_cast<int>(m.rows)) {
    if (p.rowStride == 1 && p.columnStride == p.count) {
      coordinates = p.data;
    } else {
      coordinateCopy.resize(2 * static_cast<size_t>(p.count));
      for (std::ptrdiff_t i = 0; i < p.count; ++i) {
        coordinateCopy[i] = p.x(i);
        coordinateCopy[i + p.count] = p.y(i);
      }
      coordinates = coordinateCopy.data();
    }
    if (m.type == IndexType::Float64 && m.base == 1 && m.rowStride == 1 &&
        m.columnStride == m.rows) {
      indices = static_cast<const double*>(m.data);
    } else {
      indexCopy.resize(static_cast<size_t>(columns * m.rows));
      for (int c = 0; c < columns; ++c) {
        for (std::ptrdiff_t r = 0; r < m.rows; ++r) indexCopy[r + c * m.rows] = indexAt(m, r, c);
      }
      indices = indexCopy.data();
    }
  }
};

}  // namespace

double indexAt(const Indices& m, std::ptrdiff_t r, int c) {
  const std::ptrdiff_t k = r * m.rowStride + c * m.columnStride;
  double v = 0;
  switch (m.type) {
    case IndexType::Float64: v = numberAt<double>(m.data, k); break;
    case IndexType::Int8: v = numberAt<std::int8_t>(m.data, k); break;
    case IndexType::UInt8: v = numberAt<std::uint8_t>(m.data, k); break;
    case IndexType::Int16: v = numberAt<std::int16_t>(m.data, k); break;
    case IndexType::UInt16: v = numberAt<std::uint16_t>(m.data, k); break;
    case IndexType::Int32: v = numberAt<std::int32_t>(m.data, k); break;
    case IndexType::UInt32: v = numberAt<std::uint32_t>(m.data, k); break;
    case IndexType::Int64: v = numberAt<std::int64_t>(m.data, k); break;
    case IndexType::UInt64: v = numberAt<std::uint64_t>(m.data, k); break;
  }
  // Integers far beyond any row count may round here; they stay out of range.
  return v + (1 - m.base);
}

bool indicesInRange(const Indices& m, int columns, std::ptrdiff_t targetRows,
                    std::ptrdiff_t* row, int* column, double* value, std::ptrdiff_t* largest) {
  // Truncation toward zero lands in 1..targetRows exactly when the number
  // lies in [1, targetRows + 1); NaN and infinities fail the comparison.
  const double upper = static_cast<double>(targetRows) + 1.0;
  std::ptrdiff_t top = 0;
  for (int c = 0; c < columns; ++c) {
    for (std::ptrdiff_t r = 0; r < m.rows; ++r) {
      const double v = indexAt(m, r, c);
      if (!(v >= 1.0 && v < upper)) {
        *row = r;
        *column = c;
        *value = v - (1 - m.base);
        return false;
      }
      const std::ptrdiff_t number = static_cast<std::ptrdiff_t>(v);
      if (number > top) top = number;
    }
  }
  if (largest != nullptr) *largest = top;
  return true;
}

bool slpfield(const Mesh& mesh, const double* chi, const Points& z, double eta, double* out,
              const RunOptions& options) {
  const KernelMesh k(mesh.coordinates, mesh.elements, 2);
  return slpfieldKernel(out, k.nodes, k.cells, k.coordinates, k.indices, chi, z, eta, options);
}

bool dlpfield(const Mesh& mesh, const double* gh, const Points& x, double eta, double* out,
              const RunOptions& options) {
  const KernelMesh k(mesh.coordinates, mesh.elements, 2);
  return dlpfieldKernel(out, k.nodes, k.cells, k.coordinates, k.indices, gh, x, eta, options);
}

bool tdlfield(const Mesh& mesh, const double* gh, const Points& x, const Points& n_x, double eta,
              double* out, const RunOptions& options) {
  const KernelMesh k(mesh.coordinates, mesh.elements, 2);
  return tdlfieldKernel(out, k.nodes, k.cells, k.coordinates, k.indices, gh, x, n_x, eta, options);
}

bool hypfield(const Mesh& mesh, const double* gh, const Points& x, const Points& n_x, double eta,
              double* out, unsigned char* warnings, const RunOptions& options) {
  const KernelMesh k(mesh.coordinates, mesh.elements, 2);
  return hypfieldKernel(out, k.nodes, k.cells, k.coordinates, k.indices, gh, x, n_x, eta, options,
                        warnings);
}

const char* dlpgradfieldWarningFormat() { return kDlpgradfieldOnBoundaryText; }

const char* hypfieldWarningFormat(unsigned char code) {
  if (code == kHypfieldOffBoundary) return kHypfieldOffBoundaryText;
  if (code == kHypfieldAtVertex) return kHypfieldAtVertexText;
  return nullptr;
}

bool domfield(const Triangulation& mesh, const double* f, const Points& x, double* out,
              const RunOptions& options) {
  const KernelMesh k(mesh.vertices, mesh.volumes, 3);
  return domfieldKernel(out, k.coordinates, k.indices, f, x, k.nodes, k.cells, options);
}

bool dlpgradfield(const Mesh& mesh, const double* gh, const Points& x, double eta, double* out,
                  unsigned char* onBoundary, const RunOptions& options) {
  const KernelMesh k(mesh.coordinates, mesh.elements, 2);
  return dlpgradfieldKernel(out, k.nodes, k.cells, k.coordinates, k.indices, gh, x, eta, options,
                            onBoundary);
}

bool slpmatrix(const Mesh& mesh, double eta, double* out, const RunOptions& options) {
  const KernelMesh k(mesh.coordinates, mesh.elements, 2);
  return assembleSlp(out, k.nodes, k.cells, k.coordinates, k.indices, eta, options);
}

bool dlpmatrix(const Mesh& mesh, double eta, double* out, const RunOptions& options) {
  const KernelMesh k(mesh.coordinates, mesh.elements, 2);
  return assembleDlp(out, k.nodes, k.cells, k.coordinates, k.indices, eta, options);
}

bool hypmatrix(const Mesh& mesh, double eta, double* out, const RunOptions& options) {
  const KernelMesh k(mesh.coordinates, mesh.elements, 2);
  return assembleHyp(out, k.coordinates, k.indices, k.nodes, k.cells, eta, options);
}

bool slpmatrixTile(const Mesh& mesh, double eta, const std::int64_t* rows, std::ptrdiff_t nRows,
                   const std::int64_t* cols, std::ptrdiff_t nCols, double* out, std::ptrdiff_t ld,
                   const RunOptions& options) {
  const KernelMesh k(mesh.coordinates, mesh.elements, 2);
  return assembleSlpTile(out, ld, k.nodes, k.cells, k.coordinates, k.indices, eta, rows, nRows,
                         cols, nCols, options);
}

bool hypmatrixTile(const Mesh& mesh, double eta, const std::int64_t* rows, std::ptrdiff_t nRows,
                   const std::int64_t* cols, std::ptrdiff_t nCols, double* out, std::ptrdiff_t ld,
                   const RunOptions& options) {
  const KernelMesh k(mesh.coordinates, mesh.elements, 2);
  return assembleHypTile(out, ld, k.coordinates, k.indices, k.nodes, k.cells, eta, rows, nRows,
                         cols, nCols, options);
}

bool dlpmatrixTile(const Mesh& mesh, double eta, const std::int64_t* rows, std::ptrdiff_t nRows,
                   const std::int64_t* cols, std::ptrdiff_t nCols, double* out, std::ptrdiff_t ld,
                   const RunOptions& options) {
  const KernelMesh k(mesh.coordinates, mesh.elements, 2);
  return assembleDlpTile(out, ld, k.nodes, k.cells, k.coordinates, k.indices, eta, rows, nRows,
                         cols, nCols, options);
}

}  // namespace bem2d
