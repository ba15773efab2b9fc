#!/usr/bin/env bash
# Sets up and builds, makes the demo company and its logon profile, then starts Quillon.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
# The demo company, and a logon profile for it next to the user's own profiles,
# so that a new user can log on at once (user admin, password admin).
./build/quillon-db create-demo --if-missing
./build/quillon-db add-demo-profile
exec ./build/quillon "$@"
