#!/usr/bin/env python3
"""The Dirichlet problem on the L-shaped domain with bem2d, numpy and scipy.

Omega = (-1,1)^2 without [0,1]x[-1,0], its boundary in uniform meshes of 8k
elements of length h = 1/k (every element halved from one level to the
next), as in part 1 of the Octave demo examples/bem2d_demo.m, whose tables
this script prints with the same rates:

  Symm's equation V phi = (1/2 + K) g for the flux phi = du/dn, Galerkin
  with piecewise constants: V phi_h = (M/2 + K) g_h with V from slpmatrix, K
  from dlpmatrix and the mass matrix M of hats against constants; then
  u = V phi - K g inside (slpfield, dlpfield), for
    a) u = exp(x) sin(y), g_h the nodal interpolant or the L2 projection of g,
    b) u = r^(2/3) sin(2 theta/3), singular at the re-entrant corner.

Conventions: G(x,y) = -(1/(2 pi)) log|x - y|; the boundary runs
counter-clockwise, so every element's normal (its direction turned
clockwise) points out of Omega.

    python3 examples/lshape_dirichlet.py [FOLDER]

prints the tables and writes convergence.png into FOLDER (default
lshape_dirichlet_output in the current folder).
"""
import os
import sys
import time

import numpy as np
import scipy.linalg
import scipy.sparse
import scipy.sparse.linalg

import bem2d

CORNERS = np.array([[0.0, 0], [1, 0], [1, 1], [-1, 1], [-1, -1], [0, -1]])
INTERIOR = np.array([[-0.5, 0.5], [0.5, 0.5], [-0.5, -0.5], [0, 0.5], [-0.5, 0]])


def smooth_u(x):
    return np.exp(x[:, 0]) * np.sin(x[:, 1])


def smooth_grad(x):
    return np.column_stack([np.exp(x[:, 0]) * np.sin(x[:, 1]), np.exp(x[:, 0]) * np.cos(x[:, 1])])


def corner_u(x):
    theta = np.mod(np.arctan2(x[:, 1], x[:, 0]), 2 * np.pi)   # in [0, 3 pi/2] on Omega
    return np.hypot(x[:, 0], x[:, 1]) ** (2 / 3) * np.sin(2 / 3 * theta)


class Mesh:
    """The boundary of Omega with elements of length 1/k, counter-clockwise;
    the re-entrant corner (0,0) is node 0. V, K and M are its matrices of
    Symm's equation. The quadrature points on every element, for the L2
    projection and errors: el (element), s (parameter in (0,1)), x, n
    (outward normal), ds (weights; those of an element sum to its length).
    The elements at a corner get a composite rule graded geometrically
    towards it, all others the 8-point Gauss-Legendre rule."""

    def __init__(self, k):
        self.k = k
        nodes, corner = [], []
        for p, q in zip(CORNERS, np.roll(CORNERS, -1, axis=0)):
            m = int(round(np.linalg.norm(q - p) * k))
            nodes.append(p + np.arange(m)[:, None] / m * (q - p))
            corner += [True] + [False] * (m - 1)
        self.c = np.vstack(nodes)
        n = len(self.c)
        self.e = np.column_stack([np.arange(n), (np.arange(n) + 1) % n])
        A, B = self.c[self.e[:, 0]], self.c[self.e[:, 1]]
        self.L = np.linalg.norm(B - A, axis=1)
        self.V = bem2d.slpmatrix(self.c, self.e)
        self.K = bem2d.dlpmatrix(self.c, self.e)
        # M[i, q] = int_{E_i} psi_q ds: half the element's length at each end.
        self.M = scipy.sparse.csr_matrix((np.r_[self.L, self.L] / 2,
                                          (np.r_[np.arange(n), np.arange(n)], self.e.T.ravel())),
                                         shape=(n, n))

        t, w = np.polynomial.legendre.leggauss(8)
        regular = ((t + 1) / 2, w / 2)
        breaks = np.r_[0, 0.15 ** np.arange(4, 0, -1), 1]
        graded = (np.concatenate([a + (b - a) * regular[0] for a, b in zip(breaks, breaks[1:])]),
                  np.concatenate([(b - a) * regular[1] for a, b in zip(breaks, breaks[1:])]))
        corner = np.array(corner)
        s, ws, el = [], [], []
        for j, (start, end) in enumerate(corner[self.e]):
            if start and end:
                sj, wj = np.r_[graded[0] / 2, 1 - graded[0] / 2], np.r_[graded[1], graded[1]] / 2
            elif start:
                sj, wj = graded
            elif end:
                sj, wj = 1 - graded[0], graded[1]
            else:
                sj, wj = regular
            s.append(sj), ws.append(wj), el.append(np.full(len(sj), j))
        self.el, self.s = np.concatenate(el), np.concatenate(s)
        A, B, L = A[self.el], B[self.el], self.L[self.el]
        self.x = A + self.s[:, None] * (B - A)
        self.n = np.column_stack([B[:, 1] - A[:, 1], A[:, 0] - B[:, 0]]) / L[:, None]
        self.ds = np.concatenate(ws) * L

    def hat_integrals(self, fx):
        """int psi_p f ds for every node p, from f at the quadrature points."""
        nC = len(self.c)
        return (np.bincount(self.e[self.el, 0], fx * (1 - self.s) * self.ds, nC)
                + np.bincount(self.e[self.el, 1], fx * self.s * self.ds, nC))

    def l2_projection(self, gx):
        """Nodal values of the L2 projection onto continuous piecewise-linear
        functions, from the values gx at the quadrature points."""
        a, b, L = self.e[:, 0], self.e[:, 1], self.L
        M = scipy.sparse.csc_matrix((np.r_[L / 3, L / 3, L / 6, L / 6],
                                     (np.r_[a, b, a, b], np.r_[a, b, b, a])))
        return scipy.sparse.linalg.spsolve(M, self.hat_integrals(gx))

    def symm_solve(self, gh):
        """phi_h with V phi_h = (M/2 + K) gh: entry j of the right-hand side
        is int_{E_j} ((1/2) g_h + K g_h) ds, which dlpmatrix integrates
        exactly along every element."""
        return scipy.linalg.solve(self.V, self.M @ gh / 2 + self.K @ gh, assume_a="sym")

    def potential(self, phi, gh, x):
        """u_h = V phi_h - K g_h at interior points."""
        return bem2d.slpfield(self.c, self.e, phi, x) - bem2d.dlpfield(self.c, self.e, gh, x)


