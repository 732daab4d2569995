"""The modules against what is known independently of them: closed forms,
the identities of the operators, the whole matrix for its tiles, and their
own results for other layouts of the same numbers and other thread counts."""
import doctest
import math
import warnings

import numpy as np
import pytest
from scipy import integrate

import bem2d
from support import SQUARE, circle, on_elements

TWO_PI = 2 * math.pi
c4, e4 = SQUARE


def newton_potential_of_unit_square(x):
    """-(1/(2 pi)) int over the unit square of log|x - y| dy, by adaptive quadrature."""
    value, _ = integrate.dblquad(lambda s, t: math.log(math.hypot(x[0] - t, x[1] - s)), 0, 1, 0, 1,
                                 epsabs=1e-13, epsrel=1e-12)
    return -value / TWO_PI


# (what, computed, exact, tolerance): rounding level where the exact value is
# a closed form, the quadrature's own tolerance for the Newton potential.
CLOSED_FORMS = [
    ("V of an element with itself", lambda: bem2d.slpmatrix(c4, e4)[0, 0], 1.5 / TWO_PI, 1e-15),
    ("V of sides at a right angle", lambda: bem2d.slpmatrix(c4, e4)[0, 1],
     -(math.log(2) - 3 + math.pi / 2) / (2 * TWO_PI), 1e-15),
    ("V of parallel sides", lambda: bem2d.slpmatrix(c4, e4, 0)[0, 2], -(math.pi / 2 - 1.5) / TWO_PI,
     1e-15),
    ("single layer of one element",
     lambda: bem2d.slpfield(c4, e4[:1], np.ones(1), np.array([[0.3, 0.4]]))[0],
     -sum(s * (u * math.log(u * u + 0.16) - 2 * u + 0.8 * math.atan(u / 0.4))
          for u, s in ((0.7, 1), (-0.3, -1))) / (2 * TWO_PI), 1e-15),
    ("its derivative across the element",
     lambda: bem2d.tdlfield(c4, e4[:1], np.ones(1), np.array([[0.3, 0.4]]), np.array([[0, 1.0]]))[0],
     -(math.atan(0.7 / 0.4) + math.atan(0.3 / 0.4)) / TWO_PI, 1e-15),
    ("finite part of g from 1 to 3 a quarter along",
     lambda: bem2d.hypfield(c4[:2], e4[:1], np.array([1.0, 3]), np.array([[0.25, 0]]),
                            np.array([[0, -1.0]]))[0],
     -(1.5 * (-4 - 4 / 3) + 2 * math.log(3)) / TWO_PI, 1e-15),
    ("Newton potential of the unit square",
     lambda: bem2d.domfield(c4, np.array([[0, 1, 2], [0, 2, 3]], np.int16), np.ones(2),
                            np.array([[2.0, 3]]))[0], newton_potential_of_unit_square((2, 3)), 1e-12),
]


@pytest.mark.parametrize("what, computed, exact, tolerance", CLOSED_FORMS,
                         ids=[case[0] for case in CLOSED_FORMS])
def test_closed_forms(what, computed, exact, tolerance):
    assert abs(computed() - exact) <= tolerance * max(1, abs(exact))


def test_identities_of_the_operators():
    c, e = circle(96, 0.45)
    # The double layer of 1 on a counter-clockwise boundary: -1 inside, 0
    # outside, -1/2 on an element; for the square at the same places.
    for cc, ee, inside, outside in ((c, e, [0.1, -0.2], [0.5, 0.3]), (c4, e4, [0.3, 0.6], [2, 2])):
        on, _ = on_elements(cc, ee, np.arange(len(ee)), 0.37)
        x = np.vstack([inside, outside, on])
        expected = np.r_[-1, 0, np.full(len(ee), -0.5)]
        np.testing.assert_allclose(bem2d.dlpfield(cc, ee, np.ones(len(cc)), x), expected,
                                   rtol=0, atol=1e-14)
    # Its gradient vanishes off the boundary, and K's rows sum to -|E_i|/2.
    x = np.array([[0.1, -0.2], [0.44, 0], [0.5, 0.3], [-3, 1]])
    assert np.abs(bem2d.dlpgradfield(c, e, np.ones(96), x)).max() < 1e-12
    L = np.linalg.norm(c[e[:, 1]] - c[e[:, 0]], axis=1)
    assert np.abs(bem2d.dlpmatrix(c, e).sum(axis=1) + L / 2).max() < 1e-15
    V, W = bem2d.slpmatrix(c, e), bem2d.hypmatrix(c, e)
    assert (V == V.T).all() and (W == W.T).all()
    assert np.abs(W.sum(axis=1)).max() < 1e-13              # the constants are W's kernel
    assert np.linalg.eigvalsh(V).min() > 0                 # diameter below 1: V positive definite
    # K' 1 along an outward normal on the boundary: -1/2, up to O(1/n) from the polygon.
    x, n_x = on_elements(c, e, np.arange(0, 96, 5), 0.5)
    assert np.abs(bem2d.tdlfield(c, e, np.ones(96), x, n_x) + 0.5).max() < 0.02


