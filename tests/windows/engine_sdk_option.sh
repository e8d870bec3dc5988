#!/usr/bin/env bash
# Builds the package with ZENTRIK_ENGINE_SDK pointing at an SDK folder, the engine stand-in of the
# clang-cl build posing as the engine's SDK (its headers and import libraries in the folder layout
# the option expects), and checks that the module is the one built against engine/: the same
# exports and imports, and the same answer in the engine host under Wine.
# Usage: tests/windows/engine_sdk_option.sh WINDOWS-BUILD (built already)
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/common.sh
source scripts/wine.sh
win=$1

sdk=$win/engine-sdk-option/sdk
build=$win/engine-sdk-option/build
rm -rf "$sdk"
mkdir -p "$sdk/Core/Inc" "$sdk/Core/Lib" "$sdk/Engine/Inc" "$sdk/Engine/Lib"
cp engine/include/*.h "$sdk/Core/Inc/"
cp "$win/lib/static/Core.lib" "$sdk/Core/Lib/Core.lib"
cp "$win/lib/static/Engine.lib" "$sdk/Engine/Lib/Engine.lib"

# The Wine headers and import libraries of the first build serve this one too.
wineSdk=$(sed -n 's/^ZENTRIK_WINE_SDK:[A-Z]*=//p' "$win/CMakeCache.txt")
log=$win/engine-sdk-option/build.log
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTRIK_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE=cmake/clang-cl-i686.toolchain.cmake -DZENTRIK_WINE_SDK="$wineSdk" \
  -DZENTRIK_ENGINE_SDK="$PWD/$sdk" && cmake --build "$build"; } >"$log" 2>&1; then
  cat "$log"
  echo "FAIL  the package does not build with ZENTRIK_ENGINE_SDK"
  exit 1
fi

# Every import as "dll name", in one order.
imports() {
  llvm-readobj --coff-imports "$1" | awk '/^ *Name:/ { dll = tolower($2) } /^ *Symbol:/ { print dll, $2 }' |
    sort
}
cmake -DREADOBJ=llvm-readobj -DMODULE="$build/lib/Zentrik.dll" -DSAFESEH=ON -DALONE=ON \
  "-DEXPORTS=GPackage;autoclassAQuorActor;intAQuorActorexecGetCPUSerialNumber;_DllMain@12" \
  "-DIMPORT_DLLS=Core.dll;Engine.dll;msvcrt.dll;kernel32.dll;ntdll.dll" \
  "-DDECORATED_FROM=Core.dll;Engine.dll" -DSYSTEM_IMPORTS=tests/windows/system_imports.txt \
  -P cmake/check_windows_module.cmake >/dev/null
if ! diff <(imports "$win/lib/Zentrik.dll") <(imports "$build/lib/Zentrik.dll"); then
  echo "FAIL  the module built with ZENTRIK_ENGINE_SDK imports other names than the other"
  exit 1
fi
echo "ok    the module built with ZENTRIK_ENGINE_SDK exports and imports what the other does"

programs=$(windows_programs "$win")
if [ "$programs" != run ]; then
  echo "skipped: the module's answer in the engine host: ${programs#skip: }"
  exit 0
fi
use_wine_prefix "$win"
table=../shared/tables/smbioslib-jeffgerlap_3_2_0.dat
[ -f "$table" ] || table=samples/desktop.rsmb
expected=$(wine "$win/bin/engine-host.exe" --table "$table" "$win/lib/Zentrik.dll" 2>&1)
actual=$(wine "$win/bin/engine-host.exe" --table "$table" "$build/lib/Zentrik.dll" 2>&1)
if [ "$actual" != "$expected" ] || [ -z "$actual" ]; then
  echo "FAIL  the module built with ZENTRIK_ENGINE_SDK answers '$actual', not '$expected'"
  exit 1
fi
echo "ok    the module built with ZENTRIK_ENGINE_SDK answers '$actual' on $table, as the other"
