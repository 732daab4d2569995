#include "hmatrix.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "dlpmatrix.h"
#include "hypmatrix.h"
#include "slpmatrix.h"

HMatrix::~HMatrix() {
  engineRelease(factor);
  engineRelease(matrix);
}

namespace {

// The spans the rows or columns are clustered by (engine.h): an element's
// two nodes, or a node and the far ends of its elements.
struct Spans {
  std::vector<unsigned> points, end;
};

Spans elementSpans(const BoundaryMesh& m) {
  Spans s;
  for (std::ptrdiff_t j = 0; j < m.elementCount; ++j) {
    s.points.push_back(static_cast<unsigned>(m.start[j]));
    s.points.push_back(static_cast<unsigned>(m.end[j]));
    s.end.push_back(static_cast<unsigned>(s.points.size()));
  }
  return s;
}

Spans nodeSpans(const BoundaryMesh& m) {
  Spans s;
  for (std::ptrdiff_t p = 0; p < m.nodeCount; ++p) {
    s.points.push_back(static_cast<unsigned>(p));
    for (std::int64_t t = m.nodeFirst[p]; t < m.nodeFirst[p + 1]; ++t) {
      const int j = m.nodeElements[static_cast<size_t>(t)];
      s.points.push_back(static_cast<unsigned>(m.start[j] == p ? m.end[j] : m.start[j]));
    }
    s.end.push_back(static_cast<unsigned>(s.points.size()));
  }
  return s;
}

// The largest number of spans with the same bounding box: the engine splits
// a cluster by its spans' places, and cannot split equal ones.
std::ptrdiff_t mostEqualSpans(const Spans& s, const std::vector<double>& points) {
  struct Box {
    double lo[2], hi[2];
    bool operator<(const Box& o) const {
      for (int k = 0; k < 2; ++k) {
        if (lo[k] != o.lo[k]) return lo[k] < o.lo[k];
        if (hi[k] != o.hi[k]) return hi[k] < o.hi[k];
      }
      return false;
    }
    bool operator==(const Box& o) const { return !(*this < o) && !(o < *this); }
  };
  std::vector<Box> boxes;
  for (size_t i = 0, from = 0; i < s.end.size(); from = s.end[i++]) {
    Box b = {{INFINITY, INFINITY}, {-INFINITY, -INFINITY}};
    for (size_t t = from; t < s.end[i]; ++t) {
      for (int k = 0; k < 2; ++k) {
        b.lo[k] = std::fmin(b.lo[k], points[2 * s.points[t] + k]);
        b.hi[k] = std::fmax(b.hi[k], points[2 * s.points[t] + k]);
      }
    }
    boxes.push_back(b);
  }
  std::sort(boxes.begin(), boxes.end());
  std::ptrdiff_t most = 0;
  for (size_t i = 0, run = 0; i < boxes.size(); ++i) {
    run = i > 0 && boxes[i] == boxes[i - 1] ? run + 1 : 1;
    most = std::max(most, static_cast<std::ptrdiff_t>(run));
  }
  return most;
}

// What the entries callback of a build needs.
struct Entries {
  const HMatrix* h;
  RunOptions tile;  // one thread (the engine spreads the blocks), the lanes
  std::vector<char> isZero;  // per row (V, W): held by P
};

bool entries(void* context, const std::int64_t* rows, std::ptrdiff_t nRows,
             const std::int64_t* cols, std::ptrdiff_t nCols, double* out, std::ptrdiff_t ld) {
  const Entries& e = *static_cast<const Entries*>(context);
  const HMatrix& h = *e.h;
  const BoundaryMesh& mesh = *h.mesh;
  bool done = false;
  switch (h.kind) {
    case HKind::SingleLayer:
      done = slpmatrixTileKernel(mesh, h.eta, rows, nRows, cols, nCols, out, ld, e.tile);
      break;
    case HKind::DoubleLayer:
      done = dlpmatrixTileKernel(mesh, h.eta, rows, nRows, cols, nCols, out, ld, e.tile);
      break;
    case HKind::Hypersingular:
      done = hypmatrixTileKernel(mesh, h.eta, rows, nRows, cols, nCols, out, ld, e.tile);
      break;
  }
  if (!done) return false;
  for (std::ptrdiff_t b = 0; b < nCols; ++b) {
    const std::int64_t c = cols[b];
    for (std::ptrdiff_t a = 0; a < nRows; ++a) {
      const std::int64_t r = rows[a];
      double v = out[a + b * ld];
      if (!h.m.empty()) v += h.m[r] * h.m[c];
      if (r == c && !e.isZero.empty() && e.isZero[r]) v += 1;
      out[a + b * ld] = v * h.rowScale[r] * h.colScale[c];
    }
  }
  return true;
}

// The zeros of a block of K: K(i, q) vanishes where element i lies on the
// line of every element of q's support (the double layer has no normal
// component along its own line), which straight sides of a boundary give in
// whole blocks. A line of points holds them when none lies farther from it
// than a thousandth of tol times the shortest element of the block, so that
// the entries taken for zero are below tol against the others even next to
// the element. Only one line can hold all the rows (or columns), so the
// columns (rows) on it are found in one pass.
struct Line {
  double p[2] = {0, 0}, n[2] = {0, 0};  // a point and the unit normal
  bool holds = false;
  double distance(const double* q) const {
    return std::fabs((q[0] - p[0]) * n[0] + (q[1] - p[1]) * n[1]);
  }
};

Line lineThrough(const std::vector<const double*>& points, double slack) {
  Line line;
  if (points.empty()) return line;
  const double* a = points[0];
  const double* b = a;
  double far = 0;
  for (const double* q : points) {
    const double d = std::hypot(q[0] - a[0], q[1] - a[1]);
    if (d > far) {
      far = d;
      b = q;
    }
  }
  if (!(far > 0)) return line;
  line.p[0] = a[0];
  line.p[1] = a[1];
  line.n[0] = (b[1] - a[1]) / far;
  line.n[1] = (a[0] - b[0]) / far;
  line.holds = true;
  for (const double* q : points) {
    if (!(line.distance(q) <= slack)) {
      line.holds = false;
      break;
    }
  }
  return line;
}

void zerosOfK(void* context, const std::int64_t* rows, std::ptrdiff_t nRows,
              const std::int64_t* cols, std::ptrdiff_t nCols, unsigned char* nullRows,
              unsigned char* nullCols) {
  const Entries& e = *static_cast<const Entries*>(context);
  const BoundaryMesh& m = *e.h->mesh;
  // The points of the rows' elements and of the columns' supports, and the
  // shortest element among them.
  double shortest = INFINITY;
  std::vector<const double*> rowPoints, colPoints;
  std::vector<std::vector<const double*>> support(static_cast<size_t>(nCols));
  for (std::ptrdiff_t a = 0; a < nRows; ++a) {
    const Segment& s = m.segments[rows[a]];
    rowPoints.push_back(s.A);
    rowPoints.push_back(s.B);
    shortest = std::fmin(shortest, s.L);
  }
  for (std::ptrdiff_t b = 0; b < nCols; ++b) {
    for (std::int64_t t = m.nodeFirst[cols[b]]; t < m.nodeFirst[cols[b] + 1]; ++t) {
      const Segment& s = m.segments[m.nodeElements[static_cast<size_t>(t)]];
      support[b].push_back(s.A);
      support[b].push_back(s.B);
      shortest = std::fmin(shortest, s.L);
    }
    colPoints.insert(colPoints.end(), support[b].begin(), support[b].end());
  }
  const double slack = 1e-3 * e.h->tol * shortest;
  const Line rowLine = lineThrough(rowPoints, slack), colLine = lineThrough(colPoints, slack);
  if (rowLine.holds) {
    for (std::ptrdiff_t b = 0; b < nCols; ++b) {
      bool on = !support[b].empty();
      for (const double* q : support[b]) on = on && rowLine.distance(q) <= slack;
      nullCols[b] = on;
    }
  }
  if (colLine.holds) {
    for (std::ptrdiff_t a = 0; a < nRows; ++a) {
      const Segment& s = m.segments[rows[a]];
      nullRows[a] = colLine.distance(s.A) <= slack && colLine.distance(s.B) <= slack;
    }
  }
}

HStatus statusOf(EngineStatus status) {
  switch (status) {
    case EngineStatus::Done:
      return HStatus::Done;
    case EngineStatus::Interrupted:
      return HStatus::Interrupted;
    case EngineStatus::Failed:
      break;
  }
  return HStatus::EngineFailed;
}

// 1/x, or 1 for x = 0.
double inverseOr1(double x) { return x > 0 ? 1 / x : 1; }

}  // namespace

