"""Boundary element kernels for the Laplace equation in two dimensions.

The fundamental solution is G(x, y) = -(1/(2 pi)) log|x - y|. A boundary
mesh is ``coordinates`` (nC-by-2 float64, one node per row) and ``elements``
(nE-by-2, the 0-based node numbers of the first and second end of each
straight element, in any integer dtype or float64). The normal of an element
is its direction turned clockwise: for a boundary that runs counter-clockwise
around the domain it points outwards. Densities are piecewise constant (one
value per element) or continuous piecewise linear (one value per node).

=====================================================  ==========================
function                                               result
=====================================================  ==========================
``slpmatrix(coordinates, elements, eta=0.5)``          V, nE-by-nE
``dlpmatrix(coordinates, elements, eta=0.5)``          K, nE-by-nC
``hypmatrix(coordinates, elements, eta=0.5)``          W, nC-by-nC
``slpmatrix_tile(coordinates, elements, rows, cols)``  V[rows][:, cols]
``dlpmatrix_tile(coordinates, elements, rows, cols)``  K[rows][:, cols]
``hypmatrix_tile(coordinates, elements, rows, cols)``  W[rows][:, cols]
``slpfield(coordinates, elements, chi, z, eta=0.5)``   (V chi)(z)
``dlpfield(coordinates, elements, gh, x, eta=0.5)``    (K g)(x)
``dlpgradfield(coordinates, elements, gh, x, eta)``    grad (K g)(x) off the boundary
``tdlfield(coordinates, elements, gh, x, n_x, eta)``   (K' phi)(x) along n_x
``hypfield(coordinates, elements, gh, x, n_x, eta)``   (W g)(x) on the boundary
``domfield(vertices, volumes, f, x)``                  (N f)(x), Newton potential
=====================================================  ==========================

Every function that takes ``coordinates, elements`` also takes a
``bem2d.Mesh(coordinates, elements)`` in their place, checked and prepared
once for any number of calls (``bem2d.slpmatrix_tile(mesh, rows, cols)``).
Every function takes float64 arrays in C or Fortran order (or any strided
view of one) without copying them, node numbers from 0 in any integer dtype
likewise, and anything else that numpy.asarray turns into numbers (lists,
integers, float32, ...) as a float64 copy (node numbers of integers: int64);
and a keyword ``threads``; it releases the GIL while it computes, and Ctrl-C
raises KeyboardInterrupt within milliseconds. Arguments are checked first:
what numpy.asarray turns into no numbers (complex, strings, ragged lists)
raises TypeError, a wrong shape, count or node number ValueError, each with
a message that names the argument, after the function's name as Octave
shows it ("slpmatrix: elements[3, 1] = 4 is not a row number of
coordinates (0 to 3)."). The module ``bem2d.dask`` offers the same functions
over Dask arrays.

The adaptive loop, from ``bem2d.adaptive`` under the names of the Octave
functions (node and element numbers from 0): ``bisect``, ``dorfler``,
``prolong_constants``, ``prolong_nodal``, ``element_lengths``,
``element_normals``, ``mass_matrix``, the estimators ``symm_residual``,
``hyp_residual``, ``symm_hh2``, ``hyp_hh2``, ``dirichlet_oscillation``,
``neumann_oscillation``, the exact energies ``cauchy_energies`` and the model
runs ``bem2d_adaptive``.
"""

import functools as _functools
import inspect as _inspect
from typing import Optional as _Optional, Union as _Union

import numpy as _np
from numpy.typing import ArrayLike as _ArrayLike

from . import _core
from ._core import HMatrix, Mesh, __version__

# What the signatures accept: points and node numbers as anything
# numpy.asarray turns into numbers, a bem2d.Mesh for coordinates and
# elements, index sets of tiles as arrays, lists, ranges or slices.
_MeshOrPoints = _Union[Mesh, _ArrayLike]
_IndexSet = _Union[_ArrayLike, range, slice]

# The adaptive loop (bem2d.adaptive: numpy and scipy.sparse), loaded on first use.
_ADAPTIVE = ["element_lengths", "element_normals", "mass_matrix", "bisect", "prolong_constants",
             "prolong_nodal", "dorfler", "symm_residual", "hyp_residual", "symm_hh2", "hyp_hh2",
             "dirichlet_oscillation", "neumann_oscillation", "cauchy_energies", "bem2d_adaptive"]

__all__ = ["__version__", "Mesh", "hmatrix", "HMatrix", "slpmatrix", "dlpmatrix", "hypmatrix", "slpmatrix_tile",
           "dlpmatrix_tile", "hypmatrix_tile", "slpfield", "dlpfield", "dlpgradfield", "tdlfield", "hypfield",
           "domfield"] + _ADAPTIVE

