#!/usr/bin/python3
"""Speed of the Python module beside the C++ core and the command line, in a
Release build:

    PYTHONPATH=build-rel/python bench/python_speed.py build-rel

1. A million rays of one field through the classical Cassegrain of
   BM_MillionRayCassegrain (the same design and pupil grid), traced by
   Design.trace from a numpy array, against that benchmark's batched trace
   (goal: within 1.3 times its time).
2. report() on the tilted two-mirror example in a loop of 10,000 (goal:
   under 20 us a call; processor time), against a whole
   `orvelin-cli report --json` process (wall time).
Prints the fastest of several runs of each (on a busy machine the fastest
run is the one least disturbed).  A benchmark program other than
BUILD/bench/orvelin_bench may be given as a second argument.
"""

import json
import math
import pathlib
import subprocess
import sys
import time

import numpy as np
import orvelin

ROOT = pathlib.Path(__file__).resolve().parents[1]


def cassegrain():
    e = 1300.0 / 700.0
    d = orvelin.Design.new(2)
    d.surfaces = [{"radius": 2000, "conic": 1, "separation": 700},
                  {"radius": -600000.0 / 700.0, "conic": e * e, "separation": 1000}, {}]
    d.aperture = 200
    d.field = 0.2
    return d


def pupil_grid(h, count):
    """The benchmark's pupil: a 401 x 401 grid clipped to the disc, repeated."""
    k = 200
    i, j = np.meshgrid(np.arange(-k, k + 1), np.arange(-k, k + 1), indexing="ij")
    inside = i * i + j * j <= k * k
    gx, gy = h * i[inside] / k, h * j[inside] / k
    reps = np.arange(count) % gx.size
    return gx[reps], gy[reps]


def fastest_seconds(job, runs, clock=time.perf_counter):
    times = []
    for _ in range(runs):
        start = clock()
        job()
        times.append(clock() - start)
    return min(times)


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build-rel")
    d = cassegrain()
    starts, _, _, _ = d.trace_pupil("plus", 1)
    rays = np.empty((1_000_000, 6))
    rays[:, 0], rays[:, 1] = pupil_grid(d.aperture / 2, len(rays))
    rays[:, 2:] = starts[0, 2:]
    _, status = d.trace(rays)
    assert (status == 0).all()
    python_ms = 1e3 * fastest_seconds(lambda: d.trace(rays), 15)

    bench = pathlib.Path(sys.argv[2]) if len(sys.argv) > 2 else build / "bench" / "orvelin_bench"
    cpp_ms = math.nan
    if bench.exists():
        out = subprocess.run([str(bench), "--benchmark_filter=BM_MillionRayCassegrain", "--benchmark_format=json",
                              "--benchmark_repetitions=15"], capture_output=True, text=True, check=True).stdout
        runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
        cpp_ms = min(b["real_time"] for b in runs)
    print(f"trace of 1,000,000 rays: Python {python_ms:.1f} ms, C++ batched trace {cpp_ms:.1f} ms, "
          f"ratio {python_ms / cpp_ms:.2f} (goal <= 1.3)")

    example = ROOT / "examples" / "schiefspiegler.ov"
    s = orvelin.Design.load(str(example))
    s.report()
    calls = 10_000
    # One thread: the processor time it takes, which other work on the
    # machine does not lengthen.
    report_us = 1e6 * fastest_seconds(lambda: [s.report() for _ in range(calls)], 5, time.process_time) / calls
    cli = build / "src" / "cli" / "orvelin-cli"
    cli_ms = 1e3 * fastest_seconds(
        lambda: subprocess.run([str(cli), "report", "--json", str(example)], capture_output=True, check=True), 21)
    print(f"report(): {report_us:.2f} us a call in a loop of {calls} (goal < 20); "
          f"orvelin-cli report --json: {cli_ms:.2f} ms a process")


if __name__ == "__main__":
    main()
