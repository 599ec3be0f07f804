#!/usr/bin/env bash
# Kill during save: quillan-cli changes a project of MEGABYTES (1 by default) and is killed
# with SIGKILL at a random moment of its run, until COUNT runs (1000 by default) were killed. Every time the file
# must hold the old project or the new one, byte for byte, and nothing may be left in its
# folder for the next save to trip on. Linux cannot link a finished file over an existing
# name, so a save replacing one holds it for the length of a rename under a hidden name
# (".Plant.zavproj.XXXXXX.saving"); a kill in that moment leaves it there, complete, and the
# next save clears it. Such a file is counted, and must be a whole old or new project; after
# the last run one more save must leave the folder clean.
#   tests/soak/kill-during-save.sh [COUNT [MEGABYTES]]
# QUILLAN_BUILD_DIR names the build (build/ by default).
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
build="${QUILLAN_BUILD_DIR:-$top/build}"
cli="$build/src/cli/quillan-cli"
count="${1:-1000}"
megabytes="${2:-1}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
pause="$work/pause"
mkfifo "$pause"
export XDG_CONFIG_HOME="$work/config"

folder="$work/project"
mkdir -p "$folder"
file="$folder/Plant.zavproj"
"$build/tests/soak/make-large-project" "$file" "$megabytes"
# The first save takes the file's own name and folder; from then on the two names give two
# fixed files.
names=(Gateway_2 Gateway_X)
rename() { "$cli" edit "$file" rename "${names[$1]}" "${names[$((1 - $1))]}" >/dev/null; }
rename 0
rename 1
cp "$file" "$work/state-0"
rename 0
cp "$file" "$work/state-1"
cmp -s "$work/state-0" "$work/state-1" && fail "the two names give the same file"
state=1
# The quickest of a few undisturbed runs: a slower one would put most kills after the end.
whole_us=0
for round in 1 2 3 4; do
    began=$(date +%s%N)
    rename "$state"
    took=$((($(date +%s%N) - began) / 1000))
    state=$((1 - state))
    if [ "$whole_us" -eq 0 ] || [ "$took" -lt "$whole_us" ]; then
        whole_us="$took"
    fi
done

# Kills spread from a third into the run, past the start and most of the reading, to a little
# beyond its end, so that most land while the file is made and written.
first_us=$((whole_us / 3))
spread_us=$((whole_us - first_us + whole_us / 5))
killed_old=0
killed_new=0
finished=0
intermediates=0
i=0
while [ $((killed_old + killed_new)) -lt "$count" ]; do
    i=$((i + 1))
    delay_us=$((first_us + (RANDOM * 32768 + RANDOM) % spread_us))
    "$cli" edit "$file" rename "${names[$state]}" "${names[$((1 - state))]}" >/dev/null 2>&1 &
    pid=$!
    # A wait inside the shell: starting sleep would itself take milliseconds.
    read -rt "$(printf '%d.%06d' $((delay_us / 1000000)) $((delay_us % 1000000)))" <>"$pause" || true
    kill -KILL "$pid" 2>/dev/null || true
    set +e
    { wait "$pid"; } 2>/dev/null # without the shell's "Killed" line
    status=$?
    set -e
    if cmp -s "$file" "$work/state-$((1 - state))"; then
        state=$((1 - state))
        [ "$status" -eq 0 ] && finished=$((finished + 1)) || killed_new=$((killed_new + 1))
    elif cmp -s "$file" "$work/state-$state"; then
        [ "$status" -eq 137 ] || fail "run $i: status $status and the file unchanged"
        killed_old=$((killed_old + 1))
    else
        cp "$file" "$work/../kill-during-save-damaged.zavproj" 2>/dev/null || true
        fail "run $i: the file is neither the old project nor the new one"
    fi
    for left in $(ls -A "$folder" | grep -vx Plant.zavproj || true); do
        [[ "$left" =~ ^\.Plant\.zavproj\.[A-Za-z0-9]{6}\.saving$ ]] ||
            fail "run $i: left behind: $left"
        cmp -s "$folder/$left" "$work/state-0" || cmp -s "$folder/$left" "$work/state-1" ||
            fail "run $i: $left is neither the old project nor the new one"
        intermediates=$((intermediates + 1))
    done
done
rename "$state"
leftovers="$(ls -A "$folder" | grep -vx Plant.zavproj || true)"
[ -z "$leftovers" ] || fail "a save after the last run left: $leftovers"
echo "kills survived: $((killed_old + killed_new)) in $i runs" \
    "($killed_old before the new file was in place, $killed_new after; $finished finished first);" \
    "a complete intermediate seen $intermediates times, cleared by the next save;" \
    "project $(stat -c %s "$file") bytes, a whole run $((whole_us / 1000)) ms"
