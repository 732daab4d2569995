// Closed-form moments along a straight element with half-vector h, seen from
// a point at relative vector d (h and d each point to two doubles).
#pragma once

// I_k = integral over s in [-1, 1] of s^k log|d + s h|^2, for k = 0..K, written
// to out[0..K]. Allocates nothing. This is the working form used by the
// kernels; slpMoments and slpMoment below give the same numbers.
void slpMomentsInto(int K, const double* h, const double* d, double* out);

// I_0..I_K in a new array of K + 1 doubles allocated with std::malloc; the
// caller releases it with std::free. Null if the allocation fails.
double* slpMoments(int K, const double* h, const double* d);

// I_k alone (k >= 0).
double slpMoment(int k, const double* h, const double* d);

// J_k = integral over s in [-1, 1] of s^k / |d + s h|^2: J_0 for k <= 0, J_2 for
// k == 2, J_1 for k == 1 and for every k > 2. Allocates nothing.
double dlpMoment(int k, const double* h, const double* d);
