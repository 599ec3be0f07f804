#!/usr/bin/env bash
# Installs what is needed, builds, makes a demo project and starts Quillan on it with the
# simulated gateway attached. Without a display it runs the same demo through quillan-cli:
# Update Device of the demo's gateway against the simulated gateway.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
export QUILLAN_BUILD_DIR="${QUILLAN_BUILD_DIR:-$top/build}"
# Only the three programs: the tests are built by test.sh, into the same folder.
"$top/scripts/build.sh" quillan quillan-cli zav-gateway-sim
cli="$QUILLAN_BUILD_DIR/src/cli/quillan-cli"
demo="$("$top/scripts/make-demo.sh" "$cli" "${TMPDIR:-/tmp}/quillan-demo")"
echo "Demo project: $demo"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display (DISPLAY and WAYLAND_DISPLAY are empty), so the window cannot open."
    echo "Running the demo's Update Device with quillan-cli against the simulated gateway:"
    exec "$cli" update "$demo" --gateway Gateway --port sim --radio yes --key update --verify
fi
exec "$QUILLAN_BUILD_DIR/src/shell/quillan" --port sim "$demo"