HStatus hmatrixBuild(std::shared_ptr<const BoundaryMesh> meshPointer, HKind kind,
                     const HMatrixOptions& options, std::unique_ptr<HMatrix>* out,
                     std::string* message) {
  const BoundaryMesh& mesh = *meshPointer;
  if (!(options.tol > 0 && options.tol < 1)) return HStatus::Tolerance;
  // The nodes of the elements, finite; a positive length somewhere; the
  // diameter of the mesh (at most the diagonal of its bounding box).
  double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
  bool anyLength = false;
  for (std::ptrdiff_t j = 0; j < mesh.elementCount; ++j) {
    const Segment& s = mesh.segments[j];
    for (const double* q : {s.A, s.B}) {
      if (!std::isfinite(q[0]) || !std::isfinite(q[1])) return HStatus::NotFinite;
      for (int k = 0; k < 2; ++k) {
        lo[k] = std::fmin(lo[k], q[k]);
        hi[k] = std::fmax(hi[k], q[k]);
      }
    }
    anyLength = anyLength || s.L > 0;
  }
  if (!anyLength) return HStatus::NoLength;
  // Lengths in the caller's units: a mesh far from the unit of length is
  // stored scaled by 2^scaleExponent (mesh.h), while the entries come at the
  // caller's scale.
  const int scale = mesh.scaleExponent;
  const double diameter = std::ldexp(std::hypot(hi[0] - lo[0], hi[1] - lo[1]), scale);

  if (pollInterrupt(options.run)) return HStatus::Interrupted;
  auto h = std::make_unique<HMatrix>();
  h->mesh = std::move(meshPointer);
  h->kind = kind;
  h->tol = options.tol;
  h->eta = options.eta;
  const std::ptrdiff_t nE = mesh.elementCount, nC = mesh.nodeCount;
  const bool byElement[2] = {kind != HKind::Hypersingular, kind == HKind::SingleLayer};
  h->rows = byElement[0] ? nE : nC;
  h->cols = byElement[1] ? nE : nC;

  std::vector<double> support(static_cast<size_t>(nC), 0.0);  // m_p = int psi_p
  for (std::ptrdiff_t j = 0; j < nE; ++j) {
    const double half = std::ldexp(0.5 * mesh.length[j], scale);
    support[static_cast<size_t>(mesh.start[j])] += half;
    support[static_cast<size_t>(mesh.end[j])] += half;
  }
  Entries e;
  e.h = h.get();
  e.tile.threads = 1;
  e.tile.lanes = options.run.lanes;
  switch (kind) {
    case HKind::SingleLayer:
      for (std::ptrdiff_t j = 0; j < nE; ++j) {
        h->rowScale.push_back(inverseOr1(std::ldexp(mesh.length[j], scale)));
      }
      h->colScale = h->rowScale;
      h->positiveDefinite = diameter < 1;
      for (std::ptrdiff_t j = 0; j < nE; ++j) {
        if (!(mesh.length[j] > 0)) h->zero.push_back(j);
      }
      break;
    case HKind::DoubleLayer:
      for (std::ptrdiff_t j = 0; j < nE; ++j) {
        h->rowScale.push_back(inverseOr1(std::ldexp(mesh.length[j], scale)));
      }
      for (std::ptrdiff_t p = 0; p < nC; ++p) h->colScale.push_back(inverseOr1(support[p]));
      break;
    case HKind::Hypersingular:
      for (std::ptrdiff_t p = 0; p < nC; ++p) {
        h->rowScale.push_back(support[p] > 0 ? std::sqrt(support[p]) : 1.0);
        if (!(support[p] > 0)) h->zero.push_back(p);
      }
      h->colScale = h->rowScale;
      h->m = support;
      h->positiveDefinite = true;
      break;
  }
  if (!h->zero.empty()) {
    e.isZero.assign(static_cast<size_t>(h->rows), 0);
    for (std::ptrdiff_t z : h->zero) e.isZero[static_cast<size_t>(z)] = 1;
  }

  if (pollInterrupt(options.run)) return HStatus::Interrupted;
  // The nodes as the engine's points: a node that no element uses may be
  // anything, and is put where a used one lies.
  std::vector<double> points(2 * static_cast<size_t>(nC));
  for (std::ptrdiff_t p = 0; p < nC; ++p) {
    const bool used = mesh.nodeFirst[p] < mesh.nodeFirst[p + 1];
    points[2 * p] = used ? mesh.nodeX[p] : mesh.segments[0].A[0];
    points[2 * p + 1] = used ? mesh.nodeY[p] : mesh.segments[0].A[1];
  }
  const Spans rowSpans = byElement[0] ? elementSpans(mesh) : nodeSpans(mesh);
  const Spans colSpans = byElement[1] ? elementSpans(mesh) : nodeSpans(mesh);
  if (pollInterrupt(options.run)) return HStatus::Interrupted;
  // (V and W: the rows' spans are the columns'.)
  const std::ptrdiff_t mostEqual =
      byElement[0] == byElement[1]
          ? mostEqualSpans(rowSpans, points)
          : std::max(mostEqualSpans(rowSpans, points), mostEqualSpans(colSpans, points));
  if (mostEqual > kHmatrixMostCoincident) {
    return HStatus::Coincident;
  }
  if (pollInterrupt(options.run)) return HStatus::Interrupted;
  EngineSetup setup;
  setup.rows = h->rows;
  setup.cols = h->cols;
  setup.points = points.data();
  setup.pointCount = nC;
  setup.rowSpans = rowSpans.points.data();
  setup.rowSpanEnd = rowSpans.end.data();
  setup.colSpans = colSpans.points.data();
  setup.colSpanEnd = colSpans.end.data();
  setup.symmetric = kind != HKind::DoubleLayer;
  setup.tol = options.tol;
  setup.entries = entries;
  setup.context = &e;
  if (kind == HKind::DoubleLayer) setup.zeros = zerosOfK;
  setup.progress = options.progress;
  setup.run = options.run;
  setup.leftovers = options.leftovers;
  const HStatus status = statusOf(engineBuild(setup, &h->matrix, message));
  if (status != HStatus::Done) return status;
  *out = std::move(h);
  return HStatus::Done;
}

