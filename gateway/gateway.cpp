#include "gateway.h"

#include <climits>
#include <cstdarg>
#include <cstdio>

#include "messages.h"

namespace {

void reportV(int capacity, const char* format, va_list args) {
  char buffer[kMessageCapacity];
  if (capacity <= 0 || capacity > kMessageCapacity) capacity = kMessageCapacity;
  // vsnprintf writes at most `capacity` bytes, the terminating NUL included,
  // whatever the length of the module name or of the values.
  if (std::vsnprintf(buffer, static_cast<size_t>(capacity), format, args) < 0) buffer[0] = '\0';
  mexErrMsgTxt(buffer);
}

}  // namespace

void reportErrorBounded(int capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  reportV(capacity, format, args);
  va_end(args);
}

void reportError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  reportV(kMessageCapacity, format, args);
  va_end(args);
}

double scalarOrDefault(const mxArray* a, double fallback) {
  if (mxGetM(a) == 1 && mxGetN(a) == 1) return mxGetScalar(a);
  return fallback;
}

bool checkEtaNotNegative(const char* module, double eta) {
  if (eta < 0) {
    reportError(kEtaNegative, module, eta);
    return false;
  }
  return true;
}

bool checkDoubleMatrix(const char* module, const mxArray* a, const char* argName, int columns) {
  if (!mxIsDouble(a) || mxIsComplex(a) || mxIsSparse(a)) {
    reportError(kNotRealDouble, module, argName);
    return false;
  }
  if (mxGetM(a) > static_cast<size_t>(INT_MAX)) {
    reportError(kTooManyRows, module, argName);
    return false;
  }
  if (columns > 0 && mxGetM(a) > 0 && mxGetN(a) < static_cast<size_t>(columns)) {
    reportError(kTooFewColumns, module, argName, columns);
    return false;
  }
  return true;
}

bool checkDoubleMatrices(const char* module, const DoubleArgument* args, int count) {
  for (int k = 0; k < count; ++k) {
    if (!checkDoubleMatrix(module, args[k].array, args[k].name, args[k].columns)) return false;
  }
  return true;
}

int rowCount(const mxArray* a) { return static_cast<int>(mxGetM(a)); }

bool checkVertexNumbers(const char* module, const mxArray* indices, const char* indexName,
                        int columns, int targetRows, const char* targetName, int* maxNumber) {
  const double* data = mxGetPr(indices);
  const std::ptrdiff_t rows = static_cast<std::ptrdiff_t>(mxGetM(indices));
  // Truncation toward zero lands in 1..targetRows exactly when the number lies
  // in [1, targetRows + 1); NaN and infinities fail the comparison.
  const double upper = static_cast<double>(targetRows) + 1.0;
  int largest = 0;
  for (int c = 0; c < columns; ++c) {
    for (std::ptrdiff_t r = 0; r < rows; ++r) {
      const double v = data[r + c * rows];
      if (!(v >= 1.0 && v < upper)) {
        reportError(kBadVertexNumber, module, indexName, static_cast<long long>(r + 1), c + 1, v,
                    targetName, targetRows);
        return false;
      }
      const int number = static_cast<int>(v);
      if (number > largest) largest = number;
    }
  }
  if (maxNumber != nullptr) *maxNumber = largest;
  return true;
}

bool checkBoundaryMesh(const char* module, const mxArray* coordinates, const mxArray* elements) {
  const DoubleArgument mesh[] = {{coordinates, "coordinates", 2}, {elements, "elements", 2}};
  if (!checkDoubleMatrices(module, mesh, 2)) return false;
  return checkVertexNumbers(module, elements, "elements", 2, rowCount(coordinates), "coordinates",
                            nullptr);
}

bool checkEntryCount(const char* module, const mxArray* a, const char* argName,
                     std::ptrdiff_t needed) {
  const std::ptrdiff_t given = static_cast<std::ptrdiff_t>(mxGetNumberOfElements(a));
  if (given < needed) {
    reportError(kTooFewEntries, module, argName, static_cast<long long>(needed),
                static_cast<long long>(given));
    return false;
  }
  return true;
}

void reportOutOfMemory(const char* module) { reportError(kOutOfMemory, module); }
