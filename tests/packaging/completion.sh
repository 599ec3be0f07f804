#!/usr/bin/env bash
# The bash completion of quillan-cli, driven as bash drives it: commands, edit actions, each
# command's options (read from the program's own help) and option values.
set -uo pipefail
cli="$1"
completion="$2"
source /usr/share/bash-completion/bash_completion
source "$completion"
failures=0

# complete WORDS...: the candidates for the last word, sorted, one line.
complete_words() {
    COMP_WORDS=("$cli" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _quillan_cli
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

expect() {
    local want="$1"
    shift
    local got
    got="$(complete_words "$@")"
    if [ "$got" != "$want" ]; then
        echo "FAIL: completing '$*': got '$got', want '$want'" >&2
        failures=$((failures + 1))
    fi
}

expect "read read-key retrieve-file" "re"
expect "--help --version" "--"
expect "add-gateway add-io-module add-modbus-module add-write-import" edit x.zavproj add
expect "poll" modbus po
expect "2.4 868 900" new --band ""
expect "cancel ignore update" update p.zavproj --key ""
expect "--overwrite" store-file --ov
expect "--registers" modbus poll --reg
expect "--tx-power" new --tx
expect "--slave-id" edit x.zavproj set-port --slave-
expect "set-port set-radio" help edit set

[ "$failures" = 0 ] || exit 1
echo "completion: all cases pass"
