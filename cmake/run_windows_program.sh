#!/usr/bin/env bash
# CTest's emulator for the Windows build's test programs: runs PROGRAM under Wine in the build
# folder's own prefix or, where this machine cannot run 32-bit programs (or has no Wine), says
# why on standard error and exits with the tests' SKIP_RETURN_CODE, so that CTest reports the
# test as skipped rather than failed. A run that fails for Wine's own reasons is run once more
# (logged in BUILD-DIR/wine-reruns.log); the output shown, once the program ends, is that of the
# run that counts.
# Usage: run_windows_program.sh BUILD-DIR PROGRAM [ARGS...]
set -euo pipefail
build=$1
shift
source "$(dirname "$0")/../scripts/wine.sh"
decide_windows_programs "$build"
if [ "$ZENTRIK_WINDOWS_PROGRAMS" != run ]; then
  echo "skipped: ${ZENTRIK_WINDOWS_PROGRAMS#skip: }" >&2
  exit "$windows_test_skipped"
fi
use_wine_prefix "$build"
kept=$(mktemp -d)
trap 'rm -rf "$kept"' EXIT
status=0
wine_run "$build/wine-reruns.log" "$kept/out" "$kept/err" wine "$@" || status=$?
cat "$kept/out"
cat "$kept/err" >&2
exit "$status"
