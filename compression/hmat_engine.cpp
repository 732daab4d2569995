// The engine of the compressed operators on hmat-oss (GPL-2.0-or-later): a
// build with it is GPL; the sources here stay under the toolkit's licence.
//
// hmat-oss clusters the points into a tree (geometric bisection, leaves of at
// most kLeafSize points), makes the block tree with the standard
// admissibility (a block is compressed where the larger of its clusters'
// diameters is below kAdmissibility times their distance), asks for the
// entries of each block through prepare/compute callbacks (whole blocks, or
// single rows and columns for adaptive cross approximation) and recompresses
// every low-rank block to the tolerance. It aborts on some inputs (a negative
// tolerance fails an assert; thousands of equal points overflow its
// clustering): the caller validates first. It reports other failures by
// return codes, and a C++ exception thrown from a callback comes back as
// such a code, with the engine's destructors run: that is how a build or a
// factorisation is stopped.
//
// The engine itself runs on one thread. A build is spread over several by
// assembling disjoint sub-blocks of the block tree, each a call of the
// engine's assembly on that sub-matrix: every block is assembled by the same
// code whichever thread takes it, so the matrix does not depend on the number
// of threads (the tests compare products bit for bit).
#include <hmat/hmat.h>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <vector>

#include "engine.h"

namespace {

constexpr int kLeafSize = 100;
constexpr double kAdmissibility = 2.0;
// A build is cut into sub-blocks until there are this many per thread (or
// the block tree ends), so that threads taking the larger ones first keep
// each other busy to the end, and so that an interrupted build has little
// left to run through (the sub-blocks in flight; 20 ms at 200,000 elements).
constexpr int kBlocksPerThread = 256;
constexpr int kMostDepth = 12;

// Thrown from a callback to stop the engine (which writes what() to the
// standard error stream as it catches it).
struct Stop : std::exception {
  const char* what() const noexcept override { return "bem2d: the call was stopped"; }
};

thread_local int tWorker = -1;  // the engine's worker index of this thread, -1 outside a build

// The engine's process-wide settings, set once for every matrix of the
// process; hmat's own progress bar is never used (every context is given ours
// or none).
const hmat_interface_t& engineInterface() {
  static hmat_interface_t hi;
  static std::once_flag once;
  std::call_once(once, [] {
    hmat_settings_t settings;
    hmat_get_parameters(&settings);
    settings.maxLeafSize = kLeafSize;
    hmat_set_parameters(&settings);
    hmat_init_default_interface(&hi, HMAT_DOUBLE_PRECISION);
    hi.init();
    // Asked for by the engine when it is called from several threads.
    hmat_set_worker_index_function([] { return tWorker; });
  });
  return hi;
}

// OpenBLAS spreads each of its calls over threads that spin while they wait;
// the engine's calls are small and many, so on a busy machine the spinning
// took the factorisation from half a second to fifteen. While the engine
// runs, OpenBLAS (where it is the BLAS of the process) keeps to one thread;
// its own setting comes back afterwards.
class OneBlasThread {
 public:
  OneBlasThread() {
    set_ = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "openblas_set_num_threads"));
    auto get = reinterpret_cast<int (*)()>(dlsym(RTLD_DEFAULT, "openblas_get_num_threads"));
    if (set_ != nullptr && get != nullptr) {
      previous_ = get();
      set_(1);
    } else {
      set_ = nullptr;
    }
  }
  ~OneBlasThread() {
    if (set_ != nullptr) set_(previous_);
  }
  OneBlasThread(const OneBlasThread&) = delete;
  OneBlasThread& operator=(const OneBlasThread&) = delete;

 private:
  void (*set_)(int) = nullptr;
  int previous_ = 1;
};

// What the threads of one build share: the setup, and whether it must stop.
// The calling thread polls the host's interrupt (at most every kPollEvery)
// and reports the progress; the others only read the stop flag.
struct Build {
  const EngineSetup* setup;
  std::atomic<bool> stop{false};
  std::atomic<bool> entriesFailed{false};  // the entries callback said no (not an interrupt)
  std::atomic<std::int64_t> done{0};  // blocks assembled
  std::int64_t blocks = 1;
  std::chrono::steady_clock::time_point nextPoll, nextReport;
};

