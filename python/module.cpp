// bem2d._core: the host boundary of the Python package, a thin layer over the
// library (bem2d.h) as the MEX gateways are. It checks every argument before
// it touches data, with the meaning of the gateways' checks and their texts
// in Python terms (numpy dtypes, 0-based positions), hands the arrays to the
// library as they lie (their strides, their index dtype, nodes from 0),
// releases the GIL while the kernels run, and turns an interrupt (Ctrl-C)
// into the KeyboardInterrupt that Python's handler raises. The documented
// functions are the wrappers in bem2d/__init__.py.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bem2d.h"
#include "python_messages.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

// ---- errors ------------------------------------------------------------------

// Formats a message of function fn and raises it as `type`, as Octave shows
// its errors: "fn: " and the text (the texts never name the function
// themselves); one trailing newline is dropped, as Octave drops it.
[[noreturn]] void fail(PyObject* type, const char* fn, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  if (std::vsnprintf(text, sizeof text, format, args) < 0) text[0] = '\0';
  va_end(args);
  std::string message = std::string(fn) + ": " + text;
  if (!message.empty() && message.back() == '\n') message.pop_back();
  PyErr_SetString(type, message.c_str());
  throw py::error_already_set();
}

std::string typeName(py::handle o) { return Py_TYPE(o.ptr())->tp_name; }

// ---- arrays ------------------------------------------------------------------

enum class Accepts { Float64, IndexOrFloat64 };

bool isFloat64(const py::dtype& d) {
  return d.kind() == 'f' && d.itemsize() == 8 && d.attr("isnative").cast<bool>();
}

bool isInteger(const py::dtype& d) {
  const std::size_t size = d.itemsize();
  return (d.kind() == 'i' || d.kind() == 'u') &&
         (size == 1 || size == 2 || size == 4 || size == 8) && d.attr("isnative").cast<bool>();
}

// The argument as a numpy array of an accepted dtype: a float64 array (for
// node numbers also one of any integer dtype) as it is, read at its own
// strides; anything else that numpy.asarray turns into numbers (a list,
// integers, float32; booleans for points) as a new array, float64 (node
// numbers of integers: int64). Anything else raises a TypeError that names
// what it is.
py::array arrayArgument(const char* fn, py::handle o, const char* name, Accepts accepts) {
  const bool indices = accepts == Accepts::IndexOrFloat64;
  const char* kinds = indices ? kPyIndexKinds : kPyPointKinds;
  const bool given = py::isinstance<py::array>(o);
  py::module_ numpy = py::module_::import("numpy");
  py::array a;
  char line[256];
  if (given) {
    a = py::reinterpret_borrow<py::array>(o);
  } else {
    bool converted = true;
    try {
      a = numpy.attr("asarray")(o);
    } catch (const py::error_already_set&) {
      converted = false;  // a ragged list, an object without numbers, ...
    }
    if (!converted) {
      std::snprintf(line, sizeof line, kPyNoArrayLine, typeName(o).c_str());
      fail(PyExc_TypeError, fn, kPyArgumentType, name, kinds, line);
    }
  }
  const py::dtype d = a.dtype();
  if (isFloat64(d) || (indices && isInteger(d))) return a;
  const char kind = d.kind();
  const bool integers = kind == 'i' || kind == 'u';
  if (integers || kind == 'f' || (kind == 'b' && !indices)) {
    return numpy.attr("asarray")(a, indices && integers ? "int64" : "float64");
  }
  const std::string dtypeName = py::str(py::handle(d)).cast<std::string>();
  if (given) {
    std::snprintf(line, sizeof line, kPyDtypeLine, dtypeName.c_str());
  } else {
    std::snprintf(line, sizeof line, kPyConvertedLine, typeName(o).c_str(), dtypeName.c_str());
  }
  fail(PyExc_TypeError, fn, kPyArgumentType, name, kinds, line);
}

// A 2-d array of at least `columns` columns when it has rows, whose row count
// fits the kernels' int.
void checkMatrixShape(const char* fn, const py::array& a, const char* name, int columns) {
  if (a.ndim() != 2) fail(PyExc_ValueError, fn, kPyDimensions, name, columns, int(a.ndim()));
  if (a.shape(0) > INT_MAX) fail(PyExc_ValueError, fn, kTooManyRows.format, name);
  if (a.shape(0) > 0 && a.shape(1) < columns) {
    fail(PyExc_ValueError, fn, kTooFewColumns.format, name, columns);
  }
}

// The array itself, or a copy in C order when its strides are no whole
// number of items or its data is not aligned for its dtype (views of records
// can be either): the library reads whole items at item strides.
py::array readable(const py::array& a) {
  bool whole = a.attr("flags").attr("aligned").cast<bool>();
  for (py::ssize_t k = 0; k < a.ndim(); ++k) whole = whole && a.strides(k) % a.itemsize() == 0;
  if (whole) return a;
  return py::module_::import("numpy").attr("ascontiguousarray")(a);
}

// An n-by-2 (or wider) float64 array as points, at its own strides.
Points pointsOf(const py::array& a) {
  const auto item = static_cast<std::ptrdiff_t>(a.itemsize());
  return {static_cast<const double*>(a.data()), static_cast<std::ptrdiff_t>(a.shape(0)),
          a.strides(0) / item, a.ndim() > 1 ? a.strides(1) / item : 0};
}

