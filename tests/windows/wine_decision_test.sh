#!/usr/bin/env bash
# Whether the Windows leg runs its programs under Wine, as a function of what the probe answers,
# the override and whether Wine is there: every answer, whatever sort of machine runs the test.
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

# This machine's own answer is one of the three forms.
answer=$(probe_32bit_programs "$work")
case $answer in
  yes | no | unknown:*) check "the probe answers ($answer)" ok ok ;;
  *) check "the probe answers yes, no or unknown" "yes|no|unknown: ..." "$answer" ;;
esac
exit $failures
