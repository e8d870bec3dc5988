#!/usr/bin/env bash
# CTest's emulator for the Windows build's test programs: runs PROGRAM under Wine in the build
# folder's own prefix or, where this machine cannot run 32-bit programs (or has no Wine), says
# why on standard error and exits with the tests' SKIP_RETURN_CODE, so that CTest reports the
# test as skipped rather than failed.
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
exec wine "$@"
