# Shared by ./test, ./run and ./benchmark.

section() { printf '\n== %s\n' "$*"; }

# Installs the Debian packages that are missing, when we may (root); otherwise says what is missing.
# A package index that fails to download (a mirror in the middle of a sync) stops nothing: apt
# goes on with the indexes it has. Where the packages then do not resolve (an architecture's
# security index missing, so its versions lag behind the other's), they are tried once more with
# the release's main archive preferred. Fails only when a package cannot be installed, naming it.
ensure_packages() {
  local missing=()
  for pkg in "$@"; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing Debian packages (install them as root): ${missing[*]}" >&2
    return 1
  fi
  echo "installing: ${missing[*]}"
  update_package_indexes
  local release log
  release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  log=$(mktemp)
  if apt_install "${missing[@]}" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  if [ -n "$release" ]; then
    echo "those do not resolve as they stand; again with the $release archive preferred"
    if apt_install -t "$release" "${missing[@]}" >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
  fi
  # Which of them cannot be had, each tried alone (a dry run).
  local failed=()
  for pkg in "${missing[@]}"; do
    apt-get install -s ${release:+-t "$release"} "$pkg" >/dev/null 2>&1 || failed+=("$pkg")
  done
  echo "cannot install: ${failed[*]:-${missing[*]} (together)}" >&2
  grep -E '^(E:|  )' "$log" | head -20 >&2 || true
  rm -f "$log"
  return 1
}

apt_install() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$@"
}

# apt-get update, once per run. It exits non-zero when any index fails to download, even though
# the others were fetched; that is reported and the run goes on.
update_package_indexes() {
  [ -n "${ZENTRIK_INDEXES_UPDATED:-}" ] && return 0
  ZENTRIK_INDEXES_UPDATED=1
  local log
  log=$(mktemp)
  if ! apt-get update -q >"$log" 2>&1; then
    echo "some package indexes could not be downloaded; going on with the others:"
    grep -E '^(E|W): ' "$log" | head -5 | sed 's/^/  /'
  fi
  rm -f "$log"
}

# configure_build DIR [CMAKE ARGS...]: configures (once) and builds DIR.
configure_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

# The clang-cl cross toolchain (clang-cl comes with clang-tools, lld-link with lld,
# llvm-dlltool and llvm-readobj with llvm; clang and lld also build scripts/wine.sh's probe), and
# Debian's i386 architecture with its package index, from which the build takes Wine's headers
# and DLLs (cmake/wine_sdk.cmake). Wine itself (wine, wine32:i386) is installed by the Windows
# leg only where this machine can run it.
ensure_windows_packages() {
  if [ "$(id -u)" -eq 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    # The new architecture's indexes are needed even where nothing else is missing.
    unset ZENTRIK_INDEXES_UPDATED
    update_package_indexes
  fi
  ensure_packages clang clang-tools lld llvm
}

# ---- One verdict for a whole run ----
# Each leg of a run (unit tests, sanitizers, valgrind, fuzzing, the Windows build...) adds the
# tests it ran; print_verdict ends the run with the one line "N passed, N failed, N skipped".
# A leg that cannot tell its tests apart counts as one test (count_test).
verdict_passed=0
verdict_failed=0
verdict_skipped=0

# count_tests PASSED FAILED SKIPPED
count_tests() {
  verdict_passed=$((verdict_passed + $1))
  verdict_failed=$((verdict_failed + $2))
  verdict_skipped=$((verdict_skipped + $3))
}

# count_test passed|failed|skipped: one test.
count_test() {
  case "$1" in
    passed) count_tests 1 0 0 ;;
    failed) count_tests 0 1 0 ;;
    *) count_tests 0 0 1 ;;
  esac
}

# run_ctest DIR [CTEST ARGS...]: runs the tests of build DIR and counts them (a failure does not
# end the run). Returns 1 when a test failed.
run_ctest() {
  local dir=$1
  shift
  local results="$PWD/$dir/ctest-results.xml" status=0
  rm -f "$results"
  ctest --test-dir "$dir" --output-on-failure --output-junit "$results" "$@" || status=$?
  count_ctest_results "$results" || status=1
  return $status
}

# count_ctest_results FILE: counts the JUnit file that ctest --output-junit wrote; no file (ctest
# could not start) counts as one failure.
count_ctest_results() {
  if [ ! -f "$1" ]; then
    count_test failed
    return 1
  fi
  local tests failures skipped disabled
  tests=$(sed -n 's/^[[:space:]]*tests="\([0-9]*\)".*/\1/p' "$1" | head -1)
  failures=$(sed -n 's/^[[:space:]]*failures="\([0-9]*\)".*/\1/p' "$1" | head -1)
  skipped=$(sed -n 's/^[[:space:]]*skipped="\([0-9]*\)".*/\1/p' "$1" | head -1)
  disabled=$(sed -n 's/^[[:space:]]*disabled="\([0-9]*\)".*/\1/p' "$1" | head -1)
  skipped=$((${skipped:-0} + ${disabled:-0}))
  count_tests $((${tests:-0} - ${failures:-0} - skipped)) "${failures:-0}" "$skipped"
  [ "${failures:-0}" -eq 0 ]
}

# count_gtest_log FILE: counts the summary lines a Google Test program writes at its end.
count_gtest_log() {
  local passed failed skipped
  passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' "$1" | tail -1)
  failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\{0,1\}, listed below:.*/\1/p' "$1" | tail -1)
  skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}[,.].*/\1/p' "$1" | tail -1)
  count_tests "${passed:-0}" "${failed:-0}" "${skipped:-0}"
}

# run_checks LOG COMMAND...: runs a script that prints one "ok" or "FAIL" line per check (and
# "skipped:" for what it could not check), shows its output and keeps it in LOG, and counts the
# checks. Returns 1 when the script failed; a failure without a FAIL line counts as one.
run_checks() {
  local log=$1 status=0 before=$verdict_failed
  shift
  "$@" 2>&1 | tee "$log" || status=$?
  count_tests "$(grep -c '^ok ' "$log" || true)" "$(grep -c '^FAIL ' "$log" || true)" \
    "$(grep -c '^skipped:' "$log" || true)"
  if [ "$status" -ne 0 ] && [ "$verdict_failed" -eq "$before" ]; then
    count_test failed
  fi
  [ "$status" -eq 0 ]
}

# end_with_verdict: whatever ends the run from here on, its last line is the verdict; a step
# that stopped the run early counts as failed.
end_with_verdict() {
  trap finish_with_verdict EXIT
  # Bash reaches the EXIT trap after an interrupt with status 0, so the verdict would not show it.
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
}

# at_run_end FUNCTION: calls FUNCTION when the run ends, however it ends (a failure, an
# interrupt), before the verdict; in the order they were added. For what a leg must undo.
run_end_steps=()
at_run_end() {
  run_end_steps+=("$1")
}

finish_with_verdict() {
  local status=$? step
  trap - EXIT
  if [ "$status" -ne 0 ] && [ "$verdict_failed" -eq 0 ]; then
    echo "the run stopped early (exit status $status)" >&2
    count_test failed
  fi
  for step in "${run_end_steps[@]}"; do
    "$step" || true
  done
  print_verdict || status=1
  exit "$status"
}

# print_verdict: the last line of a run. Returns 1 when a test failed.
print_verdict() {
  printf '\n%d passed, %d failed, %d skipped\n' "$verdict_passed" "$verdict_failed" \
    "$verdict_skipped"
  [ "$verdict_failed" -eq 0 ]
}
