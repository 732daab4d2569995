// The toolkit as a C++ library: the modules over a caller's arrays, as they
// lie in its memory, with the numbering of nodes explicit and no host types.
// The Octave/MATLAB gateways and the Python module are thin layers over it:
// they check their arguments with the functions below and the messages of
// their host (messages.h holds those both hosts share), then call a module.
//
// Points (coordinates, vertices, evaluation points, normals) are any n-by-2
// layout of doubles with strides (see points.h): column-major, row-major, or a
// range of rows of either, read without a copy. Index matrices (elements,
// volumes) are of any integer type or of doubles, with strides, counting
// nodes from 0 or 1. Densities are contiguous arrays of doubles. Results are
// written into the caller's arrays. Every call runs on the threads of its
// options and returns false when the options' interrupt poll stopped it (the
// result is then incomplete); the result does not depend on the number of
// threads. Nothing here prints: what a module has to say about its points
// comes back as status codes for the host to report.
//
// A mesh is checked and prepared once (prepare below), and the prepared mesh
// serves any number of calls: a tile then costs in proportion to its own
// entries and the elements it touches, not to the size of the mesh.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hmatrix.h"
#include "mesh.h"
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

// The first entry of an index matrix that names no row of the matrix it
// indexes: its row and column (0-based) and its value as counted from the
// matrix's base.
struct IndexFault {
  std::ptrdiff_t row = 0;
  int column = 0;
  double value = 0;
  // The same value as the matrix holds it, for messages: every integer in
  // full (int64 and uint64 included, which a double may round) and a double
  // as printf's %g shows it, unless it is a whole number below 2^53.
  char text[32] = "";
};

// Whether every entry of the first `columns` columns names a row of a matrix
// of `targetRows` rows. When one does not, *row, *column (0-based) and
// *value (as counted from the matrix's base) give the first, in column-major
// order. *largest receives the largest number counted from 1 (0 for none).
bool indicesInRange(const Indices& m, int columns, std::ptrdiff_t targetRows,
                    std::ptrdiff_t* row, int* column, double* value, std::ptrdiff_t* largest);

// A boundary mesh, checked and prepared: its own copy of the nodes, 0-based
// node numbers and the geometry of every element (core/mesh.h; a mesh far
// from the unit of length is stored scaled by a power of two, which every
// module takes back in its results). Made by prepare(), or implicitly from a
// Mesh, which prepares it for one call.
struct PreparedMesh {
  BoundaryMesh mesh;
  PreparedMesh() = default;
  // Throws std::invalid_argument when an element names no node.
  PreparedMesh(const Mesh& m);  // NOLINT: implicit, so a Mesh serves every call
};

// A triangulation, checked and prepared likewise.
struct PreparedTriangulation {
  TriangleMesh mesh;
  PreparedTriangulation() = default;
  PreparedTriangulation(const Triangulation& t);  // NOLINT: implicit, as PreparedMesh
};

// Checks the mesh and prepares it into *out, reading every node number once
// (so that one read is both checked and used). Returns false, *out then
// unspecified, when an element names no node: *fault tells which, as
// indicesInRange does.
bool prepare(const Mesh& mesh, PreparedMesh* out, IndexFault* fault);
bool prepare(const Triangulation& mesh, PreparedTriangulation* out, IndexFault* fault);

// The field modules: out receives one value per point (tdlfield and hypfield
// with one direction per point in n_x). gh is one value per node (dlpfield,
// hypfield, dlpgradfield: every node the elements name) or per element
// (tdlfield), chi one per element, f one per triangle.
bool slpfield(const PreparedMesh& mesh, const double* chi, const Points& z, double eta,
              double* out, const RunOptions& options = RunOptions());
bool dlpfield(const PreparedMesh& mesh, const double* gh, const Points& x, double eta,
              double* out, const RunOptions& options = RunOptions());
bool tdlfield(const PreparedMesh& mesh, const double* gh, const Points& x, const Points& n_x,
              double eta, double* out, const RunOptions& options = RunOptions());
// status (null: not wanted) receives per point 0, kHypfieldOffBoundary (on
// no element; its value is NaN) or kHypfieldAtVertex (at a vertex of its
// element; its value is probably wrong), whose texts are in messages.h.
constexpr unsigned char kHypfieldOffBoundary = 1;
constexpr unsigned char kHypfieldAtVertex = 2;
bool hypfield(const PreparedMesh& mesh, const double* gh, const Points& x, const Points& n_x,
              double eta, double* out, unsigned char* status = nullptr,
              const RunOptions& options = RunOptions());
// The gradient of the double layer of gh at points off the boundary: out is
// count-by-2, column-major; onBoundary (null: not wanted) receives 1 for a
// point on an element, whose row is NaN, and 0 elsewhere.
bool dlpgradfield(const PreparedMesh& mesh, const double* gh, const Points& x, double eta,
                  double* out, unsigned char* onBoundary = nullptr,
                  const RunOptions& options = RunOptions());
bool domfield(const PreparedTriangulation& mesh, const double* f, const Points& x, double* out,
              const RunOptions& options = RunOptions());

// The Galerkin matrices, column-major into out, every entry written: V
// nE-by-nE, W nC-by-nC, K nE-by-nC.
bool slpmatrix(const PreparedMesh& mesh, double eta, double* out,
               const RunOptions& options = RunOptions());
bool dlpmatrix(const PreparedMesh& mesh, double eta, double* out,
               const RunOptions& options = RunOptions());
bool hypmatrix(const PreparedMesh& mesh, double eta, double* out,
               const RunOptions& options = RunOptions());

// Tiles: the entries (rows[a], cols[b]) (0-based element numbers for V, node
// numbers for W, element and node numbers for K, each in range) into
// out[a + b * ld], equal bit for bit to the same entries of the whole matrix
// with the same lanes. A small tile runs on the calling thread alone.
using TileCall = bool (*)(const PreparedMesh& mesh, double eta, const std::int64_t* rows,
                          std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                          double* out, std::ptrdiff_t ld, const RunOptions& options);
bool slpmatrixTile(const PreparedMesh& mesh, double eta, const std::int64_t* rows,
                   std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                   double* out, std::ptrdiff_t ld, const RunOptions& options = RunOptions());
bool hypmatrixTile(const PreparedMesh& mesh, double eta, const std::int64_t* rows,
                   std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                   double* out, std::ptrdiff_t ld, const RunOptions& options = RunOptions());
bool dlpmatrixTile(const PreparedMesh& mesh, double eta, const std::int64_t* rows,
                   std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                   double* out, std::ptrdiff_t ld, const RunOptions& options = RunOptions());

// ---- compressed operators ----------------------------------------------------
// V, K and W of a prepared mesh as hierarchical matrices to a relative
// tolerance (compression/hmatrix.h: apply them with hmatrixApply, solve with
// hmatrixSolve, their memory by hmatrixBytes). The engine is hmat-oss, in a
// build that has it (GPL-2.0-or-later: such a build is GPL):
// compressedOperatorsBuilt() tells, compressionEngine() names it (null
// without).
bool compressedOperatorsBuilt();
const char* compressionEngine();

// Builds one; the mesh is shared with the matrix, which keeps it alive.
HStatus hmatrix(HKind kind, std::shared_ptr<const PreparedMesh> mesh, const HMatrixOptions& options,
                std::unique_ptr<HMatrix>* out, std::string* message);

}  // namespace bem2d
