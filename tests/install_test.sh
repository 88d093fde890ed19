#!/usr/bin/env bash
# Installs the build into a scratch prefix and runs the installed programs on the sample
# archive; the installed manual pages must render without warnings.
#   install_test.sh BUILD_DIR SOURCE_DIR [EMULATOR...]
set -euo pipefail
build=$1
source=$2
shift 2
emulator=("$@")  # a cross build's binary runs under it
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
test -x "$prefix/bin/talvimo"
test -x "$prefix/bin/talvimo-probe"
for page in talvimo talvimo-probe; do
  manual="$prefix/share/man/man1/$page.1.gz"
  test -f "$manual"
  if command -v groff > /dev/null; then
    warnings=$(zcat "$manual" | groff -ww -z -man 2>&1)
    if [ -n "$warnings" ]; then
      echo "the manual page $page renders with warnings: $warnings"
      exit 1
    fi
    groffChecked=1
  fi
done

cp "$source/samples/demo.raw" "$work/"
cd "$work"
out=$("${emulator[@]}" "$prefix/bin/talvimo" demo.raw 0x800 -t1)
expected=$'BlockSize:2048\nType:1\ndemo_0000.WAV\ndemo_0001.WAV\ndemo_0002.WAV\ndemo_0002.WAV'
if [ "$out" != "$expected" ]; then
  echo "unexpected output from the installed binary: $out"
  exit 1
fi
test "$(ls demo_*.WAV | wc -l)" -eq 3
probed=$("${emulator[@]}" "$prefix/bin/talvimo-probe" demo.raw | grep '^command')
if [ "$probed" != "command     talvimo demo.raw 0x800 -t1" ]; then
  echo "unexpected command from the installed probe: $probed"
  exit 1
fi
echo "installed programs and manual pages: ok"
if [ -z "${groffChecked:-}" ]; then
  echo "skipped: groff is not installed, so the manual page was not rendered"
  exit 77
fi
