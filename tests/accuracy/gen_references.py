#!/usr/bin/python3
"""Reference values for the accuracy test of the kernels (tests/cpp/accuracy_test.cpp).

Run with Debian's interpreter and python3-mpmath (apt-get install -y python3-mpmath):
    /usr/bin/python3 tests/accuracy/gen_references.py
It writes tests/accuracy/references.txt beside this script. The random cases are
seeded, so every run writes the same file (about 10 minutes on one core).
dlpmatrix, dlpgradfield and the near-field regimes at the end draw from
generators of their own (reseed), so the cases written before them stay as
they were; the near-field regimes are computed at 50 digits.

Nothing here calls or follows the code under test: every value comes from the
definitions below, integrated by mpmath.quad at 40 digits with breakpoints at
every singular or kink point and geometric grading towards near-singular ones,
and checked against textbook antiderivatives evaluated at the same precision
(the generator stops if the two disagree by more than 1e-20 of the scale).
The double integrals of the matrices are checked by the other order of
integration, and the rows of dlpmatrix on closed polygons by K 1 = -1/2.

Definitions. Element j runs from node A_j to B_j, length L_j, unit tangent
t_j = (B_j - A_j)/L_j, unit normal n_j = (t_j2, -t_j1) (outward for a
counter-clockwise boundary). A zero-length element contributes 0 everywhere,
and so does a triangle of zero area.
  slpfield   out(x) = -(1/2pi) sum_j chi_j int_{E_j} log|x - y| ds_y
  dlpfield   out(x) = -(1/2pi) sum_j int_{E_j} ((y - x).n_j)/|y - x|^2 g(y) ds_y,
             g linear on each element with the node values gh; a point exactly
             on an element's closed segment (exact arithmetic on the doubles)
             gets 0 from that element (no jump term).
  tdlfield   out(x) = -(1/2pi) sum_j phi_j int_{E_j} ((x - y).q)/|x - y|^2 ds_y,
             q as given (not normalised), phi_j = gh(j); x on no closed segment.
  hypfield   x on exactly one element E_h (its host; x may be off the line by
             rounding only and is taken at its projection), q = n_h:
             out(x) = -(1/2pi) [sum_{j != h} int_{E_j} K g ds_y
                                + f.p. int_{E_h} g(y)/|x - y|^2 ds_y],
             K = (q.n_j)/r^2 - 2((x - y).n_j)((x - y).q)/r^4, r = |x - y|, and
             with u the signed arc length from x on the host,
             f.p. int_{uA}^{uB} g/u^2 du = g(0)(1/uA - 1/uB) + g'(0) log(uB/(-uA)).
  domfield   out(x) = -(1/2pi) sum_T f_T int_T log|x - y| dy (either orientation).
  slpmatrix  V(i,k) = -(1/2pi) int_{E_i} int_{E_k} log|x - y| ds_y ds_x.
  hypmatrix  W(p,q) = -(1/2pi) sum_i sum_k int_{E_i} int_{E_k} log|x - y|
                      psi_p'(x) psi_q'(y) ds_y ds_x,
             psi_p' = -1/L on an element that starts at p, +1/L on one that ends there.
  dlpmatrix  K(i,q) = int_{E_i} (K psi_q)(x) ds_x, nE x nC (row: element, column:
             node), (K g)(x) as dlpfield's out(x), psi_q the hat of node q (linear
             on each element, 1 at q, 0 at the element's other end; an element
             whose two ends are one node carries none). The integrand over E_j is
             0 where x lies on E_j's line, so the diagonal pair and any pair of
             elements on one line contribute nothing (no jump term); on a closed
             counter-clockwise polygon every row sums to -|E_i|/2.
  dlpgradfield out(x) = grad_x of dlpfield's out(x), nx x 2 (component k of point
             i at i + k nx), x at least 1e-10 L_j from every closed segment:
             -(1/2pi) sum_j int_{E_j} (-n_j r^2 + 2 (r.n_j) r)/r^4 g(y) ds_y, r = y - x.

Tolerance of each output: tol = max(1e-12 scale, 8 sens), where
  scale = (1/2pi) times the integral of |integrand| (summed over elements,
          triangles or pairs; |f.p. value| for hypfield's host element; per
          component for dlpgradfield, whose integrand is the differentiated
          kernel times g; for dlpmatrix the hat times the kernel, whose sign
          changes only where x crosses E_j's line); for
          a hypmatrix entry whose two node patches (the elements around p and
          around q) are at least 2 patch sizes apart, scale = |W(p,q)|: such an
          entry is a small second difference of logarithms and must be
          relatively exact;
  sens  = sum_k |d out/d z_k| |z_k| 2^-53 over every input coordinate z_k
          (nodes and points; densities and directions are left out), the
          first-order error that rounding the inputs alone causes. For the
          fields it comes from central differences of the antiderivatives at
          60 digits; for the matrices from the derivative integrals
          d/dA log|x - y| = (1 - s)(x - y)/|x - y|^2 (and alike for the other
          ends), inner integral in closed form, outer by graded composite
          Gauss-Legendre at 30 digits. Where a perturbation would move a point
          across an element (overlapping pairs) the one-sided derivative is
          taken. Zero-length elements add nothing to sens. For dlpmatrix the
          derivatives of the inner integral in x come from the antiderivatives
          and those in the element's ends from the invariance of the inner
          integral under translation, rotation and scaling; a node's
          derivatives are summed before the outer integration (at a vertex
          shared by the pair each end's alone is not integrable). Two elements
          on one line that overlap add nothing: their contribution jumps from 0
          as soon as a node leaves the line, so a kernel has to recognise them
          exactly, as dlpfield recognises a point on an element.

A case also says, per output, whether its point (or pair) lies within 4
element lengths of every element involved (of every triangle: 4 diameters; of
a pair: 4 lengths of the shorter one): there every kernel uses its closed
forms whatever eta is, so those outputs are checked with eta = 0 as well.

Cases are grouped by regime (the second word of a line); each module with
known failures has a group "reproducers" with their exact inputs.
"""

import math
import os
import random
import time
from fractions import Fraction

from mpmath import mp, mpf

mp.dps = 40
SEED = 20240611
EPS53 = mpf(2) ** -53
HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "references.txt")
AGREE = mpf("1e-20")  # quadrature against antiderivative, relative to the scale

# ---------------------------------------------------------------- basic geometry


def M(p):
    """A point of two doubles as exact multi-precision numbers."""
    return (mpf(p[0]), mpf(p[1]))


def frame(A, B, x):
    """Element from A to B seen from x (all multi-precision): length L, unit
    tangent t and normal n, signed distance delta = (x - A).n of x from the
    line (from the cross product, exact for double inputs), and the arc
    coordinates tA, tB of A and B measured from the foot of x."""
    e0, e1 = B[0] - A[0], B[1] - A[1]
    L = mp.sqrt(e0 * e0 + e1 * e1)
    w0, w1 = x[0] - A[0], x[1] - A[1]
    delta = (w0 * e1 - w1 * e0) / L
    tA = -(w0 * e0 + w1 * e1) / L
    return L, (e0 / L, e1 / L), (e1 / L, -e0 / L), delta, tA, tA + L


def atan_diff(ta, tb, d):
    """atan(tb/d) - atan(ta/d); on the line (d = 0) the limit from the side of
    the normal (0 when ta and tb have one sign)."""
    if d == 0:
        return (mp.sign(tb) - mp.sign(ta)) * mp.pi / 2
    return mp.atan(tb / d) - mp.atan(ta / d)


def log_r2_diff(ta, tb, d):
    """log(tb^2 + d^2) - log(ta^2 + d^2)."""
    return mp.log(tb * tb + d * d) - mp.log(ta * ta + d * d)


def F_log(t, d):
    """Antiderivative in t of log sqrt(t^2 + d^2)."""
    r2 = t * t + d * d
    if r2 == 0:
        return mpf(0)
    v = t * mp.log(r2) / 2 - t
    if d != 0:
        v += d * mp.atan(t / d)
    return v


def log_abs_pieces(ta, tb, d):
    """The interval [ta, tb] cut where t^2 + d^2 = 1 (where log r changes sign)."""
    cuts = [ta, tb]
    if abs(d) < 1:
        c = mp.sqrt(1 - d * d)
        cuts += [v for v in (-c, c) if ta < v < tb]
    return sorted(cuts)


def int_abs_log(ta, tb, d):
    """Integral of |log sqrt(t^2 + d^2)| over [ta, tb]."""
    p = log_abs_pieces(ta, tb, d)
    return sum(abs(F_log(b, d) - F_log(a, d)) for a, b in zip(p, p[1:]))


def graded(lo, hi, centers, floor=None):
    """Breakpoints of [lo, hi]: the ends, each center c inside, and c +- rho 4^k
    inside, for every (c, rho): next to a near-singularity at distance rho from
    c every panel is at most about three times as long as its distance from it.
    rho = 0 marks a singularity at c itself: graded from floor when given, else
    left to the endpoint clustering of tanh-sinh."""
    pts = {lo, hi}
    width = hi - lo
    for c, rho in centers:
        if lo < c < hi:
            pts.add(c)
        if rho == 0:
            if floor is None:
                continue
            rho = floor * width
        r = mpf(rho)
        while r < width:
            for p in (c - r, c + r):
                if lo < p < hi:
                    pts.add(p)
            r *= 4
    return sorted(pts)


_GL = {}


def gauss_legendre(n):
    """Nodes and weights of the n-point Gauss-Legendre rule on [-1, 1]."""
    key = (n, mp.dps)
    if key in _GL:
        return _GL[key]
    rule = []
    for i in range(1, n + 1):
        x = mp.cos(mp.pi * (i - mpf(1) / 4) / (n + mpf(1) / 2))
        for _ in range(200):
            p0, p1 = mpf(1), x
            for k in range(2, n + 1):
                p0, p1 = p1, ((2 * k - 1) * x * p1 - (k - 1) * p0) / k
            dp = n * (x * p1 - p0) / (x * x - 1)
            dx = p1 / dp
            x -= dx
            if abs(dx) < mpf(10) ** (5 - mp.dps):
                break
        p0, p1 = mpf(1), x
        for k in range(2, n + 1):
            p0, p1 = p1, ((2 * k - 1) * x * p1 - (k - 1) * p0) / k
        dp = n * (x * p1 - p0) / (x * x - 1)
        rule.append((x, 2 / ((1 - x * x) * dp * dp)))
    _GL[key] = rule
    return rule


def gl_vector(f, pts, size, n=12):
    """Composite Gauss-Legendre of the vector-valued f over the panels pts."""
    rule = gauss_legendre(n)
    tot = [mpf(0)] * size
    for a, b in zip(pts, pts[1:]):
        h, m = (b - a) / 2, (a + b) / 2
        for x, w in rule:
            v = f(m + h * x)
            for i in range(size):
                tot[i] += w * h * v[i]
    return tot


# Float geometry for the "near" flags and the case builders.


def fdist_point_segment(x, A, B):
    e = (B[0] - A[0], B[1] - A[1])
    ee = e[0] ** 2 + e[1] ** 2
    if ee == 0:
        return math.hypot(x[0] - A[0], x[1] - A[1])
    s = max(0.0, min(1.0, ((x[0] - A[0]) * e[0] + (x[1] - A[1]) * e[1]) / ee))
    return math.hypot(x[0] - A[0] - s * e[0], x[1] - A[1] - s * e[1])


def segments_cross(A, B, C, D):
    def orient(p, q, r):
        v = Fraction(q[0]) - Fraction(p[0])
        w = Fraction(r[1]) - Fraction(p[1])
        v2 = Fraction(q[1]) - Fraction(p[1])
        w2 = Fraction(r[0]) - Fraction(p[0])
        return (v * w > v2 * w2) - (v * w < v2 * w2)

    return orient(A, B, C) * orient(A, B, D) < 0 and orient(C, D, A) * orient(C, D, B) < 0


def fdist_segments(A, B, C, D):
    if segments_cross(A, B, C, D):
        return 0.0
    return min(fdist_point_segment(A, C, D), fdist_point_segment(B, C, D),
               fdist_point_segment(C, A, B), fdist_point_segment(D, A, B))


def flen(A, B):
    return math.hypot(B[0] - A[0], B[1] - A[1])


def on_closed_segment(x, A, B):
    """x on the closed segment AB in exact arithmetic on the doubles."""
    ax, ay, bx, by = map(Fraction, (A[0], A[1], B[0], B[1]))
    px, py = Fraction(x[0]), Fraction(x[1])
    if (bx - ax) * (py - ay) != (by - ay) * (px - ax):
        return False
    dot = (px - ax) * (bx - ax) + (py - ay) * (by - ay)
    return 0 <= dot <= (bx - ax) ** 2 + (by - ay) ** 2


