#!/usr/bin/env bash
# Builds, makes the demo project and saves the documentation's screenshots into
# docs/screenshots/ (or the folder given), drawn under a virtual X server with settings of
# their own, so the user's window layout is neither used nor changed.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$top/docs/screenshots}"
export QUILLAN_BUILD_DIR="${QUILLAN_BUILD_DIR:-$top/build}"
"$top/scripts/build.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
demo="$("$top/scripts/make-demo.sh" "$QUILLAN_BUILD_DIR/src/cli/quillan-cli" "$work/demo")"
mkdir -p "$out"
XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    xvfb-run -a -s "-screen 0 1280x900x24" \
    "$QUILLAN_BUILD_DIR/tools/screenshots/quillan-screenshots" "$demo" "$out"
