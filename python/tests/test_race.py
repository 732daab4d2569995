"""Another Python thread writes into the caller's node numbers while calls
run with the GIL released: every call reads the numbers once, as it checks
them, into a copy of its own, so each either refuses the number it read or
computes the mesh as it was, never anything else (and never crashes)."""
import threading

import numpy as np

import bem2d
from support import circle


def test_writes_into_node_numbers_during_calls_change_no_result():
    c, e = circle(300, 0.45)
    x = np.array([[0.1, 0.2], [0.3, -0.1]])
    xb = (c[e[:, 0]] + c[e[:, 1]]) / 2
    nb = xb / np.linalg.norm(xb, axis=1)[:, None]
    g = np.cos(np.arange(300.0))
    shared_tri = np.array([[0, 1, 2], [0, 2, 3]])
    rows = np.arange(40)
    calls = {
        "slpmatrix": lambda e, r: bem2d.slpmatrix(c, e), "dlpmatrix": lambda e, r: bem2d.dlpmatrix(c, e),
        "hypmatrix": lambda e, r: bem2d.hypmatrix(c, e),
        "slpfield": lambda e, r: bem2d.slpfield(c, e, g, x), "dlpfield": lambda e, r: bem2d.dlpfield(c, e, g, x),
        "dlpgradfield": lambda e, r: bem2d.dlpgradfield(c, e, g, x),
        "tdlfield": lambda e, r: bem2d.tdlfield(c, e, g, x, x), "hypfield": lambda e, r: bem2d.hypfield(c, e, g, xb, nb),
        "domfield": lambda e, r: bem2d.domfield(c, shared_tri, g, x),
        "Mesh": lambda e, r: bem2d.slpfield(bem2d.Mesh(c, e), g, x),
        "slpmatrix_tile": lambda e, r: bem2d.slpmatrix_tile(c, e, r, r),
        "hypmatrix_tile": lambda e, r: bem2d.hypmatrix_tile(c, e, r, r),
    }
    reference = {name: call(e, rows) for name, call in calls.items()}
    shared_e, shared_rows, stop = e.copy(), rows.copy(), threading.Event()

    def writer():                      # 10**12 names no node, nor an element
        while not stop.is_set():
            for v in (10**12, 1):
                shared_e[0, 1] = v
                shared_rows[3] = shared_tri[1, 2] = 10**12 if v != 1 else 3
    thread = threading.Thread(target=writer, daemon=True)
    thread.start()
    refused = 0
    try:
        for _ in range(6):
            for name, call in calls.items():
                try:
                    result = call(shared_e, shared_rows)
                except ValueError as error:
                    assert "1000000000000 is not" in str(error), (name, str(error))
                    refused += 1
                    continue
                np.testing.assert_array_equal(result, reference[name], err_msg=name)
    finally:
        stop.set()
        thread.join()
    assert refused > 0            # the writer did reach the calls