def central_gradient(f, z, h_rel=mpf("1e-25")):
    """Derivatives of f by central differences in each nonzero coordinate of z
    (a list of doubles), at 60 digits; zero coordinates are not rounded and get
    derivative 0."""
    g = []
    with mp.workdps(60):
        zm = [mpf(v) for v in z]
        for k, v in enumerate(zm):
            if v == 0:
                g.append(mpf(0))
                continue
            h = abs(v) * h_rel
            zp, zn = list(zm), list(zm)
            zp[k] += h
            zn[k] -= h
            g.append((f(zp) - f(zn)) / (2 * h))
    return g


# ------------------------------------------------------------ field modules
#
# One element's contribution to out(x), three ways: the antiderivative
# ("closed"), the definition integrated by mpmath.quad over the element's
# parameter ("quad"), and the integral of the absolute value ("scale"). A, B, x
# and q are multi-precision pairs; p holds the densities.

TWO_PI = 2 * mp.pi


def hyp_antiderivatives(t, d):
    """P0..P3 with P0' = (t^2 - d^2)/r^4, P1' = 2 d t/r^4, P2' = t (t^2 - d^2)/r^4,
    P3' = 2 d t^2/r^4 (r^2 = t^2 + d^2); P3 without its arctangent."""
    r2 = t * t + d * d
    return (-t / r2, -d / r2, mp.log(r2) / 2 + d * d / r2, -d * t / r2)


def piece_sum(cuts, ta, tb, piece):
    """Sum of |piece(a, b)| over [ta, tb] cut at the points cuts."""
    pts = sorted([ta, tb] + [c for c in cuts if ta < c < tb])
    return sum(abs(piece(a, b)) for a, b in zip(pts, pts[1:]))


def element_closed(module, A, B, x, p, with_scale=False):
    L, t, n, d, ta, tb = frame(A, B, x)
    if module == "slpfield":
        val = -p["chi"] * (F_log(tb, d) - F_log(ta, d)) / TWO_PI
        if with_scale:
            return val, abs(p["chi"]) * int_abs_log(ta, tb, d) / TWO_PI
        return val
    if module == "dlpfield":
        if d == 0:  # on the line: the kernel vanishes (on the segment: no jump term)
            return (mpf(0), mpf(0)) if with_scale else mpf(0)
        g1 = (p["gB"] - p["gA"]) / L
        g0 = p["gA"] - ta * g1  # g at the foot of x

        def piece(a, b):  # int ((y - x).n)/r^2 g dt, (y - x).n = -d
            return -g0 * atan_diff(a, b, d) - g1 * d / 2 * log_r2_diff(a, b, d)

        val = -piece(ta, tb) / TWO_PI
        if with_scale:
            cuts = [-g0 / g1] if g1 != 0 else []
            return val, piece_sum(cuts, ta, tb, piece) / TWO_PI
        return val
    if module == "tdlfield":
        qt = p["q"][0] * t[0] + p["q"][1] * t[1]
        qn = p["q"][0] * n[0] + p["q"][1] * n[1]

        def piece(a, b):  # int ((x - y).q)/r^2 dt, x - y = -t t_j + d n_j
            return -qt / 2 * log_r2_diff(a, b, d) + qn * atan_diff(a, b, d)

        val = -p["phi"] * piece(ta, tb) / TWO_PI
        if with_scale:
            cuts = [d * qn / qt] if qt != 0 else []
            return val, abs(p["phi"]) * piece_sum(cuts, ta, tb, piece) / TWO_PI
        return val
    if module == "hypfield":
        g1 = (p["gB"] - p["gA"]) / L
        g0 = p["gA"] - ta * g1
        if p["host"]:
            # Finite part with x at its projection on the host.
            fp = g0 * (1 / ta - 1 / tb) + g1 * mp.log(tb / (-ta))
            val = -fp / TWO_PI
            return (val, abs(val)) if with_scale else val
        qt = p["q"][0] * t[0] + p["q"][1] * t[1]
        qn = p["q"][0] * n[0] + p["q"][1] * n[1]

        def piece(a, b):  # int K g dt, K = (qn (t^2 - d^2) + 2 qt d t)/r^4
            Pa, Pb = hyp_antiderivatives(a, d), hyp_antiderivatives(b, d)
            D = [vb - va for va, vb in zip(Pa, Pb)]
            D3 = D[3] + (atan_diff(a, b, d) if d != 0 else 0)
            return g0 * (qn * D[0] + qt * D[1]) + g1 * (qn * D[2] + qt * D3)

        val = -piece(ta, tb) / TWO_PI
        if with_scale:
            cuts = [-g0 / g1] if g1 != 0 else []
            if qn != 0:
                root = mp.sqrt(qt * qt + qn * qn)
                cuts += [d * (-qt + root) / qn, d * (-qt - root) / qn]
            elif d != 0:
                cuts.append(mpf(0))
            return val, piece_sum(cuts, ta, tb, piece) / TWO_PI
        return val
    raise ValueError(module)


def element_quad(module, A, B, x, p):
    """The definition integrated over s in [0, 1], y = A + s (B - A)."""
    e0, e1 = B[0] - A[0], B[1] - A[1]
    L = mp.sqrt(e0 * e0 + e1 * e1)
    n = (e1 / L, -e0 / L)
    _, _, _, d, ta, _ = frame(A, B, x)
    s0 = -ta / L
    rho = abs(d) / L if d != 0 else min(abs(s0), abs(s0 - 1))
    pts = graded(mpf(0), mpf(1), [(s0, rho)])

    def rvec(s):  # x - y(s)
        return x[0] - A[0] - s * e0, x[1] - A[1] - s * e1

    if module == "slpfield":
        def f(s):
            r0, r1 = rvec(s)
            return mp.log(r0 * r0 + r1 * r1) / 2
        fac = -p["chi"] * L / TWO_PI
    elif module == "dlpfield":
        def f(s):
            r0, r1 = rvec(s)
            g = p["gA"] + s * (p["gB"] - p["gA"])
            return -(r0 * n[0] + r1 * n[1]) / (r0 * r0 + r1 * r1) * g
        fac = -L / TWO_PI
    elif module == "tdlfield":
        q = p["q"]

        def f(s):
            r0, r1 = rvec(s)
            return (r0 * q[0] + r1 * q[1]) / (r0 * r0 + r1 * r1)
        fac = -p["phi"] * L / TWO_PI
    elif module == "hypfield":
        q = p["q"]
        qn = q[0] * n[0] + q[1] * n[1]

        def f(s):
            r0, r1 = rvec(s)
            r2 = r0 * r0 + r1 * r1
            g = p["gA"] + s * (p["gB"] - p["gA"])
            rn, rq = r0 * n[0] + r1 * n[1], r0 * q[0] + r1 * q[1]
            return (qn / r2 - 2 * rn * rq / (r2 * r2)) * g
        fac = -L / TWO_PI
    else:
        raise ValueError(module)
    v, err = mp.quad(f, pts, error=True)
    return fac * v, abs(fac) * err


def field_outputs(module, coords, cells, dens, points, dirs=None, hosts=None):
    """(index, reference, scale, sens, near) for every point of a field case."""
    outs = []
    for i, xf in enumerate(points):
        x = M(xf)
        ref, scale, grad, near = mpf(0), mpf(0), {}, True
        for j, (a, b) in enumerate(cells):
            Af, Bf = coords[a - 1], coords[b - 1]
            if Af == Bf:
                continue  # zero-length element: contributes 0
            p = {}
            if module == "slpfield":
                p["chi"] = mpf(dens[j])
            elif module == "tdlfield":
                p["phi"] = mpf(dens[j])
            else:
                p["gA"], p["gB"] = mpf(dens[a - 1]), mpf(dens[b - 1])
            if dirs is not None:
                p["q"] = M(dirs[i])
            if module == "hypfield":
                p["host"] = hosts[i] == j
            near = near and fdist_point_segment(xf, Af, Bf) <= 4 * flen(Af, Bf)
            A, B = M(Af), M(Bf)
            with mp.workdps(60):  # the antiderivatives cancel far away
                closed, sc = element_closed(module, A, B, x, p, with_scale=True)
            if module == "dlpfield" and on_closed_segment(xf, Af, Bf):
                val = mpf(0)
            elif module == "hypfield" and p["host"]:
                val = closed
            else:
                val, err = element_quad(module, A, B, x, p)
                if abs(val - closed) > AGREE * sc + mpf(10) ** -300 or err > AGREE * sc:
                    raise RuntimeError("quadrature and antiderivative disagree: %s %r %r %r: "
                                       "%s %s (err %s, scale %s)" % (module, Af, Bf, xf,
                                                                     val, closed, err, sc))
            ref += val
            scale += sc

            def f(z, p=p):
                return element_closed(module, (z[0], z[1]), (z[2], z[3]), (z[4], z[5]), p)

            g = central_gradient(f, [Af[0], Af[1], Bf[0], Bf[1], xf[0], xf[1]])
            for key, v in zip([(a, 0), (a, 1), (b, 0), (b, 1), ("x", 0), ("x", 1)], g):
                grad[key] = grad.get(key, 0) + v
        sens = EPS53 * sum(abs(v) * abs(mpf(coords[k[0] - 1][k[1]] if k[0] != "x" else xf[k[1]]))
                           for k, v in grad.items())
        outs.append((i, ref, scale, sens, near))
    return outs


# ------------------------------------------------------------------ domfield
#
# Signed fan with apex x: for the sub-triangle (x, P, Q) of the edge P -> Q, in
# polar coordinates around x, int log r dA = int_phi (R^2/2)(log R - 1/2) dphi,
# and along the edge dphi = c/R^2 ds with c = cross(P - x, Q - P) = -L d (d the
# signed distance of x from the edge's line), so the sub-triangle gives
# (c/2) int_0^1 (log R(s) - 1/2) ds. The signed sum over the three edges, times
# the orientation of the triangle, is the integral over the triangle for x
# anywhere (an edge whose line passes through x has c = 0).


def tri_orientation(P):
    c = ((P[1][0] - P[0][0]) * (P[2][1] - P[0][1]) - (P[1][1] - P[0][1]) * (P[2][0] - P[0][0]))
    return mp.sign(c)


def triangle_closed(P, x, with_scale=False):
    """int_T log|x - y| dy by the fan and the antiderivative of log r along
    each edge; with the scale, also int_T |log|x - y|| dy (the fan of G(R) =
    int_0^R |log r| r dr, which changes form at R = 1)."""
    sig = tri_orientation(P)
    val, absval = mpf(0), mpf(0)
    if sig == 0:
        return (val, absval) if with_scale else val
    for k in range(3):
        L, _, _, d, ta, tb = frame(P[k], P[(k + 1) % 3], x)
        if d == 0:
            continue
        S = F_log(tb, d) - F_log(ta, d)
        val += -d / 2 * (S - L / 2)
        if with_scale:
            # -d int G(r)/r^2 dt; G/r^2 = -(log r - 1/2)/2 for r <= 1 and
            # 1/(2 r^2) + (log r - 1/2)/2 beyond.
            cuts = log_abs_pieces(ta, tb, d)
            for a, b in zip(cuts, cuts[1:]):
                m = (a + b) / 2
                part = (F_log(b, d) - F_log(a, d) - (b - a) / 2) / 2
                if m * m + d * d < 1:
                    absval += -d * (-part)
                else:
                    absval += -d * (atan_diff(a, b, d) / (2 * d) + part)
    return (sig * val, sig * absval) if with_scale else sig * val


def triangle_quad(P, x):
    """The same fan, with the edge integrals of log R by mpmath.quad."""
    sig = tri_orientation(P)
    if sig == 0:
        return mpf(0), mpf(0)
    tot, errtot = mpf(0), mpf(0)
    for k in range(3):
        A, B = P[k], P[(k + 1) % 3]
        e0, e1 = B[0] - A[0], B[1] - A[1]
        c = (A[0] - x[0]) * e1 - (A[1] - x[1]) * e0
        if c == 0:
            continue
        L, _, _, d, ta, _ = frame(A, B, x)
        s0 = -ta / L
        rho = abs(d) / L

        def f(s):
            r0, r1 = A[0] + s * e0 - x[0], A[1] + s * e1 - x[1]
            return mp.log(r0 * r0 + r1 * r1) / 2 - mpf(1) / 2

        v, err = mp.quad(f, graded(mpf(0), mpf(1), [(s0, rho)]), error=True)
        tot += c / 2 * v
        errtot += abs(c / 2) * err
    return sig * tot, errtot


def fdist_triangle(x, P):
    def side(p, q):
        return (q[0] - p[0]) * (x[1] - p[1]) - (q[1] - p[1]) * (x[0] - p[0])

    s = [side(P[k], P[(k + 1) % 3]) for k in range(3)]
    if all(v >= 0 for v in s) or all(v <= 0 for v in s):
        return 0.0
    return min(fdist_point_segment(x, P[k], P[(k + 1) % 3]) for k in range(3))


