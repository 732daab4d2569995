// The engine of the compressed operators: a rows-by-cols matrix whose entries
// come from a callback, stored as a hierarchical matrix whose blocks far from
// the diagonal are of low rank, to a relative tolerance. This is all the
// toolkit asks of it, so that the engine (hmat-oss today, hmat_engine.cpp)
// could be replaced by another.
//
// Every failure of the engine comes back as a status; nothing here ends the
// process or prints. The engine runs on the calling thread; entries may be
// computed on several (the callback's own affair).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "parallel.h"

// Where a long run stands: stage 0 builds, stage 1 factorises; fraction in
// [0, 1]. Called on the calling thread now and then.
struct EngineProgress {
  void (*update)(void* context, int stage, double fraction) = nullptr;
  void* context = nullptr;
};

struct EngineSetup {
  std::ptrdiff_t rows = 0, cols = 0;
  // What the rows and the columns are clustered by: each is the set of
  // points its basis function lives on (its span: an element's two ends, a
  // hat's node and the far ends of its elements), so that the engine compresses
  // only blocks whose supports lie apart. points holds pointCount points (x,
  // y); the span of row i is rowSpans[rowSpanEnd[i - 1] .. rowSpanEnd[i])
  // (from 0 for i = 0), indices into points. The engine cannot split a set of
  // more than a few dozen equal spans: the caller refuses those first.
  const double* points = nullptr;
  std::ptrdiff_t pointCount = 0;
  const unsigned* rowSpans = nullptr;
  const unsigned* rowSpanEnd = nullptr;
  const unsigned* colSpans = nullptr;
  const unsigned* colSpanEnd = nullptr;
  // Rows and columns the same and the matrix symmetric: the engine keeps its
  // lower half and factorises it by a symmetric factorisation.
  bool symmetric = false;
  double tol = 1e-10;
  // Writes the entries (rows[a], cols[b]) (0-based) into out[a + b * ld], on
  // any of the build's threads, several blocks at a time; returns false to
  // stop the build.
  bool (*entries)(void* context, const std::int64_t* rows, std::ptrdiff_t nRows,
                  const std::int64_t* cols, std::ptrdiff_t nCols, double* out,
                  std::ptrdiff_t ld) = nullptr;
  void* context = nullptr;
  // Optional: sets nullRows[a] (nullCols[b]) to 1 for the rows (columns) of
  // a block that are zero to within the tolerance, so that the engine
  // neither computes nor approximates them; a block of null rows is not
  // computed at all. A block of exactly or nearly zero entries would
  // otherwise cost the whole of its entries (cross approximation finds no
  // pivot in it) and leave rounding noise to compress.
  void (*zeros)(void* context, const std::int64_t* rows, std::ptrdiff_t nRows,
                const std::int64_t* cols, std::ptrdiff_t nCols, unsigned char* nullRows,
                unsigned char* nullCols) = nullptr;
  EngineProgress progress;
  // The threads of a build; the interrupt poll (run.interrupted) is called on
  // the calling thread only, at least every few milliseconds of a build or a
  // factorisation, and true stops it.
  RunOptions run;
};

enum class EngineStatus { Done, Interrupted, Failed };

struct EngineMatrix;  // the engine's own

// Builds the compressed matrix. On Failed, *message says why.
EngineStatus engineBuild(const EngineSetup& setup, EngineMatrix** out, std::string* message);
void engineRelease(EngineMatrix* m);

// y = op(A) x for nrhs columns (column-major, rows of A or A' each); x is
// left as it was.
EngineStatus engineApply(EngineMatrix* m, bool transposed, const double* x, double* y,
                         std::ptrdiff_t nrhs, std::string* message);

// A factorised copy of A: Cholesky (positiveDefinite) or LDL' for a symmetric
// matrix, LU otherwise; A itself stays as it was, also when the
// factorisation fails or is interrupted.
EngineStatus engineFactorize(EngineMatrix* m, bool positiveDefinite, const EngineSetup& setup,
                             EngineMatrix** factor, std::string* message);

// Solves F x = b in place for nrhs columns, F from engineFactorize.
EngineStatus engineSolve(EngineMatrix* factor, double* b, std::ptrdiff_t nrhs,
                         std::string* message);

// The bytes the matrix holds.
std::size_t engineBytes(EngineMatrix* m);

// The engine's name and version, for the build's report.
const char* engineName();
