// Host boundary shared by every module: bounded error reports with their
// identifiers, the reader of the optional eta, and the checks that keep every
// read inside the host's arrays. Each check reports through
// mexErrMsgIdAndTxt, which ends the call; it returns false only if the host
// were to return from that report, so that a gateway written as
// `if (!check(...)) return;` can never read past it.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

#include "bem2d.h"
#include "mex.h"
#include "mex_messages.h"
#include "parallel.h"

#if defined(_WIN32)
#define BEM2D_EXPORT __declspec(dllexport)
#else
#define BEM2D_EXPORT __attribute__((visibility("default")))
#endif

// Capacity of the message buffer of a gateway.
constexpr int kMessageCapacity = 256;

// The module a gateway serves. `id` is its own name, the middle part of every
// identifier it reports (bem2d:<id>:<what>), whatever its file is called;
// `name` is the name its messages show, mexFunctionName().
struct Module {
  const char* id;
  const char* name;
};

// Formats the message into a buffer of `capacity` characters (at most
// kMessageCapacity), truncating whatever does not fit, and reports it with
// the identifier bem2d:<module.id>:<message.what>.
void reportErrorBounded(int capacity, Module module, Message message, ...);

// The same with the full kMessageCapacity.
void reportError(Module module, Message message, ...);

// eta may be numeric, logical or char (the host reads one number from it);
// any other class (cell, struct, function handle, ...) is reported, whatever
// its shape.
bool checkEtaClass(Module module, const mxArray* eta);

// The entry (1,1) of a non-empty numeric, logical or char matrix, full or
// sparse (a sparse matrix without a stored entry there gives 0); the real
// part when it is complex.
double firstEntry(const mxArray* a);

// The scalar of a 1-by-1 matrix, or `fallback` for any other shape (empty
// included). The class must have passed checkEtaClass.
double scalarOrDefault(const mxArray* a, double fallback);

// Reports the common message when eta < 0 (a NaN eta passes).
bool checkEtaNotNegative(Module module, double eta);

// The shape of a call `fixed` inputs long with an optional eta after them:
// at most one output (none sends the result to ans), then `fixed` or
// fixed + 1 inputs. eta is the scalar of the last (default 0.5) and, when
// `notNegative`, refused below 0. The count faults are the module's own
// usage texts: outputFault() or inputFault() reports them.
template <class OutputFault, class InputFault>
bool readCallShape(Module module, int nlhs, int nrhs, const mxArray* prhs[], int fixed,
                   bool notNegative, double* eta, OutputFault outputFault, InputFault inputFault) {
  *eta = 0.5;
  if (nlhs > 1) {
    outputFault();
    return false;
  }
  if (nrhs == fixed + 1) {
    if (!checkEtaClass(module, prhs[fixed])) return false;
    *eta = scalarOrDefault(prhs[fixed], 0.5);
  } else if (nrhs != fixed) {
    inputFault();
    return false;
  }
  return !notNegative || checkEtaNotNegative(module, *eta);
}

// The classes a matrix argument may have: data is read as double; vertex
// numbers may also come in any of the eight integer classes.
enum class Accepts { Double, DoubleOrInteger };

// A matrix argument: its name in messages, the number of columns read from
// it (0: columns not read) and the classes it may have.
struct MatrixArgument {
  const mxArray* array;
  const char* name;
  int columns;
  Accepts accepts = Accepts::Double;
};

// A real, full matrix of an accepted class whose row count fits an int and
// which, when it has rows, has at least `columns` columns.
bool checkMatrix(Module module, const MatrixArgument& arg);

// checkMatrix for each argument in turn; the first failure is reported.
bool checkMatrices(Module module, const MatrixArgument* args, int count);

// Row count of a matrix accepted by checkMatrix.
int rowCount(const mxArray* a);

// Checks and prepares the boundary mesh of coordinates and elements (both
// accepted by checkMatrix), reading the host's node numbers once: reports the
// first that names no row of coordinates, or that the memory of the
// prepared mesh could not be had.
bool prepareMesh(Module module, const mxArray* coordinates, const mxArray* elements,
                 bem2d::PreparedMesh* mesh);

