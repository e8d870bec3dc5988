#!/usr/bin/env bash
# Runs the zentrik tool and engine-host with the package module of two commits side by side on
# every sample, shared table and fuzz corpus file, in every command, output format and table
# layout (and on the usage errors and help texts), and shows every difference in standard
# output, standard error, exit status or the file that capture writes. For a change that must not
# change a byte of what the programs say.
# Usage: scripts/compare_outputs.sh BEFORE [AFTER]   two commits (AFTER: the work tree as it is)
# Exit status: 0 no difference, 1 some difference, 2 a build failed or bad usage.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

usage() { sed -n '2,8s/^# \{0,1\}//p' "$0"; }
case "${1:-}" in
  --help | -h)
    usage
    exit 0
    ;;
esac
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  usage >&2
  exit 2
fi

work=$(mktemp -d)
trap 'git worktree remove --force "$work/before-tree" >/dev/null 2>&1 || true
      git worktree remove --force "$work/after-tree" >/dev/null 2>&1 || true
      rm -rf "$work"' EXIT

# build NAME [COMMIT]: builds the tool, the host and the module of COMMIT (the work tree without
# one) and links them into $work/NAME under fixed names, so that both sides are run alike.
build() {
  local name=$1 commit=${2:-} source=$PWD
  if [ -n "$commit" ]; then
    source=$work/$name-tree
    git worktree add --detach --quiet "$source" "$commit"
  fi
  echo "building $name (${commit:-the work tree}) ..."
  if ! { cmake -S "$source" -B "$work/$name-build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZENTRIK_TESTS=OFF && cmake --build "$work/$name-build" -j "$(nproc)" \
    --target zentrik engine_host zentrik_module; } >"$work/$name-build.log" 2>&1; then
    tail -30 "$work/$name-build.log"
    echo "the build of $name failed"
    exit 2
  fi
  mkdir -p "$work/$name"
  ln -s "$work/$name-build/bin/zentrik" "$work/$name/zentrik"
  ln -s "$work/$name-build/bin/engine-host" "$work/$name/engine-host"
  ln -s "$work/$name-build/lib/Zentrik.so" "$work/$name/Zentrik.so"
}
build before "$1"
build after "${2:-}"

# The inputs, copied to one place so that every message names them alike.
inputs=$work/inputs
mkdir -p "$inputs"
n=0
add_input() {
  n=$((n + 1))
  cp -r "$1" "$inputs/$(printf '%04d' $n)-$(basename "$1")"
}
shopt -s nullglob globstar
for f in samples/*.rsmb fuzz/corpus/**/*; do [ -f "$f" ] && add_input "$f"; done
shared=${ZENTRIK_SHARED_TABLES:-../shared/tables}
if [ -d "$shared" ]; then
  for f in "$shared"/*; do [ -f "$f" ] && [ "${f%.md}" = "$f" ] && add_input "$f"; done
  if [ -f "$shared/fwupd-sysfs-T440s.DMI" ]; then
    mkdir -p "$work/sysfs"
    cp "$shared/fwupd-sysfs-T440s.DMI" "$work/sysfs/DMI"
    cp "$shared/fwupd-sysfs-T440s.smbios_entry_point" "$work/sysfs/smbios_entry_point"
    add_input "$work/sysfs"
  fi
else
  echo "no shared tables in $shared: comparing on the samples and the corpus only"
fi
: >"$inputs/empty"
mkdir -p "$inputs/no-table"

# Every way of running the programs, one a line; @IN stands for the input, @OUT for a file that
# the run may write.
commands=$work/commands
{
  for args in "" --help --version bogus "records --bogus" "records --table" "--table x records"; do
    echo "zentrik $args"
  done
  for command in records inventory id serial capture; do
    echo "zentrik $command --help"
    echo "zentrik $command -h"
  done
  for command in records "records --json" inventory "inventory --json" id "id --json" serial; do
    echo "zentrik $command"
    echo "zentrik $command --table $inputs/no-such-file"
    echo "zentrik $command --table ''"
  done
  echo "zentrik capture @OUT"
  echo "engine-host --help"
  echo "engine-host Zentrik.so"
  echo "engine-host --table $inputs/no-such-file Zentrik.so"
  for input in "$inputs"/*; do
    for format in "" "--format auto" "--format rsmb" "--format dump" "--format raw" \
      "--format bare"; do
      for command in records "records --json" inventory "inventory --json" id "id --json" \
        serial "capture @OUT"; do
        echo "zentrik $command --table $input $format"
      done
      echo "engine-host --table $input $format Zentrik.so"
    done
  done
} >"$commands"

# run SIDE LINE: runs one line in $work/SIDE, keeping what it said in $work/SIDE.out, .err and
# .status (and the file it wrote in .file).
run() {
  local side=$1 line=$2 status=0
  local out=$work/written
  rm -f "$out"
  line=${line//@OUT/$out}
  (
    cd "$work/$side"
    # shellcheck disable=SC2086 # the line's words
    eval "set -- $line"
    program=$1
    shift
    exec -a "$program" "./$program" "$@" </dev/null
  ) >"$work/$side.out" 2>"$work/$side.err" || status=$?
  echo "$status" >"$work/$side.status"
  if [ -f "$out" ]; then mv "$out" "$work/$side.file"; else : >"$work/$side.file"; fi
}

total=$(wc -l <"$commands")
echo "comparing $total runs of each side ..."
differences=0
while IFS= read -r line; do
  run before "$line"
  run after "$line"
  for part in out err status file; do
    if ! cmp -s "$work/before.$part" "$work/after.$part"; then
      differences=$((differences + 1))
      echo "DIFFERS ($part): $line"
      diff <(od -c "$work/before.$part") <(od -c "$work/after.$part") | head -10 || true
    fi
  done
done <"$commands"
if [ "$differences" -ne 0 ]; then
  echo "$differences difference(s) in $total runs"
  exit 1
fi
echo "no difference in $total runs (standard output, standard error, exit status, written file)"