constexpr std::chrono::milliseconds kPollEvery(5);
constexpr std::chrono::milliseconds kReportEvery(250);

// On the calling thread: polls the host (the build stops when it says so)
// and reports the progress, each now and then.
void pollHost(Build& b) {
  if (tWorker != 0) return;
  const auto now = std::chrono::steady_clock::now();
  const EngineSetup& s = *b.setup;
  if (now >= b.nextPoll) {
    b.nextPoll = now + kPollEvery;
    if (pollInterrupt(s.run)) b.stop = true;
  }
  if (s.progress.update != nullptr && now >= b.nextReport) {
    b.nextReport = now + kReportEvery;
    s.progress.update(s.progress.context, 0, static_cast<double>(b.done) / b.blocks);
  }
}

// One block's client numbers, from prepare to its compute calls, and its
// rows and columns known to be zero.
struct Block {
  Build* build;
  std::vector<std::int64_t> rows, cols;
  std::vector<unsigned char> nullRows, nullCols;
};

char nullRow(const hmat_block_info_t* info, int row, int) {
  const Block& b = *static_cast<const Block*>(info->user_data);
  return !b.nullRows.empty() && b.nullRows[static_cast<size_t>(row)] ? 1 : 0;
}

char nullCol(const hmat_block_info_t* info, int col, int) {
  const Block& b = *static_cast<const Block*>(info->user_data);
  return !b.nullCols.empty() && b.nullCols[static_cast<size_t>(col)] ? 1 : 0;
}

void prepareBlock(int rowStart, int rowCount, int colStart, int colCount, int* rowHmat2Client,
                  int*, int* colHmat2Client, int*, void* context, hmat_block_info_t* info) {
  info->block_type = hmat_block_full;
  // Asked for the memory first: this is it, and the engine calls again.
  if (info->needed_memory == 0) {
    info->needed_memory = static_cast<size_t>(rowCount + colCount) * sizeof(std::int64_t);
    return;
  }
  Block* b = new Block;
  b->build = static_cast<Build*>(context);
  b->rows.assign(rowHmat2Client + rowStart, rowHmat2Client + rowStart + rowCount);
  b->cols.assign(colHmat2Client + colStart, colHmat2Client + colStart + colCount);
  info->user_data = b;
  info->release_user_data = [](void* p) { delete static_cast<Block*>(p); };
  const EngineSetup& s = *b->build->setup;
  // A stopped build goes on to its end through null blocks, which cost
  // nothing (and the blocks in flight get ones, computeBlock): an exception
  // through the engine's assembly would leak the blocks it holds.
  if (b->build->stop) {
    info->block_type = hmat_block_null;
    return;
  }
  if (s.zeros != nullptr) {
    b->nullRows.assign(static_cast<size_t>(rowCount), 0);
    b->nullCols.assign(static_cast<size_t>(colCount), 0);
    s.zeros(s.context, b->rows.data(), rowCount, b->cols.data(), colCount, b->nullRows.data(),
            b->nullCols.data());
    if (std::find(b->nullRows.begin(), b->nullRows.end(), 0) == b->nullRows.end()) {
      info->block_type = hmat_block_null;
    }
    info->is_guaranteed_null_row = nullRow;
    info->is_guaranteed_null_col = nullCol;
  }
}

void computeBlock(void* data, int rowStart, int rowCount, int colStart, int colCount, void* out) {
  const Block& b = *static_cast<const Block*>(data);
  Build& build = *b.build;
  pollHost(build);
  const EngineSetup& s = *build.setup;
  double* entries = static_cast<double*>(out);
  if (build.stop || !s.entries(s.context, b.rows.data() + rowStart, rowCount,
                               b.cols.data() + colStart, colCount, entries, rowCount)) {
    // Ones, not zeros: cross approximation of a block in flight ends at
    // rank 1 on them, where zeros would send it looking for a pivot through
    // every row.
    if (!build.stop) build.entriesFailed = true;
    build.stop = true;
    std::fill(entries, entries + static_cast<std::ptrdiff_t>(rowCount) * colCount, 1.0);
  }
}

