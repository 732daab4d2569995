"""The functions of bem2d over Dask arrays, for work beyond one machine.

The field functions take the points as a Dask array of n rows and 2 columns,
chunked by rows (a numpy array is chunked by Dask's default), and return a
Dask array of n values with the same row chunks: each chunk is one call of
the bem2d function on the worker that holds the points. The matrix functions
return V, K or W as a Dask array of square blocks, each block one call of
bem2d.slpmatrix_tile, bem2d.dlpmatrix_tile or bem2d.hypmatrix_tile; V and W
are exactly symmetric, so only their blocks on and above the diagonal are
computed and those below are their transposes. Nothing is computed until the result is (``compute()``,
``persist()``, or any Dask operation that needs it), and then on the active
Dask client: a ``distributed.Client`` connected to a scheduler, or Dask's
local scheduler without one. The results equal those of the functions of
bem2d bit for bit on machines of the same vector lanes (AVX-512, AVX2 or
scalar; see the README).

The mesh (numpy arrays, or a bem2d.Mesh in place of coordinates and
elements) and the density are checked on the caller's side with the
messages of bem2d before any graph is built; the mesh is prepared once, as a
bem2d.Mesh, and travels to each worker once with the density, as one key of
the graph. Every worker needs the package bem2d.

Each task computes on ``threads`` threads (default 1): Dask already runs one
task per thread of every worker. Give a worker one thread and ``threads``
its cores instead to spread a task over them.
"""

import warnings

import dask
import dask.array as da
import numpy as np
from dask.base import tokenize
from dask.highlevelgraph import HighLevelGraph

import bem2d
from . import _core

__all__ = ["slpfield", "dlpfield", "dlpgradfield", "tdlfield", "hypfield", "domfield",
           "slpmatrix", "dlpmatrix", "hypmatrix"]


class _Shared:
    """What every task of a call reads: the prepared mesh, and the density."""

    def __init__(self, *arrays):
        self.arrays = arrays


def _prepared(coordinates, elements):
    """The mesh as a bem2d.Mesh (checked already by the caller's probe call)."""
    if isinstance(coordinates, bem2d.Mesh):
        return coordinates
    return bem2d.Mesh(coordinates, elements)


def _shared(mesh, *arrays):
    """The mesh and the arrays as one key of the graph, sent once to each worker
    that needs them; named by their contents."""
    contents = (mesh.coordinates, mesh.elements) if isinstance(mesh, bem2d.Mesh) else (mesh,)
    return dask.delayed(_Shared(mesh, *arrays),
                        name="bem2d-mesh-" + tokenize(*contents, *arrays))


def _probe(points):
    """One row of the points' dtype and columns, for bem2d's own checks (and
    anything that is no array as it is, for bem2d to name)."""
    if not isinstance(points, (np.ndarray, da.Array)):
        return points
    shape = (1,) + tuple(points.shape[1:]) if points.ndim else ()
    return np.zeros(shape, dtype=points.dtype)


def _known_chunks(name, argument, points):
    """Refuses points whose row chunks Dask does not know (as after boolean
    indexing): each task numbers its points from the rows before it."""
    if isinstance(points, da.Array) and any(np.isnan(n) for n in points.chunks[0]):
        raise ValueError("%s: the row chunks of %s have unknown sizes (NaN); "
                         "%s.compute_chunk_sizes() finds them." % (name, argument, argument))


def _by_rows(points, chunks="auto"):
    """Checked points as a Dask array chunked by rows only."""
    if not isinstance(points, da.Array):
        points = da.from_array(np.asarray(points), chunks=chunks)
    if points.numblocks[1] > 1:
        points = points.rechunk({1: -1})
    return points


def _same_rows(check, x, n_x):
    """x and n_x of equal row counts, or bem2d's error for them: the check
    runs on zero-stride views of the real row counts, which cost no memory
    and are refused before anything is computed."""
    if x.shape[0] != n_x.shape[0]:
        row = np.zeros(2)
        check(np.broadcast_to(row, (x.shape[0], 2)), np.broadcast_to(row, (n_x.shape[0], 2)))


