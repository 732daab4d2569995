// Cost of the hypersingular operator kernel per point-element pair.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench_meshes.h"
#include "hypfield.h"

namespace {

// Circle polygon of n elements, radius 1, counter-clockwise; the points are
// the element midpoints with the outward element normals, so every point lies
// on its element (no warnings) and g = cos(2 theta) at the vertices.
struct CircleProblem {
  std::vector<double> coordinates, elements, gh, x, n_x;
};

CircleProblem circleProblem(int n) {
  CircleProblem p;
  circlePolygon(n, p.coordinates, p.elements);
  p.gh.assign(static_cast<size_t>(n), 0);
  for (int k = 0; k < n; ++k) {
    const double t = 2 * M_PI * k / n;
    p.gh[k] = std::cos(2 * t);
  }
  // The midpoints lie at distance cos(pi / n) from the centre.
  p.x = circlePoints(n, std::cos(M_PI / n));
  p.n_x = circlePoints(n, 1.0);
  return p;
}

// state.range(0): 0 = eta 0.5 (16-point rule on every element at least twice
// its length away, most pairs), 1 = eta 0 (closed form on every pair).
void BM_hypfieldKernel(benchmark::State& state) {
  const bool closedForm = state.range(0) == 1;
  const int n = 400;
  const CircleProblem p = circleProblem(n);
  std::vector<double> out(static_cast<size_t>(n));
  const double eta = closedForm ? 0.0 : 0.5;
  for (auto _ : state) {
    hypfieldKernel(out.data(), n, n, p.coordinates.data(), p.elements.data(), p.gh.data(),
                   p.x.data(), n, p.n_x.data(), eta);
    benchmark::DoNotOptimize(out.data());
  }
  const double pairs = static_cast<double>(n) * n;
  // Seconds per point-element pair, printed with an SI prefix (n = 1e-9).
  state.counters["per_pair"] = benchmark::Counter(
      pairs * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel(closedForm ? "closed form (eta=0)" : "quadrature (eta=0.5)");
}
BENCHMARK(BM_hypfieldKernel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