def dom_outputs(verts, tris, f, points):
    outs = []
    for i, xf in enumerate(points):
        x = M(xf)
        ref, scale, grad, near = mpf(0), mpf(0), {}, True
        for j, tri in enumerate(tris):
            Pf = [verts[v - 1] for v in tri]
            P = [M(p) for p in Pf]
            with mp.workdps(60):
                closed, sc = triangle_closed(P, x, with_scale=True)
            fac = -mpf(f[j]) / TWO_PI
            if closed == 0 and sc == 0:
                continue  # zero area
            val, err = triangle_quad(P, x)
            if abs(val - closed) > AGREE * sc or err > AGREE * sc:
                raise RuntimeError("domfield: quadrature and antiderivative disagree: %r %r %s %s"
                                   % (Pf, xf, val, closed))
            ref += fac * val
            scale += abs(fac) * sc
            diam = max(flen(Pf[a], Pf[b]) for a, b in ((0, 1), (1, 2), (2, 0)))
            near = near and fdist_triangle(xf, Pf) <= 4 * diam

            def g(z, fac=fac):
                return fac * triangle_closed([(z[0], z[1]), (z[2], z[3]), (z[4], z[5])],
                                             (z[6], z[7]))

            zs = [c for p in Pf for c in p] + list(xf)
            keys = [(v, c) for v in tri for c in (0, 1)] + [("x", 0), ("x", 1)]
            for key, v in zip(keys, central_gradient(g, zs)):
                grad[key] = grad.get(key, 0) + v
        sens = EPS53 * sum(abs(v) * abs(mpf(verts[k[0] - 1][k[1]] if k[0] != "x" else xf[k[1]]))
                           for k, v in grad.items())
        outs.append((i, ref, scale, sens, near))
    return outs


# ------------------------------------------------------------------ matrices
#
# Q(i, k) = int_0^1 int_0^1 log|x_i(s) - y_k(t)| dt ds over the parameters of
# two elements: V(i, k) = -(1/2pi) L_i L_k Q(i, k) and
# W(p, q) = -(1/2pi) sum_{i at p} sum_{k at q} sign_i(p) sign_k(q) Q(i, k).
# Inner integral by the antiderivative of log r, outer by mpmath.quad with
# breakpoints at the feet of the other element's ends (graded by their
# distance from the line) and at the crossing of the two lines.


def inner_log(C, D, x):
    """int_0^1 log|x - (C + t (D - C))| dt."""
    L, _, _, d, ta, tb = frame(C, D, x)
    return (F_log(tb, d) - F_log(ta, d)) / L


def outer_points(A, B, C, D, floor=None):
    e0, e1 = B[0] - A[0], B[1] - A[1]
    LL = e0 * e0 + e1 * e1
    centers = []
    for P in (C, D):
        s = ((P[0] - A[0]) * e0 + (P[1] - A[1]) * e1) / LL
        rho = abs((P[0] - A[0]) * e1 - (P[1] - A[1]) * e0) / LL
        centers.append((s, rho))
    f0, f1 = D[0] - C[0], D[1] - C[1]
    cr = f0 * e1 - f1 * e0
    if cr != 0:
        centers.append((((C[0] - A[0]) * f1 - (C[1] - A[1]) * f0) / (-cr), mpf(0)))
    return graded(mpf(0), mpf(1), centers, floor)


def pair_Q(A, B, C, D):
    """Q of the elements AB and CD and its error estimate."""
    e0, e1 = B[0] - A[0], B[1] - A[1]
    return mp.quad(lambda s: inner_log(C, D, (A[0] + s * e0, A[1] + s * e1)),
                   outer_points(A, B, C, D), error=True)


def pair_Q_abs(A, B, C, D):
    """int_0^1 int_0^1 |log|x - y|| dt ds (two digits suffice: it only scales
    the tolerance)."""
    with mp.workdps(20):
        e0, e1 = B[0] - A[0], B[1] - A[1]

        def f(s):
            L, _, _, d, ta, tb = frame(C, D, (A[0] + s * e0, A[1] + s * e1))
            return [int_abs_log(ta, tb, d) / L]

        return gl_vector(f, outer_points(A, B, C, D, floor=mpf("1e-14")), 1, n=8)[0]


def pair_dQ(A, B, C, D):
    """dQ/d(A0, A1, B0, B1, C0, C1, D0, D1): the derivative integrals
    int int w (x - y)/|x - y|^2 with w = 1 - s, s, -(1 - t), -t; the inner
    integrals J0 = int (x - y)/r^2 dt and J1 = int t (x - y)/r^2 dt in closed
    form, the outer by graded composite Gauss-Legendre at 30 digits."""
    with mp.workdps(30):
        e0, e1 = B[0] - A[0], B[1] - A[1]

        def f(s):
            x = (A[0] + s * e0, A[1] + s * e1)
            L, t, n, d, ta, tb = frame(C, D, x)
            la, at = log_r2_diff(ta, tb, d), atan_diff(ta, tb, d)
            J0 = [(-t[c] * la / 2 + n[c] * at) / L for c in (0, 1)]
            J1 = [(-t[c] * (L - d * at) + n[c] * d * la / 2) / (L * L) - ta / L * J0[c]
                  for c in (0, 1)]
            return ([(1 - s) * J0[c] for c in (0, 1)] + [s * J0[c] for c in (0, 1)]
                    + [-(J0[c] - J1[c]) for c in (0, 1)] + [-J1[c] for c in (0, 1)])

        return gl_vector(f, outer_points(A, B, C, D, floor=mpf("1e-15")), 8)


class PairTable:
    """Q, |log| integrals and dQ of every pair of elements of a mesh (the
    diagonal in closed form: Q(i, i) = log L - 3/2)."""

    def __init__(self, coords, cells):
        self.coords, self.cells = coords, cells
        self.Q, self.Qabs, self.dQ = {}, {}, {}
        ends = [(M(coords[a - 1]), M(coords[b - 1])) for a, b in cells]
        live = [j for j, (a, b) in enumerate(cells) if coords[a - 1] != coords[b - 1]]
        for i in live:
            for k in live:
                if k < i:
                    continue
                A, B = ends[i]
                C, D = ends[k]
                if i == k:
                    L = mp.sqrt((B[0] - A[0]) ** 2 + (B[1] - A[1]) ** 2)
                    self.Q[i, i] = mp.log(L) - mpf(3) / 2
                    self.Qabs[i, i] = pair_Q_abs(A, B, A, B)
                    g = [(B[c] - A[c]) / (L * L) for c in (0, 1)]
                    self.dQ[i, i] = [-g[0], -g[1], g[0], g[1], 0, 0, 0, 0]
                    continue
                v, err = pair_Q(A, B, C, D)
                w, err2 = pair_Q(C, D, A, B)
                qa = pair_Q_abs(A, B, C, D)
                if abs(v - w) > AGREE * qa or max(err, err2) > AGREE * qa:
                    raise RuntimeError("pair integral: the two orders disagree: %r %r: %s %s"
                                       % (cells[i], cells[k], v, w))
                self.Q[i, k] = self.Q[k, i] = v
                self.Qabs[i, k] = self.Qabs[k, i] = qa
                dq = pair_dQ(A, B, C, D)
                self.dQ[i, k] = dq
                self.dQ[k, i] = dq[4:] + dq[:4]
        self.live = live

    def grad_keys(self, i, k):
        a, b = self.cells[i]
        c, d = self.cells[k]
        return [(a, 0), (a, 1), (b, 0), (b, 1), (c, 0), (c, 1), (d, 0), (d, 1)]

    def sens(self, grad):
        return EPS53 * sum(abs(v) * abs(mpf(self.coords[k[0] - 1][k[1]])) for k, v in grad.items())

    def near(self, i, k):
        A, B = (self.coords[v - 1] for v in self.cells[i])
        C, D = (self.coords[v - 1] for v in self.cells[k])
        return fdist_segments(A, B, C, D) <= 4 * min(flen(A, B), flen(C, D))


def slp_outputs(pt, entries):
    """(flat index, V, scale, sens, near) for the entries (i, k) of V."""
    nE = len(pt.cells)
    outs = []
    for i, k in entries:
        idx = i + k * nE
        if i not in pt.live or k not in pt.live:
            outs.append((idx, mpf(0), mpf(0), mpf(0), True))
            continue
        A, B = (M(pt.coords[v - 1]) for v in pt.cells[i])
        C, D = (M(pt.coords[v - 1]) for v in pt.cells[k])
        Li = mp.sqrt((B[0] - A[0]) ** 2 + (B[1] - A[1]) ** 2)
        Lk = mp.sqrt((D[0] - C[0]) ** 2 + (D[1] - C[1]) ** 2)
        Q = pt.Q[i, k]
        fac = -1 / TWO_PI
        # d(Li Lk)/dz: dLi/dB = -dLi/dA = (B - A)/Li.
        dL = [-(B[0] - A[0]) / Li * Lk, -(B[1] - A[1]) / Li * Lk,
              (B[0] - A[0]) / Li * Lk, (B[1] - A[1]) / Li * Lk,
              -(D[0] - C[0]) / Lk * Li, -(D[1] - C[1]) / Lk * Li,
              (D[0] - C[0]) / Lk * Li, (D[1] - C[1]) / Lk * Li]
        grad = {}
        for key, a, b in zip(pt.grad_keys(i, k), dL, pt.dQ[i, k]):
            grad[key] = grad.get(key, 0) + fac * (a * Q + Li * Lk * b)
        outs.append((idx, fac * Li * Lk * Q, abs(fac) * Li * Lk * pt.Qabs[i, k],
                     pt.sens(grad), pt.near(i, k)))
    return outs


def hyp_outputs(pt, entries):
    """(flat index, W, scale, sens, near) for the entries (p, q) of W (0-based
    nodes); a far entry (patches 2 patch sizes apart) is scaled by |W|."""
    nC = len(pt.coords)
    at = {}
    for j in pt.live:
        a, b = pt.cells[j]
        at.setdefault(a - 1, []).append((j, -1))
        at.setdefault(b - 1, []).append((j, +1))

    def patch_size(p):
        pts = [pt.coords[v - 1] for j, _ in at.get(p, []) for v in pt.cells[j]]
        return max((flen(u, v) for u in pts for v in pts), default=0.0)

    outs = []
    for p, q in entries:
        W, scale, grad, near = mpf(0), mpf(0), {}, True
        dist = math.inf
        for i, si in at.get(p, []):
            for k, sk in at.get(q, []):
                W += -si * sk * pt.Q[i, k] / TWO_PI
                scale += pt.Qabs[i, k] / TWO_PI
                near = near and pt.near(i, k)
                A, B = (pt.coords[v - 1] for v in pt.cells[i])
                C, D = (pt.coords[v - 1] for v in pt.cells[k])
                dist = min(dist, fdist_segments(A, B, C, D))
                for key, v in zip(pt.grad_keys(i, k), pt.dQ[i, k]):
                    grad[key] = grad.get(key, 0) - si * sk * v / TWO_PI
        if at.get(p) and at.get(q) and dist >= 2 * max(patch_size(p), patch_size(q)):
            scale = abs(W)
        outs.append((p + q * nC, W, scale, pt.sens(grad), near))
    return outs


def check_fan():
    """The fan formula against a direct two-dimensional quadrature (points
    inside, outside and on an edge of one triangle), before anything rests on it."""
    P = [(mpf(0), mpf(0)), (mpf(1), mpf(0)), (mpf("0.3"), mpf("0.8"))]
    e1, e2 = (P[1][0], P[1][1]), (P[2][0], P[2][1])
    for x in [(mpf("0.4"), mpf("0.3")), (mpf("1.5"), mpf("0.9")), (mpf("0.3"), mpf(0))]:
        with mp.workdps(25):
            def inner(u):
                b = (u * e1[0] - x[0], u * e1[1] - x[1])
                w0 = -(b[0] * e2[0] + b[1] * e2[1]) / (e2[0] ** 2 + e2[1] ** 2)
                pts = [0] + ([w0] if 0 < w0 < 1 - u else []) + [1 - u]
                return mp.quad(lambda w: mp.log((b[0] + w * e2[0]) ** 2
                                                + (b[1] + w * e2[1]) ** 2) / 2, pts)

            ux = x[0] - e2[0] * x[1] / e2[1]  # the u whose segment passes through x
            direct = mp.quad(inner, [0] + ([ux] if 0 < ux < 1 else []) + [1]) * e2[1]
        if abs(direct - triangle_closed(P, x)) > mpf("1e-20"):
            raise RuntimeError("fan formula: %s against %s" % (triangle_closed(P, x), direct))


