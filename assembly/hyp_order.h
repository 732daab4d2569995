// The order of the tensor Gauss rule of a far hypersingular block, shared by
// the scalar and the lane code (internal linkage: the lane units include it).
#pragma once

// Points per element for a pair whose distance is `ratio` times half the
// longer length: the integrand is analytic within the Bernstein ellipse of
// parameter rho = ratio + sqrt(ratio^2 + 1) on each element, where the
// n-point rule errs by about rho^(-2n) times the kernel's growth toward the
// singularity. 4 points from ratio 150 on (300^-8 < 1e-19), 8 from 12
// (24^-16 < 1e-22), else 16 (ratio >= 2 for far blocks: 4.2^-32 < 1e-19).
static inline int hypFarOrder(double ratio) { return ratio >= 150 ? 4 : ratio >= 12 ? 8 : 16; }
