// A straight element seen from a point, in the element's own frame, and the
// integrals along it that every kernel takes in closed form.
//
// The element runs from A to B, with length L, unit tangent t = (B - A)/L and
// unit normal n = t turned clockwise (outward for a counter-clockwise
// boundary). Seen from a point x, with a = A - x and b = B - x, a point y of
// the element is y - x = u t + delta n for u from uA = a.t to uB = b.t, where
// delta = a.n = b.n is the signed distance of x from the line (positive when x
// lies on the side opposite to n: inside, for a counter-clockwise boundary).
//
// Conditioning: every quantity is formed from the end vectors a and b, which
// are differences of nearby coordinates, never from differences of squares or
// of large products. |a|^2 and |b|^2 are sums of squares; delta is a dot
// product with the unit normal, taken from the nearer end; the angle under
// which the element is seen comes from atan2 of |delta| L and a.b, so it is
// accurate at any angle, 0 and pi included; rB2 - rA2 is L (uA + uB). The
// results are therefore exact to rounding of the end vectors however close x
// lies to the element, its line or its ends, and at any scale.
#pragma once

struct Segment {
  double A[2], B[2];
  double L;     // length; 0 for coincident ends (t and n are then 0)
  double t[2];  // unit tangent
  double n[2];  // unit normal, t turned clockwise
};

// The element from (a1, a2) to (b1, b2).
Segment segmentOf(double a1, double a2, double b1, double b2);

// The element seen from a point.
struct SegmentView {
  double a[2], b[2];  // A - x and B - x
  double uA, uB;      // a.t and b.t
  double delta;       // a.n
  double rA2, rB2;    // |a|^2 and |b|^2
};

SegmentView viewFrom(const Segment& s, double x1, double x2);

// Distance of the point from the closed segment.
double viewDistance(const SegmentView& v);

// Band within which a point counts as lying on the element or its line: a
// small multiple of the rounding of the element's length and of the point's
// coordinates (so a point built as A + (B - A)/3 lies on the element at any
// scale), relative to the geometry and independent of the unit of length.
double onLineTolerance(const Segment& s, double x1, double x2);

// The point lies on the closed segment: within tol of its line, with its foot
// within tol of [A, B]. Never true for a zero-length element.
bool onSegment(const Segment& s, const SegmentView& v, double tol);

// Angle under which the element is seen from the point, in [0, pi]; 0 on the
// line outside the element, pi on it.
double subtendedAngle(const Segment& s, const SegmentView& v);

// log(|b|^2 / |a|^2) for a point at neither end.
double logRatio(const Segment& s, const SegmentView& v);

// Integral over the element of log|x - y|^2 ds_y. Finite everywhere, on the
// element and at its ends included; 0 for a zero-length element.
double logIntegral(const Segment& s, const SegmentView& v);

// The same from the logarithms of |a|^2 and |b|^2 (any value where that is 0),
// taken by the caller, so that elements with a common end share them.
double logIntegralFromLogs(const Segment& s, const SegmentView& v, double logA, double logB);

// Integral over the element of ((y - x).n) g(y) / |x - y|^2 ds_y, g linear with
// end values gA, gB: the double layer. A point on the closed segment (the
// caller decides with onSegment) gets 0 from its own element.
double doubleLayerIntegral(const Segment& s, const SegmentView& v, double gA, double gB);

// The same for the two hats of the element: out[0] for g = 1 at A and 0 at B,
// out[1] for g = 0 at A and 1 at B.
void doubleLayerHats(const Segment& s, const SegmentView& v, double out[2]);

// Integral over the element of ((x - y).q) / |x - y|^2 ds_y for a direction q:
// the adjoint double layer of a unit density. Finite for a point off the
// closed segment, on the element's line outside it included.
double adjointDoubleLayerIntegral(const Segment& s, const SegmentView& v, double q1, double q2);

// Integral over the element of K(x, y) g(y) ds_y for a point off the closed
// segment, with K = (q.n)/|x - y|^2 - 2 ((x - y).n)((x - y).q)/|x - y|^4 and g
// linear with end values gA, gB: the kernel of the hypersingular operator.
double hypersingularIntegral(const Segment& s, const SegmentView& v, double q1, double q2,
                             double gA, double gB);

// Hadamard finite part of the integral over the element of g(y) / |x - y|^2
// ds_y for a point on the element (between its ends), g linear with end
// values gA, gB. Not finite at an end.
double finitePartIntegral(const Segment& s, const SegmentView& v, double gA, double gB);
