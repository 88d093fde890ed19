#!/usr/bin/env python3
"""How well talvimo-probe finds the regions of sound in whole files: the region set
made by `make_blind_set files DIR SEED` (or the big file of `make_blind_set big`).

    region_accuracy.py BUILD_DIR SET

SET is a set directory holding regions.txt, or a regions file itself (such as the
big file's FILE.regions.txt). Each truth line reads

    file start end channels block_size tracks rate

(block_size 0 for mono, rate 0 when the region carries none). The probe runs as
`talvimo-probe FILE --json` and prints one JSON object per input, whose `regions`
list holds objects with start, end, channels, block_size (null for mono), tracks
and command (talvimo's arguments, the input name first); without `regions` the
object itself is taken as the one region it found.

A true region is found when a reported region starts within 0x800 bytes of it
with the same channels (and, in stereo, the same block size); it is usable when
talvimo, run with that region's command in a scratch directory, writes exactly
the true number of WAV files, each carrying the true sample rate where there is
one. A reported region is false when more than 64 KiB of it lie outside every
true region. One row per kind of file (the word before the first '_' of its name).
"""
import collections
import json
import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import time

NEAR = 0x800                # how far a reported start may lie from the true one
OUTSIDE_LIMIT = 64 * 1024   # bytes of a reported region outside every true region
WAV_RATE_AT = 24            # the sample rate's offset in a WAV header
TIMEOUT = 3600              # seconds for one run of either program


class Truth:
    def __init__(self, line):
        file, start, end, channels, block, tracks, rate = line.split()
        self.file = file
        self.start, self.end = int(start, 0), int(end, 0)
        self.channels, self.block = int(channels), int(block, 0)
        self.tracks, self.rate = int(tracks), int(rate)

    def __str__(self):
        layout = "mono" if self.channels == 1 else f"stereo 0x{self.block:X}"
        return f"{self.file} 0x{self.start:X}..0x{self.end:X} {layout}, {self.tracks} tracks" + (f", {self.rate} Hz" if self.rate else "")


def kind_of(name):
    return name.split("_", 1)[0]


def in_scratch(folder, name, link_name, arguments, program):
    """Runs program with arguments in a fresh directory holding the input as link_name.
    Returns the completed process and the WAV files it wrote (name, rate)."""
    with tempfile.TemporaryDirectory() as scratch:
        (pathlib.Path(scratch) / link_name).symlink_to(folder / name)
        result = subprocess.run([str(program)] + arguments, cwd=scratch, capture_output=True, text=True, timeout=TIMEOUT)
        wavs = []
        for path in sorted(pathlib.Path(scratch).iterdir()):
            if path.suffix.upper() == ".WAV":
                with open(path, "rb") as wav:
                    header = wav.read(WAV_RATE_AT + 4)
                rate = struct.unpack_from("<I", header, WAV_RATE_AT)[0] if len(header) == WAV_RATE_AT + 4 else None
                wavs.append((path.name, rate))
        return result, wavs


def probe(build, folder, name):
    """The probe's regions for one file, or an error text."""
    try:
        result, _ = in_scratch(folder, name, name, [name, "--json"], build / "talvimo-probe")
    except subprocess.TimeoutExpired:
        return None, "probe timed out"
    if result.returncode != 0:
        return None, f"probe exit status {result.returncode}: {result.stdout.strip()[:200]} {result.stderr.strip()[:200]}"
    try:
        report, _ = json.JSONDecoder().raw_decode(result.stdout.strip())
    except json.JSONDecodeError as error:
        return None, f"probe printed no JSON ({error})"
    regions = report.get("regions", [report]) if isinstance(report, dict) else []
    return [r for r in regions if isinstance(r, dict) and isinstance(r.get("start"), int)], None


def matches(truth, region):
    if abs(region["start"] - truth.start) > NEAR or region.get("channels") != truth.channels:
        return False
    return truth.channels == 1 or region.get("block_size") == truth.block