# Paragraphs that several docstrings share, filled in by _documented.
_PARTS = {
    "mesh": """\
    coordinates : array_like of float64, shape (nC, 2)
        Node k lies at (coordinates[k, 0], coordinates[k, 1]). Further
        columns are ignored. A float64 array is read in place; anything else
        that numpy.asarray turns into numbers, as a float64 copy (so for
        every array_like of float64 below).
    elements : array_like of any integer dtype (int8 ... uint64) or float64, shape (nE, 2)
        Element j is the straight segment from node elements[j, 0] to node
        elements[j, 1] (0-based node numbers; a float64 number is truncated
        toward zero, so 2.7 names node 2). A bem2d.Mesh may stand for
        coordinates and elements both (then omit elements).""",
    "eta": """\
    eta : float, default 0.5
        Admissibility parameter, not negative. None means 0.5.""",
    "eta_rule": """\
    How eta is used: element j (length L, distance dist from the point) is
    integrated with the 16-point Gauss-Legendre rule when L <= eta dist and
    in closed form otherwise; eta = 0 and a NaN eta give the closed form for
    every pair.""",
    "threads": """\
    threads : int or None, keyword only
        Threads to compute on; None (the default) means every core, or the
        number in the environment variable BEM2D_NUM_THREADS (read at every
        call). The result does not depend on it.""",
    "run": """\
    The GIL is released while the kernels run; Ctrl-C stops the call within
    milliseconds with KeyboardInterrupt. Far pairs are evaluated 8 (AVX-512)
    or 4 (AVX2) at a time where the CPU has them.""",
    "series": """\
    A pair sent to quadrature is integrated by the power series of its kernel
    about the element's midpoint m, in q = h/(x - m) (h the half element, as
    complex numbers), when |x - m| >= 2L and the pair surely passes the test
    (then |q|^2 <= 1/16): the terms are taken until |q|^(2n+2) <= 1e-17,
    which bounds the remainder, so the series is exact to rounding; any other
    such pair by the 16-point Gauss-Legendre rule.""",
    "raises": """\
    TypeError
        An array argument that numpy.asarray turns into no array of numbers
        (the message names what it is); an eta or threads that is no number.
    ValueError
        An array of other than two dimensions or of too few columns, a node
        number that names no row, a density shorter than the mesh needs, a
        negative eta or threads outside 1 to 1024.
    MemoryError
        The scratch memory of a kernel could not be allocated.
    KeyboardInterrupt
        Ctrl-C during the call; no result is returned.""",
}


def _mesh_first(function):
    """Lets function(coordinates, elements, ...) be called as function(mesh, ...)
    with a bem2d.Mesh: every positional argument after the mesh moves one
    place on, past elements, which the extension then receives as None (as
    it does when elements is given as None)."""
    names = [p.name for p in _inspect.signature(function).parameters.values()
             if p.kind == p.POSITIONAL_OR_KEYWORD][2:]

    @_functools.wraps(function)
    def call(*args, **kwargs):
        mesh = args[0] if args else kwargs.get("coordinates")
        # elements given (as None) by keyword or in its place: nothing moves.
        given = "elements" in kwargs or (len(args) > 1 and args[1] is None)
        if isinstance(mesh, Mesh) and not given:
            rest = args[1:] if args else ()
            if len(rest) > len(names):
                raise TypeError("%s() takes at most %d positional arguments after a Mesh (%d given)"
                                % (function.__name__, len(names), len(rest)))
            for name, value in zip(names, rest):
                if name in kwargs:
                    raise TypeError("%s() got multiple values for argument %r"
                                    % (function.__name__, name))
                kwargs[name] = value
            kwargs.pop("coordinates", None)
            return function(mesh, None, **kwargs)
        return function(*args, **kwargs)
    return call


def _documented(function):
    function.__doc__ = function.__doc__.format(**_PARTS)
    return _mesh_first(function)


@_documented
def slpmatrix(coordinates: _MeshOrPoints, elements: _Optional[_ArrayLike],
              eta: _Optional[float] = 0.5, *, threads: _Optional[int] = None) -> _np.ndarray:
    """Single-layer Galerkin matrix for piecewise-constant functions.

    The dense nE-by-nE matrix of the single-layer operator for the basis of
    piecewise-constant functions (the characteristic function of each
    element)::

        V[i, j] = -(1/(2 pi)) int_{{E_i}} int_{{E_j}} log|x - y| ds_y ds_x

    Parameters
    ----------
{mesh}
        The orientation plays no part here.
    eta : float, default 0.5
        Admissibility parameter, not negative (see below). None means 0.5.
{threads}

    Returns
    -------
    V : ndarray of float64, shape (nE, nE), Fortran order
        Exactly symmetric (each entry is computed once); positive definite
        when the mesh has diameter below 1. V[j, j] = L^2 (3/2 - log L)/(2 pi),
        L the length of element j.

    Notes
    -----
    How eta is used: for elements i and j, with h the length of the shorter
    and dist the distance between the two segments, the entry is computed
    with the 16-point Gauss-Legendre rule on the shorter element and the
    closed form along the longer one when eta != 0 and eta h < dist, and
    entirely in closed form otherwise (eta = 0, NaN, and always for elements
    that touch, share a node, cross or coincide). Both ways are exact to
    rounding, so eta trades only speed. A pair sent to quadrature whose
    elements are small against the distance of their midpoints,
    rho = (L_i + L_j)/(2 |m_i - m_j|) <= 1/4, takes instead the power series
    of the logarithm about the two midpoints, terms until
    rho^(2n+2) <= 1e-17. A zero-length element gives a zero row and column.

    A boundary of logarithmic capacity 1 makes V singular: the single layer
    of the density 1 on the circle of radius R is -R log R on the circle, so
    it vanishes on the unit circle, and V is nearly singular on polygons close
    to such a curve. Scale the mesh to a diameter below 1, or solve with
    V + outer(L, L) (L the element lengths), which keeps the solution of an
    interior Dirichlet problem (its flux has mean zero) and is positive
    definite for every boundary of logarithmic capacity below exp(2 pi).

{run}

    Raises
    ------
{raises}

    Examples
    --------
    The circle of radius 1/2 as a polygon of n counter-clockwise elements.
    The single layer of the density 1 on it is log(2)/2 on the circle, so
    each row sum is L log(2)/2 up to O(1/n^2), L the element length:

    >>> import numpy as np, bem2d
    >>> n = 64; t = 2 * np.pi * np.arange(n) / n
    >>> coordinates = 0.5 * np.column_stack([np.cos(t), np.sin(t)])
    >>> elements = np.column_stack([np.arange(n), (np.arange(n) + 1) % n])
    >>> V = bem2d.slpmatrix(coordinates, elements)
    >>> L = np.sin(np.pi / n)
    >>> bool(np.abs(V.sum(axis=1) / (L * np.log(2) / 2) - 1).max() < 1e-3)
    True
    """
    return _core.slpmatrix(coordinates, elements, eta, threads)


