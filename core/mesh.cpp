#include "mesh.h"

#include <cmath>
#include <utility>

#include "constants.h"
#include "padding.h"

int referenceExponent(double largest) {
  if (!(largest > 0) || std::isinf(largest)) return 0;
  if (largest >= std::ldexp(1.0, -kScaleWindow) && largest <= std::ldexp(1.0, kScaleWindow)) {
    return 0;
  }
  return std::ilogb(largest);
}

Points referencePoints(const Points& x, int e, std::vector<double>* storage) {
  if (e == 0) return x;
  const std::ptrdiff_t n = x.count;
  storage->resize(2 * static_cast<size_t>(n));
  for (std::ptrdiff_t i = 0; i < n; ++i) {
    (*storage)[i] = std::ldexp(x.x(i), -e);
    (*storage)[i + n] = std::ldexp(x.y(i), -e);
  }
  return columnMajor(storage->data(), n);
}

double scaleLogOverTwoPi(int e) { return e * kLn2OverTwoPi; }

namespace {

// The largest absolute coordinate of the points numbered in `numbers`
// (NaN coordinates left out).
double largestCoordinate(const Points& p, const std::vector<int>& numbers) {
  double r = 0;
  for (int k : numbers) r = std::fmax(r, std::fmax(std::fabs(p.x(k)), std::fabs(p.y(k))));
  return r;
}

// The coordinates of p scaled by 2^-e into x and y.
void storeScaled(const Points& p, int e, std::vector<double>* x, std::vector<double>* y) {
  x->resize(static_cast<size_t>(p.count));
  y->resize(static_cast<size_t>(p.count));
  for (std::ptrdiff_t k = 0; k < p.count; ++k) {
    (*x)[k] = e == 0 ? p.x(k) : std::ldexp(p.x(k), -e);
    (*y)[k] = e == 0 ? p.y(k) : std::ldexp(p.y(k), -e);
  }
}

}  // namespace

void buildTriangleMesh(const Points& vertices, std::vector<int> corners, TriangleMesh* mesh) {
  TriangleMesh& m = *mesh;
  m.vertexCount = vertices.count;
  m.triangleCount = static_cast<std::ptrdiff_t>(corners.size() / 3);
  m.scaleExponent = referenceExponent(largestCoordinate(vertices, corners));
  storeScaled(vertices, m.scaleExponent, &m.vertexX, &m.vertexY);
  m.corners = std::move(corners);
}

void buildBoundaryMesh(const Points& nodes, const std::vector<int>& start,
                       const std::vector<int>& end, BoundaryMesh* mesh) {
  BoundaryMesh& m = *mesh;
  const std::ptrdiff_t nC = nodes.count;
  const std::ptrdiff_t nE = static_cast<std::ptrdiff_t>(start.size());
  m.nodeCount = nC;
  m.elementCount = nE;
  m.scaleExponent = referenceExponent(
      std::fmax(largestCoordinate(nodes, start), largestCoordinate(nodes, end)));
  storeScaled(nodes, m.scaleExponent, &m.nodeX, &m.nodeY);
  m.start = start;
  m.end = end;

  const size_t padded = static_cast<size_t>(paddedCount(nE));
  m.segments.resize(static_cast<size_t>(nE));
  for (std::vector<double>* v : {&m.mx, &m.my, &m.hx, &m.hy, &m.length, &m.nx, &m.ny,
                                 &m.regularElement, &m.supportReach}) {
    v->assign(padded, 0.0);
  }
  m.nodesNamed = 0;
  for (std::ptrdiff_t j = 0; j < nE; ++j) {
    const int a = start[j], b = end[j];
    const Segment s = m.segments[j] = segmentOf(m.nodeX[a], m.nodeY[a], m.nodeX[b], m.nodeY[b]);
    m.mx[j] = (s.A[0] + s.B[0]) * 0.5;
    m.my[j] = (s.A[1] + s.B[1]) * 0.5;
    m.hx[j] = (s.B[0] - s.A[0]) * 0.5;
    m.hy[j] = (s.B[1] - s.A[1]) * 0.5;
    m.length[j] = s.L;
    m.nx[j] = s.n[0];
    m.ny[j] = s.n[1];
    const std::ptrdiff_t named = (a > b ? a : b) + 1;
    if (named > m.nodesNamed) m.nodesNamed = named;
  }

  // The elements at each node, by counting and then filling in element order.
  m.nodeFirst.assign(static_cast<size_t>(nC) + 1, 0);
  for (std::ptrdiff_t j = 0; j < nE; ++j) {
    ++m.nodeFirst[static_cast<size_t>(start[j]) + 1];
    if (end[j] != start[j]) ++m.nodeFirst[static_cast<size_t>(end[j]) + 1];
  }
  for (size_t p = 0; p < static_cast<size_t>(nC); ++p) m.nodeFirst[p + 1] += m.nodeFirst[p];
  m.nodeElements.resize(static_cast<size_t>(m.nodeFirst[static_cast<size_t>(nC)]));
  {
    std::vector<std::int64_t> fill(m.nodeFirst.begin(), m.nodeFirst.end() - 1);
    for (std::ptrdiff_t j = 0; j < nE; ++j) {
      m.nodeElements[static_cast<size_t>(fill[static_cast<size_t>(start[j])]++)] = static_cast<int>(j);
      if (end[j] != start[j]) {
        m.nodeElements[static_cast<size_t>(fill[static_cast<size_t>(end[j])]++)] = static_cast<int>(j);
      }
    }
  }

  // The hats' supports.
  std::vector<int> starts(static_cast<size_t>(nC), 0), ends(static_cast<size_t>(nC), 0);
  std::vector<unsigned char> degenerate(static_cast<size_t>(nC), 0);
  m.supportRadius.assign(static_cast<size_t>(nC), 0.0);
  m.supportElements.assign(2 * static_cast<size_t>(nC), -1);
  for (std::ptrdiff_t j = 0; j < nE; ++j) {
    const size_t a = static_cast<size_t>(start[j]), b = static_cast<size_t>(end[j]);
    const double L = m.segments[j].L;
    ++starts[a];
    ++ends[b];
    m.supportElements[2 * a] = static_cast<int>(j);
    m.supportElements[2 * b + 1] = static_cast<int>(j);
    if (!(L > 0)) degenerate[a] = degenerate[b] = 1;
    for (size_t v : {a, b}) m.supportRadius[v] = std::fmax(m.supportRadius[v], L);
  }
  m.hatSlopeIntegral.assign(static_cast<size_t>(nC), 0);
  for (std::ptrdiff_t j = 0; j < nE; ++j) {
    if (!(m.segments[j].L > 0)) continue;
    --m.hatSlopeIntegral[static_cast<size_t>(start[j])];
    ++m.hatSlopeIntegral[static_cast<size_t>(end[j])];
  }
  m.regularNode.assign(static_cast<size_t>(nC), 0);
  for (size_t p = 0; p < static_cast<size_t>(nC); ++p) {
    m.regularNode[p] = starts[p] == 1 && ends[p] == 1 && !degenerate[p];
  }
  for (std::ptrdiff_t j = 0; j < nE; ++j) {
    const size_t a = static_cast<size_t>(start[j]), b = static_cast<size_t>(end[j]);
    m.regularElement[j] = m.regularNode[a] && m.regularNode[b] ? 1.0 : 0.0;
    const double R = m.supportRadius[a] > m.supportRadius[b] ? m.supportRadius[a] : m.supportRadius[b];
    m.supportReach[j] = 2 * R + 0.5 * m.length[j];
  }
}
