"""The adaptive loop: refinement, marking, error estimators and mesh helpers.

The functions of the Octave folder mex/adaptive under the same names, with
node and element numbers from 0 (numpy and scipy.sparse). A boundary mesh is
``coordinates`` (nC-by-2 float64) and ``elements`` (nE-by-2 node numbers);
piecewise-constant functions have one value per element, continuous
piecewise-linear ones one value per node (the hat functions psi_p).

=============================================================  ===================================
function                                                       result
=============================================================  ===================================
``element_lengths(coordinates, elements)``                     h, (nE,)
``element_normals(coordinates, elements)``                     unit normals and tangents, (nE, 2)
``mass_matrix(coordinates, elements, pairing)``                sparse mass matrix
``bisect(coordinates, elements, marked, ratio=None)``          refined mesh and parent, 0-based
``prolong_constants(chi, parent)``                             chi on the refined mesh
``prolong_nodal(gh, elements, elements_new, parent)``          gh on the refined mesh
``dorfler(indicators, theta)``                                 marked elements, 0-based
``symm_residual(coordinates, elements, phi, data)``            weighted residual indicators
``hyp_residual(coordinates, elements, gh, data)``              weighted residual indicators
``symm_hh2(coordinates, elements, phi_fine)``                  h - h/2 indicators
``hyp_hh2(coordinates, elements, g_fine)``                     h - h/2 indicators
``dirichlet_oscillation(coordinates, elements, dg)``           data oscillation of g
``neumann_oscillation(coordinates, elements, phi)``            data oscillation and means of phi
``cauchy_energies(vertices, g, phi)``                          ||phi||_V^2, |g|_W^2 on a polygon
``bem2d_adaptive(problem, ...)``                               levels of an adaptive run
=============================================================  ===================================

The indicators are the squares of the local contributions (their sum is the
square of the estimate), as dorfler takes them. The formulas, and what each
estimator assumes, are in the docstrings.
"""

import math as _math
import time as _time

import numpy as _np
import scipy.linalg as _linalg
import scipy.sparse as _sparse

from . import dlpfield as _dlpfield
from . import dlpmatrix as _dlpmatrix
from . import hypfield as _hypfield
from . import hypmatrix as _hypmatrix
from . import slpmatrix as _slpmatrix
from . import tdlfield as _tdlfield
from . import _ADAPTIVE

__all__ = list(_ADAPTIVE)  # the names the package lends from this module


def _mesh(name, coordinates, elements):
    """The mesh as float64 coordinates (nC, 2) and int64 elements (nE, 2),
    checked with the meanings of the Octave functions' errors."""
    c = _np.asarray(coordinates)
    e = _np.asarray(elements)
    if c.dtype != _np.float64:
        raise TypeError("In %s, coordinates must be a float64 array (it is %s); "
                        "np.asarray(coordinates, dtype=np.float64) converts it." % (name, c.dtype))
    if not (_np.issubdtype(e.dtype, _np.integer) or e.dtype == _np.float64):
        raise TypeError("In %s, elements must be an integer or float64 array (it is %s)."
                        % (name, e.dtype))
    if c.ndim != 2 or c.shape[1] < 2 or e.ndim != 2 or e.shape[1] != 2:
        raise ValueError("In %s, coordinates must have at least 2 columns and elements exactly 2."
                         % name)
    bad = (e != _np.round(e)) | (e < 0) | (e >= c.shape[0])
    if bad.any():
        r, k = _np.argwhere(bad)[0]
        raise ValueError("In %s, elements[%d, %d] = %g is not a row number of coordinates "
                         "(0 to %d)." % (name, r, k, e[r, k], c.shape[0] - 1))
    return c[:, :2], e.astype(_np.int64)


def _lengths(c, e):
    d = c[e[:, 1]] - c[e[:, 0]]
    return _np.sqrt(d[:, 0] ** 2 + d[:, 1] ** 2)


def _gauss(q):
    """Nodes (ascending) and weights of the q-point Gauss-Legendre rule on
    [-1, 1], from the eigenvalues of the Jacobi matrix."""
    k = _np.arange(1, q)
    b = k / _np.sqrt(4.0 * k * k - 1)
    t, v = _np.linalg.eigh(_np.diag(b, 1) + _np.diag(b, -1))
    return t, 2 * v[0] ** 2


def _element_rule(c, e, graded):
    """Points x, weights w (for ds), elements el and parameters s in (0, 1)
    on every element: the 8-point Gauss rule for smooth integrands, or
    3-point rules on [0, 0.1, 0.5, 0.9, 1] for integrands with logarithmic
    singularities at both ends (a few per cent on their squares)."""
    if graded:
        breaks = _np.array([0, 0.1, 0.5, 0.9, 1])
        t, v = _gauss(3)
    else:
        breaks = _np.array([0.0, 1.0])
        t, v = _gauss(8)
    a, length = breaks[:-1], _np.diff(breaks)
    s0 = ((t[:, None] + 1) / 2 * length + a).ravel(order="F")
    w0 = (v[:, None] / 2 * length).ravel(order="F")
    q = s0.size
    el = _np.repeat(_np.arange(e.shape[0]), q)
    s = _np.tile(s0, e.shape[0])
    A, B = c[e[el, 0]], c[e[el, 1]]
    x = A + s[:, None] * (B - A)
    w = _np.tile(w0, e.shape[0]) * _np.hypot(B[:, 0] - A[:, 0], B[:, 1] - A[:, 1])
    return x, w, el, s


