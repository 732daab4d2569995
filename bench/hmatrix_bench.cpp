// The compressed operators at scale: V of a circle of radius 0.45 and of an
// L-shape graded toward its re-entrant corner (smallest element about
// 1e-16), from 2,000 to 1,000,000 elements (W of the same meshes with
// `hyp`): build, memory, product, factorisation and solve, their errors
// against the dense matrix (to 20,000 elements) or against rows of the
// matrix from its tiles (beyond), and the dense path (the module, then
// LAPACK's Cholesky) beside it where it fits, in the same run. Figures only.
//
//   build/bench/bem2d_hmatrix_bench [largest] [hyp]
//     largest: the largest nE (default 100000; 1000000 takes some minutes)
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bem2d.h"
#include "bench_meshes.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

struct Mesh {
  std::string name;
  std::vector<double> coordinates, elements;  // column-major, 1-based
  int n = 0;
};

// The circle of radius 0.45 in n elements.
Mesh circle(int n) {
  Mesh m;
  m.name = "circle";
  m.n = n;
  circlePolygon(n, 0.45, m.coordinates, m.elements);
  return m;
}

// The L-shape [-1, 1]^2 without [0, 1] x [-1, 0], scaled by 0.3 (diameter
// 0.85), about n elements: uniform but for the two sides at the re-entrant
// corner, each graded 40 times by 1/2 toward it.
Mesh gradedL(int n) {
  const double corners[6][2] = {{-1, -1}, {0, -1}, {0, 0}, {1, 0}, {1, 1}, {-1, 1}};
  const int levels = 40, per = (n - 2 * levels) / 8;  // sides of length 2 get 2 per
  std::vector<double> xs, ys;
  for (int k = 0; k < 6; ++k) {
    const double* a = corners[k];
    const double* b = corners[(k + 1) % 6];
    const int m = (std::fabs(b[0] - a[0]) + std::fabs(b[1] - a[1])) > 1.5 ? 2 * per : per;
    std::vector<double> t;
    for (int i = 0; i < m; ++i) t.push_back(static_cast<double>(i) / m);
    if (k == 2) {
      for (int l = levels; l >= 1; --l) t.push_back(std::ldexp(1.0, -l) / m);
    }
    if (k == 1) {
      for (int l = 1; l <= levels; ++l) t.push_back(1 - std::ldexp(1.0, -l) / m);
    }
    std::sort(t.begin(), t.end());
    for (double s : t) {
      xs.push_back(0.3 * (a[0] + s * (b[0] - a[0])));
      ys.push_back(0.3 * (a[1] + s * (b[1] - a[1])));
    }
  }
  Mesh L;
  L.name = "graded L";
  L.n = static_cast<int>(xs.size());
  L.coordinates = xs;
  L.coordinates.insert(L.coordinates.end(), ys.begin(), ys.end());
  L.elements.resize(2 * static_cast<size_t>(L.n));
  for (int k = 0; k < L.n; ++k) {
    L.elements[k] = k + 1;
    L.elements[k + L.n] = (k + 1) % L.n + 1;
  }
  return L;
}

// LAPACK's Cholesky, from the BLAS the process runs on (OpenBLAS where it is
// installed), looked up at run time so that the benchmark builds without the
// LAPACK headers.
using Potrf = void (*)(const char*, const int*, double*, const int*, int*);
Potrf lapackCholesky() {
  void* lib = dlopen("liblapack.so.3", RTLD_NOW | RTLD_GLOBAL);
  return lib != nullptr ? reinterpret_cast<Potrf>(dlsym(lib, "dpotrf_")) : nullptr;
}

double norm(const std::vector<double>& v) {
  double s = 0;
  for (double x : v) s += x * x;
  return std::sqrt(s);
}

