#!/usr/bin/env bash
# The package against the engine's own SDK (../shared/engine-sdk): builds Zentrik.dll from the
# package's sources with ZENTRIK_ENGINE_SDK, as a mod author would, then compares it with the
# Zentrik.dll built against the stand-in, the SDK being the reference. Runs no Windows program,
# only the LLVM tools, so it checks on every machine:
#   - the SDK-built DLL links and exports exactly the names the engine looks up;
#   - every name either DLL imports from Core.dll or Engine.dll, that module of the SDK exports
#     (the two may import different names: the SDK defines some functions inline);
#   - every engine name the host and the tests import is the SDK's, or one the SDK lacks
#     altogether (what only the stand-in has);
#   - the export GPackage holds the 16-bit text "Zentrik" and its terminating zero;
#   - AQuorActor's vtable has the same functions in the same slots, by decorated name;
#   - AQuorActor, UClass and FFrame::Code have the SDK's size and offset.
# Prints one "ok" or "FAIL" line per check; without the SDK, one "skipped:" line per check.
# Usage: tests/windows/engine_sdk.sh WINDOWS-BUILD (built already, against the stand-in)
set -euo pipefail
cd "$(dirname "$0")/../.."
win=$1
sdk=../shared/engine-sdk

built="the package builds against the engine's SDK and exports exactly the engine's names"
standinImports="the stand-in-built Zentrik.dll imports only what the engine's modules export"
sdkImports="the SDK-built Zentrik.dll imports only what the engine's modules export"
hostNames="the host and the tests take the engine's names as the SDK declares them"
package="GPackage is the 16-bit text Zentrik in both builds"
slots="AQuorActor's vtable is the SDK's in the stand-in build"
sizes="AQuorActor, UClass and FFrame::Code have the SDK's size and offset in both builds"
if [ ! -f "$sdk/Core/Inc/Core.h" ]; then
  for check in "$built" "$standinImports" "$sdkImports" "$hostNames" "$package" "$slots" \
    "$sizes"; do
    echo "skipped: $check (the engine's SDK is not in $sdk)"
  done
  exit 0
fi

failures=0
pass() { printf 'ok    %s\n' "$*"; }
fail() {
  printf 'FAIL  %s\n' "$*"
  failures=$((failures + 1))
}
indent() { sed 's/^/        /'; }
cached() { sed -n "s/^$1:[A-Z]*=//p" "$win/CMakeCache.txt"; }
readobj=$(cached ZENTRIK_READOBJ)
llvm=$(dirname "$readobj")
work=$PWD/$win/engine-sdk-checks
rm -rf "$work"
mkdir -p "$work"
build=$win/engine-sdk
standinDll=$win/lib/Zentrik.dll
sdkDll=$build/lib/Zentrik.dll

# What the engine's modules export, as the SDK's import libraries list it: "core NAME" lines.
for module in Core Engine; do
  "$llvm/llvm-nm" "$sdk/$module/Lib/$module.lib" 2>/dev/null | sed -n "s/^.* __imp_/${module,,} /p"
done | sort -u >"$work/sdk-exports"
# The qualified names of the functions and data behind them ("core ?Logf@FOutputDevice@@"),
# whatever their parameters.
qualified() { sed -E 's/^([a-z]+) ((\?\?_?[0-9A-Z]|\?)[A-Za-z_0-9]+(@[A-Za-z_0-9]+)*@@).*/\1 \2/'; }
qualified <"$work/sdk-exports" | sort -u >"$work/sdk-qualified"

# engineImports FILE: what FILE imports from Core.dll and Engine.dll, as "core NAME" lines.
engineImports() {
  "$readobj" --coff-imports "$1" |
    awk '/^ *Name:/ { dll = tolower($2) } /^ *Symbol:/ { print dll, $2 }' |
    sed -n 's/^\(core\|engine\)\.dll /\1 /p' | sort -u
}