def test_tiles_equal_the_whole_matrix_bit_for_bit():
    c, e = circle(57, 0.4, np.int16)
    c = c * (1 + 0.1 * np.sin(3 * np.arange(57)))[:, None]
    whole = {bem2d.slpmatrix_tile: bem2d.slpmatrix(c, e), bem2d.dlpmatrix_tile: bem2d.dlpmatrix(c, e),
             bem2d.hypmatrix_tile: bem2d.hypmatrix(c, e)}
    index_sets = [range(19, 32), [56, 3, 17, 3, 0, 28], np.array([28], np.uint8), slice(None, None, 7),
                  np.arange(57)[::-3], []]
    for tile, matrix in whole.items():
        for rows in index_sets:
            for cols in index_sets:
                r = np.arange(57)[rows] if isinstance(rows, slice) else np.asarray(rows, dtype=int)
                k = np.arange(57)[cols] if isinstance(cols, slice) else np.asarray(cols, dtype=int)
                np.testing.assert_array_equal(tile(c, e, rows, cols), matrix[np.ix_(r, k)])


def test_layouts_dtypes_and_threads_change_no_bit():
    c, e = circle(40, 0.4)
    rng = np.random.default_rng(3)
    x, q, g = rng.uniform(-0.6, 0.6, (25, 2)), rng.normal(size=(25, 2)), np.cos(np.arange(40.0))
    xb, nb = on_elements(c, e, np.arange(0, 40, 3), 0.4)
    tri = np.array([[0, 1, 2], [1, 3, 4], [2, 5, 6]])

    def results(c, e, tri, x, q, threads):
        return [bem2d.slpmatrix(c, e, threads=threads), bem2d.hypmatrix(c, e, threads=threads),
                bem2d.dlpmatrix(c, e, threads=threads),
                bem2d.dlpgradfield(c, e, g, x, threads=threads),
                bem2d.slpfield(c, e, g, x, threads=threads),
                bem2d.dlpfield(c, e, g, x, threads=threads),
                bem2d.tdlfield(c, e, g, x, q, threads=threads),
                bem2d.hypfield(c, e, g, xb, nb, threads=threads),
                bem2d.domfield(c, tri, g, x, threads=threads)]

    def strided(a):                       # every other row and column of a larger array
        big = np.zeros((2 * a.shape[0], 2 * a.shape[1]), a.dtype)
        big[::2, ::2] = a
        return big[::2, ::2]

    reference = results(c, e, tri, x, q, None)
    # Every dtype of node numbers in every layout (the node numbers of the
    # elements and the triangles, and the points, in the same one), each read
    # at its own strides, on 1 to 3 threads.
    layouts = {"C": np.ascontiguousarray, "Fortran": np.asfortranarray, "strided": strided,
               "reversed": lambda a: a[::-1].copy()[::-1]}
    dtypes = [np.float64, np.int8, np.uint8, np.int16, np.uint16, np.int32, np.uint32, np.int64,
              np.uint64]
    variants = {}
    for t in dtypes:
        for name, lay in layouts.items():
            variants[t.__name__, name] = (lay(c), lay(e.astype(t)), lay(tri.astype(t)), lay(x),
                                          lay(q), 1 + len(variants) % 3)
    # Fractions, truncated toward zero; array-likes: lists of the same numbers
    # (read as float64 and int64 copies).
    variants["fractions"] = (c, e + 0.5, tri + 0.5, x, q, 3)
    variants["lists"] = (c.tolist(), e.tolist(), tri.tolist(), x.tolist(), q.tolist(), 2)
    for what, variant in variants.items():
        for got, expected in zip(results(*variant), reference):
            np.testing.assert_array_equal(got, expected, err_msg=str(what))


def test_warnings_of_points_off_or_on_the_boundary():
    # One RuntimeWarning per call and kind: the first point (0-based) and,
    # when there are more, their count.
    x = np.array([[0.5, 0], [3, 3], [1, 0], [4, 4]])
    off = ("The evaluation point (%s) is not even close to an element! The %d-th entry of the"
           " return vector is set to NaN!")
    near = ("The evaluation point (%s) is too close to the end point of an element. The %d-th value"
            " of the return vector is probably wrong!")
    on = "The evaluation point (%s) lies on the boundary! The %d-th row of the return matrix is set to NaN!"
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        w = bem2d.hypfield(c4, e4, np.ones(4), x, np.ones((4, 2)))
        G = bem2d.dlpgradfield(c4, e4, np.ones(4), x[2::-1])
        bem2d.dlpgradfield(c4, e4, np.ones(4), x[:1])
    assert np.isnan(w[[1, 3]]).all() and not np.isnan(w[0])
    assert np.isnan(G[[0, 2]]).all() and not np.isnan(G[1]).any()
    assert [(str(m.message), m.category, m.filename) for m in caught] == [
        (off % ("3,3", 1) + "\n2 evaluation points in all are not even close to an element; their"
         " entries are NaN.", RuntimeWarning, __file__),
        (near % ("1,0", 2), RuntimeWarning, __file__),
        (on % ("1,0", 0) + "\n2 evaluation points in all lie on the boundary; their rows are NaN.",
         RuntimeWarning, __file__),
        (on % ("0.5,0", 0), RuntimeWarning, __file__)]


def test_the_examples_of_the_docstrings():
    # The compressed matrices' examples need a build that has them.
    built = bem2d._core.compression_engine is not None
    runner = doctest.DocTestRunner()
    for test in doctest.DocTestFinder().find(bem2d):
        if built or "hmatrix" not in test.name.lower():
            runner.run(test)
    failed, attempted = runner.summarize(verbose=False)
    assert failed == 0 and attempted > 0
