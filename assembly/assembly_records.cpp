#include "assembly_records.h"

#include "geometry.h"

void elementEnds(const AssemblyParams& params, std::ptrdiff_t i, double* segment) {
  const std::ptrdiff_t nCs = params.nC, nEs = params.nE;
  const std::ptrdiff_t a = vertexIndex(params.elements[i]);
  const std::ptrdiff_t b = vertexIndex(params.elements[i + nEs]);
  segment[0] = params.coordinates[a];
  segment[1] = params.coordinates[a + nCs];
  segment[2] = params.coordinates[b];
  segment[3] = params.coordinates[b + nCs];
}
