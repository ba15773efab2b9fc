#!/usr/bin/env bash
# Logs on to the large demo company (a million order lines), opens its Order Lines
# view in a list window, offscreen, and prints what a user waits for, each beside
# the time the sqlite3 shell needs for the same rows on the same file:
#   the first screen after Go, without a filter and with one on an indexed column;
#   LoadComplete (the record count of the whole result);
#   the statistics strip's query (the view's sums and average);
#   the first screen after a header-click sort on a column without an index;
#   a jump to the middle of the sorted result and a selection by id at its end;
# then the longest time the event loop was blocked, the rows held in memory and
# the peak memory of the process.
#
#   bench/run-list-bench.sh [BUILD_DIR]      (default: build)
#   ORDER_LINES=N to use a smaller demo company instead of the large one.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/shell-time.sh
BUILD=${1:-build}
RUNS=${RUNS:-3}
command -v sqlite3 >/dev/null || { echo "run-list-bench: the sqlite3 shell is needed (apt-get install sqlite3)" >&2; exit 1; }
[ -f "$BUILD/build.ninja" ] || cmake -S . -B "$BUILD" -G Ninja >/dev/null
cmake --build "$BUILD" --target quillon-db quillon-list-bench -j4 >/dev/null

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QUILLON_SERVERS_DIR="$WORK/servers" QUILLON_CLIENT_CONFIG_DIR="$WORK/client"
SERVER=BENCH
if [ -n "${ORDER_LINES:-}" ]; then
    "$BUILD/quillon-db" create-demo --order-lines "$ORDER_LINES" --server "$SERVER" >/dev/null
else
    "$BUILD/quillon-db" create-demo --large --server "$SERVER" >/dev/null
fi
FILE="$QUILLON_SERVERS_DIR/$SERVER/DEMO.sqlite"


QT_QPA_PLATFORM=offscreen "$BUILD/quillon-list-bench" --server "$SERVER" >"$WORK/list.tsv"

declare -A TARGET=(
    [first_screen]="0.100" [first_screen_filtered]="0.100" [first_screen_again]="0.100"
    [sort_first_screen]="1.000"
    [statistics]="1.2x" [statistics_filtered]="1.2x" [statistics_again]="1.2x"
)
printf '%-38s %10s %10s %8s %8s\n' "step" "list" "shell" "ratio" "target"
while IFS=$'\t' read -r name seconds sql; do
    if [ -n "${sql:-}" ]; then
        shell=$(shell_time "$sql")
        ratio=$(awk -v a="$seconds" -v b="$shell" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
        printf '%-38s %9.3fs %9.3fs %8s %8s\n' "$name" "$seconds" "$shell" "$ratio" "${TARGET[$name]:-}"
    else
        printf '%-38s %10s\n' "$name" "$seconds"
    fi
done <"$WORK/list.tsv"
echo
echo "list: from the click (or call) to the rows shown, in the program's event loop; shell: the same"
echo "rows from the sqlite3 shell (first screen: LIMIT 300; load_complete: the COUNT(*) of the result;"
echo "statistics: the strip's own statement). go_click_returns: how long Go holds the window; the"
echo "window runs the statistics query once the first rows are shown (in the load_complete step)."
echo "jump_to_middle follows the sort at once, so it waits for the sort of the whole result, which the"
echo "list reads ahead after its first screen. blocked_ms_<step>: the longest the window's event loop"
echo "was blocked during that step (* the statistics query ran in it); event_loop_worst_ms_outside_statistics:"
echo "over the steps without it (target 100 ms)."
