// A set of points in the plane as the caller holds it: point i is
// (data[i * rowStride], data[i * rowStride + columnStride]). A column-major
// n-by-2 matrix (the hosts' layout) has strides 1 and n, a row-major one (a C
// array of pairs) 2 and 1; a range of rows is a pointer to its first row with
// the same strides.
#pragma once

#include <cstddef>

struct Points {
  const double* data;
  std::ptrdiff_t count;
  std::ptrdiff_t rowStride;
  std::ptrdiff_t columnStride;
  double x(std::ptrdiff_t i) const { return data[i * rowStride]; }
  double y(std::ptrdiff_t i) const { return data[i * rowStride + columnStride]; }
};

// The n-by-2 column-major matrix at data.
inline Points columnMajor(const double* data, std::ptrdiff_t n) { return {data, n, 1, n}; }
