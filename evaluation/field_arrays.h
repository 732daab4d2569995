// Storage of the lane loops' arrays for a call (generic code only: the
// lane units include field_lanes.h alone).
#pragma once

#include <vector>

#include "field_lanes.h"
#include "segment.h"


// Storage of FieldElements for a mesh: the geometry of every element from its
// segment, densities and thresholds zero, all padded to paddedCount(n).
struct ElementArrays {
  std::vector<double> mx, my, hx, hy, L, d0, d1, seriesFrom2;
  std::ptrdiff_t count = 0;
  FieldElements view() const {
    return {count, mx.data(), my.data(), hx.data(), hy.data(), L.data(), d0.data(), d1.data(),
            seriesFrom2.data()};
  }
};

ElementArrays elementArrays(const std::vector<Segment>& segments);

// A density linear on each element, given by its values gh at the nodes: the
// values at every element's start (A) and end (B).
struct EndValues {
  std::vector<double> A, B;
};

EndValues endValues(int nE, const double* elements, const double* gh);

// elementArrays with such a density (d0 its mean, d1 half its rise along the
// element) and the thresholds of the rule `L <= eta * dist`.
ElementArrays linearDensityArrays(const std::vector<Segment>& segments, const EndValues& g,
                                  double eta);

// The |w|^2 from which an element of length L is surely admissible for
// quadrature by the rule `size <= eta * dist` (size = L, or L/sqrt(2) for
// tdlfield) and its series converges fast (|w| >= 2L): dist >= |w| - L/2.
// +inf when eta is 0 or NaN, or L is 0, so that such pairs go to the module's
// own code.
double seriesFrom2(double L, double size, double eta);

// Points per chunk of a field module's parallel loop: about 2e5 point-element
// pairs (a millisecond or so), so that the calling thread answers an
// interrupt promptly and the threads share the work evenly.
inline std::ptrdiff_t pointsPerChunk(int elements) {
  const std::ptrdiff_t n = 200000 / (elements > 0 ? elements : 1);
  return n > 0 ? n : 1;
}
