// Meshes and point sets of the benchmarks, in the host's column-major layout
// with 1-based vertex numbers.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

// Circle polygon of n elements and the given radius, counter-clockwise:
// vertex k at angle 2 pi k / n, element k from vertex k + 1 to vertex k + 2
// (mod n).
inline void circlePolygon(int n, double radius, std::vector<double>& coordinates,
                          std::vector<double>& elements) {
  coordinates.assign(2 * static_cast<size_t>(n), 0);
  elements.assign(2 * static_cast<size_t>(n), 0);
  for (int k = 0; k < n; ++k) {
    const double t = 2 * M_PI * k / n;
    coordinates[k] = radius * std::cos(t);
    coordinates[k + n] = radius * std::sin(t);
    elements[k] = k + 1;
    elements[k + n] = (k + 1) % n + 1;
  }
}

// n points spread over the circles of the given radii (in turn), at angles
// that avoid the polygon's vertices.
inline std::vector<double> circlePoints(int n, const std::vector<double>& radii) {
  std::vector<double> z(2 * static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double r = radii[static_cast<size_t>(i) % radii.size()];
    const double t = 2 * M_PI * (i + 0.37) / n;
    z[i] = r * std::cos(t);
    z[i + n] = r * std::sin(t);
  }
  return z;
}

// The square [-s/2, s/2]^2 cut into m x m cells of two triangles each.
inline void squareTriangulation(int m, double s, std::vector<double>& vertices,
                                std::vector<double>& volumes) {
  const int nV = (m + 1) * (m + 1), nT = 2 * m * m;
  vertices.assign(2 * static_cast<size_t>(nV), 0);
  volumes.assign(3 * static_cast<size_t>(nT), 0);
  for (int j = 0; j <= m; ++j) {
    for (int i = 0; i <= m; ++i) {
      vertices[i + j * (m + 1)] = s * (static_cast<double>(i) / m - 0.5);
      vertices[i + j * (m + 1) + nV] = s * (static_cast<double>(j) / m - 0.5);
    }
  }
  int t = 0;
  for (int j = 0; j < m; ++j) {
    for (int i = 0; i < m; ++i) {
      const double a = i + j * (m + 1) + 1, b = a + 1, c = a + m + 1, d = c + 1;
      const double tri[2][3] = {{a, b, d}, {a, d, c}};
      for (const auto& T : tri) {
        for (int k = 0; k < 3; ++k) volumes[t + k * static_cast<size_t>(nT)] = T[k];
        ++t;
      }
    }
  }
}