@_documented
def dlpmatrix(coordinates: _MeshOrPoints, elements: _Optional[_ArrayLike],
              eta: _Optional[float] = 0.5, *, threads: _Optional[int] = None) -> _np.ndarray:
    """Double-layer Galerkin matrix, piecewise constants against hats.

    The dense nE-by-nC matrix of the double-layer operator tested with the
    piecewise-constant functions (one per element) and applied to the hat
    functions psi_q (one per node)::

        K[i, q] = int_{{E_i}} (K psi_q)(x) ds_x,
        (K g)(x) = -(1/(2 pi)) int ((y - x).n_y) / |y - x|^2 g(y) ds_y

    with K as dlpfield computes it: no jump term, so on a closed boundary it
    is the boundary operator, and each row of K sums to -|E_i|/2 there. With
    the mass matrix M[i, q] = int_{{E_i}} psi_q ds, Symm's equation for the
    Dirichlet problem reads V phi = (M/2 + K) g.

    Parameters
    ----------
{mesh}
        Its normal is its direction turned clockwise, outward for a
        counter-clockwise boundary.
{eta}
{threads}

    Returns
    -------
    K : ndarray of float64, shape (nE, nC), Fortran order
        A node that no element uses has a zero column.

    Notes
    -----
    How eta is used: for elements i and j, with h the length of the shorter
    and dist the distance between the two segments, the pair may be
    integrated by quadrature when eta != 0 and eta h < dist: by the power
    series of the kernel about both midpoints when the elements are small
    against the distance of their midpoints (at least twice the sum of their
    lengths), terms until the remainder is below 1e-17. Every other pair is
    integrated in closed form: elements sharing a node from the homogeneity
    of the kernel about the shared node, the others by the closed form over
    element j integrated along element i on 16-point panels refined toward
    the ends of j. Both routes are exact to rounding, so eta trades only
    speed; eta = 0 and a NaN eta give the closed form for every pair. A
    zero-length element adds 0.

{run}

    Raises
    ------
{raises}

    Examples
    --------
    On a closed counter-clockwise polygon each row sums to minus half its
    element's length (K 1 = -1/2 on the boundary):

    >>> import numpy as np, bem2d
    >>> n = 64; t = 2 * np.pi * np.arange(n) / n
    >>> coordinates = np.column_stack([np.cos(t), np.sin(t)])
    >>> elements = np.column_stack([np.arange(n), (np.arange(n) + 1) % n])
    >>> K = bem2d.dlpmatrix(coordinates, elements)
    >>> L = 2 * np.sin(np.pi / n)
    >>> K.shape, bool(np.abs(K.sum(axis=1) + L / 2).max() < 1e-14)
    ((64, 64), True)
    """
    return _core.dlpmatrix(coordinates, elements, eta, threads)


@_documented
def hypmatrix(coordinates: _MeshOrPoints, elements: _Optional[_ArrayLike],
              eta: _Optional[float] = 0.5, *, threads: _Optional[int] = None) -> _np.ndarray:
    """Hypersingular Galerkin matrix for continuous piecewise-linear functions.

    The dense nC-by-nC matrix of the hypersingular operator
    (W u)(x) = -d/dn_x int dG/dn_y(x, y) u(y) ds_y for the hat functions
    psi_0 ... psi_{{nC-1}} (one per node, linear on every element), from the
    single-layer form of arc-length derivatives (valid on closed
    boundaries)::

        W[p, q] = -(1/(2 pi)) int int log|x - y| psi_q'(y) psi_p'(x) ds_y ds_x

    where on an element from node a to node b the derivative of psi_a is
    -1/L and that of psi_b is +1/L. Every closed curve of the boundary must
    be traversed in one direction (elements[j, 1] of an element is
    elements[j, 0] of the next).

    Parameters
    ----------
{mesh}
    eta : float, default 0.5
        Admissibility parameter. It is not checked: a negative eta sends
        every pair to the quadrature rule. None means 0.5.
{threads}

    Returns
    -------
    W : ndarray of float64, shape (nC, nC), Fortran order
        Symmetric and positive semi-definite; W @ ones(nC) = 0 up to rounding
        (the constants are its kernel). A node that no element uses has a zero
        row and column.

    Notes
    -----
    How eta is used: each pair of elements (h the length of the shorter,
    dist the distance between the two segments) contributes its single-layer
    integral, computed with the 16-point rule on the shorter element and the
    closed form along the longer one when eta != 0 and eta h < dist, and
    entirely in closed form otherwise (eta = 0, NaN, and always for elements
    that touch, share a node, cross or coincide). Both are exact to rounding,
    so a negative eta changes only the speed. Between nodes whose elements
    lie far apart an entry is instead the integral of the hypersingular
    kernel against the two hats, by a Gauss rule of 4 to 16 points per
    element, which keeps these small entries exact to rounding relative to
    their own size. Pairs small against the distance of their midpoints take
    the power series of the logarithm (see slpmatrix). Each unordered pair is
    computed once and added in a fixed order: W is exactly symmetric.

{run}

    Raises
    ------
{raises}

    Examples
    --------
    On the unit circle W maps cos(k theta) to (k/2) cos(k theta), so the
    energy of cos(2 theta) is about pi:

    >>> import numpy as np, bem2d
    >>> n = 128; t = 2 * np.pi * np.arange(n) / n
    >>> coordinates = np.column_stack([np.cos(t), np.sin(t)])
    >>> elements = np.column_stack([np.arange(n), (np.arange(n) + 1) % n])
    >>> W = bem2d.hypmatrix(coordinates, elements)
    >>> u = np.cos(2 * t)
    >>> round(float(u @ W @ u), 2), bool(np.abs(W.sum(axis=1)).max() < 1e-12)
    (3.14, True)
    """
    return _core.hypmatrix(coordinates, elements, eta, threads)