def _field(function, name, shared, points, *options, columns=None):
    """A Dask array of one value (or a row of `columns` values) per row of
    points[0]: block i is function(*shared, points[0] block i, ..., row
    offset, *options)."""
    mesh = _shared(*shared)
    first = points[0]
    out = "bem2d-%s-%s" % (name, tokenize(mesh.key, *[p.name for p in points], *options))
    offsets = np.concatenate([[0], np.cumsum(first.chunks[0])])
    block = (lambda i: (out, i)) if columns is None else (lambda i: (out, i, 0))
    layer = {block(i): (_run_field, function, mesh.key, [(p.name, i, 0) for p in points],
                        int(offsets[i]), list(options))
             for i in range(first.numblocks[0])}
    graph = HighLevelGraph.from_collections(out, layer, dependencies=[mesh, *points])
    chunks = (first.chunks[0],) if columns is None else (first.chunks[0], (columns,))
    return da.Array(graph, out, chunks=chunks, dtype=np.float64)


def _run_field(function, mesh, points, first, options):
    return function(*mesh.arrays, *points, first, *options)


# The tasks: the extension's functions with the row offset of their chunk,
# which only the warnings use.
def _slpfield_chunk(mesh, chi, z, first, eta, threads):
    return _core.slpfield(mesh, None, chi, z, eta, threads)


def _dlpfield_chunk(mesh, gh, x, first, eta, threads):
    return _core.dlpfield(mesh, None, gh, x, eta, threads)


def _dlpgradfield_chunk(mesh, gh, x, first, eta, threads):
    return _core.dlpgradfield(mesh, None, gh, x, eta, threads, first)


def _tdlfield_chunk(mesh, gh, x, n_x, first, eta, threads):
    return _core.tdlfield(mesh, None, gh, x, n_x, eta, threads)


def _hypfield_chunk(mesh, gh, x, n_x, first, eta, threads):
    return _core.hypfield(mesh, None, gh, x, n_x, eta, threads, first)


def _domfield_chunk(vertices, volumes, f, x, first, threads):
    return _core.domfield(vertices, volumes, f, x, threads)


@bem2d._mesh_first
def slpfield(coordinates, elements, chi, z, eta=0.5, *, threads=1):
    """bem2d.slpfield with the points z as a Dask array chunked by rows.

    Returns a Dask array of len(z) values in the row chunks of z. The other
    arguments are those of bem2d.slpfield (numpy arrays); ``threads`` is per
    task (default 1).
    """
    _known_chunks("slpfield", "z", z)
    bem2d.slpfield(coordinates, elements, chi, _probe(z), eta, threads=threads)
    z = _by_rows(z)
    return _field(_slpfield_chunk, "slpfield", (_prepared(coordinates, elements), chi), [z], eta, threads)


@bem2d._mesh_first
def dlpfield(coordinates, elements, gh, x, eta=0.5, *, threads=1):
    """bem2d.dlpfield with the points x as a Dask array chunked by rows.

    Returns a Dask array of len(x) values in the row chunks of x; ``threads``
    is per task (default 1).
    """
    _known_chunks("dlpfield", "x", x)
    bem2d.dlpfield(coordinates, elements, gh, _probe(x), eta, threads=threads)
    x = _by_rows(x)
    return _field(_dlpfield_chunk, "dlpfield", (_prepared(coordinates, elements), gh), [x], eta, threads)


@bem2d._mesh_first
def dlpgradfield(coordinates, elements, gh, x, eta=0.5, *, threads=1):
    """bem2d.dlpgradfield with the points x as a Dask array chunked by rows.

    Returns a Dask array of shape (len(x), 2) in the row chunks of x;
    ``threads`` is per task (default 1). The warnings of points on the
    boundary are issued where the chunk is computed, numbered by the point's
    row in x.
    """
    _known_chunks("dlpgradfield", "x", x)
    with warnings.catch_warnings():
        # The probe point (0, 0) may lie on an element.
        warnings.simplefilter("ignore", RuntimeWarning)
        bem2d.dlpgradfield(coordinates, elements, gh, _probe(x), eta, threads=threads)
    x = _by_rows(x)
    return _field(_dlpgradfield_chunk, "dlpgradfield", (_prepared(coordinates, elements), gh), [x], eta,
                  threads, columns=2)