bem2d::IndexType indexType(const py::dtype& d) {
  if (d.kind() == 'f') return bem2d::IndexType::Float64;
  const bool s = d.kind() == 'i';
  switch (d.itemsize()) {
    case 1:
      return s ? bem2d::IndexType::Int8 : bem2d::IndexType::UInt8;
    case 2:
      return s ? bem2d::IndexType::Int16 : bem2d::IndexType::UInt16;
    case 4:
      return s ? bem2d::IndexType::Int32 : bem2d::IndexType::UInt32;
    default:
      return s ? bem2d::IndexType::Int64 : bem2d::IndexType::UInt64;
  }
}

// An index array (2-d, or 1-d as one column) counting from 0, at its strides.
bem2d::Indices indicesOf(const py::array& a) {
  const auto item = static_cast<std::ptrdiff_t>(a.itemsize());
  return {a.data(),
          indexType(a.dtype()),
          static_cast<std::ptrdiff_t>(a.shape(0)),
          a.strides(0) / item,
          a.ndim() > 1 ? a.strides(1) / item : 0,
          0};
}

// A matrix argument (points, or node numbers) of at least `columns` columns,
// checked and ready to read.
py::array matrixArgument(const char* fn, py::handle o, const char* name, int columns,
                         Accepts accepts = Accepts::Float64) {
  py::array a = arrayArgument(fn, o, name, accepts);
  checkMatrixShape(fn, a, name, columns);
  return readable(a);
}

// A density: any shape, read in the order of ravel(); a copy only when it is
// not C-contiguous.
py::array_t<double> densityArgument(const char* fn, py::handle o, const char* name) {
  return py::array_t<double, py::array::c_style>::ensure(
      arrayArgument(fn, o, name, Accepts::Float64));
}

void checkEntryCount(const char* fn, const py::array& a, const char* name, std::ptrdiff_t needed) {
  const auto given = static_cast<std::ptrdiff_t>(a.size());
  if (given < needed) {
    fail(PyExc_ValueError, fn, kTooFewEntries.format, name, static_cast<long long>(needed),
          static_cast<long long>(given));
  }
}

// A boundary mesh, prepared once: the object behind bem2d.Mesh, and what a
// function makes of coordinates and elements given as arrays. It holds its
// own copy of the nodes and node numbers, so nothing another thread writes
// into the caller's arrays reaches a call that runs without the GIL.
struct PyMesh {
  std::shared_ptr<const bem2d::PreparedMesh> prepared;
};

// A function's mesh argument: a bem2d.Mesh, or the arrays coordinates and
// elements (classes and shapes checked first, node numbers when prepared, so
// that the checks keep their order).
struct MeshArgument {
  std::shared_ptr<const bem2d::PreparedMesh> prepared;  // once prepared, or as given
  py::array coordinates, elements;                      // given as arrays
  std::ptrdiff_t nodes() const {
    return prepared ? prepared->mesh.nodeCount : coordinates.shape(0);
  }
  std::ptrdiff_t count() const {
    return prepared ? prepared->mesh.elementCount : elements.shape(0);
  }
  const bem2d::PreparedMesh& mesh() const { return *prepared; }
};

MeshArgument meshArguments(const char* fn, py::handle coordinates, py::handle elements) {
  MeshArgument m;
  if (py::isinstance<PyMesh>(coordinates)) {
    if (!elements.is_none()) fail(PyExc_TypeError, fn, kPyMeshAndElements);
    m.prepared = coordinates.cast<const PyMesh&>().prepared;
    return m;
  }
  m.coordinates = matrixArgument(fn, coordinates, "coordinates", 2);
  m.elements = matrixArgument(fn, elements, "elements", 2, Accepts::IndexOrFloat64);
  return m;
}

// Checks every node number of a mesh given as arrays and prepares it, with
// the GIL held; returns the count of nodes the numbers reach (the largest
// plus one, 0 for none).
std::ptrdiff_t checkMesh(const char* fn, MeshArgument& m) {
  if (!m.prepared) {
    auto prepared = std::make_shared<bem2d::PreparedMesh>();
    bem2d::IndexFault f;
    const bem2d::Mesh arrays = {pointsOf(m.coordinates), indicesOf(m.elements)};
    if (!bem2d::prepare(arrays, prepared.get(), &f)) {
      fail(PyExc_ValueError, fn, kPyVertexNumber, "elements", static_cast<long long>(f.row),
           f.column, f.text, "coordinates", static_cast<long long>(m.nodes() - 1));
    }
    m.prepared = std::move(prepared);
  }
  return m.prepared->mesh.nodesNamed;
}

// The prepared mesh's nodes and node numbers as new arrays, in the shape a
// caller gives them.
py::array nodesOf(const PyMesh& mesh) {
  const BoundaryMesh& m = mesh.prepared->mesh;
  py::array_t<double> out({static_cast<py::ssize_t>(m.nodeCount), py::ssize_t(2)});
  auto o = out.mutable_unchecked<2>();
  for (std::ptrdiff_t p = 0; p < m.nodeCount; ++p) {
    o(p, 0) = m.nodeX[p];
    o(p, 1) = m.nodeY[p];
  }
  return out;
}

py::array elementsOf(const PyMesh& mesh) {
  const BoundaryMesh& m = mesh.prepared->mesh;
  py::array_t<std::int64_t> out({static_cast<py::ssize_t>(m.elementCount), py::ssize_t(2)});
  auto o = out.mutable_unchecked<2>();
  for (std::ptrdiff_t j = 0; j < m.elementCount; ++j) {
    o(j, 0) = m.start[j];
    o(j, 1) = m.end[j];
  }
  return out;
}

