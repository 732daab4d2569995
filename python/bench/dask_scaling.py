#!/usr/bin/env python3
"""Scaling of bem2d.dask from one worker to two on this machine, and the
overhead of a tile. Prints figures only (never pass/fail).

    PYTHONPATH=build/python /usr/bin/python3 python/bench/dask_scaling.py

(or without PYTHONPATH after scripts/python.sh). Every Dask run is a
LocalCluster of worker processes with one thread each, every task on one
thread; the time is the median of three runs of persist() until the blocks
are computed on the workers (the result is not gathered to the client). The
reference is the single-machine function on one thread.
"""
import os
import platform
import statistics
import time

import dask
import dask.array as da
import numpy as np
from distributed import Client, LocalCluster, wait

import bem2d
import bem2d.dask as bd

REPEATS = 3


def circle(n, radius=0.45):
    t = 2 * np.pi * np.arange(n) / n
    return (radius * np.column_stack([np.cos(t), np.sin(t)]),
            np.column_stack([np.arange(n), (np.arange(n) + 1) % n]))


def median_time(run, reset=lambda: None):
    times = []
    for _ in range(REPEATS):
        started = time.perf_counter()
        run()
        times.append(time.perf_counter() - started)
        reset()
    return statistics.median(times)


def on_cluster(workers, lazy):
    """Median time of computing the lazy arrays on a fresh cluster."""
    with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as client:
        held = []

        def run():
            held.append(client.persist(lazy()))
            wait(held[-1])

        def reset():
            # The next run has the same keys: wait until the scheduler has
            # forgotten these, or it would hand them back at once.
            held.clear()
            while client.run_on_scheduler(lambda dask_scheduler: len(dask_scheduler.tasks)):
                time.sleep(0.01)

        run()                                   # imports and the mesh on every worker
        reset()
        return median_time(run, reset)


def tasks_of(array):
    return len(array.__dask_graph__().layers[array.name])


def main():
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                if line.startswith("model name")), platform.processor())
    print("machine: %d cores, %s; Python %s, numpy %s, dask %s; load average %.1f"
          % (os.cpu_count(), cpu, platform.python_version(), np.__version__, dask.__version__,
             os.getloadavg()[0]))

    c, e = circle(12000)
    rng = np.random.default_rng(1)
    z = rng.uniform(-0.6, 0.6, (100000, 2))
    cf, ef = circle(4000)
    cases = [
        ("slpmatrix", "12000 elements, blocks of 1500", lambda: bd.slpmatrix(c, e, block=1500),
         lambda: bem2d.slpmatrix(c, e, threads=1)),
        ("slpfield", "4000 elements, 100000 points in chunks of 10000",
         lambda: bd.slpfield(cf, ef, np.ones(4000), da.from_array(z, chunks=(10000, 2))),
         lambda: bem2d.slpfield(cf, ef, np.ones(4000), z, threads=1)),
    ]
    print("\nscaling (seconds, median of %d; speedup against one worker)" % REPEATS)
    print("%-10s %-48s %6s %9s %9s %9s %8s" % ("function", "case", "tasks", "1 thread",
                                               "1 worker", "2 workers", "speedup"))
    for name, case, lazy, local in cases:
        reference = median_time(local)
        one, two = on_cluster(1, lazy), on_cluster(2, lazy)
        print("%-10s %-48s %6d %9.3f %9.3f %9.3f %8.2f"
              % (name, case, tasks_of(lazy()), reference, one, two, one / two), flush=True)

    print("\nper-tile overhead: (1 worker - 1 thread) / tasks, slpmatrix of 2000 elements")
    print("%-8s %6s %9s %9s %12s" % ("block", "tasks", "1 thread", "1 worker", "per task ms"))
    cs, es = circle(2000)
    reference = median_time(lambda: bem2d.slpmatrix(cs, es, threads=1))
    for block in (500, 200, 100, 50):
        lazy = lambda: bd.slpmatrix(cs, es, block=block)
        one = on_cluster(1, lazy)
        tasks = tasks_of(lazy())
        print("%-8d %6d %9.3f %9.3f %12.3f" % (block, tasks, reference, one,
                                               1000 * (one - reference) / tasks), flush=True)


if __name__ == "__main__":
    main()
