// The engine of the compressed operators: a rows-by-cols matrix whose entries
// come from a callback, stored as a hierarchical matrix whose blocks far from
// the diagonal are of low rank, to a relative tolerance. This is all the
// toolkit asks of it, so that the engine (hmat-oss today, hmat_engine.cpp)
// could be replaced by another.
//
// Every failure of the engine comes back as a status; nothing here ends the
// process or prints. The engine runs on the calling thread (but for the
// steps it runs aside, below); entries may be computed on several (the
// callback's own affair).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "parallel.h"

// Where a long run stands: stage 0 builds, stage 1 factorises; fraction in
// [0, 1]. Called on the calling thread now and then.
struct EngineProgress {
  void (*update)(void* context, int stage, double fraction) = nullptr;
  void* context = nullptr;
};

// Some steps of the engine cannot stop midway: the trees of a build (seconds
// at a million elements), and the copy and the updates of a factorisation.
// Given leftovers, a call runs each such step on a thread of its own while
// the calling thread polls the interrupt; an interrupt then ends the call at
// once and leaves the step to finish there and throw its result away. The
// owner of the leftovers (a host, for as long as its code is loaded) joins
// those threads before it goes; the destructor joins them.
struct EngineLeftovers {
  std::mutex mutex;
  // Each thread with the flag it sets as it ends.
  std::vector<std::pair<std::thread, std::shared_ptr<std::atomic<bool>>>> threads;
  EngineLeftovers() = default;
  EngineLeftovers(const EngineLeftovers&) = delete;
  EngineLeftovers& operator=(const EngineLeftovers&) = delete;
  ~EngineLeftovers();
};

// Takes over a step's thread (joining those that have ended meanwhile).
void engineLeave(EngineLeftovers* leftovers, std::thread thread,
                 std::shared_ptr<std::atomic<bool>> ended);
// Waits for every thread left so far.
void engineJoinLeftovers(EngineLeftovers* leftovers);

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
  // Where the steps that cannot stop go when the call is interrupted; none:
  // they run on the calling thread, and an interrupt takes effect when they
  // end.
  EngineLeftovers* leftovers = nullptr;
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
// factorisation fails or is interrupted. A copy of A left running by an
// interrupt holds A: applying or releasing A waits for it to end.
EngineStatus engineFactorize(EngineMatrix* m, bool positiveDefinite, const EngineSetup& setup,
                             EngineMatrix** factor, std::string* message);

// Solves F x = b in place for nrhs columns, F from engineFactorize.
EngineStatus engineSolve(EngineMatrix* factor, double* b, std::ptrdiff_t nrhs,
                         std::string* message);

// The bytes the matrix holds.
std::size_t engineBytes(EngineMatrix* m);

// The engine's name and version, for the build's report.
const char* engineName();
