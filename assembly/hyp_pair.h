// Far entries of the hypersingular matrix from the hypersingular kernel.
//
// W(p, q) is the Galerkin form of the arc-length derivatives of the hats,
// -1/(2 pi) int int log|x - y| psi_p'(x) psi_q'(y), summed over element pairs as
// a second difference of logarithms. Where the hats of p and q lie far apart,
// that sum is small against its terms (about (L/d)^2 of them at distance d)
// and loses digits accordingly. Integrating by parts along each hat's support
// turns it into
//   W(p, q) = -1/(2 pi) int int k(x, y) psi_p(x) psi_q(y) ds_y ds_x,
//   k = (n_x . n_y)/|x - y|^2 - 2 ((x - y) . n_x)((x - y) . n_y)/|x - y|^4
// (for a harmonic kernel the normal-normal derivative is minus the
// tangent-tangent one), whose terms have one sign and do not cancel. The end
// terms of the integration by parts cancel between the two elements of a hat
// when the node ends one element and starts the next, and nowhere else: only
// such regular nodes take this form.
#pragma once

#include <vector>

#include "assembly_records.h"

// Per node: whether it is regular (the end node of exactly one element and
// the start node of exactly one, neither of zero length), the length of its
// longest element (the radius of its hat's support about it), and the two
// elements of a regular node (-1 for any other node).
struct NodePatches {
  std::vector<unsigned char> regular;
  std::vector<double> radius;
  std::vector<int> elements;  // 2 per node
};

NodePatches nodePatches(int nC, int nE, const double* coordinates, const double* elements);

// Whether W(p, q) (0-based nodes) takes the form with k: both nodes regular
// and every element of the one's support at least the longest element of the
// two supports away from every element of the other's. Needs
// params.regular, params.patchRadius and params.patchElements.
bool farEntry(const AssemblyParams& params, std::ptrdiff_t p, std::ptrdiff_t q);

// block[a][b] = -1/(2 pi) int_S int_T k(x, y) phi_a(x) phi_b(y) ds_y ds_x for the
// elements S and T (start.x, start.y, end.x, end.y; normals from their own
// directions), phi_0 and phi_1 the hats of the start and end node on each, by
// a tensor Gauss rule whose order (4, 8 or 16 points per element) falls with
// the ratio of the distance to half the longer length (hyp_order.h): below
// 1e-19 relative for pairs at least their longer length apart.
void hypFarBlock(const double* S, const double* T, double block[2][2]);
