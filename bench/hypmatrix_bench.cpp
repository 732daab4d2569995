// Cost of the hypersingular matrix with one and with two element workers, and
// the memory the queued column vectors take beyond the output. Circle polygon
// of radius 1, default eta = 0.5; every ordered element pair is computed, so
// per_pair is the wall time over nE^2 pairs. peak_queued is the most vectors
// that waited in one worker's queue; extra_MB bounds the memory beyond the
// output: per worker, the queued vectors plus the two being filled, nC doubles
// each.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_meshes.h"
#include "hypmatrix.h"

namespace {

// state.range(0) = nE (= nC), state.range(1) = number of workers.
void BM_hypmatrix(benchmark::State& state) {
  const int nE = static_cast<int>(state.range(0));
  const int workers = static_cast<int>(state.range(1));
  std::vector<double> coordinates, elements;
  circlePolygon(nE, coordinates, elements);
  std::vector<double> W(static_cast<size_t>(nE) * nE);
  CollectStats stats;
  int peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::fill(W.begin(), W.end(), 0.0);
    state.ResumeTiming();
    WorkerOptions options;
    options.workers = workers;
    options.stats = &stats;
    assembleHyp(W.data(), coordinates.data(), elements.data(), nE, nE, 0.5, options);
    benchmark::DoNotOptimize(W.data());
    if (stats.peakQueued > peak) peak = stats.peakQueued;
  }
  const double pairs = static_cast<double>(nE) * nE;
  state.counters["per_pair"] = benchmark::Counter(
      pairs * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["peak_queued"] = peak;
  state.counters["extra_MB"] = workers * (peak + 2.0) * nE * 8.0 / 1e6;
  state.counters["output_MB"] = pairs * 8.0 / 1e6;
  state.SetLabel(workers == 1 ? "1 worker" : "2 workers");
}
BENCHMARK(BM_hypmatrix)
    ->ArgsProduct({{1000, 2000, 4000}, {1, 2}})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
