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

# Nor GDAL: only --export-gis loads the GIS library, and its GeoPackage is written whole.
if echo "$loaded" | grep -q 'calling init: .*libgdal'; then
    echo "--check loaded GDAL" >&2
    status=1
fi
gpkg="${TMPDIR:-/tmp}/corvane_$$.gpkg"
"$program" --export-gis "$plan" --out "$gpkg" >/dev/null 2>&1
[ $? -le 1 ] && [ -s "$gpkg" ] || { echo "--export-gis of the sample plan failed" >&2; status=1; }
rm -f "$gpkg"

# The adjustment and the plan check run on the core alone too, and their --json is JSON a
# script can read (exit 1 is a finding, not a failure: the sample plan's figures fit better
# than their weights say).
for mode in --adjust --validate; do
    loaded=$(LD_DEBUG=libs "$program" $mode "$plan" 2>&1 >/dev/null)
    if echo "$loaded" | grep -q 'calling init: .*libQt6'; then
        echo "$mode loaded Qt" >&2
        status=1
    fi
    "$program" $mode "$plan" --json >"${TMPDIR:-/tmp}/corvane_$$.json" 2>/dev/null
    [ $? -le 1 ] || { echo "$mode of the sample plan failed" >&2; status=1; }
    python3 -c 'import json, sys; json.load(open(sys.argv[1]))' "${TMPDIR:-/tmp}/corvane_$$.json" ||
        { echo "$mode --json printed no JSON" >&2; status=1; }
    rm -f "${TMPDIR:-/tmp}/corvane_$$.json"
done

report=$(QT_QPA_PLATFORM=offscreen "$program" --report "$plan" 2>/dev/null)
[ $? -eq 0 ] || { echo "--report of the sample plan failed" >&2; status=1; }
echo "$report" | grep -q 'Summary of Closures for' ||
    { echo "--report printed no closure summary" >&2; status=1; }
exit $status
