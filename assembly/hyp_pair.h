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

#include <cstddef>

#include "mesh.h"

// Whether W(p, q) (0-based nodes) takes the form with k: both nodes regular
// and every element of the one's support at least the longest element of the
// two supports away from every element of the other's.
bool farEntry(const BoundaryMesh& mesh, std::ptrdiff_t p, std::ptrdiff_t q);

// Where only one of the two nodes is regular (the other ends an open chain,
// or more elements meet there), integrating by parts along the regular
// node's hat alone leaves
//   W(p, q) = 1/(2 pi) int int (t_x.(x - y))/|x - y|^2 psi_p(x) psi_q'(y) ds_y ds_x
// (p the regular node, t_x the unit tangent at x), whose kernel, the
// derivative of log|x - y| along the element, falls like 1/|x - y|: the log
// form's sum of terms of size log|x - y| cancels to (L/d)^2 of them between
// a symmetric pair of elements at p, this one to L/d. halfFarEntry tells
// whether W(p, q) takes it: exactly one of the nodes regular and the
// supports as far apart as farEntry asks (every element at the irregular
// node counting).
bool halfFarEntry(const BoundaryMesh& mesh, std::ptrdiff_t p, std::ptrdiff_t q);

// block[a][b] = -1/(2 pi) int_S int_T k(x, y) phi_a(x) phi_b(y) ds_y ds_x for the
// elements S and T (normals from their own directions), phi_0 and phi_1 the
// hats of the start and end node on each, by a tensor Gauss rule whose order
// (4, 8 or 16 points per element) falls with the ratio of the distance to
// half the longer length (hyp_order.h): below 1e-19 relative for pairs at
// least their longer length apart.
void hypFarBlock(const Segment& S, const Segment& T, double block[2][2]);

// The blocks of the form of halfFarEntry for the elements S and T, by the
// tensor Gauss rule of hypFarBlock, with the hats phi_0, phi_1 of each
// element's start and end node and their derivatives psi'_0 = -1/L,
// psi'_1 = +1/L:
//   onS[a][b] = 1/(2 pi) int_S int_T (t_S.(x - y))/|x - y|^2 phi_a(x) psi'_b(y) ds_y ds_x
// (the node of S regular), and
//   onT[a][b] = 1/(2 pi) int_S int_T (t_T.(y - x))/|x - y|^2 psi'_a(x) phi_b(y) ds_y ds_x
// (the node of T regular).
void hypHalfBlocks(const Segment& S, const Segment& T, double onS[2][2], double onT[2][2]);