# ------------------------------------------------- double layer: matrix and gradient
#
# One element E = CD seen from x, g linear on it (g = g0 + g1 t, g0 its value
# at the foot of x, t the arc length from the foot), y - x = t t_E - d n_E:
#   I(x)      = int_E ((y - x).n_E)/|y - x|^2 g ds_y
#             = -g0 [atan(t/d)] - g1 (d/2) [log r^2]          (dlpfield's)
#   grad I(x) = int_E (n_E (d^2 - t^2) - 2 d t t_E)/r^4 g ds_y
#             = -n_E (g0 [P0] + g1 [P2]) - t_E (g0 [P1] + g1 [P3])
# with hypfield's antiderivatives P0..P3 (the gradient is minus hypfield's
# kernel with q along an axis). dlpgradfield's references integrate the
# differentiated kernel by mpmath.quad and are checked against grad I.
#
# dlpmatrix: the pair (E_i = AB, E_j = CD) enters K(i, c) and K(i, d) through
#   P_h = int_{E_i} int_{E_j} ((y - x).n_j)/|y - x|^2 psi_h(y) ds_y ds_x
# for the hats psi_h of C and D. The integrand has the sign of -d (d the
# signed distance of x from E_j's line), which changes only where E_i crosses
# that line: the integral of its absolute value is the sum of the absolute
# values of the integrals over the two sides. Computed in both orders: x
# outer with I in closed form, and y outer with the inner integral along E_i
#   int_{E_i} ((y - x).n_j)/|y - x|^2 ds_x
#             = (n_i.n_j) [atan(u/d')] - (t_i.n_j)/2 [log(u^2 + d'^2)]
# (u the arc length on E_i from the foot of y, d' the distance of y from E_i's
# line). A pair of elements on one line contributes nothing.


def dlp_closed(C, D, x, gC, gD):
    """(I, grad I) of the element CD with the end values gC, gD, seen from x;
    I = 0 on the element's line (the gradient there is only used beyond the
    element's ends)."""
    L, t, n, d, ta, tb = frame(C, D, x)
    g1 = (gD - gC) / L
    g0 = gC - ta * g1
    I = mpf(0) if d == 0 else -g0 * atan_diff(ta, tb, d) - g1 * d / 2 * log_r2_diff(ta, tb, d)
    Pa, Pb = hyp_antiderivatives(ta, d), hyp_antiderivatives(tb, d)
    dP = [vb - va for va, vb in zip(Pa, Pb)]
    dP3 = dP[3] + (atan_diff(ta, tb, d) if d != 0 else 0)
    cn, ct = g0 * dP[0] + g1 * dP[2], g0 * dP[1] + g1 * dP3
    return I, (-n[0] * cn - t[0] * ct, -n[1] * cn - t[1] * ct)


def dlp_hat_values(C, D, x):
    """I of the hats of C and D (g = 1 at one end, 0 at the other)."""
    L, _, _, d, ta, tb = frame(C, D, x)
    if d == 0:
        return mpf(0), mpf(0)
    at, la = atan_diff(ta, tb, d), log_r2_diff(ta, tb, d)
    return (-tb * at + d / 2 * la) / L, (ta * at - d / 2 * la) / L


def dlp_hat_derivatives(C, D, x):
    """Per hat (of C, then of D): I and its derivatives in x, C and D. Only
    grad I is differentiated; the others follow from the invariance of I under
    translations, rotations and scalings of (x, C, D) together:
        dI/dC + dI/dD = -grad I,  e.dI/dD = w.grad I,  e'.dI/dD = w'.grad I,
    e = D - C, w = C - x, v' = (-v1, v0)."""
    e0, e1 = D[0] - C[0], D[1] - C[1]
    ee = e0 * e0 + e1 * e1
    w0, w1 = C[0] - x[0], C[1] - x[1]
    out = []
    for gC, gD in ((mpf(1), mpf(0)), (mpf(0), mpf(1))):
        I, G = dlp_closed(C, D, x, gC, gD)
        a, b = w0 * G[0] + w1 * G[1], -w1 * G[0] + w0 * G[1]
        dD = ((a * e0 - b * e1) / ee, (a * e1 + b * e0) / ee)
        out.append((I, G, (-G[0] - dD[0], -G[1] - dD[1]), dD))
    return out


def tdl_inner(A, B, y, nj):
    """int_{AB} ((y - x).nj)/|y - x|^2 ds_x for y off the segment AB; 0 at an
    end of AB (log-singular there: only a quadrature node within rounding of a
    common vertex lands on it, with a negligible weight)."""
    _, t, n, d, ta, tb = frame(A, B, y)
    if d == 0 and (ta == 0 or tb == 0):
        return mpf(0)
    nn, tn = n[0] * nj[0] + n[1] * nj[1], t[0] * nj[0] + t[1] * nj[1]
    return nn * atan_diff(ta, tb, d) - tn / 2 * log_r2_diff(ta, tb, d)


def exact_cross(p, q, r):
    """cross(q - p, r - p) in exact arithmetic on the doubles."""
    return ((Fraction(q[0]) - Fraction(p[0])) * (Fraction(r[1]) - Fraction(p[1]))
            - (Fraction(q[1]) - Fraction(p[1])) * (Fraction(r[0]) - Fraction(p[0])))


def on_one_line(Af, Bf, Cf, Df):
    return exact_cross(Cf, Df, Af) == 0 and exact_cross(Cf, Df, Bf) == 0


def overlapping(Af, Bf, Cf, Df):
    """Two segments on one line that share more than a point."""
    f = (Fraction(Df[0]) - Fraction(Cf[0]), Fraction(Df[1]) - Fraction(Cf[1]))
    ff = f[0] ** 2 + f[1] ** 2

    def u(P):
        return ((Fraction(P[0]) - Fraction(Cf[0])) * f[0]
                + (Fraction(P[1]) - Fraction(Cf[1])) * f[1]) / ff

    ua, ub = sorted((u(Af), u(Bf)))
    return min(ub, 1) > max(ua, 0)


def line_crossing(A, B, C, D):
    """The parameter s of AB where it crosses the line of CD (None if parallel)."""
    e0, e1 = B[0] - A[0], B[1] - A[1]
    f0, f1 = D[0] - C[0], D[1] - C[1]
    cr = f0 * e1 - f1 * e0
    if cr == 0:
        return None
    return ((C[0] - A[0]) * f1 - (C[1] - A[1]) * f0) / (-cr)


def dlp_pair(A, B, C, D):
    """P_h for the hats of C and D and the integrals of |integrand|, x outer
    (mpmath.quad over the parameter of AB, each side of the crossing of CD's
    line apart), checked against the other order of integration."""
    e0, e1 = B[0] - A[0], B[1] - A[1]
    Li = mp.sqrt(e0 * e0 + e1 * e1)
    cache = {}

    def inner(s):
        if s not in cache:
            cache[s] = dlp_hat_values(C, D, (A[0] + s * e0, A[1] + s * e1))
        return cache[s]

    pts = outer_points(A, B, C, D)
    sc = line_crossing(A, B, C, D)
    sides = [pts] if sc is None or not 0 < sc < 1 else \
        [[p for p in pts if p <= sc], [p for p in pts if p >= sc]]
    vals, absvals, errs = [mpf(0)] * 2, [mpf(0)] * 2, [mpf(0)] * 2
    for side in sides:
        for h in (0, 1):
            v, err = mp.quad(lambda s: inner(s)[h], side, error=True)
            vals[h] += Li * v
            absvals[h] += Li * abs(v)
            errs[h] += Li * err
    # The other order: y outer, weighted by the hat.
    f0, f1 = D[0] - C[0], D[1] - C[1]
    Lj = mp.sqrt(f0 * f0 + f1 * f1)
    nj = (f1 / Lj, -f0 / Lj)
    cache2 = {}

    def inner2(t):
        if t not in cache2:
            cache2[t] = tdl_inner(A, B, (C[0] + t * f0, C[1] + t * f1), nj)
        return cache2[t]

    pts2 = outer_points(C, D, A, B)
    for h, psi in ((0, lambda t: 1 - t), (1, lambda t: t)):
        w, err = mp.quad(lambda t: psi(t) * inner2(t), pts2, error=True)
        w *= Lj
        if abs(w - vals[h]) > AGREE * absvals[h] or max(errs[h], Lj * err) > AGREE * absvals[h]:
            raise RuntimeError("dlpmatrix pair: the two orders disagree: %r %r %r %r: %s %s"
                               % (A, B, C, D, vals[h], w))
    return vals, absvals


def dlp_pair_derivatives(A, B, C, D, keys):
    """d P_h / d z for the node coordinates keys of the pair ((node, axis)
    for the nodes of A, B, C, D in this order, a node shared by both elements
    listed for each of its ends): the derivative of L_i I(x(s)) at each s in
    closed form, the derivatives of one node summed before the outer
    integration (at a vertex common to both elements each end's derivative
    alone is not integrable), composite Gauss-Legendre at 30 digits."""
    unique = sorted(set(keys), key=keys.index)
    slot = [unique.index(k) for k in keys]
    size = len(unique)
    with mp.workdps(30):
        e0, e1 = B[0] - A[0], B[1] - A[1]
        Li = mp.sqrt(e0 * e0 + e1 * e1)
        dL = (-e0 / Li, -e1 / Li)

        def f(s):
            out = [mpf(0)] * (2 * size)
            for h, (I, G, dC, dD) in enumerate(dlp_hat_derivatives(C, D, (A[0] + s * e0,
                                                                           A[1] + s * e1))):
                ends = [I * dL[0] + Li * (1 - s) * G[0], I * dL[1] + Li * (1 - s) * G[1],
                        -I * dL[0] + Li * s * G[0], -I * dL[1] + Li * s * G[1],
                        Li * dC[0], Li * dC[1], Li * dD[0], Li * dD[1]]
                for k, v in zip(slot, ends):
                    out[h * size + k] += v
            return out

        tot = gl_vector(f, outer_points(A, B, C, D, floor=mpf("1e-15")), 2 * size, n=8)
    return [dict(zip(unique, tot[h * size:(h + 1) * size])) for h in (0, 1)]


class DlpTable:
    """P_h, their absolute integrals and derivatives for every ordered pair of
    distinct elements of a mesh."""

    def __init__(self, coords, cells):
        self.coords, self.cells = coords, cells
        self.live = [j for j, (a, b) in enumerate(cells) if coords[a - 1] != coords[b - 1]]
        self.P = {}
        for i in self.live:
            for j in self.live:
                if i != j:
                    self.P[i, j] = self.pair(i, j)

    def pair(self, i, j):
        (a, b), (c, d) = self.cells[i], self.cells[j]
        Af, Bf, Cf, Df = (self.coords[v - 1] for v in (a, b, c, d))
        keys = [(v, k) for v in (a, b, c, d) for k in (0, 1)]
        if on_one_line(Af, Bf, Cf, Df):
            # Every x of E_i on the line of E_j: the integrand vanishes. When the
            # two overlap, the value jumps as soon as a node leaves the line, so
            # such a pair adds nothing to sens (it must be recognised exactly).
            zero = [mpf(0), mpf(0)]
            if overlapping(Af, Bf, Cf, Df):
                return zero, zero, [{}, {}]
            return zero, zero, dlp_pair_derivatives(*map(M, (Af, Bf, Cf, Df)), keys)
        A, B, C, D = map(M, (Af, Bf, Cf, Df))
        vals, absvals = dlp_pair(A, B, C, D)
        return vals, absvals, dlp_pair_derivatives(A, B, C, D, keys)

    def near(self, i, j):
        A, B = (self.coords[v - 1] for v in self.cells[i])
        C, D = (self.coords[v - 1] for v in self.cells[j])
        return fdist_segments(A, B, C, D) <= 4 * min(flen(A, B), flen(C, D))

    def entry(self, i, q):
        """K(i, q) (q 0-based), its scale, sens and near flag."""
        val, scale, grad, near = mpf(0), mpf(0), {}, True
        if i in self.live:
            for j in self.live:
                if j == i:
                    continue
                c, d = self.cells[j]
                h = 0 if c - 1 == q else 1 if d - 1 == q else None
                if h is None:
                    continue
                vals, absvals, grads = self.P[i, j]
                val += -vals[h] / TWO_PI
                scale += absvals[h] / TWO_PI
                for key, v in grads[h].items():
                    grad[key] = grad.get(key, 0) - v / TWO_PI
                near = near and self.near(i, j)
        sens = EPS53 * sum(abs(v) * abs(mpf(self.coords[k[0] - 1][k[1]])) for k, v in grad.items())
        return val, scale, sens, near

    def outputs(self, entries):
        nE = len(self.cells)
        outs = []
        for i, q in entries:
            val, scale, sens, near = self.entry(i, q)
            outs.append((i + q * nE, val, scale, sens, near))
        return outs

    def check_row_sums(self):
        """On a closed counter-clockwise polygon K 1 = -1/2 on every element."""
        for i in self.live:
            row = [self.entry(i, q) for q in range(len(self.coords))]
            a, b = self.cells[i]
            Li = mp.sqrt(sum((mpf(self.coords[b - 1][k]) - mpf(self.coords[a - 1][k])) ** 2
                             for k in (0, 1)))
            total, scale = sum(r[0] for r in row), sum(r[1] for r in row)
            if abs(total + Li / 2) > AGREE * scale:
                raise RuntimeError("dlpmatrix: row %d sums to %s, not -%s" % (i, total, Li / 2))


