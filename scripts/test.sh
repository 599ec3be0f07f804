#!/usr/bin/env bash
# Installs what is needed, builds with warnings as errors and runs every test headless.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
export QUILLAN_BUILD_DIR="${QUILLAN_BUILD_DIR:-$top/build}"
"$top/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$QUILLAN_BUILD_DIR" --output-on-failure --parallel "$(nproc)" --timeout 300
