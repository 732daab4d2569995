// The lane width the kernels run at on this CPU.
#pragma once

// 8 with AVX-512, 4 with AVX2 and FMA (SLEEF's AVX2 functions use fused
// multiply-add instructions as well), else 1; at most `most` (0: no limit).
// Always 1 in a build without the vector lanes: included by the kernels'
// units alone, which define BEM2D_HAVE_SLEEF when they have them.
inline int laneWidth(int most) {
  __builtin_cpu_init();
#if defined(BEM2D_HAVE_SLEEF)
  if ((most == 0 || most >= 8) && __builtin_cpu_supports("avx512f")) return 8;
  if ((most == 0 || most >= 4) && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) {
    return 4;
  }
#else
  (void)most;
#endif
  return 1;
}

// The lane table of a kernel family for a call: of the widest lanes that the
// CPU runs, at most `most` wide. `four` and `eight` are null in a build
// without the vector lanes, where laneWidth is always 1.
template <class Table>
const Table& laneTable(int most, const Table& one, const Table* four, const Table* eight) {
  switch (laneWidth(most)) {
    case 8:
      return *eight;
    case 4:
      return *four;
  }
  return one;
}
