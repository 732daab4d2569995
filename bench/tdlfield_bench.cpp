// Cost of the adjoint double-layer kernel per point-element pair. It keeps no
// element frames, so every pair recomputes its element's quantities.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_meshes.h"
#include "tdlfield.h"

namespace {

// state.range(0): 0 = points on the circle of radius 3 (16-point rule on every
// pair with eta = 0.5), 1 = points on the circle of radius 0.5 with eta = 0
// (closed form on every pair). The vector at each point is its radial unit.
void BM_tdlfieldKernel(benchmark::State& state) {
  const bool closedForm = state.range(0) == 1;
  const int nE = 400, nx = 400;
  std::vector<double> coordinates, elements;
  circlePolygon(nE, coordinates, elements);
  const std::vector<double> x = circlePoints(nx, closedForm ? 0.5 : 3.0);
  const std::vector<double> n_x = circlePoints(nx, 1.0);
  std::vector<double> gh(nE, 1.0), out(nx);
  const double eta = closedForm ? 0.0 : 0.5;
  for (auto _ : state) {
    tdlfieldKernel(out.data(), nE, nE, coordinates.data(), elements.data(), gh.data(), x.data(), nx,
                   n_x.data(), eta);
    benchmark::DoNotOptimize(out.data());
  }
  const double pairs = static_cast<double>(nE) * nx;
  // Seconds per point-element pair, printed with an SI prefix (n = 1e-9).
  state.counters["per_pair"] = benchmark::Counter(
      pairs * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel(closedForm ? "closed form (eta=0)" : "quadrature (far points)");
}
BENCHMARK(BM_tdlfieldKernel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
