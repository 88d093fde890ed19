#!/usr/bin/env python3
"""Whole-run benchmark: converts two 256 MiB stereo archives, one of music mixed with
noise bursts (many frames of filter 0) and one of music alone (as users' archives hold
it, almost none), and reports the median wall time, input MB/s and peak memory of
several runs: the default run, mono, check mode, -v and every archive type, and the
default and mono runs pinned to one CPU. Then 16 MiB of empty frames cut with -t2.

    python3 bench/run_bench.py BUILD_DIR [--runs N] [--mib N]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TIME = shutil.which("time", path="/usr/bin:/bin")


def outputs(cwd):
    return [n for n in os.listdir(cwd) if n.endswith(".WAV") or n.endswith(".wav") or n.endswith("SC.TXT")]


def timed(cmd, cwd):
    """Runs cmd once in a directory cleared of earlier outputs; returns (wall seconds,
    peak resident KiB or None, files written).

    The peak comes from GNU time when it is there: a child forked from Python would
    count Python's own resident pages in its peak."""
    for name in outputs(cwd):
        os.unlink(os.path.join(cwd, name))
    report = os.path.join(cwd, "peak.txt")
    wrapped = [TIME, "-f", "%M", "-o", report] + cmd if TIME else cmd
    start = time.perf_counter()
    result = subprocess.run(wrapped, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(cmd)}")
    files = len(outputs(cwd))
    if not TIME:
        return wall, None, files
    with open(report) as text:
        return wall, int(text.read().split()[-1]), files


def mib(kib):
    return "n/a" if kib is None else f"{kib / 1024:.1f}"


def make_archive(maker, path, mib, kind):
    """Builds an archive once; returns the line of its histogram that gives the share of
    filter-0 frames."""
    if not os.path.exists(path):
        args = [maker, path, str(mib)] + (["music"] if kind == "music" else [])
        made = subprocess.run(args, check=True, stderr=subprocess.PIPE, text=True)
        with open(path + ".filters", "w") as note:
            note.write(made.stderr)
    with open(path + ".filters") as note:
        return note.readline().strip()


def run_cases(talvimo, archive, cases, runs):
    """Times every case round-robin (so that a slow spell of the machine hits them all)
    and prints a table; returns the default run's median wall time."""
    megabytes = os.path.getsize(archive) / 1e6
    with tempfile.TemporaryDirectory(dir=os.path.dirname(archive)) as work:
        os.symlink(archive, os.path.join(work, "in.raw"))
        walls = {name: [] for name, _, _ in cases}
        peaks = {name: [] for name, _, _ in cases}
        files = {}
        for _ in range(runs):
            for name, prefix, args in cases:
                wall, peak, files[name] = timed(prefix + [talvimo, "in.raw"] + args, work)
                walls[name].append(wall)
                peaks[name].append(peak)
    print(f"{'case':<24}{'wall s':>9}{'MB/s':>9}{'peak MiB':>10}{'files':>7}")
    default_wall = statistics.median(walls[cases[0][0]])
    for name, _, _ in cases:
        wall = statistics.median(walls[name])
        peak = None if None in peaks[name] else max(peaks[name])
        ratio = "" if name == cases[0][0] else f"   {wall / default_wall:.2f} x default"
        print(f"{name:<24}{wall:>9.2f}{megabytes / wall:>9.0f}{mib(peak):>10}{files[name]:>7}{ratio}")
    return default_wall


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--mib", type=int, default=256)
    args = parser.parse_args()

    talvimo = os.path.abspath(os.path.join(args.build, "talvimo"))
    maker = os.path.abspath(os.path.join(args.build, "bench", "make_bench_archive"))
    folder = os.path.abspath(os.path.join(args.build, "bench"))
    pinned = ["taskset", "-c", "0"] if shutil.which("taskset") else None
    print(f"{os.cpu_count()} CPUs; median of {args.runs} rounds over all cases of an archive")

    for kind in ("mixed", "music"):
        archive = os.path.join(folder, f"{kind}{args.mib}.raw")
        filters = make_archive(maker, archive, args.mib, kind)
        print(f"\n{kind} archive: {archive} ({os.path.getsize(archive) / 1e6:.0f} MB), {filters}")
        cases = [
            ("default", [], ["0x800"]), ("mono -o1", [], ["0x800", "-o1"]), ("check mode -c", [], ["0x800", "-c"]),
            ("verbose -v", [], ["0x800", "-v"]), ("-t0", [], ["0x800", "-t0"]), ("-t1", [], ["0x800", "-t1"]),
            ("-t2", [], ["0x800", "-t2"]), ("-t3,16", [], ["0x800", "-t3,16"]),
            ("-t4,0xAB,0xCD,0xEF", [], ["0x800", "-t4,0xAB,0xCD,0xEF"]), ("-t5,0", [], ["0x800", "-t5,0"]),
        ]
        if pinned:
            cases += [("default, one CPU", pinned, ["0x800"]), ("mono -o1, one CPU", pinned, ["0x800", "-o1"])]
        run_cases(talvimo, archive, cases, args.runs)

    # A cut costs what its segment cost: empty frames, every one of them a cut.
    empty = os.path.join(folder, "empty16.raw")
    if not os.path.exists(empty):
        with open(empty, "wb") as out:
            out.write(bytes(16 << 20))
    print(f"\n16 MiB of empty frames ({empty})")
    run_cases(talvimo, empty, [("-t2 at block 0x8000", [], ["0x8000", "-t2"]), ("-t2 at block 16", [], ["16", "-t2"])],
              args.runs)


if __name__ == "__main__":
    main()
