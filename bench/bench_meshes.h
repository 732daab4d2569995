// Meshes and point sets shared by the benchmarks, in the host's column-major
// layout with 1-based vertex numbers.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

// Circle polygon of n elements and radius 1, counter-clockwise: vertex k at
// angle 2 pi k / n, element k from vertex k + 1 to vertex k + 2 (mod n).
inline void circlePolygon(int n, std::vector<double>& coordinates, std::vector<double>& elements) {
  coordinates.assign(2 * static_cast<size_t>(n), 0);
  elements.assign(2 * static_cast<size_t>(n), 0);
  for (int k = 0; k < n; ++k) {
    const double t = 2 * M_PI * k / n;
    coordinates[k] = std::cos(t);
    coordinates[k + n] = std::sin(t);
    elements[k] = k + 1;
    elements[k + n] = (k + 1) % n + 1;
  }
}

// n points on the circle of the given radius, at the angles 2 pi (i + 1/2) / n
// (the directions of the element midpoints of circlePolygon(n)).
inline std::vector<double> circlePoints(int n, double radius) {
  std::vector<double> z(2 * static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double t = 2 * M_PI * (i + 0.5) / n;
    z[i] = radius * std::cos(t);
    z[i + n] = radius * std::sin(t);
  }
  return z;
}