def _values(name, what, values, count):
    v = _np.asarray(values, dtype=_np.float64).ravel()
    if v.size < count:
        raise ValueError("In %s, %s must have at least %d entries (it has %d)."
                         % (name, what, count, v.size))
    return v[:count]


def element_lengths(coordinates, elements):
    """Lengths of the elements of a boundary mesh.

    Returns h, shape (nE,), h[j] = |B - A| for element j from A to B.

    >>> import numpy as np, bem2d
    >>> c = np.array([[0.0, 0], [3, 0], [3, 4]]); e = np.array([[0, 1], [1, 2], [2, 0]])
    >>> bem2d.element_lengths(c, e)
    array([3., 4., 5.])
    """
    c, e = _mesh("element_lengths", coordinates, elements)
    return _lengths(c, e)


def element_normals(coordinates, elements):
    """Unit normals and unit tangents of the elements, each of shape (nE, 2).

    t[j] = (B - A)/|B - A| and n[j] = (t[j, 1], -t[j, 0]), the direction turned
    clockwise, as every module takes it: outward for a counter-clockwise
    boundary. A zero-length element gives NaN rows.

    >>> import numpy as np, bem2d
    >>> n, t = bem2d.element_normals(np.array([[0.0, 0], [1, 0], [1, 1], [0, 1]]),
    ...                              np.array([[0, 1], [1, 2], [2, 3], [3, 0]]))
    >>> bool(np.array_equal(n, [[0, -1], [1, 0], [0, 1], [-1, 0]]))
    True
    """
    c, e = _mesh("element_normals", coordinates, elements)
    d = c[e[:, 1]] - c[e[:, 0]]
    t = d / _np.hypot(d[:, 0], d[:, 1])[:, None]
    return _np.column_stack([t[:, 1], -t[:, 0]]), t


def mass_matrix(coordinates, elements, pairing):
    """Sparse mass matrix (scipy.sparse CSR) of one pairing.

    ``'constants'``: (nE, nE), the lengths on the diagonal;
    ``'constants-hats'``: (nE, nC), M[i, q] = int_{E_i} psi_q ds, half of the
    length of element i at each of its nodes (Symm's equation reads
    V phi = (M/2 + K) gh, the hypersingular one W gh = (M/2 - K)^T phi);
    ``'hats'``: (nC, nC), L/3 on the diagonal and L/6 off it per element.

    >>> import numpy as np, bem2d
    >>> c = np.array([[0.0, 0], [1, 0], [1, 1], [0, 1]])
    >>> e = np.array([[0, 1], [1, 2], [2, 3], [3, 0]])
    >>> bem2d.mass_matrix(c, e, 'constants-hats').toarray()[0].tolist()
    [0.5, 0.5, 0.0, 0.0]
    """
    c, e = _mesh("mass_matrix", coordinates, elements)
    nE, nC = e.shape[0], c.shape[0]
    h = _lengths(c, e)
    i = _np.arange(nE)
    if pairing == "constants":
        M = _sparse.coo_matrix((h, (i, i)), shape=(nE, nE))
    elif pairing == "constants-hats":
        M = _sparse.coo_matrix((_np.concatenate([h, h]) / 2,
                                (_np.concatenate([i, i]), _np.concatenate([e[:, 0], e[:, 1]]))),
                               shape=(nE, nC))
    elif pairing == "hats":
        a, b = e[:, 0], e[:, 1]
        M = _sparse.coo_matrix((_np.concatenate([h / 3, h / 3, h / 6, h / 6]),
                                (_np.concatenate([a, b, a, b]), _np.concatenate([a, b, b, a]))),
                               shape=(nC, nC))
    else:
        raise ValueError("In mass_matrix, the pairing must be 'constants', 'constants-hats' or "
                         "'hats'.")
    return M.tocsr()


