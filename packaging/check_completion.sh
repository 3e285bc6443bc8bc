#!/usr/bin/env bash
# Tests of norvelctl's bash completion: what it offers for a command line, asked as bash asks.
#   packaging/check_completion.sh <norvelctl program>
set -euo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR source=norvelctl.bash
source "$here/norvelctl.bash"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
touch "batch doc.json" plain.json
mkdir "old images"

# Outside a completion compopt refuses; record what was asked instead.
compopt() { asked+=" $*"; }

failures=0
# complete WORD...: the completion of the last WORD, after the others; sets `offered` (sorted,
# one a line) and `asked` (what compopt was given).
complete_words() {
    COMP_WORDS=("$program" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    asked=
    _norvelctl || true
    offered=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | LC_ALL=C sort)
}
# expect WANTED WORD...: the completion offers exactly WANTED (sorted, one a line).
expect() {
    local wanted=$1
    shift
    complete_words "$@"
    if [ "$offered" != "$(LC_ALL=C sort <<<"$wanted" | sed '/^$/d')" ]; then
        echo "FAIL: norvelctl $* <TAB> offers [${offered//$'\n'/|}], wanted [${wanted//$'\n'/|}]"
        failures=$((failures + 1))
    fi
}
# expect_option OPTION WORD...: the completion asked bash for OPTION (filenames, nospace).
expect_option() {
    local option=$1
    shift
    complete_words "$@"
    [[ $asked == *"-o $option"* ]] || {
        echo "FAIL: norvelctl $* <TAB> does not ask for $option (asked:$asked)"
        failures=$((failures + 1))
    }
}

# Every command the help lists, and nothing else, before a command.
commands=$("$program" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z]*\) .*/\1/p')
if [ "$(wc -l <<<"$commands")" -lt 12 ]; then
    echo "FAIL: the help lists too few commands: $commands"
    failures=$((failures + 1))
fi
expect "$commands" ""
expect "$commands" --all ""
expect "$commands" --port /dev/ttyUSB0 --backup-dir "old images" ""
expect $'--all\n--backup-dir\n--help\n--port\n--trace\n--version' -
expect --all --a
expect $'--json\n--all\n--backup-dir\n--help\n--port\n--trace\n--version' show -
expect --curve plot x.png --c

# Field names from norvelctl itself: every one after get, the writable ones with their "="
# after set and in --only's list.
expect $'SerialNumber' get SerialN
expect "" set SerialN
expect $'MaxMotorCurrent=' set MaxMotorC
expect_option nospace set MaxMotorC
expect "" set MaxMotorCurrent = ""
expect "" set MaxMotorCurrent =
expect $'MaxMotorCurrent,StartupDelay' import x.json --only MaxMotorCurrent,StartupD
expect $'regen\ntemperature\nthrottle\nvoltage' plot x.png --curve ""

# Files: names with spaces stay whole, however the word was begun; folders where one is wanted.
expect $'batch doc.json' write batch
expect $'batch doc.json' write 'batch\ d'
expect $'batch doc.json' import '"batch d'
expect $'batch doc.json' plot x.png --from "'batch"
expect_option filenames write batch
expect $'batch doc.json\nold images\nplain.json' import ""
expect $'old images' --backup-dir ""
expect $'old images' --backup-dir = o
expect $'controller' diff con
expect $'plain.json' diff batch\ doc.json p

if [ "$failures" -ne 0 ]; then
    echo "$failures completion check(s) failed"
    exit 1
fi
echo "OK: norvelctl completion"
