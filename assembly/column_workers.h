// Column workers of the single-layer matrix: four threads, each filling the
// entries whose larger index (row or column) lies in its contiguous column
// range, the ranges cut so that the workers evaluate about equally many
// element pairs.
#pragma once

#include <thread>

#include "assembly_records.h"

// One column worker. The thread's start argument is the record itself.
struct CompWorkerSimple {
  std::thread thread;
  int first;  // first column
  int last;   // last column, inclusive (first > last: nothing to do)
  const AssemblyParams* params;
  const MatrixTarget* target;
};

// Column ranges of the four workers for an nE-by-nE matrix. Column i costs
// i + 1 pair evaluations; with share = nE (nE + 1) / 8, a quarter of the pairs
// of the lower triangle, the cut after first_k is
//   last_k = floor(sqrt(first_k (first_k + 1) + 1 + 2 share)),
// slightly beyond the point where the range's pair count reaches share, and
// the last worker takes the remaining columns. All counts are 64-bit (the pair
// count passes 2^31 at about nE = 46,341); a cut beyond nE - 1 (only for very
// small nE) is held at nE - 1 and leaves the later ranges empty.
void slpColumnRanges(int nE, int first[4], int last[4]);

// Fills *worker with its range and shared records and starts start(worker)
// on a thread made by spawn. Returns false when no thread could be made; the
// record is then complete but its thread unjoinable, and the caller runs
// start(worker) itself.
bool newCompWorkerSimple(CompWorkerSimple* worker, void (*start)(void*), const MatrixTarget* target,
                         int first, int last, const AssemblyParams* params, ThreadSpawn spawn);

// Start routine of a column worker (argument: its CompWorkerSimple). For
// every column i of the range and every j <= i it stores
// slpPairEntry(element i, element j, eta) at (i, j) and at (j, i).
void slpColumnWorker(void* arg);
