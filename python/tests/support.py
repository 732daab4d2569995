"""Meshes of the Python tests, and the MEX modules run in octave-cli."""
import os
import subprocess
import tempfile

import numpy as np
import pytest


def circle(n, radius=1.0, dtype=np.int64):
    """Polygon of n counter-clockwise elements with its nodes on a circle."""
    t = 2 * np.pi * np.arange(n) / n
    coordinates = radius * np.column_stack([np.cos(t), np.sin(t)])
    elements = np.column_stack([np.arange(n), (np.arange(n) + 1) % n]).astype(dtype)
    return coordinates, elements


SQUARE = (np.array([[0.0, 0], [1, 0], [1, 1], [0, 1]]), np.array([[0, 1], [1, 2], [2, 3], [3, 0]]))


def on_elements(coordinates, elements, which, s):
    """The points a fraction s along the given elements, and their unit normals."""
    A, B = coordinates[elements[which, 0]], coordinates[elements[which, 1]]
    d = B - A
    return A + s * d, np.column_stack([d[:, 1], -d[:, 0]]) / np.hypot(d[:, 0], d[:, 1])[:, None]


def octave(body, inputs, outputs):
    """Runs `body` in octave-cli with the MEX modules of this build on its
    path and the float64 matrices `inputs` (name -> array) defined; returns
    the matrices named in `outputs` (name -> array, 2-d). Skipped where this
    build has no modules."""
    mex = os.environ.get("BEM2D_MEX_DIR")
    if not mex:
        pytest.skip("no MEX modules in this build (BEM2D_MEX_DIR is not set)")
    with tempfile.TemporaryDirectory() as folder:
        path = lambda name: os.path.join(folder, name)
        lines = ["addpath('%s');" % mex]
        for name, value in inputs.items():
            value = np.atleast_2d(np.asarray(value, dtype=np.float64))
            value.ravel(order="F").tofile(path(name))
            lines.append("fid = fopen('%s'); %s = fread(fid, [%d %d], 'double'); fclose(fid);"
                         % (path(name), name, value.shape[0], value.shape[1]))
        lines.append(body)
        for name in outputs:
            lines.append("fid = fopen('%s', 'w'); fwrite(fid, [size(%s) %s(:)'], 'double');"
                         " fclose(fid);" % (path(name + ".out"), name, name))
        with open(path("run.m"), "w") as f:
            f.write("\n".join(lines) + "\n")
        command = [os.environ.get("BEM2D_OCTAVE_CLI", "octave-cli"), "--no-history",
                   "--no-init-file", "--no-window-system", "--quiet", path("run.m")]
        run = subprocess.run(command, capture_output=True, text=True, timeout=300)
        assert run.returncode == 0, run.stdout + run.stderr
        result = {}
        for name in outputs:
            data = np.fromfile(path(name + ".out"))
            rows, cols = int(data[0]), int(data[1])
            result[name] = data[2:].reshape((rows, cols), order="F")
        return result
