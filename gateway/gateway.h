// Host boundary shared by every module: bounded error reports, the reader of
// the optional eta, and the checks that keep every read inside the host's
// arrays. Each check reports through mexErrMsgTxt, which ends the call; it
// returns false only if the host were to return from that report, so that a
// gateway written as `if (!check(...)) return;` can never read past it.
#pragma once

#include <cstddef>
#include <new>

#include "mex.h"

#if defined(_WIN32)
#define BEM2D_EXPORT __declspec(dllexport)
#else
#define BEM2D_EXPORT __attribute__((visibility("default")))
#endif

// Lets GCC and Clang check the arguments of a printf-style format.
#if defined(__GNUC__)
#define BEM2D_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define BEM2D_PRINTF_FORMAT(f, a)
#endif

// Capacity of the message buffer of a gateway.
constexpr int kMessageCapacity = 256;

// Formats the message into a buffer of `capacity` characters (at most
// kMessageCapacity), truncating whatever does not fit, and reports it.
void reportErrorBounded(int capacity, const char* format, ...) BEM2D_PRINTF_FORMAT(2, 3);

// The same with the full kMessageCapacity.
void reportError(const char* format, ...) BEM2D_PRINTF_FORMAT(1, 2);

// The scalar of a 1-by-1 matrix, or `fallback` for any other shape (empty
// included). The class of the matrix is not examined.
double scalarOrDefault(const mxArray* a, double fallback);

// Reports the common message when eta < 0 (a NaN eta passes).
bool checkEtaNotNegative(const char* module, double eta);

// A real, full double matrix whose row count fits an int and which, when it
// has rows, has at least `columns` columns (0: columns not read).
bool checkDoubleMatrix(const char* module, const mxArray* a, const char* argName, int columns);

// An argument read as double data: its name in messages and the number of
// columns read from it (0: columns not read).
struct DoubleArgument {
  const mxArray* array;
  const char* name;
  int columns;
};

// checkDoubleMatrix for each argument in turn; the first failure is reported.
bool checkDoubleMatrices(const char* module, const DoubleArgument* args, int count);

// Row count of a matrix accepted by checkDoubleMatrix.
int rowCount(const mxArray* a);

// Every entry of columns 1..`columns` of `indices` (a matrix accepted by
// checkDoubleMatrix) is finite and, truncated toward zero, lies in
// 1..`targetRows`. Stores the largest such number in *maxNumber (0 when there
// are none) if maxNumber is not null.
bool checkVertexNumbers(const char* module, const mxArray* indices, const char* indexName,
                        int columns, int targetRows, const char* targetName, int* maxNumber);

// The checks of a boundary mesh given as its only matrices, in this order:
// coordinates and elements accepted by checkDoubleMatrix with 2 columns each,
// then every vertex number of elements in 1..(rows of coordinates). A module
// that takes further matrices checks those between the two steps, so it
// calls checkDoubleMatrices and checkVertexNumbers itself.
bool checkBoundaryMesh(const char* module, const mxArray* coordinates, const mxArray* elements);

// Reports that a kernel could not allocate its scratch memory.
void reportOutOfMemory(const char* module);

// `a` holds at least `needed` entries.
bool checkEntryCount(const char* module, const mxArray* a, const char* argName,
                     std::ptrdiff_t needed);

// Runs a kernel call. Kernels report nothing, but their scratch allocation
// may throw std::bad_alloc; letting that escape mexFunction would end the
// host, so it becomes an ordinary error report instead. The report is made
// outside the try block, since the host's error unwinds as an exception too.
template <class Kernel>
bool runKernel(const char* module, Kernel&& kernel) {
  bool ok = true;
  try {
    kernel();
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) reportOutOfMemory(module);
  return ok;
}
