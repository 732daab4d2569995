// Lanes of double-precision arithmetic for the hot loops, written once and
// compiled for several widths: 8 (AVX-512), 4 (AVX2) and 1 (any x86-64, or
// any CPU), each in a translation unit of its own that defines
// BEM2D_LANE_WIDTH before including this header. Everything here has
// internal linkage, so that code compiled for a wider instruction set can
// never be chosen by the linker for a narrower one; only the function tables
// that each unit exports are visible (see the *_lanes.h headers).
//
// The lane functions use IEEE arithmetic in the order written (no fused
// multiply-add: the build disables contraction), so a lane computes the same
// bits as the scalar code for the same operations; the logarithm and
// arctangent of the wide lanes are SLEEF's, within 1 ulp like the C library's.
#pragma once

#include <cstddef>

#include "constants.h"
#include "padding.h"

#ifndef BEM2D_LANE_WIDTH
#error "define BEM2D_LANE_WIDTH (1, 4 or 8) before including lanes.h"
#endif

#if BEM2D_LANE_WIDTH == 8
#include <immintrin.h>
#include <sleef.h>
typedef double VD __attribute__((vector_size(64)));
typedef decltype(VD{} < VD{}) VM;
#elif BEM2D_LANE_WIDTH == 4
#include <immintrin.h>
#include <sleef.h>
typedef double VD __attribute__((vector_size(32)));
typedef decltype(VD{} < VD{}) VM;
#elif BEM2D_LANE_WIDTH == 1
typedef double VD;
typedef bool VM;
#else
#error "BEM2D_LANE_WIDTH must be 1, 4 or 8"
#endif

namespace {

constexpr int kW = BEM2D_LANE_WIDTH;

// x in every lane, -0 included: x - 0 is x for every x, where 0 + x would
// turn -0 into +0.
inline VD splat(double x) {
#if BEM2D_LANE_WIDTH == 1
  return x;
#else
  return x - VD{};
#endif
}

inline VD load(const double* p) {
  VD v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}

inline void store(double* p, const VD& v) { __builtin_memcpy(p, &v, sizeof v); }

inline double lane(const VD& v, int k) {
#if BEM2D_LANE_WIDTH == 1
  (void)k;
  return v;
#else
  return v[k];
#endif
}

// Lane k of a comparison result is set.
inline bool laneSet(const VM& m, int k) {
#if BEM2D_LANE_WIDTH == 1
  (void)k;
  return m;
#else
  return m[k] != 0;
#endif
}

inline bool allSet(const VM& m) {
  for (int k = 0; k < kW; ++k) {
    if (!laneSet(m, k)) return false;
  }
  return true;
}

inline VD select(const VM& m, const VD& a, const VD& b) { return m ? a : b; }

// Complex numbers, one per lane.
struct CV {
  VD re, im;
};

inline CV cmul(const CV& a, const CV& b) {
  return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

// Lane k of the group starting at entry j lies within the first n.
inline VM validLanes(std::ptrdiff_t j, std::ptrdiff_t n) {
  VD index = splat(static_cast<double>(j));
  for (int k = 0; k < kW; ++k) {
#if BEM2D_LANE_WIDTH == 1
    (void)k;
#else
    index[k] += k;
#endif
  }
  return index < splat(static_cast<double>(n));
}

inline bool anySet(const VM& m) {
  for (int k = 0; k < kW; ++k) {
    if (laneSet(m, k)) return true;
  }
  return false;
}

inline VD vmax(const VD& a, const VD& b) { return select(a > b, a, b); }
inline VD vmin(const VD& a, const VD& b) { return select(a < b, a, b); }

inline double sumLanes(const VD& v) {
  double s = 0;
  for (int k = 0; k < kW; ++k) s += lane(v, k);
  return s;
}

// Largest lane among those set in m (0 when none is).
inline double maxLanes(const VD& v, const VM& m) {
  double r = 0;
  for (int k = 0; k < kW; ++k) {
    if (laneSet(m, k) && lane(v, k) > r) r = lane(v, k);
  }
  return r;
}

inline VD vatan(const VD& x) {
#if BEM2D_LANE_WIDTH == 8
  return (VD)Sleef_atand8_u10avx512f((__m512d)x);
#elif BEM2D_LANE_WIDTH == 4
  return (VD)Sleef_atand4_u10avx2((__m256d)x);
#else
  return __builtin_atan(x);
#endif
}

inline VD vlog1p(const VD& x) {
#if BEM2D_LANE_WIDTH == 8
  return (VD)Sleef_log1pd8_u10avx512f((__m512d)x);
#elif BEM2D_LANE_WIDTH == 4
  return (VD)Sleef_log1pd4_u10avx2((__m256d)x);
#else
  return __builtin_log1p(x);
#endif
}

inline VD vsqrt(const VD& x) {
#if BEM2D_LANE_WIDTH == 8
  return (VD)_mm512_maskz_sqrt_pd(0xFF, (__m512d)x);
#elif BEM2D_LANE_WIDTH == 4
  return (VD)_mm256_sqrt_pd((__m256d)x);
#else
  return __builtin_sqrt(x);
#endif
}

inline VD vlog(const VD& x) {
#if BEM2D_LANE_WIDTH == 8
  return (VD)Sleef_logd8_u10avx512f((__m512d)x);
#elif BEM2D_LANE_WIDTH == 4
  return (VD)Sleef_logd4_u10avx2((__m256d)x);
#else
  return __builtin_log(x);
#endif
}

// Terms of a power series in z (coefficients at most 1 in size) that bring
// its remainder below 1e-17 when |z| <= zmax < 1: the smallest n with
// zmax^(n + 1) <= 1e-17 (at least 1).
inline int seriesTerms(double zmax) {
  int n = 1;
  double p = zmax * zmax;
  while (p > 1e-17 && n < 64) {
    p *= zmax;
    ++n;
  }
  return n;
}

}  // namespace
