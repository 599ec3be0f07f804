#!/usr/bin/env bash
# Builds Quillan and its Debian package into dist/ (or the folder given).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
export QUILLAN_BUILD_DIR="${QUILLAN_BUILD_DIR:-$top/build}"
"$top/scripts/build.sh"
dist="${1:-$top/dist}"
cpack --config "$QUILLAN_BUILD_DIR/CPackConfig.cmake" -B "$dist" >/dev/null
ls "$dist"/*.deb
