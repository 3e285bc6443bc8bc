# shellcheck shell=bash
# bash completion for norvelctl: commands, options, field and curve names (asked of norvelctl
# itself, so that they are always the ones it takes), files and serial devices.

# The word as the shell will read it: an opening quote or backslashes taken away, so that a
# file name with spaces is looked up whole.
_norvelctl_dequote()
{
    local word=$1 plain='' i
    case $word in
        \'*) plain=${word#\'}; plain=${plain%\'} ;;
        \"*) plain=${word#\"}; plain=${plain%\"} ;;
        *)
            for ((i = 0; i < ${#word}; i++)); do
                [ "${word:i:1}" = "\\" ] && ((i++))
                plain+=${word:i:1}
            done ;;
    esac
    printf '%s' "$plain"
}

# COMPREPLY: the words of $1 (one a line or separated by blanks) that start with $2.
_norvelctl_offer()
{
    mapfile -t COMPREPLY < <(compgen -W "$1" -- "$2")
}

# COMPREPLY: files (or with -d folders) whose names start with the word $2, each kept whole
# however many spaces it has; readline quotes them.
_norvelctl_files()
{
    local kind=$1 word
    word=$(_norvelctl_dequote "$2")
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen "$kind" -- "$word")
}

_norvelctl()
{
    local program=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]} prev=
    [ "$COMP_CWORD" -gt 0 ] && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    # WORD=VALUE arrives as three words, the "=" one of them: an option's value is completed
    # as after the option, a field's value is typed.
    local before=
    if [ "$cur" = = ]; then
        cur=
        before=$prev
    elif [ "$prev" = = ] && [ "$COMP_CWORD" -gt 1 ]; then
        before=${COMP_WORDS[COMP_CWORD - 2]}
    fi
    if [ -n "$before" ]; then
        [[ $before == -* ]] || return
        prev=$before
    fi
    local commands="ports probe read write show get set export import diff backups plot station records"
    local global="--port --trace --backup-dir --all --help --version"

    case $prev in
        --port)
            _norvelctl_files -f "${cur:-/dev/tty}"
            return ;;
        --backup-dir)
            _norvelctl_files -d "$cur"
            return ;;
        -o | --output | --from | --record)
            _norvelctl_files -f "$cur"
            return ;;
        --curve)
            _norvelctl_offer "$("$program" curves 2>/dev/null)" "$cur"
            return ;;
        --only)
            # A comma-separated list: the names after the last comma, the rest kept.
            local done=
            [[ $cur == *,* ]] && done=${cur%,*},
            mapfile -t COMPREPLY < <(compgen -P "$done" \
                -W "$("$program" fields writable 2>/dev/null)" -- "${cur##*,}")
            compopt -o nospace 2>/dev/null
            return ;;
    esac

    # The command is the first word that is neither an option nor an option's value.
    local i command='' word
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            --port | --backup-dir | -o | --output | --only | --curve | --from | --record | \
                --operator | --units | --serial | --since | --result) ((i++)) ;;
            -* | =) ;;
            *) command=$word; break ;;
        esac
    done

    local options=
    case $command in
        '')
            if [[ $cur == -* ]]; then
                _norvelctl_offer "$global" "$cur"
            else
                _norvelctl_offer "$commands" "$cur"
            fi
            return ;;
        read) options="-o" ;;
        write) options="--yes --force --no-verify --no-backup" ;;
        show) options="--json" ;;
        set) options="--yes --dry-run --force --no-verify --no-backup" ;;
        import) options="--only --yes --dry-run --force --no-verify --no-backup" ;;
        plot) options="--curve --from" ;;
        station) options="--record --operator --units --yes" ;;
        records) options="--record --serial --since --result --csv" ;;
    esac
    if [[ $cur == -* ]]; then
        _norvelctl_offer "$options $global" "$cur"
        return
    fi
    case $command in
        write | export | import | plot | station) _norvelctl_files -f "$cur" ;;
        diff)
            _norvelctl_files -f "$cur"
            [[ controller == "$cur"* ]] && COMPREPLY+=(controller) ;;
        get) _norvelctl_offer "$("$program" fields 2>/dev/null)" "$cur" ;;
        set)
            # NAME=VALUE: the name and its "=", then the value is typed.
            mapfile -t COMPREPLY < <(compgen -S = \
                -W "$("$program" fields writable 2>/dev/null)" -- "$cur")
            compopt -o nospace 2>/dev/null ;;
    esac
}
complete -F _norvelctl norvelctl
