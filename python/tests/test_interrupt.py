"""Ctrl-C and the GIL in a long call. A child interpreter starts the call,
gets SIGINT half a second later and must raise KeyboardInterrupt (or what
its own handler raises) within 0.5 s of it (the call polls every 10 ms; the
bound allows for a loaded machine), then compute the next call right. Another thread of Python must
run while a call computes."""
import math
import os
import signal
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import bem2d
from support import circle

CHILD = r"""
import signal, sys, time, numpy as np, bem2d
if sys.argv[2] == "own":
    def stop(signum, frame):
        raise RuntimeError("stopped by the handler")
    signal.signal(signal.SIGINT, stop)
n = 20000; t = 2 * np.pi * np.arange(n) / n
c = 0.45 * np.column_stack([np.cos(t), np.sin(t)])
e = np.column_stack([np.arange(n), (np.arange(n) + 1) % n])
z = 0.5 * (np.random.default_rng(1).random((1000000, 2)) - 0.5)
m = np.column_stack([np.arange(6000), (np.arange(6000) + 1) % 6000])
calls = {"slpfield": lambda: bem2d.slpfield(c, e, np.ones(n), z, threads=2),
         "slpmatrix": lambda: bem2d.slpmatrix(c[:6000], m, 0, threads=2)}
print("start", flush=True)
try:
    calls[sys.argv[1]]()
    print("finished", flush=True)
except BaseException as exc:
    print("interrupted %.6f %r" % (time.time(), exc), flush=True)
one = bem2d.slpfield(np.array([[0.0, 0], [1, 0]]), np.array([[0, 1]]), np.ones(1), np.array([[0.3, 0.4]]))
print("next %.17g" % one[0], flush=True)
"""


def single_layer_check():
    """One element from (0,0) to (1,0), density 1, seen from (0.3, 0.4)."""
    F = lambda u: u * math.log(u * u + 0.16) - 2 * u + 0.8 * math.atan(u / 0.4)
    return -(F(0.7) - F(-0.3)) / (4 * math.pi)


# The exception that the SIGINT handler raises reaches the caller as it is:
# Python's own KeyboardInterrupt(), or a handler's own exception with its
# text, never one of the module's making.
@pytest.mark.parametrize("call, handler, raised", [
    ("slpfield", "default", "KeyboardInterrupt()"), ("slpmatrix", "default", "KeyboardInterrupt()"),
    ("slpfield", "own", "RuntimeError('stopped by the handler')")])
def test_ctrl_c_raises_keyboard_interrupt_and_the_next_call_works(call, handler, raised):
    child = subprocess.Popen([sys.executable, "-c", CHILD, call, handler], stdout=subprocess.PIPE,
                             text=True, env=dict(os.environ))
    assert child.stdout.readline().strip() == "start"
    time.sleep(0.5)
    sent = time.time()
    child.send_signal(signal.SIGINT)
    out, _ = child.communicate(timeout=120)
    lines = dict(line.split(" ", 1) for line in out.split("\n") if " " in line)
    assert "interrupted" in lines, out
    stopped, exception = lines["interrupted"].split(" ", 1)
    assert exception == raised
    assert float(stopped) - sent < 0.5
    assert abs(float(lines["next"]) - single_layer_check()) <= 1e-15


def test_other_threads_run_while_a_call_computes():
    c, e = circle(2000, 0.45)                 # a call of about a second
    z = np.random.default_rng(2).uniform(-0.5, 0.5, (10000, 2))
    running = threading.Event()

    def call():
        running.set()
        bem2d.slpfield(c, e, np.ones(2000), z, 0, threads=1)
    worker = threading.Thread(target=call)
    worker.start()
    running.wait()
    started, stamps = time.perf_counter(), []
    while worker.is_alive():
        stamps.append(time.perf_counter())
    worker.join()
    duration = stamps[-1] - started
    # Holding the GIL through the call would stop this loop for its length.
    assert duration > 0.5 and np.diff(stamps).max() < duration / 4