def _index_set(numbers, count):
    """A list, range or slice as the array of its numbers; anything else as it is."""
    if isinstance(numbers, (list, tuple)):
        return _np.asarray(numbers) if numbers else _np.zeros(0, dtype=_np.int64)
    if isinstance(numbers, range):
        return _np.arange(numbers.start, numbers.stop, numbers.step, dtype=_np.int64)
    if isinstance(numbers, slice):
        return _np.arange(*numbers.indices(count), dtype=_np.int64)
    return numbers


def _rows(array):
    shape = getattr(array, "shape", None)
    if shape is None and isinstance(array, (list, tuple)):
        return len(array)
    return shape[0] if shape else 0


def _counts(coordinates, elements):
    """nC and nE of a mesh given either way (0 for what is no array)."""
    if isinstance(coordinates, Mesh):
        return coordinates.node_count, coordinates.element_count
    return _rows(coordinates), _rows(elements)


_TILE = """The entries {M}[rows[a], cols[b]] of the {kind} matrix.

    Equal bit for bit to the same entries of ``{whole}(coordinates,
    elements, eta)`` on the same machine, at the cost of the tile's entries
    only: the building block of H-matrix and ACA codes and of the Dask
    matrices (bem2d.dask.{whole}).{note}

    Parameters
    ----------
{mesh}
    rows, cols : 1-d ndarray of any integer dtype, list, range or slice
        {numbers}, in any order, repeats allowed.
    eta : float, default 0.5
        As for {whole}.
{threads}

    Returns
    -------
    tile : ndarray of float64, shape (len(rows), len(cols)), Fortran order

    Raises
    ------
    TypeError, ValueError
        rows or cols of another type (TypeError) or dimension, or with a
        number outside their range (ValueError).
{raises}

    Examples
    --------
    >>> import numpy as np, bem2d
    >>> n = 16; t = 2 * np.pi * np.arange(n) / n
    >>> coordinates = np.column_stack([np.cos(t), np.sin(t)])
    >>> elements = np.column_stack([np.arange(n), (np.arange(n) + 1) % n])
    >>> T = bem2d.{whole}_tile(coordinates, elements, [3, 0], range(1, 3))
    >>> bool((T == bem2d.{whole}(coordinates, elements)[np.ix_([3, 0], [1, 2])]).all())
    True
    """


def _tile_documented(**names):
    def document(function):
        function.__doc__ = _TILE.format(**names, **_PARTS)
        return _mesh_first(function)
    return document


def _tile(tile, coordinates, elements, rows, row_count, cols, col_count, eta, threads):
    return tile(coordinates, elements, _index_set(rows, row_count), _index_set(cols, col_count),
                eta, threads)


@_tile_documented(M="V", kind="single-layer", whole="slpmatrix",
                  numbers="Element numbers (0 to nE-1)", note="")
def slpmatrix_tile(coordinates: _MeshOrPoints, elements: _Optional[_ArrayLike], rows: _IndexSet,
                   cols: _IndexSet, eta: _Optional[float] = 0.5, *,
                   threads: _Optional[int] = None) -> _np.ndarray:
    count = _counts(coordinates, elements)[1]
    return _tile(_core.slpmatrix_tile, coordinates, elements, rows, count, cols, count, eta,
                 threads)


@_tile_documented(M="K", kind="double-layer", whole="dlpmatrix",
                  numbers="Element numbers (0 to nE-1) in rows, node numbers (0 to nC-1) in cols",
                  note="")
def dlpmatrix_tile(coordinates: _MeshOrPoints, elements: _Optional[_ArrayLike], rows: _IndexSet,
                   cols: _IndexSet, eta: _Optional[float] = 0.5, *,
                   threads: _Optional[int] = None) -> _np.ndarray:
    nodes, count = _counts(coordinates, elements)
    return _tile(_core.dlpmatrix_tile, coordinates, elements, rows, count, cols, nodes, eta,
                 threads)


@_tile_documented(M="W", kind="hypersingular", whole="hypmatrix",
                  numbers="Node numbers (0 to nC-1)",
                  note=" Each entry sums its element\n    pairs in the order in which the whole"
                       " matrix adds them.")
