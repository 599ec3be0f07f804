#!/usr/bin/env bash
# The device commands end to end over pseudo-terminals: Update Device of a project with two
# gateways and shared points against zav-gateway-sim, read back and compared with the compile;
# the same writes against a second gateway written apart (tiny_gateway.py), compared by its
# own reading of the image layout; Read Site Security Key; the answers, trace and exit codes.
set -euo pipefail
cli="$1"
sim="$2"
tiny="$(dirname "$0")/tiny_gateway.py"
source "$(dirname "$0")/pty_gateways.sh"
q() { "$cli" "$@"; }

file="$work/Plant.zavproj"
q new --name Plant --folder "$work" --band 900 --channel 5 --group 10 --gateway Gateway \
    --rtu rs485 --slave-id 7 >/dev/null
q edit "$file" add-gateway >/dev/null
q edit "$file" rename Gateway_2 North >/dev/null
q edit "$file" set-port Gateway rtu --mode master >/dev/null
q edit "$file" add-modbus-module Gateway --port 2 --slave-id 5 --first-register 100 --count 3 \
    --format int16 --names Flow,Level >/dev/null
q edit "$file" add-io-module Gateway --kind am1 --address 0 --map int,float >/dev/null
q edit "$file" import-points North Gateway Base:VIN --map int,float >/dev/null
q edit "$file" import-points Gateway North MBModule:Flow MBModule:Level >/dev/null
q edit "$file" add-write-import Gateway Setpoint --type int >/dev/null
q compile "$file" --gateway Gateway --out "$work/gateway.img" >/dev/null
q compile "$file" --gateway North --out "$work/north.img" >/dev/null

# Read Site Security Key takes the device's key into the site and saves the project.
start keyPty keysim "$sim" --pty --key 123456
q read-key "$file" --gateway Gateway --port "$keyPty" | grep -q 'Gateway - Site Security Key Updated\.$' \
    || fail "read-key"
q show "$file" | grep -q '(Key:  123456)' || fail "the site did not take the key"
key=123456

# zav-gateway-sim: update (a device without a key takes the site's without a question), then
# read back what it holds.
start simPty sim "$sim" --pty --key 0
q update "$file" --gateway Gateway --port "$simPty" --trace >"$work/update.out" 2>"$work/update.err" \
    || fail "update: $(cat "$work/update.out" "$work/update.err")"
grep -Eq '^[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}- Gateway - Configuration download Ok\.$' \
    "$work/update.out" || fail "no result line: $(cat "$work/update.out")"
grep -Eq '^[0-9:.]{12}- -> FF 05 00 00 20 15$' "$work/update.err" || fail "no enquiry in the trace"
grep -Eq '^[0-9:.]{12}- <- FF 06 00 00 D0 15$' "$work/update.err" || fail "no answer in the trace"
q read --port "$simPty" --image "$work/read.img" >"$work/read.out" || fail "read"
grep -qx 'Type: ZAV Gateway Module' "$work/read.out" || fail "read: $(cat "$work/read.out")"
grep -qx "Device: AES Off : ESS On (Key: $key)" "$work/read.out" || fail "the site key was not written"
python3 "$tiny" --compare "$work/gateway.img" "$work/read.img" >"$work/cmp" \
    || fail "read back differs from compile: $(cat "$work/cmp")"
q update "$file" --gateway Gateway --port "$simPty" --verify >"$work/verify.out" \
    || fail "verify: $(cat "$work/verify.out")"
grep -qx verified "$work/verify.out" || fail "no verified line"

# A second, independent gateway, at the line rate, takes both gateways' writes; the key question is answered by
# its flag, and the key ends up as the device's (123456).
start tinyPty tiny python3 "$tiny" --image-out "$work/tiny-gateway.img" --key 5 --line-timing
q update "$file" --gateway Gateway --port "$tinyPty" --key update >/dev/null 2>"$work/tiny.err" \
    || fail "update of the independent gateway: $(cat "$work/tiny.err")"
grep -q 'answered Yes by --key' "$work/tiny.err" || fail "the key question was not answered by its flag"
kill "${pids[-1]}"; wait "${pids[-1]}" || true
python3 "$tiny" --compare "$work/gateway.img" "$work/tiny-gateway.img" >"$work/cmp" \
    || fail "the independent gateway holds another image: $(cat "$work/cmp")"
start tinyPty tiny2 python3 "$tiny" --image-out "$work/tiny-north.img" --key 123456 --line-timing
q update "$file" --gateway North --port "$tinyPty" >/dev/null </dev/null || fail "update North"
kill "${pids[-1]}"; wait "${pids[-1]}" || true
python3 "$tiny" --compare "$work/north.img" "$work/tiny-north.img" >"$work/cmp" \
    || fail "North differs on the independent gateway: $(cat "$work/cmp")"

# A question nobody answers in a script is answered Cancel, names its flag, and fails.
start bandPty band "$sim" --pty --channel 35
if q update "$file" --gateway Gateway --port "$bandPty" >"$work/band.out" 2>"$work/band.err" </dev/null; then
    fail "a cancelled update succeeded"
fi
grep -q -- '--radio yes|no answers it' "$work/band.err" || fail "no flag named: $(cat "$work/band.err")"
grep -q 'Gateway - Configuration cancelled\.$' "$work/band.out" || fail "no cancel line"

# On a terminal the question is asked there; "y" reconfigures the radio.
printf 'y\n' | script -qec "'$cli' update '$file' --gateway Gateway --port '$bandPty'" /dev/null \
    >"$work/terminal.out" 2>&1 || fail "terminal answer: $(cat "$work/terminal.out")"
grep -q '\[y\]es, \[n\]o, \[c\]ancel?' "$work/terminal.out" || fail "no choices on the terminal"
grep -q 'Gateway - Configuration download Ok\.' "$work/terminal.out" || fail "terminal update"

# Not a gateway.
start basePty base "$sim" --pty --type 11
if q update "$file" --gateway Gateway --port "$basePty" >"$work/base.out" 2>&1; then
    fail "an update of a base unit succeeded"
fi
grep -q 'Gateway - ZAV Gateway Module update failure, a Base Unit was detected\.$' \
    "$work/base.out" || fail "base unit line: $(cat "$work/base.out")"

# No port at all: a path that does not open, and no --port with no setting and no gateway.
if q read --port "$work/no-such-port" 2>"$work/noport.err"; then fail "read without a port"; fi
grep -q 'cannot open the port' "$work/noport.err" || fail "no port message"
mkdir -p "$work/home"
if HOME="$work/home" XDG_CONFIG_HOME="$work/home" q read 2>"$work/nogateway.err"; then
    fail "read with no gateway"
fi
grep -q 'no gateway found' "$work/nogateway.err" || fail "no gateway message: $(cat "$work/nogateway.err")"
[ -z "$(find "$work/home" -type f)" ] || fail "looking for the port override wrote settings"
echo ok
