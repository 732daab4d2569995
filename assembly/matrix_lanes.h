// Far element pairs of the matrix modules, several at a time.
//
// Single layer: with w = mP - mQ (midpoints), a = hP, b = hQ (half-vectors)
// as complex numbers, alpha = a/w, beta = b/w, A = alpha^2, B = beta^2, the
// mean of log|x - y| over the pair is
//   log|w| - Re sum_{n>=1} (1/(2n)) sum_{k=0}^{n} C(n, k) A^k B^(n-k),
//   C(n, k) = binom(2n, 2k) / ((2k + 1)(2n - 2k + 1)),
// from log(w + s a - t b) = log w + log(1 + s alpha - t beta) averaged over the
// square (only even powers of s and t survive). With rho = |alpha| + |beta|
// the inner sums are at most rho^(2n), and the terms are taken until
// rho^(2n+2) <= 1e-17. The series is used for pairs that the admissibility
// rule surely sends to quadrature and where rho <= 1/4: exact to rounding.
//
// Double-layer pairs: the same kind of series, of 1/(y - x) against the hats
// (matrix_lanes.inc). Hypersingular blocks between far nodes (hyp_pair.h): the
// tensor Gauss rule of hypFarBlock, several pairs at a time.
//
// Every other pair goes to the module's own scalar code.
#pragma once

#include <cstddef>

// The elements of a call, one array per quantity, paddedCount(n) entries
// (padding.h): the mesh's own arrays.
struct MatrixElements {
  std::ptrdiff_t n;
  const double* mx;
  const double* my;
  const double* hx;
  const double* hy;
  const double* L;
  const double* nx;  // unit normal
  const double* ny;
  // Hypersingular matrix: 1 where both nodes of the element are regular, else
  // 0; and 2 (largest radius of its nodes' supports) + L/2, so that a pair
  // with |w| >= reach_i + reach_j has all four of its entries far.
  const double* regular;
  const double* reach;
};

// Scalar code for a pair that the lanes do not take: writes the pair's
// values (slpmatrix: one entry; hypmatrix: four) for rows j of column i.
using MatrixFallback = void (*)(void* context, std::ptrdiff_t j, double* values);

// The lane functions take one group of pairs (j, i), j = j0 + k for the lanes
// k < width (j0 a multiple of the width), those with j <= i. A pair's value
// depends on its own group only, not on the other groups computed, so a tile
// of the matrix that evaluates the same groups gets the same bits as the
// whole matrix.
struct MatrixLanes {
  int width;
  // V(j, i) into values[k]: the series where it applies, else
  // fallback(context, j, values + k) for the lanes set in `needed` (bit k).
  void (*slpGroup)(const MatrixElements& e, std::ptrdiff_t i, std::ptrdiff_t j0, double eta,
                   double* values, unsigned needed, MatrixFallback fallback, void* context);
  // The four values of the pair (j, i) into values[4 k .. 4 k + 3] (entries
  // (start j, start i), (end j, start i), (start j, end i), (end j, end i)):
  // the block of hypFarBlock where all four are far, else fallback(context,
  // j, values + 4 k) for the lanes set in `needed`.
  void (*hypGroup)(const MatrixElements& e, std::ptrdiff_t i, std::ptrdiff_t j0, double* values,
                   unsigned needed, MatrixFallback fallback, void* context);
  // The double-layer values of the pairs (i, j) for every j (not only j <= i)
  // into start[k] and end[k] (the hats of j's start and end), as
  // dlpPairValues(element i, element j) gives them: the power series of the
  // kernel about the two midpoints where the pair is surely admissible and
  // its elements small against their distance, else fallback(context, j,
  // pair of values) for the lanes needed. All `width` entries of start and
  // end may be written; only the valid lanes needed hold values.
  void (*dlpGroup)(const MatrixElements& e, std::ptrdiff_t i, std::ptrdiff_t j0, double eta,
                   double* start, double* end, unsigned needed, MatrixFallback fallback,
                   void* context);
};

// As fieldLanes: the widest lanes available (width 0), or at most `width`.
const MatrixLanes& matrixLanes(int width);
