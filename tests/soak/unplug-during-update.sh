#!/usr/bin/env bash
# Unplug during Update Device: COUNT times (200 by default) the simulated gateway's line goes
# dead at a random frame of an update, as a cable pulled. Every time quillan-cli must end
# within its time-outs with a failure line and exit 1 (no hang, no crash), and the project
# file must be as it was.
#   tests/soak/unplug-during-update.sh [COUNT]
# QUILLAN_BUILD_DIR names the build (build/ by default).
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
build="${QUILLAN_BUILD_DIR:-$top/build}"
cli="$build/src/cli/quillan-cli"
sim="$build/src/sim/zav-gateway-sim"
count="${1:-200}"
# Far beyond the operation's own time-outs: a run that reaches it hangs.
hang_limit=60
source "$top/tests/cli/pty_gateways.sh"
export XDG_CONFIG_HOME="$work/config"

file="$work/Plant.zavproj"
"$cli" new --name Plant --folder "$work" --band 900 --channel 5 --group 10 --gateway Gateway \
    --rtu rs485 --slave-id 7 >/dev/null
"$cli" edit "$file" set-port Gateway rtu --mode master >/dev/null
"$cli" edit "$file" add-io-module Gateway --kind am1 --address 0 --map int,float >/dev/null
"$cli" edit "$file" add-modbus-module Gateway --port 2 --slave-id 5 --first-register 100 \
    --count 3 --format int16 --names Flow,Level >/dev/null
cp "$file" "$work/before.zavproj"

frames=64 # at least the frames of a whole update; lowered when an update gets through
unplugs=0
completed=0
longest=0
declare -A results
while [ "$unplugs" -lt "$count" ]; do
    at=$((1 + RANDOM % frames))
    start pty sim "$sim" --pty --key 0 --no-line-timing --hang-up-after "$at"
    began=$(date +%s%N)
    set +e
    timeout "$hang_limit" "$cli" update "$file" --gateway Gateway --port "$pty" --radio yes \
        --key update >"$work/update.out" 2>"$work/update.err"
    status=$?
    set -e
    took=$((($(date +%s%N) - began) / 1000000))
    kill "${pids[-1]}" 2>/dev/null || true
    wait "${pids[-1]}" 2>/dev/null || true
    case "$status" in
    0)
        # The update needed fewer frames than the line allowed.
        completed=$((completed + 1))
        frames=$((at - 1))
        ;;
    1)
        unplugs=$((unplugs + 1))
        # Last, a result line other than success's, or "Connection failed..." alone where
        # the radio read failed (that step has no result line of its own).
        result="$(tail -n1 "$work/update.out")"
        result="${result#*- }"
        [[ "$result" == "Gateway - "* && "$result" != *"download Ok."* ]] ||
            [[ "$result" == "Connection failed..." ]] ||
            fail "no failure line for a hang-up at frame $at: $(cat "$work/update.out" "$work/update.err")"
        results["$result"]=1
        [ "$took" -gt "$longest" ] && longest="$took"
        ;;
    124) fail "quillan-cli still running after ${hang_limit} s (line dead at frame $at)" ;;
    *) fail "quillan-cli ended with status $status (line dead at frame $at): $(cat "$work/update.err")" ;;
    esac
    cmp -s "$file" "$work/before.zavproj" || fail "the project changed (line dead at frame $at)"
done
echo "unplugs survived: $unplugs of $count, at frames 1 to $frames of an update" \
    "(updates that got through: $completed); longest failing run: $longest ms; results:"
printf '  %s\n' "${!results[@]}" | sort