void row(const Mesh& m, HKind kind, bool dense, Potrf potrf) {
  const bem2d::Indices e = {m.elements.data(), bem2d::IndexType::Float64, m.n, 1, m.n, 1};
  auto mesh = std::make_shared<const bem2d::PreparedMesh>(
      bem2d::Mesh{columnMajor(m.coordinates.data(), m.n), e});
  const std::ptrdiff_t n = kind == HKind::Hypersingular ? mesh->mesh.nodeCount : m.n;
  HMatrixOptions o;
  o.tol = 1e-10;
  std::unique_ptr<HMatrix> h;
  std::string message;
  auto t = Clock::now();
  if (bem2d::hmatrix(kind, mesh, o, &h, &message) != HStatus::Done) {
    std::printf("%s: the build failed: %s\n", m.name.c_str(), message.c_str());
    return;
  }
  const double build = since(t);
  const double bytes = static_cast<double>(hmatrixBytes(*h));
  std::vector<double> x(n), y(n);
  for (std::ptrdiff_t i = 0; i < n; ++i) x[i] = std::cos(7.0 * i / n) + 0.3 * std::sin(i);
  t = Clock::now();
  hmatrixApply(*h, false, x.data(), y.data(), 1, &message);
  const double apply = since(t);
  // A Galerkin load: entries of the size of their basis function's support.
  std::vector<double> b(n), sol;
  for (std::ptrdiff_t i = 0; i < n; ++i) {
    const double size = kind == HKind::Hypersingular ? h->m[i] : mesh->mesh.length[i];
    b[i] = size * std::cos(3.0 * i / n);
  }
  if (kind == HKind::Hypersingular) {
    double mean = 0;
    for (double v : b) mean += v / n;
    for (double& v : b) v -= mean;
  }
  sol = b;
  t = Clock::now();
  hmatrixSolve(*h, sol.data(), 1, o, &message);
  const double factorSolve = since(t);
  std::vector<double> again = b;
  t = Clock::now();
  hmatrixSolve(*h, again.data(), 1, o, &message);
  const double solve = since(t);
  const double factor = factorSolve - solve;
  const double factorBytes = static_cast<double>(hmatrixBytes(*h)) - bytes;

  // Errors: against the dense matrix, or against rows of it from tiles.
  double applyError = 0, worstRow = 0, residual = NAN, denseBuild = NAN, denseCholesky = NAN;
  if (dense) {
    std::vector<double> A(static_cast<size_t>(n) * n);
    t = Clock::now();
    if (kind == HKind::SingleLayer) bem2d::slpmatrix(*mesh, 0.5, A.data());
    if (kind == HKind::Hypersingular) bem2d::hypmatrix(*mesh, 0.5, A.data());
    denseBuild = since(t);
    std::vector<double> Ax(n, 0.0), Asol(n, 0.0), size(n, 0.0);
    for (std::ptrdiff_t j = 0; j < n; ++j) {
      for (std::ptrdiff_t i = 0; i < n; ++i) {
        const double a = A[i + j * n];
        Ax[i] += a * x[j];
        Asol[i] += a * sol[j];
        size[i] += std::fabs(a * x[j]) + (h->m.empty() ? 0.0 : std::fabs(h->m[i] * h->m[j] * x[j]));
      }
    }
    std::vector<double> d(n), r(n);
    for (std::ptrdiff_t i = 0; i < n; ++i) {
      d[i] = y[i] - Ax[i];
      r[i] = Asol[i] - b[i];
      worstRow = std::max(worstRow, std::fabs(d[i]) / size[i]);
    }
    applyError = norm(d) / norm(Ax);
    residual = norm(r) / norm(b);
    if (potrf != nullptr && kind == HKind::SingleLayer) {
      const int ni = static_cast<int>(n);
      int info = 0;
      t = Clock::now();
      potrf("L", &ni, A.data(), &ni, &info);
      denseCholesky = since(t);
    }
  } else {
    // Twenty rows of the dense matrix from its tiles.
    std::vector<std::int64_t> cols(n);
    for (std::ptrdiff_t j = 0; j < n; ++j) cols[j] = j;
    std::vector<double> r(n);
    for (int k = 0; k < 20; ++k) {
      const std::int64_t i = (static_cast<std::int64_t>(k) * 7919 + 13) % n;
      if (kind == HKind::SingleLayer) bem2d::slpmatrixTile(*mesh, 0.5, &i, 1, cols.data(), n, r.data(), 1);
      if (kind == HKind::Hypersingular) bem2d::hypmatrixTile(*mesh, 0.5, &i, 1, cols.data(), n, r.data(), 1);
      double exact = 0, size = 0;
      for (std::ptrdiff_t j = 0; j < n; ++j) {
        exact += r[j] * x[j];
        size += std::fabs(r[j] * x[j]) + (h->m.empty() ? 0.0 : std::fabs(h->m[i] * h->m[j] * x[j]));
      }
      worstRow = std::max(worstRow, std::fabs(y[i] - exact) / size);
    }
    applyError = NAN;
  }
  std::printf("%-9s %8td %8.2f %8.0f %6.2f %7.3f %8.2f %7.0f %7.3f %9.1e %9.1e %9.1e %8.2f %8.2f\n",
              m.name.c_str(), n, build, bytes / 1e6, 100 * bytes / (8.0 * n * n), apply, factor,
              factorBytes / 1e6, solve, applyError, worstRow, residual, denseBuild, denseCholesky);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const long largest = argc > 1 ? std::atol(argv[1]) : 100000;
  const HKind kind = argc > 2 && std::strcmp(argv[2], "hyp") == 0 ? HKind::Hypersingular
                                                                  : HKind::SingleLayer;
  if (!bem2d::compressedOperatorsBuilt()) {
    std::printf("this build has no compressed operators\n");
    return 0;
  }
  const Potrf potrf = lapackCholesky();
  std::printf("bem2d hmatrix: %s of %s, tol 1e-10, %u cores, %d threads; dense Cholesky: %s\n",
              kind == HKind::SingleLayer ? "V" : "W", bem2d::compressionEngine(),
              std::thread::hardware_concurrency(), threadCount(),
              potrf != nullptr ? "LAPACK dpotrf (the process's BLAS)" : "not found");
  std::printf("(seconds, MB; %% of the dense matrix; errors relative: product in the 2-norm,\n"
              " worst row against |S||x|, solve residual with the dense matrix; rows from tiles\n"
              " beyond 20000)\n");
  std::printf("%-9s %8s %8s %8s %6s %7s %8s %7s %7s %9s %9s %9s %8s %8s\n", "mesh", "n", "build",
              "memory", "%", "apply", "factor", "factMB", "solve", "apply err", "worst row",
              "residual", "dense", "chol");
  for (long n : {2000L, 5000L, 20000L, 100000L, 1000000L}) {
    if (n > largest) break;
    for (const Mesh& m : {circle(static_cast<int>(n)), gradedL(static_cast<int>(n))}) {
      row(m, kind, n <= 20000, potrf);
    }
  }
  return 0;
}
