// Single-layer Galerkin matrix for piecewise-constant functions:
//   V(i, j) = -1/(2 pi) int_{element i} int_{element j} log|x - y| ds_y ds_x,
// each entry computed once, for j <= i, and stored at (i, j) and (j, i), so V
// is exactly symmetric. out is nE-by-nE, column-major; every entry is
// written. Vertex numbers in `elements` lie in 1..nC (checked by the host
// boundary).
#pragma once

#include <cstddef>
#include <cstdint>

#include "parallel.h"

// Pairs that the admissibility rule surely sends to quadrature and whose
// elements are small against their distance (see matrix_lanes.h) take the
// power series of the logarithm, several at a time; every other pair is
// slpPairEntry(element i, element j, eta). Columns are spread over the
// threads of options; the result does not depend on their number. Returns
// false (the output then incomplete) when the call was interrupted.
bool assembleSlp(double* out, int nC, int nE, const double* coordinates, const double* elements,
                 double eta, const RunOptions& options = RunOptions());

// Every pair by slpPairEntry, on one thread below 200 elements and four from
// 200 on: the toolkit's previous implementation, kept for the benchmarks to
// compare against.
bool assembleSlpScalar(double* out, int nC, int nE, const double* coordinates,
                       const double* elements, double eta, const RunOptions& options = RunOptions());

// The entries V(rows[a], cols[b]) (0-based element numbers) into
// out[a + b * ld]: equal bit for bit to the same entries of assembleSlp with
// the same lanes, whatever the rows and columns (each value comes from the
// same lane group as in the whole matrix).
bool assembleSlpTile(double* out, std::ptrdiff_t ld, int nC, int nE, const double* coordinates,
                     const double* elements, double eta, const std::int64_t* rows,
                     std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                     const RunOptions& options = RunOptions());
