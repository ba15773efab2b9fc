#!/usr/bin/env bash
# The list benchmark (bench/list) twice on the same large demo company: once
# through the embedded back end, once through the ODBC back end (unixODBC and
# the SQLite ODBC driver on the same file, the statements translated before each
# call). Prints each step's time on both paths and the ODBC/embedded ratio
# (target: at most 1.5) for the first screen, the count (load_complete) and the
# statistics.
#
#   bench/run-odbc-bench.sh [BUILD_DIR]      (default: build)
#   ORDER_LINES=N to use a smaller demo company instead of the large one.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
[ -f "$BUILD/build.ninja" ] || cmake -S . -B "$BUILD" -G Ninja >/dev/null
cmake --build "$BUILD" --target quillon-db quillon-list-bench quillon-sqliteodbc -j4 >/dev/null
odbcinst -q -d -n SQLite3 >/dev/null 2>&1 || { echo "run-odbc-bench: the SQLite3 ODBC driver is needed (scripts/setup-deps.sh)" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QUILLON_SERVERS_DIR="$WORK/servers" QUILLON_CLIENT_CONFIG_DIR="$WORK/client"
export QUILLON_SQLITEODBC_EXT="$(cd "$BUILD" && pwd)/quillon-sqliteodbc.so"
SERVER=BENCH
if [ -n "${ORDER_LINES:-}" ]; then
    "$BUILD/quillon-db" create-demo --order-lines "$ORDER_LINES" --server "$SERVER" >/dev/null
else
    "$BUILD/quillon-db" create-demo --large --server "$SERVER" >/dev/null
fi
# The same server under a second name that the client configuration sends through ODBC.
CLIENT=$(ls "$QUILLON_CLIENT_CONFIG_DIR"/*.ini | head -1)
sed "s/^Name=.*/Name=BENCHODBC/" "$CLIENT" >"$QUILLON_CLIENT_CONFIG_DIR/BENCHODBC.ini"
printf '\n[Odbc]\nDriver=SQLite3\nDialect=SQLite\nFiles=%s\n' "$SERVER" >>"$QUILLON_CLIENT_CONFIG_DIR/BENCHODBC.ini"

QT_QPA_PLATFORM=offscreen "$BUILD/quillon-list-bench" --server "$SERVER" >"$WORK/embedded.tsv"
QT_QPA_PLATFORM=offscreen "$BUILD/quillon-list-bench" --server BENCHODBC >"$WORK/odbc.tsv"

printf '%-38s %10s %10s %8s %8s\n' "step" "embedded" "odbc" "ratio" "target"
while IFS=$'\t' read -r name seconds _; do
    odbc=$(awk -F'\t' -v n="$name" '$1 == n { print $2 }' "$WORK/odbc.tsv")
    case "$name" in
        first_screen*|load_complete*|statistics*) target="1.5" ;;
        *) target="" ;;
    esac
    # counts, milli- and microseconds and megabytes as they are, without a ratio
    case "$name" in rows*|blocked_ms_*|peak_*|event_loop_*|*_us) printf '%-38s %10s %10s\n' "$name" "$seconds" "${odbc:-0}"; continue ;; esac
    ratio=$(awk -v a="$odbc" -v b="$seconds" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
    printf '%-38s %9.3fs %9.3fs %8s %8s\n' "$name" "$seconds" "${odbc:-0}" "$ratio" "$target"
done <"$WORK/embedded.tsv"
echo
echo "embedded: the list window on the embedded back end; odbc: the same window, the server reached"
echo "through unixODBC and the SQLite ODBC driver on the same file. Times from the click (or call) to"
echo "the rows shown, as bench/run-list-bench.sh measures them."
