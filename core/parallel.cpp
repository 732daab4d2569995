#include "parallel.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <system_error>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

std::thread spawnThread(void (*routine)(void*), void* arg) { return std::thread(routine, arg); }

int threadCount() {
  const char* text = std::getenv("BEM2D_NUM_THREADS");
  if (text != nullptr) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && n > 0) return n > 1024 ? 1024 : static_cast<int>(n);
  }
  const unsigned hardware = std::thread::hardware_concurrency();
  if (hardware == 0) return 1;
  return hardware > 1024 ? 1024 : static_cast<int>(hardware);
}

int threadsFor(const RunOptions& options) {
  if (options.threads > 0) return options.threads > 1024 ? 1024 : options.threads;
  return threadCount();
}

namespace {

// Shared by the threads of one call.
struct Loop {
  std::int64_t chunks;
  ChunkWork work;
  void* context;
  std::atomic<std::int64_t> next{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable finished;
  int running = 0;  // workers started and not yet finished, under mutex
};

struct Worker {
  Loop* loop;
  int index;
};

void runChunks(Loop& loop, int thread) {
  while (!loop.stop.load(std::memory_order_relaxed)) {
    const std::int64_t chunk = loop.next.fetch_add(1, std::memory_order_relaxed);
    if (chunk >= loop.chunks) break;
    loop.work(loop.context, chunk, thread);
  }
}

void workerMain(void* arg) {
  Worker* w = static_cast<Worker*>(arg);
  runChunks(*w->loop, w->index);
  std::lock_guard<std::mutex> lock(w->loop->mutex);
  if (--w->loop->running == 0) w->loop->finished.notify_one();
}

}  // namespace

bool pollInterrupt(const RunOptions& options) {
  return options.interrupted != nullptr && options.interrupted(options.interruptContext);
}

bool parallelChunks(std::int64_t chunks, const RunOptions& options, ChunkWork work,
                    void* context) {
  if (chunks <= 0) return !pollInterrupt(options);
  Loop loop;
  loop.chunks = chunks;
  loop.work = work;
  loop.context = context;

  int threads = threadsFor(options);
  if (threads > chunks) threads = static_cast<int>(chunks);
  // Records first, so that nothing can fail once a thread runs.
  std::vector<Worker> workers(static_cast<size_t>(threads > 1 ? threads - 1 : 0));
  std::vector<std::thread> handles(workers.size());
  for (size_t k = 0; k < workers.size(); ++k) {
    workers[k] = {&loop, static_cast<int>(k) + 1};
    {
      std::lock_guard<std::mutex> lock(loop.mutex);
      ++loop.running;
    }
    bool started = true;
    try {
      handles[k] = options.spawn(workerMain, &workers[k]);
    } catch (const std::system_error&) {
      started = false;
    } catch (const std::bad_alloc&) {
      started = false;
    }
    if (!started) {
      // Refused: the other threads take its share.
      std::lock_guard<std::mutex> lock(loop.mutex);
      --loop.running;
    }
  }

  // The calling thread works too, and asks the host between its chunks.
  bool interrupted = false;
  while (!loop.stop.load(std::memory_order_relaxed)) {
    if (pollInterrupt(options)) {
      interrupted = true;
      loop.stop.store(true, std::memory_order_relaxed);
      break;
    }
    const std::int64_t chunk = loop.next.fetch_add(1, std::memory_order_relaxed);
    if (chunk >= loop.chunks) break;
    work(context, chunk, 0);
  }
  // Wait for the workers' last chunks, still answering the host.
  {
    std::unique_lock<std::mutex> lock(loop.mutex);
    while (loop.running > 0) {
      loop.finished.wait_for(lock, std::chrono::milliseconds(20));
      if (!interrupted && loop.running > 0) {
        lock.unlock();
        if (pollInterrupt(options)) {
          interrupted = true;
          loop.stop.store(true, std::memory_order_relaxed);
        }
        lock.lock();
      }
    }
  }
  for (std::thread& h : handles) {
    if (h.joinable()) h.join();
  }
  return !interrupted;
}

namespace {

// Asks the system to map the whole pages of out[0..size-1] 2 MB at a time
// where it offers transparent huge pages on request (Linux): a fresh page is
// mapped at its first write, 4 KB at a time otherwise, and each mapping costs
// microseconds on a virtual machine, which adds up to seconds for a matrix of
// gigabytes (numpy asks the same for its large arrays). A request the system
// refuses changes nothing.
void adviseHugePages(double* out, std::int64_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  const std::uintptr_t page = 4096, huge = std::uintptr_t(1) << 21;
  const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(out);
  const std::uintptr_t end = begin + static_cast<std::uintptr_t>(size) * sizeof(double);
  const std::uintptr_t first = (begin + page - 1) & ~(page - 1), last = end & ~(page - 1);
  if (last > first && last - first >= 2 * huge) {
    madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  }
#else
  (void)out;
  (void)size;
#endif
}

}  // namespace

bool zeroFill(double* out, std::int64_t size, const RunOptions& options) {
  adviseHugePages(out, size);
  const std::int64_t chunk = std::int64_t(1) << 17;
  return parallelFor((size + chunk - 1) / chunk, options, [&](std::int64_t k, int) {
    std::fill(out + k * chunk, out + std::min(size, (k + 1) * chunk), 0.0);
  });
}
