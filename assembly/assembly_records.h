// Per-call records shared by the worker threads of both matrix modules, and
// the one place where a worker thread is started.
#pragma once

#include <cstddef>
#include <thread>

// One assembly call; read-only for every worker. Node k (1-based) has
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

// The output matrix, column-major: entry (r, c) at data[r + c * rows], the
// offset taken in 64 bits.
struct MatrixTarget {
  double* data;
  int rows;
  int cols;
};

// End points of element i as a segment (start.x, start.y, end.x, end.y).
void elementEnds(const AssemblyParams& params, std::ptrdiff_t i, double* segment);

// Makes a thread running routine(arg). Every worker thread of the matrix
// modules is made through one of these; the default is spawnThread, tests
// pass one that refuses (throws as std::thread does when the system has no
// thread to give).
using ThreadSpawn = std::thread (*)(void (*routine)(void*), void* arg);

// std::thread(routine, arg).
std::thread spawnThread(void (*routine)(void*), void* arg);

// Starts routine(arg) through spawn into *handle. Returns false, with *handle
// left unjoinable, when the thread cannot be made (std::system_error, or
// std::bad_alloc for its start record); the caller then runs the work on its
// own thread. A refused thread must not end the host process.
bool startWorkerThread(std::thread* handle, ThreadSpawn spawn, void (*routine)(void*), void* arg);
