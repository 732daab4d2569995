"""bem2d.dask on a LocalCluster of two worker processes: every function gives
the bits of its single-machine twin, whatever the chunks, and refuses bad
input before it builds a graph."""
import warnings

import dask
import dask.array as da
import numpy as np
import pytest
from distributed import Client, LocalCluster

import bem2d
import bem2d.dask as bd
from support import circle, on_elements


@pytest.fixture(scope="module")
def client():
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as c:
        yield c


def test_results_equal_the_local_ones_bit_for_bit(client):
    c, e = circle(203, 0.45, np.uint16)
    rng = np.random.default_rng(5)
    x, q = rng.uniform(-0.7, 0.7, (3001, 2)), rng.normal(size=(3001, 2))
    xb, nb = on_elements(c, e, np.arange(0, 203, 2), 0.3)
    g = np.sin(np.arange(203.0))
    tri = np.array([[0, 50, 100], [100, 150, 0]])
    points = da.from_array(x, chunks=(457, 1))              # rows and columns split
    cases = [
        (bd.slpfield(c, e, g, points, 0.3), bem2d.slpfield(c, e, g, x, 0.3)),
        (bd.dlpfield(c, e, g, points), bem2d.dlpfield(c, e, g, x)),
        (bd.dlpgradfield(c, e, g, points, 0), bem2d.dlpgradfield(c, e, g, x, 0)),
        (bd.tdlfield(c, e, g, points, q), bem2d.tdlfield(c, e, g, x, q)),
        (bd.hypfield(c, e, g, da.from_array(xb, chunks=17), nb), bem2d.hypfield(c, e, g, xb, nb)),
        (bd.domfield(c, tri, g, x), bem2d.domfield(c, tri, g, x)),
        (bd.slpmatrix(c, e, block=64), bem2d.slpmatrix(c, e)),
        (bd.dlpmatrix(c, e, block=70), bem2d.dlpmatrix(c, e)),
        (bd.hypmatrix(c, e, 0.2, block=50, threads=2), bem2d.hypmatrix(c, e, 0.2)),
    ]
    computed = client.compute([d for d, _ in cases], sync=True)
    for value, (lazy, local) in zip(computed, cases):
        assert lazy.shape == local.shape
        np.testing.assert_array_equal(value, local)
    assert cases[0][0].chunks == (points.chunks[0],)
    # An empty mesh is one empty block, as bem2d gives an empty matrix.
    empty = bd.slpmatrix(np.zeros((0, 2)), np.zeros((0, 2), np.int64))
    assert empty.shape == (0, 0) and client.compute(empty, sync=True).shape == (0, 0)
    assert len(client.scheduler_info()["workers"]) == 2


def test_warnings_number_a_point_by_its_row_in_x():
    # One point of a later chunk on no element (hypfield) and on an element
    # (dlpgradfield): the warning of its chunk names its row in x, counted
    # from 0 as bem2d counts them, not its row in the chunk. The chunks run
    # here (the synchronous scheduler), where the warnings can be caught.
    c, e = circle(8)
    xb, nb = on_elements(c, e, np.arange(8), 0.5)
    x = np.vstack([xb, xb[:4]])
    x[7] = [3, 3]
    inside = np.full((12, 2), 0.1)
    inside[11] = c[2]
    g = np.ones(8)
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        dask.compute(bd.hypfield(c, e, g, da.from_array(x, chunks=5), np.vstack([nb, nb[:4]])),
                     bd.dlpgradfield(c, e, g, da.from_array(inside, chunks=5)),
                     scheduler="synchronous")
    assert sorted(str(w.message) for w in caught if w.category is RuntimeWarning) == sorted([
        "The evaluation point (3,3) is not even close to an element! The 7-th entry of the return"
        " vector is set to NaN!",
        "The evaluation point (%g,%g) lies on the boundary! The 11-th row of the return matrix is"
        " set to NaN!" % tuple(c[2])])


def test_bad_input_is_refused_before_a_graph_is_built():
    c, e = circle(8)
    x = da.zeros((10, 2), chunks=5)
    for call, exception, message in [
        (lambda: bd.slpfield(c, e + 1, np.ones(8), x), ValueError, "elements[7, 0] = 8 is not"),
        (lambda: bd.dlpfield(c, e, np.ones(8), x.astype(np.complex128)), TypeError, "x must be"),
        (lambda: bd.tdlfield(c, e, np.ones(8), x, np.zeros((9, 2))), ValueError,
         "The number of evaluation points (10)\nmust correspond to the number of normal vectors (9)"),
        (lambda: bd.hypfield(c, e, np.ones(7), x, x), ValueError, "gh must have shape"),
        (lambda: bd.slpmatrix(c, e, -1), ValueError, "ETA is less than zero"),
        (lambda: bd.hypmatrix(c, e, block=0), ValueError, "block must be a positive integer"),
        (lambda: bd.slpfield(c, e, np.ones(8), x[x[:, 0] > 0]), ValueError,
         "slpfield: the row chunks of z have unknown sizes (NaN); z.compute_chunk_sizes() finds them."),
        (lambda: bd.dlpmatrix(c, e, threads=10**30), ValueError, "threads must be from 1 to 1024"),
    ]:
        with pytest.raises(exception) as raised:
            call()
        assert message in str(raised.value)
