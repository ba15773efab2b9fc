#!/usr/bin/env bash
# The typed sorts of the list helpers on 100,000 rows under two locales (en_US,
# de_DE): for each header click, how long the window is held until the sorted rows
# are painted (target for the date sorts: 300 ms).
#
#   bench/run-sort-bench.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
[ -f "$BUILD/build.ninja" ] || cmake -S . -B "$BUILD" -G Ninja >/dev/null
cmake --build "$BUILD" --target quillon-sort-bench -j4 >/dev/null
QT_QPA_PLATFORM=offscreen "$BUILD/quillon-sort-bench" --rows "${ROWS:-100000}"