// A step run aside (EngineLeftovers): what its thread and the caller share.
// The caller waits until the step has ended, or leaves it (an interrupt);
// the step then stops at its next chance and releases what it made.
struct Aside {
  std::mutex mutex;
  std::condition_variable changed;
  bool ended = false;   // the step is over (guarded by mutex)
  bool left = false;    // the caller has gone (guarded by mutex)
  bool copied = false;  // a factorisation no longer reads its original (guarded)
  std::atomic<bool> stop{false};
  std::atomic<double> fraction{0};
};

// Marks the step ended; true when its caller has left (the step then
// releases its result itself).
bool endAside(Aside& a) {
  std::lock_guard<std::mutex> lock(a.mutex);
  a.ended = true;
  a.changed.notify_all();
  return a.left;
}

// Runs step() (which ends with endAside) on a thread of its own while the
// calling thread polls the host and reports `stage`'s progress; false when
// the host interrupted, the thread then left to the setup's leftovers.
template <class Step>
bool runAside(const EngineSetup& s, int stage, const std::shared_ptr<Aside>& a, Step step) {
  auto threadEnded = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([step, threadEnded]() mutable {
    step();
    threadEnded->store(true);
  });
  auto nextReport = std::chrono::steady_clock::now();
  for (;;) {
    {
      // The host first (an interrupt already pending leaves at once), then a
      // wait of kPollEvery for the step.
      std::unique_lock<std::mutex> lock(a->mutex);
      if (!a->ended && pollInterrupt(s.run)) {
        a->left = true;
        a->stop = true;
        lock.unlock();
        engineLeave(s.leftovers, std::move(thread), threadEnded);
        return false;
      }
      if (a->changed.wait_for(lock, kPollEvery, [&] { return a->ended; })) break;
    }
    const auto now = std::chrono::steady_clock::now();
    if (s.progress.update != nullptr && now >= nextReport) {
      nextReport = now + kReportEvery;
      s.progress.update(s.progress.context, stage, a->fraction.load());
    }
  }
  thread.join();
  return true;
}

// The factorisation's progress, in the engine's form: run on the calling
// thread, it reports the fraction and polls for an interrupt; run aside, it
// leaves the fraction for the caller and answers its leaving. Either way it
// stops the engine by throwing.
struct Progress {
  hmat_progress_t hmat;
  const EngineSetup* setup;
  Aside* aside;  // null on the calling thread
  bool stopped = false;  // the calling thread's step threw Stop
};

void progressUpdate(hmat_progress_t* p) {
  Progress& progress = *reinterpret_cast<Progress*>(p);
  const double fraction = p->max > 0 ? static_cast<double>(p->current) / p->max : 0;
  if (progress.aside != nullptr) {
    progress.aside->fraction = fraction;
    if (progress.aside->stop) throw Stop();
    return;
  }
  const EngineSetup& s = *progress.setup;
  if (s.progress.update != nullptr && p->max > 0) s.progress.update(s.progress.context, 1, fraction);
  if (pollInterrupt(s.run)) {
    progress.stopped = true;
    throw Stop();
  }
}

// The cluster tree of n spans (engine.h) over the points, which the engine
// takes writable (copies here).
hmat_cluster_tree_t* clusterTree(std::vector<double> points, std::ptrdiff_t n,
                                 std::vector<unsigned> copy, std::vector<unsigned> ends) {
  hmat_clustering_algorithm_t* geometric = hmat_create_clustering_geometric();
  hmat_clustering_algorithm_t* algo = hmat_create_clustering_max_dof(geometric, kLeafSize);
  hmat_cluster_tree_builder_t* builder = hmat_create_cluster_tree_builder(algo);
  hmat_cluster_tree_create_context_t context;
  std::memset(&context, 0, sizeof context);
  context.dimension = 2;
  context.number_of_points = static_cast<unsigned>(points.size() / 2);
  context.coordinates = points.data();
  context.number_of_dof = static_cast<unsigned>(n);
  context.span_offsets = ends.data();
  context.spans = copy.data();
  context.builder = builder;
  hmat_cluster_tree_t* tree = hmat_create_cluster_tree_generic(&context);
  hmat_delete_cluster_tree_builder(builder);
  hmat_delete_clustering(algo);
  hmat_delete_clustering(geometric);
  return tree;
}