HStatus hmatrixApply(HMatrix& h, bool transposed, const double* x, double* y, std::ptrdiff_t nrhs,
                     std::string* message) {
  // op(A) x = Dr^-1 op(S) Dc^-1 x - P x - m (m'x), with the scales swapped for
  // the transpose.
  const std::vector<double>& in = transposed ? h.rowScale : h.colScale;
  const std::vector<double>& outScale = transposed ? h.colScale : h.rowScale;
  const std::ptrdiff_t nx = static_cast<std::ptrdiff_t>(in.size());
  const std::ptrdiff_t ny = static_cast<std::ptrdiff_t>(outScale.size());
  std::vector<double> scaled(static_cast<size_t>(nx * nrhs));
  for (std::ptrdiff_t c = 0; c < nrhs; ++c) {
    for (std::ptrdiff_t i = 0; i < nx; ++i) scaled[i + c * nx] = x[i + c * nx] / in[i];
  }
  {
    std::lock_guard<std::mutex> lock(h.factorMutex);
    if (engineApply(h.matrix, transposed, scaled.data(), y, nrhs, message) != EngineStatus::Done) {
      return HStatus::EngineFailed;
    }
  }
  for (std::ptrdiff_t c = 0; c < nrhs; ++c) {
    const double* xc = x + c * nx;
    double* yc = y + c * ny;
    for (std::ptrdiff_t i = 0; i < ny; ++i) yc[i] /= outScale[i];
    for (std::ptrdiff_t z : h.zero) yc[z] -= xc[z];
    if (!h.m.empty()) {
      double mx = 0;
      for (std::ptrdiff_t i = 0; i < nx; ++i) mx += h.m[i] * xc[i];
      for (std::ptrdiff_t i = 0; i < ny; ++i) yc[i] -= h.m[i] * mx;
    }
  }
  return HStatus::Done;
}

