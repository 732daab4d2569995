#include "slpmatrix.h"

#include "matrix_pairs.h"
#include "slp_pair.h"

void slpPairFallback(void* context, std::ptrdiff_t j, double* value) {
  const SlpColumn& c = *static_cast<const SlpColumn*>(context);
  *value = slpPairEntry(c.mesh->segments[c.i], c.mesh->segments[j], c.eta);
}

bool slpmatrixKernel(const BoundaryMesh& mesh, double eta, double* out,
                     const RunOptions& options) {
  const MatrixElements e = matrixElements(mesh);
  const MatrixLanes& lanes = matrixLanes(options.lanes);
  const std::ptrdiff_t n = mesh.elementCount;
  const int scale = mesh.scaleExponent;
  const double logScale = scaleLogOverTwoPi(scale);
  // Column i holds V(j, i) for j <= i (i + 1 pairs); the threads take the
  // columns from the longest down, so that the last ones are short.
  return parallelFor(n, options, [&](std::int64_t chunk, int) {
    const std::ptrdiff_t i = n - 1 - chunk;
    SlpColumn context = {&mesh, i, eta};
    double* column = out + i * n;
    for (std::ptrdiff_t j0 = 0; j0 <= i; j0 += lanes.width) {
      lanes.slpGroup(e, i, j0, eta, column + j0, ~0u, slpPairFallback, &context);
    }
    if (scale != 0) {
      for (std::ptrdiff_t j = 0; j <= i; ++j) {
        column[j] = slpAtScale(column[j], mesh.length[i], mesh.length[j], logScale, scale);
      }
    }
    for (std::ptrdiff_t j = 0; j < i; ++j) out[i + j * n] = column[j];
  });
}