def bisect(coordinates, elements, marked, ratio=None):
    """Refines a boundary mesh by splitting elements at their midpoints.

    Every marked element [A, B] becomes [A, M] and [M, B] (its direction
    kept). The new nodes M are appended to coordinates, one per refined
    element in the order of the elements; old nodes keep their numbers. The
    new elements follow the order of the old ones, each refined element
    replaced by its halves in place, so that ``parent[j]`` (non-decreasing)
    is the old element that new element j lies in. Open and closed
    boundaries and several components are refined alike.

    Parameters
    ----------
    coordinates : ndarray of float64, shape (nC, 2)
    elements : ndarray of integers (or float64), shape (nE, 2), node numbers from 0
    marked : boolean mask of nE entries, or element numbers from 0 (repeats allowed)
        All of them gives the uniform refinement, in which the halves of
        element i are 2i and 2i + 1 and its midpoint is node nC + i.
    ratio : float >= 2 or None
        Also split the neighbours needed to keep the lengths of any two
        elements that share a node within this factor: a neighbour longer
        than ratio times a new half is split too, and so on outwards. If the
        given mesh has the bound, the refined one has it. The estimators
        assume such a bound.

    Returns
    -------
    coordinates : ndarray, shape (nC + r, 2)
    elements : ndarray of int64, shape (nE + r, 2)
    parent : ndarray of int64, shape (nE + r,)

    Raises
    ------
    TypeError, ValueError
        A mesh of a wrong dtype or shape or with a node number out of range,
        a marked that is no mask of nE entries nor element numbers, a ratio
        below 2.

    Examples
    --------
    >>> import numpy as np, bem2d
    >>> c = np.array([[0.0, 0], [1, 0], [1, 1], [0, 1]])
    >>> e = np.array([[0, 1], [1, 2], [2, 3], [3, 0]])
    >>> c2, e2, parent = bem2d.bisect(c, e, [1])
    >>> c2[4].tolist(), e2.tolist(), parent.tolist()
    ([1.0, 0.5], [[0, 1], [1, 4], [4, 2], [2, 3], [3, 0]], [0, 1, 1, 2, 3])
    """
    c, e = _mesh("bisect", coordinates, elements)
    nE, nC = e.shape[0], c.shape[0]
    m = _np.asarray(marked)
    split = _np.zeros(nE, dtype=bool)
    if m.dtype == bool and m.size == nE:
        split[m.ravel()] = True
    elif (m.size == 0 or _np.issubdtype(m.dtype, _np.number)) and m.dtype != bool and \
            _np.all(m == _np.round(m)) and _np.all((m >= 0) & (m < nE)):
        split[m.ravel().astype(_np.int64)] = True
    else:
        raise ValueError("In bisect, marked must be a boolean mask of %d entries or element "
                         "numbers from 0 to %d." % (nE, nE - 1))
    if ratio is not None:
        if isinstance(ratio, bool) or not isinstance(ratio, (int, float)) or not ratio >= 2:
            raise ValueError("In bisect, ratio must be a number of at least 2.")
        uses = _sparse.coo_matrix((_np.ones(2 * nE), (e.ravel(), _np.repeat(_np.arange(nE), 2))),
                                  shape=(nC, nE)).tocsr()
        pairs = (uses.T @ uses).tocoo()
        off = pairs.row != pairs.col
        i, j = pairs.row[off], pairs.col[off]
        h = _lengths(c, e)
        # A neighbour j of a split element i longer than ratio times a half of
        # i is split too (beyond the rounding of the lengths); splitting only
        # spreads to longer elements, so the loop ends.
        too_long = h[j] > ratio * h[i] / 2 * (1 + 1e-10)
        while True:
            grow = too_long & split[i] & ~split[j]
            if not grow.any():
                break
            split[j[grow]] = True
    refined = _np.flatnonzero(split)
    mid = nC + _np.arange(refined.size)
    coordinates = _np.vstack([c, (c[e[refined, 0]] + c[e[refined, 1]]) / 2])
    count = 1 + split.astype(_np.int64)
    parent = _np.repeat(_np.arange(nE), count)
    first = _np.cumsum(count)[refined] - 2           # first half of every split element
    new = e[parent].copy()
    new[first, 1] = mid
    new[first + 1, 0] = mid
    return coordinates, new, parent


def prolong_constants(chi, parent):
    """A piecewise-constant function (one value, or row, per element) on the
    mesh that bisect returned: ``chi[parent]``.

    >>> import numpy as np, bem2d
    >>> bem2d.prolong_constants(np.array([10.0, 20, 30]), np.array([0, 1, 1, 2])).tolist()
    [10.0, 20.0, 20.0, 30.0]
    """
    chi = _np.asarray(chi)
    p = _np.asarray(parent)
    if p.size and (p.min() < 0 or p.max() >= chi.shape[0]):
        raise ValueError("In prolong_constants, parent must hold element numbers from 0 to %d."
                         % (chi.shape[0] - 1))
    return chi[p]


def prolong_nodal(gh, elements, elements_new, parent):
    """A continuous piecewise-linear function (nodal values, one row per node)
    on the mesh that bisect returned, by interpolation: old nodes keep their
    values, the midpoint of a split element [A, B] gets (gh[A] + gh[B])/2.

    >>> import numpy as np, bem2d
    >>> e = np.array([[0, 1], [1, 2], [2, 0]])
    >>> c2, e2, parent = bem2d.bisect(np.array([[0.0, 0], [1, 0], [1, 1]]), e, [1])
    >>> bem2d.prolong_nodal(np.array([0.0, 1, 3]), e, e2, parent).tolist()
    [0.0, 1.0, 3.0, 2.0]
    """
    gh = _np.asarray(gh, dtype=_np.float64)
    e = _np.asarray(elements, dtype=_np.int64)
    e2 = _np.asarray(elements_new, dtype=_np.int64)
    p = _np.asarray(parent, dtype=_np.int64)
    nC = gh.shape[0]
    if e2.shape[0] != p.size or (p.size and (p.min() < 0 or p.max() >= e.shape[0])) or \
            (e.size and e.max() >= nC):
        raise ValueError("In prolong_nodal, gh, elements, elements_new and parent do not belong "
                         "to one bisect call.")
    first = _np.flatnonzero(e2[:, 1] >= nC)          # [A, M] ends in its new node M
    old = e[p[first]]
    out = _np.zeros((int(e2.max()) + 1 if e2.size else nC,) + gh.shape[1:])
    out[:nC] = gh
    out[e2[first, 1]] = (gh[old[:, 0]] + gh[old[:, 1]]) / 2
    return out


