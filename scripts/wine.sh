# Running the Windows build's programs under Wine, where this machine can.
#
# Debian's Wine runs a 32-bit Windows program as a 32-bit Linux process. A kernel whose 32-bit
# emulation is off (the default of some kernels' configuration; ia32_emulation=on turns it on)
# runs no 32-bit program at all, so there no Windows test can run; everything else of the
# Windows leg (the cross build, the export and import tables, the checks against the engine's
# SDK) still can. One machine, and so one build folder, may be of either sort from one session to
# the next: the answer is found afresh by each run, never kept.
#
# Sourced by scripts/test-windows.sh, tests/windows/end_to_end.sh and
# cmake/run_windows_program.sh. Callers run with `set -euo pipefail`.

# Exit status of a test whose programs cannot run here (CTest's SKIP_RETURN_CODE).
windows_test_skipped=77

# probe_32bit_programs DIR: whether this machine runs 32-bit x86 programs. Runs a static 32-bit
# program that only exits with 42 (no 32-bit C library needed), built once into DIR. Prints
# "yes", "no" (the kernel refused it) or "unknown: WHY" (the probe could not be built or did
# something else).
probe_32bit_programs() {
  local dir=$1/probe-32bit
  local probe=$dir/exit-42
  if [ ! -x "$probe" ]; then
    mkdir -p "$dir"
    # Built under a name of its own and moved, so that tests started side by side never run a
    # half-written probe.
    if ! printf '%s\n' 'void _start(void) { __asm__ volatile("int $0x80" : : "a"(1), "b"(42)); }' |
      clang -m32 -nostdlib -static -fuse-ld=lld -x c - -o "$probe.$$" >"$dir/build.log" 2>&1; then
      echo "unknown: the 32-bit probe does not build (see $dir/build.log)"
      return 0
    fi
    mv -f "$probe.$$" "$probe"
  fi
  local status=0
  "$probe" 2>/dev/null || status=$?
  case $status in
    42) echo yes ;;
    126) echo no ;; # execve failed: "Exec format error"
    *) echo "unknown: the 32-bit probe exited with status $status" ;;
  esac
}

# windows_programs_decision PROBE OVERRIDE WINE: whether to run the Windows build's programs,
# from the probe's answer, the override ZENTRIK_32BIT_PROGRAMS (yes, no or empty) and the path
# of wine (empty when there is none). Prints "run" or "skip: REASON"; an override that is
# neither yes nor no is an error (status 2). Depends on nothing else, so that it is tested with
# every answer on any machine.
windows_programs_decision() {
  local probe=$1 override=$2 wine=$3
  case $override in
    no)
      echo "skip: this machine is taken to run no 32-bit programs (ZENTRIK_32BIT_PROGRAMS=no)"
      return 0
      ;;
    yes) ;;
    "")
      if [ "$probe" = no ]; then
        echo "skip: this machine's kernel runs no 32-bit programs (32-bit emulation is off)"
        return 0
      fi
      ;;
    *)
      echo "ZENTRIK_32BIT_PROGRAMS is '$override'; it must be yes, no or unset" >&2
      return 2
      ;;
  esac
  if [ -z "$wine" ]; then
    echo "skip: Wine is not installed (Debian's wine and wine32:i386)"
    return 0
  fi
  echo run
}

