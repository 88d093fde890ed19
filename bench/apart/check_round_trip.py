#!/usr/bin/env python3
"""Decodes every signal that `make_apart_set --round-trip DIR` wrote with the real
talvimo (mono, one-frame blocks) and holds it against the samples it was made from.
Fails listing each signal whose decoding misses its bound.

    check_round_trip.py BUILD_DIR DIR
"""
import array
import math
import pathlib
import subprocess
import sys
import tempfile

# signal: (least signal-to-error ratio in dB, largest error of one sample)
BOUNDS = {
    "sine440": (45.0, 400),
    "bass55": (50.0, 400),
    "square": (18.0, 32767),   # full scale both ways: may miss a jump, never wrap around
    "noise": (15.0, 6000),
    "whisper": (None, 0),      # a few steps around zero fit the finest shift exactly
    "gapped": (45.0, 400),
}


def decoded(talvimo, raw):
    with tempfile.TemporaryDirectory() as scratch:
        (pathlib.Path(scratch) / raw.name).symlink_to(raw)
        subprocess.run([str(talvimo), raw.name, "0x10", "-o1"], cwd=scratch, capture_output=True, check=True)
        data = (pathlib.Path(scratch) / (raw.stem + ".WAV")).read_bytes()[44:]
    samples = array.array("h")
    samples.frombytes(data)
    return samples


def ratio_db(wanted, got):
    power = sum(x * x for x in wanted)
    error = sum((x - y) ** 2 for x, y in zip(wanted, got))
    return math.inf if error == 0 else 10 * math.log10(power / error)


def zero_frames_kept(wanted, got):
    """Every whole frame of exact zeros in the input decodes to exact zeros."""
    for start in range(0, len(wanted) - 27, 28):
        if not any(wanted[start:start + 28]) and any(got[start:start + 28]):
            return False
    return True


def problems_of(name, wanted, got):
    signal = name.split("_")[0]
    least_db, largest = BOUNDS[signal]
    if len(got) < len(wanted):
        return [f"{len(got)} samples back of {len(wanted)}"]
    got = got[:len(wanted)]
    found = []
    db = ratio_db(wanted, got)
    if least_db is not None and db < least_db:
        found.append(f"{db:.1f} dB, wanted at least {least_db}")
    worst = max(abs(x - y) for x, y in zip(wanted, got))
    if worst > largest:
        found.append(f"a sample off by {worst}, bound {largest}")
    if not zero_frames_kept(wanted, got):
        found.append("silent frames do not decode to silence")
    return found


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    talvimo = pathlib.Path(sys.argv[1]).resolve() / "talvimo"
    folder = pathlib.Path(sys.argv[2]).resolve()
    names = (folder / "round_trip.txt").read_text().split()
    failures = 0
    for name in names:
        wanted = array.array("h")
        wanted.frombytes((folder / (name + ".pcm")).read_bytes())
        got = decoded(talvimo, folder / (name + ".raw"))
        found = problems_of(name, wanted, got)
        if found:
            print(f"wrong: {name}: {'; '.join(found)}")
        failures += bool(found)
    print(f"{len(names)} signals decoded, {failures} wrong")
    return 1 if failures or not names else 0


if __name__ == "__main__":
    sys.exit(main())
