// The toolkit's one parallel loop: a range of independent chunks of work
// spread over std::threads that all end before it returns.
//
// Results never depend on the number of threads: every output is written by
// the one chunk that computes it, and a chunk computes the same numbers on
// any thread. The calling thread takes chunks too and, between them, asks
// the host whether the user has interrupted the call; workers only read a
// shared stop flag, so nothing but the calling thread talks to the host.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

// Makes a thread running routine(arg). Every worker thread of the toolkit is
// made through one of these; the default is spawnThread, and tests pass one
// that refuses (throws as std::thread does when the system has no thread to
// give).
using ThreadSpawn = std::thread (*)(void (*routine)(void*), void* arg);

// std::thread(routine, arg).
std::thread spawnThread(void (*routine)(void*), void* arg);

// How a call runs.
struct RunOptions {
  // Threads to use, the calling thread included; 0 or less: threadCount().
  int threads = 0;
  ThreadSpawn spawn = spawnThread;
  // Polled by the calling thread only, between chunks and at least every 50
  // ms while it waits: true stops the call (see parallelChunks).
  bool (*interrupted)(void* context) = nullptr;
  void* interruptContext = nullptr;
  // Width of the vector lanes of the hot loops: 0 for the widest that the CPU
  // and the build offer, or 1, 4, 8 for at most that many (tests compare them).
  int lanes = 0;
};

// Whether the host has interrupted the call: the options' poll, or false
// without one.
bool pollInterrupt(const RunOptions& options);

// The number of threads a call uses by default: the environment variable
// BEM2D_NUM_THREADS when it holds a positive integer (read at every call, so
// that setting it in a running host takes effect), else every hardware thread
// (at least 1). At most 1024.
int threadCount();

// The thread count of a call with these options.
int threadsFor(const RunOptions& options);

// Runs work(context, chunk, thread) for every chunk in 0..chunks-1, on up to
// threadsFor(options) threads (the calling thread is thread 0; a worker's
// index is 1 and up). Chunks are handed out in increasing order as threads
// become free. A thread that the system refuses is not started: the others
// take its share. Returns false, after every started thread has ended, when
// the interrupt poll said so; chunks not yet started are then skipped and
// the caller must discard the output. Returns true otherwise.
using ChunkWork = void (*)(void* context, std::int64_t chunk, int thread);
bool parallelChunks(std::int64_t chunks, const RunOptions& options, ChunkWork work,
                    void* context);

// The same with any callable f(chunk, thread).
template <class F>
bool parallelFor(std::int64_t chunks, const RunOptions& options, F&& f) {
  return parallelChunks(
      chunks, options,
      [](void* c, std::int64_t chunk, int thread) { (*static_cast<F*>(c))(chunk, thread); }, &f);
}

// Sets out[0..size-1] to zero in chunks of 1 MB on the threads of options,
// polling for an interrupt between them: the system maps a fresh page at its
// first write, and a large output mapped in one go would leave a call deaf to
// Ctrl-C for as long as that takes. Returns false when interrupted.
bool zeroFill(double* out, std::int64_t size, const RunOptions& options);
