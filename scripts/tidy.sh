#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy, warnings as errors) over the sources, tests and
# benchmarks that build/ compiles, in parallel, the tree's own headers included.
#   scripts/tidy.sh            the .cpp files that differ from the main branch, or on main
#                              itself those of the last commit
#   scripts/tidy.sh --all      every .cpp file
#   CORVANE_TIDY_BASE=REV scripts/tidy.sh   the .cpp files that differ from REV
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ ! -f build/compile_commands.json ]; then
    echo "No build/compile_commands.json: build first (scripts/build.sh)" >&2
    exit 2
fi

# clang-tidy's view of the build: each source of a unity file on its own, without GCC's
# precompiled headers and GCC's own warning options.
mkdir -p build/tidy
python3 - "$root" <<'PY'
import json, re, sys
root = sys.argv[1]
entries = []
for e in json.load(open(f"{root}/build/compile_commands.json")):
    command = e["command"]
    command = re.sub(r" -include \S*cmake_pch\.hxx| -Winvalid-pch| -Wno-restrict| -Wno-maybe-uninitialized", "", command)
    command = re.sub(r" -Xclang -include-pch -Xclang \S+", "", command)
    files = [e["file"]]
    if "/Unity/unity_" in e["file"]:
        files = re.findall(r'#include "([^"]+)"', open(e["file"]).read())
    for f in files:
        entries.append({"directory": e["directory"], "file": f,
                        "command": command.replace(e["file"], f)})
json.dump(entries, open(f"{root}/build/tidy/compile_commands.json", "w"), indent=1)
PY

files=()
if [ "${1:-}" = "--all" ]; then
    pattern="^$root/(src|tests|bench)/.*\\.cpp\$"
else
    base=${CORVANE_TIDY_BASE:-$(git merge-base main HEAD 2>/dev/null || true)}
    if [ -z "${CORVANE_TIDY_BASE:-}" ] && { [ -z "$base" ] || [ "$base" = "$(git rev-parse HEAD)" ]; }; then
        base=$(git rev-parse -q --verify HEAD~1 || true)
    fi
    if [ -n "$base" ]; then
        mapfile -t files < <(git diff --name-only --diff-filter=d "$base" -- \
                             'src/*.cpp' 'tests/*.cpp' 'bench/*.cpp')
    fi
    if [ ${#files[@]} -eq 0 ]; then
        echo "No C++ sources changed"
        exit 0
    fi
    echo "clang-tidy on ${#files[@]} changed files"
    pattern="^$root/($(printf '%s\n' "${files[@]}" | sed 's/[.]/\\./g' | paste -sd '|'))\$"
fi

log=build/tidy/clang-tidy.log
status=0
run-clang-tidy -p build/tidy -j "$(nproc)" -quiet "$pattern" >"$log" 2>&1 || status=$?
# The findings, without clang-tidy's per-file chatter.
sed 's/\x1b\[[0-9;]*m//g' "$log" |
    grep -v -e '^clang-tidy-[0-9]* ' -e 'warnings\? generated' -e '^Suppressed ' \
        -e '^Use -header-filter' -e '^Running clang-tidy' -e '^$' || true
exit $status
