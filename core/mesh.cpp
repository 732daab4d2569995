#include "mesh.h"

#include <cmath>

#include "padding.h"

void buildBoundaryMesh(const Points& nodes, const std::vector<int>& start,
                       const std::vector<int>& end, BoundaryMesh* mesh) {
  BoundaryMesh& m = *mesh;
  const std::ptrdiff_t nC = nodes.count;
  const std::ptrdiff_t nE = static_cast<std::ptrdiff_t>(start.size());
  m.nodeCount = nC;
  m.elementCount = nE;
  m.nodeX.resize(static_cast<size_t>(nC));
  m.nodeY.resize(static_cast<size_t>(nC));
  for (std::ptrdiff_t p = 0; p < nC; ++p) {
    m.nodeX[p] = nodes.x(p);
    m.nodeY[p] = nodes.y(p);
  }
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
