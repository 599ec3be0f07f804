#!/usr/bin/env bash
# Builds a project with quillan-cli the way a script would, then checks that it reads back
# byte for byte, compiles, dumps and exports; and that refused actions change nothing.
set -euo pipefail
cli="$1"
data="$(cd "$(dirname "$0")/../data" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
file="$work/Plant.zavproj"

fail() { echo "FAIL: $*" >&2; exit 1; }
q() { "$cli" "$@"; }

q new --name Plant --folder "$work" --band 900 --channel 5 --group 10 --gateway Gateway \
    --rtu rs485 --slave-id 300 >/dev/null
q edit "$file" add-gateway >/dev/null
q edit "$file" set-port Gateway rtu --mode master >/dev/null
q edit "$file" add-modbus-module Gateway --port 2 --slave-id 5 --first-register 100 --count 3 \
    --format int16 --names Flow,Level --outputs 200,201 >/dev/null
q edit "$file" add-io-module Gateway --kind am1 --address 0 --map int,float >/dev/null
q edit "$file" add-io-module Gateway --kind am2 --address 1 --inputs-units 1 --out1 3 --out2 2 >/dev/null
q edit "$file" add-io-module Gateway --kind dm --address 2 --groups inputs,counts --map float >/dev/null
q edit "$file" import-points Gateway_2 Gateway Base:VIN --map int,float >/dev/null
q edit "$file" import-points Gateway Gateway_2 MBModule:Flow >/dev/null
q edit "$file" add-write-import Gateway Setpoint --type int >/dev/null
q edit "$file" add-write-import Gateway Speed --type float >/dev/null
q edit "$file" map Gateway Gateway:Base:VIN MBModule:Level --table int >/dev/null
q edit "$file" set-radio Gateway --tx-power 3 --retries 5 >/dev/null
q edit "$file" rename Gateway_2 North >/dev/null

q check "$file" >/dev/null || fail "the project does not read back byte for byte"
for fixture in "$data"/projects/*.zavproj; do
    q check "$fixture" >/dev/null || fail "$fixture does not read back byte for byte"
done

# A write import shared with North: every view shows the register the Gateway's map gives it.
q edit "$file" import-points Gateway North Base:Setpoint >/dev/null
q show "$file" --gateway Gateway --list modbus | grep -qx $'004\t\t3004\tGateway\tSetpoint\t\t' \
    || fail "Setpoint is not at 3004 in the map"
q show "$file" --gateway North --list imports | grep -q $'^003\tGateway\tMB3004:Setpoint\t' \
    || fail "North's import of Setpoint: $(q show "$file" --gateway North --list imports)"
q show "$file" --gateway Gateway --list exports | grep -q $'^002\tMB3004:Setpoint\t' \
    || fail "Gateway's export of Setpoint"

# The wizard's RTU values: RS485 and extended addressing for slave id 300.
q show "$file" --gateway Gateway --list device | grep -qx $'Protocol\tModbus Master' \
    || fail "RTU port is not a master"
q show "$file" --gateway Gateway/MBModule --list device | grep -qx $'Modbus Registers\tR100 - R102' \
    || fail "module rows"
q show "$file" --gateway North --list exports | grep -q $'MBModule:Flow' && fail "export in wrong gateway"
q show "$file" --gateway Gateway --list exports | grep -q $'\tNorth$' || fail "export to North missing"

# Refused actions print why and leave the file alone.
before="$(md5sum < "$file")"
for action in \
    "add-io-module Gateway --kind dm --address 2" \
    "set-port Gateway config --mode master" \
    "set-port Gateway rtu --mode debug" \
    "rename Gateway bad:name" \
    "delete Gateway" \
    "map Gateway Gateway:Setpoint --table int" \
    "import-points Gateway Gateway Base:VIN" \
    "add-modbus-module North --slave-id 1 --first-register 0 --count 70 --format float"; do
    # shellcheck disable=SC2086
    if q edit "$file" $action >/dev/null 2>"$work/err"; then fail "accepted: $action"; fi
    [ -s "$work/err" ] || fail "no reason given for: $action"
done
[ "$(md5sum < "$file")" = "$before" ] || fail "a refused action changed the file"

q compile "$file" --gateway Gateway --out "$work/gateway.img" > "$work/counts"
[ "$(stat -c %s "$work/gateway.img")" = 97422 ] || fail "image size"
grep -qx "map records: 18" "$work/counts" || fail "map records: $(cat "$work/counts")"
q dump "$work/gateway.img" | grep -qx "PROTOCOL 3 (MODBUS MASTER)" || fail "dump"

q export-csv "$file" | grep -q "Plant.csv was created at location" || fail "csv message"
grep -q $'^North\r$' "$work/Plant.csv" || fail "csv content"
[ "$(grep -c 'MB3004:Setpoint' "$work/Plant.csv")" = 2 ] || fail "csv registers of Setpoint"
grep -q 'MB   0' "$work/Plant.csv" && fail "csv holds an unnumbered register"

# Dump.txt goes to the working directory, which the message names.
mkdir "$work/dump"
(cd "$work/dump" && q dump "$work/gateway.img" --file) > "$work/dumped"
grep -qx "Dump.txt was created at location '$(cd "$work/dump" && pwd -P)'." "$work/dumped" \
    || fail "dump location: $(cat "$work/dumped")"
q dump "$work/gateway.img" | cmp -s - "$work/dump/Dump.txt" || fail "Dump.txt differs from dump"

# A table over 1920 records: the device's message, and no image.
cp "$file" "$work/Full.zavproj"
# shellcheck disable=SC2046
q edit "$work/Full.zavproj" map Gateway $(yes Gateway:Base:VIN | head -n 1921) --table int >/dev/null 2>&1
echo old > "$work/full.img"
if q compile "$work/Full.zavproj" --gateway Gateway --out "$work/full.img" >/dev/null \
    2>"$work/err"; then fail "compiled a map of 1921 records"; fi
grep -qx "Gateway - Modbus Map limit (1920) exceeded." "$work/err" || fail "limit: $(cat "$work/err")"
[ "$(cat "$work/full.img")" = old ] || fail "an image was written over the limit"

# A document without a project root is named as such.
printf '\0\0\0\0\0\0\0\0\0\0' > "$work/Empty.zavproj"
if q show "$work/Empty.zavproj" 2>"$work/err"; then fail "showed an empty document"; fi
grep -q "holds no project" "$work/err" || fail "empty document: $(cat "$work/err")"

q delete-nothing 2>/dev/null && fail "unknown command accepted"
q edit "$file" delete North/MBModule 2>/dev/null && fail "deleted a module that does not exist"
q edit "$file" delete North >/dev/null 2>&1 || fail "could not delete North"
q check "$file" >/dev/null || fail "the project does not read back after a deletion"
echo "ok"
