#include "bem2d.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <type_traits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "dlpfield.h"
#include "dlpgradfield.h"
#include "dlpmatrix.h"
#include "domfield.h"
#include "hypfield.h"
#include "hypmatrix.h"
#include "slpfield.h"
#include "slpmatrix.h"
#include "tdlfield.h"

namespace bem2d {

static_assert(kHypfieldOffBoundary == ::kHypfieldOffBoundary &&
                  kHypfieldAtVertex == ::kHypfieldAtVertex,
              "the library's status codes are the kernel's");

namespace {

template <class T>
double numberAt(const void* data, std::ptrdiff_t k) {
  return static_cast<double>(static_cast<const T*>(data)[k]);
}

template <class T>
void integerText(const void* data, std::ptrdiff_t k, char* text, size_t size) {
  const T v = static_cast<const T*>(data)[k];
  if (std::is_signed<T>::value) {
    std::snprintf(text, size, "%lld", static_cast<long long>(v));
  } else {
    std::snprintf(text, size, "%llu", static_cast<unsigned long long>(v));
  }
}

// Entry (r, c) of m as the matrix holds it (see IndexFault::text).
void entryText(const Indices& m, std::ptrdiff_t r, int c, char* text, size_t size) {
  const std::ptrdiff_t k = r * m.rowStride + c * m.columnStride;
  switch (m.type) {
    case IndexType::Float64: {
      const double v = static_cast<const double*>(m.data)[k];
      if (v == std::trunc(v) && std::fabs(v) < 9007199254740992.0) {
        std::snprintf(text, size, "%.0f", v);
      } else {
        std::snprintf(text, size, "%g", v);
      }
      break;
    }
    case IndexType::Int8: integerText<std::int8_t>(m.data, k, text, size); break;
    case IndexType::UInt8: integerText<std::uint8_t>(m.data, k, text, size); break;
    case IndexType::Int16: integerText<std::int16_t>(m.data, k, text, size); break;
    case IndexType::UInt16: integerText<std::uint16_t>(m.data, k, text, size); break;
    case IndexType::Int32: integerText<std::int32_t>(m.data, k, text, size); break;
    case IndexType::UInt32: integerText<std::uint32_t>(m.data, k, text, size); break;
    case IndexType::Int64: integerText<std::int64_t>(m.data, k, text, size); break;
    case IndexType::UInt64: integerText<std::uint64_t>(m.data, k, text, size); break;
  }
}

// Reads the first `columns` columns of m once each, in column-major order:
// visit(r, c, v) for each number v (counted from 1) while it names one of
// targetRows rows; at the first that does not, false with its place in *row
// and *column and its value as m holds it in *value.
template <class Visit>
bool visitIndices(const Indices& m, int columns, std::ptrdiff_t targetRows, Visit visit,
                  std::ptrdiff_t* row, int* column, double* value) {
  // Truncation toward zero lands in 1..targetRows exactly when the number
  // lies in [1, targetRows + 1); NaN and infinities fail the comparison.
  const double upper = static_cast<double>(targetRows) + 1.0;
  for (int c = 0; c < columns; ++c) {
    for (std::ptrdiff_t r = 0; r < m.rows; ++r) {
      const double v = indexAt(m, r, c);
      if (!(v >= 1.0 && v < upper)) {
        *row = r;
        *column = c;
        *value = v - (1 - m.base);
        return false;
      }
      visit(r, c, v);
    }
  }
  return true;
}

// The first `columns` columns of m as 0-based row numbers of a matrix of
// targetRows rows into numbers[c] (row r at numbers[c][r]); false at the
// first that names no row.
bool readIndices(const Indices& m, int columns, std::ptrdiff_t targetRows,
                 std::vector<int>* numbers, IndexFault* fault) {
  for (int c = 0; c < columns; ++c) numbers[c].resize(static_cast<size_t>(m.rows));
  const auto keep = [&](std::ptrdiff_t r, int c, double v) {
    numbers[c][static_cast<size_t>(r)] = static_cast<int>(v) - 1;
  };
  if (visitIndices(m, columns, targetRows, keep, &fault->row, &fault->column, &fault->value)) {
    return true;
  }
  entryText(m, fault->row, fault->column, fault->text, sizeof fault->text);
  return false;
}

std::string faultText(const char* what, const IndexFault& f) {
  return std::string(what) + " (" + std::to_string(f.row) + ", " + std::to_string(f.column) +
         ") = " + f.text + " names no row";
}

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
  std::ptrdiff_t top = 0;
  const auto highest = [&](std::ptrdiff_t, int, double v) {
    top = std::max(top, static_cast<std::ptrdiff_t>(v));
  };
  if (!visitIndices(m, columns, targetRows, highest, row, column, value)) return false;
  if (largest != nullptr) *largest = top;
  return true;
}

bool prepare(const Mesh& mesh, PreparedMesh* out, IndexFault* fault) {
  std::vector<int> ends[2];
  if (!readIndices(mesh.elements, 2, mesh.coordinates.count, ends, fault)) return false;
  buildBoundaryMesh(mesh.coordinates, ends[0], ends[1], &out->mesh);
  return true;
}

bool prepare(const Triangulation& t, PreparedTriangulation* out, IndexFault* fault) {
  std::vector<int> corners[3];
  if (!readIndices(t.volumes, 3, t.vertices.count, corners, fault)) return false;
  std::vector<int> flat(3 * static_cast<size_t>(t.volumes.rows));
  for (std::ptrdiff_t j = 0; j < t.volumes.rows; ++j) {
    for (int k = 0; k < 3; ++k) flat[3 * j + k] = corners[k][static_cast<size_t>(j)];
  }
  buildTriangleMesh(t.vertices, std::move(flat), &out->mesh);
  return true;
}

PreparedMesh::PreparedMesh(const Mesh& m) {
  IndexFault fault;
  if (!prepare(m, this, &fault)) throw std::invalid_argument(faultText("elements", fault));
}

PreparedTriangulation::PreparedTriangulation(const Triangulation& t) {
  IndexFault fault;
  if (!prepare(t, this, &fault)) throw std::invalid_argument(faultText("volumes", fault));
}

bool slpfield(const PreparedMesh& mesh, const double* chi, const Points& z, double eta,
              double* out, const RunOptions& options) {
  return slpfieldKernel(mesh.mesh, chi, z, eta, out, options);
}

bool dlpfield(const PreparedMesh& mesh, const double* gh, const Points& x, double eta,
              double* out, const RunOptions& options) {
  return dlpfieldKernel(mesh.mesh, gh, x, eta, out, options);
}

bool tdlfield(const PreparedMesh& mesh, const double* gh, const Points& x, const Points& n_x,
              double eta, double* out, const RunOptions& options) {
  return tdlfieldKernel(mesh.mesh, gh, x, n_x, eta, out, options);
}

bool hypfield(const PreparedMesh& mesh, const double* gh, const Points& x, const Points& n_x,
              double eta, double* out, unsigned char* status, const RunOptions& options) {
  std::vector<unsigned char> unwanted(status == nullptr ? static_cast<size_t>(x.count) : 0);
  return hypfieldKernel(mesh.mesh, gh, x, n_x, eta, out,
                        status == nullptr ? unwanted.data() : status, options);
}

bool dlpgradfield(const PreparedMesh& mesh, const double* gh, const Points& x, double eta,
                  double* out, unsigned char* onBoundary, const RunOptions& options) {
  std::vector<unsigned char> unwanted(onBoundary == nullptr ? static_cast<size_t>(x.count) : 0);
  return dlpgradfieldKernel(mesh.mesh, gh, x, eta, out,
                            onBoundary == nullptr ? unwanted.data() : onBoundary, options);
}

bool domfield(const PreparedTriangulation& mesh, const double* f, const Points& x, double* out,
              const RunOptions& options) {
  return domfieldKernel(mesh.mesh, f, x, out, options);
}

// V and K are zeroed first, in chunks between polls for Ctrl-C (zeroFill;
// W's kernel zeroes its matrix itself): the system maps a fresh page at its
// first write, and slpmatrix's first column also writes its mirror row across
// the whole matrix, so mapping a new output would otherwise fall into one
// chunk of the kernel, deaf to Ctrl-C for as long as that takes (a second for
// 300 MB on a loaded machine).
bool slpmatrix(const PreparedMesh& mesh, double eta, double* out, const RunOptions& options) {
  const std::int64_t n = mesh.mesh.elementCount;
  return zeroFill(out, n * n, options) && slpmatrixKernel(mesh.mesh, eta, out, options);
}

bool dlpmatrix(const PreparedMesh& mesh, double eta, double* out, const RunOptions& options) {
  const std::int64_t size = static_cast<std::int64_t>(mesh.mesh.elementCount) * mesh.mesh.nodeCount;
  return zeroFill(out, size, options) && dlpmatrixKernel(mesh.mesh, eta, out, options);
}

bool hypmatrix(const PreparedMesh& mesh, double eta, double* out, const RunOptions& options) {
  return hypmatrixKernel(mesh.mesh, eta, out, options);
}

bool slpmatrixTile(const PreparedMesh& mesh, double eta, const std::int64_t* rows,
                   std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                   double* out, std::ptrdiff_t ld, const RunOptions& options) {
  return slpmatrixTileKernel(mesh.mesh, eta, rows, nRows, cols, nCols, out, ld, options);
}

bool hypmatrixTile(const PreparedMesh& mesh, double eta, const std::int64_t* rows,
                   std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                   double* out, std::ptrdiff_t ld, const RunOptions& options) {
  return hypmatrixTileKernel(mesh.mesh, eta, rows, nRows, cols, nCols, out, ld, options);
}

bool dlpmatrixTile(const PreparedMesh& mesh, double eta, const std::int64_t* rows,
                   std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                   double* out, std::ptrdiff_t ld, const RunOptions& options) {
  return dlpmatrixTileKernel(mesh.mesh, eta, rows, nRows, cols, nCols, out, ld, options);
}

bool compressedOperatorsBuilt() {
#if defined(BEM2D_HAVE_HMAT)
  return true;
#else
  return false;
#endif
}

const char* compressionEngine() { return engineName(); }

HStatus hmatrix(HKind kind, std::shared_ptr<const PreparedMesh> mesh, const HMatrixOptions& options,
                std::unique_ptr<HMatrix>* out, std::string* message) {
  // The matrix holds the mesh through the prepared mesh that owns it.
  std::shared_ptr<const BoundaryMesh> boundary(mesh, &mesh->mesh);
  return hmatrixBuild(std::move(boundary), kind, options, out, message);
}

}  // namespace bem2d