def dorfler(indicators, theta):
    """Doerfler marking: the fewest elements that carry a share theta of the
    sum of the indicators.

    Returns the element numbers (from 0, ascending) of a set M of the least
    possible size with sum(indicators[M]) >= theta * sum(indicators), found by
    one stable sort (O(n log n)): the largest first, ties by the lowest
    number. Empty when theta = 0 or every indicator is 0. The indicators are
    squares of local contributions (eta2 + osc2 of the estimators).

    >>> import bem2d
    >>> bem2d.dorfler([1, 4, 2, 3], 0.5).tolist()
    [1, 3]
    """
    x = _np.asarray(indicators, dtype=_np.float64)
    if x.ndim > 1 or not _np.all(_np.isfinite(x)) or _np.any(x < 0):
        raise ValueError("In dorfler, the indicators must be a vector of finite values >= 0.")
    if isinstance(theta, bool) or not isinstance(theta, (int, float)) or not 0 <= theta <= 1:
        raise ValueError("In dorfler, theta must be a number from 0 to 1.")
    order = _np.argsort(-x.ravel(), kind="stable")
    total = _np.cumsum(x.ravel()[order])
    if total.size == 0 or theta * total[-1] <= 0:
        return _np.zeros(0, dtype=_np.int64)
    k = int(_np.argmax(total >= theta * total[-1]))
    return _np.sort(order[:k + 1])


def symm_residual(coordinates, elements, phi, data):
    """Weighted residual indicators of a piecewise-constant solution of
    Symm's equation (or of any V phi = f).

    With gh the nodal values of the Dirichlet data (V phi = (1/2 + K) g
    solved as V phi = (M/2 + K) gh on a closed boundary), the residual is
    r = (1/2 + K) g_h - V phi_h; with a callable df(x, t) (the derivative
    along the unit tangents t at points x of a given right-hand side f, for
    V phi = f on a screen, ...) it is r = f - V phi_h. The indicator of
    element i is eta2[i] = h_i ||dr/ds||^2 on E_i, and sqrt(eta2.sum())
    estimates ||phi - phi_h||_V. d/ds V phi_h comes from tdlfield along the
    tangent plus the element's own principal value
    phi_h[i] log(|x - B| / |x - A|) / (2 pi), d/ds (1/2 + K) g_h = g_h'/2 - K'(g_h');
    12 points per element graded toward its ends.

    Reliable (||phi - phi_h||_V <= C eta) for exact data on meshes of bounded
    neighbour ratio (bisect's ratio), efficient up to higher-order terms for
    piecewise-smooth phi; with interpolated data add dirichlet_oscillation.

    >>> import numpy as np, bem2d
    >>> m = 16; c = np.column_stack([np.linspace(-1, 1, m + 1), np.zeros(m + 1)])
    >>> e = np.column_stack([np.arange(m), np.arange(1, m + 1)])
    >>> phi = np.linalg.solve(bem2d.slpmatrix(c, e), bem2d.element_lengths(c, e))
    >>> eta2 = bem2d.symm_residual(c, e, phi, lambda x, t: np.zeros(len(x)))
    >>> bool(eta2[0] > 10 * eta2[m // 2])             # largest at the tips
    True
    """
    c, e = _mesh("symm_residual", coordinates, elements)
    nE = e.shape[0]
    phi = _values("symm_residual", "phi", phi, nE)
    h = _lengths(c, e)
    n, t = element_normals(c, e)
    x, w, el, s = _element_rule(c, e, True)
    dV = _tdlfield(c, e, phi, x, t[el]) + phi[el] * _np.log((1 - s) / s) / (2 * _math.pi)
    if callable(data):
        df = _np.asarray(data(x, t[el]), dtype=_np.float64).ravel()
    else:
        gh = _values("symm_residual", "gh", data, c.shape[0])
        slope = (gh[e[:, 1]] - gh[e[:, 0]]) / h
        df = slope[el] / 2 - _tdlfield(c, e, slope, x, n[el])
    return h * _np.bincount(el, w * (df - dV) ** 2, minlength=nE)


def hyp_residual(coordinates, elements, gh, data):
    """Weighted residual indicators of a continuous piecewise-linear solution
    of the hypersingular equation (or of any W g = f).

    With phi the Neumann data per element (W g = (1/2 - K') phi solved as
    W gh = (M/2 - K)^T phi), the residual is r = (1/2 - K') phi - W g_h; with
    a callable f(x, n) (the right-hand side at points x with the unit
    normals n, e.g. on a screen with g = 0 at its ends) it is r = f - W g_h.
    eta2[i] = h_i ||r||^2 on E_i estimates |g - g_h|_W^2; W g_h and K' phi
    from hypfield and tdlfield at 12 points per element graded toward its
    ends. Reliable for exact data on meshes of bounded neighbour ratio; with
    element means of smooth data add neumann_oscillation.

    >>> import numpy as np, bem2d
    >>> c = np.array([[0.0, 0], [1, 0], [1, 1], [0, 1]]) / 2
    >>> e = np.array([[0, 1], [1, 2], [2, 3], [3, 0]])
    >>> n, t = bem2d.element_normals(c, e)
    >>> bool(bem2d.hyp_residual(c, e, c[:, 0], n[:, 0]).sum() < 1e-20)   # u = x is exact
    True
    """
    c, e = _mesh("hyp_residual", coordinates, elements)
    nE = e.shape[0]
    gh = _values("hyp_residual", "gh", gh, c.shape[0])
    h = _lengths(c, e)
    n, _ = element_normals(c, e)
    x, w, el, _ = _element_rule(c, e, True)
    if callable(data):
        f = _np.asarray(data(x, n[el]), dtype=_np.float64).ravel()
    else:
        phi = _values("hyp_residual", "phi", data, nE)
        f = phi[el] / 2 - _tdlfield(c, e, phi, x, n[el])
    r = f - _hypfield(c, e, gh, x, n[el])
    return h * _np.bincount(el, w * r ** 2, minlength=nE)