// ---- scalars -----------------------------------------------------------------

// A real number: a Python bool, int or float, or a numpy scalar (or 0-d
// array) of booleans, integers or floats.
bool readNumber(py::handle o, double* value) {
  if (PyBool_Check(o.ptr()) || PyLong_Check(o.ptr()) || PyFloat_Check(o.ptr())) {
    *value = PyFloat_AsDouble(o.ptr());
    if (*value == -1.0 && PyErr_Occurred()) {
      // An int beyond the range of a double is beyond every eta as well.
      if (!PyErr_ExceptionMatches(PyExc_OverflowError)) throw py::error_already_set();
      PyErr_Clear();
      const bool negative = PyObject_RichCompareBool(o.ptr(), py::int_(0).ptr(), Py_LT) == 1;
      *value = negative ? -HUGE_VAL : HUGE_VAL;
    }
    return true;
  }
  const bool numpyScalar = py::isinstance(o, py::module_::import("numpy").attr("generic"));
  const bool zeroDim =
      py::isinstance<py::array>(o) && py::reinterpret_borrow<py::array>(o).ndim() == 0;
  if (!numpyScalar && !zeroDim) return false;
  const char kind = o.attr("dtype").attr("kind").cast<char>();
  if (kind != 'b' && kind != 'i' && kind != 'u' && kind != 'f') return false;
  *value = py::float_(o.attr("item")()).cast<double>();
  return true;
}

// eta: None means the default 0.5; a number else, not negative when the
// function checks it (hypmatrix sends every pair to quadrature for a negative
// one). NaN passes.
double etaArgument(const char* fn, py::handle o, bool checkNotNegative) {
  if (o.is_none()) return 0.5;
  double eta = 0;
  if (!readNumber(o, &eta)) fail(PyExc_TypeError, fn, kEtaClass.format, typeName(o).c_str());
  if (checkNotNegative && eta < 0) fail(PyExc_ValueError, fn, kEtaNegative.format, eta);
  return eta;
}

// threads: None for the default (BEM2D_NUM_THREADS, else every core), or an
// integer from 1 to 1024 (of any size: the message shows it as Python does).
int threadsArgument(const char* fn, py::handle o) {
  if (o.is_none()) return 0;
  const bool integer = (PyLong_Check(o.ptr()) && !PyBool_Check(o.ptr())) ||
                       py::isinstance(o, py::module_::import("numpy").attr("integer"));
  if (!integer) fail(PyExc_TypeError, fn, kPyThreadsType, typeName(o).c_str());
  const py::int_ number = py::reinterpret_steal<py::int_>(PyNumber_Index(o.ptr()));
  int overflow = 0;
  const long long n = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
  if (overflow != 0 || n < 1 || n > 1024) {
    fail(PyExc_ValueError, fn, kPyThreadsValue, py::str(py::handle(number)).cast<std::string>().c_str());
  }
  return static_cast<int>(n);
}

// ---- running a call -------------------------------------------------------------

// Python runs signal handlers on its main thread only, so a call made there
// polls them: at most every 10 ms it takes the GIL back for a moment and
// lets PyErr_CheckSignals run the handlers. The default SIGINT handler then
// raises KeyboardInterrupt (left pending, the poll stops the call); a handler
// that raises nothing lets the call go on.
struct SignalPoll {
  std::chrono::steady_clock::time_point next;
};

bool signalPending(void* context) {
  auto* poll = static_cast<SignalPoll*>(context);
  const auto now = std::chrono::steady_clock::now();
  if (now < poll->next) return false;
  poll->next = now + std::chrono::milliseconds(10);
  py::gil_scoped_acquire gil;
  return PyErr_CheckSignals() != 0;
}

unsigned long mainThread = 0;

// Runs kernel(options), which returns false when interrupted, on `threads`
// threads with the GIL released; raises what stopped it. The kernel touches
// no Python object (not even a reference count): the library's views of the
// arrays are made before.
template <class Kernel>
void run(const char* fn, int threads, Kernel&& kernel) {
  SignalPoll poll;
  RunOptions options;
  options.threads = threads;
  if (PyThread_get_thread_ident() == mainThread) {
    options.interrupted = signalPending;
    options.interruptContext = &poll;
  }
  int outcome = 0;  // 0 done, 1 interrupted, 2 out of memory
  {
    py::gil_scoped_release release;
    try {
      if (!kernel(options)) outcome = 1;
    } catch (const std::bad_alloc&) {
      outcome = 2;
    }
  }
  if (outcome == 1) {
    if (PyErr_Occurred()) throw py::error_already_set();
    fail(PyExc_KeyboardInterrupt, fn, kInterrupted.format);
  }
  if (outcome == 2) fail(PyExc_MemoryError, fn, kOutOfMemory.format);
}

// One value per point (or `columns` values: a Fortran-order matrix), computed
// by kernel(out, options) as run() runs it.
template <class Kernel>
py::array perPoint(const char* fn, int threads, const Points& p, Kernel&& kernel,
                   py::ssize_t columns = 1) {
  py::array_t<double, py::array::f_style> out(columns == 1
                                                  ? std::vector<py::ssize_t>{p.count}
                                                  : std::vector<py::ssize_t>{p.count, columns});
  double* o = out.mutable_data();
  run(fn, threads, [&](const RunOptions& options) { return kernel(o, options); });
  return out;
}

// ---- the modules -------------------------------------------------------------------

