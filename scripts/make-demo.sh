#!/usr/bin/env bash
# make-demo.sh QUILLAN-CLI FOLDER: writes FOLDER/Demo.zavproj, a project in which every tab has
# rows: a gateway with a Modbus module, three I/O modules, write imports and a Modbus map, and
# a second gateway ("North") that shares points with it both ways.
set -euo pipefail
cli="$1"
folder="$2"
file="$folder/Demo.zavproj"
mkdir -p "$folder"
q() { "$cli" "$@" >/dev/null; }

q new --name Demo --folder "$folder" --band 900 --channel 5 --group 10 --gateway Gateway \
    --rtu rs485 --slave-id 1 --overwrite
q edit "$file" add-gateway
q edit "$file" set-port Gateway rtu --mode master
q edit "$file" add-modbus-module Gateway --port 2 --slave-id 5 --first-register 100 --count 3 \
    --format int16 --names Flow,Level,Pressure --outputs 200,201
q edit "$file" add-io-module Gateway --kind am1 --address 0 --map int,float
q edit "$file" add-io-module Gateway --kind am2 --address 1 --inputs-units 1 --out1 3 --out2 2
q edit "$file" add-io-module Gateway --kind dm --address 2 --groups inputs,counts --map float
q edit "$file" import-points Gateway_2 Gateway Base:VIN --map int,float
q edit "$file" add-write-import Gateway Setpoint --type int
q edit "$file" add-write-import Gateway Speed --type float
q edit "$file" map Gateway Gateway:Base:VIN MBModule:Level --table int
q edit "$file" rename Gateway_2 North
q edit "$file" import-points Gateway North MBModule:Flow MBModule:Level M0:AIN1
"$cli" check "$file" >/dev/null
echo "$file"
