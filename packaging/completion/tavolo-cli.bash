# bash completion for tavolo-cli: its commands, each command's options, port
# names after --port, 0 or 1 after --mqtt-qos and file names where a file is
# expected.

_tavolo_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands='decode convert log export sessions watch'

    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    # The options of each command, as `tavolo-cli --help` lists them.
    local command=${COMP_WORDS[1]} options
    case $command in
        decode) options='--decimal --hi --lo --help' ;;
        convert) options='--help' ;;
        log) options='--input --port --out --no-repeat --limit --frames --recall --step --session --print-rows --mqtt --mqtt-prefix --mqtt-qos --mqtt-user --mqtt-password-file --mqtt-cafile --mqtt-cert --mqtt-key --help' ;;
        export|sessions) options='--help' ;;
        watch) options='--mqtt-user --mqtt-password-file --mqtt-cafile --mqtt-cert --mqtt-key --help' ;;
        *) return ;;
    esac

    case $prev in
        --port)
            COMPREPLY=($(compgen -W 'COM1 COM2 COM3 COM4' -- "$cur"))
            [[ $cur == /* ]] && COMPREPLY+=($(compgen -f -- "$cur"))
            return
            ;;
        --mqtt-qos)
            COMPREPLY=($(compgen -W '0 1' -- "$cur"))
            return
            ;;
        --input|--out|--session|--mqtt-password-file|--mqtt-cafile|--mqtt-cert|--mqtt-key)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            return
            ;;
        --decimal|--hi|--lo|--limit|--frames|--recall|--step|--mqtt|--mqtt-prefix|--mqtt-user)
            return  # a value the user types
            ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ $command == convert || $command == decode || $command == export ]]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
    elif [[ $command == sessions ]]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -d -- "$cur"))
    fi
}
complete -F _tavolo_cli tavolo-cli
