#!/usr/bin/env bash
# Sets up, builds and runs every test; ends with ctest's own summary.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
