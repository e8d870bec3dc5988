#!/usr/bin/env bash
# The Windows leg of ./test (./test --windows): cross-builds build-windows/ with clang-cl for
# 32-bit x86 Windows in Microsoft's C++ ABI, then runs its tests and the end-to-end checks against
# a native build under Wine, and builds the package against the engine's SDK and checks it
# against the stand-in-built one (no Windows program runs for that). Ends with one line for
# the whole run: "N passed, N failed, N skipped".
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
end_with_verdict
failed=0

ensure_packages cmake ninja-build g++ libgtest-dev python3
ensure_windows_packages

# A build folder configured with another toolchain cannot be switched over; start it afresh.
cache=build-windows/CMakeCache.txt
if [ -f "$cache" ] && ! grep -q '^CMAKE_TOOLCHAIN_FILE.*clang-cl-i686' "$cache"; then
  echo "build-windows/ was configured with another toolchain; starting it afresh"
  rm -rf build-windows
fi
# The build fetches Wine's headers (libwine-dev:i386) unless it kept them; that needs the index.
if ! compgen -G "build-windows/wine-sdk/libwine-dev_*_i386.deb" >/dev/null &&
  ! apt-cache show libwine-dev:i386 >/dev/null 2>&1 && [ "$(id -u)" -eq 0 ]; then
  update_package_indexes
fi

section "build for Windows with clang-cl (build-windows/)"
configure_build build-windows --no-warn-unused-cli -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/clang-cl-i686.toolchain.cmake -DZENTRIK_WERROR=ON
use_wine_prefix build-windows
section "Windows tests under Wine"
run_ctest build-windows || failed=1

section "native build (build/), to compare against"
configure_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTRIK_WERROR=ON
section "end-to-end checks under Wine"
run_checks build-windows/end-to-end.log tests/windows/end_to_end.sh build-windows build ||
  failed=1
section "the package built against the engine's SDK (../shared/engine-sdk), checked statically"
run_checks build-windows/engine-sdk.log tests/windows/engine_sdk.sh build-windows || failed=1
exit $failed
