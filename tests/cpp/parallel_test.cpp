// The shared parallel loop: every chunk once on any number of threads,
// refused threads, the interrupt between chunks and while waiting for a
// worker, and the thread count from the environment.
#include "parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "polygon_mesh.h"

namespace {

TEST(ParallelChunks, EveryChunkOnceOnAnyThreads) {
  for (int threads : {1, 2, 3, 8}) {
    for (ThreadSpawn spawn : {spawnThread, refuseEveryThread}) {
      std::vector<std::atomic<int>> seen(1000);
      RunOptions options;
      options.threads = threads;
      options.spawn = spawn;
      std::atomic<int> maxThread{0};
      EXPECT_TRUE(parallelFor(1000, options, [&](std::int64_t chunk, int thread) {
        seen[static_cast<size_t>(chunk)]++;
        int m = maxThread.load();
        while (thread > m && !maxThread.compare_exchange_weak(m, thread)) {
        }
      }));
      for (const auto& s : seen) EXPECT_EQ(s.load(), 1);
      // A refused thread leaves all chunks to the calling thread (index 0).
      EXPECT_LT(maxThread.load(), spawn == spawnThread ? threads : 1);
    }
  }
  RunOptions options;
  EXPECT_TRUE(parallelFor(0, options, [](std::int64_t, int) { FAIL(); }));
}

// The calling thread polls the interrupt between its chunks and while it
// waits; once it answers true no further chunk starts and the loop says so.
TEST(ParallelChunks, InterruptStopsTheLoop) {
  for (int threads : {1, 2, 4}) {
    std::atomic<int> polls{0}, done{0};
    RunOptions options;
    options.threads = threads;
    options.interruptContext = &polls;
    options.interrupted = [](void* c) { return ++*static_cast<std::atomic<int>*>(c) > 5; };
    EXPECT_FALSE(parallelFor(100000, options, [&](std::int64_t, int) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      ++done;
    }));
    EXPECT_LT(done.load(), 100000) << threads;
    EXPECT_GE(polls.load(), 6);
  }
}

// An interrupt raised while the calling thread has no chunk left and waits
// for a worker that holds a long one: the wait polls too, and the loop
// reports the interrupt. The calling thread's chunk ends only once the worker
// is inside its chunk, so each thread takes one; the poll after the calling
// thread's chunk comes before it looks for another, and says no; any later
// poll comes from the wait and says yes. The worker's chunk lasts until then
// (or 10 s, when nothing polls during the wait).
TEST(ParallelChunks, InterruptWhileWaitingForAWorker) {
  struct State {
    std::atomic<bool> workerInside{false}, callerDone{false}, raised{false};
    std::atomic<int> pollsAfterCaller{0};
    bool workerStillInside = false;  // when the interrupt was raised (calling thread only)
  } state;
  RunOptions options;
  options.threads = 2;
  options.interruptContext = &state;
  options.interrupted = [](void* c) {
    State& s = *static_cast<State*>(c);
    if (!s.callerDone || s.pollsAfterCaller++ == 0) return false;
    s.workerStillInside = s.workerInside;
    s.raised = true;
    return true;
  };
  const auto patience = std::chrono::seconds(10);
  EXPECT_FALSE(parallelFor(2, options, [&](std::int64_t, int thread) {
    const auto start = std::chrono::steady_clock::now();
    if (thread == 0) {
      while (!state.workerInside && std::chrono::steady_clock::now() - start < patience) {
        std::this_thread::yield();
      }
      state.callerDone = true;
      return;
    }
    state.workerInside = true;
    while (!state.raised && std::chrono::steady_clock::now() - start < patience) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    state.workerInside = false;
  }));
  EXPECT_TRUE(state.raised);
  EXPECT_TRUE(state.workerStillInside);
}

TEST(ThreadCount, FromTheEnvironmentAtEveryCall) {
  const unsigned hardware = std::thread::hardware_concurrency();
  ASSERT_EQ(setenv("BEM2D_NUM_THREADS", "3", 1), 0);
  EXPECT_EQ(threadCount(), 3);
  RunOptions options;
  EXPECT_EQ(threadsFor(options), 3);
  options.threads = 2;
  EXPECT_EQ(threadsFor(options), 2);
  for (const char* bad : {"0", "-2", "two", "3x", ""}) {
    ASSERT_EQ(setenv("BEM2D_NUM_THREADS", bad, 1), 0);
    EXPECT_EQ(threadCount(), hardware > 0 ? static_cast<int>(hardware) : 1) << bad;
  }
  ASSERT_EQ(unsetenv("BEM2D_NUM_THREADS"), 0);
  EXPECT_GE(threadCount(), 1);
}

}  // namespace
