#!/usr/bin/env bash
# End-to-end checks of the Windows build (clang-cl) under Wine: the package module in the engine
# host and the zentrik tool on Wine's own firmware table, and on every sample and shared table
# against a native build of the same sources, byte for byte (standard output, standard error and
# exit code).
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

# same NAME: the Windows run NAME.windows and the native run NAME.native agree byte for byte.
same() {
  counted && return 0
  local part differs=0
  for part in out err status; do
    if ! cmp -s "$work/$1.windows.$part" "$work/$1.native.$part"; then
      fail "$1: $part differs between the Windows and the native build:"
      diff <(od -c "$work/$1.native.$part") <(od -c "$work/$1.windows.$part") | head -20 || true
      differs=1
    fi
  done
  [ $differs -eq 1 ] || pass "$1: same output, diagnostics and exit code as the native build"
}

host=$win/bin/engine-host.exe
module=$win/lib/Zentrik.dll
tool=$win/bin/zentrik.exe

section "Wine's own firmware table"
# Wine synthesises a small table without a processor structure: the native logs its failure line
# and returns an empty string.
run live-host wine "$host" "$module"
expect live-host out $'\n'
expect live-host err $'Log: Couldn\'t get the relevant information. Contact the author!!\n'
expect live-host status $'0\n'

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
  run "$name.host.windows" wine "$host" --table "$table" "$module"
  run "$name.host.native" "$native/bin/engine-host" --table "$table" "$native/lib/Zentrik.so"
  same "$name.host"
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
  run "$input.host.windows" wine "$host" --table "$work/$input" "$module"
  run "$input.host.native" "$native/bin/engine-host" --table "$work/$input" \
    "$native/lib/Zentrik.so"
  same "$input.host"
  run "$input.windows" wine "$tool" records --table "$work/$input"
  run "$input.native" "$native/bin/zentrik" records --table "$work/$input"
  same "$input"
done

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
