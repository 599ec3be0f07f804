#!/usr/bin/env bash
# The command-line conventions of quillan-cli: help on every command and edit action, exit
# status 2 for a malformed command line and 1 for a failure, one value per option.
set -uo pipefail
cli="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
file="$work/Plant.zavproj"
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$cli" new --name Plant --folder "$work" --gateway Gateway >/dev/null || { echo "FAIL: new"; exit 1; }

# expect STATUS ARGS...: the exit status, and where the text goes (help to stdout, the reason
# for any other status to stderr).
expect() {
    local status="$1"
    shift
    "$cli" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    [ "$got" = "$status" ] || fail "exit $got, not $status: $*"
    if [ "$status" = 0 ]; then
        [ -s "$work/out" ] || fail "no output: $*"
    else
        [ -s "$work/err" ] || fail "no reason given: $*"
    fi
}

commands=(new check edit show compile dump export-csv ports help)
actions=(add-gateway set-port set-radio add-modbus-module add-io-module import-points map
    add-write-import rename delete)

# Help: on every command and action, with -h and --help, and as "help COMMAND [ACTION]".
expect 0 --help
expect 0 -h
expect 0 help
for c in "${commands[@]}"; do
    for flag in -h --help; do
        expect 0 "$c" "$flag"
        grep -q "^Usage: quillan-cli $c" "$work/out" || fail "$c $flag shows no usage"
    done
    expect 0 help "$c"
    grep -q "^Usage: quillan-cli $c" "$work/out" || fail "help $c shows no usage"
done
for a in "${actions[@]}"; do
    for flag in -h --help; do
        expect 0 edit "$file" "$a" "$flag"
        grep -q "^Usage: quillan-cli edit FILE $a" "$work/out" || fail "edit $a $flag: no usage"
    done
    "$cli" edit "$file" "$a" --help >"$work/direct"
    expect 0 help edit "$a"
    cmp -s "$work/out" "$work/direct" || fail "help edit $a differs from edit FILE $a --help"
done
# The version, on stdout alone, whatever follows it.
expect 0 --version
[ "$(cat "$work/out")" = "quillan-cli 1.0.0-11" ] || fail "--version printed '$(cat "$work/out")'"
expect 0 --version show
# Help wins over whatever else is wrong.
expect 0 new --band 5 --help

# Usage errors: exit 2.
while IFS='|' read -r why args; do
    # shellcheck disable=SC2086
    expect 2 $args
    # Without a command the help itself is printed.
    [ -z "$args" ] || grep -q "^Run 'quillan-cli" "$work/err" || fail "no pointer to help: $why"
done <<CASES
no command|
unknown command|frob
unknown action|edit $file frob
no action|edit $file
unknown option|check $file --frob
missing positional|check
extra positional|check $file $file
missing value|show $file --list
value that is an option|new --name --folder $work
value that is a short option|edit $file set-radio Gateway --retries -x
repeated option|new --name A --name B --folder $work
repeated option in an action|edit $file set-radio Gateway --tx-power 1 --tx-power 2
number out of range|edit $file set-radio Gateway --tx-power 9
not a number|dump $file --type twelve
octal is not decimal|edit $file set-radio Gateway --retries 0x10
word not offered|show $file --list everything
word set not offered|edit $file add-io-module Gateway --kind dm --address 3 --map int,double
required option|compile $file --gateway Gateway
option that needs another|new --name A --folder $work --tx-power 2
port word|edit $file set-port Gateway middle
band dependent channel|new --name A --folder $work --band 2.4 --channel 5
help on nothing|help frob
CASES

# Failures: exit 1, the file left as it was.
before="$(md5sum < "$file")"
expect 1 check "$work/missing.zavproj"
expect 1 show "$work/missing.zavproj"
expect 1 edit "$file" rename Nowhere North
expect 1 edit "$file" delete Gateway/MBModule
expect 1 compile "$file" --gateway Nowhere --out "$work/x.img"
expect 1 edit "$file" add-modbus-module Gateway --slave-id 1 --first-register 0 --count 63 \
    --format float --port 2
expect 1 new --name Plant --folder "$work"
[ "$(md5sum < "$file")" = "$before" ] || fail "a failed command changed the file"

# --verbose prints the Debug tab's lines too.
"$cli" export-csv "$file" >"$work/quiet"
"$cli" export-csv "$file" --verbose >"$work/verbose"
[ "$(grep -c 'Plant.csv was created' "$work/quiet")" = 1 ] || fail "export-csv output"
[ "$(grep -c 'Plant.csv was created' "$work/verbose")" = 2 ] || fail "--verbose output"
"$cli" edit "$file" add-gateway --verbose >/dev/null || fail "--verbose after an action"

[ "$failures" = 0 ] || exit 1
echo "ok"
