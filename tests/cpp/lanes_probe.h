// The probe of core/lanes.h: the header's functions on one group of lanes,
// compiled at every lane width of the build (lanes_probe.inc, one unit per
// width as the kernels' lane units are), for lanes_test.cpp to compare lane
// by lane with their scalar twins.
#pragma once

#include <cstddef>

// Vector results of a group; lane k of result f is out[f * width + k].
enum ProbeResult {
  kProbeLog,      // vlog(a)
  kProbeLog1p,    // vlog1p(a)
  kProbeAtan,     // vatan(a)
  kProbeSqrt,     // vsqrt(a)
  kProbeMax,      // vmax(a, b)
  kProbeMin,      // vmin(a, b)
  kProbeSelect,   // select(a < b, a, b)
  kProbeMulRe,    // cmul(a + i b, b + i a/2)
  kProbeMulIm,    // and its imaginary part
  kProbeSplat,    // splat(a[0])
  kProbeLoad,     // store(load(a))
  kProbeLane,     // lane(load(a), k)
  kProbeLaneSet,  // laneSet(a < b, k) as 0 or 1
  kProbeResults
};

// After the vector results, the reductions of the group.
enum ProbeReduction { kProbeAny, kProbeSum, kProbeMaxSet, kProbeReductions };

struct LaneProbe {
  int width;
  // a and b hold `width` entries, out kProbeResults * width + kProbeReductions:
  // the vector results, then anySet(a < b), sumLanes(a), maxLanes(a, a < b).
  void (*group)(const double* a, const double* b, double* out);
  // validLanes(j, n), lane k as bit k.
  unsigned (*valid)(std::ptrdiff_t j, std::ptrdiff_t n);
  int (*seriesTerms)(double zmax);
};