py::array slpfield(py::handle coordinates, py::handle elements, py::handle chi, py::handle z,
                   py::handle etaArg, py::handle threadsArg) {
  const char* fn = "slpfield";
  const double eta = etaArgument(fn, etaArg, true);
  const int threads = threadsArgument(fn, threadsArg);
  MeshArgument m = meshArguments(fn, coordinates, elements);
  const auto density = densityArgument(fn, chi, "chi");
  const py::array points = matrixArgument(fn, z, "z", 2);
  checkMesh(fn, m);
  checkEntryCount(fn, density, "chi", m.count());
  const bem2d::PreparedMesh& mesh = m.mesh();
  const Points p = pointsOf(points);
  return perPoint(fn, threads, p, [&](double* o, const RunOptions& options) {
    return bem2d::slpfield(mesh, density.data(), p, eta, o, options);
  });
}

// The checked arguments of the double layer's fields (dlpfield,
// dlpgradfield): gh is read at every node that elements names, so it must
// reach the largest of those numbers (not necessarily nC).
struct DoubleLayerArguments {
  double eta;
  int threads;
  MeshArgument m;
  py::array_t<double> gh;
  py::array x;
  DoubleLayerArguments(const char* fn, py::handle coordinates, py::handle elements,
                       py::handle ghArg, py::handle xArg, py::handle etaArg, py::handle threadsArg)
      : eta(etaArgument(fn, etaArg, true)),
        threads(threadsArgument(fn, threadsArg)),
        m(meshArguments(fn, coordinates, elements)),
        gh(densityArgument(fn, ghArg, "gh")),
        x(matrixArgument(fn, xArg, "x", 2)) {
    checkEntryCount(fn, gh, "gh", checkMesh(fn, m));
  }
};

py::array dlpfield(py::handle coordinates, py::handle elements, py::handle gh, py::handle x,
                   py::handle eta, py::handle threads) {
  const DoubleLayerArguments a("dlpfield", coordinates, elements, gh, x, eta, threads);
  const bem2d::PreparedMesh& mesh = a.m.mesh();
  const Points p = pointsOf(a.x);
  return perPoint("dlpfield", a.threads, p, [&](double* o, const RunOptions& options) {
    return bem2d::dlpfield(mesh, a.gh.data(), p, a.eta, o, options);
  });
}

void checkNormalsCount(const char* fn, const py::array& x, const py::array& n_x) {
  if (x.shape(0) != n_x.shape(0)) {
    fail(PyExc_ValueError, fn, kNormalsCount.format, static_cast<long long>(x.shape(0)),
          static_cast<long long>(n_x.shape(0)));
  }
}

py::array tdlfield(py::handle coordinates, py::handle elements, py::handle gh, py::handle x,
                   py::handle n_x, py::handle etaArg, py::handle threadsArg) {
  const char* fn = "tdlfield";
  const double eta = etaArgument(fn, etaArg, true);
  const int threads = threadsArgument(fn, threadsArg);
  MeshArgument m = meshArguments(fn, coordinates, elements);
  const auto density = densityArgument(fn, gh, "gh");
  const py::array points = matrixArgument(fn, x, "x", 2);
  const py::array normals = matrixArgument(fn, n_x, "n_x", 2);
  checkNormalsCount(fn, points, normals);
  checkMesh(fn, m);
  checkEntryCount(fn, density, "gh", m.count());
  const bem2d::PreparedMesh& mesh = m.mesh();
  const Points p = pointsOf(points), q = pointsOf(normals);
  return perPoint(fn, threads, p, [&](double* o, const RunOptions& options) {
    return bem2d::tdlfield(mesh, density.data(), p, q, eta, o, options);
  });
}

// The points of x whose code is `code` as one RuntimeWarning (for each kind
// at most one per call, so that Python's registry of warnings, which keeps
// every text it has shown, stays small): the text of the first with its
// number counted from `first` (the position of the points in a larger set,
// for Dask's chunks) and, when there are more, their count.
void warnPoints(const PointWarning& warning, const std::vector<unsigned char>& codes,
                unsigned char code, const Points& x, long long first) {
  std::ptrdiff_t at = -1;
  long long count = 0;
  for (std::ptrdiff_t i = 0; i < x.count; ++i) {
    if (codes[static_cast<size_t>(i)] != code) continue;
    if (at < 0) at = i;
    ++count;
  }
  if (count == 0) return;
  char text[512];
  pointWarningText(warning, x.x(at), x.y(at), first + at, count, text, sizeof text);
  // stacklevel 3: the line that called the bem2d function, past the
  // function itself and the wrapper that lets a bem2d.Mesh stand for the
  // mesh's arrays.
  if (PyErr_WarnEx(PyExc_RuntimeWarning, text, 3) < 0) throw py::error_already_set();
}

