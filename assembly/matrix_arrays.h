// Storage of the matrix lane loops' arrays for a call (generic code only).
#pragma once

#include <vector>

#include "matrix_lanes.h"

struct MatrixArrays {
  std::vector<double> mx, my, hx, hy, L, nx, ny, regular, reach;
  std::ptrdiff_t count = 0;
  MatrixElements view() const {
    return {count,     mx.data(), my.data(), hx.data(),      hy.data(),
            L.data(),  nx.data(), ny.data(), regular.data(), reach.data()};
  }
};

// The geometry of the elements of a mesh (regular and reach stay 0).
MatrixArrays matrixArrays(int nC, int nE, const double* coordinates, const double* elements);
