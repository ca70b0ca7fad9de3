#!/bin/sh
# The installed shape of the program: a plan check runs on the core alone, without loading
# any Qt library, and the painting modes load the windows' library and print as before.
# Usage: program_test.sh PROGRAM SAMPLE_PLAN
set -u
program=$1
plan=$2
status=0

loaded=$(LD_DEBUG=libs "$program" --check "$plan" 2>&1 >/dev/null)
[ $? -eq 0 ] || { echo "--check of the sample plan failed" >&2; status=1; }
if echo "$loaded" | grep -q 'calling init: .*libQt6'; then
    echo "--check loaded Qt:" >&2
    echo "$loaded" | grep 'calling init: .*libQt6' >&2
    status=1
fi

report=$(QT_QPA_PLATFORM=offscreen "$program" --report "$plan" 2>/dev/null)
[ $? -eq 0 ] || { echo "--report of the sample plan failed" >&2; status=1; }
echo "$report" | grep -q 'Summary of Closures for' ||
    { echo "--report printed no closure summary" >&2; status=1; }
exit $status