def symm_hh2(coordinates, elements, phi_fine):
    """h - h/2 indicators of a piecewise-constant solution from the solution
    phi_fine on the uniform refinement (bisect with every element: the
    halves of element i are 2i and 2i + 1): eta2[i] = h_i^2 (a_i - b_i)^2 / 4,
    h_i ||phi_fine - mean||^2 on E_i. Efficient always, reliable under
    saturation; costs a solve on 2 nE elements.

    >>> import numpy as np, bem2d
    >>> c = np.array([[0.0, 0], [3, 0], [3, 1]]); e = np.array([[0, 1], [1, 2]])
    >>> bem2d.symm_hh2(c, e, [1, 2, 5, -1]).tolist()
    [2.25, 9.0]
    """
    c, e = _mesh("symm_hh2", coordinates, elements)
    nE = e.shape[0]
    p = _values("symm_hh2", "phi_fine", phi_fine, 2 * nE)
    return _lengths(c, e) ** 2 * (p[0::2] - p[1::2]) ** 2 / 4


def hyp_hh2(coordinates, elements, g_fine):
    """h - h/2 indicators of a continuous piecewise-linear solution from the
    solution g_fine on the uniform refinement (node nC + i the midpoint of
    element i): eta2[i] = 4 (g_fine[nC + i] - (g_fine[A] + g_fine[B])/2)^2,
    h_i ||(g_fine - I g_fine)'||^2 on E_i. Efficient always, reliable under
    saturation.

    >>> import numpy as np, bem2d
    >>> c = np.array([[0.0, 0], [2, 0], [2, 5]]); e = np.array([[0, 1], [1, 2]])
    >>> bem2d.hyp_hh2(c, e, [1, 3, 8, 2.5, 5.5]).tolist()
    [1.0, 0.0]
    """
    c, e = _mesh("hyp_hh2", coordinates, elements)
    nE, nC = e.shape[0], c.shape[0]
    g = _values("hyp_hh2", "g_fine", g_fine, nC + nE)
    return 4 * (g[nC:] - (g[e[:, 0]] + g[e[:, 1]]) / 2) ** 2


def dirichlet_oscillation(coordinates, elements, dg):
    """Oscillation of Dirichlet data: osc2[i] = h_i ||g' - mean(g')||^2 on E_i
    (= h_i ||(g - g_h)'||^2, g_h the nodal interpolant), with dg(x, t) the
    derivative of g along the unit tangents t at points x; 8-point Gauss rule
    (g smooth inside each element). Add it to symm_residual's indicators.

    >>> import numpy as np, bem2d
    >>> c = np.array([[0.0, 0], [1, 0], [1, 1], [0, 1]])
    >>> e = np.array([[0, 1], [1, 2], [2, 3], [3, 0]])
    >>> osc2 = bem2d.dirichlet_oscillation(c, e, lambda x, t: 2 * x[:, 0] * t[:, 0])   # g = x^2
    >>> np.round(osc2 * 3, 12).tolist()
    [1.0, 0.0, 1.0, 0.0]
    """
    c, e = _mesh("dirichlet_oscillation", coordinates, elements)
    if not callable(dg):
        raise TypeError("In dirichlet_oscillation, dg must be a callable dg(x, t).")
    nE = e.shape[0]
    h = _lengths(c, e)
    _, t = element_normals(c, e)
    x, w, el, _ = _element_rule(c, e, False)
    d = _np.asarray(dg(x, t[el]), dtype=_np.float64).ravel()
    mean = _np.bincount(el, w * d, minlength=nE) / h
    return h * _np.bincount(el, w * (d - mean[el]) ** 2, minlength=nE)


def neumann_oscillation(coordinates, elements, phi):
    """Oscillation of Neumann data and their element means: returns
    (osc2, phih) with phih[i] the mean of phi on E_i and
    osc2[i] = h_i ||phi - phih[i]||^2 on E_i, phi(x, n) the data at points x
    with the unit normals n; 8-point Gauss rule (phi smooth inside each
    element). Add osc2 to hyp_residual's indicators.

    >>> import numpy as np, bem2d
    >>> c = np.array([[0.0, 0], [1, 0], [1, 1], [0, 1]])
    >>> e = np.array([[0, 1], [1, 2], [2, 3], [3, 0]])
    >>> osc2, phih = bem2d.neumann_oscillation(c, e, lambda x, n: x[:, 0])
    >>> np.round(osc2 * 12, 12).tolist(), np.round(phih, 12).tolist()
    ([1.0, 0.0, 1.0, 0.0], [0.5, 1.0, 0.5, 0.0])
    """
    c, e = _mesh("neumann_oscillation", coordinates, elements)
    if not callable(phi):
        raise TypeError("In neumann_oscillation, phi must be a callable phi(x, n).")
    nE = e.shape[0]
    h = _lengths(c, e)
    n, _ = element_normals(c, e)
    x, w, el, _ = _element_rule(c, e, False)
    f = _np.asarray(phi(x, n[el]), dtype=_np.float64).ravel()
    phih = _np.bincount(el, w * f, minlength=nE) / h
    return h * _np.bincount(el, w * (f - phih[el]) ** 2, minlength=nE), phih


