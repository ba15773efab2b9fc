#!/usr/bin/env bash
# Installs what the build needs, then configures and builds everything into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)"
