// Cost of the Newton potential kernel per point-triangle pair.
#include <benchmark/benchmark.h>

#include <vector>

#include "domfield.h"

namespace {

// The unit square cut into m x m cells of two triangles each, and nx points
// on a line that crosses it (inside and outside the triangles).
void BM_domfieldKernel(benchmark::State& state) {
  const int m = 20, nV = (m + 1) * (m + 1), nT = 2 * m * m, nx = 200;
  std::vector<double> vertices(2 * static_cast<size_t>(nV));
  for (int j = 0; j <= m; ++j) {
    for (int i = 0; i <= m; ++i) {
      const int v = i + j * (m + 1);
      vertices[v] = static_cast<double>(i) / m;
      vertices[v + nV] = static_cast<double>(j) / m;
    }
  }
  std::vector<double> volumes(3 * static_cast<size_t>(nT));
  int t = 0;
  for (int j = 0; j < m; ++j) {
    for (int i = 0; i < m; ++i) {
      const double a = i + j * (m + 1) + 1, b = a + 1, c = a + m + 2, d = a + m + 1;
      const double tri[2][3] = {{a, b, c}, {a, c, d}};
      for (const auto& corners : tri) {
        for (int k = 0; k < 3; ++k) volumes[t + k * static_cast<size_t>(nT)] = corners[k];
        ++t;
      }
    }
  }
  std::vector<double> f(static_cast<size_t>(nT), 1.0), x(2 * static_cast<size_t>(nx));
  for (int i = 0; i < nx; ++i) {
    x[i] = -1 + 3.0 * i / nx;
    x[i + nx] = 0.37;
  }
  std::vector<double> out(static_cast<size_t>(nx));
  for (auto _ : state) {
    domfieldKernel(out.data(), vertices.data(), volumes.data(), f.data(), x.data(), nV, nT, nx);
    benchmark::DoNotOptimize(out.data());
  }
  const double pairs = static_cast<double>(nT) * nx;
  state.counters["per_pair"] = benchmark::Counter(
      pairs * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_domfieldKernel)->Unit(benchmark::kMillisecond);

// One triangle integral (two closed-form edges and 16 arctangent terms).
void BM_triangleLogIntegral(benchmark::State& state) {
  const double P1[2] = {0.1, 0.2}, P2[2] = {1.3, 0.1}, P3[2] = {0.4, 1.1};
  double x[2] = {2.6, 2.4};
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(triangleLogIntegral(P1, P2, P3, x));
  }
}
BENCHMARK(BM_triangleLogIntegral);

}  // namespace