// A sub-block of the block tree that one call of the engine's assembly
// fills, and whether it lies on the diagonal of a symmetric matrix (the
// engine then keeps and fills its lower half only).
struct Task {
  hmat_matrix_t* block;
  bool lowerSymmetric;
  std::size_t size;  // its dense size, to take the larger first
};

bool isLeafCluster(const hmat_cluster_tree_t* tree) {
  hmat_cluster_info_t info;
  hmat_cluster_get_info(const_cast<hmat_cluster_tree_t*>(tree), &info);
  return info.nr_tree_nodes <= 1;
}

// The sub-blocks of `block` down to `depth` more levels, where the block tree
// goes on: a block of two split clusters has four children (three stored on
// the diagonal of a symmetric matrix). The engine's handles of the children
// go to `made`, for destroyChildren (they are views: the matrix stays).
void collectTasks(const hmat_interface_t& hi, hmat_matrix_t* block, bool lowerSymmetric,
                  int depth, std::vector<Task>* tasks, std::vector<hmat_matrix_t*>* made) {
  const hmat_cluster_tree_t* rows = nullptr;
  const hmat_cluster_tree_t* cols = nullptr;
  hi.get_cluster_trees(block, &rows, &cols);
  hmat_info_t info;
  hi.get_info(block, &info);
  const bool split = depth > 0 && info.nr_block_clusters > 1 && !isLeafCluster(rows) &&
                     !isLeafCluster(cols);
  hmat_matrix_t* children[2][2] = {{nullptr, nullptr}, {nullptr, nullptr}};
  bool all = split;
  for (int i = 0; i < 2 && all; ++i) {
    for (int j = 0; j < 2 && all; ++j) {
      if (lowerSymmetric && j > i) continue;
      children[i][j] = hi.get_child(block, i, j);
      all = children[i][j] != nullptr;
      if (all) made->push_back(children[i][j]);
    }
  }
  if (!all) {
    hmat_cluster_info_t r, c;
    hmat_cluster_get_info(const_cast<hmat_cluster_tree_t*>(rows), &r);
    hmat_cluster_get_info(const_cast<hmat_cluster_tree_t*>(cols), &c);
    tasks->push_back({block, lowerSymmetric,
                      static_cast<std::size_t>(r.dimension) * static_cast<std::size_t>(c.dimension)});
    return;
  }
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      if (children[i][j] != nullptr) {
        collectTasks(hi, children[i][j], lowerSymmetric && i == j, depth - 1, tasks, made);
      }
    }
  }
}

// The tasks of a build: the levels of the block tree down to the first that
// gives every thread enough of them (the same cut for any number of threads
// of one build, since it does not change what a block holds).
void destroyChildren(const hmat_interface_t& hi, std::vector<hmat_matrix_t*>* made) {
  for (hmat_matrix_t* child : *made) hi.destroy_child(child);
  made->clear();
}

std::vector<Task> buildTasks(const hmat_interface_t& hi, hmat_matrix_t* root, bool symmetric,
                             int threads, std::vector<hmat_matrix_t*>* made) {
  std::vector<Task> tasks;
  for (int depth = 0; depth <= kMostDepth; ++depth) {
    tasks.clear();
    destroyChildren(hi, made);
    collectTasks(hi, root, symmetric, depth, &tasks, made);
    if (tasks.size() >= static_cast<std::size_t>(kBlocksPerThread) * threads) break;
  }
  std::stable_sort(tasks.begin(), tasks.end(),
                   [](const Task& a, const Task& b) { return a.size > b.size; });
  return tasks;
}

// The trees and the block tree of a build, and the sub-blocks that its
// threads assemble, made from copies of what they need (they may be made
// aside, EngineLeftovers).
struct Structure {
  std::vector<double> points;
  std::vector<unsigned> rowSpans, rowEnds, colSpans, colEnds;
  std::ptrdiff_t rows = 0, cols = 0;
  bool symmetric = false;
  double tol = 0;
  int threads = 1;
  hmat_cluster_tree_t* rowTree = nullptr;
  hmat_cluster_tree_t* colTree = nullptr;  // the row tree for a symmetric matrix
  hmat_matrix_t* matrix = nullptr;
  std::vector<Task> tasks;
  std::vector<hmat_matrix_t*> children;  // the engine's handles of the tasks' blocks
  const char* failure = nullptr;
};

