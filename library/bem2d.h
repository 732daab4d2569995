// The toolkit as a C++ library: the modules over a caller's arrays, as they
// lie in its memory, with the numbering of nodes explicit and no host types.
// The Octave/MATLAB gateways and the Python module are thin layers over it:
// they check their arguments with the functions below and the messages of
// their host, then call a module.
//
// Points (coordinates, vertices, evaluation points, normals) are any n-by-2
// layout of doubles with strides (see points.h): column-major, row-major, or a
// range of rows of either, read without a copy. Index matrices (elements,
// volumes) are of any integer type or of doubles, with strides, counting
// nodes from 0 or 1. Densities are contiguous arrays of doubles. Results are
// written into the caller's arrays. Every call runs on the threads of its
// options and returns false when the options' interrupt poll stopped it (the
// result is then incomplete); the result does not depend on the number of
// threads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "parallel.h"
#include "points.h"

namespace bem2d {

enum class IndexType { Float64, Int8, UInt8, Int16, UInt16, Int32, UInt32, Int64, UInt64 };

// A matrix of node numbers, `rows` by 2 (elements) or 3 (volumes): entry
// (r, c) is element r * rowStride + c * columnStride of `data`, of the given
// type; numbers count from `base` (1 in Octave and MATLAB, 0 in Python). A
// double is truncated toward zero, as the hosts take it.
struct Indices {
  const void* data;
  IndexType type;
  std::ptrdiff_t rows;
  std::ptrdiff_t rowStride;
  std::ptrdiff_t columnStride;
  int base;
};

// A boundary mesh: nodes and elements (from node, to node).
struct Mesh {
  Points coordinates;
  Indices elements;
};

// A triangulation: vertices and volumes (three vertices each).
struct Triangulation {
  Points vertices;
  Indices volumes;
};

// Entry (r, c) of an index matrix as a number counted from 1 (a double:
// NaN and fractions stay as they are).
double indexAt(const Indices& m, std::ptrdiff_t r, int c);

// Whether every entry of the first `columns` columns names a row of a matrix
// of `targetRows` rows. When one does not, *row, *column (0-based) and
// *value (as counted from the matrix's base) give the first, in column-major
// order. *largest receives the largest number counted from 1 (0 for none).
bool indicesInRange(const Indices& m, int columns, std::ptrdiff_t targetRows,
                    std::ptrdiff_t* row, int* column, double* value, std::ptrdiff_t* largest);

// The field modules: out receives one value per point (tdlfield and hypfield
// with one direction per point in n_x). gh is one value per node (dlpfield,
// hypfield) or per element (tdlfield), chi one per element, f one per
// triangle. hypfield's `warnings` (null: written to the standard error
// stream) receives per point 0, 1 (on no element) or 2 (at a vertex).
bool slpfield(const Mesh& mesh, const double* chi, const Points& z, double eta, double* out,
              const RunOptions& options = RunOptions());
bool dlpfield(const Mesh& mesh, const double* gh, const Points& x, double eta, double* out,
              const RunOptions& options = RunOptions());
bool tdlfield(const Mesh& mesh, const double* gh, const Points& x, const Points& n_x, double eta,
              double* out, const RunOptions& options = RunOptions());
bool hypfield(const Mesh& mesh, const double* gh, const Points& x, const Points& n_x, double eta,
              double* out, unsigned char* warnings = nullptr,
              const RunOptions& options = RunOptions());
// The text of hypfield's warning `code` (1 or 2; null for any other): a
// printf format of the point's coordinates (two %g) and its 0-based number
// (%lld), as the standard error stream gets it after "Warning (hypfield): ".
const char* hypfieldWarningFormat(unsigned char code);

bool domfield(const Triangulation& mesh, const double* f, const Points& x, double* out,
              const RunOptions& options = RunOptions());
// The gradient of the double layer of gh (one value per node) at points off
// the boundary: out is count-by-2, column-major; `onBoundary` as hypfield's
// warnings (1 for a point on an element, whose row is NaN).
bool dlpgradfield(const Mesh& mesh, const double* gh, const Points& x, double eta, double* out,
                  unsigned char* onBoundary = nullptr, const RunOptions& options = RunOptions());
// The text of its warning for a point on the boundary, as hypfieldWarningFormat's.
const char* dlpgradfieldWarningFormat();

// The Galerkin matrices, column-major into out: V nE-by-nE, W nC-by-nC (out
// must hold zeros for W), K nE-by-nC.
bool slpmatrix(const Mesh& mesh, double eta, double* out,
               const RunOptions& options = RunOptions());
bool dlpmatrix(const Mesh& mesh, double eta, double* out,
               const RunOptions& options = RunOptions());
bool hypmatrix(const Mesh& mesh, double eta, double* out,
               const RunOptions& options = RunOptions());

// Tiles: the entries (rows[a], cols[b]) (0-based element numbers for V, node
// numbers for W, element and node numbers for K) into out[a + b * ld], equal
// bit for bit to the same entries of the whole matrix with the same lanes.
bool slpmatrixTile(const Mesh& mesh, double eta, const std::int64_t* rows, std::ptrdiff_t nRows,
                   const std::int64_t* cols, std::ptrdiff_t nCols, double* out, std::ptrdiff_t ld,
                   const RunOptions& options = RunOptions());
bool hypmatrixTile(const Mesh& mesh, double eta, const std::int64_t* rows, std::ptrdiff_t nRows,
                   const std::int64_t* cols, std::ptrdiff_t nCols, double* out, std::ptrdiff_t ld,
                   const RunOptions& options = RunOptions());
bool dlpmatrixTile(const Mesh& mesh, double eta, const std::int64_t* rows, std::ptrdiff_t nRows,
                   const std::int64_t* cols, std::ptrdiff_t nCols, double* out, std::ptrdiff_t ld,
                   const RunOptions& options = RunOptions());

}  // namespace bem2d
