"""bem2d.hmatrix: products and solves against the dense matrices, both hosts
on the same inputs, a LinearOperator in scipy's solvers, the GIL released
while it builds, and bad input."""
import pickle
import threading

import numpy as np
import pytest
import scipy.sparse.linalg as sla

import bem2d
from support import circle, octave

BUILT = bem2d._core.compression_engine is not None
TOL = 1e-10


def mesh():
    c, e = circle(1200, 0.45)
    c = c * (1 + 0.05 * np.sin(5 * np.arange(1200)))[:, None]
    return c, e


@pytest.mark.skipif(BUILT, reason="this build has the compressed operators")
def test_a_build_without_the_engine_says_so():
    with pytest.raises(RuntimeError, match="no compressed operators"):
        bem2d.hmatrix("slp", *mesh())


@pytest.mark.skipif(not BUILT, reason="this build has no compressed operators")
def test_products_solves_and_linear_operator():
    c, e = mesh()
    m = bem2d.Mesh(c, e)
    X = np.column_stack([np.cos(np.arange(1200)), np.sin(3 * np.arange(1200))])
    for kind, dense in (("slp", bem2d.slpmatrix), ("dlp", bem2d.dlpmatrix),
                        ("hyp", bem2d.hypmatrix)):
        H, D = bem2d.hmatrix(kind, m, TOL), dense(c, e)
        assert H.shape == D.shape and H.dtype == np.float64 and H.nbytes < D.nbytes / 2
        # Every block to the relative tolerance: products within 10 tol.
        for got, want in ((H @ X, D @ X), (H.T @ X, D.T @ X), (X.T @ H, X.T @ D),
                          (H @ X[:, 0], D @ X[:, 0])):
            assert np.linalg.norm(got - want) <= 10 * TOL * np.linalg.norm(want), kind
    # V in scipy's gmres (as a LinearOperator) and by its own solve: residuals
    # with the dense V within a few tol of a Galerkin load.
    V, D = bem2d.hmatrix("slp", c, e), bem2d.slpmatrix(c, e)
    L = np.hypot(*(c[e[:, 1]] - c[e[:, 0]]).T)
    b = L * np.cos(np.arange(1200))
    x, info = sla.cg(sla.aslinearoperator(V), b, tol=1e-12, atol=0, maxiter=2000)
    assert info == 0 and np.linalg.norm(D @ x - b) <= 10 * TOL * np.linalg.norm(b)
    x = V.solve(b)
    assert np.linalg.norm(D @ x - b) <= 10 * TOL * np.linalg.norm(b)


@pytest.mark.skipif(not BUILT, reason="this build has no compressed operators")
def test_both_hosts_and_any_threads_give_the_same_bits():
    c, e = mesh()
    x = np.cos(np.arange(1200.0))[:, None]
    python = {k: bem2d.hmatrix(k, c, e, 1e-8, threads=t) @ x
              for k, t in (("slp", 1), ("dlp", 2), ("hyp", None))}
    again = {k: bem2d.hmatrix(k, c, e, 1e-8, threads=t) @ x
             for k, t in (("slp", 2), ("dlp", 1), ("hyp", 1))}
    mex = octave("e = e + 1; V = hmatrix('slp', c, e, 1e-8) * x; K = hmatrix('dlp', c, e, 1e-8) * x;"
                 " W = hmatrix('hyp', c, e, 1e-8) * x;", dict(c=c, e=e, x=x),
                 {"V": 0, "K": 0, "W": 0})
    for kind, name in (("slp", "V"), ("dlp", "K"), ("hyp", "W")):
        np.testing.assert_array_equal(python[kind], again[kind], err_msg=kind)
        np.testing.assert_array_equal(python[kind], mex[name], err_msg=kind)


@pytest.mark.skipif(not BUILT, reason="this build has no compressed operators")
def test_the_gil_is_released_while_it_builds():
    c, e = circle(40000, 0.45)
    ticks = []
    done = threading.Event()

    def count():
        while not done.is_set():
            ticks.append(1)
            done.wait(0.001)

    counter = threading.Thread(target=count)
    counter.start()
    before = len(ticks)
    bem2d.hmatrix("slp", c, e, threads=1)
    during = len(ticks) - before
    done.set()
    counter.join()
    assert during > 10


@pytest.mark.skipif(not BUILT, reason="this build has no compressed operators")
def test_bad_input():
    c, e = mesh()
    for args, kwargs, error, text in (
            (("xyz", c, e), {}, ValueError, "kind must be"),
            (("slp", c, e, 0.0), {}, ValueError, "tol must lie"),
            (("slp", c, e, 1.5), {}, ValueError, "tol must lie"),
            (("slp", c, e, "small"), {}, TypeError, "tol must be a number"),
            (("slp", c, np.array([[0, 1200]])), {}, ValueError, "not a row number"),
            (("hyp", np.zeros((3, 2)), np.array([[0, 1], [1, 2]])), {}, ValueError,
             "No element has a positive length"),
            (("slp", np.vstack([c[:-1], [np.inf, 0]]), e), {}, ValueError, "finite")):
        with pytest.raises(error, match=text):
            bem2d.hmatrix(*args, **kwargs)
    K = bem2d.hmatrix("dlp", c, e)
    with pytest.raises(ValueError, match="no solve"):
        K.solve(np.ones(1200))
    with pytest.raises(ValueError, match="1200 rows"):
        K @ np.ones(5)
    with pytest.raises(TypeError, match="cannot be pickled"):
        pickle.dumps(K)
