// Single-layer integral over a pair of straight elements.
//
// For segments P (from P.A to P.B) and Q, parametrised as x(s) = mP + s hP and
// y(t) = mQ + t hQ over [-1, 1] (mid points and half-vectors), the normalised
// value is
//   G(P, Q) = -1/(16 pi) int_{-1}^{1} int_{-1}^{1} log|x(s) - y(t)|^2 dt ds,
// and the Galerkin entry -1/(2 pi) int_P int_Q log|x - y| ds_y ds_x is
// |P| |Q| G(P, Q). Nothing is checked; a zero-length segment is not
// special-cased.
#pragma once

#include "segment.h"

// Orientation of the point r = (r1, r2) against the directed segment from p to
// q: +1 when r lies to the left of the line, -1 to the right; on the line, -1
// when r lies behind p, +1 beyond q and 0 on the closed segment (p and q
// included).
int ccw(double p1, double p2, double q1, double q2, double r1, double r2);

// Euclidean distance from the point x = (x1, x2) to the segment from
// a = (a1, a2) to b = (b1, b2) (to the point a when a = b).
double pointSegmentDistance(double x1, double x2, double a1, double a2, double b1, double b2);

// Euclidean distance between the closed segments P and Q; 0 when they touch
// or cross.
double segmentDistance(const Segment& P, const Segment& Q);

// G(P, Q) by the 16-point Gauss-Legendre rule on Q and the closed-form
// integral along P.
double slpPairQuadrature(const Segment& P, const Segment& Q);

// G(P, Q) wholly in closed form (finite for touching, crossing and identical
// segments).
double slpPairAnalytic(const Segment& P, const Segment& Q);

// G(P, Q) with the admissibility rule: the longer segment comes first; the
// pair goes to slpPairQuadrature when eta != 0 and eta times the shorter
// length is strictly less than the distance of the segments, and to
// slpPairAnalytic otherwise (eta == 0, touching pairs, an unordered NaN test).
double slpPairNormalized(const Segment& P, const Segment& Q, double eta);

// |P| |Q| slpPairNormalized(P, Q, eta): the single-layer Galerkin entry of the
// two elements for piecewise-constant functions.
double slpPairEntry(const Segment& P, const Segment& Q, double eta);