def hypmatrix_tile(coordinates: _MeshOrPoints, elements: _Optional[_ArrayLike], rows: _IndexSet,
                   cols: _IndexSet, eta: _Optional[float] = 0.5, *,
                   threads: _Optional[int] = None) -> _np.ndarray:
    count = _counts(coordinates, elements)[0]
    return _tile(_core.hypmatrix_tile, coordinates, elements, rows, count, cols, count, eta,
                 threads)


@_documented
def slpfield(coordinates: _MeshOrPoints, elements: _Optional[_ArrayLike], chi: _ArrayLike,
             z: _ArrayLike, eta: _Optional[float] = 0.5, *,
             threads: _Optional[int] = None) -> _np.ndarray:
    """Single-layer potential of a piecewise-constant density.

    At the points z, for the density chi that is constant on every element::

        (V chi)(z) = -(1/(2 pi)) sum_j chi[j] int_{{E_j}} log|z - y| ds_y

    The points may lie anywhere, on the boundary included (the logarithmic
    singularity is integrable and taken in closed form).

    Parameters
    ----------
{mesh}
    chi : array_like of float64, at least nE values
        chi[j] is the density on element j (any shape, read in the order of
        ravel()).
    z : array_like of float64, shape (nz, 2)
        The evaluation points.
{eta}
{threads}

    Returns
    -------
    values : ndarray of float64, shape (nz,)
        values[i] = (V chi)(z[i]).

    Notes
    -----
{eta_rule} Both are exact to rounding for the pairs they take, so eta
    trades only speed. A zero-length element adds 0.

{series}

{run}

    Raises
    ------
{raises}

    Examples
    --------
    Density 1 on a circle of radius 2: the potential is -2 log 2 inside and
    -2 log|z| outside, up to O(1/n^2):

    >>> import numpy as np, bem2d
    >>> n = 256; t = 2 * np.pi * np.arange(n) / n
    >>> coordinates = 2 * np.column_stack([np.cos(t), np.sin(t)])
    >>> elements = np.column_stack([np.arange(n), (np.arange(n) + 1) % n])
    >>> z = np.array([[0, 0], [1, 0.5], [3, 1]])
    >>> u = bem2d.slpfield(coordinates, elements, np.ones(n), z)
    >>> exact = -2 * np.log(np.maximum(2, np.hypot(z[:, 0], z[:, 1])))
    >>> bool(np.abs(u - exact).max() < 1e-3)
    True
    """
    return _core.slpfield(coordinates, elements, chi, z, eta, threads)


@_documented
def dlpfield(coordinates: _MeshOrPoints, elements: _Optional[_ArrayLike], gh: _ArrayLike,
             x: _ArrayLike, eta: _Optional[float] = 0.5, *,
             threads: _Optional[int] = None) -> _np.ndarray:
    """Double-layer potential of a continuous piecewise-linear density.

    At the points x, for the function g that is linear on every element and
    takes the value gh[k] at node k::

        (K g)(x) = int dG/dn_y(x, y) g(y) ds_y
                 = -(1/(2 pi)) int ((y - x).n_y) / |y - x|^2 g(y) ds_y

    n_y is the unit normal of the element that contains y (its direction
    turned clockwise). The points may lie anywhere; on the boundary no jump
    term is added, so there it is the boundary operator K. For g = 1 and a
    counter-clockwise closed polygon: -1 inside, 0 outside, -1/2 on an
    element away from its nodes. The interior trace is (K - 1/2) g.

    Parameters
    ----------
{mesh}
    gh : array_like of float64
        gh[k] = g at node k (any shape, read in the order of ravel()); it must
        reach the largest node number that elements uses.
    x : array_like of float64, shape (nx, 2)
        The evaluation points.
{eta}
{threads}

    Returns
    -------
    values : ndarray of float64, shape (nx,)
        values[i] = (K g)(x[i]).

    Notes
    -----
{eta_rule} Both are exact to rounding, the jump included up to 1e-12
    element lengths from an element. A point within 1e-12 L (plus a few
    rounding units of its coordinates) of an element counts as lying on it
    and gets 0 from it. A zero-length element adds 0; reversing every element
    negates the result.

{series}

{run}

    Raises
    ------
{raises}

    Examples
    --------
    g = 1 on the unit square (counter-clockwise): -1 inside, 0 outside,
    -1/2 on an edge:

    >>> import numpy as np, bem2d
    >>> coordinates = np.array([[0., 0], [1, 0], [1, 1], [0, 1]])
    >>> elements = np.array([[0, 1], [1, 2], [2, 3], [3, 0]], dtype=np.int32)
    >>> x = np.array([[0.3, 0.6], [2, 2], [0.5, 0]])
    >>> bem2d.dlpfield(coordinates, elements, np.ones(4), x) + 0.0
    array([-1. ,  0. , -0.5])
    """
    return _core.dlpfield(coordinates, elements, gh, x, eta, threads)