# decide_windows_programs BUILD-DIR [PROBE]: sets and exports ZENTRIK_WINDOWS_PROGRAMS, the
# decision for this machine now, for everything the run starts; a run that decided already keeps
# its decision. PROBE is the probe's answer when the caller has it (empty with the override),
# else the probe runs here. A probe that cannot tell is reported on standard error and taken as
# yes (Wine itself then tells).
decide_windows_programs() {
  [ -z "${ZENTRIK_WINDOWS_PROGRAMS:-}" ] || return 0
  local probe=${2-}
  if [ $# -lt 2 ] && [ -z "${ZENTRIK_32BIT_PROGRAMS:-}" ]; then
    probe=$(probe_32bit_programs "$1")
  fi
  if [ "${probe%%:*}" = unknown ]; then
    echo "whether this machine runs 32-bit programs is ${probe}; trying Wine" >&2
  fi
  ZENTRIK_WINDOWS_PROGRAMS=$(windows_programs_decision "$probe" "${ZENTRIK_32BIT_PROGRAMS:-}" \
    "$(command -v wine || true)")
  export ZENTRIK_WINDOWS_PROGRAMS
}

# use_wine_prefix DIR [PERSISTENCE]: runs Wine from now on in a prefix of its own inside DIR,
# quietly and with no display. The first start creates the prefix and announces it on standard
# error; that happens here, out of sight of the tests, once even when tests start side by side.
# Wine's server is kept up between the many short runs: PERSISTENCE is wineserver's option, -p30
# by default (the server leaves 30 s after the last program) or -p (it stays until
# stop_wine_server), for which a server an earlier run left is stopped first: a new one does not
# start beside it. So are the prefix's background programs, which wineboot starts here with no
# output: started by a test program, they would hold its output open, and CTest would wait.
use_wine_prefix() {
  local dir=$1 persistence=${2:--p30}
  [ "${dir#/}" != "$dir" ] || dir=$PWD/$dir
  export WINEPREFIX="$dir/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
  # Once per run: what the run starts finds it done.
  [ "${ZENTRIK_WINE_STARTED:-}" != "$WINEPREFIX" ] || return 0
  export ZENTRIK_WINE_STARTED=$WINEPREFIX
  [ "$persistence" != -p ] || wine_server_to_stop=$WINEPREFIX
  mkdir -p "$dir"
  (
    flock 9
    [ "$persistence" != -p ] || wineserver -k >/dev/null 2>&1 9>&- || true
    wineserver "$persistence" >/dev/null 2>&1 9>&- || true
    wine wineboot >/dev/null 2>&1 9>&- || true
  ) 9>"$dir/wineprefix.lock"
}

# stop_wine_server: stops the server use_wine_prefix started with -p, and whatever it still runs.
stop_wine_server() {
  [ -z "${wine_server_to_stop:-}" ] || WINEPREFIX=$wine_server_to_stop wineserver -k \
    >/dev/null 2>&1 || true
}

# ---- Failures of Wine's own ----
# On a loaded machine a program can lose Wine's server, or not reach it, before it does anything
# of its own: Wine's client says so on standard error and exits 1. Such a run is tried once more;
# anything else is the program's own result.

# What Wine's client prints then: a failed exchange with its server ("wine client error:TID:
# recvmsg: Connection reset by peer", "...: write: Bad file descriptor", "...: partial write N"),
# and the start-up failures to reach one.
wine_lost_server_line='^(wine client error:[0-9a-f]+: .+'
wine_lost_server_line+='|wine: for some mysterious reason, the wine server (never started|failed to run)\.'
wine_lost_server_line+='|wine: a wine server seems to be running, but I cannot connect to it\.'
wine_lost_server_line+='|   You probably need to kill that process \(it might be pid [0-9]+\)\.'
wine_lost_server_line+='|wine: could not exec wineserver)$'

# wine_own_failure STATUS ERR: whether a run that exited with STATUS, its standard error in the
# file ERR, failed for Wine's own reasons alone: it failed, and its standard error holds at least
# one line, each of them one of Wine's above, nothing from the program. Depends on nothing else,
# so that it is tested with every sort of output on any machine.
wine_own_failure() {
  [ "$1" -ne 0 ] && [ -s "$2" ] && ! grep -avqE "$wine_lost_server_line" "$2"
}

# wine_run LOG OUT ERR COMMAND...: runs COMMAND, a Windows program under Wine, with its standard
# output in the file OUT and its standard error in the file ERR. A run that failed for Wine's own
# reasons is run once more, OUT and ERR afresh, and appended to the file LOG with how the second
# run ended; a second such failure stands. Returns the last run's exit status.
wine_run() {
  local log=$1 out=$2 err=$3 status=0 first_status first_err again=""
  shift 3
  "$@" >"$out" 2>"$err" || status=$?
  wine_own_failure "$status" "$err" || return "$status"
  first_status=$status first_err=$(cat "$err")
  echo "Wine's own failure (${first_err%%$'\n'*}); running once more: $*" >&2
  status=0
  "$@" >"$out" 2>"$err" || status=$?
  if wine_own_failure "$status" "$err"; then
    again=", again Wine's own failure:"
  fi
  # Whole records, even from tests run side by side.
  {
    flock 9
    {
      printf 'rerun %s in %s: %s\n' "$(date -u +%FT%TZ)" "$PWD" "$*"
      printf '  first run: exit status %s, standard error:\n' "$first_status"
      printf '%s\n' "$first_err" | sed 's/^/    /'
      printf '  second run: exit status %s%s\n' "$status" "$again"
      [ -z "$again" ] || sed 's/^/    /' "$err"
    } >&9
  } 9>>"$log"
  return "$status"
}

# wine_reruns_line LOG FROM: names the reruns in LOG beyond its first FROM bytes (a run's own).
wine_reruns_line() {
  local reruns=0 again=0
  if [ -f "$1" ]; then
    reruns=$(tail -c +$(($2 + 1)) "$1" | grep -c '^rerun ' || true)
    again=$(tail -c +$(($2 + 1)) "$1" | grep -c "again Wine's own failure" || true)
  fi
  if [ "$reruns" -eq 0 ]; then
    echo "Windows programs run once more after a failure of Wine's own: none"
  else
    echo "Windows programs run once more after a failure of Wine's own: $reruns," \
      "$again of them failing so again (see $1)"
  fi
}
