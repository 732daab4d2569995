// Per-call record shared by the threads of both matrix modules.
#pragma once

#include <cstddef>

// One assembly call; read-only for every thread. Node k (1-based) has
// x = coordinates[k - 1] and y = coordinates[nC + k - 1]; element i (0-based)
// runs from node elements[i] to node elements[nE + i], numbers stored as
// doubles that the host boundary has checked to lie in 1..nC.
struct AssemblyParams {
  int nC;
  int nE;
  const double* coordinates;
  const double* elements;
  double eta;
  // Hypersingular matrix only (see hyp_pair.h): per node, whether it is
  // regular, the radius of its hat's support and its two elements.
  const unsigned char* regular = nullptr;
  const double* patchRadius = nullptr;
  const int* patchElements = nullptr;
};

// End points of element i as a segment (start.x, start.y, end.x, end.y).
void elementEnds(const AssemblyParams& params, std::ptrdiff_t i, double* segment);
