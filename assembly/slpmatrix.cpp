#include "slpmatrix.h"

#include "assembly_records.h"
#include "matrix_pairs.h"
#include "slp_pair.h"

void slpPairFallback(void* context, std::ptrdiff_t j, double* value) {
  const SlpColumn& c = *static_cast<const SlpColumn*>(context);
  double Q[4];
  elementEnds(*c.params, j, Q);
  *value = slpPairEntry(c.Pi, Q, c.params->eta);
}

bool assembleSlp(double* out, int nC, int nE, const double* coordinates, const double* elements,
                 double eta, const RunOptions& options) {
  const AssemblyParams params = {nC, nE, coordinates, elements, eta};
  const MatrixArrays arrays = matrixArrays(nC, nE, coordinates, elements);
  const MatrixElements e = arrays.view();
  const MatrixLanes& lanes = matrixLanes(options.lanes);
  const std::ptrdiff_t n = nE;
  // Column i holds V(j, i) for j <= i (i + 1 pairs); the threads take the
  // columns from the longest down, so that the last ones are short.
  return parallelFor(n, options, [&](std::int64_t chunk, int) {
    const std::ptrdiff_t i = n - 1 - chunk;
    double Pi[4];
    elementEnds(params, i, Pi);
    SlpColumn context = {&params, Pi};
    double* column = out + i * n;
    for (std::ptrdiff_t j0 = 0; j0 <= i; j0 += lanes.width) {
      lanes.slpGroup(e, i, j0, eta, column + j0, ~0u, slpPairFallback, &context);
    }
    for (std::ptrdiff_t j = 0; j < i; ++j) out[i + j * n] = column[j];
  });
}

bool assembleSlpScalar(double* out, int nC, int nE, const double* coordinates,
                       const double* elements, double eta, const RunOptions& options) {
  const AssemblyParams params = {nC, nE, coordinates, elements, eta};
  const std::ptrdiff_t n = nE;
  RunOptions previous = options;
  previous.threads = nE < 200 ? 1 : 4;
  return parallelFor(n, previous, [&](std::int64_t i, int) {
    double Pi[4];
    elementEnds(params, i, Pi);
    SlpColumn context = {&params, Pi};
    for (std::ptrdiff_t j = 0; j <= i; ++j) {
      slpPairFallback(&context, j, out + j + i * n);
      out[i + j * n] = out[j + i * n];
    }
  });
}
