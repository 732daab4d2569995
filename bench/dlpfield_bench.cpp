// Cost of the double-layer potential kernel per point-element pair.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "dlpfield.h"

namespace {

// Circle polygon of n elements and radius 1, counter-clockwise.
void circle(int n, std::vector<double>& coordinates, std::vector<double>& elements) {
  coordinates.assign(2 * static_cast<size_t>(n), 0);
  elements.assign(2 * static_cast<size_t>(n), 0);
  for (int k = 0; k < n; ++k) {
    const double t = 2 * M_PI * k / n;
    coordinates[k] = std::cos(t);
    coordinates[k + n] = std::sin(t);
    elements[k] = k + 1;
    elements[k + n] = (k + 1) % n + 1;
  }
}

// state.range(0): 0 = points on the circle of radius 3 (16-point rule on every
// pair with eta = 0.5), 1 = points on the circle of radius 0.5 with eta = 0
// (closed form on every pair).
void BM_dlpfieldKernel(benchmark::State& state) {
  const bool closedForm = state.range(0) == 1;
  const int nE = 400, nx = 400;
  std::vector<double> coordinates, elements;
  circle(nE, coordinates, elements);
  const double radius = closedForm ? 0.5 : 3.0;
  std::vector<double> x(2 * static_cast<size_t>(nx)), gh(nE), out(nx);
  for (int i = 0; i < nx; ++i) {
    const double t = 2 * M_PI * (i + 0.5) / nx;
    x[i] = radius * std::cos(t);
    x[i + nx] = radius * std::sin(t);
  }
  for (int k = 0; k < nE; ++k) gh[k] = coordinates[k];  // a linear density
  const double eta = closedForm ? 0.0 : 0.5;
  for (auto _ : state) {
    dlpfieldKernel(out.data(), nE, nE, nx, coordinates.data(), elements.data(), gh.data(), x.data(),
                   eta);
    benchmark::DoNotOptimize(out.data());
  }
  const double pairs = static_cast<double>(nE) * nx;
  // Seconds per point-element pair, printed with an SI prefix (n = 1e-9).
  state.counters["per_pair"] = benchmark::Counter(
      pairs * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel(closedForm ? "closed form (eta=0)" : "quadrature (far points)");
}
BENCHMARK(BM_dlpfieldKernel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
