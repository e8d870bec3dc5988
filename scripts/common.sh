# Shared by ./test, ./run and ./benchmark.

section() { printf '\n== %s\n' "$*"; }

# Installs the Debian packages that are missing, when we may (root); otherwise says what is missing.
ensure_packages() {
  local missing=()
  for pkg in "$@"; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  else
    echo "missing Debian packages (install them as root): ${missing[*]}" >&2
    return 1
  fi
}

# configure_build DIR [CMAKE ARGS...]: configures (once) and builds DIR.
configure_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

# The MinGW-w64 cross compiler and Wine for 32-bit programs, which needs Debian's i386
# architecture.
ensure_windows_packages() {
  if [ "$(id -u)" -eq 0 ] && ! dpkg -s wine32:i386 >/dev/null 2>&1 &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  ensure_packages g++-mingw-w64-i686 wine wine32:i386
}

# use_wine_prefix DIR: runs Wine from now on in a prefix of its own inside DIR, quietly and with no
# display. The first start creates the prefix and announces it on standard error; that happens
# here, out of sight of the tests.
use_wine_prefix() {
  export WINEPREFIX="$PWD/$1/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
  [ -f "$WINEPREFIX/system.reg" ] || wine wineboot --init >/dev/null 2>&1
  # Keep Wine's server up between the many short test runs; it leaves 30 s after the last one.
  wineserver -p30 >/dev/null 2>&1 || true
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

# print_verdict: the last line of a run. Returns 1 when a test failed.
print_verdict() {
  printf '\n%d passed, %d failed, %d skipped\n' "$verdict_passed" "$verdict_failed" \
    "$verdict_skipped"
  [ "$verdict_failed" -eq 0 ]
}
