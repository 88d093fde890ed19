#!/usr/bin/env python3
"""Runs every truth command of a blind set through talvimo and checks that it writes
exactly the files the truth says, each WAV header carrying the truth's sample rate
where there is one. Fails listing every line that does not hold.

    check_truth.py BUILD_DIR SET [KIND ...]

SET is a set directory (holding truth_commands.txt) or a commands file such as the
big file's FILE.truth_commands.txt. With KIND words, only the lines whose input name
begins with one of them are run.
"""
import pathlib
import struct
import subprocess
import sys
import tempfile

WAV_RATE_AT = 24  # the sample rate's offset in a 44-byte WAV header


def wav_rate(path):
    with open(path, "rb") as wav:
        header = wav.read(WAV_RATE_AT + 4)
    return struct.unpack_from("<I", header, WAV_RATE_AT)[0] if len(header) == WAV_RATE_AT + 4 else None


def run_line(talvimo, folder, line):
    """Returns None when the line holds, else what went wrong."""
    name, tracks, rate, *arguments = line.split()
    tracks, rate = int(tracks), int(rate)
    with tempfile.TemporaryDirectory() as scratch:
        (pathlib.Path(scratch) / name).symlink_to(folder / name)
        result = subprocess.run([str(talvimo), name] + arguments, cwd=scratch, capture_output=True, text=True)
        wavs = sorted(p for p in pathlib.Path(scratch).iterdir() if p.suffix.upper() == ".WAV")
        if result.returncode != 0:
            return f"exit status {result.returncode}"
        if len(wavs) != tracks:
            return f"{len(wavs)} files written, truth says {tracks}"
        wrong = [w.name for w in wavs if rate and wav_rate(w) != rate]
        if wrong:
            return f"rate other than {rate} in {', '.join(wrong)}"
    return None


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    talvimo = pathlib.Path(sys.argv[1]).resolve() / "talvimo"
    where = pathlib.Path(sys.argv[2]).resolve()
    commands = where / "truth_commands.txt" if where.is_dir() else where
    kinds = tuple(sys.argv[3:])
    lines = [l for l in commands.read_text().splitlines() if l.strip() and (not kinds or l.startswith(kinds))]
    failures = []
    for line in lines:
        problem = run_line(talvimo, commands.parent, line)
        if problem:
            failures.append(f"{line}: {problem}")
    for failure in failures:
        print("wrong:", failure)
    print(f"{len(lines)} truth commands run, {len(failures)} wrong")
    return 1 if failures or not lines else 0


if __name__ == "__main__":
    sys.exit(main())
