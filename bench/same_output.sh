#!/usr/bin/env bash
# Runs two talvimo binaries on the same input with the same command lines and checks
# that stdout, exit status and every file written are identical: the guard for speed
# work, which must not change a byte.
#   bench/same_output.sh OLD_BINARY NEW_BINARY INPUT < command-lines
# Each line of standard input is a block size and switches, such as "0x800 -t1 -v".
set -uo pipefail
old=$(realpath "$1")
new=$(realpath "$2")
input=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/old" "$work/new"
cp "$input" "$work/old/in.raw"
cp "$input" "$work/new/in.raw"
status=0
while read -r line; do
  for side in old new; do
    binary=$old
    [ "$side" = new ] && binary=$new
    (
      cd "$work/$side" || exit 1
      rm -f ./*.WAV ./*.TXT
      # shellcheck disable=SC2086
      "$binary" in.raw $line > stdout.txt
      echo "status $?" >> stdout.txt
      md5sum ./*.WAV ./*.TXT > files.txt 2> /dev/null
    )
  done
  if cmp -s "$work/old/stdout.txt" "$work/new/stdout.txt" && cmp -s "$work/old/files.txt" "$work/new/files.txt"; then
    echo "same: $line ($(wc -l < "$work/old/files.txt") files)"
  else
    echo "DIFFERENT: $line"
    status=1
  fi
done
exit $status
