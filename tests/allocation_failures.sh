#!/usr/bin/env bash
# When memory runs out: runs the zentrik tool (each command) and engine-host with the package
# module on every sample table, failing each heap allocation in turn (the k-th malloc, calloc or
# realloc of the process, for every k the run makes), through a preloaded shim. Every run must end
# in order: no signal, no hang, an exit status the program documents, and a message when that
# status is not 0.
# Usage: tests/allocation_failures.sh SHIM ZENTRIK ENGINE-HOST MODULE SAMPLE...
set -uo pipefail
shim=$1 tool=$2 host=$3 module=$4
shift 4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=0
failures=0

# check COMMAND...: every allocation of the command, failed in turn.
check() {
  local count status k
  rm -f "$work/count"
  # Only the command gets the shim, not timeout.
  timeout 20 env ZENTRIK_ALLOCATION_COUNT="$work/count" LD_PRELOAD="$shim" "$@" >/dev/null 2>&1
  count=$(cat "$work/count" 2>/dev/null || echo 0)
  for ((k = 1; k <= count; k++)); do
    runs=$((runs + 1))
    status=0
    timeout 20 env ZENTRIK_FAIL_ALLOCATION="$k" LD_PRELOAD="$shim" "$@" >"$work/out" 2>"$work/err" ||
      status=$?
    # A status above 4 is a signal (128 and up), a hang (timeout's 124) or none the program has.
    if [ "$status" -gt 4 ] ||
      { [ "$status" -ne 0 ] && [ ! -s "$work/out" ] && [ ! -s "$work/err" ]; }; then
      failures=$((failures + 1))
      echo "FAIL  allocation $k of $count failed: $* ended with status $status" \
        "($([ "$status" -eq 124 ] && echo 'a hang' || echo 'a signal or an undocumented status'))"
      head -c 400 "$work/err"
      echo
    fi
  done
}

check "$tool" capture "$work/captured.bin"
for table in "$@"; do
  for command in "records" "records --json" "inventory" "inventory --json" "id" "id --json" \
    "serial"; do
    # shellcheck disable=SC2086 # the command's words
    check "$tool" $command --table "$table"
  done
  check "$host" --table "$table" "$module"
done
echo "$runs runs with one allocation failed each, $failures not in order"
if [ "$runs" -eq 0 ]; then
  echo "FAIL  no allocation was counted at all: the shim was not preloaded"
  exit 1
fi
[ "$failures" -eq 0 ]