py::array hypfield(py::handle coordinates, py::handle elements, py::handle gh, py::handle x,
                   py::handle n_x, py::handle etaArg, py::handle threadsArg, long long first) {
  const char* fn = "hypfield";
  const double eta = etaArgument(fn, etaArg, true);
  const int threads = threadsArgument(fn, threadsArg);
  MeshArgument m = meshArguments(fn, coordinates, elements);
  const auto values = densityArgument(fn, gh, "gh");
  const py::array points = matrixArgument(fn, x, "x", 2);
  const py::array normals = matrixArgument(fn, n_x, "n_x", 2);
  // gh holds one value per node: node numbers that index coordinates index
  // gh too.
  const bool column = values.ndim() == 1 || (values.ndim() == 2 && values.shape(1) == 1);
  if (!column || values.shape(0) != m.nodes()) {
    fail(PyExc_ValueError, fn, kPyGhShape, static_cast<long long>(m.nodes()),
          py::str(values.attr("shape")).cast<std::string>().c_str());
  }
  checkNormalsCount(fn, points, normals);
  checkMesh(fn, m);
  std::vector<unsigned char> codes(static_cast<size_t>(points.shape(0)));
  const bem2d::PreparedMesh& mesh = m.mesh();
  const Points p = pointsOf(points), q = pointsOf(normals);
  auto out = perPoint(fn, threads, p, [&](double* o, const RunOptions& options) {
    return bem2d::hypfield(mesh, values.data(), p, q, eta, o, codes.data(), options);
  });
  warnPoints(kHypfieldOffBoundary, codes, bem2d::kHypfieldOffBoundary, p, first);
  warnPoints(kHypfieldNearVertex, codes, bem2d::kHypfieldAtVertex, p, first);
  return out;
}

py::array dlpgradfield(py::handle coordinates, py::handle elements, py::handle gh, py::handle x,
                       py::handle eta, py::handle threads, long long first) {
  const DoubleLayerArguments a("dlpgradfield", coordinates, elements, gh, x, eta, threads);
  const bem2d::PreparedMesh& mesh = a.m.mesh();
  const Points p = pointsOf(a.x);
  std::vector<unsigned char> onBoundary(static_cast<size_t>(p.count));
  auto out = perPoint(
      "dlpgradfield", a.threads, p,
      [&](double* o, const RunOptions& options) {
        return bem2d::dlpgradfield(mesh, a.gh.data(), p, a.eta, o, onBoundary.data(), options);
      },
      2);
  warnPoints(kDlpgradfieldOnBoundary, onBoundary, 1, p, first);
  return out;
}

py::array domfield(py::handle vertices, py::handle volumes, py::handle f, py::handle x,
                   py::handle threadsArg) {
  const char* fn = "domfield";
  const int threads = threadsArgument(fn, threadsArg);
  const py::array v = matrixArgument(fn, vertices, "vertices", 2);
  const py::array t = matrixArgument(fn, volumes, "volumes", 3, Accepts::IndexOrFloat64);
  const auto density = densityArgument(fn, f, "f");
  const py::array points = matrixArgument(fn, x, "x", 2);
  // Prepared with the GIL held: the kernel reads only the private copy,
  // whatever another thread writes into volumes meanwhile.
  bem2d::PreparedTriangulation mesh;
  bem2d::IndexFault fault;
  if (!bem2d::prepare(bem2d::Triangulation{pointsOf(v), indicesOf(t)}, &mesh, &fault)) {
    fail(PyExc_ValueError, fn, kPyVertexNumber, "volumes", static_cast<long long>(fault.row),
         fault.column, fault.text, "vertices", static_cast<long long>(v.shape(0) - 1));
  }
  checkEntryCount(fn, density, "f", t.shape(0));
  const Points p = pointsOf(points);
  return perPoint(fn, threads, p, [&](double* o, const RunOptions& options) {
    return bem2d::domfield(mesh, density.data(), p, o, options);
  });
}

using Matrix = py::array_t<double, py::array::f_style>;

// The three matrices by what their rows and columns number: V elements by
// elements, K elements by nodes, W nodes by nodes. eta must not be negative
// but for W, where a negative one sends every pair to quadrature.
struct MatrixKind {
  bool rowsByElement, colsByElement, etaNotNegative;
};
constexpr MatrixKind kV = {true, true, true}, kK = {true, false, true}, kW = {false, false, false};

// A matrix call: eta, threads and the mesh checked, then `shape` (which may
// check more) gives the result's rows and columns, and fill(mesh, eta, out,
// options) computes it into the new result.
template <class Shape, class Fill>
Matrix matrixCall(const char* fn, MatrixKind kind, py::handle coordinates, py::handle elements,
                  py::handle etaArg, py::handle threadsArg, Shape&& shape, Fill&& fill) {
  const double eta = etaArgument(fn, etaArg, kind.etaNotNegative);
  const int threads = threadsArgument(fn, threadsArg);
  MeshArgument m = meshArguments(fn, coordinates, elements);
  checkMesh(fn, m);
  Matrix out(shape(kind.rowsByElement ? m.count() : m.nodes(),
                   kind.colsByElement ? m.count() : m.nodes()));
  double* o = out.mutable_data();
  const bem2d::PreparedMesh& mesh = m.mesh();
  run(fn, threads, [&](const RunOptions& options) {
    return fill(mesh, eta, o, options);
  });
  return out;
}

// A whole matrix by the library's call.
using WholeCall = bool (*)(const bem2d::PreparedMesh&, double, double*, const RunOptions&);
Matrix whole(const char* fn, MatrixKind kind, WholeCall call, py::handle coordinates,
             py::handle elements, py::handle eta, py::handle threads) {
  return matrixCall(
      fn, kind, coordinates, elements, eta, threads,
      [](std::ptrdiff_t rows, std::ptrdiff_t cols) {
        return std::vector<py::ssize_t>{rows, cols};
      },
      [call](const bem2d::PreparedMesh& mesh, double eta, double* o, const RunOptions& options) {
        return call(mesh, eta, o, options);
      });
}

// ---- tiles --------------------------------------------------------------------------