# checkImports DLL CHECK: every name DLL imports from an engine module, that module exports.
checkImports() {
  local module name count missing
  engineImports "$1" >"$work/imports"
  count=$(wc -l <"$work/imports")
  missing=$(comm -23 "$work/imports" "$work/sdk-exports")
  if [ "$count" -eq 0 ]; then
    fail "$2: it imports nothing from them, which cannot be"
  elif [ -z "$missing" ]; then
    pass "$2 ($count names)"
  else
    fail "$2: $(wc -l <<<"$missing") of its $count names are missing:"
    while read -r module name; do
      echo "$module.dll $name: $("$llvm/llvm-undname" <<<"$name" 2>/dev/null | sed -n 2p)"
    done <<<"$missing" | indent
  fi
}

# The host and the tests may use what only the stand-in has (its test seam, spawning and class
# lookup), but what the engine has too they must take in the engine's form.
checkHostNames() {
  local program module name differs=""
  for program in engine-host package_test; do
    while read -r module name; do
      if ! grep -qxF "$module $name" "$work/sdk-exports" &&
        grep -qxF "$(qualified <<<"$module $name")" "$work/sdk-qualified"; then
        differs+="$program.exe: $module.dll $name"$'\n'
      fi
    done < <(engineImports "$win/bin/$program.exe")
  done
  if [ -z "$differs" ]; then
    pass "$hostNames"
  else
    fail "$hostNames; these are declared otherwise:"
    printf '%s' "$differs" | indent
  fi
}

