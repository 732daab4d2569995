// Cost of the single-layer potential kernel and of its closed-form moment.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "bench_meshes.h"
#include "moments.h"
#include "slpfield.h"

namespace {

// state.range(0): 0 = far points (quadrature on every pair with eta = 0.5),
// 1 = eta = 0 (closed form on every pair).
void BM_slpfieldKernel(benchmark::State& state) {
  const bool closedForm = state.range(0) == 1;
  const int nE = 400, nz = 400;
  std::vector<double> coordinates, elements;
  circlePolygon(nE, coordinates, elements);
  const std::vector<double> z = circlePoints(nz, closedForm ? 0.5 : 3.0);
  std::vector<double> chi(nE, 1.0), out(nz);
  const double eta = closedForm ? 0.0 : 0.5;
  for (auto _ : state) {
    slpfieldKernel(out.data(), nE, nE, nz, coordinates.data(), elements.data(), chi.data(),
                   z.data(), eta);
    benchmark::DoNotOptimize(out.data());
  }
  const double pairs = static_cast<double>(nE) * nz;
  // Seconds per point-element pair, printed with an SI prefix (n = 1e-9).
  state.counters["per_pair"] = benchmark::Counter(
      pairs * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel(closedForm ? "closed form (eta=0)" : "quadrature (far points)");
}
BENCHMARK(BM_slpfieldKernel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

const double kH[2] = {0.3, 0.1};
const double kD[2] = {0.7, 1.9};

// slpMoment as used by the kernel: no allocation.
void BM_slpMoment(benchmark::State& state) {
  double d[2] = {kD[0], kD[1]};
  for (auto _ : state) {
    benchmark::DoNotOptimize(d);
    benchmark::DoNotOptimize(slpMoment(0, kH, d));
  }
}
BENCHMARK(BM_slpMoment);

// The same I_0 through the allocating array form: one malloc and free per call.
void BM_slpMomentsAllocating(benchmark::State& state) {
  double d[2] = {kD[0], kD[1]};
  for (auto _ : state) {
    benchmark::DoNotOptimize(d);
    double* I = slpMoments(0, kH, d);
    benchmark::DoNotOptimize(I[0]);
    std::free(I);
  }
}
BENCHMARK(BM_slpMomentsAllocating);

}  // namespace
