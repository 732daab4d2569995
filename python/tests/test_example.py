"""examples/lshape_dirichlet.py prints part 1 of the Octave demo's tables
(the Dirichlet problem) line for line, and draws its PNG."""
import os
import re
import subprocess
import sys

import pytest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


def dirichlet_tables(output):
    return re.search(r"^1\. Dirichlet.*?drops to about 4/3\)$", output, re.S | re.M).group(0)


def test_the_python_example_prints_the_octave_demos_dirichlet_tables(tmp_path):
    mex = os.environ.get("BEM2D_MEX_DIR")
    if not mex:
        pytest.skip("no MEX modules in this build (BEM2D_MEX_DIR is not set)")
    python = subprocess.run([sys.executable, os.path.join(ROOT, "examples", "lshape_dirichlet.py"),
                             str(tmp_path / "python")], capture_output=True, text=True, timeout=300)
    assert python.returncode == 0, python.stderr
    assert (tmp_path / "python" / "convergence.png").stat().st_size > 10000
    octave = subprocess.run(
        [os.environ.get("BEM2D_OCTAVE_CLI", "octave-cli"), "--no-history", "--no-init-file",
         "--no-window-system", "--quiet", "--eval",
         "addpath('%s'); addpath('%s'); bem2d_demo('%s')"
         % (mex, os.path.join(ROOT, "examples"), tmp_path / "octave")],
        capture_output=True, text=True, timeout=600, env={k: v for k, v in os.environ.items()
                                                          if k != "DISPLAY"})
    assert octave.returncode == 0, octave.stderr
    assert dirichlet_tables(python.stdout) == dirichlet_tables(octave.stdout)


def test_the_readmes_python_block_runs_as_it_stands():
    with open(os.path.join(ROOT, "README.md")) as f:
        block = re.search(r"^```python\n(.*?)^```$", f.read(), re.S | re.M).group(1)
    run = subprocess.run([sys.executable, "-c", block], capture_output=True, text=True, timeout=300,
                         cwd=ROOT)
    assert run.returncode == 0, run.stderr
    assert "elements[0, 1] = 128 is not a row number of coordinates (0 to 127)." in run.stdout
