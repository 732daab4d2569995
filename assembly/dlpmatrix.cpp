#include "dlpmatrix.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "assembly_records.h"
#include "dlp_pair.h"
#include "geometry.h"
#include "matrix_arrays.h"
#include "matrix_pairs.h"

namespace {

struct DlpRow {
  const AssemblyParams* params;
  const double* Si;  // element i as a segment
};

void dlpPairFallback(void* context, std::ptrdiff_t j, double* values) {
  const DlpRow& r = *static_cast<const DlpRow*>(context);
  double T[4];
  elementEnds(*r.params, j, T);
  dlpPairValues(r.Si, T, values);
}

// The 0-based nodes of every element, start then end.
std::vector<int> elementNodes(const double* elements, std::ptrdiff_t nE) {
  std::vector<int> nodes(2 * static_cast<size_t>(nE));
  for (std::ptrdiff_t j = 0; j < nE; ++j) {
    nodes[2 * j] = vertexIndex(elements[j]);
    nodes[2 * j + 1] = vertexIndex(elements[j + nE]);
  }
  return nodes;
}

// Pair (i, j)'s values into row i of K.
void addPair(double* row, const int* nodes, std::ptrdiff_t j, double start, double end) {
  row[nodes[2 * j]] += start;
  row[nodes[2 * j + 1]] += end;
}

// The pairs' values that make up each column q of K, in increasing j (start
// before end): offsets into a row's values, start values at j and end values
// at pad + j. Summing them in this order from 0 gives the bits of adding the
// pairs' values into a row one pair after the other.
struct NodeTerms {
  std::vector<std::int64_t> first;  // nC + 1 offsets into terms
  std::vector<std::int64_t> terms;
};

NodeTerms nodeTerms(const std::vector<int>& nodes, std::ptrdiff_t nC, std::ptrdiff_t nE,
                    std::ptrdiff_t pad) {
  NodeTerms t;
  t.first.assign(static_cast<size_t>(nC + 1), 0);
  for (int q : nodes) ++t.first[static_cast<size_t>(q) + 1];
  for (std::ptrdiff_t q = 0; q < nC; ++q) t.first[q + 1] += t.first[q];
  t.terms.resize(static_cast<size_t>(2 * nE));
  std::vector<std::int64_t> next(t.first.begin(), t.first.end() - 1);
  for (std::ptrdiff_t j = 0; j < nE; ++j) {
    t.terms[static_cast<size_t>(next[nodes[2 * j]]++)] = j;
    t.terms[static_cast<size_t>(next[nodes[2 * j + 1]]++)] = pad + j;
  }
  return t;
}

}  // namespace

bool assembleDlp(double* out, int nC, int nE, const double* coordinates, const double* elements,
                 double eta, const RunOptions& options) {
  const AssemblyParams params = {nC, nE, coordinates, elements, eta};
  const MatrixArrays arrays = matrixArrays(nC, nE, coordinates, elements);
  const MatrixElements e = arrays.view();
  const MatrixLanes& lanes = matrixLanes(options.lanes);
  const std::ptrdiff_t nEs = nE, nCs = nC;
  const std::vector<int> nodes = elementNodes(elements, nEs);
  const std::ptrdiff_t pad = matrixPadded(nEs);
  const NodeTerms columns = nodeTerms(nodes, nCs, nEs, pad);
  // Chunks of kRowBlock rows. A thread computes a row's pair values, sums
  // them into the block's column-major slots, and writes the block out
  // column by column (contiguous runs of the block's rows, where single rows
  // would write one value per cache line).
  const std::ptrdiff_t kRowBlock = 32;
  const size_t threads = static_cast<size_t>(threadsFor(options));
  std::vector<std::vector<double>> blocks(
      threads, std::vector<double>(static_cast<size_t>(kRowBlock * nCs)));
  std::vector<std::vector<double>> pairs(threads,
                                         std::vector<double>(static_cast<size_t>(2 * pad)));
  return parallelFor(
      (nEs + kRowBlock - 1) / kRowBlock, options, [&](std::int64_t chunk, int thread) {
        const std::ptrdiff_t i0 = chunk * kRowBlock, i1 = std::min(nEs, i0 + kRowBlock);
        double* block = blocks[static_cast<size_t>(thread)].data();
        double* values = pairs[static_cast<size_t>(thread)].data();
        for (std::ptrdiff_t i = i0; i < i1; ++i) {
          double Si[4];
          elementEnds(params, i, Si);
          DlpRow context = {&params, Si};
          for (std::ptrdiff_t j0 = 0; j0 < nEs; j0 += lanes.width) {
            lanes.dlpGroup(e, i, j0, eta, values + j0, values + pad + j0, ~0u, dlpPairFallback,
                           &context);
          }
          for (std::ptrdiff_t q = 0; q < nCs; ++q) {
            double sum = 0;
            for (std::int64_t t = columns.first[q]; t < columns.first[q + 1]; ++t) {
              sum += values[columns.terms[static_cast<size_t>(t)]];
            }
            block[q * kRowBlock + (i - i0)] = sum;
          }
        }
        for (std::ptrdiff_t q = 0; q < nCs; ++q) {
          std::copy(block + q * kRowBlock, block + q * kRowBlock + (i1 - i0), out + i0 + q * nEs);
        }
      });
}