void releaseStructure(Structure& st) {
  destroyChildren(engineInterface(), &st.children);
  if (st.matrix != nullptr) engineInterface().destroy(st.matrix);
  if (st.colTree != nullptr && st.colTree != st.rowTree) hmat_delete_cluster_tree(st.colTree);
  if (st.rowTree != nullptr) hmat_delete_cluster_tree(st.rowTree);
  st.matrix = nullptr;
  st.rowTree = st.colTree = nullptr;
}

// Makes the structure; stops early (leaving what it made for
// releaseStructure) once `stop` says so.
void makeStructure(Structure& st, const std::atomic<bool>& stop) {
  const hmat_interface_t& hi = engineInterface();
  st.rowTree = clusterTree(st.points, st.rows, st.rowSpans, st.rowEnds);
  if (stop) return;
  st.colTree = st.symmetric ? st.rowTree : clusterTree(st.points, st.cols, st.colSpans, st.colEnds);
  if (st.rowTree == nullptr || st.colTree == nullptr) {
    st.failure = "the points could not be clustered";
    return;
  }
  if (stop) return;
  hmat_admissibility_t* admissibility = hmat_create_admissibility_standard(kAdmissibility);
  st.matrix = hi.create_empty_hmatrix_admissibility(st.rowTree, st.colTree, st.symmetric ? 1 : 0,
                                                    admissibility);
  hmat_delete_admissibility(admissibility);
  if (st.matrix == nullptr) {
    st.failure = "the block tree could not be made";
    return;
  }
  hi.set_low_rank_epsilon(st.matrix, st.tol);
  if (stop) return;
  st.tasks = buildTasks(hi, st.matrix, st.symmetric, st.threads, &st.children);
}

// Factorises `matrix` in place; 0 when done.
int factorise(const hmat_interface_t& hi, hmat_matrix_t* matrix, hmat_factorization_t kind,
              Progress* progress) {
  hmat_factorization_context_t context;
  hmat_factorization_context_init(&context);
  context.factorization = kind;
  std::memset(&progress->hmat, 0, sizeof progress->hmat);
  progress->hmat.update = progressUpdate;
  context.progress = &progress->hmat;
  return hi.factorize_generic(matrix, &context);
}

}  // namespace

struct EngineMatrix {
  hmat_matrix_t* matrix = nullptr;
  hmat_cluster_tree_t* rowTree = nullptr;
  hmat_cluster_tree_t* colTree = nullptr;  // the row tree for a symmetric matrix
  std::ptrdiff_t rows = 0, cols = 0;
  bool symmetric = false;
  bool ownsTrees = true;  // a factorised copy shares its original's trees
  // A factorisation left running by an interrupt that may still be copying
  // this matrix: whatever reads or releases the matrix waits for its copy.
  std::shared_ptr<Aside> reader;
};

namespace {

void waitForReader(EngineMatrix* m) {
  if (m->reader == nullptr) return;
  Aside& a = *m->reader;
  std::unique_lock<std::mutex> lock(a.mutex);
  a.changed.wait(lock, [&] { return a.copied || a.ended; });
}

}  // namespace

void engineRelease(EngineMatrix* m) {
  if (m == nullptr) return;
  waitForReader(m);
  const hmat_interface_t& hi = engineInterface();
  if (m->matrix != nullptr) hi.destroy(m->matrix);
  if (m->ownsTrees) {
    if (m->colTree != nullptr && m->colTree != m->rowTree) hmat_delete_cluster_tree(m->colTree);
    if (m->rowTree != nullptr) hmat_delete_cluster_tree(m->rowTree);
  }
  delete m;
}

