#include "element_workers.h"

#include <chrono>
#include <cstdint>
#include <new>

#include "geometry.h"
#include "hyp_pair.h"
#include "slp_pair.h"

namespace {

// target(:, v.column) += v.data, in the calling thread only.
void addVector(const MatrixTarget& target, const NodeVector* v) {
  double* column = target.data + static_cast<std::ptrdiff_t>(v->column) * target.rows;
  for (std::ptrdiff_t r = 0; r < v->length; ++r) column[r] = v->data[r] + column[r];
}

// Hands a finished vector on: into the worker's queue, or straight into the
// output when the worker runs on the calling thread. False when out of memory
// (v is then released).
bool deliverVector(CompWorker* w, NodeVector* v) {
  if (w->direct != nullptr) {
    addVector(*w->direct, v);
    deleteNodeVector(v);
    return true;
  }
  if (!enqueueVector(&w->queue, v)) {
    deleteNodeVector(v);
    return false;
  }
  return true;
}

// Consumer side: unlinks the head node, whose successor `next` has been read
// with acquire (null only for a finished worker), and returns its vector. The
// store can be relaxed: the producer only tests head against null, and a
// running worker's head never becomes null.
NodeVector* takeHead(VectorQueue* queue, QueueNode* head, QueueNode* next) {
  queue->head.store(next, std::memory_order_relaxed);
  if (next == nullptr) queue->tail = nullptr;
  queue->count.fetch_sub(1, std::memory_order_relaxed);
  NodeVector* v = head->vector;
  delete head;
  return v;
}

}  // namespace

NodeVector* newNodeVector(int column, int length) {
  NodeVector* v = new (std::nothrow) NodeVector;
  if (v == nullptr) return nullptr;
  v->data = new (std::nothrow) double[static_cast<std::size_t>(length)]();
  if (v->data == nullptr) {
    delete v;
    return nullptr;
  }
  v->length = length;
  v->column = column;
  return v;
}

void deleteNodeVector(NodeVector* v) {
  delete[] v->data;
  delete v;
}

bool enqueueVector(VectorQueue* queue, NodeVector* v) {
  QueueNode* node = new (std::nothrow) QueueNode;
  if (node == nullptr) return false;
  node->vector = v;
  node->next.store(nullptr, std::memory_order_relaxed);
  // The node is complete; publish it. The consumer never empties the queue of
  // a running worker, so a non-null head stays non-null and tail stays ours.
  if (queue->head.load(std::memory_order_acquire) == nullptr) {
    queue->tail = node;
    queue->head.store(node, std::memory_order_release);
  } else {
    queue->tail->next.store(node, std::memory_order_release);
    queue->tail = node;
  }
  const int queued = queue->count.fetch_add(1, std::memory_order_relaxed) + 1;
  if (queued > queue->peak) queue->peak = queued;
  return true;
}

CompWorker* newCompWorker(CompWorker** ring, void (*start)(void*), int first, int last,
                          const AssemblyParams* params, ThreadSpawn spawn) {
  CompWorker* w = new (std::nothrow) CompWorker;
  if (w == nullptr) return nullptr;
  w->first = first;
  w->last = last;
  w->params = params;
  // Linked before its thread starts: the worker never reads `next`.
  if (*ring == nullptr) {
    w->next = w;
    *ring = w;
  } else {
    w->next = (*ring)->next;
    (*ring)->next = w;
  }
  startWorkerThread(&w->thread, spawn, start, w);
  return w;
}

