#!/usr/bin/env python3
"""The product's folders form a stack: each includes only folders below it, so no
folder can reach back up to one that includes it. Fails listing every include that
points up or sideways.

    layers_test.py SOURCE_DIR
"""
import pathlib
import re
import sys

# From the top down; platform/ and decode/ include nothing of the project. The two
# programs sit side by side at the top: talvimo (app/) and talvimo-probe (probe/), which
# stands on the same platform and decoder and includes nothing of the other. schedule/
# cuts the decoding into work for every core; decode/ beneath it computes the rule.
STACK = [("app", "probe"), "scan", "output", "run", "platform", "schedule", "decode"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^/"]+)/', re.MULTILINE)


def main():
    root = pathlib.Path(sys.argv[1])
    wrong = []
    checked = 0
    levels = {}
    for level, folders in enumerate(STACK):
        for folder in folders if isinstance(folders, tuple) else (folders,):
            levels[folder] = level
    for folder, level in levels.items():
        for path in sorted((root / folder).iterdir()):
            if path.suffix not in (".h", ".cpp"):
                continue
            checked += 1
            for target in INCLUDE.findall(path.read_text()):
                if target == folder:
                    continue
                if target not in levels or levels[target] <= level:
                    wrong.append(f"{path.relative_to(root)} includes {target}/")
    if checked == 0:
        print("no source files found under", root)
        return 1
    for line in wrong:
        print(line)
    names = [" and ".join(f) if isinstance(f, tuple) else f for f in STACK]
    print(f"{checked} files, {len(wrong)} includes against the stack {' > '.join(names)}")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
