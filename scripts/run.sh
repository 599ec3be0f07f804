#!/usr/bin/env bash
# Installs what is needed, builds, and starts Quillan with the simulated gateway attached.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
export QUILLAN_BUILD_DIR="${QUILLAN_BUILD_DIR:-$top/build}"
"$top/scripts/build.sh"
demo="${TMPDIR:-/tmp}/quillan-demo"
mkdir -p "$demo"
cli="$QUILLAN_BUILD_DIR/src/cli/quillan-cli"
"$cli" new --name Demo --folder "$demo" --band 900 --channel 5 --group 10 --gateway Gateway --overwrite
"$cli" check "$demo/Demo.zavproj"
