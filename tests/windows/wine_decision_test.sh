#!/usr/bin/env bash
# Whether the Windows leg runs its programs under Wine, as a function of what the probe answers,
# the override and whether Wine is there: every answer, whatever sort of machine runs the test.
# Then which failures count as Wine's own, and their one rerun, with a stand-in for Wine.
# Usage: wine_decision_test.sh WORK-DIR
set -uo pipefail
source "$(dirname "$0")/../../scripts/wine.sh"
work=$1
failures=0
check() { # WHAT EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then
    echo "ok    $1"
  else
    echo "FAIL  $1: expected '$2', got '$3'"
    failures=$((failures + 1))
  fi
}

kernel="skip: this machine's kernel runs no 32-bit programs (32-bit emulation is off)"
forced="skip: this machine is taken to run no 32-bit programs (ZENTRIK_32BIT_PROGRAMS=no)"
nowine="skip: Wine is not installed (Debian's wine and wine32:i386)"
while IFS='|' read -r probe override wine expected; do
  check "probe '$probe', override '$override', wine '$wine'" "$expected" \
    "$(windows_programs_decision "$probe" "$override" "$wine")"
done <<EOF_CASES
yes||/usr/bin/wine|run
no||/usr/bin/wine|$kernel
unknown: the probe does not build||/usr/bin/wine|run
yes|||$nowine
no|yes|/usr/bin/wine|run
yes|no|/usr/bin/wine|$forced
no|no||$forced
EOF_CASES

status=0
windows_programs_decision yes maybe /usr/bin/wine >/dev/null 2>&1 || status=$?
check "an override that is neither yes nor no is refused" 2 "$status"

# The decision is made once per run and handed to what the run starts.
check "a decision made earlier in the run stands" "skip: earlier" \
  "$(
    ZENTRIK_WINDOWS_PROGRAMS="skip: earlier"
    decide_windows_programs "$work" no
    echo "$ZENTRIK_WINDOWS_PROGRAMS"
  )"

# CTest's emulator reports a test as skipped, with the reason, where programs cannot run.
status=0
reason=$(ZENTRIK_WINDOWS_PROGRAMS="" ZENTRIK_32BIT_PROGRAMS=no \
  "$(dirname "$0")/../../cmake/run_windows_program.sh" "$work" /bin/false 2>&1) || status=$?
check "the emulator skips with the tests' SKIP_RETURN_CODE" 77 "$status"
check "the emulator says why" "skipped: ${forced#skip: }" "$reason"

# Wine's own failure: the run failed and its standard error holds only Wine's lost-server lines.
mkdir -p "$work"
lost='wine client error:0: recvmsg: Connection reset by peer\n'
while IFS='|' read -r status err expected what; do
  printf '%b' "$err" >"$work/err"
  actual=no
  ! wine_own_failure "$status" "$work/err" || actual=yes
  check "Wine's own failure: $what" "$expected" "$actual"
done <<EOF_CASES
1|$lost|yes|the server reset the connection
1|wine client error:2c: write: Bad file descriptor\nwine client error:1f: read: Broken pipe\n|yes|two threads lost it
1|wine: a wine server seems to be running, but I cannot connect to it.\n   You probably need to kill that process (it might be pid 812).\n|yes|an unreachable server
0|$lost|no|the program passed all the same
1||no|nothing on standard error
1|Couldn't get the relevant information. Contact the author!!\n|no|the program's own failure
1|zentrik: cannot read the table\n$lost|no|the program's line beside Wine's
1|$lost\n|no|an empty line beside Wine's
1|wine client error:0: version mismatch 760/761.\nYour wine binary was not upgraded correctly,\n|no|a Wine not installed right
1|wine: could not load kernel32.dll, status c0000135\n|no|a broken prefix
EOF_CASES

# The rerun, through CTest's emulator, with a stand-in for Wine that does on each call what the
# next word of its plan says. The emulator shows the output of the run that counts.
mkdir -p "$work/standin"
cat >"$work/standin/wine" <<'EOF_WINE'
#!/usr/bin/env bash
calls=$(($(cat "$STANDIN_CALLS" 2>/dev/null || echo 0) + 1))
echo "$calls" >"$STANDIN_CALLS"
read -ra plan <<<"$STANDIN_PLAN"
echo "run $calls"
case ${plan[calls - 1]} in
  lost) echo 'wine client error:0: recvmsg: Connection reset by peer' >&2 ;;
  own) printf '%s\n' 'zentrik: cannot read the table' 'wine client error:0: read: EOF' >&2 ;;
  *) exit 0 ;;
esac
exit 1
EOF_WINE
chmod +x "$work/standin/wine"
export STANDIN_CALLS=$work/standin/calls
log=$work/wine-reruns.log
: >"$log" # it grows from row to row
while IFS='|' read -r plan expected what; do
  rm -f "$STANDIN_CALLS"
  status=0
  STANDIN_PLAN=$plan PATH=$work/standin:$PATH ZENTRIK_WINDOWS_PROGRAMS=run \
    ZENTRIK_WINE_STARTED=$work/wineprefix "$(dirname "$0")/../../cmake/run_windows_program.sh" \
    "$work" program.exe >"$work/out" 2>"$work/err" || status=$?
  check "$what" "$expected" "status $status, $(cat "$STANDIN_CALLS") run(s), $(grep -c '^rerun ' \
    "$log") logged, out '$(cat "$work/out")', err '$(grep -v "^Wine's own" "$work/err" | tail -1)'"
done <<'EOF_CASES'
pass|status 0, 1 run(s), 0 logged, out 'run 1', err ''|a pass is not run again
lost pass|status 0, 2 run(s), 1 logged, out 'run 2', err ''|a pass on the rerun counts, alone
lost lost|status 1, 2 run(s), 2 logged, out 'run 2', err 'wine client error:0: recvmsg: Connection reset by peer'|a second failure of Wine's own stands
own pass|status 1, 1 run(s), 2 logged, out 'run 1', err 'wine client error:0: read: EOF'|the program's own output is not run again
EOF_CASES
check "the line before the verdict names the reruns" \
  "Windows programs run once more after a failure of Wine's own: 2, 1 of them failing so again (see $log)" \
  "$(wine_reruns_line "$log" 0)"
check "the line before the verdict names only this run's" \
  "Windows programs run once more after a failure of Wine's own: none" \
  "$(wine_reruns_line "$log" "$(stat -c %s "$log")")"

# This machine's own answer is one of the three forms.
answer=$(probe_32bit_programs "$work")
case $answer in
  yes | no | unknown:*) check "the probe answers ($answer)" ok ok ;;
  *) check "the probe answers yes, no or unknown" "yes|no|unknown: ..." "$answer" ;;
esac
exit $failures
