#!/usr/bin/env bash
# Runs every fuzz target for the same time, JOBS at a time, and prints what each did.
#   tests/soak/fuzz-all.sh [SECONDS [JOBS]]      (1800 s and 2 jobs by default)
# Each run's log is kept in the fuzz build folder (fuzz-logs/TARGET.log); a finding stops
# that target and is named in the summary, and the script then exits 1. With more runs than
# processors (or under nice) a run can stall for seconds while it waits for one, so a unit
# counts as hanging only after 120 s rather than libFuzzer's 10.
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-1800}"
jobs="${2:-2}"
targets=(project_file frame_receiver block_data request_receiver state_file
    update_device session_read unpack hex_loader modbus_reply)
build="${QUILLAN_FUZZ_BUILD_DIR:-$top/build-fuzz}"
export QUILLAN_FUZZ_BUILD_DIR="$build"

"$top/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLAN_FUZZ=ON -DQUILLAN_SANITIZE=ON -DQUILLAN_TESTS=OFF -DQUILLAN_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]/%/_fuzz}" --parallel "$(nproc)"

logs="$build/fuzz-logs"
mkdir -p "$logs"
export QUILLAN_FUZZ_PREBUILT=1
running=0
for target in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    (
        cd "$logs" # crash files land beside the logs
        if /usr/bin/time -f 'cpu seconds: %U user %S system' \
            "$top/scripts/fuzz.sh" "$target" "$seconds" -timeout=120 >"$target.log" 2>&1; then
            echo ok >"$target.status"
        else
            echo finding >"$target.status"
        fi
    ) &
    running=$((running + 1))
done
wait

status=0
printf '%-18s %8s %8s %12s %10s %8s %s\n' target seconds "cpu s" runs "runs/s" corpus result
for target in "${targets[@]}"; do
    log="$logs/$target.log"
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    took="$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)"
    corpus="$(grep -o 'corp: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)"
    cpu="$(sed -n 's/^cpu seconds: \([0-9]*\).* user \([0-9]*\).*/\1 + \2/p' "$log" | tail -1)"
    cpu="$((${cpu:-0}))"
    result="$(cat "$logs/$target.status" 2>/dev/null || echo missing)"
    rate=0
    if [ -n "$took" ] && [ "$took" -gt 0 ]; then
        rate=$((${runs:-0} / took))
    fi
    printf '%-18s %8s %8s %12s %10s %8s %s\n' "$target" "${took:-?}" "$cpu" "${runs:-?}" "$rate" \
        "${corpus:-?}" "$result"
    if [ "$result" != ok ]; then
        status=1
    fi
done
exit "$status"
