// The engine room of the class hmatrix (hmatrix.m), which is all a user
// calls; this module keeps the compressed matrices of the session:
//   id = bem2d_hmatrix('build', kind, coordinates, elements, tol, eta, progress)
//   y  = bem2d_hmatrix('apply', id, transposed, x)
//   x  = bem2d_hmatrix('solve', id, b, progress)
//   [rows, cols, bytes] = bem2d_hmatrix('info', id)
//   bem2d_hmatrix('retain', id), bem2d_hmatrix('release', id)
// A matrix lives while a handle object refers to it: each object retains its
// id and releases it when deleted, and the matrix goes at the last release;
// all go when the module is cleared or the session ends.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "gateway.h"

namespace {

struct Held {
  std::unique_ptr<HMatrix> matrix;
  int references = 0;
};

// The matrices of the session by id: the module's own state, as a host
// object needs one; the host calls it from one thread. The engine's steps
// that an interrupt left running end before the module is unloaded.
struct Session {
  std::map<std::uint64_t, Held> matrices;
  std::uint64_t next = 1;
  EngineLeftovers leftovers;
};

Session& session() {
  static Session s;
  return s;
}

std::map<std::uint64_t, Held>& held() { return session().matrices; }

void releaseAll() {
  held().clear();
  engineJoinLeftovers(&session().leftovers);
}

constexpr Module kModule = {"hmatrix", "hmatrix"};

// The text of a string argument (at most 15 characters), or "" for another class.
std::string stringOf(const mxArray* a) {
  char text[16] = "";
  if (mxIsChar(a) && mxGetString(a, text, sizeof text) != 0) text[0] = '\0';
  return text;
}

double numberOf(const mxArray* a) { return mxIsEmpty(a) ? NAN : firstEntry(a); }

// The matrix of an id, or a report (which does not return).
HMatrix* matrixOf(const mxArray* a) {
  std::uint64_t id = 0;
  if (mxIsUint64(a) && mxGetNumberOfElements(a) == 1) {
    id = *static_cast<const std::uint64_t*>(mxGetData(a));
  }
  const auto it = held().find(id);
  if (it == held().end()) {
    reportError(kModule, kHmatrixHandle);
    return nullptr;
  }
  return it->second.matrix.get();
}

// The progress of a long build or factorisation, on the host's output.
struct Progress {
  int last = -1;
};

void showProgress(void* context, int stage, double fraction) {
  Progress& p = *static_cast<Progress*>(context);
  const int percent = static_cast<int>(100 * fraction);
  if (percent / 10 == p.last / 10 && p.last >= 0) return;
  p.last = percent;
  mexPrintf("hmatrix: %s %3d %%\n", stage == 0 ? "building" : "factorising", percent);
  mexEvalString("drawnow;");
}

HMatrixOptions optionsOf(bool progress, Progress* shown) {
  HMatrixOptions o;
  o.run = hostRunOptions();
  o.leftovers = &session().leftovers;
  if (progress) {
    o.progress.update = showProgress;
    o.progress.context = shown;
  }
  return o;
}

// Reports a status other than Done (which it leaves); an interrupt goes to
// the host.
void reportStatus(HStatus status, double tol, const std::string& message) {
  switch (status) {
    case HStatus::Done:
      return;
    case HStatus::Interrupted:
      hostRaiseInterrupt(kModule);
      return;
    case HStatus::Tolerance:
      return reportError(kModule, kHmatrixTolerance, tol);
    case HStatus::NotFinite:
      return reportError(kModule, kHmatrixNotFinite);
    case HStatus::NoLength:
      return reportError(kModule, kHmatrixNoLength);
    case HStatus::Coincident:
      return reportError(kModule, kHmatrixCoincident, kHmatrixMostCoincident);
    case HStatus::NoSolve:
      return reportError(kModule, kHmatrixNoSolve);
    case HStatus::EngineFailed:
      return reportError(kModule, kHmatrixEngine, message.c_str());
  }
}

void build(mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  if (nrhs != 7) {
    reportError(kModule, kHmatrixCall);
    return;
  }
  const std::string k = stringOf(prhs[1]);
  const HKind kind = k == "slp" ? HKind::SingleLayer : k == "dlp" ? HKind::DoubleLayer
                                                                  : HKind::Hypersingular;
  if (k != "slp" && k != "dlp" && k != "hyp") return reportError(kModule, kHmatrixKind);
  if (!bem2d::compressedOperatorsBuilt()) {
    return reportError(kModule, kHmatrixNotBuilt);
  }
  auto mesh = std::make_shared<bem2d::PreparedMesh>();
  if (!checkBoundaryMesh(kModule, prhs[2], prhs[3], mesh.get())) return;
  Progress shown;
  HMatrixOptions o = optionsOf(numberOf(prhs[6]) != 0, &shown);
  o.tol = numberOf(prhs[4]);
  o.eta = numberOf(prhs[5]);
  std::unique_ptr<HMatrix> h;
  std::string message;
  HStatus status = HStatus::EngineFailed;
  try {
    status = bem2d::hmatrix(kind, std::move(mesh), o, &h, &message);
  } catch (const std::bad_alloc&) {
    message = "out of memory";
  }
  if (status != HStatus::Done) return reportStatus(status, o.tol, message);
  const std::uint64_t id = session().next++;
  held()[id].matrix = std::move(h);
  plhs[0] = mxCreateNumericMatrix(1, 1, mxUINT64_CLASS, mxREAL);
  *static_cast<std::uint64_t*>(mxGetData(plhs[0])) = id;
}

// A dense real double matrix of `rows` rows (any number of columns).
bool checkColumns(const mxArray* a, std::ptrdiff_t rows, const char* name) {
  if (!mxIsDouble(a) || mxIsComplex(a) || mxIsSparse(a)) {
    reportError(kModule, kArgumentClass, name, "double", "");
    return false;
  }
  if (static_cast<std::ptrdiff_t>(mxGetM(a)) != rows) {
    reportError(kModule, kHmatrixRows, name, static_cast<long long>(rows),
                static_cast<long long>(mxGetM(a)));
    return false;
  }
  return true;
}

void apply(mxArray* plhs[], const mxArray* prhs[]) {
  HMatrix* h = matrixOf(prhs[1]);
  const bool transposed = numberOf(prhs[2]) != 0;
  const std::ptrdiff_t in = transposed ? h->rows : h->cols, out = transposed ? h->cols : h->rows;
  if (!checkColumns(prhs[3], in, "x")) return;
  const std::ptrdiff_t columns = static_cast<std::ptrdiff_t>(mxGetN(prhs[3]));
  mxArray* y = mxCreateDoubleMatrix(static_cast<mwSize>(out), static_cast<mwSize>(columns), mxREAL);
  std::string message;
  HStatus status = HStatus::EngineFailed;
  try {
    status = hmatrixApply(*h, transposed, mxGetPr(prhs[3]), mxGetPr(y), columns, &message);
  } catch (const std::bad_alloc&) {
    message = "out of memory";
  }
  if (status != HStatus::Done) {
    mxDestroyArray(y);
    return reportStatus(status, h->tol, message);
  }
  plhs[0] = y;
}

void solve(mxArray* plhs[], const mxArray* prhs[]) {
  HMatrix* h = matrixOf(prhs[1]);
  if (h->kind == HKind::DoubleLayer) return reportStatus(HStatus::NoSolve, h->tol, "");
  if (!checkColumns(prhs[2], h->rows, "b")) return;
  mxArray* x = mxDuplicateArray(prhs[2]);
  Progress shown;
  const HMatrixOptions o = optionsOf(numberOf(prhs[3]) != 0, &shown);
  std::string message;
  HStatus status = HStatus::EngineFailed;
  try {
    status = hmatrixSolve(*h, mxGetPr(x), static_cast<std::ptrdiff_t>(mxGetN(x)), o, &message);
  } catch (const std::bad_alloc&) {
    message = "out of memory";
  }
  if (status != HStatus::Done) {
    mxDestroyArray(x);
    return reportStatus(status, h->tol, message);
  }
  plhs[0] = x;
}

}  // namespace

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  static std::once_flag atExit;
  std::call_once(atExit, [] { mexAtExit(releaseAll); });
  const std::string command = nrhs > 0 ? stringOf(prhs[0]) : "";
  if (command == "build") return build(plhs, nrhs, prhs);
  const int expected = command == "apply" ? 4 : command == "solve" ? 4 : 2;
  if (nrhs != expected || (command != "apply" && command != "solve" && command != "info" &&
                           command != "retain" && command != "release")) {
    return reportError(kModule, kHmatrixCall);
  }
  if (command == "release") {
    const std::uint64_t id =
        mxIsUint64(prhs[1]) ? *static_cast<const std::uint64_t*>(mxGetData(prhs[1])) : 0;
    const auto it = held().find(id);
    if (it != held().end() && --it->second.references <= 0) held().erase(it);
    return;
  }
  HMatrix* h = matrixOf(prhs[1]);
  if (command == "retain") {
    ++held()[*static_cast<const std::uint64_t*>(mxGetData(prhs[1]))].references;
  } else if (command == "info") {
    plhs[0] = mxCreateDoubleScalar(static_cast<double>(h->rows));
    if (nlhs > 1) plhs[1] = mxCreateDoubleScalar(static_cast<double>(h->cols));
    if (nlhs > 2) plhs[2] = mxCreateDoubleScalar(static_cast<double>(hmatrixBytes(*h)));
  } else if (command == "apply") {
    apply(plhs, prhs);
  } else {
    solve(plhs, prhs);
  }
}
