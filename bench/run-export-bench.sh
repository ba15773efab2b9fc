#!/usr/bin/env bash
# Logs on to the large demo company (a million order lines), opens its Order Lines
# view in a list window, offscreen, runs it and exports it: the time from the click
# on EXPORT to the closed workbook, the longest time the window's event loop was
# blocked meanwhile and the peak memory before and after, beside a plain program
# that runs the same statement on the same file through SQLite and writes the same
# cells with libxlsxwriter alone (constant-memory mode). Target: within 1.3 x the
# plain program, memory flat, the window never blocked longer than 50 ms.
#
#   bench/run-export-bench.sh [BUILD_DIR]      (default: build)
#   ORDER_LINES=N to use a smaller demo company instead of the large one.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
[ -f "$BUILD/build.ninja" ] || cmake -S . -B "$BUILD" -G Ninja >/dev/null
cmake --build "$BUILD" --target quillon-db quillon-export-bench -j4 >/dev/null

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QUILLON_SERVERS_DIR="$WORK/servers" QUILLON_CLIENT_CONFIG_DIR="$WORK/client" XDG_CACHE_HOME="$WORK/cache"
SERVER=BENCH
if [ -n "${ORDER_LINES:-}" ]; then
    "$BUILD/quillon-db" create-demo --order-lines "$ORDER_LINES" --server "$SERVER" >/dev/null
else
    "$BUILD/quillon-db" create-demo --large --server "$SERVER" >/dev/null
fi
FILE="$QUILLON_SERVERS_DIR/$SERVER/DEMO.sqlite"

QT_QPA_PLATFORM=offscreen "$BUILD/quillon-export-bench" --server "$SERVER" >"$WORK/export.tsv"
SQL=$(awk -F'\t' '$1 == "statement" { print $2 }' "$WORK/export.tsv")
"$BUILD/quillon-export-bench" --baseline "$FILE" "$WORK/baseline.xlsx" "$SQL" >"$WORK/baseline.tsv"

value() { awk -F'\t' -v k="$1" '$1 == k { print $2 }' "$WORK/export.tsv" "$WORK/baseline.tsv"; }
export_s=$(value export_seconds)
base_s=$(value baseline_seconds)
printf '%-34s %12s\n' "rows" "$(value export_rows)"
printf '%-34s %11ss %11ss %8s\n' "click to closed file / plain" "$export_s" "$base_s" \
    "$(awk -v a="$export_s" -v b="$base_s" 'BEGIN { printf "%.2f", a / b }')x"
printf '%-34s %10s ms  (target 50 ms)\n' "event loop worst block" "$(value event_loop_worst_ms)"
printf '%-34s %9s MB -> %s MB  (plain program: %s MB)\n' "peak memory before -> after" \
    "$(value peak_memory_mb_before_export)" "$(value peak_memory_mb_after_export)" "$(value baseline_peak_memory_mb)"
printf '%-34s %9s MB  (plain program: %s MB)\n' "workbook size" "$(value export_file_mb)" "$(value baseline_file_mb)"
echo
echo "statement: $SQL"
