#!/usr/bin/env python3
"""Holds every archive of a set to what its kind promises, reading the bytes of its
region and, where the promise is about sound, what talvimo decodes from it:

  music      both channels carry the same piece (they correlate);
  unrelated  the channels carry different sound (they hardly correlate) of alike loudness;
  silences   digital silence inside the sound, written as marker frames;
  separated  single empty frames between streams of whole block pairs;
  clips      runs of empty frames between mono clips, pauses inside them as marker frames.

    check_kinds.py BUILD_DIR SET
"""
import array
import math
import pathlib
import subprocess
import sys
import tempfile


def frames_of(data, start, end):
    return [data[at:at + 16] for at in range(start, end, 16)]


def is_marker(frame):
    return frame[0] == 0x0C and frame.count(0) >= 14


def is_empty(frame):
    return not any(frame)


def decoded_channels(talvimo, folder, truth_line):
    """The channels of the first WAV that the truth command writes."""
    name, _tracks, _rate, *arguments = truth_line.split()
    with tempfile.TemporaryDirectory() as scratch:
        (pathlib.Path(scratch) / name).symlink_to(folder / name)
        subprocess.run([str(talvimo), name] + arguments, cwd=scratch, capture_output=True, check=True)
        wav = sorted(p for p in pathlib.Path(scratch).iterdir() if p.suffix.upper() == ".WAV")[0].read_bytes()
    samples = array.array("h")
    samples.frombytes(wav[44:])
    channels = wav[22]
    return [samples[c::channels] for c in range(channels)]


def correlation(a, b):
    n = min(len(a), len(b))
    ma, mb = sum(a[:n]) / n, sum(b[:n]) / n
    cov = sum((x - ma) * (y - mb) for x, y in zip(a[:n], b[:n]))
    va = sum((x - ma) ** 2 for x in a[:n])
    vb = sum((y - mb) ** 2 for y in b[:n])
    return cov / math.sqrt(va * vb) if va and vb else 0.0


def rms_db(samples):
    return 10 * math.log10(max(sum(x * x for x in samples) / max(len(samples), 1), 1e-9))


def music(archive):
    left, right = archive["decoded"]()
    r = correlation(left[::7], right[::7])
    return [] if r > 0.3 else [f"channels correlate only {r:.2f}"]


def unrelated(archive):
    left, right = archive["decoded"]()
    found = []
    r = correlation(left[::7], right[::7])
    if abs(r) > 0.25:
        found.append(f"channels correlate {r:.2f}")
    apart_db = abs(rms_db(left) - rms_db(right))
    if apart_db > 3.0:
        found.append(f"channels {apart_db:.1f} dB apart")
    return found


def silences(archive):
    frames = archive["frames"]
    markers = [i for i, f in enumerate(frames) if is_marker(f)]
    inner = [i for i in markers if any(not is_marker(f) for f in frames[i + 1:i + 200])]
    return [] if len(inner) >= 3 else [f"{len(inner)} marker frames inside the sound"]


def separated(archive):
    frames, pair = archive["frames"], 2 * archive["block"] // 16
    empties = [i for i, f in enumerate(frames) if is_empty(f)]
    found = []
    if any(b - a == 1 for a, b in zip(empties, empties[1:])):
        found.append("two empty frames in a row")
    inner = [i for i in empties if 0 < i < len(frames) - 1]
    if len(inner) != archive["tracks"] - 1:
        found.append(f"{len(inner)} empty frames between {archive['tracks']} streams")
    bounds = [-1] + empties + [len(frames)]
    for a, b in zip(bounds, bounds[1:]):
        if b - a > 1 and (b - a - 1) % pair:
            found.append(f"a stream of {b - a - 1} frames, not whole pairs of {pair}")
    return found


def clips(archive):
    frames = archive["frames"]
    runs = sum(1 for i in range(1, len(frames)) if is_empty(frames[i]) and not is_empty(frames[i - 1]))
    found = []
    if runs != archive["tracks"]:
        found.append(f"{runs} runs of empty frames after {archive['tracks']} clips")
    if not any(is_marker(f) for f in frames):
        found.append("no pause inside any clip")
    return found


CHECKS = {"music": music, "unrelated": unrelated, "silences": silences, "separated": separated, "clips": clips}


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    talvimo = pathlib.Path(sys.argv[1]).resolve() / "talvimo"
    folder = pathlib.Path(sys.argv[2]).resolve()
    truth = {l.split()[0]: l for l in (folder / "truth_commands.txt").read_text().splitlines() if l.strip()}
    checked = failures = 0
    for line in (folder / "manifest.txt").read_text().splitlines():
        name, _channels, block, start, end, tracks = line.split()
        check = CHECKS.get(name.split("_")[0])
        if not check:
            continue
        data = (folder / (name + ".raw")).read_bytes()
        truth_line = truth[name + ".raw"]
        archive = {"frames": frames_of(data, int(start), int(end)), "block": int(block), "tracks": int(tracks),
                   "decoded": lambda t=truth_line: decoded_channels(talvimo, folder, t)}
        found = check(archive)
        checked += 1
        if found:
            failures += 1
            print(f"wrong: {name}: {'; '.join(found)}")
    print(f"{checked} archives held to their kind, {failures} wrong")
    return 1 if failures or not checked else 0


if __name__ == "__main__":
    sys.exit(main())
