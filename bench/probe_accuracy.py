#!/usr/bin/env python3
"""Measures talvimo-probe on the project's test set: generates the archives (once),
probes each, runs the talvimo command it suggests and counts the files written.
Prints a Markdown table of the results, how often the probe is right where it says it
is at least 90 % sure (of the layout, and of the track count), and every miss.

    probe_accuracy.py BUILD_DIR [SET_DIR [FIRST_SEED [hard]]]

BUILD_DIR holds talvimo, talvimo-probe and bench/make_probe_set (configure with
-DTALVIMO_BENCH=ON); SET_DIR defaults to BUILD_DIR/bench/probe_set, and is generated
when it holds no manifest, from FIRST_SEED (default 1), as the hard set with "hard".
"""
import collections
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time


def main():
    build = pathlib.Path(sys.argv[1]).resolve()
    sets = (pathlib.Path(sys.argv[2]) if len(sys.argv) > 2 else build / "bench" / "probe_set").resolve()
    if not (sets / "manifest.txt").exists():
        sets.mkdir(parents=True, exist_ok=True)
        subprocess.run([str(build / "bench" / "make_probe_set"), str(sets)] + sys.argv[3:], check=True)
    rows = collections.OrderedDict()
    misses = []
    confident = {"layout": [0, 0], "tracks": [0, 0]}  # archives at 90 % or more, and of them the right ones
    seconds = 0.0
    for line in (sets / "manifest.txt").read_text().splitlines():
        name, channels, block, start, end, tracks = line.split()
        channels, block, start, end, tracks = int(channels), int(block), int(start), int(end), int(tracks)
        words = name.split("_")
        group = (words[0] if words[0] != "hard" else " ".join(words[:2])) + (" (stereo)" if channels == 2 else " (mono)")
        with tempfile.TemporaryDirectory() as scratch:
            os.symlink(sets / (name + ".raw"), pathlib.Path(scratch) / (name + ".raw"))
            began = time.monotonic()
            probe = subprocess.run([str(build / "talvimo-probe"), name + ".raw", "--json"], cwd=scratch,
                                   capture_output=True, text=True)
            seconds += time.monotonic() - began
            if probe.returncode != 0:
                found = {"channels": 0, "block_size": None, "start": -1, "end": -1, "command": None,
                         "confidence": 0, "tracks_confidence": 0}
            else:
                found = json.loads(probe.stdout)
            files = 0
            if found["command"]:
                subprocess.run([str(build / "talvimo")] + found["command"], cwd=scratch, capture_output=True)
                files = len([f for f in os.listdir(scratch) if f.endswith(".WAV")])
        layout = (found["channels"] == channels and (channels == 1 or found["block_size"] == block)
                  and found["start"] == start)
        if found["confidence"] >= 0.9:
            confident["layout"][0] += 1
            confident["layout"][1] += layout
        if found.get("tracks_confidence", 0) >= 0.9:
            confident["tracks"][0] += 1
            confident["tracks"][1] += files == tracks
        row = rows.setdefault(group, [0, 0, 0, 0])
        row[0] += 1
        row[1] += layout
        row[2] += files == tracks
        row[3] += found["end"] == end
        if not layout or files != tracks or found["end"] != end:
            misses.append(f"{name}: found {found['channels']} channels, block {found['block_size']}, "
                          f"start {found['start']}, end {found['end']}, {files} files "
                          f"(built: {channels}, {block if channels == 2 else None}, {start}, {end}, {tracks})")
    total = [sum(r[i] for r in rows.values()) for i in range(4)]
    print("| archives | count | layout and start right | tracks right | end right |")
    print("|---|---|---|---|---|")
    for group, r in list(rows.items()) + [("all", total)]:
        print(f"| {group} | {r[0]} | {r[1]} ({100 * r[1] / r[0]:.0f} %) | {r[2]} ({100 * r[2] / r[0]:.0f} %) "
              f"| {r[3]} ({100 * r[3] / r[0]:.0f} %) |")
    print("\n| confidence of 90 % or more | archives | right |")
    print("|---|---|---|")
    for what, (count, right) in confident.items():
        share = f"{100 * right / count:.0f} %" if count else "-"
        print(f"| {what} | {count} | {right} ({share}) |")
    print(f"\nprobing took {seconds:.1f} s for {total[0]} archives")
    for miss in misses:
        print("miss:", miss)
    return 0


if __name__ == "__main__":
    sys.exit(main())
