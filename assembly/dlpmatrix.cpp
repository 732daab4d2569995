#include "dlpmatrix.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "dlp_pair.h"
#include "matrix_pairs.h"
#include "padding.h"

void dlpPairFallback(void* context, std::ptrdiff_t j, double* values) {
  const DlpRow& r = *static_cast<const DlpRow*>(context);
  dlpPairValues(r.mesh->segments[r.i], r.mesh->segments[j], values);
}

std::vector<std::int64_t> nodeTerms(const BoundaryMesh& mesh, std::ptrdiff_t q,
                                    std::ptrdiff_t pad) {
  std::vector<std::int64_t> terms;
  for (std::int64_t t = mesh.nodeFirst[q]; t < mesh.nodeFirst[q + 1]; ++t) {
    const int j = mesh.nodeElements[static_cast<size_t>(t)];
    if (mesh.start[j] == q) terms.push_back(j);
    if (mesh.end[j] == q) terms.push_back(pad + j);
  }
  return terms;
}

bool dlpmatrixKernel(const BoundaryMesh& mesh, double eta, double* out,
                     const RunOptions& options) {
  const MatrixElements e = matrixElements(mesh);
  const MatrixLanes& lanes = matrixLanes(options.lanes);
  const std::ptrdiff_t nE = mesh.elementCount, nC = mesh.nodeCount;
  const std::ptrdiff_t pad = paddedCount(nE);
  const int scale = mesh.scaleExponent;
  // Column q of K sums the pairs' values of the elements at node q.
  std::vector<std::int64_t> first(static_cast<size_t>(nC) + 1, 0), terms;
  for (std::ptrdiff_t q = 0; q < nC; ++q) {
    const std::vector<std::int64_t> t = nodeTerms(mesh, q, pad);
    terms.insert(terms.end(), t.begin(), t.end());
    first[static_cast<size_t>(q) + 1] = static_cast<std::int64_t>(terms.size());
  }
  // Chunks of kRowBlock rows. A thread computes a row's pair values, sums
  // them into the block's column-major slots, and writes the block out
  // column by column (contiguous runs of the block's rows, where single rows
  // would write one value per cache line).
  const std::ptrdiff_t kRowBlock = 32;
  const size_t threads = static_cast<size_t>(threadsFor(options));
  std::vector<std::vector<double>> blocks(
      threads, std::vector<double>(static_cast<size_t>(kRowBlock * nC)));
  std::vector<std::vector<double>> pairs(threads,
                                         std::vector<double>(static_cast<size_t>(2 * pad)));
  return parallelFor(
      (nE + kRowBlock - 1) / kRowBlock, options, [&](std::int64_t chunk, int thread) {
        const std::ptrdiff_t i0 = chunk * kRowBlock, i1 = std::min(nE, i0 + kRowBlock);
        double* block = blocks[static_cast<size_t>(thread)].data();
        double* values = pairs[static_cast<size_t>(thread)].data();
        for (std::ptrdiff_t i = i0; i < i1; ++i) {
          DlpRow context = {&mesh, i};
          for (std::ptrdiff_t j0 = 0; j0 < nE; j0 += lanes.width) {
            lanes.dlpGroup(e, i, j0, eta, values + j0, values + pad + j0, ~0u, dlpPairFallback,
                           &context);
          }
          for (std::ptrdiff_t q = 0; q < nC; ++q) {
            double sum = 0;
            for (std::int64_t t = first[q]; t < first[q + 1]; ++t) {
              sum += values[terms[static_cast<size_t>(t)]];
            }
            // K(s) = s K (see matrix_pairs.h).
            block[q * kRowBlock + (i - i0)] = dlpAtScale(sum, scale);
          }
        }
        for (std::ptrdiff_t q = 0; q < nC; ++q) {
          std::copy(block + q * kRowBlock, block + q * kRowBlock + (i1 - i0), out + i0 + q * nE);
        }
      });
}
