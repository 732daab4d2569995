#include "hypmatrix.h"

#include <new>

#include "hyp_pair.h"

void assembleHyp(double* out, const double* coordinates, const double* elements, int nC, int nE,
                 double eta, const WorkerOptions& options) {
  const MatrixTarget target = {out, nC, nC};
  const NodePatches patches = nodePatches(nC, nE, coordinates, elements);
  const AssemblyParams params = {nC,     nE, coordinates, elements, eta, patches.regular.data(),
                                 patches.radius.data(), patches.elements.data()};
  // Every worker has ended when runCompWorkers returns, so the failure can be
  // reported from here as an ordinary allocation failure of the call.
  if (!runCompWorkers(target, params, hypElementWorker, 0, nE, options)) throw std::bad_alloc();
}
