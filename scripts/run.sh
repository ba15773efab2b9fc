#!/usr/bin/env bash
# Sets up and builds, then starts Quillon.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
exec ./build/quillon "$@"
