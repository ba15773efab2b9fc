#!/usr/bin/env bash
# Sets up and builds, makes the demo company and its logon profile, starts the
# HBServer in the background, then starts Quillon; the HBServer stops with it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
# The demo company, and a logon profile for it next to the user's own profiles,
# so that a new user can log on at once (user admin, password admin).
./build/quillon-db create-demo --if-missing
./build/quillon-db add-demo-profile
# The HBServer the profile wizard asks for companies and branches (loopback, port
# 1331). When one runs already (another Quillon started by this script), that one
# serves and this one ends at once with its reason in the log.
LOG_DIR="${XDG_CACHE_HOME:-$HOME/.cache}/Harbrook Inc/Pelmora"
mkdir -p "$LOG_DIR"
./build/quillon-db serve-hb 2>>"$LOG_DIR/hbserver.log" &
HB_PID=$!
trap 'kill "$HB_PID" 2>/dev/null || true; wait "$HB_PID" 2>/dev/null || true' EXIT
./build/quillon "$@"
