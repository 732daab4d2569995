#include "field_arrays.h"

#include <cmath>
#include <limits>

#include "geometry.h"
#include "lane_width.h"

extern const FieldLanes kFieldLanes1;
#if defined(BEM2D_HAVE_SLEEF)
extern const FieldLanes kFieldLanes4;
extern const FieldLanes kFieldLanes8;
#endif

const FieldLanes& fieldLanes(int width) {
#if defined(BEM2D_HAVE_SLEEF)
  switch (laneWidth(width)) {
    case 8:
      return kFieldLanes8;
    case 4:
      return kFieldLanes4;
  }
#else
  (void)width;
#endif
  return kFieldLanes1;
}

ElementArrays elementArrays(const std::vector<Segment>& segments) {
  ElementArrays a;
  a.count = static_cast<std::ptrdiff_t>(segments.size());
  const size_t n = static_cast<size_t>(paddedCount(a.count));
  for (std::vector<double>* v : {&a.mx, &a.my, &a.hx, &a.hy, &a.L, &a.d0, &a.d1, &a.seriesFrom2}) {
    v->assign(n, 0.0);
  }
  for (size_t j = 0; j < segments.size(); ++j) {
    const Segment& s = segments[j];
    a.mx[j] = (s.A[0] + s.B[0]) * 0.5;
    a.my[j] = (s.A[1] + s.B[1]) * 0.5;
    a.hx[j] = (s.B[0] - s.A[0]) * 0.5;
    a.hy[j] = (s.B[1] - s.A[1]) * 0.5;
    a.L[j] = s.L;
  }
  return a;
}

EndValues endValues(int nE, const double* elements, const double* gh) {
  const std::ptrdiff_t nEs = nE;
  EndValues g{std::vector<double>(static_cast<size_t>(nE)),
              std::vector<double>(static_cast<size_t>(nE))};
  for (std::ptrdiff_t j = 0; j < nEs; ++j) {
    g.A[j] = gh[vertexIndex(elements[j])];
    g.B[j] = gh[vertexIndex(elements[j + nEs])];
  }
  return g;
}

ElementArrays linearDensityArrays(const std::vector<Segment>& segments, const EndValues& g,
                                  double eta) {
  ElementArrays a = elementArrays(segments);
  for (std::ptrdiff_t j = 0; j < a.count; ++j) {
    a.d0[j] = (g.A[j] + g.B[j]) * 0.5;
    a.d1[j] = (g.B[j] - g.A[j]) * 0.5;
    a.seriesFrom2[j] = seriesFrom2(a.L[j], a.L[j], eta);
  }
  return a;
}

double seriesFrom2(double L, double size, double eta) {
  if (!(eta > 0) || !(L > 0)) return std::numeric_limits<double>::infinity();
  // A margin of a few rounding units: |w|^2 is formed differently from the
  // distance that the admissibility rule compares.
  const double reach = std::fmax(size / eta + 0.5 * L, 2 * L) * (1 + 1e-14);
  return reach * reach;
}
