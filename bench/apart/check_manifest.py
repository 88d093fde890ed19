#!/usr/bin/env python3
"""Holds a set's manifest against its archives and truth commands: the manifest's
region, layout and track count must be the ones the truth command uses, and the
region must hold ADPCM frames only (filters 0..4), in whole block pairs for a single
stereo stream. Fails listing every archive where they part.

    check_manifest.py SET
"""
import pathlib
import sys


def options(arguments):
    """The truth command's switches as a dict of letter to value text."""
    return {a[1]: a[2:] for a in arguments if a.startswith("-")}


def problems_of(folder, manifest_line, truth_line):
    name, channels, block, start, end, tracks = manifest_line.split()
    channels, block, start, end, tracks = int(channels), int(block), int(start), int(end), int(tracks)
    file, truth_tracks, _rate, block_text, *arguments = truth_line.split()
    switches = options(arguments)
    data = (folder / file).read_bytes()
    found = []
    if file != name + ".raw":
        found.append(f"truth line is for {file}")
    if int(truth_tracks) != tracks:
        found.append(f"tracks {tracks} in the manifest, {truth_tracks} in the truth")
    if int(switches.get("h", "0"), 0) != start or int(switches.get("b", str(len(data))), 0) != end:
        found.append("region differs from the truth's -h/-b")
    if (channels == 1) != (switches.get("o") == "1"):
        found.append("mono in one, stereo in the other")
    if channels == 2 and int(block_text, 0) != block:
        found.append(f"block {block} against {block_text}")
    if not 0 <= start < end <= len(data) or (end - start) % 16:
        found.append(f"region {start}..{end} does not fit {len(data)} bytes in whole frames")
        return found
    wild = [at for at in range(start, end, 16) if data[at] >> 4 > 4]
    if wild:
        found.append(f"{len(wild)} frames with an unknown filter in the region, first at {wild[0]}")
    if channels == 2 and tracks == 1 and "t" not in switches and (end - start) % (2 * block):
        found.append("a single stereo stream that is not whole block pairs")
    empty = sum(1 for at in range(start, end, 16) if not any(data[at:at + 16]))
    if switches.get("t") == "2" and empty < tracks - 1:
        found.append(f"{tracks} streams but only {empty} empty frames")
    return found


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    folder = pathlib.Path(sys.argv[1])
    manifest = (folder / "manifest.txt").read_text().splitlines()
    truth = (folder / "truth_commands.txt").read_text().splitlines()
    failures = 0
    if len(manifest) != len(truth) or not manifest:
        print(f"wrong: {len(manifest)} manifest lines, {len(truth)} truth lines")
        return 1
    for manifest_line, truth_line in zip(manifest, truth):
        found = problems_of(folder, manifest_line, truth_line)
        if found:
            print(f"wrong: {manifest_line.split()[0]}: {'; '.join(found)}")
        failures += bool(found)
    print(f"{len(manifest)} archives checked, {failures} wrong")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
