#!/usr/bin/env python3
"""Whole runs of several talvimo builds on one archive, interleaved (a slow spell of a
shared machine hits every build alike): the median wall time and CPU time (user and
system) of each build for stereo, mono (-o1), and both pinned to one CPU, with each
build's ratio to the first.

    python3 bench/compare_builds.py ARCHIVE NAME=BINARY ... [--runs N]

for instance, builds made with -DTALVIMO_DECODE_PATH=x87 and =avx2 on the music archive
that run_bench.py makes.
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import tempfile
import time


def run(cmd, cwd):
    """Runs cmd once in a directory cleared of earlier outputs; returns (wall, CPU) seconds."""
    for name in os.listdir(cwd):
        if name.lower().endswith(".wav"):
            os.unlink(os.path.join(cwd, name))
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("archive")
    parser.add_argument("builds", nargs="+", help="NAME=BINARY")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    builds = [b.split("=", 1) for b in args.builds]
    pinned = ["taskset", "-c", "0"] if shutil.which("taskset") else None
    cases = [("stereo", [], ["0x800"]), ("mono -o1", [], ["0x800", "-o1"])]
    if pinned:
        cases += [("stereo, one CPU", pinned, ["0x800"]), ("mono -o1, one CPU", pinned, ["0x800", "-o1"])]
    times = {}
    with tempfile.TemporaryDirectory(dir=os.path.dirname(os.path.abspath(args.archive))) as work:
        os.symlink(os.path.abspath(args.archive), os.path.join(work, "in.raw"))
        for _ in range(args.runs):
            for case, prefix, switches in cases:
                for name, binary in builds:
                    times.setdefault((case, name), []).append(
                        run(prefix + [os.path.abspath(binary), "in.raw"] + switches, work))
    print(f"{os.cpu_count()} CPUs; medians of {args.runs} interleaved rounds")
    print(f"{'case':<20}{'build':<16}{'wall s':>8}{'CPU s':>8}{'wall x':>8}{'CPU x':>8}")
    for case, _, _ in cases:
        first = None
        for name, _ in builds:
            wall = statistics.median(t[0] for t in times[(case, name)])
            cpu = statistics.median(t[1] for t in times[(case, name)])
            first = first or (wall, cpu)
            print(f"{case:<20}{name:<16}{wall:>8.2f}{cpu:>8.2f}{wall / first[0]:>8.2f}{cpu / first[1]:>8.2f}")


if __name__ == "__main__":
    main()
