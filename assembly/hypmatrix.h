// Hypersingular Galerkin matrix for continuous piecewise-linear functions
// (one hat function per node). On an element from node a to node b the arc-
// length derivative of the hat of a is -1/L and that of b is +1/L, so with
// s(e, p) = -1 at the start node of element e and +1 at its end node,
//   W(p, q) = sum_i sum_j s(j, p) s(i, q) G(element j, element i),
// G = slpPairNormalized (the lengths cancel), except that an entry between far
// regular nodes is the integral of the hypersingular kernel against the two
// hats (hyp_pair.h). out is nC-by-nC, column-major; every entry is written
// (the kernel zeroes it first). W is
// exactly symmetric and W * ones = 0 up to rounding; a node used by no
// element has a zero row and column.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mesh.h"
#include "parallel.h"

// Each unordered pair of elements is computed once (element columns spread
// over the threads of options, the far blocks several pairs at a time); the
// pairs' values are added into W in a fixed order whatever the number of
// threads, so the result does not depend on it. Memory beyond the output: a
// few columns of 4 nE values per thread. Returns false (the output then
// incomplete) when the call was interrupted; throws std::bad_alloc, on the
// calling thread, when its memory cannot be had.
bool hypmatrixKernel(const BoundaryMesh& mesh, double eta, double* out,
                     const RunOptions& options = RunOptions());

// The entries W(rows[a], cols[b]) (0-based node numbers) into out[a + b * ld]:
// equal bit for bit to the same entries of hypmatrixKernel with the same
// lanes (each entry sums the values of its element pairs, each from the same
// lane group, in the order in which the whole matrix adds them). Costs in
// proportion to the pairs of the elements at the tile's nodes.
bool hypmatrixTileKernel(const BoundaryMesh& mesh, double eta, const std::int64_t* rows,
                         std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                         double* out, std::ptrdiff_t ld, const RunOptions& options = RunOptions());
