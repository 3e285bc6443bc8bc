#!/usr/bin/env bash
# Runs shellcheck at severity warning on every shell script of the repository: the set-up and
# demo, the checks, the package's maintainer scripts and the bash completion.
#   packaging/check_scripts.sh <source folder>
set -euo pipefail
cd "$1"
if ! command -v shellcheck >/dev/null 2>&1; then
    echo "FAIL: shellcheck is not installed (tools/setup.sh installs it)"
    exit 1
fi

# The repository's files, new ones included; outside a git checkout every file but the
# build folders'.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files --cached --others --exclude-standard)
else
    mapfile -t files < <(find . -path './build*' -prune -o -type f -print | sed 's|^\./||')
fi
scripts=()
for file in "${files[@]}"; do
    [ -f "$file" ] || continue
    case $file in
        *.sh | *.bash) scripts+=("$file") ;;
        fuzz/corpus/*) ;;
        *)
            first=
            IFS= read -r first <"$file" 2>/dev/null || true
            [[ $first =~ ^\#!.*(/|env\ )(ba|da)?sh$ ]] && scripts+=("$file") ;;
    esac
done
if [ "${#scripts[@]}" -lt 7 ]; then
    echo "FAIL: only ${#scripts[@]} shell scripts found: ${scripts[*]}"
    exit 1
fi
shellcheck --severity=warning --external-sources "${scripts[@]}"
echo "OK: shellcheck on ${#scripts[@]} scripts: ${scripts[*]}"