def dlpgrad_quad(A, B, x, gA, gB):
    """Both components of grad_x int_{AB} ((y - x).n)/|y - x|^2 g ds_y by
    mpmath.quad over the element's parameter, panel by panel between the
    zeros of the integrand: the values, the integrals of the absolute values
    and the error estimates."""
    e0, e1 = B[0] - A[0], B[1] - A[1]
    L = mp.sqrt(e0 * e0 + e1 * e1)
    t, n = (e0 / L, e1 / L), (e1 / L, -e0 / L)
    _, _, _, d, ta, _ = frame(A, B, x)
    s0 = -ta / L
    rho = abs(d) / L if d != 0 else min(abs(s0), abs(s0 - 1))
    zeros = [gA / (gA - gB)] if gA != gB else []
    out = []
    for m in (0, 1):
        # The kernel's numerator -n_m t^2 - 2 d t_m t + n_m d^2 in the arc length t from the foot.
        if n[m] != 0:
            roots = [d * (-t[m] + 1) / n[m], d * (-t[m] - 1) / n[m]]
        else:
            roots = [mpf(0)] if d != 0 else []
        cuts = zeros + [s0 + r / L for r in roots]
        pts = graded(mpf(0), mpf(1), [(s0, rho)] + [(c, 0) for c in cuts])

        def f(s, m=m):
            r0, r1 = A[0] + s * e0 - x[0], A[1] + s * e1 - x[1]  # y - x
            r2 = r0 * r0 + r1 * r1
            rn = r0 * n[0] + r1 * n[1]
            rm = r0 if m == 0 else r1
            return (-n[m] * r2 + 2 * rn * rm) / (r2 * r2) * (gA + s * (gB - gA))

        val, absval, errsum = mpf(0), mpf(0), mpf(0)
        for a, b in zip(pts, pts[1:]):
            v, err = mp.quad(f, [a, b], error=True)
            val += v
            absval += abs(v)
            errsum += err
        fac = L / TWO_PI
        out.append((-fac * val, fac * absval, fac * errsum))
    return out


def dlpgrad_outputs(coords, cells, gh, points):
    """(index, reference, scale, sens, near) for both components of every point."""
    nx = len(points)
    outs = []
    for i, xf in enumerate(points):
        x = M(xf)
        ref, scale, grads, near = [mpf(0)] * 2, [mpf(0)] * 2, [{}, {}], True
        for a, b in cells:
            Af, Bf = coords[a - 1], coords[b - 1]
            if Af == Bf:
                continue  # zero-length element: contributes 0
            if fdist_point_segment(xf, Af, Bf) < 0.5e-10 * flen(Af, Bf):
                raise RuntimeError("dlpgradfield: point %r on the element %r %r" % (xf, Af, Bf))
            near = near and fdist_point_segment(xf, Af, Bf) <= 4 * flen(Af, Bf)
            A, B = M(Af), M(Bf)
            gA, gB = mpf(gh[a - 1]), mpf(gh[b - 1])
            with mp.workdps(60):  # the antiderivatives cancel far away
                _, G = dlp_closed(A, B, x, gA, gB)
            for m, (val, sc, err) in enumerate(dlpgrad_quad(A, B, x, gA, gB)):
                closed = -G[m] / TWO_PI
                if abs(val - closed) > AGREE * sc or err > AGREE * sc:
                    raise RuntimeError("dlpgradfield: quadrature and antiderivative disagree: "
                                       "%r %r %r: %s %s (err %s, scale %s)"
                                       % (Af, Bf, xf, val, closed, err, sc))
                ref[m] += val
                scale[m] += sc

                def f(z, m=m, gA=gA, gB=gB):
                    _, Gz = dlp_closed((z[0], z[1]), (z[2], z[3]), (z[4], z[5]), gA, gB)
                    return -Gz[m] / TWO_PI

                g = central_gradient(f, [Af[0], Af[1], Bf[0], Bf[1], xf[0], xf[1]])
                for key, v in zip([(a, 0), (a, 1), (b, 0), (b, 1), ("x", 0), ("x", 1)], g):
                    grads[m][key] = grads[m].get(key, 0) + v
        for m in (0, 1):
            sens = EPS53 * sum(abs(v) * abs(mpf(coords[k[0] - 1][k[1]] if k[0] != "x" else xf[k[1]]))
                               for k, v in grads[m].items())
            outs.append((i + m * nx, ref[m], scale[m], sens, near))
    return sorted(outs, key=lambda o: o[0])


def check_dlp_derivatives():
    """grad I and the derivatives in the element's ends that invariance gives,
    against central differences of I, before anything rests on them."""
    C, D = (mpf("0.3"), mpf("-0.2")), (mpf("1.7"), mpf("0.4"))
    for x in [(mpf("0.8"), mpf("0.5")), (mpf("-0.6"), mpf("0.01")), (mpf("2.5"), mpf("-1.5"))]:
        for h, (I, G, dC, dD) in enumerate(dlp_hat_derivatives(C, D, x)):
            def f(z, h=h):
                return dlp_hat_values((z[0], z[1]), (z[2], z[3]), (z[4], z[5]))[h]

            fd = central_gradient(f, [C[0], C[1], D[0], D[1], x[0], x[1]])
            for got, want in zip(list(dC) + list(dD) + list(G), fd):
                if abs(got - want) > mpf("1e-20"):
                    raise RuntimeError("double-layer derivatives: %s against %s" % (got, want))


# ------------------------------------------------------------------- cases

R = random.Random(SEED)


def logu(a, b):
    return 10.0 ** R.uniform(a, b)


def sgn():
    return R.choice((-1.0, 1.0))


def unit(th):
    return (math.cos(th), math.sin(th))


def add(p, *terms):
    """p + sum c v over the pairs (c, v), in doubles."""
    x, y = p
    for c, v in terms:
        x, y = x + c * v[0], y + c * v[1]
    return (x, y)


def tangent_normal(A, B):
    L = flen(A, B)
    t = ((B[0] - A[0]) / L, (B[1] - A[1]) / L)
    return L, t, (t[1], -t[0])


def random_offset(L):
    """A position: the origin for a quarter of the cases, else up to 1e3 L away."""
    if R.random() < 0.25:
        return (0.0, 0.0)
    return add((0.0, 0.0), (L * logu(-1, 3), unit(R.uniform(0, 2 * math.pi))))


def random_element(axis=False):
    """An element of length 1e-6 to 1e3 in a random direction (along an axis:
    its line is exact in doubles) at a random position."""
    L = logu(-6, 3)
    A = random_offset(L)
    th = R.choice((0, 0.5, 1, 1.5)) * math.pi if axis else R.uniform(0, 2 * math.pi)
    d = (round(math.cos(th)), round(math.sin(th))) if axis else unit(th)
    return A, add(A, (L, d))


def line_distance(x, A, B):
    L, _, n = tangent_normal(A, B)
    return abs((x[0] - A[0]) * n[0] + (x[1] - A[1]) * n[1])


def point_interior(A, B):
    L, t, n = tangent_normal(A, B)
    return add(A, (R.uniform(0.02, 0.98), (B[0] - A[0], B[1] - A[1])), (sgn() * L * logu(-10, 2), n))


def point_near_end(A, B):
    L, t, n = tangent_normal(A, B)
    E = R.choice((A, B))
    while True:
        x = add(E, (L * logu(-10, 0), unit(R.uniform(0, 2 * math.pi))))
        if line_distance(x, A, B) >= 1e-10 * L:
            return x


def point_beyond_on_line(A, B):
    L, t, n = tangent_normal(A, B)
    E, s = R.choice(((A, -1.0), (B, 1.0)))
    return add(E, (s * L * logu(-10, 2), t))


def point_beyond_near_line(A, B):
    L, t, n = tangent_normal(A, B)
    E, s = R.choice(((A, -1.0), (B, 1.0)))
    return add(E, (s * L * logu(-10, 1), t), (sgn() * L * logu(-10, 0), n))


def point_far(A, B):
    L, t, n = tangent_normal(A, B)
    mid = ((A[0] + B[0]) / 2, (A[1] + B[1]) / 2)
    while True:
        x = add(mid, (L * logu(0.4, 2.05), unit(R.uniform(0, 2 * math.pi))))
        if 2 * L <= fdist_point_segment(x, A, B) <= 100 * L:
            return x


def transform(points, scale, th, offset):
    """Rotate by th, scale and shift a list of points, in doubles."""
    c, s = math.cos(th), math.sin(th)
    return [(offset[0] + scale * (c * p[0] - s * p[1]), offset[1] + scale * (s * p[0] + c * p[1]))
            for p in points]


def random_placement():
    """(scale, angle, offset) of a random copy: exact (the unit square as
    given) for a third of the cases."""
    if R.random() < 1 / 3:
        return 1.0, 0.0, (0.0, 0.0)
    L = logu(-6, 3)
    return L, R.uniform(0, 2 * math.pi), random_offset(L)


def closed_polygon(pts):
    n = len(pts)
    return [(k + 1, (k + 1) % n + 1) for k in range(n)]


SQUARE = [(0.0, 0.0), (1.0, 0.0), (1.0, 1.0), (0.0, 1.0)]
SQUARE_ELEMENTS = [(1, 2), (2, 3), (3, 4), (4, 1)]


def polygon_shapes():
    """Unit square, triangle and hexagon (counter-clockwise), in unit size."""
    hexagon = [unit(k * math.pi / 3) for k in range(6)]
    return [SQUARE, [(0.0, 0.0), (1.0, 0.0), (0.2, 0.9)], hexagon]


def points_near_polygon(coords, cells, count, jump_safe=True):
    """Points near the elements of a polygon: beside an element (inside or
    outside), near a corner, or on an element's line beyond a corner."""
    pts = []
    while len(pts) < count:
        a, b = R.choice(cells)
        A, B = coords[a - 1], coords[b - 1]
        kind = R.random()
        if kind < 0.5:
            x = point_interior(A, B)
        elif kind < 0.8:
            x = point_near_end(A, B)
        else:
            x = point_beyond_near_line(A, B)
        if jump_safe and any(on_or_near_line(x, coords[c - 1], coords[d - 1]) for c, d in cells):
            continue
        pts.append(x)
    return pts


def on_or_near_line(x, A, B):
    """x within 1e-10 L of the line of the segment AB where it passes the
    segment (where rounding could move x across the element)."""
    L, t, n = tangent_normal(A, B)
    s = ((x[0] - A[0]) * t[0] + (x[1] - A[1]) * t[1]) / L
    return -1e-9 <= s <= 1 + 1e-9 and line_distance(x, A, B) < 1e-10 * L


def wedge(alpha, lengths=(1.0, 1.0)):
    """Two elements P -> V -> Q meeting at V under the angle alpha (acute
    corner), randomly placed."""
    scale, th, off = random_placement()
    pts = [(lengths[0] * math.cos(alpha), lengths[0] * math.sin(alpha)), (0.0, 0.0),
           (lengths[1], 0.0)]
    return transform(pts, scale, th, off), [(1, 2), (2, 3)]


def wedge_points(coords, alpha, count):
    """Points inside the wedge, just outside either arm, and around the corner."""
    V = coords[1]
    L1, t1, _ = tangent_normal(V, coords[0])
    L2, t2, _ = tangent_normal(V, coords[2])
    cells = [(1, 2), (2, 3)]
    pts = []
    while len(pts) < count:
        u = logu(-6, -0.05)
        kind = R.random()
        if kind < 0.5:  # inside the wedge, at a fraction of its width
            f = R.uniform(0.05, 0.95)
            along = add((0.0, 0.0), (u * L2 * (1 - f), t2), (u * L1 * f, t1))
            x = add(V, (1.0, along))
        elif kind < 0.8:  # outside, beside an arm
            arm, Larm = R.choice(((t1, L1), (t2, L2)))
            nrm = (arm[1], -arm[0]) if arm is t2 else (-arm[1], arm[0])
            x = add(V, (u * Larm, arm), (u * Larm * max(alpha, 1e-9) * logu(-1, 1), nrm))
        else:  # around the corner
            x = add(V, (min(L1, L2) * logu(-9, -0.5), unit(R.uniform(0, 2 * math.pi))))
        if any(on_or_near_line(x, coords[c - 1], coords[d - 1]) for c, d in cells):
            continue
        pts.append(x)
    return pts


# A case is (module, group, arrays, outputs): arrays maps the names coords,
# cells, dens, points, dirs to lists of rows.

CASES = []


def emit(module, group, arrays, outs):
    CASES.append((module, group, arrays, outs))


def field_case(module, group, coords, cells, dens, points, dirs=None, hosts=None):
    arrays = {"coords": coords, "cells": cells, "dens": dens, "points": points}
    if dirs is not None:
        arrays["dirs"] = dirs
    emit(module, group, arrays,
         field_outputs(module, coords, cells, dens, points, dirs, hosts))


