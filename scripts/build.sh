#!/usr/bin/env bash
# Configures and builds into build/ (or $QUILLAN_BUILD_DIR): the targets named, or every one.
# An argument that starts with "-" goes to CMake's configuration instead (-DNAME=VALUE).
# run.sh and test.sh share this one configuration, so whichever runs second builds only what
# is missing.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLAN_BUILD_DIR:-$top/build}"
options=()
targets=()
for arg in "$@"; do
    case "$arg" in
    -*) options+=("$arg") ;;
    *) targets+=(--target "$arg") ;;
    esac
done
cmake -S "$top" -B "$build" -G Ninja -DQUILLAN_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    ${options[@]+"${options[@]}"} >/dev/null
cmake --build "$build" --parallel "$(nproc)" ${targets[@]+"${targets[@]}"}
