#include "slpfield.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "field_arrays.h"
#include "quadrature.h"
#include "segment.h"

namespace {

struct SlpContext {
  const std::vector<Segment>* segments;
  const double* chi;
  double eta;
};

// chi_j times the integral of log|x - y| over element j, for a pair that the
// series does not take: by the 16-point rule when the rule `L <= eta * dist`
// admits it, else in closed form (finite for a point on the element).
double slpPair(void* context, std::ptrdiff_t j, double x1, double x2) {
  const SlpContext& c = *static_cast<const SlpContext*>(context);
  const Segment& s = (*c.segments)[static_cast<size_t>(j)];
  if (s.L == 0) return 0;  // a zero-length element carries no charge
  const SegmentView v = viewFrom(s, x1, x2);
  if (viewDistance(v) * c.eta >= s.L) {
    const double* P = gaussPoints(16);
    const double* W = gaussWeights(16);
    const double m1 = (s.B[0] + s.A[0]) * 0.5, m2 = (s.B[1] + s.A[1]) * 0.5;
    const double h1 = (s.B[0] - s.A[0]) * 0.5, h2 = (s.B[1] - s.A[1]) * 0.5;
    double sum = 0;
    for (int k = 0; k < 16; ++k) {
      const double D1 = x1 - (P[k] * h1 + m1), D2 = x2 - (P[k] * h2 + m2);
      sum += std::log(D1 * D1 + D2 * D2) * W[k];
    }
    // log|.|^2 = 2 log|.| and ds_y = (L/2) ds.
    return sum * 0.25 * s.L * c.chi[j];
  }
  return 0.5 * logIntegral(s, v) * c.chi[j];
}

}  // namespace

bool slpfieldKernel(double* out, int nC, int nE, const double* coordinates, const double* elements,
                    const double* chi, const Points& z, double eta, const RunOptions& options) {
  const std::vector<Segment> segments = meshSegments(nC, nE, coordinates, elements);
  ElementArrays a = elementArrays(segments);
  for (std::ptrdiff_t j = 0; j < a.count; ++j) {
    a.d0[j] = chi[j];
    a.seriesFrom2[j] = seriesFrom2(a.L[j], a.L[j], eta);
  }
  const FieldElements e = a.view();
  const FieldLanes& lanes = fieldLanes(options.lanes);
  SlpContext context = {&segments, chi, eta};
  const std::ptrdiff_t nzs = z.count;
  const std::ptrdiff_t perChunk = pointsPerChunk(nE);
  return parallelFor((nzs + perChunk - 1) / perChunk, options, [&](std::int64_t chunk, int) {
    const std::ptrdiff_t end = std::min<std::ptrdiff_t>(nzs, (chunk + 1) * perChunk);
    SlpContext local = context;
    for (std::ptrdiff_t i = chunk * perChunk; i < end; ++i) {
      // G = -(1/(2 pi)) log|x - y|.
      out[i] = -lanes.slp(e, z.x(i), z.y(i), slpPair, &local) / 6.283185307179586;
    }
  });
}

void slpfieldScalarKernel(double* out, int nC, int nE, const double* coordinates,
                          const double* elements, const double* chi, const Points& z, double eta) {
  const std::vector<Segment> segments = meshSegments(nC, nE, coordinates, elements);
  SlpContext context = {&segments, chi, eta};
  for (std::ptrdiff_t i = 0; i < z.count; ++i) {
    double acc = 0;
    for (std::ptrdiff_t j = 0; j < nE; ++j) acc += slpPair(&context, j, z.x(i), z.y(i));
    out[i] = -acc / 6.283185307179586;
  }
}
