#!/usr/bin/env bash
# The committed window icon and wall texture are what their tools write
# today: a change to a tool that alters its output must come with the new
# file, and a hand-edited file is caught.
# Usage: committed_outputs_test.sh TOOL COMMITTED_FILE [TOOL COMMITTED_FILE ...]
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
while [ $# -ge 2 ]; do
  tool=$1 committed=$2
  shift 2
  written="$work/$(basename "$committed")"
  if ! "$tool" "$written"; then
    echo "FAIL: $tool could not write $written"
    status=1
  elif ! cmp "$written" "$committed"; then
    echo "FAIL: $tool writes another $(basename "$committed") than the one committed"
    status=1
  else
    echo "ok: $(basename "$committed") is what $(basename "$tool") writes"
  fi
done
exit $status
