#!/usr/bin/env bash
# End-to-end checks of the Windows build (clang-cl) under Wine: the package module in the engine
# host and the zentrik tool on Wine's own firmware table, and on every sample and shared table
# against a native build of the same sources, byte for byte (standard output, standard error and
# exit code). The module's checks run on both Zentrik.dll: the one built against the stand-in and,
# where this run built it (tests/windows/engine_sdk.sh, which then made the archive), the one
# built against the engine's SDK, with package_test.exe too; each line names the DLL. The
# archive's zentrik.exe runs as well.
# Usage: tests/windows/end_to_end.sh WINDOWS-BUILD NATIVE-BUILD (both built already)
#        tests/windows/end_to_end.sh --count WINDOWS-BUILD: runs nothing, prints how many checks
#        it would run (for a machine that cannot run them)
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/common.sh
source scripts/wine.sh
counting=""
if [ "${1:-}" = --count ]; then
  counting=1
  shift
fi
win=$1
native=${2:-}
if [ -n "$counting" ]; then
  section() { :; }
else
  use_wine_prefix "$win"
fi

work=$win/end-to-end
rm -rf "$work"
mkdir -p "$work"
failures=0
checks=0
pass() { printf 'ok    %s\n' "$*"; }
fail() {
  printf 'FAIL  %s\n' "$*"
  failures=$((failures + 1))
}
# counted: true (and counts one check) when only counting.
counted() {
  [ -n "$counting" ] || return 1
  checks=$((checks + 1))
}

# run NAME COMMAND...: keeps the command's standard output, standard error and exit code in
# $work/NAME.out, .err and .status. A Windows program (`wine ...`) that fails for Wine's own
# reasons is run once more, and its second run is the one kept (logged in $win/wine-reruns.log).
run() {
  [ -z "$counting" ] || return 0
  local name=$1
  shift
  local status=0
  if [ "$1" = wine ]; then
    wine_run "$win/wine-reruns.log" "$work/$name.out" "$work/$name.err" "$@" || status=$?
  else
    "$@" >"$work/$name.out" 2>"$work/$name.err" || status=$?
  fi
  echo "$status" >"$work/$name.status"
}

# verify WHAT COMMAND...: one check that COMMAND succeeds.
verify() {
  counted && return 0
  local what=$1
  shift
  if "$@"; then
    pass "$what"
  else
    fail "$what"
  fi
}

# expect NAME PART TEXT: the part of run NAME is exactly TEXT.
expect() {
  counted && return 0
  if printf '%s' "$3" | cmp -s - "$work/$1.$2"; then
    pass "$1: $2 as expected"
  else
    fail "$1: $2 differs from what is expected:"
    diff <(printf '%s' "$3" | od -c) <(od -c "$work/$1.$2") | head -20 || true
  fi
}

# same NAME [NATIVE]: the Windows run NAME.windows and the native run NATIVE.native (by default
# NAME.native) agree byte for byte.
same() {
  counted && return 0
  local part differs=0 native=${2:-$1}
  for part in out err status; do
    if ! cmp -s "$work/$1.windows.$part" "$work/$native.native.$part"; then
      fail "$1: $part differs between the Windows and the native build:"
      diff <(od -c "$work/$native.native.$part") <(od -c "$work/$1.windows.$part") | head -20 ||
        true
      differs=1
    fi
  done
  [ $differs -eq 1 ] || pass "$1: same output, diagnostics and exit code as the native build"
}

host=$win/bin/engine-host.exe
tool=$win/bin/zentrik.exe
# The modules the checks run on, each as "LABEL PATH": the stand-in-built one, and the SDK-built
# one where this run built it (an archive is there only then).
modules=("stand-in-built $win/lib/Zentrik.dll")
archive=$(find "$win" -maxdepth 1 -name 'Zentrik-*-win32.zip' | head -1)
if [ -n "$archive" ] && [ -f "$win/engine-sdk/lib/Zentrik.dll" ]; then
  modules+=("SDK-built $win/engine-sdk/lib/Zentrik.dll")
elif [ -z "$counting" ]; then
  echo "skipped: every check of the SDK-built Zentrik.dll and of the archive's zentrik.exe" \
    "(this run built no Zentrik.dll against the engine's SDK)"
fi

