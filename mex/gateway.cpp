#include "gateway.h"

#if defined(BEM2D_HOST_OCTAVE)
#include <octave/quit.h>
#endif

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace {

// The host's report functions take a format: the finished text goes in with
// every '%' doubled, truncated to fit `capacity` characters.
void escapePercent(const char* text, char* format, size_t capacity) {
  size_t n = 0;
  for (const char* p = text; *p != '\0' && n + 2 < capacity; ++p) {
    if (*p == '%') format[n++] = '%';
    format[n++] = *p;
  }
  format[n] = '\0';
}

void reportV(int capacity, Module module, Message message, va_list args) {
  char text[kMessageCapacity];
  if (capacity <= 0 || capacity > kMessageCapacity) capacity = kMessageCapacity;
  // vsnprintf writes at most `capacity` bytes, the terminating NUL included,
  // whatever the length of the module name or of the values.
  if (std::vsnprintf(text, static_cast<size_t>(capacity), message.format, args) < 0) text[0] = '\0';
  char id[128];
  if (std::snprintf(id, sizeof id, "bem2d:%s:%s", module.id, message.what) < 0) id[0] = '\0';
  // Passed as the format itself (not through "%s"), a trailing newline is
  // dropped by the host exactly as mexErrMsgTxt drops it.
  char format[2 * kMessageCapacity + 1];
  escapePercent(text, format, sizeof format);
  mexErrMsgIdAndTxt(id, format);
}

// The numeric classes are double, single and the eight integer classes.
bool isIntegerClass(const mxArray* a) { return mxIsNumeric(a) && !mxIsDouble(a) && !mxIsSingle(a); }

}  // namespace

void reportErrorBounded(int capacity, Module module, Message message, ...) {
  va_list args;
  va_start(args, message);
  reportV(capacity, module, message, args);
  va_end(args);
}

void reportError(Module module, Message message, ...) {
  va_list args;
  va_start(args, message);
  reportV(kMessageCapacity, module, message, args);
  va_end(args);
}

bool checkEtaClass(Module module, const mxArray* eta) {
  if (mxIsNumeric(eta) || mxIsLogical(eta) || mxIsChar(eta)) return true;
  reportError(module, kEtaClass, mxGetClassName(eta));
  return false;
}

double firstEntry(const mxArray* a) {
  if (!mxIsSparse(a)) return mxGetScalar(a);
  // The host's own scalar of a sparse matrix is its first stored entry,
  // wherever that lies. Entry (1,1) is stored exactly when column 1 has a
  // stored entry and the first of them (rows ascend) is in row 1.
  const mwIndex* jc = mxGetJc(a);
  const mwIndex* ir = mxGetIr(a);
  if (jc[1] == jc[0] || ir[jc[0]] != 0) return 0.0;
  if (mxIsLogical(a)) return static_cast<const mxLogical*>(mxGetData(a))[jc[0]] ? 1.0 : 0.0;
  return mxGetPr(a)[jc[0]];
}

double scalarOrDefault(const mxArray* a, double fallback) {
  if (mxGetM(a) == 1 && mxGetN(a) == 1) return firstEntry(a);
  return fallback;
}

bool checkEtaNotNegative(Module module, double eta) {
  if (eta < 0) {
    reportError(module, kEtaNegative, eta);
    return false;
  }
  return true;
}

bool checkMatrix(Module module, const MatrixArgument& arg) {
  const mxArray* a = arg.array;
  const bool indices = arg.accepts == Accepts::DoubleOrInteger;
  const char* kind = indices ? "double or integer" : "double";
  const bool classAccepted = mxIsDouble(a) || (indices && isIntegerClass(a));
  if (!classAccepted || mxIsComplex(a) || mxIsSparse(a)) {
    // A complex or sparse matrix of an accepted class gets no class line.
    char classLine[kMessageCapacity] = "";
    if (!classAccepted && (mxIsNumeric(a) || mxIsLogical(a) || mxIsChar(a))) {
      std::snprintf(classLine, sizeof classLine, kConvertibleClassLine, mxGetClassName(a),
                    arg.name);
    } else if (!classAccepted) {
      std::snprintf(classLine, sizeof classLine, kOtherClassLine, mxGetClassName(a));
    }
    reportError(module, kArgumentClass, arg.name, kind, classLine);
    return false;
  }
  if (mxGetM(a) > static_cast<size_t>(INT_MAX)) {
    reportError(module, kTooManyRows, arg.name);
    return false;
  }
  if (arg.columns > 0 && mxGetM(a) > 0 && mxGetN(a) < static_cast<size_t>(arg.columns)) {
    reportError(module, kTooFewColumns, arg.name, arg.columns);
    return false;
  }
  return true;
}

