#!/usr/bin/env bash
# The Windows leg of ./test (./test --windows): cross-builds build-windows/ with clang-cl for
# 32-bit x86 Windows in Microsoft's C++ ABI, then runs its tests and the end-to-end checks against
# a native build under Wine, and builds the package against the engine's SDK (ZENTRIK_ENGINE_SDK)
# with the mod author's archive and checks both DLLs against the SDK and the engine's releases
# (ZENTRIK_ENGINE_ABI; no Windows program runs for that). On a machine whose kernel
# runs no 32-bit programs (so no Wine), it still builds everything and runs every check that
# needs no Windows program, and says in one line how many tests it could not run and why.
# ZENTRIK_32BIT_PROGRAMS=yes or no overrides what this machine is found to be. Ends with one line
# for the whole run: "N passed, N failed, N skipped".
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
source scripts/wine.sh
end_with_verdict
failed=0

ensure_packages cmake ninja-build g++ libgtest-dev python3
ensure_windows_packages

# A build folder configured with another toolchain cannot be switched over, and one configured
# with another version of the toolchain file keeps that version's flags in its cache (CMake takes
# them only at the first configure): start it afresh, keeping the Wine headers and import
# libraries it made (and the packages it downloaded for them). The stamp names the toolchain file
# the folder was configured with.
cache=build-windows/CMakeCache.txt
stamp=build-windows/toolchain.sha256
toolchain_sum=$(sha256sum cmake/clang-cl-i686.toolchain.cmake | cut -d' ' -f1)
if [ -f "$cache" ] && [ "$(cat "$stamp" 2>/dev/null)" != "$toolchain_sum" ]; then
  echo "build-windows/ was configured with another toolchain file; starting it afresh"
  kept=$(mktemp -d)
  [ ! -d build-windows/wine-sdk ] || mv build-windows/wine-sdk "$kept/"
  rm -rf build-windows
  mkdir -p build-windows
  [ ! -d "$kept/wine-sdk" ] || mv "$kept/wine-sdk" build-windows/
  rmdir "$kept"
fi

# Whether this machine runs 32-bit programs, found once for the whole run (scripts/wine.sh).
# Wine is installed only where it can run; elsewhere the build takes Wine's DLLs, which it makes
# its import libraries from, out of Debian's package without installing it.
override=${ZENTRIK_32BIT_PROGRAMS:-}
probe=""
[ -n "$override" ] || probe=$(probe_32bit_programs build-windows)
if [ "$(windows_programs_decision "$probe" "$override" wine)" = run ]; then
  ensure_packages wine wine32:i386
fi
unset ZENTRIK_WINDOWS_PROGRAMS
decide_windows_programs build-windows "$probe" 2>&1
wine_runs=""
[ "$ZENTRIK_WINDOWS_PROGRAMS" != run ] || wine_runs=1

# The build fetches Wine's headers (libwine-dev:i386), and where Wine is not installed its DLLs
# (libwine:i386), unless it kept them; that needs the index.
if ! compgen -G "build-windows/wine-sdk/libwine-dev_*_i386.deb" >/dev/null &&
  ! apt-cache show libwine-dev:i386 >/dev/null 2>&1 && [ "$(id -u)" -eq 0 ]; then
  update_package_indexes
fi

section "build for Windows with clang-cl (build-windows/)"
configure_build build-windows --no-warn-unused-cli -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/clang-cl-i686.toolchain.cmake -DZENTRIK_WERROR=ON
echo "$toolchain_sum" >"$stamp"
if [ -n "$wine_runs" ]; then
  # One Wine server for the whole run, stopped when the run ends, however it ends: no gap between
  # programs (the native build below takes minutes) can outlast it. Before the verdict, one line
  # names the programs run once more after a failure of Wine's own.
  reruns=build-windows/wine-reruns.log
  reruns_from=$(stat -c %s "$reruns" 2>/dev/null || echo 0)
  report_wine_reruns() {
    echo
    wine_reruns_line "$reruns" "$reruns_from"
  }
  at_run_end stop_wine_server
  at_run_end report_wine_reruns
  use_wine_prefix build-windows -p
  section "Windows tests under Wine"
else
  section "Windows tests that need no Windows program to run"
fi
run_ctest build-windows || failed=1

# Before the end-to-end checks, which run the SDK-built DLL too.
section "the package built against the engine's SDK (${ZENTRIK_ENGINE_SDK:-../shared/engine-sdk}) and the mod author's archive, checked statically"
run_checks build-windows/engine-sdk.log tests/windows/engine_sdk.sh build-windows || failed=1

if [ -n "$wine_runs" ]; then
  section "native build (build/), to compare against"
  configure_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTRIK_WERROR=ON
  section "end-to-end checks under Wine"
  run_checks build-windows/end-to-end.log tests/windows/end_to_end.sh build-windows build ||
    failed=1
fi

if [ -z "$wine_runs" ]; then
  # Each CTest test that runs a Windows program counts as one, each end-to-end check as one.
  ctest_tests=$(ctest --test-dir build-windows -N -L wine | sed -n 's/^Total Tests: //p')
  end_to_end=$(tests/windows/end_to_end.sh --count build-windows)
  count_tests 0 0 "$end_to_end"
  echo
  echo "${ZENTRIK_WINDOWS_PROGRAMS#skip: }: $((ctest_tests + end_to_end)) Windows tests not run"
fi
exit $failed
