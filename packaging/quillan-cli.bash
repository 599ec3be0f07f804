# bash completion for quillan-cli
# Commands and actions are listed here; each command's options come from its own --help, so
# they never drift from the program.

_quillan_cli_options()
{
    "$@" --help 2>/dev/null |
        grep -oE '^ +(-[a-zA-Z],)?--[a-z0-9-]+' | sed -E 's/^ +(-[a-zA-Z],)?//'
}

_quillan_cli()
{
    local cur prev words cword
    _init_completion || return

    local commands="new check edit show compile dump export-csv ports update read read-key
        flash store-file retrieve-file modbus help"
    local actions="add-gateway set-port set-radio add-modbus-module add-io-module import-points
        map add-write-import rename delete"
    local cli="${words[0]}"

    # The command is the first word that is not an option.
    local i command="" sub=""
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} != -* ]]; then
            if [[ -z $command ]]; then
                command="${words[i]}"
            elif [[ -z $sub ]]; then
                sub="${words[i]}"
            fi
        fi
    done

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands --version --help" -- "$cur"))
        return
    fi

    case "$prev" in
    --band) COMPREPLY=($(compgen -W "868 900 2.4" -- "$cur")); return ;;
    --rtu) COMPREPLY=($(compgen -W "rs232 rs485" -- "$cur")); return ;;
    --config-port) COMPREPLY=($(compgen -W "debug modbus" -- "$cur")); return ;;
    --list) COMPREPLY=($(compgen -W "device imports exports outputs modbus" -- "$cur")); return ;;
    --radio) COMPREPLY=($(compgen -W "yes no" -- "$cur")); return ;;
    --key) COMPREPLY=($(compgen -W "update ignore cancel" -- "$cur")); return ;;
    --port)
        COMPREPLY=($(compgen -W "sim" -- "$cur") $(compgen -f -- "${cur:-/dev/tty}"))
        return
        ;;
    --folder) _filedir -d; return ;;
    --out | --image) _filedir; return ;;
    --name | --gateway | --channel | --group | --tx-power | --baud | --slave-id | --slave | \
        --firmware | --type | --registers)
        return
        ;;
    esac

    case "$command" in
    help)
        if [[ -z $sub ]]; then
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        elif [[ $sub == edit ]]; then
            COMPREPLY=($(compgen -W "$actions" -- "$cur"))
        elif [[ $sub == modbus ]]; then
            COMPREPLY=($(compgen -W "read write poll" -- "$cur"))
        fi
        return
        ;;
    modbus)
        if [[ -z $sub ]]; then
            COMPREPLY=($(compgen -W "read write poll --help" -- "$cur"))
            return
        fi
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "$(_quillan_cli_options "$cli" modbus "$sub")" -- "$cur"))
        elif [[ $sub == poll ]]; then
            _filedir zavproj
        fi
        return
        ;;
    edit)
        # edit FILE ACTION: the file first, then the action and its options.
        if [[ -z $sub ]]; then
            [[ $cur == -* ]] || _filedir zavproj
            return
        fi
        local action=""
        for ((i = 1; i < cword; i++)); do
            [[ " $actions " == *" ${words[i]} "* ]] && action="${words[i]}"
        done
        if [[ -z $action ]]; then
            COMPREPLY=($(compgen -W "$actions" -- "$cur"))
        elif [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "$(_quillan_cli_options "$cli" edit FILE "$action")" -- "$cur"))
        fi
        return
        ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_quillan_cli_options "$cli" "$command")" -- "$cur"))
        return
    fi
    case "$command" in
    flash) _filedir '@(a79|hex|ihx)' ;;
    dump) _filedir ;;
    new | ports | read | retrieve-file) ;;
    *) _filedir zavproj ;;
    esac
} &&
    complete -F _quillan_cli quillan-cli
