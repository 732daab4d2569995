#include "dlpfield.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "field_arrays.h"
#include "geometry.h"
#include "quadrature.h"
#include "segment.h"

namespace {

struct DlpContext {
  const std::vector<Segment>* segments;
  const double* gA;
  const double* gB;
  double eta;
};

// The integral of ((y - x).n) g(y) / |x - y|^2 over element j for a pair that
// the series does not take: by the 16-point rule when `L <= eta * dist`
// admits it, else in closed form; a point on the element gets nothing from
// it (no jump term is added on the boundary).
double dlpPair(void* context, std::ptrdiff_t j, double x1, double x2) {
  const DlpContext& c = *static_cast<const DlpContext*>(context);
  const Segment& s = (*c.segments)[static_cast<size_t>(j)];
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

}  // namespace

bool dlpfieldKernel(double* out, int nC, int nE, const double* coordinates, const double* elements,
                    const double* gh, const Points& x, double eta, const RunOptions& options) {
  const std::ptrdiff_t nxs = x.count;
  const std::vector<Segment> segments = meshSegments(nC, nE, coordinates, elements);
  const EndValues g = endValues(nE, elements, gh);
  const ElementArrays a = linearDensityArrays(segments, g, eta);
  const FieldElements e = a.view();
  const FieldLanes& lanes = fieldLanes(options.lanes);
  const DlpContext context = {&segments, g.A.data(), g.B.data(), eta};
  const std::ptrdiff_t perChunk = pointsPerChunk(nE);
  return parallelFor((nxs + perChunk - 1) / perChunk, options, [&](std::int64_t chunk, int) {
    const std::ptrdiff_t end = std::min<std::ptrdiff_t>(nxs, (chunk + 1) * perChunk);
    DlpContext local = context;
    for (std::ptrdiff_t i = chunk * perChunk; i < end; ++i) {
      out[i] = -lanes.dlp(e, x.x(i), x.y(i), dlpPair, &local) / 6.283185307179586;
    }
  });
}

void dlpfieldScalarKernel(double* out, int nC, int nE, const double* coordinates,
                          const double* elements, const double* gh, const Points& x, double eta) {
  const std::ptrdiff_t nEs = nE, nxs = x.count;
  const std::vector<Segment> segments = meshSegments(nC, nE, coordinates, elements);
  const EndValues g = endValues(nE, elements, gh);
  DlpContext context = {&segments, g.A.data(), g.B.data(), eta};
  for (std::ptrdiff_t i = 0; i < nxs; ++i) {
    double acc = 0;
    for (std::ptrdiff_t j = 0; j < nEs; ++j) acc += dlpPair(&context, j, x.x(i), x.y(i));
    out[i] = -acc / 6.283185307179586;
  }
}