// The same for the triangulation of vertices and volumes.
bool prepareTriangulation(Module module, const mxArray* vertices, const mxArray* volumes,
                          bem2d::PreparedTriangulation* mesh);

// The checks of a boundary mesh given as its only matrices, in this order:
// coordinates (double) and elements (double or integer) accepted by
// checkMatrix with 2 columns each, then prepareMesh. A module that takes
// further matrices checks those between the two steps, so it calls
// checkMatrices and prepareMesh itself.
bool checkBoundaryMesh(Module module, const mxArray* coordinates, const mxArray* elements,
                       bem2d::PreparedMesh* mesh);

// How many entries the density of a field module must hold: one per element,
// one per node the elements name, or none checked here (the module checked
// its shape itself).
enum class DensityCount { PerElement, PerNamedNode, Checked };

// The checks of a field module on a boundary mesh, whose inputs are
// coordinates, elements, the density `density`, the points `points` and,
// when `normals`, their directions n_x, in this order: as many directions as
// points, every matrix by checkMatrix, the mesh by prepareMesh (into *mesh),
// then the density's count. The first failure is reported.
bool checkFieldArguments(Module module, const mxArray* const prhs[], const char* density,
                         DensityCount count, const char* points, bool normals,
                         bem2d::PreparedMesh* mesh);

// The host's matrices as the library takes them (library/bem2d.h): an index
// matrix of any class the checks accept, counting from 1; an n-by-2 matrix of
// points.
bem2d::Indices hostIndices(const mxArray* a);
Points hostPoints(const mxArray* a);

// Reports the points of x whose code is `code` as one warning of the host
// (mexWarnMsgIdAndTxt, identifier bem2d:<module.id>:<warning.what>, which
// warning('off', id) silences and lastwarn shows): the first of them with its
// row counted from 1 and, when there are more, their count. Nothing when no
// point has the code.
void warnPoints(Module module, const PointWarning& warning, const unsigned char* codes,
                unsigned char code, const Points& x);

// A rows-by-cols double matrix whose entries are not set: for results whose
// every entry the kernel writes (the host's zeroed matrix would be written
// twice, and zeroed by a single thread deaf to Ctrl-C).
mxArray* newMatrix(std::ptrdiff_t rows, std::ptrdiff_t cols);

// Reports that a kernel could not allocate its scratch memory.
void reportOutOfMemory(Module module);

// `a` holds at least `needed` entries.
bool checkEntryCount(Module module, const mxArray* a, const char* argName, std::ptrdiff_t needed);

// Options of a kernel call from a gateway: the threads of threadCount()
// (every hardware thread, or BEM2D_NUM_THREADS) and the host's interrupt.
RunOptions hostRunOptions();

// Whether the user has asked the host to interrupt the running call (Ctrl-C).
// Polled by the calling thread only, through RunOptions.
bool hostInterruptPending(void* unused);

// Hands an interrupted call over to the host's own interrupt handling (which
// does not return); reports kInterrupted if the host did not take over.
void hostRaiseInterrupt(Module module);

// Runs a kernel call, kernel(options) returning false when interrupted, that
// fills `result`; stores result in *slot only when the kernel completes, so
// that an interrupted or failed call assigns no output. Kernels report
// nothing, but their scratch allocation may throw std::bad_alloc; letting
// that escape mexFunction would end the host, so it becomes an ordinary error
// report instead. Reports are made outside the try block, since the host's
// errors unwind as exceptions too.
template <class Kernel>
void runKernel(Module module, mxArray* result, mxArray** slot, Kernel&& kernel) {
  int outcome = 0;  // 0 done, 1 interrupted, 2 out of memory
  try {
    if (!kernel(hostRunOptions())) outcome = 1;
  } catch (const std::bad_alloc&) {
    outcome = 2;
  }
  if (outcome == 0) {
    *slot = result;
    return;
  }
  mxDestroyArray(result);
  if (outcome == 1) {
    hostRaiseInterrupt(module);
  } else {
    reportOutOfMemory(module);
  }
}