// A tile's index set: a 1-d integer array whose numbers lie in 0..n-1, as a
// new int64 array.
py::array_t<std::int64_t> indexSet(const char* fn, py::handle o, const char* name, std::ptrdiff_t n,
                                   const char* what) {
  if (!py::isinstance<py::array>(o)) {
    fail(PyExc_TypeError, fn, kPyIndexSetType, name, typeName(o).c_str());
  }
  py::array a = py::reinterpret_borrow<py::array>(o);
  if (!isInteger(a.dtype())) {
    const std::string dtype =
        "an array of dtype " + py::str(py::handle(a.dtype())).cast<std::string>();
    fail(PyExc_TypeError, fn, kPyIndexSetType, name, dtype.c_str());
  }
  if (a.ndim() != 1) fail(PyExc_ValueError, fn, kPyIndexSetDimensions, name, int(a.ndim()));
  // A copy of our own, checked and then read while the GIL is released: what
  // another thread writes into the caller's array meanwhile cannot reach it.
  py::array_t<std::int64_t> own = py::array_t<std::int64_t>(a.shape(0));
  own[py::slice(0, a.shape(0), 1)] = a;
  std::ptrdiff_t position = 0, largest = 0;
  int column = 0;
  double value = 0;
  if (!bem2d::indicesInRange(indicesOf(own), 1, n, &position, &column, &value, &largest)) {
    fail(PyExc_ValueError, fn, kPyIndexSetNumber, name, static_cast<long long>(position),
         static_cast<long long>(own.data()[position]), what, static_cast<long long>(n - 1));
  }
  return own;
}

// The entries (rows[a], cols[b]) of a matrix by the library's tile call.
template <class TileCall>
Matrix tile(const char* fn, MatrixKind kind, py::handle coordinates, py::handle elements,
            py::handle rowsArg, py::handle colsArg, py::handle eta, py::handle threads,
            TileCall tileCall) {
  py::array_t<std::int64_t> rows, cols;
  return matrixCall(
      fn, kind, coordinates, elements, eta, threads,
      [&](std::ptrdiff_t nRows, std::ptrdiff_t nCols) {
        rows = indexSet(fn, rowsArg, "rows", nRows, kind.rowsByElement ? "an element" : "a node");
        cols = indexSet(fn, colsArg, "cols", nCols, kind.colsByElement ? "an element" : "a node");
        return std::vector<py::ssize_t>{rows.shape(0), cols.shape(0)};
      },
      [&](const bem2d::PreparedMesh& mesh, double eta, double* o, const RunOptions& options) {
        // Plain reads of the arrays' fields: the GIL is released here. The new
        // tile's pages are mapped first, between polls for Ctrl-C, as the
        // library's whole matrices do.
        const std::ptrdiff_t nRows = rows.shape(0), nCols = cols.shape(0);
        return zeroFill(o, static_cast<std::int64_t>(nRows) * nCols, options) &&
               tileCall(mesh, eta, rows.data(), nRows, cols.data(), nCols, o,
                        nRows > 0 ? nRows : 1, options);
      });
}

// ---- compressed matrices ------------------------------------------------------------

// A compressed matrix and whether this handle on it is transposed (H.T shares
// the matrix of H).
struct PyHMatrix {
  std::shared_ptr<HMatrix> h;
  bool transposed = false;
  std::ptrdiff_t rows() const { return transposed ? h->cols : h->rows; }
  std::ptrdiff_t cols() const { return transposed ? h->rows : h->cols; }
};

// Raises the exception of a status other than Done.
void raiseStatus(const char* fn, HStatus status, double tol, const std::string& message) {
  switch (status) {
    case HStatus::Done:
      return;
    case HStatus::Interrupted:
      if (PyErr_Occurred()) throw py::error_already_set();
      fail(PyExc_KeyboardInterrupt, fn, kInterrupted.format);
    case HStatus::Tolerance:
      fail(PyExc_ValueError, fn, kHmatrixTolerance.format, tol);
    case HStatus::NotFinite:
      fail(PyExc_ValueError, fn, kHmatrixNotFinite.format);
    case HStatus::NoLength:
      fail(PyExc_ValueError, fn, kHmatrixNoLength.format);
    case HStatus::Coincident:
      fail(PyExc_ValueError, fn, kHmatrixCoincident.format, kHmatrixMostCoincident);
    case HStatus::NoSolve:
      fail(PyExc_ValueError, fn, kHmatrixNoSolve.format);
    case HStatus::EngineFailed:
      fail(PyExc_RuntimeError, fn, kHmatrixEngine.format, message.c_str());
  }
}

// The progress of a long build or factorisation, on the standard error
// stream, every tenth.
struct PyProgress {
  int last = -1;
};

void showProgress(void* context, int stage, double fraction) {
  PyProgress& p = *static_cast<PyProgress*>(context);
  const int percent = static_cast<int>(100 * fraction);
  if (p.last >= 0 && percent / 10 == p.last / 10) return;
  p.last = percent;
  std::fprintf(stderr, "hmatrix: %s %3d %%\n", stage == 0 ? "building" : "factorising", percent);
  std::fflush(stderr);
}

// The engine's steps that an interrupt left running: they end on their own
// threads, which the process joins as it exits.
EngineLeftovers& leftovers() {
  static EngineLeftovers l;
  return l;
}

// Runs f(options) -> HStatus as run() runs a kernel, and raises what it says.
template <class F>
void runStatus(const char* fn, int threads, double tol, bool progress, F&& f) {
  HStatus status = HStatus::Done;
  std::string message;
  PyProgress shown;
  run(fn, threads, [&](const RunOptions& run) {
    HMatrixOptions o;
    o.run = run;
    o.tol = tol;
    o.leftovers = &leftovers();
    if (progress) {
      o.progress.update = showProgress;
      o.progress.context = &shown;
    }
    status = f(o, &message);
    return status != HStatus::Interrupted;
  });
  raiseStatus(fn, status, tol, message);
}

