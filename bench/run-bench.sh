#!/usr/bin/env bash
# Creates the large demo company (a million order lines) in a temporary server and
# times it; then times a full scan with a filter (the Order Lines view's list query)
# and a SUM over the order lines, through the database interface and in the sqlite3
# shell on the same file, and prints the interface's time as a ratio of the shell's.
#
#   bench/run-bench.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/shell-time.sh
BUILD=${1:-build}
RUNS=${RUNS:-3}
command -v sqlite3 >/dev/null || { echo "run-bench: the sqlite3 shell is needed (apt-get install sqlite3)" >&2; exit 1; }
[ -f "$BUILD/build.ninja" ] || cmake -S . -B "$BUILD" -G Ninja >/dev/null
cmake --build "$BUILD" --target quillon-db quillon-bench -j4 >/dev/null

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QUILLON_SERVERS_DIR="$WORK/servers" QUILLON_CLIENT_CONFIG_DIR="$WORK/client"
SERVER=BENCH

t0=$(now)
"$BUILD/quillon-db" create-demo --large --server "$SERVER" >"$WORK/create.log"
t1=$(now)
FILE="$QUILLON_SERVERS_DIR/$SERVER/DEMO.sqlite"
CREATE=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
printf 'Creating the large demo company (%s): %.2f s\n' \
    "$(sed -n 2p "$WORK/create.log" | sed 's/^ *//')" "$CREATE"

# The list query of the Order Lines view from its stored pieces, with a filter.
PIECES=$(sqlite3 -readonly "$FILE" "SELECT replace(replace(SQLSelect, char(13), ' '), char(10), ' ') || ' ' || SQLFrom FROM LdViews WHERE ViewName = 'ORDERLINES_1'")
SCAN="$PIECES WHERE ( ol.Quantity >= 10 AND ol.LineTotal > 100 )"
SUM="SELECT SUM(ol.LineTotal), COUNT(*) FROM OrderLines ol WHERE ol.Quantity >= 10"


read -r -a RESULT <<<"$("$BUILD/quillon-bench" --server "$SERVER" --runs "$RUNS" "$SCAN" "$SUM" | tr '\n' ' ')"
SCAN_DBI=${RESULT[0]}; SCAN_ROWS=${RESULT[1]}; SUM_DBI=${RESULT[2]}
SCAN_SHELL=$(shell_time "$SCAN")
SUM_SHELL=$(shell_time "$SUM")

printf '\n%-44s %10s %10s %8s\n' "statement (best of $RUNS)" "interface" "shell" "ratio"
printf '%-44s %9.3fs %9.3fs %8.2f\n' "full scan with a filter ($SCAN_ROWS rows)" "$SCAN_DBI" "$SCAN_SHELL" \
    "$(awk -v a="$SCAN_DBI" -v b="$SCAN_SHELL" 'BEGIN { print a / b }')"
printf '%-44s %9.3fs %9.3fs %8.2f\n' "SUM over the order lines" "$SUM_DBI" "$SUM_SHELL" \
    "$(awk -v a="$SUM_DBI" -v b="$SUM_SHELL" 'BEGIN { print a / b }')"
echo
echo "ratio = interface time / shell time (the interface reads every row into a result set;"
echo "the shell prints them to /dev/null). Creating the company: one transaction, prepared inserts."
