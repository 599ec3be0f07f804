#!/usr/bin/env bash
# Builds the project-file fuzz target with clang, libFuzzer, ASan and UBSan and runs it.
#   scripts/fuzz.sh [SECONDS]   (default 60)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
"$top/scripts/install-deps.sh"
build="${QUILLAN_FUZZ_BUILD_DIR:-$top/build-fuzz}"
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLAN_FUZZ=ON -DQUILLAN_SANITIZE=ON -DQUILLAN_TESTS=OFF -DQUILLAN_BENCH=OFF >/dev/null
cmake --build "$build" --target project_file_fuzz --parallel "$(nproc)"

# Seeds: the project files among the test fixtures; the corpus grows in the build folder.
corpus="$build/fuzz-corpus"
mkdir -p "$corpus"
find "$top/tests/data" -name '*.zavproj' -exec cp -n {} "$corpus/" \; 2>/dev/null || true
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1
"$build/tests/fuzz/project_file_fuzz" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -timeout=10 -print_final_stats=1 -dict="$top/tests/fuzz/project.dict" "$corpus"
