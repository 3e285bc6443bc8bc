# bash completion for norvelctl: commands, each command's options, files and serial devices.
_norvelctl()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=
    [ "$COMP_CWORD" -gt 0 ] && prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands="ports probe read write show get set export import diff backups"
    local global="--port --trace --backup-dir --help"

    case $prev in
        --port)
            COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}"))
            return ;;
        --backup-dir)
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        -o|--output)
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        --only)
            return ;;
    esac

    # The command is the first word that is neither an option nor an option's value.
    local i command= word
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            --port|--backup-dir|-o|--output|--only) ((i++)) ;;
            -*) ;;
            *) command=$word; break ;;
        esac
    done

    local options=
    case $command in
        '') if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$global" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "$commands" -- "$cur"))
            fi
            return ;;
        read) options="-o" ;;
        write) options="--yes --force --no-verify" ;;
        show) options="--json" ;;
        set) options="--yes --dry-run --force --no-verify" ;;
        import) options="--only --yes --dry-run --force --no-verify" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options $global" -- "$cur"))
        return
    fi
    case $command in
        write|export|import) COMPREPLY=($(compgen -f -- "$cur")) ;;
        diff) COMPREPLY=($(compgen -f -W "controller" -- "$cur")) ;;
    esac
}
complete -o filenames -F _norvelctl norvelctl
