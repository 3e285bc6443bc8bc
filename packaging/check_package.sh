#!/usr/bin/env bash
# Builds the Debian package from a built tree, checks its metadata and contents with dpkg-deb,
# unpacks it into a throw-away root and runs the installed programs from another folder.
#   packaging/check_package.sh <build folder> <version>
# Exit 77 (skipped) only when a Debian packaging tool is missing.
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2

for tool in cpack dpkg dpkg-deb dpkg-shlibdeps desktop-file-validate; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (tools/setup.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The package, made in a folder of its own so that the build folder stays as it was.
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack -G DEB"
    exit 1
fi
arch=$(dpkg --print-architecture)
deb="$work/out/norvel-controller_${version}_${arch}.deb"
if [ ! -f "$deb" ]; then
    ls -l "$work/out"
    echo "FAIL: no package named $(basename "$deb")"
    exit 1
fi

# Metadata.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = norvel-controller ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = electronics ] || fail "Section is '$(field Section)'"
field Maintainer | grep -q '^Norvel Motion <[^>]*@[^>]*>$' || fail "Maintainer is '$(field Maintainer)'"
field Description | grep -q 'motor controllers' || fail "no Description"
depends=$(field Depends)
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 \
    qt6-qpa-plugins; do
    # Computed from the programs' libraries, each with its lowest version.
    tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | grep -qxF "$lib" ||
        fail "Depends lacks $lib: $depends"
done
dpkg-deb -e "$deb" "$work/control"
[ -x "$work/control/postinst" ] || fail "no executable postinst"
grep -q 'udevadm control --reload-rules' "$work/control/postinst" || fail "postinst does not reload udev rules"

# Contents.
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/contents"
for path in /usr/bin/norvel-controller /usr/bin/norvelctl /usr/bin/norvel-sim \
    /usr/share/norvel-controller/english.rcc /usr/share/norvel-controller/chinese.rcc \
    /usr/share/applications/norvel-controller.desktop \
    /usr/share/applications/norvel-controller-professional.desktop \
    /usr/share/icons/hicolor/48x48/apps/norvel-controller.png \
    /usr/share/icons/hicolor/256x256/apps/norvel-controller.png \
    /usr/lib/udev/rules.d/60-norvel-controller.rules \
    /usr/share/man/man1/norvel-controller.1.gz /usr/share/man/man1/norvelctl.1.gz \
    /usr/share/man/man1/norvel-sim.1.gz /usr/share/bash-completion/completions/norvelctl; do
    grep -qx "$path" "$work/contents" || fail "the package lacks $path"
done
if grep -v '^/usr/' "$work/contents" | grep -v '^/$' | grep -q .; then
    fail "files outside /usr: $(grep -v '^/usr/' "$work/contents" | grep -v '^/$' | tr '\n' ' ')"
fi
dpkg-deb -c "$deb" | awk '$1 ~ /^-/ && $2 != "root/root" {print "  " $2 " " $NF}' >"$work/owners"
[ ! -s "$work/owners" ] || fail "files not owned by root: $(cat "$work/owners")"

# The files themselves.
root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop-file-validate"
grep -qx 'Exec=norvel-controller --professional' \
    "$root/usr/share/applications/norvel-controller-professional.desktop" ||
    fail "the professional entry does not start the professional view"
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}'; }
for size in 48 256; do
    got=$(png_size "$root/usr/share/icons/hicolor/${size}x${size}/apps/norvel-controller.png")
    [ "$got" = "${size}x${size}" ] || fail "the ${size} pixel icon is $got"
done
if command -v man >/dev/null 2>&1; then
    for page in "$root"/usr/share/man/man1/*.1.gz; do
        name=$(basename "$page" .1.gz)
        text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>"$work/man.err") ||
            fail "man $name"
        [ ! -s "$work/man.err" ] || fail "man $name warns: $(cat "$work/man.err")"
        for section in SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" EXAMPLES "SEE ALSO"; do
            grep -q "^$section" <<<"$text" || fail "man $name has no $section"
        done
    done
fi
completion=$(bash -c 'source "$1"; COMP_WORDS=(norvelctl se); COMP_CWORD=1; _norvelctl;
                      echo "${COMPREPLY[*]}"' _ "$root/usr/share/bash-completion/completions/norvelctl")
[ "$completion" = set ] || fail "bash completion of 'norvelctl se' gives '$completion'"

# The installed programs, started from another folder, find their resource modules and talk to
# each other.
cd /
export QT_QPA_PLATFORM=offscreen
"$root/usr/bin/norvelctl" --help >"$work/help" || fail "norvelctl --help"
grep -q '^Usage: norvelctl' "$work/help" || fail "norvelctl --help prints no usage"
for language in english chinese; do
    # An unknown preset is refused only after the module was loaded.
    code=0
    "$root/usr/bin/norvel-controller" --language "$language" --demo nosuch \
        >/dev/null 2>"$work/err" || code=$?
    [ "$code" = 2 ] && grep -q "unknown preset" "$work/err" ||
        fail "installed norvel-controller --language $language: exit $code: $(cat "$work/err")"
done
"$root/usr/bin/norvel-sim" --preset basic --link "$work/tty" >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do
    [ -e "$work/tty" ] && break
    sleep 0.1
done
probe=$("$root/usr/bin/norvelctl" --port "$work/tty" --backup-dir "$work" probe 2>&1) ||
    fail "installed norvelctl probe on the installed norvel-sim: $probe"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed on $(basename "$deb")"
    exit 1
fi
echo "OK: $(basename "$deb") ($(du -k "$deb" | cut -f1) kB), Depends: $depends"
