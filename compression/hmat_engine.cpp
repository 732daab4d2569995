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
// each other busy to the end.
constexpr int kBlocksPerThread = 8;
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
    if (s.run.interrupted != nullptr && s.run.interrupted(s.run.interruptContext)) b.stop = true;
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
  if (build.stop ||
      !s.entries(s.context, b.rows.data() + rowStart, rowCount, b.cols.data() + colStart, colCount,
                 static_cast<double*>(out), rowCount)) {
    build.stop = true;
    throw Stop();
  }
}

// The factorisation's progress, in the engine's form: reports the fraction
// and polls for an interrupt, which it answers by stopping the engine.
struct Progress {
  hmat_progress_t hmat;
  const EngineSetup* setup;
};

void progressUpdate(hmat_progress_t* p) {
  const EngineSetup& s = *reinterpret_cast<const Progress*>(p)->setup;
  if (s.progress.update != nullptr && p->max > 0) {
    s.progress.update(s.progress.context, 1, static_cast<double>(p->current) / p->max);
  }
  if (s.run.interrupted != nullptr && s.run.interrupted(s.run.interruptContext)) throw Stop();
}

hmat_cluster_tree_t* clusterTree(const EngineSetup& s, std::ptrdiff_t n, const unsigned* spans,
                                 const unsigned* spanEnd) {
  std::vector<double> points(s.points, s.points + 2 * s.pointCount);  // the engine takes them writable
  std::vector<unsigned> copy(spans, spans + spanEnd[n - 1]), ends(spanEnd, spanEnd + n);
  hmat_clustering_algorithm_t* geometric = hmat_create_clustering_geometric();
  hmat_clustering_algorithm_t* algo = hmat_create_clustering_max_dof(geometric, kLeafSize);
  hmat_cluster_tree_builder_t* builder = hmat_create_cluster_tree_builder(algo);
  hmat_cluster_tree_create_context_t context;
  std::memset(&context, 0, sizeof context);
  context.dimension = 2;
  context.number_of_points = static_cast<unsigned>(s.pointCount);
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
// the diagonal of a symmetric matrix). Every child is a handle of its own
// that the engine allocates; each goes into *handles, for destroy_child once
// the blocks are assembled (which leaves the blocks in the matrix).
void collectTasks(const hmat_interface_t& hi, hmat_matrix_t* block, bool lowerSymmetric,
                  int depth, std::vector<Task>* tasks, std::vector<hmat_matrix_t*>* handles) {
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
      if (all) handles->push_back(children[i][j]);
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
        collectTasks(hi, children[i][j], lowerSymmetric && i == j, depth - 1, tasks, handles);
      }
    }
  }
}

// The tasks of a build: the levels of the block tree down to the first that
// gives every thread enough of them (the same cut for any number of threads
// of one build, since it does not change what a block holds).
std::vector<Task> buildTasks(const hmat_interface_t& hi, hmat_matrix_t* root, bool symmetric,
                             int threads, std::vector<hmat_matrix_t*>* handles) {
  std::vector<Task> tasks;
  for (int depth = 0; depth <= kMostDepth; ++depth) {
    tasks.clear();
    collectTasks(hi, root, symmetric, depth, &tasks, handles);
    if (tasks.size() >= static_cast<std::size_t>(kBlocksPerThread) * threads) break;
  }
  std::stable_sort(tasks.begin(), tasks.end(),
                   [](const Task& a, const Task& b) { return a.size > b.size; });
  return tasks;
}

}  // namespace

struct EngineMatrix {
  hmat_matrix_t* matrix = nullptr;
  hmat_cluster_tree_t* rowTree = nullptr;
  hmat_cluster_tree_t* colTree = nullptr;  // the row tree for a symmetric matrix
  std::ptrdiff_t rows = 0, cols = 0;
  bool symmetric = false;
  bool ownsTrees = true;  // a factorised copy shares its original's trees
};

void engineRelease(EngineMatrix* m) {
  if (m == nullptr) return;
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
  EngineMatrix* m = new EngineMatrix;
  m->rows = setup.rows;
  m->cols = setup.cols;
  m->symmetric = setup.symmetric;
  m->rowTree = clusterTree(setup, setup.rows, setup.rowSpans, setup.rowSpanEnd);
  m->colTree = setup.symmetric ? m->rowTree
                               : clusterTree(setup, setup.cols, setup.colSpans, setup.colSpanEnd);
  if (m->rowTree == nullptr || m->colTree == nullptr) {
    engineRelease(m);
    *message = "the points could not be clustered";
    return EngineStatus::Failed;
  }
  hmat_admissibility_t* admissibility = hmat_create_admissibility_standard(kAdmissibility);
  m->matrix = hi.create_empty_hmatrix_admissibility(m->rowTree, m->colTree,
                                                      setup.symmetric ? 1 : 0, admissibility);
  hmat_delete_admissibility(admissibility);
  if (m->matrix == nullptr) {
    engineRelease(m);
    *message = "the block tree could not be made";
    return EngineStatus::Failed;
  }
  hi.set_low_rank_epsilon(m->matrix, setup.tol);

  const int threads = threadsFor(setup.run);
  std::vector<hmat_matrix_t*> handles;
  const std::vector<Task> tasks = buildTasks(hi, m->matrix, setup.symmetric, threads, &handles);
  Build build;
  build.setup = &setup;
  build.blocks = static_cast<std::int64_t>(tasks.size());
  std::atomic<bool> failed{false};
  RunOptions run = setup.run;
  run.interrupted = [](void* context) {
    Build& b = *static_cast<Build*>(context);
    if (b.setup->run.interrupted != nullptr &&
        b.setup->run.interrupted(b.setup->run.interruptContext)) {
      b.stop = true;
    }
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
  for (hmat_matrix_t* h : handles) hi.destroy_child(h);
  if (build.stop || failed) {
    engineRelease(m);
    *message = "the matrix could not be assembled";
    return build.stop ? EngineStatus::Interrupted : EngineStatus::Failed;
  }
  *out = m;
  return EngineStatus::Done;
}

EngineStatus engineApply(EngineMatrix* m, bool transposed, const double* x, double* y,
                         std::ptrdiff_t nrhs, std::string* message) {
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
  const OneBlasThread blas;
  EngineMatrix* f = new EngineMatrix(*m);
  f->ownsTrees = false;
  f->matrix = hi.copy(m->matrix);
  if (f->matrix == nullptr) {
    delete f;
    *message = "the matrix could not be copied";
    return EngineStatus::Failed;
  }
  hmat_factorization_context_t context;
  hmat_factorization_context_init(&context);
  context.factorization = !m->symmetric      ? hmat_factorization_lu
                          : positiveDefinite ? hmat_factorization_llt
                                             : hmat_factorization_ldlt;
  Progress progress;
  std::memset(&progress.hmat, 0, sizeof progress.hmat);
  progress.hmat.update = progressUpdate;
  progress.setup = &setup;
  context.progress = &progress.hmat;
  if (hi.factorize_generic(f->matrix, &context) != 0) {
    const bool stopped =
        setup.run.interrupted != nullptr && setup.run.interrupted(setup.run.interruptContext);
    engineRelease(f);
    *message = "the factorisation failed";
    return stopped ? EngineStatus::Interrupted : EngineStatus::Failed;
  }
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
