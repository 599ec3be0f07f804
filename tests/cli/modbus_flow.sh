#!/usr/bin/env bash
# modbus write, read and poll end to end over a pseudo-terminal against zav-gateway-sim, after
# update wrote a configuration whose CONFIG port is a Modbus slave: written values come back in
# the poll, runs follow the map, and every refusal and reply error ends with a failure status.
set -euo pipefail
cli="$1"
sim="$2"
source "$(dirname "$0")/pty_gateways.sh"
q() { "$cli" "$@"; }
export XDG_CONFIG_HOME="$work/config"
stamped() { grep -Eq "^[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}- $1\$" "$2"; }
tab=$'\t'

file="$work/Plant.zavproj"
q new --name Plant --folder "$work" --gateway GW --config-port modbus >/dev/null
q edit "$file" set-port GW config --slave-id 3 >/dev/null
for name in SP1 SP2; do q edit "$file" add-write-import GW "$name" --type int >/dev/null; done
q edit "$file" add-write-import GW F1 --type float >/dev/null

start simPty sim "$sim" --pty --key 0
q update "$file" --gateway GW --port "$simPty" >"$work/update.out" </dev/null \
    || fail "update: $(cat "$work/update.out")"

q modbus write 3001 1234 --slave 3 --port "$simPty" >"$work/w1.out" || fail "write 3001: $(cat "$work/w1.out")"
stamped 'Modbus Write: id 3, register 3001, value 1234\.\.\.' "$work/w1.out" || fail "no write line"
stamped '  ->   03 06 0B B9 04 D2 [0-9A-F]{2} [0-9A-F]{2} ' "$work/w1.out" || fail "no request trace"
grep -qx "3001${tab}1234" "$work/w1.out" || fail "no echo value: $(cat "$work/w1.out")"
q modbus write 7001 1.5 --slave 3 --port "$simPty" >"$work/w2.out" || fail "write 7001"
stamped '  ->   03 06 1B 59 3F C0 00 00 [0-9A-F]{2} [0-9A-F]{2} ' "$work/w2.out" || fail "no float trace"
grep -qx "7001${tab}1.5000" "$work/w2.out" || fail "no float echo: $(cat "$work/w2.out")"

q modbus read 3001 1 --slave 3 --port "$simPty" >"$work/read.out" || fail "read"
grep -qx "3001${tab}1234" "$work/read.out" || fail "read back: $(cat "$work/read.out")"

q modbus poll "$file" --gateway GW --port "$simPty" >"$work/poll.out" || fail "poll: $(cat "$work/poll.out")"
stamped 'Modbus Request: id 3, registers 3001 to 3002\.\.\.' "$work/poll.out" || fail "no integer run"
stamped 'Modbus Request: id 3, registers 7001 to 7001\.\.\.' "$work/poll.out" || fail "no float run"
grep -qx "3001${tab}GW${tab}SP1${tab}1234" "$work/poll.out" || fail "SP1: $(cat "$work/poll.out")"
grep -Eqx "3002${tab}GW${tab}SP2${tab}[0-9]+" "$work/poll.out" || fail "SP2: $(cat "$work/poll.out")"
grep -qx "7001${tab}GW${tab}F1${tab}1.5000" "$work/poll.out" || fail "F1: $(cat "$work/poll.out")"

q modbus poll "$file" --gateway GW --registers 3002,7000-7005 --port "$simPty" >"$work/some.out" \
    || fail "poll --registers"
[ "$(grep -c "^[0-9]*${tab}GW${tab}" "$work/some.out")" = 2 ] || fail "rows: $(cat "$work/some.out")"
grep -q "^3001${tab}" "$work/some.out" && fail "3001 was not asked for"

# Refused before anything is sent: a value the write dialog would not take, a list naming no row.
q modbus write 3001 40000 --slave 3 --port "$simPty" >/dev/null 2>"$work/big.err" && fail "40000 accepted"
grep -q "0 to 32767" "$work/big.err" || fail "no range: $(cat "$work/big.err")"
q modbus write 3001 1.5 --slave 3 --port "$simPty" >/dev/null 2>&1 && fail "a fraction on an integer register"
q modbus poll "$file" --gateway GW --registers 5000 --port "$simPty" >/dev/null 2>&1 && fail "no row polled"

# Reply errors: another slave stays silent, an unmapped register gets an exception.
q modbus read 3001 1 --slave 4 --port "$simPty" >"$work/silent.out" && fail "slave 4 answered"
stamped 'Modbus Response error: no response received\.' "$work/silent.out" || fail "no silence line"
q modbus read 5000 1 --slave 3 --port "$simPty" >"$work/exc.out" && fail "5000 answered"
stamped 'Modbus Response error: invalid function code\.' "$work/exc.out" || fail "no exception line"

# An extended slave id: the one line, and no port is even opened.
q edit "$file" set-port GW config --extended on --slave-id 300 >/dev/null
q modbus poll "$file" --gateway GW --port "$work/no-such-port" >"$work/ext.out" 2>"$work/ext.err" \
    && fail "extended id polled"
[ "$(wc -l <"$work/ext.out")" = 1 ] && [ ! -s "$work/ext.err" ] || fail "more than the refusal: $(cat "$work/ext.out" "$work/ext.err")"
stamped 'Modbus Error: extended slave id not supported by this feature\.' "$work/ext.out" || fail "no refusal line"
# A damaged settings file is named, left as it is, and the default line settings serve.
settings="$XDG_CONFIG_HOME/Norvane Systems/Quillan 1.0 Platform.settings"
mkdir -p "$(dirname "$settings")"
printf '"configBaudRate"=dword:zz\n' >"$settings"
cp "$settings" "$work/damaged.settings"
q modbus read 3001 1 --slave 3 --port "$simPty" >"$work/damaged.out" 2>"$work/damaged.err" \
    || fail "read with damaged settings: $(cat "$work/damaged.out" "$work/damaged.err")"
grep -qx "quillan-cli: $settings cannot be read. The default settings are used; the file is left as it is." \
    "$work/damaged.err" || fail "no settings warning: $(cat "$work/damaged.err")"
cmp -s "$settings" "$work/damaged.settings" || fail "the damaged settings file was changed"
echo "modbus flow passed"
