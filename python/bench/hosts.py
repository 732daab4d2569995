#!/usr/bin/env python3
"""The same call in both hosts, in the same run: a matrix of a circle of N
elements (default eta; slpmatrix, or the modules named), timed in Python and
in octave-cli (inside Octave with tic/toc), and in Octave again with glibc's
malloc asked for transparent huge pages (GLIBC_TUNABLES=glibc.malloc.hugetlb=1).
The three take turns for three rounds of three calls each, so that a change
of the load of this shared machine falls on all of them; the figures are the
medians of the nine calls. Prints figures only.

    PYTHONPATH=build/python /usr/bin/python3 python/bench/hosts.py [N [MEX_DIR [MODULE...]]]

Debian's Octave 7.3 copies a module's result into an array of its own, one
element at a time, when the module returns (it is built without the
polymorphic allocators that let Octave 8 adopt the module's memory): the
copy maps its pages 4 KB at a time, which on a virtual machine costs
microseconds per page. numpy asks for huge pages for large arrays, and so
does the toolkit for the matrix it fills (zeroFill); the tunable makes
Octave's own allocations do the same.
"""
import os
import platform
import statistics
import subprocess
import sys
import time

import numpy as np

import bem2d

N = int(sys.argv[1]) if len(sys.argv) > 1 else 8000
MEX_DIR = sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "..", "..",
                                                             "build", "mex")
MODULES = tuple(sys.argv[3:]) or ("slpmatrix",)
REPEATS = 3
ROUNDS = 3


def python_times():
    t = 2 * np.pi * np.arange(N) / N
    c = 0.45 * np.column_stack([np.cos(t), np.sin(t)])
    e = np.column_stack([np.arange(N), (np.arange(N) + 1) % N])
    result = {}
    for name in MODULES:
        function = getattr(bem2d, name)
        times = []
        for _ in range(REPEATS):
            started = time.perf_counter()
            function(c, e)
            times.append(time.perf_counter() - started)
        result[name] = times
    return result


def octave_times(env):
    script = ("addpath('%s'); n = %d; t = 2*pi*(0:n-1)'/n; c = 0.45*[cos(t) sin(t)];"
              " e = [(1:n)' [2:n 1]'];" % (os.path.abspath(MEX_DIR), N))
    for name in MODULES:
        script += (" tt = zeros(1, %d); for k = 1:%d, clear v; tic; v = %s(c, e); tt(k) = toc; end;"
                   " printf('%s'); printf(' %%.6f', tt); printf('\\n');" % (REPEATS, REPEATS, name, name))
    run = subprocess.run(["octave-cli", "--no-history", "--no-init-file", "--quiet", "--eval", script],
                         capture_output=True, text=True, env=env, check=True)
    return {line.split()[0]: [float(v) for v in line.split()[1:]] for line in run.stdout.splitlines()
            if line.split() and line.split()[0] in MODULES}


def main():
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                if line.startswith("model name")), platform.processor())
    print("machine: %d cores, %s; load average %.1f; N = %d, median of %d calls, seconds"
          % (os.cpu_count(), cpu, os.getloadavg()[0], N, REPEATS * ROUNDS))
    plain = dict(os.environ)
    plain.pop("GLIBC_TUNABLES", None)
    huge = dict(plain, GLIBC_TUNABLES="glibc.malloc.hugetlb=1")
    py, octave, octave_huge = ({name: [] for name in MODULES} for _ in range(3))
    for _ in range(ROUNDS):
        for times, run in ((py, python_times), (octave, lambda: octave_times(plain)),
                           (octave_huge, lambda: octave_times(huge))):
            for name, values in run().items():
                times[name] += values
    if os.environ.get("BEM2D_BENCH_RAW"):
        print(py, octave, octave_huge)
    py, octave, octave_huge = ({name: statistics.median(v) for name, v in times.items()}
                               for times in (py, octave, octave_huge))
    print("%-10s %8s %8s %8s %18s %8s" % ("module", "Python", "Octave", "ratio", "Octave, huge pages",
                                          "ratio"))
    for name in MODULES:
        print("%-10s %8.3f %8.3f %8.2f %18.3f %8.2f" % (name, py[name], octave[name],
                                                         octave[name] / py[name], octave_huge[name],
                                                         octave_huge[name] / py[name]))


if __name__ == "__main__":
    main()
