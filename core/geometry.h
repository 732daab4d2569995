// Geometry of straight boundary elements.
#pragma once

#include <cstddef>

// Frame of the element from vertex A to vertex B. The element is
// y(s) = mid + s * half for s in [-1, 1], so y(-1) = A, y(1) = B and
// ds_y = (length / 2) ds. `normal` is the unit tangent turned clockwise by a
// right angle: outward for a boundary that runs counter-clockwise.
struct ElementFrame {
  double mid[2];
  double half[2];
  double length;
  double normal[2];
};

// Frame of the element from a = (a1, a2) to b = (b1, b2). A zero-length
// element gets a NaN normal (0 / 0); no guard, callers decide.
ElementFrame elementFrame(double a1, double a2, double b1, double b2);

// Euclidean distance from the point x = (x1, x2) to the segment from
// a = (a1, a2) to b = (b1, b2) (to the point a when a = b).
double pointSegmentDistance(double x1, double x2, double a1, double a2, double b1,
                            double b2);

// Array index of a 1-based vertex number stored as a double in a host index
// matrix: truncation toward zero, minus one. The host boundary has checked
// that the number lies in 1..rows, so the result is a valid row index.
inline int vertexIndex(double number) { return static_cast<int>(number) - 1; }

// Offset of entry (row, column) in a column-major matrix with `rows` rows,
// computed in 64 bits so that large matrices cannot overflow it.
inline std::ptrdiff_t matrixOffset(std::ptrdiff_t row, std::ptrdiff_t column,
                                   std::ptrdiff_t rows) {
  return row + column * rows;
}
