# The hardening legs of ./test: fuzzing, ThreadSanitizer and valgrind. Sourced after common.sh.

# Harnesses that this tree has (table_file_fuzzer arrives with the tool's table files).
fuzz_harnesses() {
  local name
  for name in table_load_fuzzer table_file_fuzzer; do
    [ -f "fuzz/${name}.cpp" ] && echo "$name"
  done
}

# Real machines' tables, when the shared folder is there, as extra seeds (never committed): as
# they stand for the table file harness, wrapped in the rsmb header for the load harness (by
# build-fuzz/bin/raw_seeds).
shared_seeds() {
  local tables=../shared/tables out=build-fuzz/shared-seeds
  [ -d "$tables" ] || return 0
  mkdir -p "$out/load" "$out/table_file"
  local f files=()
  for f in "$tables"/*; do
    [ -f "$f" ] || continue
    case "$f" in *.md) continue ;; esac
    files+=("$f")
  done
  [ ${#files[@]} -gt 0 ] || return 0
  cp "${files[@]}" "$out/table_file/"
  build-fuzz/bin/raw_seeds "$out/load" "${files[@]}" || return 1
  echo "$out"
}

# run_fuzzers SECONDS [keep]: builds build-fuzz/ with clang and libFuzzer and runs every harness
# for SECONDS, all at once (one core each). A crash, a leak, a timeout or an out-of-memory fails
# the leg and leaves the input in fuzz/findings/. With keep, what each harness reached beyond the
# shipped corpus then goes to fuzz/corpus/kept/ (keep_findings).
run_fuzzers() {
  local seconds=$1 keep=${2:-}
  # Only the harnesses: the other programs would need the sanitizer runtimes linked in too.
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DZENTRIK_FUZZ=ON -DZENTRIK_TESTS=OFF -DZENTRIK_WERROR=ON >/dev/null
  # shellcheck disable=SC2046
  cmake --build build-fuzz -j "$(nproc)" --target $(fuzz_harnesses) raw_seeds
  mkdir -p fuzz/findings
  local extra seeds=(fuzz/corpus)
  [ -d samples ] && seeds+=(samples)
  extra=$(shared_seeds)
  [ -n "$extra" ] && seeds+=("$extra")
  local name pids=() names=()
  for name in $(fuzz_harnesses); do
    mkdir -p "build-fuzz/corpus/$name"
    # The first folder collects what the fuzzer finds; the seed folders are only read.
    build-fuzz/bin/"$name" "build-fuzz/corpus/$name" "${seeds[@]}" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=3 \
      -dict=fuzz/smbios.dict -print_final_stats=1 \
      -artifact_prefix="fuzz/findings/$name-" >"build-fuzz/$name.log" 2>&1 &
    pids+=($!)
    names+=("$name")
  done
  local i failed=0
  for i in "${!pids[@]}"; do
    name=${names[$i]}
    if wait "${pids[$i]}"; then
      fuzz_summary "$name"
      if [ -z "$keep" ] || keep_findings "$name"; then
        count_test passed
      else
        count_test failed
        failed=1
      fi
    else
      count_test failed
      echo "FAILED: $name (log: build-fuzz/$name.log)" >&2
      grep -E 'ERROR|SUMMARY|Test unit written' "build-fuzz/$name.log" | head -20 >&2
      # The fuzzer closed standard error; one more run of the input shows the whole report.
      local finding
      finding=$(sed -n 's/.*Test unit written to //p' "build-fuzz/$name.log" | tail -1)
      if [ -n "$finding" ]; then
        build-fuzz/bin/"$name" "$finding" 2>&1 | grep -vE '^(INFO|Running|Executed|\*\*\*)' |
          head -40 >&2 || true
      fi
      failed=1
    fi
  done
  return $failed
}

# keep_findings NAME: rebuilds fuzz/corpus/kept/NAME/ from what it held and what the last run
# found (build-fuzz/corpus/NAME/), minimised by libFuzzer's -merge=1 on edges alone: an input stays
# only where it reaches code that every generated seed, the samples and the smaller inputs kept
# do not. Inputs above 16 KiB are left out, and so are inputs that share a run of 32 bytes with
# a real machine's table in ../shared, which never reach the repository. Found inputs carry
# libFuzzer's hash of their bytes as their name; a file named otherwise (an input that once broke
# a harness) is never dropped.
keep_findings() {
  local name=$1 work=build-fuzz/keep/$1 kept=fuzz/corpus/kept/$1 folder
  local hashed='^[0-9a-f]{40}$'
  rm -rf "$work"
  mkdir -p "$work/base" "$work/candidates" "$kept"
  for folder in fuzz/corpus/*/; do
    [ "$folder" = fuzz/corpus/kept/ ] || cp "$folder"* "$work/base/"
  done
  cp samples/*.rsmb "$work/base/"
  find "$kept" -type f -regextype egrep ! -regex ".*/[0-9a-f]{40}" -exec cp {} "$work/base/" \;
  find "$work/base" -type f -printf '%f\n' | sort >"$work/base.list"
  find "$kept" "build-fuzz/corpus/$name" -type f -size -16385c -regextype egrep \
    -regex ".*/[0-9a-f]{40}" -exec cp {} "$work/candidates/" \;
  [ -d ../shared/tables ] && drop_shared_overlap "$work/candidates" ../shared/tables
  if ! build-fuzz/bin/"$name" -merge=1 -use_counters=0 -rss_limit_mb=2048 -close_fd_mask=3 \
    "$work/base" "$work/candidates" >"$work/merge.log" 2>&1; then
    echo "FAILED: merging $name's findings (log: $work/merge.log)" >&2
    return 1
  fi
  local before after file
  before=$(find "$kept" -type f | wc -l)
  for file in "$kept"/*; do
    [[ "$(basename "$file")" =~ $hashed ]] && rm -f "$file"
  done
  find "$work/base" -type f -printf '%f\n' | sort | comm -13 "$work/base.list" - |
    while read -r file; do cp "$work/base/$file" "$kept/"; done
  after=$(find "$kept" -type f | wc -l)
  echo "$name: $after inputs kept in $kept (before: $before)"
}

# drop_shared_overlap FOLDER TABLES: deletes each file of FOLDER that holds 32 bytes in a row
# (not all one value) of a file in TABLES.
drop_shared_overlap() {
  python3 - "$1" "$2" <<'PYTHON'
import os, sys

folder, tables = sys.argv[1], sys.argv[2]
width = 32

def windows(data):
    for i in range(len(data) - width + 1):
        piece = data[i:i + width]
        if piece.count(piece[0]) != width:
            yield piece

shared = set()
for name in os.listdir(tables):
    path = os.path.join(tables, name)
    if os.path.isfile(path) and not name.endswith(".md"):
        with open(path, "rb") as f:
            shared.update(windows(f.read()))
for name in os.listdir(folder):
    path = os.path.join(folder, name)
    with open(path, "rb") as f:
        data = f.read()
    if any(piece in shared for piece in windows(data)):
        os.remove(path)
PYTHON
}

# One line per harness: executions, coverage (edges and features) and corpus size reached.
fuzz_summary() {
  local log=build-fuzz/$1.log
  local runs cov ft corp
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
  corp=$(grep -oE 'corp: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
  echo "$1: ${runs:-?} runs, ${cov:-?} edges, ${ft:-?} features, ${corp:-?} inputs in the corpus"
}

# The unit tests in a ThreadSanitizer build (build-tsan/), among them eight threads racing the
# first getRecord call.
run_tsan() {
  configure_build build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DZENTRIK_TSAN=ON -DZENTRIK_WERROR=ON
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_ctest build-tsan -j "$(nproc)"
}

# Memcheck over the unit tests (and the tool on the samples, once both are there), in build/:
# no invalid read or write, no use of an uninitialised value, and no leak other than the
# process-lifetime allocations named in tests/valgrind.supp.
run_valgrind() {
  # --keep-debuginfo: the package tests unload the module, whose allocations must still name
  # their functions for the suppressions to match.
  local vg=(valgrind --tool=memcheck --error-exitcode=99 --leak-check=full
    --errors-for-leak-kinds=definite,indirect,possible --track-origins=yes
    --suppressions=tests/valgrind.supp --keep-debuginfo=yes --quiet)
  # valgrind answers the CPUID instruction with a processor of its own, which cannot match what
  # /proc/cpuinfo says of the real one.
  # The bad-input suite checks the tool in processes of its own, which valgrind does not follow;
  # the tool gets its own runs below.
  local log=build/valgrind-unit-tests.log status=0 failed=0
  "${vg[@]}" build/bin/unit_tests --gtest_brief=1 \
    --gtest_filter=-ProcessorCpuidTest.*:ZentrikBadInput.*:*/ZentrikTruncatedSamples.* \
    2>&1 | tee "$log" || status=$?
  count_gtest_log "$log"
  # Memcheck's own findings (exit 99) fail the leg even where every test passed.
  if [ "$status" -eq 99 ]; then
    echo "FAILED: memcheck found errors in the unit tests" >&2
    count_test failed
    failed=1
  elif [ "$status" -ne 0 ]; then
    failed=1
  fi
  local sample args
  for sample in samples/*.rsmb; do
    [ -f "$sample" ] || continue
    echo "zentrik on $sample"
    for args in "records" "records --json" "inventory" "inventory --json" "id" "serial"; do
      status=0
      # valgrind reports on fd 3 (the terminal's standard error); the tool's own output is
      # dropped.
      # shellcheck disable=SC2086
      "${vg[@]}" --log-fd=3 build/bin/zentrik $args --table "$sample" >/dev/null 2>&1 3>&2 ||
        status=$?
      # No processor ID is exit 1, as the tool says; valgrind's errors are exit 99.
      if [ "$status" -le 1 ]; then
        count_test passed
      else
        echo "FAILED: zentrik $args --table $sample (exit $status)" >&2
        count_test failed
        failed=1
      fi
    done
  done
  return $failed
}
