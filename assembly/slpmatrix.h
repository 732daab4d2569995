// Single-layer Galerkin matrix for piecewise-constant functions:
//   V(i, j) = -1/(2 pi) int_{element i} int_{element j} log|x - y| ds_y ds_x,
// each entry slpPairEntry of the two elements, stored at (i, j) and (j, i), so
// V is exactly symmetric. out is nE-by-nE, column-major; every entry is
// written. Vertex numbers in `elements` lie in 1..nC (checked by the host
// boundary).
#pragma once

#include "assembly_records.h"

// Fills V in the calling thread; each pair is evaluated with the element of
// smaller index first.
void assembleSlpSerial(double* out, int nC, int nE, const double* coordinates,
                       const double* elements, double eta);

// Fills V with the four column workers (slpmatrix uses it from nE = 200 on);
// each pair is evaluated with the element of larger index first, so the
// result equals the serial one up to rounding. Returns after every worker has
// ended. A worker whose thread the system refuses runs on the calling thread.
// May throw std::bad_alloc before any thread is started.
void assembleSlpThreaded(double* out, int nC, int nE, const double* coordinates,
                         const double* elements, double eta, ThreadSpawn spawn = spawnThread);