HStatus hmatrixSolve(HMatrix& h, double* b, std::ptrdiff_t nrhs, const HMatrixOptions& options,
                     std::string* message) {
  if (h.kind == HKind::DoubleLayer) return HStatus::NoSolve;
  std::lock_guard<std::mutex> lock(h.factorMutex);
  if (h.factor == nullptr) {
    EngineSetup setup;
    setup.run = options.run;
    setup.progress = options.progress;
    setup.leftovers = options.leftovers;
    const HStatus status =
        statusOf(engineFactorize(h.matrix, h.positiveDefinite, setup, &h.factor, message));
    if (status != HStatus::Done) return status;
  }
  // (A + P + m m') x = b with A + P + m m' = Dr^-1 S Dc^-1: x = Dc S^-1 Dr b.
  const std::ptrdiff_t n = h.rows;
  for (std::ptrdiff_t c = 0; c < nrhs; ++c) {
    for (std::ptrdiff_t i = 0; i < n; ++i) b[i + c * n] *= h.rowScale[i];
  }
  if (engineSolve(h.factor, b, nrhs, message) != EngineStatus::Done) return HStatus::EngineFailed;
  for (std::ptrdiff_t c = 0; c < nrhs; ++c) {
    for (std::ptrdiff_t i = 0; i < n; ++i) b[i + c * n] *= h.colScale[i];
  }
  return HStatus::Done;
}

