#include "baselines.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "constants.h"
#include "dlp_pair.h"
#include "dlpfield.h"
#include "dlpgradfield.h"
#include "domfield.h"
#include "field_arrays.h"
#include "hypfield.h"
#include "matrix_pairs.h"
#include "slp_pair.h"
#include "slpfield.h"
#include "tdlfield.h"

namespace {

// Sums pair(context, j, x, y) over the elements for every point.
template <class Pairs, class Pair>
void everyPair(const BoundaryMesh& mesh, const Points& x, double* out, Pairs& pairs, Pair pair) {
  for (std::ptrdiff_t i = 0; i < x.count; ++i) {
    double acc = 0;
    for (std::ptrdiff_t j = 0; j < mesh.elementCount; ++j) acc += pair(&pairs, j, x.x(i), x.y(i));
    out[i] = acc;
  }
}

}  // namespace

void slpfieldScalar(const BoundaryMesh& mesh, const double* chi, const Points& z, double eta,
                    double* out) {
  SlpfieldPairs pairs = {&mesh, chi, eta};
  everyPair(mesh, z, out, pairs, slpfieldPair);
  for (std::ptrdiff_t i = 0; i < z.count; ++i) out[i] = -out[i] / kTwoPi;
}

void dlpfieldScalar(const BoundaryMesh& mesh, const double* gh, const Points& x, double eta,
                    double* out) {
  const FieldArrays a = linearDensity(mesh, gh, eta);
  DlpfieldPairs pairs = {&mesh, a.gA.data(), a.gB.data(), eta};
  everyPair(mesh, x, out, pairs, dlpfieldPair);
  for (std::ptrdiff_t i = 0; i < x.count; ++i) out[i] = -out[i] / kTwoPi;
}

void tdlfieldScalar(const BoundaryMesh& mesh, const double* gh, const Points& x,
                    const Points& n_x, double eta, double* out) {
  for (std::ptrdiff_t i = 0; i < x.count; ++i) {
    TdlfieldPairs pairs = {&mesh, gh, eta, n_x.x(i), n_x.y(i)};
    double acc = 0;
    for (std::ptrdiff_t j = 0; j < mesh.elementCount; ++j) {
      acc += tdlfieldPair(&pairs, j, x.x(i), x.y(i));
    }
    out[i] = -acc / kTwoPi;
  }
}

void hypfieldScalar(const BoundaryMesh& mesh, const double* gh, const Points& x,
                    const Points& n_x, double eta, double* out) {
  const FieldArrays a = linearDensity(mesh, gh, eta);
  for (std::ptrdiff_t i = 0; i < x.count; ++i) {
    HypfieldPairs pairs = {&mesh, a.gA.data(), a.gB.data(), eta, n_x.x(i), n_x.y(i), 0};
    double acc = 0;
    for (std::ptrdiff_t j = 0; j < mesh.elementCount; ++j) {
      acc += hypfieldPair(&pairs, j, x.x(i), x.y(i));
    }
    out[i] = hypfieldValue(pairs, acc);
  }
}

void dlpgradfieldScalar(const BoundaryMesh& mesh, const double* gh, const Points& x, double eta,
                        double* out) {
  const FieldArrays a = linearDensity(mesh, gh, eta);
  for (std::ptrdiff_t i = 0; i < x.count; ++i) {
    DlpgradfieldPairs pairs = {&mesh, a.gA.data(), a.gB.data(), eta, false};
    double g[2] = {0, 0};
    for (std::ptrdiff_t j = 0; j < mesh.elementCount; ++j) {
      double v[2];
      dlpgradfieldPair(&pairs, j, x.x(i), x.y(i), v);
      g[0] += v[0];
      g[1] += v[1];
    }
    out[i] = g[0] / kTwoPi;
    out[i + x.count] = g[1] / kTwoPi;
  }
}

void domfieldScalar(const TriangleMesh& mesh, const double* f, const Points& x, double* out) {
  for (std::ptrdiff_t i = 0; i < x.count; ++i) {
    const double p[2] = {x.x(i), x.y(i)};
    double acc = 0;
    for (std::ptrdiff_t j = 0; j < mesh.triangleCount; ++j) {
      double P[3][2];
      for (int k = 0; k < 3; ++k) {
        P[k][0] = mesh.vertexX[mesh.corners[3 * j + k]];
        P[k][1] = mesh.vertexY[mesh.corners[3 * j + k]];
      }
      acc += f[j] * triangleLogIntegral(P[0], P[1], P[2], p);
    }
    out[i] = acc / (-kTwoPi);
  }
}

bool slpmatrixScalar(const BoundaryMesh& mesh, double eta, double* out, RunOptions options) {
  const std::ptrdiff_t n = mesh.elementCount;
  options.threads = n < 200 ? 1 : 4;
  return parallelFor(n, options, [&](std::int64_t i, int) {
    for (std::ptrdiff_t j = 0; j <= i; ++j) {
      out[j + i * n] = slpPairEntry(mesh.segments[i], mesh.segments[j], eta);
      out[i + j * n] = out[j + i * n];
    }
  });
}

bool hypmatrixScalar(const BoundaryMesh& mesh, double eta, double* out, RunOptions options) {
  const std::ptrdiff_t nE = mesh.elementCount, nC = mesh.nodeCount;
  std::fill(out, out + nC * nC, 0.0);
  options.threads = nE < 200 ? 1 : 2;
  std::mutex collector;
  return parallelFor(nE, options, [&](std::int64_t i, int) {
    HypColumn column = hypColumn(mesh, eta, i);
    // Every ordered pair (j, i) into the columns of a and b.
    std::vector<double> vA(static_cast<size_t>(nC), 0.0), vB(static_cast<size_t>(nC), 0.0);
    for (std::ptrdiff_t j = 0; j < nE; ++j) {
      double v[4];
      hypPairFallback(&column, j, v);
      const std::ptrdiff_t c = mesh.start[j], d = mesh.end[j];
      vA[c] += v[0];
      vA[d] += v[1];
      vB[c] += v[2];
      vB[d] += v[3];
    }
    std::lock_guard<std::mutex> lock(collector);
    for (std::ptrdiff_t r = 0; r < nC; ++r) {
      out[r + column.a * nC] += vA[r];
      out[r + column.b * nC] += vB[r];
    }
  });
}

void dlpmatrixScalar(const BoundaryMesh& mesh, double* out) {
  const std::ptrdiff_t nE = mesh.elementCount, nC = mesh.nodeCount;
  std::vector<double> row(static_cast<size_t>(nC));
  for (std::ptrdiff_t i = 0; i < nE; ++i) {
    std::fill(row.begin(), row.end(), 0.0);
    for (std::ptrdiff_t j = 0; j < nE; ++j) {
      double values[2];
      dlpPairValues(mesh.segments[i], mesh.segments[j], values);
      row[mesh.start[j]] += values[0];
      row[mesh.end[j]] += values[1];
    }
    for (std::ptrdiff_t q = 0; q < nC; ++q) out[i + q * nE] = row[static_cast<size_t>(q)];
  }
}
