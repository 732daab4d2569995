#include "slpmatrix.h"

#include <vector>

#include "column_workers.h"
#include "slp_pair.h"

void assembleSlpSerial(double* out, int nC, int nE, const double* coordinates,
                       const double* elements, double eta) {
  const AssemblyParams params = {nC, nE, coordinates, elements, eta};
  const std::ptrdiff_t nEs = nE;
  double P[4], Q[4];
  for (std::ptrdiff_t i = 0; i < nEs; ++i) {
    elementEnds(params, i, P);
    for (std::ptrdiff_t j = i; j < nEs; ++j) {
      elementEnds(params, j, Q);
      const double v = slpPairEntry(P, Q, eta);
      out[i + j * nEs] = v;
      out[j + i * nEs] = v;
    }
  }
}

void assembleSlpThreaded(double* out, int nC, int nE, const double* coordinates,
                         const double* elements, double eta, ThreadSpawn spawn) {
  const MatrixTarget target = {out, nE, nE};
  const AssemblyParams params = {nC, nE, coordinates, elements, eta};
  int first[4], last[4];
  slpColumnRanges(nE, first, last);

  // All records exist before the first thread starts, so that nothing can
  // fail (and unwind past a running thread) once one is running.
  std::vector<CompWorkerSimple> workers(4);
  bool started[4];
  for (int k = 0; k < 4; ++k) {
    started[k] = newCompWorkerSimple(&workers[k], slpColumnWorker, &target, first[k], last[k],
                                     &params, spawn);
  }
  // A range whose thread was refused is computed here; the ranges write
  // disjoint entries, so this runs alongside the others.
  for (int k = 0; k < 4; ++k) {
    if (!started[k]) slpColumnWorker(&workers[k]);
  }
  // Joining makes every entry written by a worker visible to the caller.
  for (int k = 0; k < 4; ++k) {
    if (started[k]) workers[k].thread.join();
  }
}