bool checkMatrices(Module module, const MatrixArgument* args, int count) {
  for (int k = 0; k < count; ++k) {
    if (!checkMatrix(module, args[k])) return false;
  }
  return true;
}

int rowCount(const mxArray* a) { return static_cast<int>(mxGetM(a)); }

namespace {

// Reports a fault of an index matrix, or runs prepare and reports the one it
// finds. Allocation failure becomes an ordinary report: a std::bad_alloc
// escaping mexFunction would end the host.
template <class Prepare>
bool prepareOrReport(Module module, const char* indexName, const char* targetName,
                     int targetRows, Prepare prepare) {
  bem2d::IndexFault fault;
  int outcome = 0;  // 0 done, 1 a number names no row, 2 out of memory
  try {
    if (!prepare(&fault)) outcome = 1;
  } catch (const std::bad_alloc&) {
    outcome = 2;
  }
  if (outcome == 1) {
    reportError(module, kBadVertexNumber, indexName, static_cast<long long>(fault.row + 1),
                fault.column + 1, fault.text, targetName, targetRows);
  } else if (outcome == 2) {
    reportOutOfMemory(module);
  }
  return outcome == 0;
}

}  // namespace

bool prepareMesh(Module module, const mxArray* coordinates, const mxArray* elements,
                 bem2d::PreparedMesh* mesh) {
  return prepareOrReport(module, "elements", "coordinates", rowCount(coordinates),
                         [&](bem2d::IndexFault* fault) {
                           const bem2d::Mesh m = {hostPoints(coordinates), hostIndices(elements)};
                           return bem2d::prepare(m, mesh, fault);
                         });
}

bool prepareTriangulation(Module module, const mxArray* vertices, const mxArray* volumes,
                          bem2d::PreparedTriangulation* mesh) {
  return prepareOrReport(module, "volumes", "vertices", rowCount(vertices),
                         [&](bem2d::IndexFault* fault) {
                           const bem2d::Triangulation t = {hostPoints(vertices),
                                                           hostIndices(volumes)};
                           return bem2d::prepare(t, mesh, fault);
                         });
}

bool checkBoundaryMesh(Module module, const mxArray* coordinates, const mxArray* elements,
                       bem2d::PreparedMesh* mesh) {
  const MatrixArgument args[] = {{coordinates, "coordinates", 2},
                                 {elements, "elements", 2, Accepts::DoubleOrInteger}};
  if (!checkMatrices(module, args, 2)) return false;
  return prepareMesh(module, coordinates, elements, mesh);
}

bool checkFieldArguments(Module module, const mxArray* const prhs[], const char* density,
                         DensityCount count, const char* points, bool normals,
                         bem2d::PreparedMesh* mesh) {
  const mxArray* x = prhs[3];
  const mxArray* n_x = normals ? prhs[4] : nullptr;
  if (normals && mxGetM(n_x) != mxGetM(x)) {
    reportError(module, kNormalsCount, static_cast<long long>(mxGetM(x)),
                static_cast<long long>(mxGetM(n_x)));
    return false;
  }
  const MatrixArgument args[] = {{prhs[0], "coordinates", 2},
                                 {prhs[1], "elements", 2, Accepts::DoubleOrInteger},
                                 {prhs[2], density, 0},
                                 {x, points, 2},
                                 {n_x, "n_x", 2}};
  if (!checkMatrices(module, args, normals ? 5 : 4)) return false;
  if (!prepareMesh(module, prhs[0], prhs[1], mesh)) return false;
  switch (count) {
    case DensityCount::PerElement:
      return checkEntryCount(module, prhs[2], density, rowCount(prhs[1]));
    case DensityCount::PerNamedNode:
      // Read at every vertex that elements names: it must reach the largest
      // of those numbers (not necessarily nC).
      return checkEntryCount(module, prhs[2], density, mesh->mesh.nodesNamed);
    case DensityCount::Checked: break;
  }
  return true;
}

