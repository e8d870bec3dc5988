#!/usr/bin/env bash
# The Windows leg of ./test (./test --windows): cross-builds build-windows/ with MinGW-w64 for
# 32-bit x86 Windows, then runs the unit tests and the end-to-end checks under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

ensure_packages cmake ninja-build g++ libgtest-dev
ensure_windows_packages

section "build for Windows (build-windows/)"
configure_build build-windows -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTRIK_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.toolchain.cmake
use_wine_prefix build-windows
section "Windows unit tests under Wine"
ctest --test-dir build-windows --output-on-failure

section "native build (build/), to compare against"
configure_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTRIK_WERROR=ON
section "end-to-end checks under Wine"
tests/windows/end_to_end.sh build-windows build
section "the package built with ZENTRIK_ENGINE_SDK (the stand-in posing as the SDK)"
tests/windows/engine_sdk_option.sh build-windows
