#!/usr/bin/env bash
# Configures and builds in build/: the targets named (e.g. "corvane", the program and the
# windows' library it loads), or without names the program, its tests and benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build --parallel "$(nproc)" "${targets[@]}"