bem2d::Indices hostIndices(const mxArray* a) {
  bem2d::IndexType type = bem2d::IndexType::Float64;
  switch (mxGetClassID(a)) {
    case mxINT8_CLASS: type = bem2d::IndexType::Int8; break;
    case mxUINT8_CLASS: type = bem2d::IndexType::UInt8; break;
    case mxINT16_CLASS: type = bem2d::IndexType::Int16; break;
    case mxUINT16_CLASS: type = bem2d::IndexType::UInt16; break;
    case mxINT32_CLASS: type = bem2d::IndexType::Int32; break;
    case mxUINT32_CLASS: type = bem2d::IndexType::UInt32; break;
    case mxINT64_CLASS: type = bem2d::IndexType::Int64; break;
    case mxUINT64_CLASS: type = bem2d::IndexType::UInt64; break;
    default: break;
  }
  const std::ptrdiff_t rows = static_cast<std::ptrdiff_t>(mxGetM(a));
  return {mxGetData(a), type, rows, 1, rows, 1};
}

Points hostPoints(const mxArray* a) {
  return columnMajor(mxGetPr(a), static_cast<std::ptrdiff_t>(mxGetM(a)));
}

void warnPoints(Module module, const PointWarning& warning, const unsigned char* codes,
                unsigned char code, const Points& x) {
  std::ptrdiff_t first = -1;
  long long count = 0;
  for (std::ptrdiff_t i = 0; i < x.count; ++i) {
    if (codes[i] != code) continue;
    if (first < 0) first = i;
    ++count;
  }
  if (count == 0) return;
  char text[2 * kMessageCapacity];
  pointWarningText(warning, x.x(first), x.y(first), static_cast<long long>(first + 1), count, text,
                   static_cast<int>(sizeof text));
  char id[128];
  if (std::snprintf(id, sizeof id, "bem2d:%s:%s", module.id, warning.what) < 0) id[0] = '\0';
  char format[4 * kMessageCapacity];
  escapePercent(text, format, sizeof format);
  mexWarnMsgIdAndTxt(id, format);
}

mxArray* newMatrix(std::ptrdiff_t rows, std::ptrdiff_t cols) {
  return mxCreateUninitNumericMatrix(static_cast<size_t>(rows), static_cast<size_t>(cols),
                                     mxDOUBLE_CLASS, mxREAL);
}

bool checkEntryCount(Module module, const mxArray* a, const char* argName, std::ptrdiff_t needed) {
  const std::ptrdiff_t given = static_cast<std::ptrdiff_t>(mxGetNumberOfElements(a));
  if (given < needed) {
    reportError(module, kTooFewEntries, argName, static_cast<long long>(needed),
                static_cast<long long>(given));
    return false;
  }
  return true;
}

void reportOutOfMemory(Module module) { reportError(module, kOutOfMemory); }

// The one host-specific place of the toolkit: how a running call notices
// Ctrl-C and hands it back to the host.
#if defined(BEM2D_HOST_OCTAVE)
// Octave's SIGINT handler counts the interrupt in octave_interrupt_state
// while a module runs. It also sets octave_signal_caught, as the handler of
// every signal Octave records does (SIGCHLD when a child process of the
// session ends, SIGUSR1, SIGPIPE, ...), so only the count means Ctrl-C; the
// other signals Octave handles once the call returns. octave_quit() then
// throws the interrupt exception, which unwinds through mexFunction like an
// error.
bool hostInterruptPending(void*) { return octave_interrupt_state > 0; }
void hostRaiseInterrupt(Module module) {
  octave_quit();
  reportError(module, kInterrupted);
}
#elif defined(MATLAB_MEX_FILE)
// MATLAB's (undocumented) query of a pending Ctrl-C, from libut.
extern "C" bool utIsInterruptPending(void);
bool hostInterruptPending(void*) { return utIsInterruptPending(); }
void hostRaiseInterrupt(Module module) { reportError(module, kInterrupted); }
#else
bool hostInterruptPending(void*) { return false; }
void hostRaiseInterrupt(Module module) { reportError(module, kInterrupted); }
#endif

RunOptions hostRunOptions() {
  RunOptions options;
  options.threads = threadCount();
  options.interrupted = hostInterruptPending;
  return options;
}