section "Wine's own firmware table"
# Wine synthesises a small table without a processor structure: the native logs its failure line
# and returns an empty string.
for entry in "${modules[@]}"; do
  label=${entry%% *} module=${entry#* }
  run "live-host.$label" wine "$host" "$module"
  expect "live-host.$label" out $'\n'
  expect "live-host.$label" err $'Log: Couldn\'t get the relevant information. Contact the author!!\n'
  expect "live-host.$label" status $'0\n'
done

# The tool on the live table, and the table it captures there read by the native build.
run live-serial wine "$tool" serial
expect live-serial out ''
expect live-serial err $'Couldn\'t get the relevant information. Contact the author!!\n'
expect live-serial status $'1\n'

run live-records wine "$tool" records --json
expect live-records status $'0\n'
# shows_wine_bios FILE: the JSON records show Wine's BIOS record and no processor.
shows_wine_bios() {
  python3 - "$1" <<'PY'
import json, sys
records = json.load(open(sys.argv[1]))
bios = records["bios"]
assert bios["present"] == 1, "no BIOS record"
assert records["processor"]["present"] == 0, "a processor record"
print("      BIOS record: " + json.dumps(bios))
PY
}
verify "live-records: the JSON shows Wine's BIOS record and no processor" \
  shows_wine_bios "$work/live-records.out"
# The live table, captured under Wine, reads the same in the native build.
run live-capture wine "$tool" capture "$work/wine-live.rsmb"
expect live-capture status $'0\n'
run live-records.native "$native/bin/zentrik" records --table "$work/wine-live.rsmb" --json
# agree A B: the files are the same; shows how they differ where not.
agree() {
  cmp -s "$1" "$2" || {
    diff "$1" "$2" | head -20
    return 1
  }
}
verify "live-records: the native build reads the captured live table the same" \
  agree "$work/live-records.native.out" "$work/live-records.out"

section "sample and shared tables: Windows build against the native build"
shopt -s nullglob
tables=(samples/*.rsmb)
shared=${ZENTRIK_SHARED_TABLES:-../shared/tables}
if [ -d "$shared" ]; then
  for table in "$shared"/*; do
    [ -f "$table" ] && [ "${table%.md}" = "$table" ] && tables+=("$table")
  done
elif [ -z "$counting" ]; then
  echo "skipped: no shared tables in $shared"
fi
# An empty file: nothing to serve.
: >"$work/empty.rsmb"
tables+=("$work/empty.rsmb")
# A copy of /sys/firmware/dmi/tables: a folder holding smbios_entry_point and DMI.
if [ -f "$shared/fwupd-sysfs-T440s.DMI" ]; then
  mkdir -p "$work/sysfs-T440s"
  cp "$shared/fwupd-sysfs-T440s.DMI" "$work/sysfs-T440s/DMI"
  cp "$shared/fwupd-sysfs-T440s.smbios_entry_point" "$work/sysfs-T440s/smbios_entry_point"
  tables+=("$work/sysfs-T440s")
fi
for table in "${tables[@]}"; do
  name=$(basename "$table")
  run "$name.host.native" "$native/bin/engine-host" --table "$table" "$native/lib/Zentrik.so"
  for entry in "${modules[@]}"; do
    label=${entry%% *} module=${entry#* }
    run "$name.host.$label.windows" wine "$host" --table "$table" "$module"
    same "$name.host.$label" "$name.host"
  done
  for command in "records" "records --json" "inventory" "inventory --json" "id" "id --json" \
    "serial"; do
    label="$name.${command// /}"
    # shellcheck disable=SC2086
    run "$label.windows" wine "$tool" $command --table "$table"
    # shellcheck disable=SC2086
    run "$label.native" "$native/bin/zentrik" $command --table "$table"
    same "$label"
  done
done

# A table file that is not there, and a folder that holds no table: the same one-line error
# and exit code.
mkdir -p "$work/no-table"
for input in no-such.rsmb no-table; do
  run "$input.host.native" "$native/bin/engine-host" --table "$work/$input" \
    "$native/lib/Zentrik.so"
  for entry in "${modules[@]}"; do
    label=${entry%% *} module=${entry#* }
    run "$input.host.$label.windows" wine "$host" --table "$work/$input" "$module"
    same "$input.host.$label" "$input.host"
  done
  run "$input.windows" wine "$tool" records --table "$work/$input"
  run "$input.native" "$native/bin/zentrik" records --table "$work/$input"
  same "$input"
done

if [ ${#modules[@]} -gt 1 ]; then
  section "the SDK-built Zentrik.dll as the engine sees it, and the archive's zentrik.exe"
  # The checks that ctest's windows.package runs on the stand-in-built DLL: registration, the
  # 524-byte instances, the firmware read once, the failure path, the guard across modules.
  sdkModule=${modules[1]#* }
  run package-test.SDK-built wine "$win/bin/package_test.exe" "$sdkModule"
  # shows_passed NAME: the test program passed; its output where it did not.
  shows_passed() {
    grep -qx '0' "$work/$1.status" || {
      head -40 "$work/$1.out"
      return 1
    }
  }
  verify "package-test.SDK-built: registration, 524-byte instances, the ID, the failure path and the guard across modules" \
    shows_passed package-test.SDK-built
  # The tool as players get it, out of the archive, beside nothing of the build.
  if [ -z "$counting" ]; then
    python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
      "$archive" "$work/archive"
  fi
  run archive-tool.windows wine "$work/archive/Tools/zentrik.exe" id --table samples/desktop.rsmb
  run archive-tool.native "$native/bin/zentrik" id --table samples/desktop.rsmb
  same archive-tool
fi

if [ -n "$counting" ]; then
  echo "$checks"
  exit 0
fi
section "end-to-end result"
if [ $failures -ne 0 ]; then
  echo "$failures end-to-end check(s) failed; outputs are in $work"
  exit 1
fi
echo "all end-to-end checks passed"
