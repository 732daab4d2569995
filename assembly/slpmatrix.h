// Single-layer Galerkin matrix for piecewise-constant functions:
//   V(i, j) = -1/(2 pi) int_{element i} int_{element j} log|x - y| ds_y ds_x,
// each entry computed once, for j <= i, and stored at (i, j) and (j, i), so V
// is exactly symmetric. out is nE-by-nE, column-major; every entry is
// written.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mesh.h"
#include "parallel.h"

// Pairs that the admissibility rule surely sends to quadrature and whose
// elements are small against their distance (see matrix_lanes.h) take the
// power series of the logarithm, several at a time; every other pair is
// slpPairEntry(element i, element j, eta). Columns are spread over the
// threads of options; the result does not depend on their number. Returns
// false (the output then incomplete) when the call was interrupted.
bool slpmatrixKernel(const BoundaryMesh& mesh, double eta, double* out,
                     const RunOptions& options = RunOptions());

// The entries V(rows[a], cols[b]) (0-based element numbers) into
// out[a + b * ld]: equal bit for bit to the same entries of slpmatrixKernel
// with the same lanes, whatever the rows and columns (each value comes from
// the same lane group as in the whole matrix). Costs in proportion to the
// tile: (rows + columns) times the distinct numbers among them.
bool slpmatrixTileKernel(const BoundaryMesh& mesh, double eta, const std::int64_t* rows,
                         std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                         double* out, std::ptrdiff_t ld, const RunOptions& options = RunOptions());