def cauchy_energies(vertices, g, phi):
    """Energies of the Cauchy data of a harmonic u on a polygon, by quadrature.

    Returns (energy_V, energy_W, pairing, double_layer) with
    pairing = <phi, g>, double_layer = <phi, K g>,
    energy_V = <V phi, phi> = pairing/2 + double_layer and
    energy_W = <W g, g> = pairing/2 - double_layer, for g = u and
    phi = du/dn on the boundary of the counter-clockwise polygon with the
    given vertices (g(x) and phi(x, n) callables). Each side takes 16-point
    rules on 40 pieces graded by 1/4 toward both corners, so data like r^a
    (a > -1) at a corner are integrated to rounding; the kernel of adjacent
    sides from the distances to their corner. About 1e-15 relative for
    corners not close to 0 or 2 pi.

    >>> import numpy as np, bem2d
    >>> square = np.array([[0.0, 0], [1, 0], [1, 1], [0, 1]]) / 2
    >>> u = lambda x: x[:, 0] ** 2 - x[:, 1] ** 2          # u = x^2 - y^2
    >>> dudn = lambda x, n: 2 * (x[:, 0] * n[:, 0] - x[:, 1] * n[:, 1])
    >>> eV, eW, P, Q = bem2d.cauchy_energies(square, u, dudn)
    >>> bool(abs(eV + eW - 1 / 6) < 1e-14)                # int |grad u|^2 inside
    True
    """
    v = _np.asarray(vertices, dtype=_np.float64)
    if v.ndim != 2 or v.shape[1] != 2 or v.shape[0] < 3:
        raise ValueError("In cauchy_energies, vertices must be an m-by-2 array with m >= 3.")
    if not (callable(g) and callable(phi)):
        raise TypeError("In cauchy_energies, g and phi must be callables g(x) and phi(x, n).")
    m = v.shape[0]
    ratio, pieces = 0.25, 40
    t, w = _gauss(16)
    lo = _np.concatenate([ratio ** _np.arange(1, pieces + 1), [0]]) / 2
    hi = _np.concatenate([ratio ** _np.arange(pieces), [ratio ** pieces]]) / 2
    frac = ((t[:, None] + 1) / 2 * (hi - lo) + lo).ravel(order="F")
    wfrac = (w[:, None] / 2 * (hi - lo)).ravel(order="F")
    sides = []
    for k in range(m):
        A, B = v[k], v[(k + 1) % m]
        length = _np.hypot(*(B - A))
        tau = (B - A) / length
        d = frac * length
        x = _np.vstack([A + d[:, None] * tau, B - d[:, None] * tau])
        nrm = _np.array([tau[1], -tau[0]])
        sides.append(dict(x=x, near=_np.concatenate([d, d]), atA=_np.repeat([True, False], d.size),
                          length=length, w=_np.concatenate([wfrac, wfrac]) * length, tau=tau,
                          n=nrm, phi=_np.asarray(phi(x, _np.tile(nrm, (x.shape[0], 1))),
                                                 dtype=_np.float64).ravel(),
                          g=_np.asarray(g(x), dtype=_np.float64).ravel()))

    def distance_from(side, from_a):
        # Exact for the points near that end, where it matters.
        far = ~side["atA"] if from_a else side["atA"]
        d = side["near"].copy()
        d[far] = side["length"] - side["near"][far]
        return d

    pairing = sum(_np.sum(s["w"] * s["phi"] * s["g"]) for s in sides)
    double_layer = 0.0
    for i in range(m):
        fx = sides[i]["w"] * sides[i]["phi"]
        if not fx.any():
            continue
        for j in range(m):
            gy = sides[j]["w"] * sides[j]["g"]
            if i == j or not gy.any():
                continue
            if j == (i + 1) % m or i == (j + 1) % m:
                if j == (i + 1) % m:                  # the corner ends side i, starts side j
                    a, b = distance_from(sides[i], False), distance_from(sides[j], True)
                    ta, tb = -sides[i]["tau"], sides[j]["tau"]
                else:                                 # it starts side i and ends side j
                    a, b = distance_from(sides[i], True), distance_from(sides[j], False)
                    ta, tb = sides[i]["tau"], -sides[j]["tau"]
                dx = a[:, None] * ta[0] - b[None, :] * tb[0]
                dy = a[:, None] * ta[1] - b[None, :] * tb[1]
            else:
                dx = sides[i]["x"][:, 0][:, None] - sides[j]["x"][:, 0][None, :]
                dy = sides[i]["x"][:, 1][:, None] - sides[j]["x"][:, 1][None, :]
            nj = sides[j]["n"]
            kernel = (dx * nj[0] + dy * nj[1]) / (dx * dx + dy * dy) / (2 * _math.pi)
            double_layer += fx @ kernel @ gy
    return pairing / 2 + double_layer, pairing / 2 - double_layer, pairing, double_layer


# ---- bem2d_adaptive: the model problems ---------------------------------------------------

_ENERGIES = {}


def _theta(x):
    return _np.mod(_np.arctan2(x[:, 1], x[:, 0]), 2 * _math.pi)