@bem2d._mesh_first
def tdlfield(coordinates, elements, gh, x, n_x, eta=0.5, *, threads=1):
    """bem2d.tdlfield with the points x and the vectors n_x as Dask arrays.

    n_x is rechunked to the row chunks of x. Returns a Dask array of len(x)
    values in the row chunks of x; ``threads`` is per task (default 1).
    """
    _known_chunks("tdlfield", "x", x)
    _known_chunks("tdlfield", "n_x", n_x)
    bem2d.tdlfield(coordinates, elements, gh, _probe(x), _probe(n_x), eta, threads=threads)
    _same_rows(lambda a, b: bem2d.tdlfield(coordinates, elements, gh, a, b, eta), x, n_x)
    x = _by_rows(x)
    n_x = _by_rows(n_x, x.chunks).rechunk(x.chunks)
    return _field(_tdlfield_chunk, "tdlfield", (_prepared(coordinates, elements), gh), [x, n_x], eta,
                  threads)


@bem2d._mesh_first
def hypfield(coordinates, elements, gh, x, n_x, eta=0.5, *, threads=1):
    """bem2d.hypfield with the points x and the normals n_x as Dask arrays.

    n_x is rechunked to the row chunks of x. Returns a Dask array of len(x)
    values in the row chunks of x; ``threads`` is per task (default 1). The
    warnings of points on no element or at a node are issued where the chunk
    is computed (on a worker: in its log), numbered by the point's row in x;
    such points are NaN or not finite in the result.
    """
    _known_chunks("hypfield", "x", x)
    _known_chunks("hypfield", "n_x", n_x)
    with warnings.catch_warnings():
        # The probe point (0, 0) may lie on no element.
        warnings.simplefilter("ignore", RuntimeWarning)
        bem2d.hypfield(coordinates, elements, gh, _probe(x), _probe(n_x), eta, threads=threads)
    _same_rows(lambda a, b: bem2d.hypfield(coordinates, elements, gh, a, b, eta), x, n_x)
    x = _by_rows(x)
    n_x = _by_rows(n_x, x.chunks).rechunk(x.chunks)
    return _field(_hypfield_chunk, "hypfield", (_prepared(coordinates, elements), gh), [x, n_x], eta,
                  threads)


def domfield(vertices, volumes, f, x, *, threads=1):
    """bem2d.domfield with the points x as a Dask array chunked by rows.

    Returns a Dask array of len(x) values in the row chunks of x; ``threads``
    is per task (default 1).
    """
    _known_chunks("domfield", "x", x)
    bem2d.domfield(vertices, volumes, f, _probe(x), threads=threads)
    x = _by_rows(x)
    return _field(_domfield_chunk, "domfield", (vertices, volumes, f), [x], threads)


# The default blocks of the matrices. Dask spends about a millisecond on every
# task besides moving its result (python/bench/dask_scaling.py: 0.7 ms per
# task at blocks of 50, 1.2 ms at 100), so a task should compute for 100 ms
# or more to keep that below 1%: a block of b x b entries at the measured
# cost per entry on one thread (a tile of 2000 x 2000 of a mesh of 8000
# elements, on the shared machine of the README's figures), rounded down to a
# multiple of 256 and at most 4096 (128 MB, Dask's own default size of a
# chunk).
_TASK_SECONDS = 0.1
_ENTRY_SECONDS = {"slpmatrix": 10e-9, "dlpmatrix": 18e-9, "hypmatrix": 25e-9}


