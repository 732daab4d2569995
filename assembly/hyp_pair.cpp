#include "hyp_pair.h"

#include <cmath>

#include "geometry.h"
#include "hyp_order.h"
#include "quadrature.h"
#include "slp_pair.h"

NodePatches nodePatches(int nC, int nE, const double* coordinates, const double* elements) {
  const std::ptrdiff_t nCs = nC, nEs = nE;
  NodePatches patches;
  std::vector<int> starts(static_cast<size_t>(nC), 0), ends(static_cast<size_t>(nC), 0);
  std::vector<unsigned char> degenerate(static_cast<size_t>(nC), 0);
  patches.radius.assign(static_cast<size_t>(nC), 0.0);
  patches.elements.assign(2 * static_cast<size_t>(nC), -1);
  for (std::ptrdiff_t j = 0; j < nEs; ++j) {
    const std::ptrdiff_t a = vertexIndex(elements[j]);
    const std::ptrdiff_t b = vertexIndex(elements[j + nEs]);
    const double d1 = coordinates[b] - coordinates[a];
    const double d2 = coordinates[b + nCs] - coordinates[a + nCs];
    const double L = std::sqrt(d1 * d1 + d2 * d2);
    ++starts[static_cast<size_t>(a)];
    ++ends[static_cast<size_t>(b)];
    // A regular node's elements: the one it starts first, the one it ends second.
    patches.elements[2 * static_cast<size_t>(a)] = static_cast<int>(j);
    patches.elements[2 * static_cast<size_t>(b) + 1] = static_cast<int>(j);
    if (!(L > 0)) {
      degenerate[static_cast<size_t>(a)] = 1;
      degenerate[static_cast<size_t>(b)] = 1;
    }
    for (std::ptrdiff_t v : {a, b}) {
      double& r = patches.radius[static_cast<size_t>(v)];
      r = std::fmax(r, L);
    }
  }
  patches.regular.assign(static_cast<size_t>(nC), 0);
  for (size_t p = 0; p < static_cast<size_t>(nC); ++p) {
    patches.regular[p] = starts[p] == 1 && ends[p] == 1 && !degenerate[p];
  }
  return patches;
}

bool farEntry(const AssemblyParams& params, std::ptrdiff_t p, std::ptrdiff_t q) {
  if (params.regular == nullptr || !params.regular[p] || !params.regular[q]) return false;
  const std::ptrdiff_t nCs = params.nC;
  const double* xy = params.coordinates;
  const double longest = std::fmax(params.patchRadius[p], params.patchRadius[q]);
  // The nodes lie in their supports, so the supports are no farther apart than
  // the nodes.
  const double d1 = xy[p] - xy[q], d2 = xy[p + nCs] - xy[q + nCs];
  if (d1 * d1 + d2 * d2 < longest * longest) return false;
  for (int k = 0; k < 2; ++k) {
    double S[4];
    elementEnds(params, params.patchElements[2 * p + k], S);
    for (int l = 0; l < 2; ++l) {
      double T[4];
      elementEnds(params, params.patchElements[2 * q + l], T);
      if (segmentDistance(S, T) < longest) return false;
    }
  }
  return true;
}

void hypFarBlock(const double* S, const double* T, double block[2][2]) {
  const double sx = S[2] - S[0], sy = S[3] - S[1];
  const double tx = T[2] - T[0], ty = T[3] - T[1];
  const double LS = std::sqrt(sx * sx + sy * sy), LT = std::sqrt(tx * tx + ty * ty);
  block[0][0] = block[0][1] = block[1][0] = block[1][1] = 0;
  if (LS == 0 || LT == 0) return;
  // Normals: each element's direction turned clockwise.
  const double nS[2] = {sy / LS, -sx / LS}, nT[2] = {ty / LT, -tx / LT};
  const double nn = nS[0] * nT[0] + nS[1] * nT[1];
  const int order = hypFarOrder(segmentDistance(S, T) / (0.5 * std::fmax(LS, LT)));
  const double* g = gaussPoints(order);
  const double* w = gaussWeights(order);
  double sum[2][2] = {{0, 0}, {0, 0}};
  for (int k = 0; k < order; ++k) {
    const double fk = 0.5 * (g[k] + 1);  // hat of the end node at this point
    const double x1 = S[0] + fk * sx, x2 = S[1] + fk * sy;
    double inner0 = 0, inner1 = 0;
    for (int l = 0; l < order; ++l) {
      const double fl = 0.5 * (g[l] + 1);
      const double r1 = x1 - (T[0] + fl * tx), r2 = x2 - (T[1] + fl * ty);
      const double r2sum = r1 * r1 + r2 * r2;
      const double inv = 1 / r2sum;
      const double kernel = (nn - 2 * (r1 * nS[0] + r2 * nS[1]) * (r1 * nT[0] + r2 * nT[1]) * inv) * inv;
      inner0 += w[l] * (1 - fl) * kernel;
      inner1 += w[l] * fl * kernel;
    }
    sum[0][0] += w[k] * (1 - fk) * inner0;
    sum[0][1] += w[k] * (1 - fk) * inner1;
    sum[1][0] += w[k] * fk * inner0;
    sum[1][1] += w[k] * fk * inner1;
  }
  // ds = (L/2) dt on each element; the kernel's factor -1/(2 pi).
  const double scale = -(LS * LT * 0.25) / 6.283185307179586;
  for (int a = 0; a < 2; ++a) {
    for (int b = 0; b < 2; ++b) block[a][b] = sum[a][b] * scale;
  }
}
