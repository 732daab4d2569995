#include "field_arrays.h"

#include <cmath>
#include <limits>

extern const FieldLanes kFieldLanes1;
#if defined(BEM2D_HAVE_SLEEF)
extern const FieldLanes kFieldLanes4;
extern const FieldLanes kFieldLanes8;
#endif

const FieldLanes& fieldLanes(int width) {
  __builtin_cpu_init();
#if defined(BEM2D_HAVE_SLEEF)
  // SLEEF's AVX2 functions use fused multiply-add instructions as well.
  if ((width == 0 || width >= 8) && __builtin_cpu_supports("avx512f")) return kFieldLanes8;
  if ((width == 0 || width >= 4) && __builtin_cpu_supports("avx2") &&
      __builtin_cpu_supports("fma")) {
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

double seriesFrom2(double L, double size, double eta) {
  if (!(eta > 0) || !(L > 0)) return std::numeric_limits<double>::infinity();
  // A margin of a few rounding units: |w|^2 is formed differently from the
  // distance that the admissibility rule compares.
  const double reach = std::fmax(size / eta + 0.5 * L, 2 * L) * (1 + 1e-14);
  return reach * reach;
}