void assembleDlpScalar(double* out, int nC, int nE, const double* coordinates,
                       const double* elements, double eta) {
  const AssemblyParams params = {nC, nE, coordinates, elements, eta};
  const std::ptrdiff_t nEs = nE, nCs = nC;
  const std::vector<int> nodes = elementNodes(elements, nEs);
  std::vector<double> row(static_cast<size_t>(nC));
  for (std::ptrdiff_t i = 0; i < nEs; ++i) {
    std::fill(row.begin(), row.end(), 0.0);
    double Si[4];
    elementEnds(params, i, Si);
    DlpRow context = {&params, Si};
    for (std::ptrdiff_t j = 0; j < nEs; ++j) {
      double values[2];
      dlpPairFallback(&context, j, values);
      addPair(row.data(), nodes.data(), j, values[0], values[1]);
    }
    for (std::ptrdiff_t q = 0; q < nCs; ++q) out[i + q * nEs] = row[static_cast<size_t>(q)];
  }
}

bool assembleDlpTile(double* out, std::ptrdiff_t ld, int nC, int nE, const double* coordinates,
                     const double* elements, double eta, const std::int64_t* rows,
                     std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                     const RunOptions& options) {
  const AssemblyParams params = {nC, nE, coordinates, elements, eta};
  const MatrixArrays arrays = matrixArrays(nC, nE, coordinates, elements);
  const MatrixElements e = arrays.view();
  const MatrixLanes& lanes = matrixLanes(options.lanes);
  const std::ptrdiff_t nEs = nE;
  const std::vector<int> nodes = elementNodes(elements, nEs);
  // The elements at the columns' nodes, in increasing order: the pairs (i, j)
  // that the tile's rows need.
  std::vector<char> wanted(static_cast<size_t>(nC), 0);
  for (std::ptrdiff_t b = 0; b < nCols; ++b) wanted[static_cast<size_t>(cols[b])] = 1;
  std::vector<std::int64_t> js;
  for (std::ptrdiff_t j = 0; j < nEs; ++j) {
    if (wanted[static_cast<size_t>(nodes[2 * j])] ||
        wanted[static_cast<size_t>(nodes[2 * j + 1])]) {
      js.push_back(j);
    }
  }
  std::vector<std::vector<double>> rowsOf(static_cast<size_t>(threadsFor(options)),
                                          std::vector<double>(static_cast<size_t>(nC)));
  return parallelFor(nRows, options, [&](std::int64_t a, int thread) {
    // Row rows[a] as the whole matrix sums it (j in increasing order), for
    // the pairs that reach the tile's columns.
    std::vector<double>& row = rowsOf[static_cast<size_t>(thread)];
    std::fill(row.begin(), row.end(), 0.0);
    const std::int64_t i = rows[a];
    double Si[4];
    elementEnds(params, i, Si);
    DlpRow context = {&params, Si};
    double start[8], end[8];
    forEachGroup(lanes.width, js,
                 [&](std::ptrdiff_t j0, unsigned needed, size_t first, size_t last) {
                   lanes.dlpGroup(e, i, j0, eta, start, end, needed, dlpPairFallback, &context);
                   for (size_t k = first; k < last; ++k) {
                     addPair(row.data(), nodes.data(), js[k], start[js[k] - j0], end[js[k] - j0]);
                   }
                 });
    for (std::ptrdiff_t b = 0; b < nCols; ++b) out[a + b * ld] = row[static_cast<size_t>(cols[b])];
  });
}