def usability(build, folder, truth, region):
    """None when the region's command cuts the true region right, else why not."""
    command = region.get("command")
    if not isinstance(command, list) or not command or not all(isinstance(a, str) for a in command):
        return "no command"
    link_name = os.path.basename(command[0]) or truth.file
    try:
        result, wavs = in_scratch(folder, truth.file, link_name, [link_name] + command[1:], build / "talvimo")
    except subprocess.TimeoutExpired:
        return "talvimo timed out"
    if result.returncode != 0:
        return f"talvimo exit status {result.returncode}"
    if len(wavs) != truth.tracks:
        return f"{len(wavs)} files written, {truth.tracks} true"
    wrong = [name for name, rate in wavs if truth.rate and rate != truth.rate]
    if wrong:
        return f"rate other than {truth.rate} Hz in {len(wrong)} files"
    return None


def outside(region, truths):
    """Bytes of a reported region that lie in no true region of its file."""
    start, end = region["start"], region.get("end")
    if not isinstance(end, int) or end <= start:
        return 0
    covered = 0
    for t in sorted(truths, key=lambda t: t.start):
        low, high = max(start, t.start), min(end, t.end)
        covered += max(0, high - low)
    return (end - start) - covered


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    build = pathlib.Path(sys.argv[1]).resolve()
    where = pathlib.Path(sys.argv[2]).resolve()
    regions_file = where / "regions.txt" if where.is_dir() else where
    folder = regions_file.parent
    truths = collections.defaultdict(list)
    for line in regions_file.read_text().splitlines():
        if line.strip():
            t = Truth(line)
            truths[t.file].append(t)
    if not truths:
        print("no regions in", regions_file)
        return 1

    rows = collections.defaultdict(lambda: collections.Counter())
    misses, falses = [], []
    began = time.monotonic()
    probe_seconds, probed_bytes = 0.0, 0
    for name in sorted(truths):
        kind = kind_of(name)
        start_probe = time.monotonic()
        reported, error = probe(build, folder, name)
        probe_seconds += time.monotonic() - start_probe
        probed_bytes += (folder / name).stat().st_size
        rows[kind]["files"] += 1
        for t in truths[name]:
            rows[kind]["regions"] += 1
            if error:
                misses.append(f"{t}: not found, {error}")
                continue
            candidates = sorted((r for r in reported if matches(t, r)), key=lambda r: abs(r["start"] - t.start))
            if not candidates:
                misses.append(f"{t}: not found")
                continue
            rows[kind]["found"] += 1
            reasons = []
            for region in candidates:
                reason = usability(build, folder, t, region)
                if reason is None:
                    rows[kind]["usable"] += 1
                    break
                reasons.append(reason)
            else:
                misses.append(f"{t}: found at 0x{candidates[0]['start']:X} but not usable: {'; '.join(reasons)}")
        for region in reported or []:
            rows[kind]["reported"] += 1
            lying_outside = outside(region, truths[name])
            if lying_outside > OUTSIDE_LIMIT:
                rows[kind]["false"] += 1
                falses.append(f"{name} reported 0x{region['start']:X}..0x{region.get('end', 0):X}: {lying_outside // 1024} KiB outside every true region")

    def percent(part, whole):
        return f"{part} ({100 * part / whole:.0f} %)" if whole else "0"

    print("| files | count | regions | found | usable | reported | false regions |")
    print("|---|---|---|---|---|---|---|")
    total = collections.Counter()
    for kind in sorted(rows):
        r = rows[kind]
        total.update(r)
        print(f"| {kind} | {r['files']} | {r['regions']} | {percent(r['found'], r['regions'])} | {percent(r['usable'], r['regions'])} | {r['reported']} | {r['false']} |")
    print(f"| all | {total['files']} | {total['regions']} | {percent(total['found'], total['regions'])} | {percent(total['usable'], total['regions'])} | {total['reported']} | {total['false']} |")
    speed = probed_bytes / probe_seconds / 2**20 if probe_seconds else 0.0
    print(f"\nprobing took {probe_seconds:.1f} s for {probed_bytes / 2**20:.0f} MiB ({speed:.0f} MiB/s); whole measurement {time.monotonic() - began:.1f} s")
    for miss in misses:
        print("miss:", miss)
    for false in falses:
        print("false:", false)
    return 0


if __name__ == "__main__":
    sys.exit(main())
