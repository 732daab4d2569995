// Boundary meshes for the matrix tests: closed polygons with their vertices
// on a circle (optionally with perturbed radii), elements running
// counter-clockwise, in the host's column-major layout with 1-based vertex
// numbers. Also the comparisons of two matrices and the thread starter that
// refuses, which those tests share.
#pragma once

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>
#include <vector>

#include "bem2d.h"
#include "parallel.h"

struct PolygonMesh {
  int nC = 0;
  int nE = 0;
  std::vector<double> coordinates;  // nC-by-2
  std::vector<double> elements;     // nE-by-2
};

// n vertices at angles 2 pi k / n and radius R (1 + wobble sin(5 k + 1)); a
// nonzero wobble gives elements of different lengths.
inline PolygonMesh polygonMesh(int n, double R, double wobble = 0) {
  PolygonMesh m;
  m.nC = m.nE = n;
  m.coordinates.assign(2 * static_cast<size_t>(n), 0);
  m.elements.assign(2 * static_cast<size_t>(n), 0);
  for (int k = 0; k < n; ++k) {
    const double t = 2 * 3.14159265358979323846 * k / n;
    const double r = R * (1 + wobble * std::sin(5.0 * k + 1));
    m.coordinates[k] = r * std::cos(t);
    m.coordinates[k + n] = r * std::sin(t);
    m.elements[k] = k + 1;
    m.elements[k + n] = (k + 1) % n + 1;
  }
  return m;
}

// The mesh as the library prepares it from these arrays.
inline bem2d::PreparedMesh prepared(const PolygonMesh& m) {
  const bem2d::Indices e = {m.elements.data(), bem2d::IndexType::Float64, m.nE, 1, m.nE, 1};
  return bem2d::PreparedMesh(bem2d::Mesh{columnMajor(m.coordinates.data(), m.nC), e});
}

// Start and end vertex (0-based) of element i.
inline int startVertex(const PolygonMesh& m, int i) { return static_cast<int>(m.elements[i]) - 1; }
inline int endVertex(const PolygonMesh& m, int i) {
  return static_cast<int>(m.elements[i + static_cast<size_t>(m.nE)]) - 1;
}

inline double elementLength(const PolygonMesh& m, int i) {
  const size_t a = startVertex(m, i), b = endVertex(m, i), n = m.nC;
  return std::hypot(m.coordinates[b] - m.coordinates[a],
                    m.coordinates[b + n] - m.coordinates[a + n]);
}

// Largest |entry|, and largest |a - b| entry by entry (a and b of one size).
inline double maxAbs(const std::vector<double>& a) {
  double r = 0;
  for (double v : a) r = std::max(r, std::fabs(v));
  return r;
}

inline double maxDiff(const std::vector<double>& a, const std::vector<double>& b) {
  double r = 0;
  for (size_t k = 0; k < a.size(); ++k) r = std::max(r, std::fabs(a[k] - b[k]));
  return r;
}

// A thread starter in place of spawnThread that refuses as std::thread does
// when the system has no thread to give.
inline std::thread refuseEveryThread(void (*)(void*), void*) {
  throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}
