// The meshes as every kernel reads them, built once from the caller's nodes
// and node numbers (0-based, already checked to name a node) and then shared,
// read-only, by any number of calls and threads: a call costs in proportion
// to what it computes, never to a conversion of the whole mesh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "points.h"
#include "segment.h"

// A boundary mesh: nodes and straight elements, each from its start node to
// its end node.
struct BoundaryMesh {
  std::ptrdiff_t nodeCount = 0;
  std::ptrdiff_t elementCount = 0;
  std::vector<double> nodeX, nodeY;  // node p lies at (nodeX[p], nodeY[p])
  std::vector<int> start, end;       // the 0-based nodes of element j
  // Element j in its own frame (ends, length, unit tangent and normal).
  std::vector<Segment> segments;

  // The same geometry by quantity, for the lane loops: paddedCount(nE)
  // entries, zero beyond nE. Midpoint m = (A + B)/2, half-vector
  // h = (B - A)/2, length, unit normal.
  std::vector<double> mx, my, hx, hy, length, nx, ny;

  // The elements at node p, nodeElements[nodeFirst[p] .. nodeFirst[p + 1]),
  // in increasing order; an element whose two ends are the same node is
  // listed once.
  std::vector<std::int64_t> nodeFirst;
  std::vector<int> nodeElements;

  // The support of node p's hat function. A node is regular when it ends
  // exactly one element and starts exactly one, neither of zero length;
  // supportRadius is the length of its longest element, which bounds the
  // distance of every point of the support from the node; supportElements
  // holds the element it starts and the element it ends (meaningful for
  // regular nodes only).
  std::vector<unsigned char> regularNode;
  std::vector<double> supportRadius;
  std::vector<int> supportElements;  // 2 per node
  // Per element, padded as above: 1 where both of its nodes are regular, else
  // 0; and 2 R + L/2, R the larger support radius of its nodes, so that every
  // element of both supports lies within it of the element's midpoint with
  // room to spare.
  std::vector<double> regularElement, supportReach;

  // The count of nodes that the elements name: the largest number plus one
  // (0 without elements).
  std::ptrdiff_t nodesNamed = 0;
};

// The mesh of the nodes and of the elements whose 0-based node numbers are
// start[j] and end[j] (each in 0..nodes.count - 1).
void buildBoundaryMesh(const Points& nodes, const std::vector<int>& start,
                       const std::vector<int>& end, BoundaryMesh* mesh);

// A triangulation: vertices and triangles of three 0-based vertex numbers.
struct TriangleMesh {
  std::ptrdiff_t vertexCount = 0;
  std::ptrdiff_t triangleCount = 0;
  std::vector<double> vertexX, vertexY;
  std::vector<int> corners;  // 3 per triangle, in the caller's order
};
