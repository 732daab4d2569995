#include "column_workers.h"

#include <cmath>
#include <cstdint>

#include "slp_pair.h"

void slpColumnRanges(int nE, int first[4], int last[4]) {
  const std::int64_t n = nE;
  const std::int64_t share = n * (n + 1) / 8;
  std::int64_t previous = -1;
  for (int k = 0; k < 4; ++k) {
    const std::int64_t f = previous + 1;
    std::int64_t l = n - 1;
    if (k < 3) {
      const std::int64_t argument = f * (f + 1) + 1 + 2 * share;
      l = static_cast<std::int64_t>(std::sqrt(static_cast<double>(argument)));
      if (l > n - 1) l = n - 1;
    }
    first[k] = static_cast<int>(f);
    last[k] = static_cast<int>(l);
    previous = l;
  }
}

bool newCompWorkerSimple(CompWorkerSimple* worker, void (*start)(void*), const MatrixTarget* target,
                         int first, int last, const AssemblyParams* params, ThreadSpawn spawn) {
  worker->first = first;
  worker->last = last;
  worker->params = params;
  worker->target = target;
  return startWorkerThread(&worker->thread, spawn, start, worker);
}

void slpColumnWorker(void* arg) {
  const CompWorkerSimple* w = static_cast<const CompWorkerSimple*>(arg);
  const AssemblyParams& params = *w->params;
  double* out = w->target->data;
  const std::ptrdiff_t rows = w->target->rows;
  double P[4], Q[4];
  for (std::ptrdiff_t i = w->first; i <= w->last; ++i) {
    elementEnds(params, i, P);
    for (std::ptrdiff_t j = 0; j <= i; ++j) {
      elementEnds(params, j, Q);
      const double v = slpPairEntry(P, Q, params.eta);
      // Row i, column j, then row j, column i: both belong to this worker,
      // whose range holds the larger index i.
      out[i + j * rows] = v;
      out[j + i * rows] = v;
    }
  }
}
