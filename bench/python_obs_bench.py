#!/usr/bin/env python3
"""A day of 30-second observations into numpy, three ways, side by side in one run:
the Python module's station.observations(), numpy.loadtxt on the `vyr obs --csv` text of the
same station, and the C++ iterator alone (bench/project_iterate_bench). Prints the times and the
ratios; the module should be at least 20x faster than loadtxt and within 3x of the iterator.

  PYTHONPATH=build/python python3 bench/python_obs_bench.py [--build build] [--repeat 5]

The day file comes from ../shared/corpus; without it the benchmark says so and exits 0."""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
# 24 hours at 30 seconds, in order of preference (the first holds two systems and more signals).
DAY_FILES = ["rinex3-obs/OB712480.23O", "rinex2-obs/york0440.15o"]


def best_of(repeat, action):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        result = action()
        times.append(time.perf_counter() - start)
    return min(times), result


def loadtxt(csv_path):
    def value(text):
        return float(text) if text else np.nan
    return np.loadtxt(csv_path, delimiter=",", skiprows=1,
                      dtype=[("time", "M8[ms]"), ("sat", "U3"), ("type", "u1"), ("code", "f8"),
                             ("phase", "f8"), ("doppler", "f8"), ("quality", "u2"),
                             ("flags", "u2")],
                      converters={3: value, 4: value, 5: value, 7: lambda t: int(t, 16)})


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--corpus", default=os.path.join(ROOT, "..", "shared", "corpus"))
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(args.build, "python"))
    import vyr

    day = next((os.path.join(args.corpus, f) for f in DAY_FILES
                if os.path.exists(os.path.join(args.corpus, f))), None)
    if day is None:
        print(f"skipped: none of {DAY_FILES} in {args.corpus}")
        return
    cli = os.path.join(args.build, "cli", "vyr")
    iterate = os.path.join(args.build, "bench", "project_iterate_bench")
    folder = tempfile.mkdtemp(prefix="vyr-bench-")
    try:
        project_path = os.path.join(folder, "day.vyr")
        subprocess.run([cli, "import", project_path, day], check=True, capture_output=True)
        with vyr.open(project_path) as project:
            (key, station), = project.stations.items()
            module_s, array = best_of(args.repeat, station.observations)
        csv_path = os.path.join(folder, "day.csv")
        with open(csv_path, "w") as out:
            start = time.perf_counter()
            subprocess.run([cli, "obs", project_path, key, "--csv"], check=True, stdout=out)
            command_s = time.perf_counter() - start
        loadtxt_s, parsed = best_of(max(1, args.repeat // 2), lambda: loadtxt(csv_path))
        if len(parsed) != len(array) or not np.array_equal(parsed["time"], array["time"]):
            raise SystemExit("the CSV and the module disagree")
        iterate_s = None
        if os.path.exists(iterate):
            env = dict(os.environ, VYR_BENCH_PROJECT=project_path, VYR_BENCH_STATION=key)
            done = subprocess.run([iterate, "--benchmark_format=json",
                                   f"--benchmark_repetitions={args.repeat}",
                                   "--benchmark_report_aggregates_only=true"],
                                  check=True, capture_output=True, text=True, env=env)
            runs = json.loads(done.stdout)["benchmarks"]
            iterate_s = min(r["real_time"] for r in runs
                            if r.get("aggregate_name") in ("mean", "median")) / 1000.0
        print(f"file: {os.path.relpath(day, args.corpus)}, station {key}, "
              f"{len(np.unique(array['time']))} epochs, {len(array)} signals")
        print(f"{'way':<40}{'seconds':>10}")
        print(f"{'station.observations()':<40}{module_s:>10.4f}")
        print(f"{'numpy.loadtxt of vyr obs --csv':<40}{loadtxt_s:>10.4f}")
        print(f"{'  (vyr obs --csv itself)':<40}{command_s:>10.4f}")
        if iterate_s is not None:
            print(f"{'C++ iterator alone':<40}{iterate_s:>10.4f}")
        print(f"loadtxt / module: {loadtxt_s / module_s:.1f}x (want >= 20)")
        if iterate_s is not None:
            print(f"module / iterator: {module_s / iterate_s:.2f}x (want <= 3)")
        else:
            print(f"module / iterator: not measured ({iterate} not built: -DVYR_BENCH=ON)")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
