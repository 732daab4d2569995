#include "dlpfield.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "constants.h"
#include "field_arrays.h"
#include "quadrature.h"

double dlpfieldPair(void* pairs, std::ptrdiff_t j, double x1, double x2) {
  const DlpfieldPairs& c = *static_cast<const DlpfieldPairs*>(pairs);
  const Segment& s = c.mesh->segments[j];
  if (s.L == 0) return 0;  // no extent to carry a dipole
  const double gA = c.gA[j], gB = c.gB[j];
  const SegmentView v = viewFrom(s, x1, x2);
  if (viewDistance(v) * c.eta >= s.L) {
    const double* P = gaussPoints(16);
    const double* Wt = gaussWeights(16);
    const double m1 = (s.B[0] + s.A[0]) * 0.5, m2 = (s.B[1] + s.A[1]) * 0.5;
    const double h1 = (s.B[0] - s.A[0]) * 0.5, h2 = (s.B[1] - s.A[1]) * 0.5;
    double sum = 0;
    for (int t = 0; t < 16; ++t) {
      const double D1 = (P[t] * h1 + m1) - x1;
      const double D2 = (P[t] * h2 + m2) - x2;
      const double gs = ((P[t] + 1) * (gB - gA)) * 0.5 + gA;
      sum = sum + ((s.n[1] * D2 + s.n[0] * D1) * Wt[t] * gs) / (D2 * D2 + D1 * D1);
    }
    return 0.5 * s.L * sum;  // ds_y = (L/2) ds
  }
  if (onSegment(s, v, onLineTolerance(s, x1, x2))) return 0;
  return doubleLayerIntegral(s, v, gA, gB);
}

bool dlpfieldKernel(const BoundaryMesh& mesh, const double* gh, const Points& x, double eta,
                    double* out, const RunOptions& options) {
  const FieldArrays a = linearDensity(mesh, gh, eta);
  const FieldElements e = fieldElements(mesh, a);
  const FieldLanes& lanes = fieldLanes(options.lanes);
  DlpfieldPairs pairs = {&mesh, a.gA.data(), a.gB.data(), eta};
  // The points at the mesh's reference scale (core/mesh.h): the double
  // layer does not change when the whole geometry is scaled.
  return forEachPoint(x, mesh.scaleExponent, mesh.elementCount, options,
                      [&](std::ptrdiff_t i, double x1, double x2) {
                        out[i] = -lanes.dlp(e, x1, x2, dlpfieldPair, &pairs) / kTwoPi;
                      });
}
