#!/usr/bin/env bash
# store-file and retrieve-file end to end over a pseudo-terminal against zav-gateway-sim: the
# project comes back byte for byte under its own name, a stored project is kept unless
# --overwrite says otherwise, an existing file is never replaced silently, and a device that
# cannot hold a project is refused.
set -euo pipefail
cli="$1"
sim="$2"
source "$(dirname "$0")/pty_gateways.sh"
q() { "$cli" "$@"; }
# The user's settings stay out of it: the remembered project folder is then the current one.
export XDG_CONFIG_HOME="$work/config"
stamped() { grep -Eq "^[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}- $1\$" "$2"; }

file="$work/Plant.zavproj"
q new --name Plant --folder "$work" --band 900 --channel 5 --group 10 --gateway Gateway >/dev/null
q edit "$file" add-io-module Gateway --kind am1 --address 0 --map int,float >/dev/null

start simPty sim "$sim" --pty --state "$work/gateway.state"
q store-file "$file" --gateway Gateway --port "$simPty" >"$work/store.out" \
    || fail "store-file: $(cat "$work/store.out")"
stamped 'Gateway - File successfully uploaded\.' "$work/store.out" || fail "no upload line: $(cat "$work/store.out")"

# Retrieved into the current folder under the project's name.
mkdir "$work/here"
(cd "$work/here" && q retrieve-file --port "$simPty" >"$work/retrieve.out") \
    || fail "retrieve-file: $(cat "$work/retrieve.out")"
stamped 'Gateway - File successfully downloaded\.' "$work/retrieve.out" || fail "no download line"
cmp "$file" "$work/here/Plant.zavproj" || fail "the retrieved file differs"
[ "$(ls -A "$work/here")" = "Plant.zavproj" ] || fail "left behind: $(ls -A "$work/here")"

# An existing file is replaced only with --overwrite; --out names the file.
(cd "$work/here" && q retrieve-file --port "$simPty" >/dev/null 2>"$work/exists.err") \
    && fail "an existing file was replaced"
grep -q -- '--overwrite' "$work/exists.err" || fail "no hint of --overwrite: $(cat "$work/exists.err")"
q retrieve-file --port "$simPty" --out "$work/copy.zavproj" >/dev/null || fail "--out"
cmp "$file" "$work/copy.zavproj" || fail "--out differs"
echo stale >"$work/copy.zavproj"
q retrieve-file --port "$simPty" --out "$work/copy.zavproj" >/dev/null 2>&1 && fail "--out replaced a file"
grep -qx stale "$work/copy.zavproj" || fail "the refused file was touched"
q retrieve-file --port "$simPty" --out "$work/copy.zavproj" --overwrite >/dev/null || fail "--overwrite"
cmp "$file" "$work/copy.zavproj" || fail "--overwrite differs"

# The device now holds a project: without --overwrite the answer is No, and it keeps the old.
q edit "$file" rename Gateway South >/dev/null
q store-file "$file" --gateway South --port "$simPty" >"$work/again.out" 2>&1 \
    && fail "a stored project was replaced without --overwrite"
stamped 'South - Could not write file to the device\.' "$work/again.out" || fail "no refusal line: $(cat "$work/again.out")"
q retrieve-file --port "$simPty" --out "$work/old.zavproj" >/dev/null || fail "retrieve after refusal"
cmp "$work/copy.zavproj" "$work/old.zavproj" || fail "the refused store changed the device"
q store-file "$file" --gateway South --port "$simPty" --overwrite >/dev/null || fail "store --overwrite"
q retrieve-file --port "$simPty" --out "$work/new.zavproj" >/dev/null || fail "retrieve after overwrite"
cmp "$file" "$work/new.zavproj" || fail "the overwritten project differs"

# The simulator keeps the packed project in its state file across runs.
kill "${pids[0]}"
start againPty again "$sim" --pty --state "$work/gateway.state"
q retrieve-file --port "$againPty" --out "$work/kept.zavproj" >/dev/null || fail "retrieve after restart"
cmp "$file" "$work/kept.zavproj" || fail "the state file lost the project"

# A device that cannot hold a project.
start typePty type "$sim" --pty --type 1
q retrieve-file --port "$typePty" --out "$work/none.zavproj" >"$work/type.out" 2>&1 \
    && fail "retrieved from an Analog Transmitter"
stamped 'Gateway - Gateway connect failure, a Analog Transmitter was detected\.' "$work/type.out" \
    || fail "no type line: $(cat "$work/type.out")"
[ ! -e "$work/none.zavproj" ] || fail "a file was written"

# A file that cannot be read is refused before any port is opened.
q store-file "$work/missing.zavproj" --gateway South --port /nonexistent >/dev/null 2>&1 \
    && fail "stored a missing file"
echo ok
