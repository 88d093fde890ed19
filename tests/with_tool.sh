#!/usr/bin/env bash
# Runs a command when a tool it needs is on the PATH; otherwise says so and exits 77,
# which ctest reports as a skipped test.
#   with_tool.sh TOOL COMMAND...
tool=$1
shift
if ! command -v "$tool" > /dev/null; then
  echo "skipped: $tool is not installed"
  exit 77
fi
exec "$@"