def _model_problem(problem, geometry, solution):
    """Initial mesh, data and exact energy of the model problems, as the
    Octave function's private model_problem describes them."""
    P = dict(problem=problem, geometry=geometry)
    if geometry == "lshape":
        v = _np.array([[0.0, 0], [1, 0], [1, 1], [-1, 1], [-1, -1], [0, -1]]) / 4
        P["coordinates"] = _np.vstack([v[:3], (v[2] + v[3]) / 2, v[3], (v[3] + v[4]) / 2, v[4:]])
        P["elements"] = _np.column_stack([_np.arange(8), (_np.arange(8) + 1) % 8])
        P["corners"] = _np.array([0, 1, 2, 4, 6, 7])
        r = lambda x: _np.hypot(x[:, 0], x[:, 1])
        g_s = lambda x: r(x) ** (2 / 3) * _np.sin(2 / 3 * _theta(x))
        grad_s = lambda x: 2 / 3 * r(x)[:, None] ** (-1 / 3) * _np.column_stack(
            [-_np.sin(_theta(x) / 3), _np.cos(_theta(x) / 3)])
        if solution == "smooth" and problem == "symm":
            P["g"] = lambda x: 16 * x[:, 0] * x[:, 1]
            grad = lambda x: 16 * _np.column_stack([x[:, 1], x[:, 0]])
            key = "smooth_symm"
        elif solution == "smooth":
            P["g"] = lambda x: 8 * (x[:, 0] ** 2 - x[:, 1] ** 2)
            grad = lambda x: 16 * _np.column_stack([x[:, 0], -x[:, 1]])
            key = "smooth_hyp"
        elif problem == "symm":
            P["g"] = g_s
            grad = grad_s
            key = "corner"
        else:
            P["g"] = lambda x: r(x) ** (2 / 3) * _np.cos(2 / 3 * _theta(x))
            grad = lambda x: 2 / 3 * r(x)[:, None] ** (-1 / 3) * _np.column_stack(
                [_np.cos(_theta(x) / 3), _np.sin(_theta(x) / 3)])
            key = "corner"
        P["dg"] = lambda x, t: _np.sum(grad(x) * t, axis=1)
        P["phi"] = lambda x, n: _np.sum(grad(x) * n, axis=1)
        if key not in _ENERGIES:
            if key == "corner":
                # |r^(2/3) cos(2 theta/3)|_W = ||d/dn r^(2/3) sin(2 theta/3)||_V (conjugates).
                eV = cauchy_energies(v, g_s, lambda x, n: _np.sum(grad_s(x) * n, axis=1))[0]
                _ENERGIES[key] = (eV, eV)
            else:
                _ENERGIES[key] = cauchy_energies(v, P["g"], P["phi"])[:2]
        P["energy"] = _ENERGIES[key][0 if problem == "symm" else 1]
    else:
        P["coordinates"] = _np.column_stack([_np.linspace(-1, 1, 9), _np.zeros(9)])
        P["elements"] = _np.column_stack([_np.arange(8), _np.arange(1, 9)])
        P["corners"] = _np.array([0, 8])
        P["f"] = 1.0 if problem == "symm" else 0.5
        P["energy"] = 2 * _math.pi / _math.log(2) if problem == "symm" else _math.pi / 4
    return P


def _cholesky_solve(A, b):
    try:
        return _linalg.cho_solve(_linalg.cho_factor(A), b)
    except _linalg.LinAlgError:
        raise ValueError("In bem2d_adaptive, the system matrix is not positive definite.")


def _solve_level(P, c, e, solve, with_error):
    """The Galerkin solution x, the data for the residual estimators, the
    oscillation and (with_error) the squared energy error, as in Octave."""
    nE, nC = e.shape[0], c.shape[0]
    out = dict(error2=_math.nan, osc2=_np.zeros(nE))
    Mh = mass_matrix(c, e, "constants-hats")
    kind = P["problem"] + "-" + P["geometry"]
    if kind == "symm-lshape":
        gh = P["g"](c)
        V = _slpmatrix(c, e)
        b = Mh @ gh / 2 + _dlpmatrix(c, e) @ gh
        x = solve(V, b)
        out.update(x=x, data=gh, osc2=dirichlet_oscillation(c, e, P["dg"]))
        if with_error:
            # <g - g_h, (1/2 + K') phi_h> on the elements where g - g_h is not 0.
            q, w, el, s = _element_rule(c, e, False)
            d = P["g"](q) - (gh[e[el, 0]] * (1 - s) + gh[e[el, 1]] * s)
            keep = (_np.bincount(el, _np.abs(d), minlength=nE) > 0)[el]
            n, _ = element_normals(c, e)
            pair = _np.sum(w[keep] * d[keep] * (x[el[keep]] / 2 + _tdlfield(c, e, x, q[keep],
                                                                             n[el[keep]])))
            out["error2"] = P["energy"] - 2 * (x @ b + pair) + x @ (V @ x)
    elif kind == "hyp-lshape":
        osc2, phih = neumann_oscillation(c, e, P["phi"])
        W = _hypmatrix(c, e)
        f = Mh.T @ phih / 2 - _dlpmatrix(c, e).T @ phih
        m = _np.asarray(Mh.sum(axis=0)).ravel()
        x = solve(W + _np.outer(m, m), f)
        out.update(x=x, data=phih, osc2=osc2)
        if with_error:
            # <phi - phi_h, (1/2 - K) g_h> on the elements where phi - phi_h is not 0.
            n, _ = element_normals(c, e)
            q, w, el, s = _element_rule(c, e, False)
            d = P["phi"](q, n[el]) - phih[el]
            keep = (_np.bincount(el, _np.abs(d), minlength=nE) > 0)[el]
            gx = x[e[el[keep], 0]] * (1 - s[keep]) + x[e[el[keep], 1]] * s[keep]
            pair = _np.sum(w[keep] * d[keep] * (gx / 2 - _dlpfield(c, e, x, q[keep])))
            out["error2"] = P["energy"] - 2 * (x @ f + pair) + x @ (W @ x)
    elif kind == "symm-slit":
        V = _slpmatrix(c, e)
        b = P["f"] * _lengths(c, e)
        x = solve(V, b)
        out.update(x=x, data=lambda q, t: _np.zeros(len(q)))
        if with_error:
            out["error2"] = P["energy"] - 2 * (x @ b) + x @ (V @ x)
    else:
        W = _hypmatrix(c, e)
        f = P["f"] * _np.asarray(Mh.sum(axis=0)).ravel()
        inner = _np.ones(nC, dtype=bool)
        inner[P["corners"]] = False                   # g = 0 at the tips
        x = _np.zeros(nC)
        x[inner] = solve(W[_np.ix_(inner, inner)], f[inner])
        out.update(x=x, data=lambda q, n: _np.full(len(q), P["f"]))
        if with_error:
            out["error2"] = P["energy"] - 2 * (x @ f) + x @ (W @ x)
    return out


