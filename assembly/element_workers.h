// Element workers and collector of the hypersingular matrix.
//
// Each worker owns a contiguous range of elements and turns every element of
// it into two dense vectors of nC doubles (one per end node), which it
// appends to its own queue. Only the calling thread writes the output: it
// visits the workers in turn along a circular list, adds queued vectors into
// the column of their node, and joins and releases each worker once it has
// finished and its queue is empty.
//
// Each queue has one producer (its worker) and one consumer (the calling
// thread) and no lock. The producer fills a node completely (vector, null
// next) before publishing it through queue.head or the tail's next (release
// stores), and publishes status 1 (release) only after its last node. The
// consumer reads status before queue.head and reads head and head.next with
// acquire loads, and while the producer runs it takes only a node that has a
// successor: the producer never finds the queue emptied under it and never
// writes into a node being freed, and no vector queued before status 1 can
// be missed.
#pragma once

#include <atomic>
#include <thread>

#include "assembly_records.h"

// A column contribution: data holds length (= nC) doubles, zero-filled when
// made; column is the 0-based node whose output column receives it.
struct NodeVector {
  double* data;
  int length;
  int column;
};

struct QueueNode {
  NodeVector* vector;
  std::atomic<QueueNode*> next;  // null at the tail
};

// Both ends null when empty. tail is the producer's, except that the
// consumer clears it on taking the last node of a finished worker. count is
// the number of queued vectors, peak its largest value seen by the producer.
struct VectorQueue {
  std::atomic<QueueNode*> head{nullptr};
  QueueNode* tail = nullptr;
  std::atomic<int> count{0};
  int peak = 0;
};

// A worker; its thread's start argument is the record itself.
struct CompWorker {
  std::thread thread;
  std::atomic<int> status{-1};  // -1 created, 0 running, 1 finished
  int first = 0;                // first element
  int last = -1;                // last element, inclusive
  const AssemblyParams* params = nullptr;
  VectorQueue queue;
  CompWorker* next = nullptr;  // successor in the circular list of the call
  // Set when the system refused the thread and the calling thread runs the
  // range itself: the vectors then go straight into this output, unqueued.
  const MatrixTarget* direct = nullptr;
  // Set by the worker (before status 1) when a vector or queue node could not
  // be allocated; its remaining elements are skipped.
  bool outOfMemory = false;
};

// Figures of one collection, for benchmarks.
struct CollectStats {
  int workers = 0;        // workers created
  int peakQueued = 0;     // most vectors waiting in one queue at a time
  long long vectors = 0;  // vectors added into the output
};

// Choices of runCompWorkers beyond the fixed design, for tests and benchmarks.
struct WorkerOptions {
  int workers = 0;  // 0: one worker below 200 elements, two from 200 on
  ThreadSpawn spawn = spawnThread;
  CollectStats* stats = nullptr;  // filled when not null
};

// Most vectors a running worker leaves in its queue: beyond it the worker
// pauses until the collector has taken some, so that the memory in flight is
// bounded by a few columns per worker whatever the number of elements.
constexpr int kQueueLimit = 16;

// A vector of `length` zeros for output column `column`, or null when out of
// memory.
NodeVector* newNodeVector(int column, int length);

// Releases the data and the record of v.
void deleteNodeVector(NodeVector* v);

// Appends v to the queue (producer side). Returns false, leaving v with the
// caller, when no queue node could be allocated.
bool enqueueVector(VectorQueue* queue, NodeVector* v);

// Makes a worker for elements first..last and links it into the ring (*ring
// is the first worker of the call, null while there is none; later workers go
// directly behind it), then starts start(worker) on a thread made by spawn.
// Returns the worker, or null (nothing linked) when the record could not be
// allocated. A refused thread leaves the worker linked with an unjoinable
// thread, for the caller to run on its own thread.
CompWorker* newCompWorker(CompWorker** ring, void (*start)(void*), int first, int last,
                          const AssemblyParams* params, ThreadSpawn spawn);

// Start routine of an element worker (argument: its CompWorker). For every
// element i of the range, with a = start node and b = end node:
//   x = slpPairNormalized(element j, element i reversed, eta) for every j,
// c = start and d = end node of j, added into vA (column a) as +x at c and -x
// at d, and into vB (column b) as -x at c and +x at d; then vA and vB are
// queued (or added straight into the output, see CompWorker::direct).
void hypElementWorker(void* arg);

// Runs start over elements first..end-1 on the workers and adds every vector
// they make into target; returns when every worker has finished, been joined
// and been released. Returns false when some allocation failed (the output
// is then incomplete); nothing escapes a worker thread.
bool runCompWorkers(const MatrixTarget& target, const AssemblyParams& params, void (*start)(void*),
                    int first, int end, const WorkerOptions& options = WorkerOptions());
