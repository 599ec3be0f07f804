#!/usr/bin/env bash
# The core libraries are plain C++ (and liblzma): no Qt include may appear in them.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
core=(model document settings gateway device export sim)
found=0
for dir in "${core[@]}"; do
    [ -d "$top/src/$dir" ] || continue
    # The UI folders below the core folders belong to the Qt side.
    if grep -rnE '^\s*#\s*include\s*[<"](Q[A-Za-z]+|qt[a-z]+/)' "$top/src/$dir" \
        --include='*.h' --include='*.cpp' | grep -v "/ui/"; then
        found=1
    fi
done
if [ "$found" -ne 0 ]; then
    echo "Qt includes found in the core libraries (above)." >&2
    exit 1
fi
echo "core libraries are free of Qt"