def bem2d_adaptive(problem, geometry="lshape", refinement="adaptive", estimator="residual",
                   theta=0.5, elements=2000, solution="corner", solve=None, verbose=False):
    """Adaptive boundary element method on a model problem with a known
    solution, with the exact energy error on every level.

    The same loop, problems and errors as the Octave function of the same
    name (see its help): ``problem`` 'symm' (Symm's equation, piecewise
    constants) or 'hyp' (the hypersingular equation, hats); ``geometry``
    'lshape' (u = r^(2/3) sin or cos(2 theta/3) on the L-shape
    (-1/4,1/4)^2 without [0,1/4]x[-1/4,0], or with ``solution='smooth'``
    u = 16xy, 8(x^2 - y^2)) or 'slit' (V phi = 1, W g = 1/2 on [-1,1]);
    ``refinement`` 'adaptive' (dorfler with ``theta``, bisect with ratio 2)
    or 'uniform'; ``estimator`` 'residual' or 'hh2'; the run stops after
    the first level of at least ``elements`` elements; ``solve(A, b)`` for
    the symmetric positive definite systems (default: Cholesky). The
    matrices are used only through solve, A @ x and (hypersingular equation
    on the L-shape) W + outer(m, m), and assembled in _solve_level alone,
    so that a compressed operator offering these can stand in for them.

    Returns
    -------
    levels : list of dict
        One per level: 'elements' (N), 'estimator' (sqrt(sum(eta2 + osc2))),
        'oscillation', 'error' (energy norm, exact), 'seconds'.
    final : dict
        'coordinates', 'elements' (from 0) and 'solution' of the last level.

    Expected rates, error ~ N^(-rate): 3/2 on adaptive meshes; 2/3 on uniform
    meshes of the L-shape, 1/2 on the slit (3/2 for the smooth solutions).

    >>> import numpy as np, bem2d
    >>> levels, final = bem2d.bem2d_adaptive('symm', geometry='slit', elements=60)
    >>> N = np.array([l['elements'] for l in levels]); err = np.array([l['error'] for l in levels])
    >>> rate = -np.polyfit(np.log(N[-6:]), np.log(err[-6:]), 1)[0]
    >>> bool(1.3 < rate < 1.8)
    True
    """
    if problem not in ("symm", "hyp"):
        raise ValueError("In bem2d_adaptive, the problem must be 'symm' or 'hyp'.")
    checks = dict(geometry=geometry in ("lshape", "slit"),
                  refinement=refinement in ("adaptive", "uniform"),
                  estimator=estimator in ("residual", "hh2"),
                  theta=isinstance(theta, (int, float)) and 0 < theta <= 1,
                  elements=isinstance(elements, (int, float)) and elements >= 1,
                  solution=solution in ("corner", "smooth"),
                  solve=solve is None or callable(solve))
    for name, ok in checks.items():
        if not ok:
            raise ValueError("In bem2d_adaptive, %s is not a value of its kind." % name)
    if geometry == "slit" and solution == "smooth":
        raise ValueError("In bem2d_adaptive, the slit has the solution 'corner' only.")
    solve = solve or _cholesky_solve
    P = _model_problem(problem, geometry, solution)
    c, e = P["coordinates"], P["elements"]
    levels = []
    while True:
        start = _time.perf_counter()
        nE = e.shape[0]
        S = _solve_level(P, c, e, solve, True)
        if estimator == "hh2":
            c2, e2, _ = bisect(c, e, _np.ones(nE, dtype=bool))
            fine = _solve_level(P, c2, e2, solve, False)["x"]
            eta2 = (symm_hh2 if problem == "symm" else hyp_hh2)(c, e, fine)
        elif problem == "symm":
            eta2 = symm_residual(c, e, S["x"], S["data"])
        else:
            eta2 = hyp_residual(c, e, S["x"], S["data"])
        rho2 = eta2 + S["osc2"]
        levels.append(dict(elements=nE, estimator=_math.sqrt(rho2.sum()),
                           oscillation=_math.sqrt(S["osc2"].sum()),
                           error=_math.sqrt(max(S["error2"], 0.0)),
                           seconds=_time.perf_counter() - start))
        if verbose:
            print("   %8d %12.4e %12.4e %12.4e %8.2f" % tuple(
                levels[-1][k] for k in ("elements", "estimator", "oscillation", "error",
                                        "seconds")))
        if nE >= elements:
            break
        marked = _np.ones(nE, dtype=bool) if refinement == "uniform" else dorfler(rho2, theta)
        c, e, _ = bisect(c, e, marked, ratio=2)
    return levels, dict(coordinates=c, elements=e, solution=S["x"])