def table(title, columns, rows):
    """Prints a convergence table line by line: elements, h, and for every
    column its error and the rate log2(previous error / error)."""
    print(title)
    print("   %8s %9s |" % ("elements", "h") + "|".join(" %11s  rate " % c for c in columns)[:-1])
    errors = []
    for mesh, error in rows:
        rates = [np.log2(p / e) for p, e in zip(errors[-1], error)] if errors else [None] * len(error)
        cells = [" %11.3e %5s " % (e, "    -" if r is None else "%5.2f" % r)
                 for e, r in zip(error, rates)]
        print("   %8d %9s |" % (len(mesh.e), "1/%d" % mesh.k) + "|".join(cells)[:-1], flush=True)
        errors.append(error)
    return np.array(errors)


def dirichlet_smooth(mesh):
    """Errors of u_h at the interior points with g_h the interpolant and the
    L2 projection, and the L2 error of phi_h (interpolant)."""
    exact = smooth_u(INTERIOR)
    gh = smooth_u(mesh.c)
    phi = mesh.symm_solve(gh)
    interpolant = np.abs(mesh.potential(phi, gh, INTERIOR) - exact).max()
    gp = mesh.l2_projection(smooth_u(mesh.x))
    projection = np.abs(mesh.potential(mesh.symm_solve(gp), gp, INTERIOR) - exact).max()
    phi_exact = np.sum(smooth_grad(mesh.x) * mesh.n, axis=1)
    flux = np.sqrt(np.sum((phi[mesh.el] - phi_exact) ** 2 * mesh.ds))
    return interpolant, projection, flux


def dirichlet_corner(mesh):
    gh = corner_u(mesh.c)
    return (np.abs(mesh.potential(mesh.symm_solve(gh), gh, INTERIOR) - corner_u(INTERIOR)).max(),)


def plot(folder, h, smooth, corner):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    os.makedirs(folder, exist_ok=True)
    fig, ax = plt.subplots(figsize=(7, 4.5), dpi=120)
    for values, label, marker in ((smooth[:, 0], "a) u_h, g_h interpolant", "o-"),
                                  (smooth[:, 1], "a) u_h, g_h L2 projection", "s-"),
                                  (smooth[:, 2], "a) phi_h in L2", "^-"),
                                  (corner[:, 0], "b) u_h, corner solution", "d-")):
        ax.loglog(h, values, marker, label=label)
    for p, c, label in ((1, 0.3, "h"), (2, 0.005, "h^2"), (8 / 3, 0.002, "h^(8/3)"),
                        (4 / 3, 0.1, "h^(4/3)")):
        ax.loglog(h, c * h ** p, "k--", linewidth=0.8)
        ax.text(h[0], c * h[0] ** p, "  " + label, fontsize=8)
    ax.set_xlabel("h (element length)")
    ax.set_ylabel("error")
    ax.set_title("Dirichlet problem on the L-shaped domain (bem2d from Python)")
    ax.grid(True, which="both", linewidth=0.3)
    ax.legend(fontsize=8)
    path = os.path.join(folder, "convergence.png")
    fig.savefig(path, bbox_inches="tight")
    print("wrote", path)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.getcwd(),
                                                                  "lshape_dirichlet_output")
    started = time.perf_counter()
    print("bem2d from Python on the L-shaped domain (-1,1)^2 \\ [0,1]x[-1,0]: uniform meshes of 8k")
    print("elements of length h = 1/k, halved from level to level; rate = log2(error ratio).")
    meshes = [Mesh(k) for k in 2 ** np.arange(1, 8)]
    print("\n1. Dirichlet problem, Symm's equation V phi = (1/2 + K) g, u = V phi - K g")
    print("   (slpmatrix, dlpmatrix with the mass matrix M: V phi = (M/2 + K) g; slpfield, dlpfield)")
    smooth = table("   a) u = exp(x) sin(y); max error of u_h at %d interior points, L2 error of"
                   " phi_h\n   u_h error with g_h the nodal interpolant (interpolant) or the L2"
                   " projection of g" % len(INTERIOR), ["interpolant", "projection", "phi L2"],
                   ((m, dirichlet_smooth(m)) for m in meshes))
    print("   (expected: 2 with the interpolant, whose error has a non-zero mean on every")
    print("   element; 3 with the projection on smooth boundaries, 2 + 2/3 here because of")
    print("   the re-entrant corner; 1 for phi_h in L2)")
    corner = table("   b) u = r^(2/3) sin(2 theta/3), singular at the re-entrant corner (g_h"
                   " interpolant)", ["u_h error"], ((m, dirichlet_corner(m)) for m in meshes))
    print("   (phi ~ r^(-1/3) at the corner: the rate drops to about 4/3)")
    print("\nComputed in %.1f s." % (time.perf_counter() - started))
    plot(folder, 1.0 / np.array([m.k for m in meshes]), smooth, corner)


if __name__ == "__main__":
    main()
