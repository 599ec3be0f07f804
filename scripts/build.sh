#!/usr/bin/env bash
# Configures and builds into build/ (or $QUILLAN_BUILD_DIR). Extra arguments go to CMake.
# run.sh and test.sh share this one configuration, so whichever runs second builds only what
# is missing.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLAN_BUILD_DIR:-$top/build}"
cmake -S "$top" -B "$build" -G Ninja -DQUILLAN_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