# exportBytes DLL NAME COUNT: the first COUNT bytes at export NAME, as hexadecimal pairs.
exportBytes() {
  local rva size address offset
  rva=$("$readobj" --coff-exports "$1" | awk -v name="$2" '$1 == "Name:" { found = $2 == name }
    found && $1 == "RVA:" { print $2; exit }')
  [ -n "$rva" ] || return 0
  while read -r size address offset; do
    if ((rva >= address && rva < address + size)); then
      od -An -tx1 -v -j $((offset + rva - address)) -N "$3" "$1" | xargs
      return 0
    fi
  done < <("$readobj" --sections "$1" | awk '$1 == "VirtualSize:" { size = $2 }
    $1 == "VirtualAddress:" { address = $2 } $1 == "PointerToRawData:" { print size, address, $2 }')
}

checkPackage() {
  local expected="5a 00 65 00 6e 00 74 00 72 00 69 00 6b 00 00 00" dll bytes wrong=""
  for dll in "$standinDll" "$sdkDll"; do
    bytes=$(exportBytes "$dll" GPackage 16)
    [ "$bytes" = "$expected" ] || wrong+="$dll: ${bytes:-no export GPackage}"$'\n'
  done
  if [ -z "$wrong" ]; then
    pass "$package"
  else
    fail "$package ($expected); it is not in"
    printf '%s' "$wrong" | indent
  fi
}

# compileCommand BUILD: the words of the command that compiles package/QuorActor.cpp in BUILD,
# one a line, in its folder (the first line).
compileCommand() {
  python3 - "$1/compile_commands.json" <<'PY'
import json, shlex, sys
for entry in json.load(open(sys.argv[1])):
    if entry["file"].endswith("package/QuorActor.cpp"):
        print("\n".join([entry["directory"]] + shlex.split(entry["command"])))
PY
}

# vtable BUILD: the decorated name of each slot of AQuorActor's vtable in BUILD's object of
# package/QuorActor.cpp, one a line, from the relocations of the section that holds it.
vtable() {
  local -a command
  local object section start offset name
  mapfile -t command < <(compileCommand "$1")
  object=$(printf '%s\n' "${command[@]}" | sed -n 's|^/Fo||p')
  read -r section start < <("$readobj" --symbols "${command[0]}/$object" | awk '
    $1 == "Name:" { name = $2 } $1 == "Value:" { value = $2 }
    $1 == "Section:" && name == "??_7AQuorActor@@6B@" { gsub(/[()]/, "", $3); print $3, value
      exit }')
  [ -n "${section:-}" ] || return 0
  while read -r offset name; do
    ((offset < start)) || echo "$name"
  done < <("$readobj" --relocations "${command[0]}/$object" | awk -v section="($section)" '
    $1 == "Section" { inside = $2 == section } inside && $2 ~ /^IMAGE_REL/ { print $1, $3 }')
}

checkSlots() {
  vtable "$build" >"$work/vtable.sdk"
  vtable "$win" >"$work/vtable.standin"
  local count
  count=$(wc -l <"$work/vtable.sdk")
  if [ "$count" -ne 40 ]; then
    fail "$slots: the SDK build's vtable has $count slots, not the engine's 40"
  elif diff "$work/vtable.sdk" "$work/vtable.standin" >"$work/vtable.diff"; then
    pass "$slots (40 slots)"
  else
    fail "$slots; the slots differ (< SDK, > stand-in):"
    indent <"$work/vtable.diff"
  fi
}

# layout BUILD: "AQuorActor SIZE", "FFrame::Code OFFSET" and "UClass SIZE" as the compiler lays
# them out for package/QuorActor.cpp in BUILD, compiled once more with its layouts dumped.
layout() {
  local -a command
  mapfile -t command < <(compileCommand "$1")
  (cd "${command[0]}" && "${command[1]}" -Xclang -fdump-record-layouts "/Fo$work/layout.obj" \
    $(printf '%s\n' "${command[@]:2}" | grep -v '^/F[od]')) |
    awk '/Dumping AST Record Layout/ { getline; record = $NF }
      record == "FFrame" && $2 == "|" && $NF == "Code" { print "FFrame::Code", $1 }
      /\[sizeof=/ && (record == "AQuorActor" || record == "UClass") {
        sub(/.*sizeof=/, ""); sub(/,.*/, ""); print record, $0 }' | sort -u
}

checkSizes() {
  layout "$build" >"$work/layout.sdk"
  layout "$win" >"$work/layout.standin"
  if ! grep -qx "AQuorActor 524" "$work/layout.sdk" || [ "$(wc -l <"$work/layout.sdk")" -ne 3 ]; then
    fail "$sizes: against the SDK AQuorActor is not 524 bytes, the size the engine registers:"
    indent <"$work/layout.sdk"
  elif diff "$work/layout.sdk" "$work/layout.standin" >"$work/layout.diff"; then
    pass "$sizes ($(paste -sd, "$work/layout.sdk" | sed 's/,/, /g'))"
  else
    fail "$sizes; they differ (< SDK, > stand-in):"
    indent <"$work/layout.diff"
  fi
}

# The Wine headers and import libraries of the stand-in build serve this one too.
log=$work/build.log
sdkBuilt=false
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$(cached CMAKE_BUILD_TYPE)" \
  -DZENTRIK_WERROR=ON -DCMAKE_TOOLCHAIN_FILE=cmake/clang-cl-i686.toolchain.cmake \
  -DZENTRIK_WINE_SDK="$(cached ZENTRIK_WINE_SDK)" -DZENTRIK_ENGINE_SDK="$PWD/$sdk" &&
  cmake --build "$build"; } >"$log" 2>&1; then
  fail "$built: the build failed (log: $log):"
  grep -E 'error|FAILED' "$log" | head -20 | indent
elif ! cmake -DREADOBJ="$readobj" -DMODULE="$sdkDll" -DSAFESEH=ON -DALONE=ON \
  "-DEXPORTS=GPackage;autoclassAQuorActor;intAQuorActorexecGetCPUSerialNumber;_DllMain@12" \
  "-DIMPORT_DLLS=Core.dll;Engine.dll;msvcrt.dll;kernel32.dll;ntdll.dll" \
  "-DDECORATED_FROM=Core.dll;Engine.dll" -DSYSTEM_IMPORTS=tests/windows/system_imports.txt \
  -P cmake/check_windows_module.cmake >"$work/module.log" 2>&1; then
  fail "$built:"
  indent <"$work/module.log"
  sdkBuilt=true
else
  pass "$built"
  sdkBuilt=true
fi
checkImports "$standinDll" "$standinImports"
checkHostNames
if $sdkBuilt; then
  checkImports "$sdkDll" "$sdkImports"
  checkPackage
  checkSlots
  checkSizes
else
  for check in "$sdkImports" "$package" "$slots" "$sizes"; do
    echo "skipped: $check (there is no SDK-built Zentrik.dll)"
  done
fi
[ "$failures" -eq 0 ]
