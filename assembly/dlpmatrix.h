// Galerkin matrix of the double-layer operator, constants against hats:
//   K(i, q) = int_{element i} (K psi_q)(x) ds_x,
//   (K g)(x) = -1/(2 pi) int ((y - x).n_y)/|y - x|^2 g(y) ds_y,
// psi_q the hat of node q and K the boundary operator without jump term (as
// dlpfield: an element contributes nothing on its own line). out is
// nE-by-nC, column-major; every entry is written (zero for a node that no
// element uses).
#pragma once

#include <cstddef>
#include <cstdint>

#include "mesh.h"
#include "parallel.h"

// Each row i sums the values of the ordered pairs (i, j), j in increasing
// order, into the two columns of j's nodes. A pair that eta surely sends to
// quadrature (eta * shorter < distance) and whose elements are small against
// their distance takes the power series of the kernel about the two
// midpoints, several at a time; every other pair dlpPairValues (closed form
// for touching pairs, refined panels otherwise: exact either way). Rows are
// spread over the threads of options; the result does not depend on their
// number. Returns false (the output then incomplete) when the call was
// interrupted.
bool dlpmatrixKernel(const BoundaryMesh& mesh, double eta, double* out,
                     const RunOptions& options = RunOptions());

// The entries K(rows[a], cols[b]) (0-based element and node numbers) into
// out[a + b * ld]: equal bit for bit to the same entries of dlpmatrixKernel
// with the same lanes. Costs in proportion to the rows times the elements at
// the columns' nodes.
bool dlpmatrixTileKernel(const BoundaryMesh& mesh, double eta, const std::int64_t* rows,
                         std::ptrdiff_t nRows, const std::int64_t* cols, std::ptrdiff_t nCols,
                         double* out, std::ptrdiff_t ld, const RunOptions& options = RunOptions());