@_documented
def dlpgradfield(coordinates: _MeshOrPoints, elements: _Optional[_ArrayLike], gh: _ArrayLike,
                 x: _ArrayLike, eta: _Optional[float] = 0.5, *,
                 threads: _Optional[int] = None) -> _np.ndarray:
    """Gradient of the double-layer potential at points off the boundary.

    At the points x, for the function g that is linear on every element and
    takes the value gh[k] at node k (as dlpfield)::

        values[i] = grad (K g)(x[i]),
        (K g)(x) = -(1/(2 pi)) int ((y - x).n_y) / |y - x|^2 g(y) ds_y

    Together with tdlfield, which gives the derivative of the single layer in
    a direction (the directions (1, 0) and (0, 1) give its gradient), it
    yields the gradient of u = V phi - K g inside a domain: the flux of a
    computed solution.

    Parameters
    ----------
{mesh}
    gh : array_like of float64
        gh[k] = g at node k (any shape, read in the order of ravel()); it must
        reach the largest node number that elements uses.
    x : array_like of float64, shape (nx, 2)
        The points, off the boundary.
{eta}
{threads}

    Returns
    -------
    values : ndarray of float64, shape (nx, 2), Fortran order
        The two partial derivatives at each point; NaN in both columns for a
        point on an element (within 1e-12 element lengths plus a few rounding
        units of its coordinates).

    Warns
    -----
    RuntimeWarning
        One per call with points on an element: "The evaluation point
        (x1,x2) lies on the boundary! The i-th row of the return matrix is
        set to NaN!" for the first of them (i counting from 0) and, when
        there are more, a second line "N evaluation points in all lie on the
        boundary; their rows are NaN.".

    Notes
    -----
    How eta is used: element j (length L, distance dist from the point) is
    integrated by quadrature when L <= eta dist, and in closed form otherwise
    (the derivative of the double layer's closed form, as hypfield takes it).
    A pair sent to quadrature is integrated by the power series of its kernel
    about the element's midpoint when |x - m| >= 2L (terms until the
    remainder is below 1e-17), else by the 16-point Gauss-Legendre rule. Both
    routes are exact to rounding, so eta trades only speed; eta = 0 and a NaN
    eta give the closed form for every pair. A zero-length element adds 0.

{run}

    Raises
    ------
{raises}

    Examples
    --------
    K 1 is -1 inside a counter-clockwise polygon and 0 outside, so its
    gradient vanishes at both points:

    >>> import numpy as np, bem2d
    >>> coordinates = np.array([[0., 0], [1, 0], [1, 1], [0, 1]])
    >>> elements = np.array([[0, 1], [1, 2], [2, 3], [3, 0]])
    >>> G = bem2d.dlpgradfield(coordinates, elements, np.ones(4), np.array([[0.3, 0.6], [2, 2]]))
    >>> G.shape, bool(np.abs(G).max() < 1e-15)
    ((2, 2), True)
    """
    return _core.dlpgradfield(coordinates, elements, gh, x, eta, threads)


@_documented
def tdlfield(coordinates: _MeshOrPoints, elements: _Optional[_ArrayLike], gh: _ArrayLike,
             x: _ArrayLike, n_x: _ArrayLike, eta: _Optional[float] = 0.5, *,
             threads: _Optional[int] = None) -> _np.ndarray:
    """Adjoint double-layer operator of a piecewise-constant density.

    At the points x with the given vectors n_x, for the density phi = gh[j]
    on element j::

        (K' phi)(x) = int dG/dn_x(x, y) phi(y) ds_y
                    = -(1/(2 pi)) sum_j gh[j] int_{{E_j}} ((x - y).n_x) / |x - y|^2 ds_y

    Away from the boundary this is n_x . grad(V phi)(x), the derivative of
    the single-layer potential in the direction n_x. At a point inside an
    element, with n_x the element's outward unit normal, it is the boundary
    operator K' (the element that contains x contributes nothing); the normal
    derivative of V phi from inside is then (1/2 + K') phi. The element
    normals play no part: reversing the elements changes nothing.

    Parameters
    ----------
{mesh}
    gh : array_like of float64, at least nE values
        gh[j] is phi on element j (any shape, read in the order of ravel()).
    x : array_like of float64, shape (nx, 2)
        The evaluation points.
    n_x : array_like of float64, shape (nx, 2)
        The vector at each point, used as given (the result is linear in it).
{eta}
{threads}

    Returns
    -------
    values : ndarray of float64, shape (nx,)
        values[i] = (K' phi)(x[i]) with n_x[i].

    Notes
    -----
    How eta is used: element j (length L, distance dist from the point) is
    integrated in closed form when L/sqrt(2) > eta dist and with the
    16-point Gauss-Legendre rule otherwise. Note the factor 1/sqrt(2), which
    the other functions do not have, and that a NaN eta sends every pair to
    the rule; eta = 0 gives the closed form for every pair, exact to rounding
    at any distance, angle and scale. A point on an element (its ends
    included) that takes the closed form gets nothing from that element,
    whatever n_x: exact when n_x is perpendicular to the element; at the
    element's ends the integral diverges for any other direction. A point on
    the element's line outside it gets the element's finite contribution. A
    point within 1e-12 element lengths (plus a few rounding units) of an
    element counts as lying on it. A zero-length element adds 0.

{series}

{run}

    Raises
    ------
    ValueError
        x and n_x of different row counts.
{raises}

    Examples
    --------
    phi = 1 on the unit circle: V phi is constant inside, so its derivative
    vanishes there; on the circle K' 1 = -1/2, which the polygon of n
    elements gives up to O(1/n):

    >>> import numpy as np, bem2d
    >>> n = 256; t = 2 * np.pi * np.arange(n) / n
    >>> coordinates = np.column_stack([np.cos(t), np.sin(t)])
    >>> elements = np.column_stack([np.arange(n), (np.arange(n) + 1) % n])
    >>> A, B = coordinates[0], coordinates[1]
    >>> x = np.array([[0.2, 0.1], A + (B - A) / 3])
    >>> n_x = np.array([[1, 0], [B[1] - A[1], A[0] - B[0]] / np.linalg.norm(B - A)])
    >>> np.round(bem2d.tdlfield(coordinates, elements, np.ones(n), x, n_x), 2) + 0.0
    array([ 0. , -0.5])
    """
    return _core.tdlfield(coordinates, elements, gh, x, n_x, eta, threads)


