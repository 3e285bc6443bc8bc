#!/usr/bin/env bash
# Installs what is missing (Debian packages), builds, and then runs the demo or the tests.
#   tools/setup.sh run    build, then run the program on the simulated controller
#   tools/setup.sh test   build, then run the whole test suite
set -euo pipefail
mode=${1:-run}
shift || true
top=$(cd "$(dirname "$0")/.." && pwd)
build=${NORVEL_BUILD_DIR:-$top/build}

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-tools-dev qt6-tools-dev-tools
  qt6-svg-dev
  libqt6uitools6 libqt6opengl6-dev libgl-dev libxkbcommon-dev qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-cjk xvfb xauth
  dpkg-dev desktop-file-utils help2man man-db
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

case "$mode" in
  test)
    cd "$build"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" "$@"
    ;;
  run)
    exec "$top/tools/demo.sh" "$build/bin" "$@"
    ;;
  build) ;;
  *) echo "usage: $0 run|test|build" >&2; exit 2 ;;
esac
