#!/usr/bin/env bash
# Logs on to the large demo company (a million order lines), opens its Order Lines
# view in a list window and prints what a user waits for, from the click to the
# rows painted on the screen, each beside the time the sqlite3 shell needs for
# the same rows on the same file:
#   the first screen after Go, without a filter and with one on an indexed column;
#   LoadComplete (the record count of the whole result);
#   the statistics strip's values (the view's sums and average);
#   Ctrl+End (the last rows), unsorted and after a header-click sort;
#   the first screen after a header-click sort on a column without an index;
#   a jump to the middle of the sorted result and a selection by id at its end;
#   a right click whose linked view's value list is a stored query that would run
#   for hours: the wait until the busy dialog's Cancel (blocked_ms_stored_query_wait)
#   and the time from the Cancel to the end of the right click (stored_query_cancel);
#   one statement of the window's thread (window_thread_call_us, microseconds);
# then the longest time the event loop was blocked in each step (every step
# counts), the rows held in memory and the peak memory of the process. Then the
# same on ten million order lines (made in a temporary folder, removed at the end).
#
#   bench/run-list-bench.sh [BUILD_DIR]      (default: build)
#   ORDER_LINES=N   one run on a demo company of N order lines instead of the two.
#   HUGE=0          the million-line run only.
#   XVFB=1          on an X display (xvfb-run, Qt's xcb platform) instead of offscreen.
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

declare -A TARGET=(
    [first_screen]="0.100" [first_screen_filtered]="0.100" [first_screen_again]="0.100"
    [ctrl_end]="0.150" [sort_ctrl_end]="1.2x"
    [load_complete]="1.2x" [load_complete_again]="1.2x"
    [sort_first_screen]="1.2x"
    [statistics]="1.2x" [statistics_filtered]="1.2x" [statistics_again]="1.2x"
    [event_loop_worst_ms]="50" [blocked_ms_stored_query_wait]="50" [peak_memory_mb]="150"
)

# One run: a demo company of $1 order lines, made fresh; its file removed after.
run() {
    local lines=$1 server=BENCH$1
    local made=$(now)
    "$BUILD/quillon-db" create-demo --order-lines "$lines" --server "$server" >/dev/null
    FILE="$QUILLON_SERVERS_DIR/$server/DEMO.sqlite"
    echo "== $lines order lines (file made in $(awk -v s="$made" -v e="$(now)" 'BEGIN { printf "%.1f", e - s }') s)"
    if [ "${XVFB:-0}" = 1 ]; then
        QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1000x24" "$BUILD/quillon-list-bench" --server "$server" >"$WORK/list.tsv"
    else
        QT_QPA_PLATFORM=offscreen "$BUILD/quillon-list-bench" --server "$server" >"$WORK/list.tsv"
    fi
    printf '%-38s %10s %10s %8s %8s\n' "step" "list" "shell" "ratio" "target"
    while IFS=$'\t' read -r name seconds sql; do
        if [ -n "${sql:-}" ]; then
            shell=$(shell_time "$sql")
            ratio=$(awk -v a="$seconds" -v b="$shell" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
            printf '%-38s %9.3fs %9.3fs %8s %8s\n' "$name" "$seconds" "$shell" "$ratio" "${TARGET[$name]:-}"
        else
            printf '%-38s %10s %10s %8s %8s\n' "$name" "$seconds" "" "" "${TARGET[$name]:-}"
        fi
    done <"$WORK/list.tsv"
    rm -rf "${QUILLON_SERVERS_DIR:?}/$server"
    echo
}

if [ -n "${ORDER_LINES:-}" ]; then
    run "$ORDER_LINES"
else
    run 1000000
    [ "${HUGE:-1}" = 0 ] || run 10000000
fi

echo "list: from the click (or call) to the rows painted (the statistics: to their values shown; the"
echo "record count: to LoadComplete), in the program's event loop; shell: the same rows from the sqlite3"
echo "shell (first screen: LIMIT 300; ctrl_end: the last 300 in the reverse order; load_complete: the"
echo "COUNT(*) of the result; statistics: the strip's own statement, which starts once the first rows are"
echo "shown). jump_to_middle follows the sort at once, so it waits for the sort of the whole result."
echo "blocked_ms_<step>: the longest the window's event loop was blocked during that step; idle_loop:"
echo "an event loop with nothing to do for as long as the stored query's wait, beside which"
echo "ratio_stored_query_wait_to_idle_loop puts the wait's longest block."
