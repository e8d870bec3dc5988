#!/usr/bin/env bash
# Builds the package with ZENTRIK_ENGINE_SDK pointing at an SDK folder, the engine stand-in of the
# Windows build posing as the engine's SDK (its headers and import library in the folder layout
# the option expects), and checks that the module behaves as the one built against engine/.
# Usage: tests/windows/engine_sdk_option.sh WINDOWS-BUILD (built already)
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/common.sh
win=$1
use_wine_prefix "$win"

sdk=$win/engine-sdk-option/sdk
build=$win/engine-sdk-option/build
rm -rf "$sdk"
mkdir -p "$sdk/Core/Inc" "$sdk/Core/Lib" "$sdk/Engine/Inc" "$sdk/Engine/Lib"
cp engine/include/*.h "$sdk/Core/Inc/"
cp "$win/lib/static/libCore.dll.a" "$sdk/Core/Lib/Core.lib"
cp "$win/lib/static/libEngine.dll.a" "$sdk/Engine/Lib/Engine.lib"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTRIK_WERROR=ON -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.toolchain.cmake -DZENTRIK_ENGINE_SDK="$PWD/$sdk" \
  >/dev/null 2>&1
cmake --build "$build" >/dev/null
cmake -DOBJDUMP=i686-w64-mingw32-objdump -DMODULE="$build/lib/Zentrik.dll" \
  "-DEXPECTED=GPackage;autoclassAQuorActor;intAQuorActorexecGetCPUSerialNumber;_DllMain@12" \
  -P cmake/check_exports.cmake

table=../shared/tables/smbioslib-jeffgerlap_3_2_0.dat
[ -f "$table" ] || table=samples/desktop.rsmb
expected=$(wine "$win/bin/engine-host.exe" --table "$table" "$win/lib/Zentrik.dll" 2>&1)
actual=$(wine "$win/bin/engine-host.exe" --table "$table" "$build/lib/Zentrik.dll" 2>&1)
if [ "$actual" != "$expected" ] || [ -z "$actual" ]; then
  echo "FAIL  the module built with ZENTRIK_ENGINE_SDK answers '$actual', not '$expected'"
  exit 1
fi
echo "ok    the module built with ZENTRIK_ENGINE_SDK answers '$actual' on $table, as the other"