void hypElementWorker(void* arg) {
  CompWorker* w = static_cast<CompWorker*>(arg);
  w->status.store(0, std::memory_order_relaxed);
  const AssemblyParams& p = *w->params;
  const std::ptrdiff_t nCs = p.nC, nEs = p.nE;
  const double* xy = p.coordinates;
  double S[4];
  for (std::ptrdiff_t i = w->first; i <= w->last; ++i) {
    const std::ptrdiff_t a = vertexIndex(p.elements[i]);
    const std::ptrdiff_t b = vertexIndex(p.elements[i + nEs]);
    // Element i reversed: from its end node b to its start node a.
    const double R[4] = {xy[b], xy[b + nCs], xy[a], xy[a + nCs]};
    NodeVector* vA = newNodeVector(static_cast<int>(a), p.nC);
    NodeVector* vB = newNodeVector(static_cast<int>(b), p.nC);
    if (vA == nullptr || vB == nullptr) {
      if (vA != nullptr) deleteNodeVector(vA);
      if (vB != nullptr) deleteNodeVector(vB);
      w->outOfMemory = true;
      break;
    }
    const double F[4] = {R[2], R[3], R[0], R[1]};  // element i as given
    double* A = vA->data;
    double* B = vB->data;
    for (std::ptrdiff_t j = 0; j < nEs; ++j) {
      const std::ptrdiff_t c = vertexIndex(p.elements[j]);
      const std::ptrdiff_t d = vertexIndex(p.elements[j + nEs]);
      S[0] = xy[c];
      S[1] = xy[c + nCs];
      S[2] = xy[d];
      S[3] = xy[d + nCs];
      // The entries (c, a), (d, a), (c, b), (d, b): between far regular nodes
      // the block of the hypersingular kernel, elsewhere the signed log form
      // (hyp_pair.h), each entry by one form from all its element pairs.
      const bool far[4] = {farEntry(p, c, a), farEntry(p, d, a), farEntry(p, c, b),
                           farEntry(p, d, b)};
      double x = 0;
      if (!(far[0] && far[1] && far[2] && far[3])) x = slpPairNormalized(S, R, p.eta);
      double block[2][2] = {{0, 0}, {0, 0}};
      if (far[0] || far[1] || far[2] || far[3]) hypFarBlock(S, F, block);
      // s(j, c) = -1, s(j, d) = +1 against s(i, a) = -1 (vA), s(i, b) = +1 (vB).
      A[c] = (far[0] ? block[0][0] : x) + A[c];
      A[d] = A[d] + (far[1] ? block[1][0] : -x);
      B[c] = B[c] + (far[2] ? block[0][1] : -x);
      B[d] = (far[3] ? block[1][1] : x) + B[d];
    }
    if (!deliverVector(w, vA)) {
      deleteNodeVector(vB);
      w->outOfMemory = true;
      break;
    }
    if (!deliverVector(w, vB)) {
      w->outOfMemory = true;
      break;
    }
    // Keep the memory in flight bounded: the collector takes one vector per
    // visit, and while it sleeps or is descheduled a fast worker could queue
    // vectors without limit.
    while (w->direct == nullptr && w->queue.count.load(std::memory_order_relaxed) > kQueueLimit) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  }
  // Everything above (queue, peak, outOfMemory) happens before status 1.
  w->status.store(1, std::memory_order_release);
}

bool runCompWorkers(const MatrixTarget& target, const AssemblyParams& params, void (*start)(void*),
                    int first, int end, const WorkerOptions& options) {
  // One worker per 100 elements, at least one and at most two: one below 200
  // elements, two from 200 on.
  const std::int64_t total = static_cast<std::int64_t>(end) - first;
  std::int64_t n = options.workers > 0 ? options.workers : total / 100;
  if (n < 1) n = 1;
  if (options.workers <= 0 && n > 2) n = 2;

  bool complete = true;
  CompWorker* ring = nullptr;
  int created = 0;
  for (std::int64_t k = 0; k < n; ++k) {
    const int lo = static_cast<int>(first + (k * total) / n);
    const int hi = static_cast<int>(first + ((k + 1) * total) / n - 1);
    if (newCompWorker(&ring, start, lo, hi, &params, options.spawn) == nullptr) {
      complete = false;  // this range and the later ones stay undone
      break;
    }
    ++created;
  }

  // Ranges whose thread was refused run here, before collecting, with their
  // vectors going straight into the output. A running worker meanwhile pauses
  // at kQueueLimit, so this cannot deadlock.
  if (ring != nullptr) {
    CompWorker* w = ring;
    do {
      if (!w->thread.joinable()) {
        w->direct = &target;
        start(w);
      }
      w = w->next;
    } while (w != ring);
  }

  CollectStats stats;
  stats.workers = created;
  CompWorker* cur = ring;
  long long idle = 0;
  while (cur != nullptr) {
    // The first visit goes to the successor of the first worker.
    CompWorker* w = cur->next;
    // Status before head: a vector queued before status 1 is then seen.
    const int status = w->status.load(std::memory_order_acquire);
    QueueNode* head = w->queue.head.load(std::memory_order_acquire);
    if (status == 1) {
      if (head != nullptr) {
        NodeVector* v = takeHead(&w->queue, head, head->next.load(std::memory_order_acquire));
        addVector(target, v);
        deleteNodeVector(v);
        ++stats.vectors;
        idle = 0;
        cur = w;
      } else {
        // Finished and drained: join it (it is past its last store, so this
        // returns at once) and release it.
        if (w->thread.joinable()) w->thread.join();
        if (w->outOfMemory) complete = false;
        if (w->queue.peak > stats.peakQueued) stats.peakQueued = w->queue.peak;
        if (w->next == w) {
          delete w;
          cur = nullptr;
        } else {
          CompWorker* after = w->next;
          cur->next = after;
          delete w;
          cur = after;
        }
      }
    } else {
      // A running worker's last node is never taken: the worker may be
      // linking its successor.
      QueueNode* next = head != nullptr ? head->next.load(std::memory_order_acquire) : nullptr;
      if (next != nullptr) {
        NodeVector* v = takeHead(&w->queue, head, next);
        addVector(target, v);
        deleteNodeVector(v);
        ++stats.vectors;
        idle = 0;
      } else {
        ++idle;
        if (idle % n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      cur = w;
    }
  }
  if (options.stats != nullptr) *options.stats = stats;
  return complete;
}