@_documented
def hypfield(coordinates: _MeshOrPoints, elements: _Optional[_ArrayLike], gh: _ArrayLike,
             x: _ArrayLike, n_x: _ArrayLike, eta: _Optional[float] = 0.5, *,
             threads: _Optional[int] = None) -> _np.ndarray:
    """Hypersingular operator of a continuous piecewise-linear function.

    At points x on the boundary, for the function g that is linear on every
    element and takes the value gh[k] at node k::

        (W g)(x) = -d/dn_x int dG/dn_y(x, y) g(y) ds_y

    On every element that does not contain x the integrand is
    -(1/(2 pi)) [(n_x.n_y)/|x-y|^2 - 2 ((x-y).n_y)((x-y).n_x)/|x-y|^4] g(y);
    on the element that contains x it is the Hadamard finite-part integral,
    in closed form. For a harmonic u with Dirichlet data g and Neumann data
    phi: W g = (1/2 - K') phi.

    Parameters
    ----------
{mesh}
    gh : array_like of float64, shape (nC,) or (nC, 1)
        g at every node.
    x : array_like of float64, shape (nx, 2)
        Points on the boundary, each within 1e-12 element lengths of an
        element and away from its nodes.
    n_x : array_like of float64, shape (nx, 2)
        The normal vector at each point, used as given (not normalised) by
        the elements that do not contain the point; the finite-part term of
        the element that contains it does not depend on any normal.
{eta}
{threads}

    Returns
    -------
    values : ndarray of float64, shape (nx,)
        values[i] = (W g)(x[i]); NaN for a point that lies on no element,
        not finite at a node.

    Warns
    -----
    RuntimeWarning
        At most one per call and kind: for points on no element "The
        evaluation point (x1,x2) is not even close to an element! The i-th
        entry of the return vector is set to NaN!", for points at a node
        "The evaluation point (x1,x2) is too close to the end point of an
        element. The i-th value of the return vector is probably wrong!",
        each for the first such point (i counting from 0) and, when there
        are more, with a second line that gives their count.

    Notes
    -----
    How eta is used: an element that does not contain the point (length L,
    distance dist) is integrated in closed form when L > eta dist and with
    the 16-point Gauss-Legendre rule otherwise; a NaN eta sends every such
    element to the rule, eta = 0 to the closed form, exact to rounding at any
    distance, angle and scale. A point lies on an element when it is within
    1e-12 element lengths (plus a few rounding units of its coordinates) of
    it, so points built as A + (B - A)/3 lie on their element at any scale.
    A zero-length element adds 0.

{series}

{run}

    Raises
    ------
    ValueError
        gh of another shape than (nC,) or (nC, 1); x and n_x of different
        row counts.
{raises}

    Examples
    --------
    On the unit circle W maps cos(2 theta) to cos(2 theta); the polygon of n
    elements gives it up to O(1/n):

    >>> import numpy as np, bem2d
    >>> n = 512; t = 2 * np.pi * np.arange(n) / n
    >>> coordinates = np.column_stack([np.cos(t), np.sin(t)])
    >>> elements = np.column_stack([np.arange(n), (np.arange(n) + 1) % n])
    >>> A, B = coordinates[elements[[0, 64], 0]], coordinates[elements[[0, 64], 1]]
    >>> x = A + (B - A) / 3
    >>> n_x = np.column_stack([B[:, 1] - A[:, 1], A[:, 0] - B[:, 0]])
    >>> n_x /= np.linalg.norm(B - A, axis=1)[:, None]
    >>> w = bem2d.hypfield(coordinates, elements, np.cos(2 * t), x, n_x)
    >>> bool(np.abs(w - np.cos(2 * np.arctan2(x[:, 1], x[:, 0]))).max() < 0.01)
    True
    """
    return _core.hypfield(coordinates, elements, gh, x, n_x, eta, threads)


