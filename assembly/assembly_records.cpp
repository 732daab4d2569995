#include "assembly_records.h"

#include <new>
#include <system_error>

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

std::thread spawnThread(void (*routine)(void*), void* arg) { return std::thread(routine, arg); }

bool startWorkerThread(std::thread* handle, ThreadSpawn spawn, void (*routine)(void*), void* arg) {
  // The only exceptions caught in the assembly: std::thread reports a refused
  // thread by throwing, and the kernels report nothing.
  try {
    *handle = spawn(routine, arg);
  } catch (const std::system_error&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