PyHMatrix hmatrixOf(py::handle kindArg, py::handle coordinates, py::handle elements,
                    py::handle tolArg, py::handle etaArg, py::handle threadsArg, bool progress) {
  const char* fn = "hmatrix";
  const std::string k = py::isinstance<py::str>(kindArg) ? kindArg.cast<std::string>() : "";
  if (k != "slp" && k != "dlp" && k != "hyp") fail(PyExc_ValueError, fn, kHmatrixKind.format);
  const HKind kind = k == "slp" ? HKind::SingleLayer : k == "dlp" ? HKind::DoubleLayer
                                                                  : HKind::Hypersingular;
  double tol = 0;
  if (!readNumber(tolArg, &tol)) fail(PyExc_TypeError, fn, kPyTolType, typeName(tolArg).c_str());
  const double eta = etaArgument(fn, etaArg, true);
  const int threads = threadsArgument(fn, threadsArg);
  if (!bem2d::compressedOperatorsBuilt()) fail(PyExc_RuntimeError, fn, kHmatrixNotBuilt.format);
  MeshArgument m = meshArguments(fn, coordinates, elements);
  checkMesh(fn, m);
  PyHMatrix out;
  std::unique_ptr<HMatrix> h;
  runStatus(fn, threads, tol, progress, [&](HMatrixOptions o, std::string* message) {
    o.eta = eta;
    return bem2d::hmatrix(kind, m.prepared, o, &h, message);
  });
  out.h = std::move(h);
  return out;
}

// x as float64 columns of `rows` rows (a vector or a matrix), in Fortran
// order; the result takes its shape.
py::array productOf(const PyHMatrix& H, py::handle xArg, bool solve) {
  const char* fn = solve ? "HMatrix.solve" : "HMatrix.__matmul__";
  py::array x = py::array_t<double, py::array::f_style | py::array::forcecast>::ensure(
      py::module_::import("numpy").attr("asarray")(xArg, "dtype"_a = "float64"));
  const std::ptrdiff_t n = solve ? H.rows() : H.cols();
  if (!x || x.ndim() < 1 || x.ndim() > 2) fail(PyExc_ValueError, fn, kPyOperand, static_cast<long long>(n));
  if (x.shape(0) != n) fail(PyExc_ValueError, fn, kPyOperand, static_cast<long long>(n));
  const std::ptrdiff_t columns = x.ndim() == 2 ? x.shape(1) : 1;
  const std::ptrdiff_t m = solve ? n : H.rows();
  py::array_t<double, py::array::f_style> out(x.ndim() == 2 ? std::vector<py::ssize_t>{m, columns}
                                                            : std::vector<py::ssize_t>{m});
  double* o = out.mutable_data();
  const double* in = static_cast<const double*>(x.data());
  if (solve) {
    std::copy(in, in + n * columns, o);
    if (H.h->kind == HKind::DoubleLayer) raiseStatus(fn, HStatus::NoSolve, H.h->tol, "");
  }
  runStatus(fn, 0, H.h->tol, false, [&](const HMatrixOptions& opts, std::string* message) {
    return solve ? hmatrixSolve(*H.h, o, columns, opts, message)
                 : hmatrixApply(*H.h, H.transposed, in, o, columns, message);
  });
  return out;
}

// H.T: the same matrix, the other way round.
PyHMatrix transposedOf(const PyHMatrix& H) {
  PyHMatrix t = H;
  t.transposed = !H.transposed;
  return t;
}