EngineStatus engineBuild(const EngineSetup& setup, EngineMatrix** out, std::string* message) {
  const hmat_interface_t& hi = engineInterface();
  const OneBlasThread blas;
  auto st = std::make_shared<Structure>();
  st->points.assign(setup.points, setup.points + 2 * setup.pointCount);
  st->rowSpans.assign(setup.rowSpans, setup.rowSpans + setup.rowSpanEnd[setup.rows - 1]);
  st->rowEnds.assign(setup.rowSpanEnd, setup.rowSpanEnd + setup.rows);
  st->colSpans.assign(setup.colSpans, setup.colSpans + setup.colSpanEnd[setup.cols - 1]);
  st->colEnds.assign(setup.colSpanEnd, setup.colSpanEnd + setup.cols);
  st->rows = setup.rows;
  st->cols = setup.cols;
  st->symmetric = setup.symmetric;
  st->tol = setup.tol;
  const int threads = threadsFor(setup.run);
  st->threads = threads;
  if (setup.leftovers != nullptr) {
    auto a = std::make_shared<Aside>();
    const bool ended = runAside(setup, 0, a, [st, a] {
      makeStructure(*st, a->stop);
      if (endAside(*a)) releaseStructure(*st);
    });
    if (!ended) {
      *message = "the build was interrupted";
      return EngineStatus::Interrupted;
    }
  } else {
    const std::atomic<bool> never{false};
    makeStructure(*st, never);
  }
  if (st->failure != nullptr) {
    releaseStructure(*st);
    *message = st->failure;
    return EngineStatus::Failed;
  }
  EngineMatrix* m = new EngineMatrix;
  m->rows = setup.rows;
  m->cols = setup.cols;
  m->symmetric = setup.symmetric;
  m->matrix = st->matrix;
  m->rowTree = st->rowTree;
  m->colTree = st->colTree;
  const std::vector<Task>& tasks = st->tasks;

  Build build;
  build.setup = &setup;
  build.blocks = static_cast<std::int64_t>(tasks.size());
  std::atomic<bool> failed{false};
  RunOptions run = setup.run;
  run.interrupted = [](void* context) {
    Build& b = *static_cast<Build*>(context);
    if (pollInterrupt(b.setup->run)) b.stop = true;
    return b.stop.load();
  };
  run.interruptContext = &build;
  parallelFor(static_cast<std::int64_t>(tasks.size()), run, [&](std::int64_t k, int thread) {
    if (build.stop || failed) return;
    tWorker = thread;
    const Task& t = tasks[static_cast<size_t>(k)];
    hmat_assemble_context_t context;
    hmat_assemble_context_init(&context);
    context.compression = hmat_create_compression_aca_plus(setup.tol);
    context.prepare = prepareBlock;
    context.block_compute = computeBlock;
    context.user_context = &build;
    context.lower_symmetric = t.lowerSymmetric ? 1 : 0;
    context.progress = nullptr;
    if (hi.assemble_generic(t.block, &context) != 0 && !build.stop) failed = true;
    hmat_delete_compression(context.compression);
    ++build.done;
    tWorker = -1;
  });
  destroyChildren(hi, &st->children);
  if (build.stop || failed) {
    engineRelease(m);
    *message = "the matrix could not be assembled";
    return build.stop && !build.entriesFailed ? EngineStatus::Interrupted : EngineStatus::Failed;
  }
  *out = m;
  return EngineStatus::Done;
}

EngineStatus engineApply(EngineMatrix* m, bool transposed, const double* x, double* y,
                         std::ptrdiff_t nrhs, std::string* message) {
  waitForReader(m);
  const hmat_interface_t& hi = engineInterface();
  const OneBlasThread blas;
  const std::ptrdiff_t nx = transposed ? m->rows : m->cols, ny = transposed ? m->cols : m->rows;
  const hmat_cluster_tree_t* xTree = transposed ? m->rowTree : m->colTree;
  const hmat_cluster_tree_t* yTree = transposed ? m->colTree : m->rowTree;
  std::vector<double> in(x, x + nx * nrhs);
  std::fill(y, y + ny * nrhs, 0.0);
  const int n = static_cast<int>(nrhs);
  const double one = 1, zero = 0;
  int rc = hi.vector_reorder(in.data(), xTree, 0, nullptr, n);
  if (rc == 0) rc = hi.vector_reorder(y, yTree, 0, nullptr, n);
  if (rc == 0) {
    rc = hi.gemm_dense(transposed ? 'T' : 'N', 'N', 'L', &one, m->matrix, in.data(), &zero, y, n);
  }
  if (rc == 0) rc = hi.vector_restore(y, yTree, 0, nullptr, n);
  if (rc != 0) {
    *message = "the product could not be formed";
    return EngineStatus::Failed;
  }
  return EngineStatus::Done;
}