def densities(module, coords, cells):
    if module in ("slpfield", "tdlfield"):
        return [sgn() * R.uniform(0.5, 2) for _ in cells]
    return [R.uniform(-2, 2) for _ in coords]


def directions(module, coords, cells, points):
    """tdlfield: random vectors of length 0.1 to 10, or an element's normal or
    tangent as given."""
    out = []
    for _ in points:
        kind = R.random()
        if kind < 0.6:
            out.append(add((0.0, 0.0), (logu(-1, 1), unit(R.uniform(0, 2 * math.pi)))))
        else:
            a, b = R.choice(cells)
            _, t, n = tangent_normal(coords[a - 1], coords[b - 1])
            out.append(n if kind < 0.85 else t)
    return out


def single_element_groups(module):
    """One element, four points per case, for slpfield, dlpfield, tdlfield."""
    groups = [("interior", 30, point_interior, False),
              ("near_end", 30, point_near_end, False),
              ("beyond_end_on_line", 15, point_beyond_on_line, True),
              ("beyond_end_near_line", 15, point_beyond_near_line, False),
              ("far", 10, point_far, False)]
    for group, ncases, make, axis_half in groups:
        for c in range(ncases):
            A, B = random_element(axis=axis_half and c % 2 == 0)
            coords, cells = [A, B], [(1, 2)]
            points = [make(A, B) for _ in range(4)]
            dirs = directions(module, coords, cells, points) if module == "tdlfield" else None
            field_case(module, group, coords, cells, densities(module, coords, cells), points, dirs)


def polygon_groups(module):
    for shape in polygon_shapes():
        for rep in range(4):
            coords = transform(shape, *random_placement())
            cells = closed_polygon(coords)
            points = points_near_polygon(coords, cells, 5)
            dens = [1.0] * len(coords) if module == "dlpfield" and rep == 0 else \
                densities(module, coords, cells)
            dirs = directions(module, coords, cells, points) if module == "tdlfield" else None
            field_case(module, "polygon", coords, cells, dens, points, dirs)
    for rep in range(12):
        alpha = logu(-6, -0.5)
        coords, cells = wedge(alpha, (1.0, logu(-1, 1)))
        points = wedge_points(coords, alpha, 4)
        dirs = directions(module, coords, cells, points) if module == "tdlfield" else None
        field_case(module, "acute_corner", coords, cells, densities(module, coords, cells),
                   points, dirs)
    # A zero-length element ([2 2]) and one between coincident nodes (2 and 5).
    coords = SQUARE + [SQUARE[1]]
    cells = SQUARE_ELEMENTS + [(2, 2), (2, 5)]
    points = [(0.37, 1e-7), (0.37, -1e-7), (0.5, 0.5), (1.0 + 1e-9, 1e-9), (2.0, 2.0),
              (1.0 - 1e-6, 0.5)]
    dirs = [(0.6, 0.8)] * len(points) if module == "tdlfield" else None
    dens = [1.0] * 5 if module == "dlpfield" else [1.0, 0.5, -1.0, 2.0, 3.0, 4.0]
    field_case(module, "zero_length", coords, cells, dens, points, dirs)
    coords = [(1.0, 2.0)] * 3
    field_case(module, "zero_length", coords, [(1, 2), (2, 3)],
               [1.0] * (2 if module in ("slpfield", "tdlfield") else 3), [(0.5, 0.5)],
               [(0.0, 1.0)] if module == "tdlfield" else None)


def dlp_on_element_group():
    """Points exactly on an edge of axis-aligned squares (exact in doubles, and
    so is every perturbation of a nonzero coordinate): no jump term, so -1/2
    for g = 1 on an edge and -1/4 at a corner."""
    for s in (1.0, 0.0078125, 64.0):
        coords = [(s * p[0], s * p[1]) for p in SQUARE]
        points = [(s * 0.375, 0.0), (0.0, s * 0.8125), (s / 1024, 0.0), (0.0, 0.0)]
        field_case("dlpfield", "on_element", coords, SQUARE_ELEMENTS, [1.0] * 4, points)
        field_case("dlpfield", "on_element", coords, SQUARE_ELEMENTS,
                   [R.uniform(-2, 2) for _ in range(4)], points)
    field_case("dlpfield", "on_element", [(0.0, 0.0), (4.0, 0.0)], [(1, 2)], [1.0, -3.0],
               [(1.0, 0.0), (3.999, 0.0)])


def field_reproducers(module):
    sq, se = SQUARE, SQUARE_ELEMENTS
    if module == "slpfield":
        field_case(module, "reproducers", [(0.0, 0.0), (1.0, 0.0)], [(1, 2)], [1.0], [(0.3, 1e-7)])
    elif module == "dlpfield":
        field_case(module, "reproducers", sq, se, [1.0] * 4, [(0.37, 1e-7), (0.37, -1e-7)])
        field_case(module, "reproducers", [(0.0, 0.0), (1.0, 0.0)], [(1, 2)], [1.0, 1.0],
                   [(1.0, -1e-9)])
        field_case(module, "reproducers", sq, se + [(2, 2)], [1.0] * 4,
                   [(0.37, 1e-7), (0.5, 0.5), (2.0, 2.0)])
    elif module == "tdlfield":
        field_case(module, "reproducers", [(0.0, 0.0), (1.0, 0.0)], [(1, 2)], [1.0],
                   [(1.0, -1e-8)], [(0.0, -1.0)])
        field_case(module, "reproducers", sq, se, [1.0] * 4, [(0.37, 1e-7)], [(0.6, 0.8)])
    elif module == "hypfield":
        field_case(module, "reproducers", sq, se, [p[0] ** 2 - p[1] ** 2 for p in sq],
                   [(1 - 1e-7, 0.0), (1 - 1e-9, 0.0)], [(0.0, -1.0)] * 2, [0, 0])
        field_case(module, "reproducers", [(math.cos(1e-6), math.sin(1e-6)), (0.0, 0.0), (1.0, 0.0)],
                   [(1, 2), (2, 3)], [1.0, 2.0, 3.0], [(0.3, 0.0)], [(0.0, -1.0)], [1])
        field_case(module, "reproducers", [(0.0, 0.0), (1.0, 0.0)], [(1, 2)], [1.0, 2.0],
                   [(1e-12, 0.0)], [(0.0, -1.0)], [0])


# hypfield: points on an element, A + u (B - A) in doubles, u at least 1e-6
# from either end; the direction is the host's normal as computed in doubles.

def on_element(coords, cells, j, u):
    a, b = cells[j]
    A, B = coords[a - 1], coords[b - 1]
    x = add(A, (u, (B[0] - A[0], B[1] - A[1])))
    return x, tangent_normal(A, B)[2]


def vertex_fraction():
    u = logu(-6, math.log10(0.5))
    return u if R.random() < 0.5 else 1 - u


def hyp_case(group, coords, cells, dens, picks):
    """picks: (host element, fraction along it) per point."""
    pts, dirs, hosts = [], [], []
    for j, u in picks:
        x, q = on_element(coords, cells, j, u)
        for k, (c, d) in enumerate(cells):
            if k != j and coords[c - 1] != coords[d - 1]:
                C, D = coords[c - 1], coords[d - 1]
                assert fdist_point_segment(x, C, D) > 1e-10 * flen(C, D), "point on two elements"
        pts.append(x)
        dirs.append(q)
        hosts.append(j)
    field_case("hypfield", group, coords, cells, dens, pts, dirs, hosts)


def hyp_groups():
    for c in range(25):
        A, B = random_element()
        hyp_case("host_only", [A, B], [(1, 2)], [R.uniform(-2, 2) for _ in range(2)],
                 [(0, vertex_fraction()) for _ in range(4)])
    for shape in polygon_shapes():
        for rep in range(5):
            coords = transform(shape, *random_placement())
            cells = closed_polygon(coords)
            hyp_case("polygon_near_vertex", coords, cells, [R.uniform(-2, 2) for _ in coords],
                     [(R.randrange(len(cells)), vertex_fraction()) for _ in range(5)])
    for rep in range(20):
        alpha = logu(-6, -0.5)
        coords, cells = wedge(alpha, (1.0, logu(-1, 1)))
        picks = []
        while len(picks) < 4:
            j = R.randrange(2)
            u = logu(-6, -0.05)
            u = 1 - u if j == 0 else u  # measured from the corner
            x, _ = on_element(coords, cells, j, u)
            C, D = (coords[v - 1] for v in cells[1 - j])
            if line_distance(x, C, D) >= 1e-10 * flen(C, D):
                picks.append((j, u))
        hyp_case("acute_corner", coords, cells, [R.uniform(-2, 2) for _ in coords], picks)
    for rep in range(12):
        r = logu(-3, 3)
        base = [(-1.0, 0.0), (0.0, 0.0), (r, 0.0)]
        scale, th, off = random_placement()
        if rep % 2 == 0:  # along an axis: the three nodes exactly on one line
            c, s = R.choice(((1, 0), (0, 1), (-1, 0), (0, -1)))
            coords = [(off[0] + scale * (c * p[0] - s * p[1]), off[1] + scale * (s * p[0] + c * p[1]))
                      for p in base]
        else:
            coords = transform(base, scale, th, off)
        cells = [(1, 2), (2, 3)]
        picks = [(j, 1 - logu(-6, -0.3) if j == 0 else logu(-6, -0.3)) for j in
                 (R.randrange(2) for _ in range(5))]
        hyp_case("in_line_neighbours", coords, cells, [R.uniform(-2, 2) for _ in coords], picks)
    for radius in (1e3, 1e4):
        n = 64
        coords = [(radius * math.cos(2 * math.pi * k / n), radius * math.sin(2 * math.pi * k / n))
                  for k in range(n)]
        cells = closed_polygon(coords)
        dens = [(p[0] / radius) ** 2 - (p[1] / radius) ** 2 + 0.5 * p[0] / radius for p in coords]
        hyp_case("mesh_radius_%g" % radius, coords, cells, dens, [(j, 1 / 3) for j in range(n)])
    coords = SQUARE + [SQUARE[1]]
    cells = SQUARE_ELEMENTS + [(2, 2), (2, 5)]
    hyp_case("zero_length", coords, cells, [p[0] ** 2 - p[1] ** 2 for p in coords],
             [(0, 0.37), (1, 1e-3), (0, 1 - 1e-3), (2, 0.5)])


# domfield

def random_triangle(needle=None):
    L = logu(-6, 3)
    P1 = random_offset(L)
    th = R.uniform(0, 2 * math.pi)
    P2 = add(P1, (L, unit(th)))
    if needle == "angle":  # two long edges under a tiny angle
        P3 = add(P1, (L * R.uniform(0.5, 1.5), unit(th + sgn() * logu(-6, -2))))
    elif needle == "height":  # a tiny height over the long edge, foot anywhere near it
        _, t, n = tangent_normal(P1, P2)
        P3 = add(P1, (L * R.uniform(-0.2, 1.2), t), (sgn() * L * logu(-6, -2), n))
    else:
        P3 = add(P1, (L * logu(-0.5, 0.5), unit(th + sgn() * R.uniform(0.3, 2.5))))
    return [P1, P2, P3] if R.random() < 0.5 else [P1, P3, P2]


def triangle_point(P, kind):
    diam = max(flen(P[a], P[b]) for a, b in ((0, 1), (1, 2), (2, 0)))
    if kind == "inside":
        u, v = R.random(), R.random()
        if u + v > 1:
            u, v = 1 - u, 1 - v
        return add(P[0], (u, (P[1][0] - P[0][0], P[1][1] - P[0][1])),
                   (v, (P[2][0] - P[0][0], P[2][1] - P[0][1])))
    k = R.randrange(3)
    A, B = P[k], P[(k + 1) % 3]
    if kind == "near_edge":
        L, t, n = tangent_normal(A, B)
        return add(A, (R.uniform(0, 1), (B[0] - A[0], B[1] - A[1])), (sgn() * L * logu(-10, -1), n))
    if kind == "on_edge":
        return add(A, (R.uniform(0, 1), (B[0] - A[0], B[1] - A[1])))
    if kind == "at_corner":
        return A
    if kind == "away":
        c = ((P[0][0] + P[1][0] + P[2][0]) / 3, (P[0][1] + P[1][1] + P[2][1]) / 3)
        return add(c, (diam * logu(math.log10(2), 3), unit(R.uniform(0, 2 * math.pi))))
    raise ValueError(kind)


def dom_case(group, verts, tris, f, points):
    emit("domfield", group, {"coords": verts, "cells": tris, "dens": f, "points": points},
         dom_outputs(verts, tris, f, points))


