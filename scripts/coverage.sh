# The coverage leg of ./test (./test --coverage): how much of the table-reading code the shipped
# corpus reaches. Sourced after common.sh.

# The folders whose branches the corpus must reach, and the share it must reach in all.
coverage_folders=(reader structures records decoders tablefile)
coverage_floor=95

# Each replay program with the inputs it replays, as CTest runs them: its generated seeds, what
# fuzzing kept for it, and the samples.
coverage_replays() {
  echo "table_load_fuzzer load"
  echo "table_file_fuzzer table_file"
}

# run_coverage: builds the two replay programs with clang's source coverage in build-coverage/,
# replays the shipped corpus, and prints the share of branch outcomes taken per folder and in
# all. Fails when a replay fails or the share in all is below the floor. The whole report goes to
# build-coverage/report.txt and every branch outcome never taken to build-coverage/missed.txt.
run_coverage() {
  local dir=build-coverage
  local flags="-fprofile-instr-generate -fcoverage-mapping"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DZENTRIK_TESTS=OFF -DZENTRIK_WERROR=ON -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" >/dev/null
  local harness corpus programs=()
  while read -r harness corpus; do programs+=("${harness}_replay"); done < <(coverage_replays)
  cmake --build "$dir" -j "$(nproc)" --target "${programs[@]}"

  rm -rf "$dir/profiles"
  mkdir -p "$dir/profiles"
  local failed=0 inputs
  while read -r harness corpus; do
    inputs=("fuzz/corpus/$corpus")
    [ -d "fuzz/corpus/kept/$harness" ] && inputs+=("fuzz/corpus/kept/$harness")
    inputs+=(samples/*.rsmb)
    # The load's own messages about broken tables go to the log; its last word is shown.
    if LLVM_PROFILE_FILE="$dir/profiles/$harness.profraw" "$dir/bin/${harness}_replay" \
      "${inputs[@]}" >"$dir/$harness.log" 2>&1; then
      echo "$harness: $(grep '^replayed' "$dir/$harness.log")"
    else
      echo "FAILED: the replay of $harness's corpus (log: $dir/$harness.log)" >&2
      tail -3 "$dir/$harness.log" >&2
      failed=1
    fi
  done < <(coverage_replays)
  if [ "$failed" -ne 0 ]; then
    count_test failed
    return 1
  fi
  llvm-profdata merge -sparse -o "$dir/profiles/all.profdata" "$dir"/profiles/*.profraw

  local objects=() program
  for program in "${programs[@]}"; do objects+=(-object "$dir/bin/$program"); done
  # Both programs define the harness entry point, whose counts differ; it lies outside the folders.
  llvm-cov report "${objects[@]}" -instr-profile "$dir/profiles/all.profdata" \
    >"$dir/report.txt" 2>/dev/null
  llvm-cov show "${objects[@]}" -instr-profile "$dir/profiles/all.profdata" \
    -show-branches=count 2>/dev/null | coverage_missed >"$dir/missed.txt"
  echo "each outcome no input took: $dir/missed.txt ($(wc -l <"$dir/missed.txt") lines)"
  coverage_table "$dir/report.txt"
}

# A path of the report from the project's root, or nothing for a header the build reaches
# through its links in build-coverage/include/: the figure counts the folders' source files.
coverage_source() {
  local path
  path=$(realpath -m -s "$1")
  path=${path#"$PWD"/}
  [[ "$path" == build-coverage/* ]] || echo "$path"
}

# coverage_table REPORT: the branches of each folder and of all, and the verdict.
coverage_table() {
  local file name branches missed rows=()
  # Filename Regions Missed Cover Functions Missed Executed Lines Missed Cover Branches Missed Cover
  while read -r file _ _ _ _ _ _ _ _ _ branches missed _; do
    [[ "$branches" =~ ^[0-9]+$ ]] || continue
    name=$(coverage_source "$file")
    [ -n "$name" ] && rows+=("${name%%/*} $branches $missed")
  done < <(grep -vE '^(Filename|-|TOTAL)' "$1")
  local folders="${coverage_folders[*]}"
  printf '%s\n' "${rows[@]}" | awk -v folders="$folders" -v floor="$coverage_floor" '
    BEGIN { n = split(folders, order, " "); for (i = 1; i <= n; ++i) wanted[order[i]] = 1 }
    $1 in wanted { total[$1] += $2; missed[$1] += $3 }
    function row(name, t, m) {
      printf "%-12s %8d %8d %7.1f%%\n", name, t, m, (t > 0 ? 100 * (t - m) / t : 100)
    }
    END {
      printf "%-12s %8s %8s %8s\n", "folder", "branches", "missed", "covered"
      for (i = 1; i <= n; ++i) {
        row(order[i] "/", total[order[i]], missed[order[i]])
        all += total[order[i]]; allMissed += missed[order[i]]
      }
      row("all", all, allMissed)
      if (all == 0) { print "no branches found in the report" > "/dev/stderr"; exit 1 }
      if ((all - allMissed) * 100 < floor * all) {
        printf "FAILED: %.1f%% of the branches covered, below %d%%: grow the corpus (README, Fuzzing)\n",
          100 * (all - allMissed) / all, floor > "/dev/stderr"
        exit 1
      }
    }' && count_test passed && return 0
  count_test failed
  return 1
}

# Reads llvm-cov show with branch counts; writes one line per branch outcome of the folders' source
# files that no run took, whichever copy of a template or inline function ran: "file:line:column: True|False", then the
# source line.
coverage_missed() {
  local folders
  folders=$(printf '%s|' "${coverage_folders[@]}")
  awk -v root="$PWD" -v folders="^(${folders%|})/" '
    # A path from the project root (the headers the build links to stay under build-coverage/).
    function relative(path) {
      if (index(path, root "/") == 1) path = substr(path, length(root) + 2)
      return path
    }
    /^\/.*:$/ { file = relative(substr($0, 1, length($0) - 1)); next }
    /^ *[0-9]+\|/ { split($0, cut, "|"); line = cut[1] + 0; text = $0
      sub(/^[^|]*\|[^|]*\|/, "", text); source[file ":" line] = text; next }
    /Branch \(/ && file ~ folders {
      match($0, /\([0-9]+:[0-9]+\)/); where = substr($0, RSTART + 1, RLENGTH - 2)
      key = file ":" where
      match($0, /True: [^,]*,/); t = substr($0, RSTART + 6, RLENGTH - 7)
      match($0, /False: [^\]]*\]/); f = substr($0, RSTART + 7, RLENGTH - 8)
      seen[key] = 1
      if (t != "0") tookTrue[key] = 1
      if (f != "0") tookFalse[key] = 1
    }
    END {
      for (key in seen) {
        split(key, part, ":")
        if (!(key in tookTrue)) print key ": True\t" source[part[1] ":" part[2]]
        if (!(key in tookFalse)) print key ": False\t" source[part[1] ":" part[2]]
      }
    }' | sort -t: -k1,1 -k2,2n -k3,3n
}