py::array product(const PyHMatrix& H, py::handle x) { return productOf(H, x, false); }
py::array transposedProduct(const PyHMatrix& H, py::handle x) {
  return productOf(transposedOf(H), x, false);
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The kernels of bem2d over numpy arrays; use the documented functions of bem2d.";
  // The release, from the project's version in CMakeLists.txt.
  m.attr("__version__") = BEM2D_VERSION;
  py::class_<PyMesh>(m, "Mesh", kPyMeshDoc)
      .def(py::init([](py::handle coordinates, py::handle elements) {
             MeshArgument a = meshArguments("Mesh", coordinates, elements);
             checkMesh("Mesh", a);
             return PyMesh{a.prepared};
           }),
           py::arg("coordinates"), py::arg("elements"))
      .def_property_readonly("coordinates", [](const PyMesh& self) { return nodesOf(self); },
                             "The nodes, a new (nC, 2) float64 array.")
      .def_property_readonly("elements", [](const PyMesh& self) { return elementsOf(self); },
                             "The elements' node numbers, a new (nE, 2) int64 array.")
      .def_property_readonly(
          "node_count", [](const PyMesh& self) { return self.prepared->mesh.nodeCount; }, "nC.")
      .def_property_readonly(
          "element_count", [](const PyMesh& self) { return self.prepared->mesh.elementCount; },
          "nE.")
      .def("__repr__", [](const PyMesh& self) {
        return "bem2d.Mesh(" + std::to_string(self.prepared->mesh.nodeCount) + " nodes, " +
               std::to_string(self.prepared->mesh.elementCount) + " elements)";
      })
      .def(py::pickle([](const PyMesh& self) { return py::make_tuple(nodesOf(self), elementsOf(self)); },
                      [](const py::tuple& state) {
                        MeshArgument a = meshArguments("Mesh", state[0], state[1]);
                        checkMesh("Mesh", a);
                        return PyMesh{a.prepared};
                      }));
  mainThread =
      py::module_::import("threading").attr("main_thread")().attr("ident").cast<unsigned long>();
  using py::arg;
  using py::handle;
  // The matrices and their tiles.
  using bem2d::TileCall;
  struct Matrices {
    const char *name, *tileName;
    MatrixKind kind;
    WholeCall whole;
    TileCall tile;
  };
  for (const Matrices& k :
       {Matrices{"slpmatrix", "slpmatrix_tile", kV, bem2d::slpmatrix, bem2d::slpmatrixTile},
        Matrices{"dlpmatrix", "dlpmatrix_tile", kK, bem2d::dlpmatrix, bem2d::dlpmatrixTile},
        Matrices{"hypmatrix", "hypmatrix_tile", kW, bem2d::hypmatrix, bem2d::hypmatrixTile}}) {
    m.def(
        k.name,
        [k](handle c, handle e, handle eta, handle t) {
          return whole(k.name, k.kind, k.whole, c, e, eta, t);
        },
        arg("coordinates"), arg("elements"), arg("eta"), arg("threads"));
    m.def(
        k.tileName,
        [k](handle c, handle e, handle rows, handle cols, handle eta, handle t) {
          return tile(k.tileName, k.kind, c, e, rows, cols, eta, t, k.tile);
        },
        arg("coordinates"), arg("elements"), arg("rows"), arg("cols"), arg("eta"), arg("threads"));
  }
  m.def("slpfield", &slpfield, arg("coordinates"), arg("elements"), arg("chi"), arg("z"),
        arg("eta"), arg("threads"));
  m.def("dlpfield", &dlpfield, arg("coordinates"), arg("elements"), arg("gh"), arg("x"), arg("eta"),
        arg("threads"));
  m.def("tdlfield", &tdlfield, arg("coordinates"), arg("elements"), arg("gh"), arg("x"), arg("n_x"),
        arg("eta"), arg("threads"));
  m.def("hypfield", &hypfield, arg("coordinates"), arg("elements"), arg("gh"), arg("x"), arg("n_x"),
        arg("eta"), arg("threads"), arg("first") = 0);
  py::class_<PyHMatrix> hmatrixClass(m, "HMatrix", kPyHMatrixDoc);
  // numpy defers x @ H to H.__rmatmul__ instead of taking H for an object.
  hmatrixClass.attr("__array_ufunc__") = py::none();
  hmatrixClass
      .def_property_readonly("shape", [](const PyHMatrix& H) {
        return py::make_tuple(H.rows(), H.cols());
      })
      .def_property_readonly("dtype", [](const PyHMatrix&) {
        return py::module_::import("numpy").attr("dtype")("float64");
      })
      .def_property_readonly("nbytes", [](const PyHMatrix& H) { return hmatrixBytes(*H.h); },
                             "The memory the matrix holds, its factor included once made.")
      .def_property_readonly("tol", [](const PyHMatrix& H) { return H.h->tol; })
      .def_property_readonly("kind", [](const PyHMatrix& H) {
        return std::string(H.h->kind == HKind::SingleLayer ? "slp"
                           : H.h->kind == HKind::DoubleLayer ? "dlp" : "hyp");
      })
      .def_property_readonly("T", transposedOf)
      .def("__matmul__", product)
      .def("__rmatmul__", [](const PyHMatrix& H, py::handle x) -> py::object {
        // x @ H = (H.T @ x.T).T
        py::object xt = py::module_::import("numpy").attr("asarray")(x, "dtype"_a = "float64").attr("T");
        return productOf(transposedOf(H), xt, false).attr("T");
      })
      .def("matvec", product)
      .def("matmat", product)
      .def("rmatvec", transposedProduct)
      .def("rmatmat", transposedProduct)
      .def("solve", [](const PyHMatrix& H, py::handle b) { return productOf(H, b, true); },
           py::arg("b"))
      .def("__repr__", [](const PyHMatrix& H) {
        char text[160];
        std::snprintf(text, sizeof text, "bem2d.HMatrix(%s%s, %lld x %lld, tol=%g, %.1f MB)",
                      H.h->kind == HKind::SingleLayer ? "V" : H.h->kind == HKind::DoubleLayer ? "K" : "W",
                      H.transposed ? "'" : "", static_cast<long long>(H.rows()),
                      static_cast<long long>(H.cols()), H.h->tol, hmatrixBytes(*H.h) / 1e6);
        return std::string(text);
      })
      .def(py::pickle(
          [](const PyHMatrix&) -> py::tuple {
            fail(PyExc_TypeError, "HMatrix", "%s", kPyHMatrixPickle);
          },
          [](const py::tuple&) -> PyHMatrix { return PyHMatrix(); }));
  m.def("hmatrix", &hmatrixOf, arg("kind"), arg("coordinates"), arg("elements"), arg("tol"),
        arg("eta"), arg("threads"), arg("progress"));
  m.attr("compression_engine") = bem2d::compressionEngine() != nullptr
                                     ? py::object(py::str(bem2d::compressionEngine()))
                                     : py::object(py::none());
  m.def("domfield", &domfield, arg("vertices"), arg("volumes"), arg("f"), arg("x"), arg("threads"));
  m.def("dlpgradfield", &dlpgradfield, arg("coordinates"), arg("elements"), arg("gh"), arg("x"),
        arg("eta"), arg("threads"), arg("first") = 0);
}
