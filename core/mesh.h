// The meshes as every kernel reads them, built once from the caller's nodes
// and node numbers (0-based, already checked to name a node) and then shared,
// read-only, by any number of calls and threads: a call costs in proportion
// to what it computes, never to a conversion of the whole mesh.
//
// Reference scale. Every formula of the kernels is homogeneous in the
// coordinates, but its intermediate quantities are not bounded by the
// result: squared lengths, the fourth powers of distances in the
// hypersingular kernel, the moments of a triangle up to its 20th power of
// size. Far from the unit of length they under- or overflow although the
// result is a finite double. A mesh whose largest coordinate (of a node that
// an element names) lies outside [2^-kScaleWindow, 2^kScaleWindow] is
// therefore stored scaled by 2^-scaleExponent, which brings that coordinate
// into [1, 2) and is exact in binary floating point (but for a coordinate
// below 2^-1022 of the largest, which rounds to a multiple of 2^-1074 of the
// largest, far below the largest's own rounding). The kernels scale a
// call's points alike and apply the scaling law of their module to the
// results (each kernel states its law). Within the window, where nothing
// under- or overflows, the mesh is stored as given (scaleExponent 0) and the
// arithmetic is the one of the caller's coordinates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "points.h"
#include "segment.h"

constexpr int kScaleWindow = 32;

// A boundary mesh: nodes and straight elements, each from its start node to
// its end node.
struct BoundaryMesh {
  std::ptrdiff_t nodeCount = 0;
  std::ptrdiff_t elementCount = 0;
  // The caller's node p lies at 2^scaleExponent (nodeX[p], nodeY[p]); the
  // geometry below is that of the stored nodes.
  int scaleExponent = 0;
  std::vector<double> nodeX, nodeY;
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
  // Per node, the integral over the boundary of the arc-length derivative of
  // its hat: the elements of positive length that end at p less those that
  // start there (0 at a regular node, 1 or -1 at an end of an open chain).
  // The logarithm's term of the hypersingular matrix's scaling law.
  std::vector<int> hatSlopeIntegral;

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
  // The caller's vertex v lies at 2^scaleExponent (vertexX[v], vertexY[v]),
  // as for a boundary mesh.
  int scaleExponent = 0;
  std::vector<double> vertexX, vertexY;
  std::vector<int> corners;  // 3 per triangle, in the caller's order
};

// The triangulation of the vertices and of the triangles whose 0-based
// corners are corners[3 t .. 3 t + 2] (each in 0..vertices.count - 1).
void buildTriangleMesh(const Points& vertices, std::vector<int> corners, TriangleMesh* mesh);

// The exponent of the reference scale of a geometry whose largest absolute
// coordinate is `largest`: 0 within [2^-kScaleWindow, 2^kScaleWindow] (and
// for 0, an infinity or NaN, which no scale helps), else the binary exponent
// of `largest`, so that 2^-e largest lies in [1, 2).
int referenceExponent(double largest);

// The points of a call at the reference scale 2^-e of its mesh: x itself
// when e is 0, else a scaled copy in *storage (column-major). A coordinate
// below 2^-1022 of the mesh's largest rounds as the mesh's do; one more than
// 2^1023 times the mesh's largest overflows (its results are then not
// finite, as the squared distances of such a point overflow at any scale).
Points referencePoints(const Points& x, int e, std::vector<double>* storage);

// log(2^e) / (2 pi), the coefficient of the logarithmic term in the scaling
// laws of the single-layer and Newton potentials and of W (see the kernels).
double scaleLogOverTwoPi(int e);
