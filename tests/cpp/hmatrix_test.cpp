// The compressed operators against the dense matrices: products (A x and
// A'x) and solves on a smooth and on a graded mesh and on a slit, the
// stabilised W, the same matrix for any number of threads, bad input, and an
// interrupt during a build and a factorisation.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "bem2d.h"
#include "polygon_mesh.h"

namespace {

// A polygon through the given corners, counter-clockwise, each side cut into
// `per` elements graded geometrically by 1/2 toward the corners listed in
// `graded` (levels cuts), uniformly elsewhere; the coordinates scaled by
// `scale`.
PolygonMesh polygonThrough(const std::vector<std::array<double, 2>>& corners,
                           const std::vector<int>& graded, int per, int levels, double scale) {
  std::vector<double> xs, ys;
  const int n = static_cast<int>(corners.size());
  for (int k = 0; k < n; ++k) {
    const auto& a = corners[k];
    const auto& b = corners[(k + 1) % n];
    const bool toA = std::count(graded.begin(), graded.end(), k) > 0;
    const bool toB = std::count(graded.begin(), graded.end(), (k + 1) % n) > 0;
    std::vector<double> t;
    for (int i = 0; i < per; ++i) t.push_back(static_cast<double>(i) / per);
    if (toA) for (int l = levels; l >= 1; --l) t.push_back(std::ldexp(1.0, -l) / per);
    if (toB) for (int l = 1; l <= levels; ++l) t.push_back(1 - std::ldexp(1.0, -l) / per);
    std::sort(t.begin(), t.end());
    for (double s : t) {
      xs.push_back(scale * (a[0] + s * (b[0] - a[0])));
      ys.push_back(scale * (a[1] + s * (b[1] - a[1])));
    }
  }
  PolygonMesh m;
  m.nC = m.nE = static_cast<int>(xs.size());
  m.coordinates = xs;
  m.coordinates.insert(m.coordinates.end(), ys.begin(), ys.end());
  for (int c = 0; c < 2; ++c) {
    for (int k = 0; k < m.nE; ++k) m.elements.push_back((k + c) % m.nE + 1);
  }
  return m;
}

// The L-shape [-1, 1]^2 without [0, 1] x [-1, 0], graded 30 times toward its
// re-entrant corner, scaled to a diameter below 1.
PolygonMesh gradedL() {
  return polygonThrough({{-1, -1}, {0, -1}, {0, 0}, {1, 0}, {1, 1}, {-1, 1}}, {2}, 200, 30, 0.3);
}

std::shared_ptr<const bem2d::PreparedMesh> shared(const PolygonMesh& m) {
  return std::make_shared<const bem2d::PreparedMesh>(prepared(m));
}

struct Dense {
  int rows, cols;
  std::vector<double> A;
};

Dense dense(HKind kind, const bem2d::PreparedMesh& mesh, const PolygonMesh& m) {
  Dense d;
  d.rows = kind == HKind::Hypersingular ? m.nC : m.nE;
  d.cols = kind == HKind::SingleLayer ? m.nE : m.nC;
  d.A.assign(static_cast<size_t>(d.rows) * d.cols, 0);
  if (kind == HKind::SingleLayer) bem2d::slpmatrix(mesh, 0.5, d.A.data());
  if (kind == HKind::DoubleLayer) bem2d::dlpmatrix(mesh, 0.5, d.A.data());
  if (kind == HKind::Hypersingular) bem2d::hypmatrix(mesh, 0.5, d.A.data());
  return d;
}

std::unique_ptr<HMatrix> build(HKind kind, std::shared_ptr<const bem2d::PreparedMesh> mesh,
                               double tol, int threads = 0) {
  HMatrixOptions o;
  o.tol = tol;
  o.run.threads = threads;
  std::unique_ptr<HMatrix> h;
  std::string message;
  EXPECT_EQ(bem2d::hmatrix(kind, std::move(mesh), o, &h, &message), HStatus::Done) << message;
  return h;
}

// A smooth vector with an oscillating part, of n entries.
std::vector<double> probe(std::ptrdiff_t n, double phase) {
  std::vector<double> x(static_cast<size_t>(n));
  for (std::ptrdiff_t i = 0; i < n; ++i) x[i] = std::cos(7.0 * i / n + phase) + 0.3 * std::sin(i + phase);
  return x;
}

// Products of H (and H') against the dense matrix. hmat-oss compresses every
// block to the relative tolerance tol in the Frobenius norm, and the errors of
// the blocks of a row add up over its few admissible blocks: the product
// errs by a small multiple of tol against |S| |x|, S the stored matrix (A, and
// W + m m' for W), row by row (the bound checked, 100 tol, and 10 tol for the
// whole product in the 2-norm).
void checkProducts(const HMatrix& hc, const Dense& d, double tol, const char* what) {
  HMatrix& h = const_cast<HMatrix&>(hc);
  for (bool transposed : {false, true}) {
    const int nx = transposed ? d.rows : d.cols, ny = transposed ? d.cols : d.rows;
    const std::vector<double> x = probe(nx, transposed ? 1 : 0);
    std::vector<double> y(ny);
    std::string message;
    ASSERT_EQ(hmatrixApply(h, transposed, x.data(), y.data(), 1, &message), HStatus::Done);
    double err2 = 0, ref2 = 0, worst = 0;
    for (int i = 0; i < ny; ++i) {
      double exact = 0, size = 0;
      for (int j = 0; j < nx; ++j) {
        const double a = transposed ? d.A[j + static_cast<size_t>(i) * d.rows]
                                    : d.A[i + static_cast<size_t>(j) * d.rows];
        exact += a * x[j];
        const double stored = hc.m.empty() ? a : a + hc.m[i] * hc.m[j];
        size += std::fabs(stored * x[j]);
      }
      err2 += (y[i] - exact) * (y[i] - exact);
      ref2 += exact * exact;
      worst = std::max(worst, std::fabs(y[i] - exact) / size);
    }
    EXPECT_LE(std::sqrt(err2 / ref2), 10 * tol) << what << " transposed " << transposed;
    EXPECT_LE(worst, 100 * tol) << what << " transposed " << transposed;
  }
}

// A build without the engine says so at every build; the other tests need it.
class Hmatrix : public ::testing::Test {
 protected:
  void SetUp() override {
    if (bem2d::compressedOperatorsBuilt()) return;
    std::unique_ptr<HMatrix> h;
    std::string message;
    EXPECT_EQ(bem2d::hmatrix(HKind::SingleLayer, shared(polygonMesh(100, 0.4)), HMatrixOptions(),
                             &h, &message),
              HStatus::EngineFailed);
    EXPECT_NE(message.find("no compressed operators"), std::string::npos) << message;
    GTEST_SKIP() << "this build has no compressed operators";
  }
};

TEST_F(Hmatrix, ProductsAgainstTheDenseMatrices) {
  const PolygonMesh circle = polygonMesh(1500, 0.45, 0.05);
  const PolygonMesh L = gradedL();
  for (const PolygonMesh* m : {&circle, &L}) {
    const auto mesh = shared(*m);
    for (HKind kind : {HKind::SingleLayer, HKind::DoubleLayer, HKind::Hypersingular}) {
      for (double tol : {1e-10, 1e-6}) {
        const auto h = build(kind, mesh, tol);
        checkProducts(*h, dense(kind, *mesh, *m), tol, m == &L ? "graded L" : "circle");
        // Compressed: less memory than the dense matrix.
        EXPECT_LT(hmatrixBytes(*h), sizeof(double) * h->rows * h->cols);
      }
    }
  }
}

// Solves against the dense matrix, with a right-hand side as a Galerkin
// load vector has it (entries of the size of the basis function's support):
// the residual with the dense matrix is within a few tol of b, since the
// factorisation of the stored matrix is backward stable to tol in the scaled
// norm. W on a closed boundary: for b orthogonal to the constants the
// stabilised solve gives W x = b with int x = 0. V on a mesh of diameter
// above 1 is indefinite and factorised by LDL' without pivoting, whose
// factors may grow: there the residual is within 1000 tol.
TEST_F(Hmatrix, SolvesAgainstTheDenseMatrices) {
  const double tol = 1e-10;
  struct Case {
    PolygonMesh m;
    HKind kind;
    double bound;
  };
  const Case cases[] = {{polygonMesh(1200, 0.45, 0.05), HKind::SingleLayer, 10 * tol},
                        {gradedL(), HKind::SingleLayer, 10 * tol},
                        {polygonMesh(1200, 1.5, 0.05), HKind::SingleLayer, 1000 * tol},
                        {polygonMesh(1200, 0.45, 0.05), HKind::Hypersingular, 10 * tol},
                        {gradedL(), HKind::Hypersingular, 10 * tol}};
  for (const Case& c : cases) {
    const auto mesh = shared(c.m);
    const auto h = build(c.kind, mesh, tol);
    const Dense d = dense(c.kind, *mesh, c.m);
    std::vector<double> b = probe(d.rows, 2);
    double mean = 0;
    for (int i = 0; i < d.rows; ++i) {
      b[i] *= c.kind == HKind::SingleLayer ? mesh->mesh.length[i] : h->m[i];
      mean += b[i] / d.rows;
    }
    for (double& v : b) v -= c.kind == HKind::Hypersingular ? mean : 0.0;
    std::vector<double> x = b;
    std::string message;
    ASSERT_EQ(hmatrixSolve(*h, x.data(), 1, HMatrixOptions(), &message), HStatus::Done) << message;
    double r2 = 0, b2 = 0, mx = 0, xn = 0;
    for (int i = 0; i < d.rows; ++i) {
      double Ax = 0;
      for (int j = 0; j < d.cols; ++j) Ax += d.A[i + static_cast<size_t>(j) * d.rows] * x[j];
      r2 += (Ax - b[i]) * (Ax - b[i]);
      b2 += b[i] * b[i];
      if (c.kind == HKind::Hypersingular) {
        mx += h->m[i] * x[i];
        xn += std::fabs(h->m[i] * x[i]);
      }
    }
    EXPECT_LE(std::sqrt(r2 / b2), c.bound) << c.m.nE << " " << static_cast<int>(c.kind);
    EXPECT_LE(std::fabs(mx), 1e-9 * xn) << "int x = 0";
  }
}

// A slit (two sides that share their node positions and midpoints) builds and
// multiplies as accurately; the matrix does not depend on the threads.
TEST_F(Hmatrix, SlitAndThreads) {
  PolygonMesh m = polygonMesh(600, 0.4, 0.0);
  // Replace the polygon by the two sides of the slit from (-0.4, 0) to (0.4, 0).
  const int n = 600, half = n / 2;
  for (int k = 0; k < n; ++k) {
    const double s = k < half ? static_cast<double>(k) / half : static_cast<double>(n - k) / half;
    m.coordinates[k] = -0.4 + 0.8 * s;
    m.coordinates[k + n] = 0;
  }
  const auto mesh = shared(m);
  for (HKind kind : {HKind::SingleLayer, HKind::Hypersingular}) {
    const auto one = build(kind, mesh, 1e-10, 1), two = build(kind, mesh, 1e-10, 2);
    checkProducts(*one, dense(kind, *mesh, m), 1e-10, "slit");
    const std::vector<double> x = probe(one->cols, 0);
    std::vector<double> y1(one->rows), y2(one->rows);
    std::string message;
    hmatrixApply(*one, false, x.data(), y1.data(), 1, &message);
    hmatrixApply(*two, false, x.data(), y2.data(), 1, &message);
    EXPECT_EQ(y1, y2);
  }
}

TEST_F(Hmatrix, BadInputAndInterrupts) {
  const PolygonMesh circle = polygonMesh(800, 0.45, 0.05);
  const auto mesh = shared(circle);
  std::unique_ptr<HMatrix> h;
  std::string message;
  for (double tol : {0.0, -1e-10, 1.0, std::nan("")}) {
    HMatrixOptions o;
    o.tol = tol;
    EXPECT_EQ(bem2d::hmatrix(HKind::SingleLayer, mesh, o, &h, &message), HStatus::Tolerance) << tol;
  }
  PolygonMesh bad = circle;
  bad.coordinates[5] = std::nan("");
  EXPECT_EQ(bem2d::hmatrix(HKind::SingleLayer, shared(bad), HMatrixOptions(), &h, &message),
            HStatus::NotFinite);
  PolygonMesh point = circle;
  std::fill(point.coordinates.begin(), point.coordinates.end(), 0.25);
  EXPECT_EQ(bem2d::hmatrix(HKind::Hypersingular, shared(point), HMatrixOptions(), &h, &message),
            HStatus::NoLength);
  // An interrupt after some blocks stops the build; one during the
  // factorisation leaves the matrix as it was for products. The engine
  // (hmat-oss) is stopped by an exception through its assembly and leaks the
  // block it was filling, so under LeakSanitizer the stopped build runs on
  // the calling thread alone, whose allocations meanwhile are not counted.
  struct Count {
    int left;
  };
  Count count = {3};
  HMatrixOptions o;
  o.run.interrupted = [](void* c) { return --static_cast<Count*>(c)->left < 0; };
  o.run.interruptContext = &count;
#if defined(__SANITIZE_ADDRESS__)
  o.run.threads = 1;
  __lsan_disable();
#endif
  EXPECT_EQ(bem2d::hmatrix(HKind::SingleLayer, mesh, o, &h, &message), HStatus::Interrupted);
#if defined(__SANITIZE_ADDRESS__)
  __lsan_enable();
#endif
  h = build(HKind::SingleLayer, mesh, 1e-10);
  std::vector<double> x = probe(h->rows, 0), before(h->rows), after(h->rows);
  hmatrixApply(*h, false, x.data(), before.data(), 1, &message);
  count.left = 2;
  EXPECT_EQ(hmatrixSolve(*h, x.data(), 1, o, &message), HStatus::Interrupted);
  hmatrixApply(*h, false, probe(h->rows, 0).data(), after.data(), 1, &message);
  EXPECT_EQ(after, before);
  const auto k = build(HKind::DoubleLayer, mesh, 1e-10);
  EXPECT_EQ(hmatrixSolve(*k, x.data(), 1, HMatrixOptions(), &message), HStatus::NoSolve);
}

}  // namespace