EngineStatus engineFactorize(EngineMatrix* m, bool positiveDefinite, const EngineSetup& setup,
                             EngineMatrix** factor, std::string* message) {
  const hmat_interface_t& hi = engineInterface();
  const hmat_factorization_t kind = !m->symmetric      ? hmat_factorization_lu
                                    : positiveDefinite ? hmat_factorization_llt
                                                       : hmat_factorization_ldlt;
  hmat_matrix_t* result = nullptr;
  if (setup.leftovers == nullptr) {
    const OneBlasThread blas;
    result = hi.copy(m->matrix);
    if (result == nullptr) {
      *message = "the matrix could not be copied";
      return EngineStatus::Failed;
    }
    Progress progress;
    progress.setup = &setup;
    progress.aside = nullptr;
    if (factorise(hi, result, kind, &progress) != 0) {
      // Stopped by the host's interrupt, or failed: what the step saw (a
      // host's poll need not answer twice alike).
      hi.destroy(result);
      *message = "the factorisation failed";
      return progress.stopped ? EngineStatus::Interrupted : EngineStatus::Failed;
    }
  } else {
    // The copy and the factorisation aside: the copy reads m, which stays
    // held (EngineMatrix::reader) until the copy is made. The step holds
    // OpenBLAS to one thread itself, for as long as it runs: a guard here
    // would give the setting back when an interrupt leaves the step running,
    // and the step's own guard would then restore the one thread it found.
    waitForReader(m);
    auto a = std::make_shared<Aside>();
    m->reader = a;
    hmat_matrix_t* source = m->matrix;
    auto made = std::make_shared<std::pair<hmat_matrix_t*, int>>(nullptr, -1);
    const bool ended = runAside(setup, 1, a, [a, source, kind, made] {
      const hmat_interface_t& engine = engineInterface();
      const OneBlasThread oneThread;
      hmat_matrix_t* copy = engine.copy(source);
      {
        std::lock_guard<std::mutex> lock(a->mutex);
        a->copied = true;
        a->changed.notify_all();
      }
      int rc = -1;
      if (copy != nullptr && !a->stop) {
        Progress progress;
        progress.setup = nullptr;
        progress.aside = a.get();
        rc = factorise(engine, copy, kind, &progress);
      }
      const bool left = endAside(*a);
      if (left) {
        if (copy != nullptr) engine.destroy(copy);
        return;
      }
      *made = {copy, rc};
    });
    if (!ended) {
      *message = "the factorisation was interrupted";
      return EngineStatus::Interrupted;
    }
    result = made->first;
    if (result == nullptr || made->second != 0) {
      if (result != nullptr) hi.destroy(result);
      *message = result == nullptr ? "the matrix could not be copied" : "the factorisation failed";
      return EngineStatus::Failed;
    }
  }
  EngineMatrix* f = new EngineMatrix;
  f->matrix = result;
  f->rowTree = m->rowTree;
  f->colTree = m->colTree;
  f->rows = m->rows;
  f->cols = m->cols;
  f->symmetric = m->symmetric;
  f->ownsTrees = false;
  *factor = f;
  return EngineStatus::Done;
}

EngineStatus engineSolve(EngineMatrix* f, double* b, std::ptrdiff_t nrhs, std::string* message) {
  const hmat_interface_t& hi = engineInterface();
  const OneBlasThread blas;
  const int n = static_cast<int>(nrhs);
  int rc = hi.vector_reorder(b, f->rowTree, 0, nullptr, n);
  if (rc == 0) rc = hi.solve_dense(f->matrix, b, n);
  if (rc == 0) rc = hi.vector_restore(b, f->rowTree, 0, nullptr, n);
  if (rc != 0) {
    *message = "the solve failed";
    return EngineStatus::Failed;
  }
  return EngineStatus::Done;
}

std::size_t engineBytes(EngineMatrix* m) {
  const hmat_interface_t& hi = engineInterface();
  hmat_info_t info;
  hi.get_info(m->matrix, &info);
  return info.compressed_size * sizeof(double);
}

const char* engineName() {
  static const std::string name = std::string("hmat-oss ") + hmat_get_version();
  return name.c_str();
}
