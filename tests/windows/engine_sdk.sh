#!/usr/bin/env bash
# The package against the engine's own SDK: builds Zentrik.dll from the package's sources with
# ZENTRIK_ENGINE_SDK, in Release, as a mod author would, with zentrik.exe beside it, and makes the
# mod author's archive from that build; then checks that DLL and the one built against the
# stand-in, the SDK and the engine's releases being the reference. Runs no Windows program, only
# the LLVM tools, so it checks on every machine:
#   - the SDK-built DLL links and exports exactly the names the engine looks up;
#   - every name either DLL imports from Core.dll or Engine.dll, that module of the SDK exports
#     (the two may import different names: the SDK defines some functions inline), and so does
#     that module of each release whose export lists ZENTRIK_ENGINE_ABI holds;
#   - every engine name the host and the tests import is the SDK's, or one the SDK lacks
#     altogether (what only the stand-in has);
#   - the export GPackage holds the 16-bit text "Zentrik" and its terminating zero;
#   - AQuorActor's vtable has the same functions in the same slots, by decorated name;
#   - AQuorActor, UClass and FFrame::Code have the SDK's size and offset;
#   - the archive holds exactly its four files, its Zentrik.dll is the SDK-built one, byte for
#     byte, and its two programs import only what Windows and every release export.
# Prints one "ok" or "FAIL" line per check, and one "skipped:" line for each check that lacks
# the SDK, the SDK-built DLL or the releases' export lists.
# Usage: tests/windows/engine_sdk.sh WINDOWS-BUILD (built already, against the stand-in)
# Environment: ZENTRIK_ENGINE_SDK, the SDK's folder (../shared/engine-sdk by default), and
# ZENTRIK_ENGINE_ABI, a folder of releases' export lists, one folder per release holding
# Core.exports.txt and Engine.exports.txt (../shared/engine-abi by default); a relative path
# is taken from the project's folder.
set -euo pipefail
cd "$(dirname "$0")/../.."
win=$1
sdk=${ZENTRIK_ENGINE_SDK:-../shared/engine-sdk}
abi=${ZENTRIK_ENGINE_ABI:-../shared/engine-abi}

built="the package builds against the engine's SDK in Release and exports exactly the engine's names"
standinImports="the stand-in-built Zentrik.dll imports only what the SDK's Core.lib and Engine.lib export"
sdkImports="the SDK-built Zentrik.dll imports only what the SDK's Core.lib and Engine.lib export"
hostNames="the host and the tests take the engine's names as the SDK declares them"
package="GPackage is the 16-bit text Zentrik in both builds"
slots="AQuorActor's vtable is the SDK's in the stand-in build"
sizes="AQuorActor, UClass and FFrame::Code have the SDK's size and offset in both builds"
archive="the mod author's archive"
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
# An archive is there only when this run made it.
rm -f "$win"/Zentrik-*-win32.zip

# The releases whose export lists are in $abi, each as "core NAME" lines in $work/abi-RELEASE.
releases=()
for folder in "$abi"/*/; do
  release=$(basename "$folder")
  if [ ! -f "$folder/Core.exports.txt" ] || [ ! -f "$folder/Engine.exports.txt" ]; then
    continue
  fi
  releases+=("$release")
  { sed 's/^/core /' "$folder/Core.exports.txt" && sed 's/^/engine /' "$folder/Engine.exports.txt"; } |
    tr -d '\r' | sort -u >"$work/abi-$release"
done

# What the engine's modules export, as the SDK's import libraries list it: "core NAME" lines in
# $work/sdk-exports; and the qualified names of the functions and data behind them
# ("core ?Logf@FOutputDevice@@"), whatever their parameters, in $work/sdk-qualified.
qualified() { sed -E 's/^([a-z]+) ((\?\?_?[0-9A-Z]|\?)[A-Za-z_0-9]+(@[A-Za-z_0-9]+)*@@).*/\1 \2/'; }
sdkExports() {
  local module
  for module in Core Engine; do
    "$llvm/llvm-nm" "$sdk/$module/Lib/$module.lib" | sed -n "s/^.* __imp_/${module,,} /p"
  done | sort -u >"$work/sdk-exports"
  qualified <"$work/sdk-exports" | sort -u >"$work/sdk-qualified"
}

# engineImports FILE: what FILE imports from Core.dll and Engine.dll, as "core NAME" lines.
engineImports() {
  "$readobj" --coff-imports "$1" |
    awk '/^ *Name:/ { dll = tolower($2) } /^ *Symbol:/ { print dll, $2 }' |
    sed -n 's/^\(core\|engine\)\.dll /\1 /p' | sort -u
}

