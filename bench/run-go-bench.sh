#!/usr/bin/env bash
# Go as the user sees it: on a real X server (Xvfb) the Order Lines list window of
# the large demo company is emptied, Go is pressed through the X server's test
# extension (Alt+G, a mouse click on Go, Enter in a filter value) and the screen's
# pixels of the list's first rows are polled until the rows are there. Each run
# prints, on one clock: the key to Go's click handler, the click to the rows
# painted (the program's own figure) and the key to the rows on the screen.
# First on a million order lines, then on ten million (made in a temporary
# folder, removed at the end).
#
#   bench/run-go-bench.sh [BUILD_DIR]      (default: build)
#   RUNS=N          runs per method (default 5), interleaved
#   ORDER_LINES=N   one company of N order lines instead of the two
#   HUGE=0          the million-line run only
# Installs Xvfb and the XTEST headers with apt-get when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
RUNS=${RUNS:-5}

need=()
command -v Xvfb >/dev/null || need+=(xvfb)
[ -f /usr/include/X11/extensions/XTest.h ] || need+=(libxtst-dev)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
[ -f "$BUILD/build.ninja" ] || cmake -S . -B "$BUILD" -G Ninja >/dev/null
cmake "$BUILD" >/dev/null  # finds XTEST when it was installed after the first configure
cmake --build "$BUILD" --target quillon-db quillon-go-bench -j4 >/dev/null

WORK=$(mktemp -d)
XVFB_PID=""
cleanup() {
  [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
export QUILLON_SERVERS_DIR="$WORK/servers" QUILLON_CLIENT_CONFIG_DIR="$WORK/client"
export XDG_CONFIG_HOME="$WORK/config" HOME="$WORK/home"
mkdir -p "$HOME"

# A free display of our own.
for d in $(seq 91 160); do
  if [ ! -e "/tmp/.X11-unix/X$d" ] && [ ! -e "/tmp/.X$d-lock" ]; then DISPLAY_NO=$d; break; fi
done
Xvfb ":$DISPLAY_NO" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$DISPLAY_NO" ] && break; sleep 0.05; done
export DISPLAY=":$DISPLAY_NO"

summary() {  # method, column: median (min-max) of the runs
  awk -F'\t' -v m="$1" -v c="$2" '$1 == m { print $c }' "$WORK/go.tsv" | sort -n | awk '
    { v[++n] = $1 }
    END {
      if (n == 0) { print "-"; exit }
      med = (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
      printf "%.1f (%.1f-%.1f)", med, v[1], v[n] }'
}

run() {
  local lines=$1 server=GOBENCH$1
  local made=$(date +%s.%N)
  "$BUILD/quillon-db" create-demo --order-lines "$lines" --server "$server" >/dev/null
  echo "== $lines order lines (file made in $(awk -v s="$made" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }') s), $RUNS runs each"
  QT_QPA_PLATFORM=xcb "$BUILD/quillon-go-bench" --server "$server" --runs "$RUNS" >"$WORK/go.tsv" 2>"$WORK/go.err" ||
    { cat "$WORK/go.err" >&2; exit 1; }
  printf '%-8s %24s %24s %24s\n' "method" "key to click, ms" "click to painted, ms" "key to screen, ms"
  for m in alt+g click enter; do
    printf '%-8s %24s %24s %24s\n' "$m" "$(summary "$m" 2)" "$(summary "$m" 3)" "$(summary "$m" 4)"
  done
  rm -rf "${QUILLON_SERVERS_DIR:?}/$server"
  echo
}

if [ -n "${ORDER_LINES:-}" ]; then
  run "$ORDER_LINES"
else
  run 1000000
  [ "${HUGE:-1}" = 0 ] || run 10000000
fi
echo "median (min-max) of the runs. key to screen: from the key (or the mouse button's release) sent to"
echo "the X server until the X server's pixels of the list's first rows changed (polled every millisecond"
echo "on a connection of the benchmark's own); click to painted: Go's click handler to the end of the"
echo "grid's first paint with rows, inside the program. enter: Enter in the filter value of \"Line >= 1\"."