def dom_groups():
    for kind, ncases in (("inside", 20), ("near_edge", 20), ("on_edge", 10), ("at_corner", 8),
                         ("away", 15)):
        for c in range(ncases):
            P = random_triangle()
            dom_case(kind, P, [(1, 2, 3)], [sgn() * R.uniform(0.5, 2)],
                     [triangle_point(P, kind) for _ in range(4)])
    for c in range(20):
        P = random_triangle(needle=R.choice(("angle", "height")))
        kinds = ["inside", "near_edge", "on_edge", "at_corner", "away"]
        dom_case("needle", P, [(1, 2, 3)], [sgn() * R.uniform(0.5, 2)],
                 [triangle_point(P, R.choice(kinds)) for _ in range(4)])
    for c in range(8):
        verts = transform(SQUARE + [(0.5, 0.5)], *random_placement())
        if c % 2 == 0:
            tris = [(1, 2, 3), (1, 4, 3)]  # the second clockwise
        else:
            tris = [(1, 2, 5), (2, 3, 5), (3, 4, 5), (4, 1, 5)]
        pts = [verts[R.randrange(len(verts))], triangle_point(verts[:3], "near_edge"),
               triangle_point(verts[:3], "inside"), triangle_point(verts[:3], "away"),
               triangle_point([verts[0], verts[2], verts[3]], "on_edge")]
        dom_case("mesh", verts, tris, [R.uniform(-2, 2) for _ in tris], pts)
    # Zero area: two coincident vertices, and three on a line.
    verts = [(0.0, 0.0), (1.0, 0.0), (0.0, 1.0), (1.0, 0.0), (2.0, 0.0)]
    dom_case("degenerate", verts, [(1, 2, 3), (1, 2, 4), (1, 2, 5)], [1.0, 2.0, 3.0],
             [(0.25, 0.25), (1.0, 0.0), (0.5, 0.0), (3.0, 1.0)])
    dom_case("degenerate", [(1.0, 1.0)] * 3, [(1, 2, 3)], [1.0], [(0.0, 0.0), (1.0, 1.0)])
    dom_case("reproducers", [(0.0, 0.0), (1.0, 0.0), (0.0, 1.0)], [(1, 2, 3)], [1.0],
             [(0.5, 0.5), (1e4, 3e3)])


# slpmatrix and hypmatrix: pairs of elements, each case feeding both modules.

def pair_nearly_parallel():
    A, B = random_element()
    L, t, n = tangent_normal(A, B)
    C = add(A, (R.uniform(-0.5, 0.9), (B[0] - A[0], B[1] - A[1])), (sgn() * L * logu(-10, 0), n))
    eps = sgn() * logu(-12, -3)
    dirn = (t[0] * math.cos(eps) - t[1] * math.sin(eps), t[0] * math.sin(eps) + t[1] * math.cos(eps))
    return [A, B, C, add(C, (L * R.uniform(0.3, 1.2), dirn))]


def pair_around(A, B, L2, dist):
    """A second element of length L2 at distance about dist from AB, anywhere
    along it, in a random direction; not crossing AB."""
    L, t, n = tangent_normal(A, B)
    while True:
        s = R.uniform(-0.3, 1.3)
        C = add(A, (s, (B[0] - A[0], B[1] - A[1])), (sgn() * dist, n))
        D = add(C, (L2, unit(R.uniform(0, 2 * math.pi))))
        if not segments_cross(A, B, C, D) and fdist_segments(A, B, C, D) > 0:
            return [A, B, C, D]


def pair_unequal():
    A, B = random_element()
    L = flen(A, B)
    L2 = L * logu(-6, -1)
    pts = pair_around(A, B, L2, L2 * logu(-10, 1))
    return pts if R.random() < 0.5 else pts[2:] + pts[:2]


def pair_general():
    A, B = random_element()
    L = flen(A, B)
    return pair_around(A, B, L * logu(-1, 1), L * logu(-10, 2))


def pair_far():
    A, B = random_element()
    L = flen(A, B)
    while True:
        pts = pair_around(A, B, L * logu(-0.5, 0.5), L * logu(0.3, 2))
        if fdist_segments(*pts) >= 2 * min(flen(pts[0], pts[1]), flen(pts[2], pts[3])):
            return pts


def touching_pair(c):
    """Two elements sharing a node under an angle from 1e-6 to 1 (c even) or
    from pi - 1 to pi - 1e-6, the second as long as the first (c % 4 >= 2) or
    1e-6 to 1 of it, the shared node at either end of either element."""
    alpha = logu(-6, 0) if c % 2 == 0 else math.pi - logu(-6, 0)
    coords, _ = wedge(alpha, (1.0, logu(-6, 0) if c % 4 < 2 else 1.0))
    cells = R.choice(([(1, 2), (2, 3)], [(2, 1), (2, 3)], [(1, 2), (3, 2)], [(2, 1), (3, 2)]))
    return coords, cells


def in_line_pair(c):
    """Two elements on one line: neighbours sharing a node (c even) or with a
    gap between them; along an axis (c % 4 < 2: exactly on one line) or turned."""
    scale, th, off = random_placement()
    r = logu(-6, 0)
    if c % 2 == 0:
        base, cells = [(-1.0, 0.0), (0.0, 0.0), (r, 0.0)], [(1, 2), (2, 3)]
    else:
        g = logu(-10, 0)
        base, cells = [(-1.0, 0.0), (0.0, 0.0), (g, 0.0), (g + r, 0.0)], [(1, 2), (3, 4)]
    coords = [(off[0] + scale * p[0], off[1] + scale * p[1]) for p in base] if c % 4 < 2 \
        else transform(base, scale, th, off)
    return coords, cells


def identical_pairs():
    """One element twice: on the same nodes either way round, and on two
    further nodes at the same places either way round."""
    A, B = random_element()
    return (([A, B], [(1, 2), (1, 2)]), ([A, B], [(1, 2), (2, 1)]),
            ([A, B, A, B], [(1, 2), (3, 4)]), ([A, B, A, B], [(1, 2), (4, 3)]))


def matrix_case(group, coords, cells, slp_entries, hyp_entries):
    pt = PairTable(coords, cells)
    arrays = {"coords": coords, "cells": cells}
    emit("slpmatrix", group, arrays, slp_outputs(pt, slp_entries))
    emit("hypmatrix", group, arrays, hyp_outputs(pt, hyp_entries))


def pair_case(group, coords, cells):
    """A mesh of two elements: V(0,0), V(1,1), V(0,1) and the entries of W
    that the pair's integral enters."""
    nodes = [[v - 1 for v in c] for c in cells]
    hyp = sorted({(min(p, q), max(p, q)) for p in nodes[0] for q in nodes[1]})
    matrix_case(group, coords, cells, [(0, 0), (1, 1), (0, 1)], hyp)


def upper(n):
    return [(p, q) for q in range(n) for p in range(q + 1)]


def matrix_groups():
    for c in range(15):
        pair_case("nearly_parallel", pair_nearly_parallel(), [(1, 2), (3, 4)])
    for c in range(15):
        pair_case("unequal_lengths", pair_unequal(), [(1, 2), (3, 4)])
    for c in range(16):
        pair_case("touching_angle", *touching_pair(c))
    for coords, cells in identical_pairs():
        pair_case("identical", coords, cells)
    for c in range(10):
        pair_case("in_line", *in_line_pair(c))
    for c in range(20):
        pair_case("general", pair_general(), [(1, 2), (3, 4)])
    for c in range(8):
        pair_case("far", pair_far(), [(1, 2), (3, 4)])
    # A zero-length element beside a regular one, and one between coincident nodes.
    coords = [(0.0, 0.0), (1.0, 0.0), (0.5, 0.5)]
    matrix_case("zero_length", coords, [(1, 2), (3, 3)], upper(2), upper(3))
    coords = [(0.0, 0.0), (1.0, 0.0), (1.0, 1.0), (1.0, 1.0)]
    matrix_case("zero_length", coords, [(1, 2), (2, 3), (3, 4)], upper(3), upper(4))
    matrix_case("zero_length", [(2.0, 3.0)] * 3, [(1, 2), (2, 3)], upper(2), upper(3))
    coords = [(0.0, 0.0), (1.0, 0.0), (0.3, 1e-7), (0.7, 1e-7 + 1e-9)]
    matrix_case("reproducers", coords, [(1, 2), (3, 4)], [(0, 0), (1, 1), (0, 1)], upper(4))


def far_polygons():
    """W between two hexagons whose gap is 2, 10, 100 and 1000 element
    lengths: every entry of the upper triangle."""
    hexagon = [unit(k * math.pi / 3) for k in range(6)]
    for gap in (2, 10, 100, 1000):
        for rep in range(2):
            scale, th, off = random_placement()
            first = transform(hexagon, scale, th, off)
            phi = R.uniform(0, 2 * math.pi)
            centre = add(off, ((2 + gap) * scale, unit(phi)))
            second = transform(hexagon, scale, R.uniform(0, 2 * math.pi), centre)
            coords = first + second
            cells = closed_polygon(first) + [(a + 6, b + 6) for a, b in closed_polygon(second)]
            pt = PairTable(coords, cells)
            emit("hypmatrix", "far_polygons_%d" % gap, {"coords": coords, "cells": cells},
                 hyp_outputs(pt, upper(12)))



# dlpmatrix and dlpgradfield draw from generators of their own, so that the
# groups above keep their draws whatever is added here.

def reseed(offset):
    global R
    R = random.Random(SEED + offset)


def forget_intervals():
    """mpmath.quad keeps the nodes of every interval it met twice (the panels of
    the gradient's two components and of the two hats mostly coincide): drop
    them after each case, or they grow to most of a gigabyte. The nodes are
    recomputed alike, so the values do not change."""
    rule = mp._tanh_sinh
    rule.transformed_cache.clear()
    rule.interval_count.clear()


def dlpmatrix_case(group, coords, cells, entries=None, closed=False):
    """entries: (row, 0-based node) pairs, by default the whole matrix; on a
    closed counter-clockwise polygon the rows are checked to sum to -|E_i|/2."""
    tab = DlpTable(coords, cells)
    if closed:
        tab.check_row_sums()
    if entries is None:
        entries = [(i, q) for q in range(len(coords)) for i in range(len(cells))]
    emit("dlpmatrix", group, {"coords": coords, "cells": cells}, tab.outputs(entries))
    forget_intervals()


def dlp_pair_case(group, coords, cells):
    """A mesh of two elements: the entries that the pair enters, K(0, q) for
    the nodes q of the second element and K(1, q) for those of the first."""
    nodes = [[v - 1 for v in c] for c in cells]
    entries = sorted({(0, q) for q in nodes[1]} | {(1, q) for q in nodes[0]},
                     key=lambda e: (e[1], e[0]))
    dlpmatrix_case(group, coords, cells, entries)


def apart(pts):
    """Two elements that neither cross nor touch."""
    return not segments_cross(*pts) and fdist_segments(*pts) > 0


def star_polygon(n, rmin):
    """n vertices counter-clockwise around the origin, at jittered angles (every
    gap below 2 pi/3, so the origin sees every element) and random radii rmin
    to 1: irregular and, for small rmin, mostly non-convex."""
    th0 = R.uniform(0, 2 * math.pi)
    return [add((0.0, 0.0), (R.uniform(rmin, 1.0),
                             unit(th0 + (k + R.uniform(-0.3, 0.3)) * 2 * math.pi / n)))
            for k in range(n)]


L_SHAPE = [(0.0, 0.0), (1.0, 0.0), (1.0, 0.5), (0.5, 0.5), (0.5, 1.0), (0.0, 1.0)]


def dlpmatrix_groups():
    reseed(1)
    for c in range(12):
        while True:
            pts = pair_nearly_parallel()
            if apart(pts):
                break
        dlp_pair_case("nearly_parallel", pts, [(1, 2), (3, 4)])
    for c in range(12):
        dlp_pair_case("unequal_lengths", pair_unequal(), [(1, 2), (3, 4)])
    for c in range(16):
        dlp_pair_case("touching_angle", *touching_pair(c))
    for c in range(8):
        dlp_pair_case("in_line", *in_line_pair(c))
    for coords, cells in identical_pairs():
        dlpmatrix_case("identical", coords, cells)
    for c in range(16):
        dlp_pair_case("general", pair_general(), [(1, 2), (3, 4)])
    for c in range(8):
        dlp_pair_case("far", pair_far(), [(1, 2), (3, 4)])
    # A zero-length element beside a regular one, one between coincident
    # nodes, and a closed square carrying both.
    dlpmatrix_case("zero_length", [(0.0, 0.0), (1.0, 0.0), (0.5, 0.5)], [(1, 2), (3, 3)])
    dlpmatrix_case("zero_length", [(0.0, 0.0), (1.0, 0.0), (1.0, 1.0), (1.0, 1.0)],
                   [(1, 2), (2, 3), (3, 4)])
    dlpmatrix_case("zero_length", [(2.0, 3.0)] * 3, [(1, 2), (2, 3)])
    dlpmatrix_case("zero_length", SQUARE + [SQUARE[1]], SQUARE_ELEMENTS + [(2, 2), (2, 5)],
                   closed=True)
    # Whole matrices of closed polygons, every row summing to -|E_i|/2.
    for shape in (SQUARE, L_SHAPE, star_polygon(7, 0.3), star_polygon(12, 0.5)):
        coords = transform(shape, *random_placement())
        dlpmatrix_case("polygon", coords, closed_polygon(coords), closed=True)


