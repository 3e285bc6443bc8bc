#!/usr/bin/env bash
# Builds the Debian package from a built tree, checks its metadata and contents with dpkg-deb
# and the distribution's own tools (lintian, appstreamcli, mandoc, man), unpacks it into a
# throw-away root and runs the installed programs from another folder.
#   packaging/check_package.sh <build folder> <version>
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
source=$(cd "$(dirname "$0")/.." && pwd)

for tool in cpack dpkg dpkg-deb dpkg-shlibdeps dpkg-parsechangelog desktop-file-validate lintian \
    appstreamcli mandoc man; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "FAIL: $tool is not installed (tools/setup.sh installs it)"
        exit 1
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

# lintian with the pedantic tags, nothing suppressed or overridden: an error, a warning or a
# pedantic tag fails. Information tags are shown; lintian itself is not sure of them.
if ! lintian --pedantic --display-info --tag-display-limit 0 \
    --fail-on error,warning,pedantic,override "$deb" >"$work/lintian" 2>&1; then
    cat "$work/lintian"
    fail "lintian has findings"
fi
grep '^I: ' "$work/lintian" || true

# The version is one: the project's, the changelog's newest entry, the newest release the
# software centres show.
changelog_version=$(dpkg-parsechangelog -l "$source/packaging/debian/changelog" -S Version)
[ "$changelog_version" = "$version" ] ||
    fail "packaging/debian/changelog's newest entry is $changelog_version, the project's $version"
metainfo=/usr/share/metainfo/example.norvel_motion.norvel_controller.metainfo.xml
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$source/packaging/$(basename "$metainfo")" |
    head -n1)
[ "$release" = "$version" ] || fail "the metainfo's newest release is $release, the project's $version"
# Software centres fetch the screenshots from the homepage, where packaging/screenshots/ goes.
shots=$(sed -n 's|.*<image>.*/screenshots/\([^<]*\)</image>.*|\1|p' "$source/packaging/$(basename "$metainfo")")
[ -n "$shots" ] || fail "the metainfo has no screenshots"
for shot in $shots; do
    [ -f "$source/packaging/screenshots/$shot" ] || fail "no packaging/screenshots/$shot"
done

# Metadata.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = norvel-controller ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = electronics ] || fail "Section is '$(field Section)'"
# (Here-strings: grep -q leaves a pipe early, which pipefail would take for a failure.)
grep -q '^Norvel Motion <[^>]*@[^>]*>$' <<<"$(field Maintainer)" ||
    fail "Maintainer is '$(field Maintainer)'"
grep -q 'motor controllers$' <<<"$(field Description | head -n1)" ||
    fail "the Description's synopsis is '$(field Description | head -n1)'"
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
    /usr/share/man/man1/norvel-sim.1.gz /usr/share/bash-completion/completions/norvelctl \
    /usr/share/doc/norvel-controller/copyright /usr/share/doc/norvel-controller/changelog.gz \
    "$metainfo"; do
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
# The metainfo alone and with the desktop entries and icons it names; information only is fine.
for what in validate validate-tree; do
    target="$root"
    [ "$what" = validate ] && target="$root$metainfo"
    appstreamcli "$what" --no-net --pedantic --explain "$target" >"$work/appstream" 2>&1 ||
        fail "appstreamcli $what"
    if grep -Eq '^[EWP]: ' "$work/appstream"; then
        cat "$work/appstream"
        fail "appstreamcli $what has findings"
    fi
done
grep -qx 'Exec=norvel-controller --professional' \
    "$root/usr/share/applications/norvel-controller-professional.desktop" ||
    fail "the professional entry does not start the professional view"
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}'; }
for size in 48 256; do
    got=$(png_size "$root/usr/share/icons/hicolor/${size}x${size}/apps/norvel-controller.png")
    [ "$got" = "${size}x${size}" ] || fail "the ${size} pixel icon is $got"
done
for page in "$root"/usr/share/man/man1/*.1.gz; do
    name=$(basename "$page" .1.gz)
    text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>"$work/man.err") ||
        fail "man $name"
    [ ! -s "$work/man.err" ] || fail "man $name warns: $(cat "$work/man.err")"
    # mandoc at its warning level; the month help2man writes as the page's date is fine.
    mandoc -Tlint -W warning "$page" 2>&1 | grep -v 'cannot parse date, using it verbatim' \
        >"$work/mandoc" || true
    [ ! -s "$work/mandoc" ] || fail "mandoc -Tlint $name: $(cat "$work/mandoc")"
    for section in SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" EXAMPLES "SEE ALSO"; do
        grep -q "^$section" <<<"$text" || fail "man $name has no $section"
    done
done
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
