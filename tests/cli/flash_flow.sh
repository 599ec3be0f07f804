#!/usr/bin/env bash
# quillan-cli flash end to end over a pseudo-terminal: 100 KB of random bytes made into Intel
# HEX by srec_cat (32-byte records, and 255-byte records on lines longer than 255 characters),
# flashed into zav-gateway-sim and read back from its state file with --firmware-out; a
# gateway that refuses the transfer; a firmware file that cannot be opened.
set -euo pipefail
cli="$1"
sim="$2"
command -v srec_cat >/dev/null || { echo "FAIL: srec_cat (package srecord) is needed" >&2; exit 1; }
source "$(dirname "$0")/pty_gateways.sh"

head -c 102400 /dev/urandom >"$work/fw.bin"
state="$work/state.bin"

# flash_and_compare NAME OFFSET RECORD_SIZE: the binary at OFFSET in records of RECORD_SIZE
# bytes, flashed, then the gateway's memory compared with the binary.
flash_and_compare() {
    local name="$1" offset="$2" size="$3" hex="$work/$1.a79"
    srec_cat "$work/fw.bin" -binary -offset "$offset" -o "$hex" -intel -obs="$size"
    grep -q '^:02000004' "$hex" || fail "$name: srec_cat wrote no extended address record"
    grep -q "^:$(printf '%02X' "$size")" "$hex" || fail "$name: no $size-byte records"
    start pty "sim-$name" "$sim" --pty --state "$state"
    "$cli" flash "$hex" --port "$pty" >"$work/$name.out" 2>"$work/$name.err" \
        || fail "$name: flash: $(cat "$work/$name.out" "$work/$name.err")"
    stop_last
    grep -Eq '^[0-9:.]{12}- Writing flash memory\.\.\. 0%$' "$work/$name.out" \
        || fail "$name: no progress: $(cat "$work/$name.out")"
    grep -Eq '^[0-9:.]{12}- Flash complete\.\.\.$' "$work/$name.out" || fail "$name: not complete"
    "$sim" --state "$state" --firmware-out "$work/$name.out.bin" >"$work/$name.where" \
        || fail "$name: --firmware-out"
    [ "$(cat "$work/$name.where")" = "$(printf '0x%08X 102400' "$offset")" ] \
        || fail "$name: flashed at $(cat "$work/$name.where")"
    cmp "$work/fw.bin" "$work/$name.out.bin" || fail "$name: the gateway holds other bytes"
}

flash_and_compare records32 0x08020000 32
# Lines of 521 characters; the records stop at each 64 KB boundary, where a type-4 record
# moves the segment on.
flash_and_compare records255 0x0802FF00 255
awk 'length($0) > 255 { long = 1 } END { exit !long }' "$work/records255.a79" \
    || fail "no line longer than 255 characters"

# A gateway that refuses the first chunk: exit 1, the chunk named, no completion line.
start nakPty nak "$sim" --pty --nak 70
if "$cli" flash "$work/records32.a79" --port "$nakPty" >"$work/nak.out" 2>"$work/nak.err"; then
    fail "a refused flash succeeded"
fi
grep -q 'Flash failed at chunk 1 of 100 (address 0x08020000): negative acknowledge' \
    "$work/nak.err" || fail "no failure line: $(cat "$work/nak.err")"
grep -q 'Flash complete' "$work/nak.out" && fail "completion shown after a failure"
# One that refuses to begin.
start beginPty begin "$sim" --pty --nak 68
if "$cli" flash "$work/records32.a79" --port "$beginPty" 2>"$work/begin.err" >/dev/null; then
    fail "a flash the gateway did not begin succeeded"
fi
grep -q 'did not start the transfer (negative acknowledge); nothing was written' \
    "$work/begin.err" || fail "no begin failure: $(cat "$work/begin.err")"

# A file that cannot be opened: exit 1 and not a frame on the line.
for missing in "$work/no-such.a79" "$work"; do
    if "$cli" flash "$missing" --port "$nakPty" --trace >"$work/missing.out" 2>"$work/missing.err"
    then
        fail "flash of $missing succeeded"
    fi
    grep -q "cannot open the firmware file $missing" "$work/missing.err" \
        || fail "no reason for $missing: $(cat "$work/missing.err")"
    grep -q -- '->' "$work/missing.err" && fail "a frame was sent for $missing"
    [ ! -s "$work/missing.out" ] || fail "output for $missing: $(cat "$work/missing.out")"
done

# A damaged record (its checksum spoilt) or a file without data: refused with the line and the
# reason, and not a frame on the line.
awk 'NR == 3 { d = substr($0, 10, 1); $0 = substr($0, 1, 9) (d == "0" ? "1" : "0") substr($0, 11) } 1' \
    "$work/records32.a79" >"$work/spoilt.a79"
printf ':00000001FF\n' >"$work/empty.a79"
for bad in spoilt empty; do
    if "$cli" flash "$work/$bad.a79" --port "$nakPty" --trace >"$work/$bad.out" 2>"$work/$bad.err"; then
        fail "flash of $bad.a79 succeeded"
    fi
    grep -q "$bad.a79 cannot be flashed: .*; nothing was sent to the gateway" "$work/$bad.err" \
        || fail "no reason for $bad.a79: $(cat "$work/$bad.err")"
    grep -q -- '->' "$work/$bad.err" && fail "a frame was sent for $bad.a79"
done
grep -q "line 3 is not a valid Intel HEX record: the checksum is wrong" "$work/spoilt.err" || fail "line 3: $(cat "$work/spoilt.err")"

# The simulator's read-back wants a state file that holds firmware.
if "$sim" --state "$work/none.bin" --firmware-out "$work/none.out.bin" 2>"$work/none.err"; then
    fail "--firmware-out without a state file succeeded"
fi
grep -q 'no state file' "$work/none.err" || fail "no reason: $(cat "$work/none.err")"
echo ok
