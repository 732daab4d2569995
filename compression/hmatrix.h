// The compressed Galerkin matrices: V (nE x nE), K (nE x nC) and W (nC x nC)
// of a prepared mesh, stored by the engine (engine.h) to a relative
// tolerance, with the toolkit's exact entries from the tiles of the whole
// matrix (each entry bit for bit the dense module's).
//
// What the engine stores is a scaled matrix, S = Dr (A + P) Dc, so that the
// rows of the tiny elements of a mesh graded toward a corner count as much as
// the others in every block's tolerance:
//   V: Dr = Dc = diag(1/L_i), so that S_ii = (3/2 - log L_i)/(2 pi);
//   W: Dr = Dc = diag(sqrt(m_p)), so that S_pp = O(1);
//   K: Dr = diag(1/L_i), Dc = diag(1/m_q),
// m_q = int psi_q (half the length of the elements at node q); a zero length
// (a zero-length element, a node no element uses) takes the scale 1. W is
// stored stabilised, as W + m m', which is positive definite on a closed
// boundary. P, the identity on the zero rows and columns of V and W (those
// of zero-length elements and of nodes no element uses; 0 for K), keeps the
// stored matrix invertible; apply takes it out again.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine.h"
#include "mesh.h"
#include "parallel.h"

enum class HKind { SingleLayer, DoubleLayer, Hypersingular };

// A build refuses meshes with more elements (or nodes) than this on one
// another: the engine cannot split their cluster.
constexpr int kHmatrixMostCoincident = 32;

// Why a compressed matrix could not be made, applied or solved with.
enum class HStatus {
  Done,
  Interrupted,
  Tolerance,    // tol not in (0, 1)
  NotFinite,    // a node of an element is not finite
  NoLength,     // no element has positive length
  Coincident,   // dozens of elements (or nodes) lie on one another
  NoSolve,      // K has no solve
  EngineFailed  // the engine reported a failure (message says which)
};

struct HMatrixOptions {
  double tol = 1e-10;  // relative tolerance of every stored block
  double eta = 0.5;    // the dense modules' eta, for the entries (exact either way)
  RunOptions run;      // threads, interrupt and lanes of the build and solve
  EngineProgress progress;
  // Where the engine's steps that cannot stop midway go on when the call is
  // interrupted (engine.h); none: the interrupt waits for them to end.
  EngineLeftovers* leftovers = nullptr;
};

struct HMatrix {
  std::shared_ptr<const BoundaryMesh> mesh;
  HKind kind = HKind::SingleLayer;
  double tol = 0, eta = 0;
  std::ptrdiff_t rows = 0, cols = 0;
  std::vector<double> rowScale, colScale;
  std::vector<double> m;         // W: the stabilising vector, int psi_p
  std::vector<std::ptrdiff_t> zero;  // V, W: the rows and columns held by P
  bool positiveDefinite = false;  // the factorisation is Cholesky's (else LDL')
  EngineMatrix* matrix = nullptr;
  // The factor, made at the first solve; guarded, since a host may call from
  // several threads.
  EngineMatrix* factor = nullptr;
  std::mutex factorMutex;
  ~HMatrix();
};

// Builds the compressed matrix of `kind`; *message holds the engine's words
// on EngineFailed.
HStatus hmatrixBuild(std::shared_ptr<const BoundaryMesh> mesh, HKind kind,
                     const HMatrixOptions& options, std::unique_ptr<HMatrix>* out,
                     std::string* message);

// y = op(A) x for nrhs columns (column-major): A the operator, not the stored
// matrix, transposed when asked.
HStatus hmatrixApply(HMatrix& h, bool transposed, const double* x, double* y, std::ptrdiff_t nrhs,
                     std::string* message);

// Solves A x = b in place (nrhs columns), factorising at the first call
// (Cholesky for V on a mesh of diameter below 1 and for the stabilised W,
// LDL' for V otherwise); an interrupted or failed factorisation leaves H as
// it was. For W the solution is that of the stabilised matrix: with b
// orthogonal to the constants it solves W x = b and m'x = 0.
HStatus hmatrixSolve(HMatrix& h, double* b, std::ptrdiff_t nrhs, const HMatrixOptions& options,
                     std::string* message);

// The bytes held: the stored matrix, its factor once made, and the scales.
std::size_t hmatrixBytes(HMatrix& h);