# checkImports DLL EXPORTS CHECK: every name DLL imports from an engine module, that module
# exports, as the file EXPORTS lists them.
checkImports() {
  local module name count missing
  engineImports "$1" >"$work/imports"
  count=$(wc -l <"$work/imports")
  missing=$(comm -23 "$work/imports" "$2")
  set -- "$1" "$3"
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

# checkReleases DLL WHICH: checkImports against each release, one line each, naming it.
checkReleases() {
  local release
  if [ ${#releases[@]} -eq 0 ]; then
    echo "skipped: $2's engine imports, release by release (no export lists in $abi)"
  fi
  for release in "${releases[@]}"; do
    checkImports "$1" "$work/abi-$release" \
      "$2 imports only what release $release's Core.dll and Engine.dll export"
  done
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

# checkArchive ZIP: what the archive holds, against the build it was made from.
checkArchive() {
  local files expected release missing=""
  files=$(python3 - "$1" "$work/archive" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as archive:
    archive.extractall(sys.argv[2])
    print("\n".join(sorted(n for n in archive.namelist() if not n.endswith("/"))))
PY
  )
  expected=$(printf '%s\n' System/Zentrik.dll Tools/zentrik.exe Zentrik.txt \
    Zentrik/Classes/QuorActor.uc)
  if [ "$files" = "$expected" ]; then
    pass "$archive holds exactly $(paste -sd' ' <<<"$expected")"
  else
    fail "$archive does not hold exactly its four files (< expected, > held):"
    diff <(echo "$expected") <(echo "$files") | indent
  fi
  local dll=$work/archive/System/Zentrik.dll tool=$work/archive/Tools/zentrik.exe
  if ! cmp -s "$dll" "$sdkDll"; then
    fail "$archive: its System/Zentrik.dll is not the SDK-built $sdkDll"
  elif cmake -DREADOBJ="$readobj" -DMODULE="$dll" -DSAFESEH=ON \
    "-DEXPORTS=GPackage;autoclassAQuorActor;intAQuorActorexecGetCPUSerialNumber;_DllMain@12" \
    "-DIMPORT_DLLS=Core.dll;Engine.dll;msvcrt.dll;kernel32.dll;ntdll.dll" \
    -DSYSTEM_IMPORTS=tests/windows/system_imports.txt -P cmake/check_windows_module.cmake \
    >"$work/archive-dll.log" 2>&1; then
    pass "$archive: System/Zentrik.dll is the SDK-built one, byte for byte, with its four exports"
  else
    fail "$archive: System/Zentrik.dll:"
    indent <"$work/archive-dll.log"
  fi
  engineImports "$dll" >"$work/archive-imports"
  for release in "${releases[@]}"; do
    comm -23 "$work/archive-imports" "$work/abi-$release" | sed "s/^/release $release: /" \
      >>"$work/archive-missing"
  done
  missing=$(cat "$work/archive-missing" 2>/dev/null || true)
  if [ ${#releases[@]} -eq 0 ]; then
    echo "skipped: $archive: its engine imports, release by release (no export lists in $abi)"
  elif [ -z "$missing" ]; then
    pass "$archive: every engine import of System/Zentrik.dll is exported by releases" \
      "$(printf '%s\n' "${releases[@]}" | sed -e ':a' -e 'N;$!ba' -e 's/\n\([^\n]*\)$/ and \1/;s/\n/, /g')"
  else
    fail "$archive: System/Zentrik.dll imports what these releases do not export:"
    indent <<<"$missing"
  fi
  if cmake -DREADOBJ="$readobj" -DMODULE="$tool" -DSAFESEH=ON -DALONE=ON \
    "-DIMPORT_DLLS=msvcrt.dll;kernel32.dll;ntdll.dll" \
    -DSYSTEM_IMPORTS=tests/windows/system_imports.txt -P cmake/check_windows_module.cmake \
    >"$work/archive-tool.log" 2>&1; then
    pass "$archive: every import of Tools/zentrik.exe is in tests/windows/system_imports.txt"
  else
    fail "$archive: Tools/zentrik.exe:"
    indent <"$work/archive-tool.log"
  fi
}

# The checks that need the SDK-built DLL.
sdkBuiltChecks=("$sdkImports" "the SDK-built Zentrik.dll's engine imports, release by release"
  "$package" "$slots" "$sizes" "$archive")
checkSdkBuilt() {
  checkImports "$sdkDll" "$work/sdk-exports" "$sdkImports"
  checkReleases "$sdkDll" "the SDK-built Zentrik.dll"
  checkPackage
  checkSlots
  checkSizes
  local zip
  zip=$(find "$build" -maxdepth 1 -name 'Zentrik-*-win32.zip' -printf '%f\n')
  if [ -n "$zip" ]; then
    mv "$build/$zip" "$win/$zip"
    checkArchive "$win/$zip"
  else
    fail "$archive: CPack made no Zentrik-VERSION-win32.zip in $build"
  fi
}

# Without the SDK, every check of it says so, and there is no archive; the stand-in-built DLL is
# still checked against each release.
if [ ! -f "$sdk/Core/Inc/Core.h" ]; then
  for check in "$built" "$standinImports" "$hostNames" "${sdkBuiltChecks[@]}"; do
    echo "skipped: $check (the engine's SDK is not in $sdk)"
  done
  checkReleases "$standinDll" "the stand-in-built Zentrik.dll"
  [ "$failures" -eq 0 ]
  exit
fi
sdkExports
# The Wine headers and import libraries of the stand-in build serve this one too.
log=$work/build.log
sdkBuilt=false
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTRIK_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE=cmake/clang-cl-i686.toolchain.cmake \
  -DZENTRIK_WINE_SDK="$(cached ZENTRIK_WINE_SDK)" -DZENTRIK_ENGINE_SDK="$(realpath -m -- "$sdk")" &&
  cmake --build "$build" && cmake --build "$build" --target package; } >"$log" 2>&1; then
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
checkImports "$standinDll" "$work/sdk-exports" "$standinImports"
checkHostNames
checkReleases "$standinDll" "the stand-in-built Zentrik.dll"
if $sdkBuilt; then
  checkSdkBuilt
else
  for check in "${sdkBuiltChecks[@]}"; do
    echo "skipped: $check (there is no SDK-built Zentrik.dll)"
  done
fi
[ "$failures" -eq 0 ]