def _default_block(name):
    side = int((_TASK_SECONDS / _ENTRY_SECONDS[name]) ** 0.5)
    return max(256, min(4096, side // 256 * 256))


def _matrix(tile, name, mesh, shape, block, eta, threads, symmetric):
    """The matrix of tiles block x block; of a symmetric one the blocks on and
    above the diagonal are tile calls, those below their transposes. An empty
    matrix is one empty block."""
    if block is None:
        block = _default_block(name)
    if isinstance(block, bool) or not isinstance(block, (int, np.integer)) or block < 1:
        raise ValueError("%s: block must be a positive integer (block=%r)." % (name, block))
    mesh = _shared(mesh)
    out = "bem2d-%s-%s" % (name, tokenize(mesh.key, shape, block, eta, threads))
    rows, cols = (list(range(0, n, block)) + [n] if n > 0 else [0, 0] for n in shape)
    layer = {}
    for i in range(len(rows) - 1):
        for j in range(len(cols) - 1):
            if symmetric and i > j:
                layer[(out, i, j)] = (np.transpose, (out, j, i))
            else:
                layer[(out, i, j)] = (_run_tile, tile, mesh.key, rows[i], rows[i + 1], cols[j],
                                      cols[j + 1], eta, threads)
    chunks = tuple(tuple(np.diff(bounds).tolist()) for bounds in (rows, cols))
    graph = HighLevelGraph.from_collections(out, layer, dependencies=[mesh])
    return da.Array(graph, out, chunks=chunks, dtype=np.float64)


def _run_tile(tile, shared, r0, r1, c0, c1, eta, threads):
    rows = np.arange(r0, r1, dtype=np.int64)
    cols = np.arange(c0, c1, dtype=np.int64)
    return tile(shared.arrays[0], rows, cols, eta, threads)


# The tile tasks (Python functions: the extension's own do not pickle).
def _slpmatrix_tile(mesh, rows, cols, eta, threads):
    return _core.slpmatrix_tile(mesh, None, rows, cols, eta, threads)


def _dlpmatrix_tile(mesh, rows, cols, eta, threads):
    return _core.dlpmatrix_tile(mesh, None, rows, cols, eta, threads)


def _hypmatrix_tile(mesh, rows, cols, eta, threads):
    return _core.hypmatrix_tile(mesh, None, rows, cols, eta, threads)


@bem2d._mesh_first
def slpmatrix(coordinates, elements, eta=0.5, *, block=None, threads=1):
    """V of bem2d.slpmatrix as a Dask array of block-by-block tiles.

    Each block on or above the diagonal is one bem2d.slpmatrix_tile call
    (``threads`` threads, default 1); the blocks below are their transposes.
    ``block`` defaults to 3072 (about 100 ms of one thread per block).
    """
    bem2d.slpmatrix_tile(coordinates, elements, [], [], eta, threads=threads)
    mesh = _prepared(coordinates, elements)
    n = mesh.element_count
    return _matrix(_slpmatrix_tile, "slpmatrix", mesh, (n, n), block, eta, threads, True)


@bem2d._mesh_first
def dlpmatrix(coordinates, elements, eta=0.5, *, block=None, threads=1):
    """K of bem2d.dlpmatrix as a Dask array of block-by-block tiles.

    Each block is one bem2d.dlpmatrix_tile call (``threads`` threads,
    default 1). ``block`` defaults to 2304 (about 100 ms of one thread per
    block).
    """
    bem2d.dlpmatrix_tile(coordinates, elements, [], [], eta, threads=threads)
    mesh = _prepared(coordinates, elements)
    return _matrix(_dlpmatrix_tile, "dlpmatrix", mesh, (mesh.element_count, mesh.node_count),
                   block, eta, threads, False)


@bem2d._mesh_first
def hypmatrix(coordinates, elements, eta=0.5, *, block=None, threads=1):
    """W of bem2d.hypmatrix as a Dask array of block-by-block tiles.

    Each block on or above the diagonal is one bem2d.hypmatrix_tile call
    (``threads`` threads, default 1); the blocks below are their transposes.
    ``block`` defaults to 1792 (about 100 ms of one thread per block).
    """
    bem2d.hypmatrix_tile(coordinates, elements, [], [], eta, threads=threads)
    mesh = _prepared(coordinates, elements)
    n = mesh.node_count
    return _matrix(_hypmatrix_tile, "hypmatrix", mesh, (n, n), block, eta, threads, True)
