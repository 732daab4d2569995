#include "hyp_pair.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "constants.h"
#include "hyp_order.h"
#include "quadrature.h"
#include "slp_pair.h"

bool farEntry(const BoundaryMesh& mesh, std::ptrdiff_t p, std::ptrdiff_t q) {
  if (!mesh.regularNode[p] || !mesh.regularNode[q]) return false;
  const double longest = std::fmax(mesh.supportRadius[p], mesh.supportRadius[q]);
  // The nodes lie in their supports, so the supports are no farther apart than
  // the nodes.
  const double d1 = mesh.nodeX[p] - mesh.nodeX[q], d2 = mesh.nodeY[p] - mesh.nodeY[q];
  if (d1 * d1 + d2 * d2 < longest * longest) return false;
  for (int k = 0; k < 2; ++k) {
    const Segment& S = mesh.segments[mesh.supportElements[2 * p + k]];
    for (int l = 0; l < 2; ++l) {
      if (segmentDistance(S, mesh.segments[mesh.supportElements[2 * q + l]]) < longest) {
        return false;
      }
    }
  }
  return true;
}

namespace {

// Every element of positive length at the irregular node q at least
// `longest` away from both elements of the regular node p's support.
bool supportsApart(const BoundaryMesh& mesh, std::ptrdiff_t p, std::ptrdiff_t q, double longest) {
  for (std::int64_t t = mesh.nodeFirst[q]; t < mesh.nodeFirst[q + 1]; ++t) {
    const Segment& T = mesh.segments[mesh.nodeElements[static_cast<size_t>(t)]];
    if (!(T.L > 0)) continue;
    for (int k = 0; k < 2; ++k) {
      const Segment& S = mesh.segments[mesh.supportElements[2 * p + k]];
      if (segmentDistance(S, T) < longest) return false;
    }
  }
  return true;
}

}  // namespace

bool halfFarEntry(const BoundaryMesh& mesh, std::ptrdiff_t p, std::ptrdiff_t q) {
  if (mesh.regularNode[p] == mesh.regularNode[q]) return false;
  if (!mesh.regularNode[p]) std::swap(p, q);
  const double longest = std::fmax(mesh.supportRadius[p], mesh.supportRadius[q]);
  const double d1 = mesh.nodeX[p] - mesh.nodeX[q], d2 = mesh.nodeY[p] - mesh.nodeY[q];
  if (!(d1 * d1 + d2 * d2 >= longest * longest)) return false;
  return supportsApart(mesh, p, q, longest);
}

void hypHalfBlocks(const Segment& S, const Segment& T, double onS[2][2], double onT[2][2]) {
  for (int a = 0; a < 2; ++a) {
    for (int b = 0; b < 2; ++b) onS[a][b] = onT[a][b] = 0;
  }
  if (!(S.L > 0) || !(T.L > 0)) return;
  const int order = hypFarOrder(segmentDistance(S, T) / (0.5 * std::fmax(S.L, T.L)));
  const double* g = gaussPoints(order);
  const double* w = gaussWeights(order);
  const double sx = S.B[0] - S.A[0], sy = S.B[1] - S.A[1];
  const double tx = T.B[0] - T.A[0], ty = T.B[1] - T.A[1];
  // JS[a] = int int (t_S.(x - y))/r^2 phi_a(x), JT[b] = int int (t_T.(y - x))/r^2 phi_b(y),
  // in the parameters (ds = (L/2) dt on each element).
  double JS[2] = {0, 0}, JT[2] = {0, 0};
  for (int k = 0; k < order; ++k) {
    const double fk = 0.5 * (g[k] + 1);
    const double x1 = S.A[0] + fk * sx, x2 = S.A[1] + fk * sy;
    double inS = 0, inT0 = 0, inT1 = 0;
    for (int l = 0; l < order; ++l) {
      const double fl = 0.5 * (g[l] + 1);
      const double r1 = x1 - (T.A[0] + fl * tx), r2 = x2 - (T.A[1] + fl * ty);
      const double inv = 1 / (r1 * r1 + r2 * r2);
      inS += w[l] * (S.t[0] * r1 + S.t[1] * r2) * inv;
      const double kT = -(T.t[0] * r1 + T.t[1] * r2) * inv;
      inT0 += w[l] * (1 - fl) * kT;
      inT1 += w[l] * fl * kT;
    }
    JS[0] += w[k] * (1 - fk) * inS;
    JS[1] += w[k] * fk * inS;
    JT[0] += w[k] * inT0;
    JT[1] += w[k] * inT1;
  }
  // ds ds = (L_S L_T / 4) dt dt, psi' = -+1/L of the other element.
  const double scaleS = (S.L * 0.25) / kTwoPi, scaleT = (T.L * 0.25) / kTwoPi;
  for (int a = 0; a < 2; ++a) {
    for (int b = 0; b < 2; ++b) {
      onS[a][b] = (b == 0 ? -JS[a] : JS[a]) * scaleS;
      onT[a][b] = (a == 0 ? -JT[b] : JT[b]) * scaleT;
    }
  }
}

void hypFarBlock(const Segment& Ss, const Segment& Ts, double block[2][2]) {
  const double S[4] = {Ss.A[0], Ss.A[1], Ss.B[0], Ss.B[1]};
  const double T[4] = {Ts.A[0], Ts.A[1], Ts.B[0], Ts.B[1]};
  const double sx = S[2] - S[0], sy = S[3] - S[1];
  const double tx = T[2] - T[0], ty = T[3] - T[1];
  const double LS = std::sqrt(sx * sx + sy * sy), LT = std::sqrt(tx * tx + ty * ty);
  block[0][0] = block[0][1] = block[1][0] = block[1][1] = 0;
  if (LS == 0 || LT == 0) return;
  // Normals: each element's direction turned clockwise.
  const double nS[2] = {sy / LS, -sx / LS}, nT[2] = {ty / LT, -tx / LT};
  const double nn = nS[0] * nT[0] + nS[1] * nT[1];
  const int order = hypFarOrder(segmentDistance(Ss, Ts) / (0.5 * std::fmax(LS, LT)));
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
  const double scale = -(LS * LT * 0.25) / kTwoPi;
  for (int a = 0; a < 2; ++a) {
    for (int b = 0; b < 2; ++b) block[a][b] = sum[a][b] * scale;
  }
}