std::size_t hmatrixBytes(HMatrix& h) {
  std::lock_guard<std::mutex> lock(h.factorMutex);
  std::size_t bytes = engineBytes(h.matrix) + (h.factor != nullptr ? engineBytes(h.factor) : 0);
  bytes += sizeof(double) * (h.rowScale.size() + h.colScale.size() + h.m.size());
  return bytes + sizeof(std::ptrdiff_t) * h.zero.size();
}

// ---- the steps left running by an interrupt ------------------------------------

void engineLeave(EngineLeftovers* leftovers, std::thread thread,
                 std::shared_ptr<std::atomic<bool>> ended) {
  std::lock_guard<std::mutex> lock(leftovers->mutex);
  auto& threads = leftovers->threads;
  for (auto it = threads.begin(); it != threads.end();) {
    if (it->second->load()) {
      it->first.join();
      it = threads.erase(it);
    } else {
      ++it;
    }
  }
  threads.emplace_back(std::move(thread), std::move(ended));
}

void engineJoinLeftovers(EngineLeftovers* leftovers) {
  std::vector<std::pair<std::thread, std::shared_ptr<std::atomic<bool>>>> threads;
  {
    std::lock_guard<std::mutex> lock(leftovers->mutex);
    threads.swap(leftovers->threads);
  }
  for (auto& t : threads) t.first.join();
}

EngineLeftovers::~EngineLeftovers() { engineJoinLeftovers(this); }
