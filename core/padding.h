// The lane loops read whole groups of kLaneGroup entries (the widest lanes):
// every per-element array they read holds paddedCount(n) entries, those
// beyond n zero. Internal linkage: the lane units include it.
#pragma once

#include <cstddef>

constexpr std::ptrdiff_t kLaneGroup = 8;

static inline std::ptrdiff_t paddedCount(std::ptrdiff_t n) {
  return (n + kLaneGroup - 1) / kLaneGroup * kLaneGroup;
}
