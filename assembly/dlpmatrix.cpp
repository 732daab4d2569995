#include "dlpmatrix.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "assembly_records.h"
#include "dlp_pair.h"
#include "geometry.h"
#include "matrix_arrays.h"

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

// Row i of K from the values of its pairs, j in increasing order.
void addRow(double* row, const int* nodes, std::ptrdiff_t j0, std::ptrdiff_t count,
            const double* values) {
  for (std::ptrdiff_t k = 0; k < count; ++k) {
    row[nodes[2 * (j0 + k)]] += values[2 * k];
    row[nodes[2 * (j0 + k) + 1]] += values[2 * k + 1];
  }
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
  // Chunks of kRowBlock rows, whose nC values each a thread gathers before
  // writing them out column by column (contiguous runs of the block's rows,
  // where single rows would write one value per cache line).
  const std::ptrdiff_t kRowBlock = 16;
  std::vector<std::vector<double>> blocks(
      static_cast<size_t>(threadsFor(options)),
      std::vector<double>(static_cast<size_t>(kRowBlock * nCs)));
  return parallelFor((nEs + kRowBlock - 1) / kRowBlock, options, [&](std::int64_t chunk, int thread) {
    const std::ptrdiff_t i0 = chunk * kRowBlock, i1 = std::min(nEs, i0 + kRowBlock);
    std::vector<double>& block = blocks[static_cast<size_t>(thread)];
    std::fill(block.begin(), block.end(), 0.0);
    for (std::ptrdiff_t i = i0; i < i1; ++i) {
      double* row = block.data() + (i - i0) * nCs;
      double Si[4];
      elementEnds(params, i, Si);
      DlpRow context = {&params, Si};
      double values[16];
      for (std::ptrdiff_t j0 = 0; j0 < nEs; j0 += lanes.width) {
        lanes.dlpGroup(e, i, j0, eta, values, ~0u, dlpPairFallback, &context);
        addRow(row, nodes.data(), j0, std::min<std::ptrdiff_t>(lanes.width, nEs - j0), values);
      }
    }
    for (std::ptrdiff_t q = 0; q < nCs; ++q) {
      for (std::ptrdiff_t i = i0; i < i1; ++i) out[i + q * nEs] = block[(i - i0) * nCs + q];
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
      addRow(row.data(), nodes.data(), j, 1, values);
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
    if (wanted[static_cast<size_t>(vertexIndex(elements[j]))] ||
        wanted[static_cast<size_t>(vertexIndex(elements[j + nEs]))]) {
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
    double values[16];
    size_t k = 0;
    while (k < js.size()) {
      const std::ptrdiff_t j0 = js[k] / lanes.width * lanes.width;
      unsigned needed = 0;
      size_t end = k;
      while (end < js.size() && js[end] < j0 + lanes.width) needed |= 1u << (js[end++] - j0);
      lanes.dlpGroup(e, i, j0, eta, values, needed, dlpPairFallback, &context);
      for (; k < end; ++k) addRow(row.data(), nodes.data(), js[k], 1, values + 2 * (js[k] - j0));
    }
    for (std::ptrdiff_t b = 0; b < nCols; ++b) out[a + b * ld] = row[static_cast<size_t>(cols[b])];
  });
}
