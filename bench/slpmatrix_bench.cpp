// Cost of the single-layer matrix: serial and with the four column workers.
// Circle polygon of radius 1, default eta = 0.5 (adjacent pairs closed-form,
// the rest mostly by quadrature). per_pair is the wall time per computed pair
// of the lower triangle, nE (nE + 1) / 2 of them.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_meshes.h"
#include "column_workers.h"
#include "slpmatrix.h"

namespace {

// state.range(0) = nE, state.range(1): 0 serial, 1 four column workers.
void BM_slpmatrix(benchmark::State& state) {
  const int nE = static_cast<int>(state.range(0));
  const bool threaded = state.range(1) == 1;
  std::vector<double> coordinates, elements;
  circlePolygon(nE, coordinates, elements);
  std::vector<double> V(static_cast<size_t>(nE) * nE);
  for (auto _ : state) {
    if (threaded) {
      assembleSlpThreaded(V.data(), nE, nE, coordinates.data(), elements.data(), 0.5);
    } else {
      assembleSlpSerial(V.data(), nE, nE, coordinates.data(), elements.data(), 0.5);
    }
    benchmark::DoNotOptimize(V.data());
  }
  const double pairs = 0.5 * nE * (nE + 1.0);
  state.counters["per_pair"] = benchmark::Counter(
      pairs * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  // Beyond the output the threaded path holds four worker records, the serial
  // one nothing.
  state.counters["extra_bytes"] = threaded ? 4.0 * sizeof(CompWorkerSimple) : 0.0;
  state.SetLabel(threaded ? "4 column workers" : "serial");
}
BENCHMARK(BM_slpmatrix)
    ->ArgsProduct({{1000, 2000, 4000}, {0, 1}})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
