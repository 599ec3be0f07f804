#!/usr/bin/env bash
# Builds the device, platform and simulator tests, and the window tests of the device work, with
# clang and ThreadSanitizer into build-tsan/ (or $QUILLAN_TSAN_BUILD_DIR) and runs them. Extra
# arguments go to every GoogleTest program (for example --gtest_filter=QtSerialLink*).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
build="${QUILLAN_TSAN_BUILD_DIR:-$top/build-tsan}"
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLAN_TSAN=ON -DQUILLAN_BENCH=OFF >/dev/null

tests=(tests/device/device_tests tests/platform/platform_tests tests/sim/sim_tests
    tests/sim/sim_process_tests tests/sim/sim_wiring_tests tests/sim/sim_line_rate_tests)
# Gateway operations, one of them run on a worker and stopped from the test's thread.
tests+=(tests/device/device_operation_tests)
# The log file syncs to disk on a thread of its own.
tests+=(tests/settings/settings_tests)
# Window tests whose device work runs on workers: Connect's device window over its session,
# and the device operations. Qt's own internals are left out for them (tsan-qt.supp).
ui_tests=(tests/ui/DeviceWindowTest tests/ui/DeviceOperationTest)
targets=(zav-gateway-sim)
for t in "${tests[@]}" "${ui_tests[@]}"; do
    targets+=("$(basename "$t")")
done
cmake --build "$build" --target "${targets[@]}" --parallel "$(nproc)"

export QT_QPA_PLATFORM=offscreen
# Qt is not built with ThreadSanitizer, so the code keeps its own hand-overs between threads
# on standard mutexes and joins, which the checker sees; no suppressions are needed.
export TSAN_OPTIONS="second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
failed=()
for t in "${tests[@]}"; do
    echo "== $t"
    if ! "$build/$t" "$@"; then
        failed+=("$t")
    fi
done
for t in "${ui_tests[@]}"; do
    echo "== $t"
    if ! XDG_CONFIG_HOME="$build/tsan-config" \
        TSAN_OPTIONS="suppressions=$top/scripts/tsan-qt.supp $TSAN_OPTIONS" "$build/$t"; then
        failed+=("$t")
    fi
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "ThreadSanitizer runs failed: ${failed[*]}" >&2
    exit 1
fi
echo "ThreadSanitizer: all clean"
