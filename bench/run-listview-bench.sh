#!/usr/bin/env bash
# Fills a report list view with 100,000 order lines of a demo company through the
# list-view helper's Refresh, sorts them by a number column, and prints time and
# memory beside the same rows in a plain Qt item view (target: within 2 x), and
# how long a header-click sort of 10,000 rows holds the window (target: 100 ms).
#
#   bench/run-listview-bench.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
[ -f "$BUILD/build.ninja" ] || cmake -S . -B "$BUILD" -G Ninja >/dev/null
cmake --build "$BUILD" --target quillon-db quillon-listview-bench -j4 >/dev/null

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QUILLON_SERVERS_DIR="$WORK/servers" QUILLON_CLIENT_CONFIG_DIR="$WORK/client"
"$BUILD/quillon-db" create-demo --order-lines 110000 --server BENCH >/dev/null
QT_QPA_PLATFORM=offscreen "$BUILD/quillon-listview-bench" --server BENCH --rows 100000
