// The lane widths that the tests force through RunOptions::lanes, so that a
// test runs the same routes on every machine that has them.
#pragma once

#include <cstdio>
#include <vector>

// Every lane width of this build (1; 4 and 8 with the vector lanes) that
// this CPU runs (4: AVX2 and FMA, 8: AVX-512), in increasing order, told from
// the CPU's features rather than by the kernels' own choice, which
// LaneTable.ForcedWidthRunsThatWidth checks against this list. The first
// call prints the widths built and run, so that a run says which it covered.
inline const std::vector<int>& laneWidths() {
  static const std::vector<int> widths = [] {
    std::vector<int> run = {1};
    const char* built = "1";
#if defined(BEM2D_HAVE_SLEEF)
    built = "1 4 8";
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) run.push_back(4);
    if (__builtin_cpu_supports("avx512f")) run.push_back(8);
#endif
    std::printf("lane widths built: %s; run on this CPU:", built);
    for (int w : run) std::printf(" %d", w);
    std::printf("\n");
    return run;
  }();
  return widths;
}
