// core/lanes.h at every lane width of the build, lane by lane against the
// scalar functions it stands for, and the width the kernels run at when a
// call forces one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "field_lanes.h"
#include "lane_widths.h"
#include "lanes_probe.h"
#include "matrix_lanes.h"

extern const LaneProbe kLaneProbe1;
#if defined(BEM2D_HAVE_SLEEF)
extern const LaneProbe kLaneProbe4, kLaneProbe8;
#endif

namespace {

const LaneProbe& probe(int width) {
#if defined(BEM2D_HAVE_SLEEF)
  if (width == 8) return kLaneProbe8;
  if (width == 4) return kLaneProbe4;
#endif
  return kLaneProbe1;
}

// A call that asks for at most `asked` lanes (0: no limit) runs at the widest
// width of the build that this CPU runs within that limit, in both families.
TEST(LaneTable, ForcedWidthRunsThatWidth) {
  for (int asked : {0, 1, 2, 4, 7, 8, 16}) {
    int expected = 1;
    for (int w : laneWidths()) {
      if (asked == 0 || w <= asked) expected = w;
    }
    EXPECT_EQ(fieldLanes(asked).width, expected) << asked;
    EXPECT_EQ(matrixLanes(asked).width, expected) << asked;
  }
}

std::string text(double v) {
  char s[32];
  std::snprintf(s, sizeof s, "%.17g", v);
  return s;
}

bool sameBits(double x, double y) {
  return (std::isnan(x) && std::isnan(y)) || std::memcmp(&x, &y, sizeof x) == 0;
}

// Distance of two finite doubles in units in the last place: their bits as
// unsigned integers in the order of the numbers (a negative number's bits
// inverted, a positive one's with the sign bit set), subtracted exactly.
std::uint64_t ulps(double x, double y) {
  auto key = [](double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    const std::uint64_t sign = std::uint64_t(1) << 63;
    return (u & sign) ? ~u : u | sign;
  };
  const std::uint64_t a = key(x), b = key(y);
  return a > b ? a - b : b - a;
}

// The logarithms and the arctangent: the scalar lane calls the C library and
// must give its bits. The wide lanes call SLEEF's functions, within 1 ulp of
// the exact value like the C library's own, so the two may differ by 2 ulps
// where the result is finite and nonzero; NaN, infinities and zeros (of
// either sign: no kernel tells them apart) they must give alike.
bool closeToLibrary(double got, double want, int width) {
  if (width == 1) return sameBits(got, want);
  if (std::isnan(want) || !std::isfinite(want) || want == 0) {
    return sameBits(got, want) || got == want;
  }
  return std::isfinite(got) && ulps(got, want) <= 2;
}

// Inputs: the special values of the functions (signed zeros, +-1 where log1p
// ends, subnormals, the largest double, infinities, NaN) and magnitudes from
// 1e-17 to 1e17 of both signs.
std::vector<double> inputs() {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> x = {0.0, -0.0, 1.0, -1.0, 0.5, -0.5, 2.0, -2.0, 1 + 0x1p-52, 1 - 0x1p-53,
                           -1 + 0x1p-53, 4.9e-324, -4.9e-324, 1e-310, 2.2250738585072014e-308,
                           1.7976931348623157e308, -1.7976931348623157e308, inf, -inf,
                           std::nan(""), 1.5707963267948966, 1e300, 1e-300};
  for (int k = -30; k <= 30; ++k) x.push_back((k % 2 ? -1 : 1) * std::pow(3.7, k) * (1 + 0.01 * k));
  return x;
}

// Every function of the header on groups of lanes that place every pair of
// inputs (a, b) in every lane, against its scalar twin lane by lane; the
// validity masks of the last, partial group at every tail length; and the
// number of series terms.
TEST(LanesHeader, EveryLaneAgainstItsScalarTwin) {
  const std::vector<double> x = inputs();
  const std::size_t M = x.size();
  const char* names[kProbeResults] = {"vlog",       "vlog1p", "vatan",   "vsqrt",   "vmax",
                                      "vmin",       "select", "cmul re", "cmul im", "splat",
                                      "load/store", "lane",   "laneSet"};
  for (int w : laneWidths()) {
    const LaneProbe& p = probe(w);
    ASSERT_EQ(p.width, w);
    // The first mismatch of each result, and their count.
    std::string first[kProbeResults + kProbeReductions];
    int wrong[kProbeResults + kProbeReductions] = {};
    auto check = [&](int f, bool ok, int lane, const double* a, const double* b, double got) {
      if (ok) return;
      if (wrong[f]++ == 0) {
        first[f] = "lane " + std::to_string(lane) + ": a = " + text(a[lane]) +
                   ", b = " + text(b[lane]) + ", got " + text(got);
      }
    };
    double a[8], b[8], out[kProbeResults * 8 + kProbeReductions];
    for (std::size_t s = 0; s < M; ++s) {
      for (std::size_t t = 0; t < M; ++t) {
        for (int k = 0; k < w; ++k) {
          a[k] = x[(s + k) % M];
          b[k] = x[(t + k) % M];
        }
        p.group(a, b, out);
        bool any = false;
        double sum = 0, largest = 0;
        for (int k = 0; k < w; ++k) {
          const double A = a[k], B = b[k];
          const double twins[kProbeResults] = {std::log(A),
                                               std::log1p(A),
                                               std::atan(A),
                                               std::sqrt(A),
                                               A > B ? A : B,
                                               A < B ? A : B,
                                               A < B ? A : B,
                                               A * B - B * (0.5 * A),
                                               A * (0.5 * A) + B * B,
                                               a[0],
                                               A,
                                               A,
                                               A < B ? 1.0 : 0.0};
          for (int f = 0; f < kProbeResults; ++f) {
            // SLEEF's log1p forms 1 + x and overflows beyond about 1e307;
            // the kernels take it for |x| <= 1/2 only.
            if (f == kProbeLog1p && w > 1 && A > 1e307) continue;
            const double got = out[f * w + k];
            const bool ok =
                f <= kProbeAtan ? closeToLibrary(got, twins[f], w) : sameBits(got, twins[f]);
            check(f, ok, k, a, b, got);
          }
          any = any || A < B;
          sum += A;
          if (A < B && A > largest) largest = A;
        }
        const double* r = out + kProbeResults * w;
        check(kProbeResults + kProbeAny, r[kProbeAny] == (any ? 1 : 0), 0, a, b, r[kProbeAny]);
        check(kProbeResults + kProbeSum, sameBits(r[kProbeSum], sum), 0, a, b, r[kProbeSum]);
        check(kProbeResults + kProbeMaxSet, sameBits(r[kProbeMaxSet], largest), 0, a, b,
              r[kProbeMaxSet]);
      }
    }
    const char* reductions[kProbeReductions] = {"anySet", "sumLanes", "maxLanes"};
    for (int f = 0; f < kProbeResults + kProbeReductions; ++f) {
      EXPECT_EQ(wrong[f], 0) << "width " << w << ", "
                             << (f < kProbeResults ? names[f] : reductions[f - kProbeResults])
                             << ": first mismatch at " << first[f];
    }

    // validLanes(j, n): lane k set exactly when j + k < n, for groups at the
    // start, in the middle and beyond 2^32 entries, and every tail length.
    for (std::ptrdiff_t j : {std::ptrdiff_t(0), std::ptrdiff_t(w), std::ptrdiff_t(5) * w,
                             (std::ptrdiff_t(1) << 40) + w}) {
      for (std::ptrdiff_t n = j - 1; n <= j + w + 1; ++n) {
        unsigned expected = 0;
        for (int k = 0; k < w; ++k) expected |= j + k < n ? 1u << k : 0u;
        EXPECT_EQ(p.valid(j, n), expected) << "width " << w << ", j = " << j << ", n = " << n;
      }
    }

    // The terms of a series in z, |z| <= zmax: the smallest n >= 1 with
    // zmax^(n + 1) <= 1e-17, at most 64.
    for (double zmax : {0.0, 1e-20, 1e-9, 1e-3, 0.01, 1.0 / 16, 0.25, 0.5, 0.9}) {
      int n = 1;
      while (n < 64 && std::pow(zmax, n + 1) > 1e-17) ++n;
      EXPECT_EQ(p.seriesTerms(zmax), n) << "width " << w << ", zmax = " << zmax;
    }
  }
}

}  // namespace