def dlpgrad_case(group, coords, cells, gh, points):
    emit("dlpgradfield", group, {"coords": coords, "cells": cells, "dens": gh, "points": points},
         dlpgrad_outputs(coords, cells, gh, points))
    forget_intervals()


def dlpgradfield_groups():
    reseed(2)
    groups = [("interior", 25, point_interior), ("near_end", 25, point_near_end),
              ("beyond_end_near_line", 12, point_beyond_near_line), ("far", 8, point_far)]
    for group, ncases, make in groups:
        for c in range(ncases):
            A, B = random_element()
            dlpgrad_case(group, [A, B], [(1, 2)], [R.uniform(-2, 2) for _ in range(2)],
                         [make(A, B) for _ in range(4)])
    # Closed polygons: points beside the elements and near the corners, one
    # well inside and one outside.
    for rep in range(7):
        if rep < 3:
            shape, centre, rin = SQUARE, (0.5, 0.5), 0.4
        else:
            shape, centre, rin = star_polygon(R.randrange(5, 10), 0.4), (0.0, 0.0), 0.15
        placement = random_placement()
        coords = transform(shape, *placement)
        cells = closed_polygon(coords)
        gh = [p[0] ** 2 - p[1] ** 2 for p in shape] if rep < 3 else \
            [R.uniform(-2, 2) for _ in coords]
        extra = [add(centre, (rin * R.random(), unit(R.uniform(0, 2 * math.pi)))),
                 add(centre, (logu(0.3, 1), unit(R.uniform(0, 2 * math.pi))))]
        points = points_near_polygon(coords, cells, 5) + transform(extra, *placement)
        dlpgrad_case("polygon", coords, cells, gh, points)
    for rep in range(10):
        alpha = logu(-6, -0.5)
        coords, cells = wedge(alpha, (1.0, logu(-1, 1)))
        dlpgrad_case("acute_corner", coords, cells, [R.uniform(-2, 2) for _ in coords],
                     wedge_points(coords, alpha, 4))
    # A zero-length element ([2 2]) and one between coincident nodes (2 and 5).
    coords = SQUARE + [SQUARE[1]]
    dlpgrad_case("zero_length", coords, SQUARE_ELEMENTS + [(2, 2), (2, 5)],
                 [p[0] ** 2 - p[1] ** 2 + 0.5 for p in coords],
                 [(0.37, 1e-7), (0.37, -1e-7), (0.5, 0.5), (1.0 + 1e-9, 1e-9), (2.0, 2.0),
                  (1.0 - 1e-6, 0.5)])
    dlpgrad_case("zero_length", [(1.0, 2.0)] * 3, [(1, 2), (2, 3)], [1.0] * 3, [(0.5, 0.5)])


# Near-field regimes found after the others: a generator of their own
# (reseed), and 50 digits, since some of them (hypmatrix between far chains,
# domfield over thin triangles) are small differences of their integrals'
# terms.


def split_vertex_case(group, other_first):
    """hypfield on its host close to the host's start vertex V, where another
    element starts or ends at a node of its own at the same place (the
    density may jump there) and leaves under a small angle alpha; the points
    lie d from V, their distance alpha d from the other element's line at
    least 1e-13 of the length (far above the rounding of the coordinates, so
    that they lie off that element) and partly within 1e-12 of it."""
    L = logu(-1, 1)
    th = R.uniform(0, 2 * math.pi)
    V = add((0.0, 0.0), (L * R.uniform(0, 2), unit(R.uniform(0, 2 * math.pi))))
    B = add(V, (L, unit(th)))
    alpha = sgn() * logu(-4, -1.5)
    F = add(V, (L * R.uniform(0.5, 1.5), unit(th + alpha)))
    host, other = (1, 2), ((4, 3) if R.random() < 0.5 else (3, 4))
    coords = [V, B, V, F]
    cells = [other, host] if other_first else [host, other]
    h = 1 if other_first else 0
    dens = [R.uniform(-2, 2) for _ in coords]
    points, dirs = [], []
    for _ in range(3):
        lo = math.log10(1e-13 / abs(alpha)) + 0.3
        x, q = on_element(coords, cells, h, logu(lo, -6))
        points.append(x)
        dirs.append(q)
    field_case("hypfield", group, coords, cells, dens, points, dirs, [h] * len(points))


def thin_closed_triangle(at_origin, isosceles):
    """A closed triangle with an angle of 1e-8 to 1e-4 at one node between two
    sides of 1 to 1000 (equal, or equal to about that angle, so the third side
    is short): the apex at the origin, or the short side's first node."""
    side = logu(0, 3)
    th = R.uniform(0, 2 * math.pi)
    phi = logu(-8, -4)
    O = (0.0, 0.0)
    P = add(O, (side, unit(th)))
    Q = add(O, (side * (1 if isosceles else 1 + R.uniform(-1, 1) * phi), unit(th + phi)))
    if at_origin:
        O, P, Q = (-P[0], -P[1]), (0.0, 0.0), (Q[0] - P[0], Q[1] - P[1])
    coords = [O, P, Q] if R.random() < 0.5 else [O, Q, P]
    return coords, closed_polygon(coords)


def v_chain(apex, L, phi, beta):
    """Two elements end -> apex -> end, arms of about L under the angle beta,
    opening toward the direction phi."""
    return [add(apex, (L * R.uniform(0.7, 1.4), unit(phi + beta / 2))), apex,
            add(apex, (L * R.uniform(0.7, 1.4), unit(phi - beta / 2)))]


def v_chains_case(symmetric=None):
    """hypmatrix (and slpmatrix) between two V-shaped chains of two elements
    whose apexes lie 10 to 1000 arm lengths apart: the entries between an
    apex (a regular node) and the other chain's ends (not regular) are small
    differences."""
    if symmetric is not None:
        L, beta, gap = 1000.0, symmetric, 100.0
        c, s = L * math.cos(beta), L * math.sin(beta)
        coords = [(-c, s), (0.0, 0.0), (-c, -s), (gap * L + c, s), (gap * L, 0.0),
                  (gap * L + c, -s)]
    else:
        L = logu(-1, 3)
        apex = random_offset(L)
        psi = R.uniform(0, 2 * math.pi)
        other = add(apex, (L * logu(1, 3), unit(psi)))
        coords = (v_chain(apex, L, R.uniform(0, 2 * math.pi), R.uniform(0.3, 2.8))
                  + v_chain(other, L, R.uniform(0, 2 * math.pi), R.uniform(0.3, 2.8)))
    cells = [(1, 2), (2, 3), (4, 5), (5, 6)]
    matrix_case("v_chains", coords, cells, [(i, k) for k in range(4) for i in range(4)], upper(6))


def thin_triangle_case():
    """domfield over a triangle of height 1e-8 to 1e-2 of its base, seen from
    about one base length away, from beside the base at 30 heights and more,
    and from nearer."""
    L = logu(-1, 1)
    ratio = logu(-8, -2)
    A = random_offset(L)
    th = R.uniform(0, 2 * math.pi)
    Lb, t, n = L, unit(th), unit(th + math.pi / 2)
    B = add(A, (Lb, t))
    C = add(A, (Lb * R.uniform(0.02, 0.98), t), (Lb * ratio, n))
    P = [A, B, C] if R.random() < 0.5 else [A, C, B]
    c = ((A[0] + B[0] + C[0]) / 3, (A[1] + B[1] + C[1]) / 3)
    h = Lb * ratio
    points = [add(c, (Lb * logu(-0.2, 0.5), unit(R.uniform(0, 2 * math.pi)))) for _ in range(3)]
    points += [add(A, (Lb * R.uniform(-0.5, 1.5), t), (sgn() * Lb * logu(math.log10(40 * ratio), 0), n))
               for _ in range(2)]
    points.append(add(A, (Lb * R.uniform(0, 1), t), (-Lb * ratio * R.uniform(1, 20), n)))
    dom_case("thin_triangle", P, [(1, 2, 3)], [sgn() * R.uniform(0.5, 2)], points)


def near_field_groups():
    reseed(3)
    with mp.workdps(50):
        for c in range(12):
            split_vertex_case("split_vertex", c % 3 == 2)
        # The reproducer as found: the other element ends at (0, 0).
        field_case("hypfield", "split_vertex",
                   [(0.0, 0.0), (1.0, 0.0), (0.9999995000000417, 0.0009999998333333417), (0.0, 0.0)],
                   [(1, 2), (3, 4)], [0.0, 0.0, 0.6432129314591561, 1.4687573343894504],
                   [(3.1622776601683795e-10, 0.0)], [(0.0, -1.0)], [0])
        for c in range(8):
            coords, cells = thin_closed_triangle(c % 2 == 1, c % 4 < 2)
            matrix_case("thin_triangle", coords, cells,
                        [(i, k) for k in range(3) for i in range(3)], upper(3))
        coords = [(0.0, 0.0), (-273.26110573442276, -961.939898378688),
                  (-273.2601437943876, -961.9401716393128)]
        matrix_case("thin_triangle", coords, closed_polygon(coords),
                    [(i, k) for k in range(3) for i in range(3)], upper(3))
        for beta in (math.pi / 4, math.pi / 3):
            v_chains_case(beta)
        for c in range(6):
            v_chains_case()
        for c in range(16):
            thin_triangle_case()
        dom_case("thin_triangle", [(0.0, 0.0), (1.0, 0.0), (0.5, 1e-6)], [(1, 2, 3)], [1.0],
                 [(0.5, 1.0), (2.0, 0.0), (-1.0, 0.5), (0.5, -0.1), (1.3, 0.01), (0.5, 3.0)])


# ------------------------------------------------------------------- output

ORDER = ["coords", "cells", "dens", "points", "dirs"]


def fmt(v):
    return repr(float(v))


def write(path):
    with open(path, "w") as fh:
        fh.write(
            "# Reference values for tests/cpp/accuracy_test.cpp, written by gen_references.py\n"
            "# (regenerate: /usr/bin/python3 tests/accuracy/gen_references.py; the definitions\n"
            "# and the tolerance rule are stated at the top of that script).\n"
            "# One case per line: MODULE GROUP, then arrays as NAME COUNT VALUES..., COUNT the\n"
            "# number of values, rows stored one after the other: coords (x y per node), cells\n"
            "# (1-based node numbers per element or triangle), dens (chi, gh or f), points (x y),\n"
            "# dirs (x y per point), and last out: per output INDEX REF SCALE SENS NEAR, INDEX\n"
            "# the 0-based position in the kernel's column-major output, NEAR 1 when the point\n"
            "# or pair lies within 4 element lengths of every element involved.\n"
            "# Inputs are repr() of doubles: they read back to the exact values used.\n")
        for module, group, arrays, outs in CASES:
            parts = [module, group]
            for name in ORDER:
                if name in arrays:
                    rows = arrays[name]
                    vals = [v for r in rows for v in (r if isinstance(r, tuple) else (r,))]
                    parts += [name, str(len(vals))]
                    parts += [str(v) if name == "cells" else fmt(v) for v in vals]
            parts += ["out", str(5 * len(outs))]
            for idx, ref, scale, sens, near in outs:
                parts += [str(idx), fmt(ref), fmt(scale), fmt(sens), "1" if near else "0"]
            fh.write(" ".join(parts) + "\n")


def main():
    start = time.time()
    check_fan()
    check_dlp_derivatives()
    steps = [("slpfield", lambda: (single_element_groups("slpfield"), polygon_groups("slpfield"),
                                   field_reproducers("slpfield"))),
             ("dlpfield", lambda: (single_element_groups("dlpfield"), polygon_groups("dlpfield"),
                                   dlp_on_element_group(), field_reproducers("dlpfield"))),
             ("tdlfield", lambda: (single_element_groups("tdlfield"), polygon_groups("tdlfield"),
                                   field_reproducers("tdlfield"))),
             ("hypfield", lambda: (hyp_groups(), field_reproducers("hypfield"))),
             ("domfield", dom_groups),
             ("matrices", matrix_groups),
             ("far polygons", far_polygons),
             ("dlpmatrix", dlpmatrix_groups),
             ("dlpgradfield", dlpgradfield_groups),
             ("near field", near_field_groups)]
    for name, step in steps:
        before = len(CASES)
        t0 = time.time()
        step()
        n = sum(len(c[3]) for c in CASES[before:])
        print("%-14s %5d outputs %7.1f s" % (name, n, time.time() - t0), flush=True)
    write(OUT)
    print("%d outputs in %d cases, %.0f s: %s" % (sum(len(c[3]) for c in CASES), len(CASES),
                                                  time.time() - start, OUT))


if __name__ == "__main__":
    main()
