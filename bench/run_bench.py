#!/usr/bin/env python3
"""Whole-run benchmark: converts a 256 MiB stereo archive and reports the median wall
time, input MB/s and peak memory of several runs, for the default run, check mode,
-v, mono and every archive type. When ffmpeg is installed it also converts the same
data wrapped in a GENH header, in the same run, and prints the ratio talvimo/ffmpeg.

    python3 bench/run_bench.py BUILD_DIR [--runs N] [--mib N]
"""
import argparse
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

BLOCK = 0x800


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


def measure(cmd, cwd, runs):
    results = [timed(cmd, cwd) for _ in range(runs)]
    peaks = [m for _, m, _ in results if m is not None]
    return statistics.median(w for w, _, _ in results), max(peaks) if peaks else None


def mib(kib):
    return "n/a" if kib is None else f"{kib / 1024:.1f}"


def genh_header(data_bytes, channels=2, rate=48000, interleave=BLOCK):
    """A GENH header for PSX ADPCM data that starts right after it (0x800 bytes)."""
    start = 0x800
    samples = data_bytes // 16 * 28 // channels
    header = b"GENH" + struct.pack("<9i", channels, interleave, rate, -1, samples, 0, start, start, 0)
    return header + bytes(start - len(header))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--mib", type=int, default=256)
    args = parser.parse_args()

    talvimo = os.path.abspath(os.path.join(args.build, "talvimo"))
    maker = os.path.abspath(os.path.join(args.build, "bench", "make_bench_archive"))
    archive = os.path.abspath(os.path.join(args.build, "bench", f"bench{args.mib}.raw"))
    if not os.path.exists(archive):
        subprocess.run([maker, archive, str(args.mib)], check=True, stderr=subprocess.DEVNULL)
    megabytes = os.path.getsize(archive) / 1e6

    with tempfile.TemporaryDirectory(dir=os.path.dirname(archive)) as work:
        os.symlink(archive, os.path.join(work, "in.raw"))
        cases = [
            ("default", []), ("check mode -c", ["-c"]), ("verbose -v", ["-v"]), ("mono -o1", ["-o1"]),
            ("-t0", ["-t0"]), ("-t1", ["-t1"]), ("-t2", ["-t2"]), ("-t3,16", ["-t3,16"]),
            ("-t4,0xAB,0xCD,0xEF", ["-t4,0xAB,0xCD,0xEF"]), ("-t5,0", ["-t5,0"]),
        ]
        print(f"archive: {archive} ({megabytes:.0f} MB), median of {args.runs} rounds over all cases")
        walls = {name: [] for name, _ in cases}
        peaks = {name: [] for name, _ in cases}
        files = {}
        for _ in range(args.runs):  # round-robin, so that a slow spell of the machine hits every case
            for name, switches in cases:
                wall, peak, files[name] = timed([talvimo, "in.raw", "0x800"] + switches, work)
                walls[name].append(wall)
                peaks[name].append(peak)
        print(f"{'case':<22}{'wall s':>9}{'MB/s':>9}{'peak MiB':>10}{'files':>7}")
        default_wall = statistics.median(walls["default"])
        for name, _ in cases:
            wall = statistics.median(walls[name])
            peak = None if None in peaks[name] else max(peaks[name])
            ratio = "" if name == "default" else f"   {wall / default_wall:.2f} x default"
            print(f"{name:<22}{wall:>9.2f}{megabytes / wall:>9.0f}{mib(peak):>10}{files[name]:>7}{ratio}")

        ffmpeg = shutil.which("ffmpeg")
        if ffmpeg is None:
            print("ffmpeg is not installed: no comparison")
            return
        wrapped = os.path.join(work, "in.genh")
        with open(wrapped, "wb") as out, open(archive, "rb") as data:
            out.write(genh_header(os.path.getsize(archive)))
            shutil.copyfileobj(data, out, 1 << 20)
        wall, peak = measure([ffmpeg, "-v", "error", "-y", "-i", "in.genh", "ffmpeg.wav"], work, args.runs)
        print(f"{'ffmpeg (GENH)':<22}{wall:>9.2f}{megabytes / wall:>9.0f}{mib(peak):>10}")
        print(f"talvimo / ffmpeg: {default_wall / wall:.2f}")


if __name__ == "__main__":
    main()