@_documented
def domfield(vertices: _ArrayLike, volumes: _ArrayLike, f: _ArrayLike, x: _ArrayLike, *,
             threads: _Optional[int] = None) -> _np.ndarray:
    """Newton (volume) potential of a piecewise-constant density.

    At the points x, for the density f that is constant on every triangle of
    a triangulated domain Omega::

        S(x) = int_Omega G(x, y) f(y) dy
             = -(1/(2 pi)) sum_T f[T] int_T log|x - y| dy

    so that -Laplace(S) = f in Omega. Together with a boundary element
    solution of the Dirichlet problem for u - S it solves the Poisson problem
    -Laplace(u) = f.

    Parameters
    ----------
    vertices : array_like of float64, shape (nV, 2)
        Vertex k lies at (vertices[k, 0], vertices[k, 1]).
    volumes : array_like of any integer dtype or float64, shape (nT, 3)
        Triangle j has the corners vertices[volumes[j, 0]],
        vertices[volumes[j, 1]] and vertices[volumes[j, 2]] (0-based, float64
        numbers truncated toward zero; either orientation).
    f : array_like of float64, at least nT values
        f[j] is the density on triangle j (any shape, read in the order of
        ravel()).
    x : array_like of float64, shape (nx, 2)
        The evaluation points (anywhere).
{threads}

    Returns
    -------
    values : ndarray of float64, shape (nx,)

    Notes
    -----
    There is no eta: every point is exact to rounding. Within 8 triangle
    radii (the largest distance from the centroid to a corner) each
    triangle's integral is taken in closed form from its three edges, inside
    the triangle, on its edges and at its corners included; farther away by
    the multipole series about its centroid c, terms until
    (R/|x - c|)^(K+1) <= 1e-17. A triangle without area adds 0.

{run}

    Raises
    ------
{raises}

    Examples
    --------
    The unit square in two triangles, f = 1, seen from far away: about
    -(1/(2 pi)) log|x - c| times the area, c the centre:

    >>> import numpy as np, bem2d
    >>> vertices = np.array([[0., 0], [1, 0], [1, 1], [0, 1]])
    >>> volumes = np.array([[0, 1, 2], [0, 2, 3]], dtype=np.uint8)
    >>> S = bem2d.domfield(vertices, volumes, np.ones(2), np.array([[2., 3]]))
    >>> round(float(S[0]), 4)
    -0.1703
    """
    return _core.domfield(vertices, volumes, f, x, threads)


def hmatrix(kind, coordinates, elements=None, tol=1e-10, *, eta=0.5, threads=None,
            progress=False):
    """Compressed Galerkin matrix V, K or W for large meshes.

    Builds the matrix of ``kind`` 'slp' (V of slpmatrix, nE-by-nE), 'dlp' (K of
    dlpmatrix, nE-by-nC) or 'hyp' (W of hypmatrix, nC-by-nC) as a
    hierarchical matrix: blocks of elements (or nodes) far from each other
    are stored as low-rank products compressed to the relative tolerance
    ``tol``, every entry taken exactly from the dense function (its tiles).
    A million elements fit in about 3 GB. The engine is hmat-oss
    (GPL-2.0-or-later), in a build that has it (``bem2d._core.compression_engine``
    names it, None without).

    Parameters
    ----------
    kind : {{'slp', 'dlp', 'hyp'}}
{mesh}
        With a bem2d.Mesh the next positional argument is tol.
    tol : float, default 1e-10
        Relative tolerance of every stored block, 0 < tol < 1. A product
        errs by a small multiple of tol against ``abs(A) @ abs(x)``, row by
        row; the residual of a solve with the exact matrix is within a few
        tol of b for a right-hand side whose entries scale with their
        element's length, as Galerkin loads do.
    eta : float, default 0.5
        The eta of the dense functions, for the entries (exact either way).
{threads}
        Only the build runs on several threads; products and solves on one.
    progress : bool, default False
        Show the progress of long builds and factorisations on the standard
        error stream.

    Returns
    -------
    H : bem2d.HMatrix
        ``H @ x`` (x a vector or a matrix of columns), ``H.T @ y``,
        ``x @ H``, ``H.solve(b)`` (V and W; factorises at the first solve and
        keeps the factor: Cholesky for V on a mesh of diameter below 1 and
        for W, LDL' for V otherwise), ``H.shape``, ``H.dtype``, ``H.nbytes``;
        ``scipy.sparse.linalg.aslinearoperator(H)`` works. W is stored as
        W + m m' (m_p the integral of the hat of node p), positive definite
        on a closed boundary: ``H.solve(b)`` solves W x = b with m'x = 0 when
        b sums to zero. An HMatrix cannot be pickled (build it again).

    Raises
    ------
    ValueError
        A wrong kind or tol, non-finite nodes, no element of positive length,
        dozens of elements on one another; solve of K.
    RuntimeError
        A build without the compressed operators; a failure of the engine.
    KeyboardInterrupt
        Ctrl-C during a build or a factorisation; no matrix is made, and an
        interrupted factorisation leaves H as it was.

    Examples
    --------
    >>> import numpy as np, bem2d
    >>> n = 2000; t = 2 * np.pi * np.arange(n) / n
    >>> coordinates = 0.45 * np.column_stack([np.cos(t), np.sin(t)])
    >>> elements = np.column_stack([np.arange(n), (np.arange(n) + 1) % n])
    >>> V = bem2d.hmatrix('slp', coordinates, elements)
    >>> x = np.cos(t)
    >>> dense = bem2d.slpmatrix(coordinates, elements)
    >>> bool(np.linalg.norm(V @ x - dense @ x) < 1e-9 * np.linalg.norm(dense @ x))
    True
    """
    if isinstance(coordinates, Mesh) and elements is not None:
        tol, elements = elements, None
    return _core.hmatrix(kind, coordinates, elements, tol, eta, threads, bool(progress))


hmatrix.__doc__ = hmatrix.__doc__.format(**_PARTS)


def __getattr__(name):
    # bem2d.dask is imported on first use: Dask takes a while to import; so is
    # bem2d.adaptive, which needs scipy.
    if name in ("dask", "adaptive"):
        import importlib
        return importlib.import_module("." + name, __name__)
    if name in _ADAPTIVE:
        from . import adaptive
        return getattr(adaptive, name)
    raise AttributeError("module 'bem2d' has no attribute %r" % name)
