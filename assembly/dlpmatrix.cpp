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

// Row i of K from the values of its pairs, j in increasing order.
void addRow(std::vector<double>& row, const double* elements, std::ptrdiff_t nE, std::ptrdiff_t j0,
            std::ptrdiff_t count, const double* values) {
  for (std::ptrdiff_t k = 0; k < count; ++k) {
    const std::ptrdiff_t j = j0 + k;
    row[static_cast<size_t>(vertexIndex(elements[j]))] += values[2 * k];
    row[static_cast<size_t>(vertexIndex(elements[j + nE]))] += values[2 * k + 1];
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
  // One row of nC values per thread.
  std::vector<std::vector<double>> rows(static_cast<size_t>(threadsFor(options)),
                                        std::vector<double>(static_cast<size_t>(nC)));
  return parallelFor(nEs, options, [&](std::int64_t i, int thread) {
    std::vector<double>& row = rows[static_cast<size_t>(thread)];
    std::fill(row.begin(), row.end(), 0.0);
    double Si[4];
    elementEnds(params, i, Si);
    DlpRow context = {&params, Si};
    double values[16];
    for (std::ptrdiff_t j0 = 0; j0 < nEs; j0 += lanes.width) {
      lanes.dlpGroup(e, i, j0, eta, values, ~0u, dlpPairFallback, &context);
      addRow(row, elements, nEs, j0, std::min<std::ptrdiff_t>(lanes.width, nEs - j0), values);
    }
    for (std::ptrdiff_t q = 0; q < nCs; ++q) out[i + q * nEs] = row[static_cast<size_t>(q)];
  });
}

void assembleDlpScalar(double* out, int nC, int nE, const double* coordinates,
                       const double* elements, double eta) {
  const AssemblyParams params = {nC, nE, coordinates, elements, eta};
  const std::ptrdiff_t nEs = nE, nCs = nC;
  std::vector<double> row(static_cast<size_t>(nC));
  for (std::ptrdiff_t i = 0; i < nEs; ++i) {
    std::fill(row.begin(), row.end(), 0.0);
    double Si[4];
    elementEnds(params, i, Si);
    DlpRow context = {&params, Si};
    for (std::ptrdiff_t j = 0; j < nEs; ++j) {
      double values[2];
      dlpPairFallback(&context, j, values);
      addRow(row, elements, nEs, j, 1, values);
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
      for (; k < end; ++k) addRow(row, elements, nEs, js[k], 1, values + 2 * (js[k] - j0));
    }
    for (std::ptrdiff_t b = 0; b < nCols; ++b) out[a + b * ld] = row[static_cast<size_t>(cols[b])];
  });
}
