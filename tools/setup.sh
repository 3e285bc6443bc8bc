#!/usr/bin/env bash
# Installs what is missing (Debian packages), builds, and then runs the demo or the tests.
#   tools/setup.sh run    build, then run the program on the simulated controller
#   tools/setup.sh test   build, then run the whole test suite
#   tools/setup.sh sanitize   the whole suite built with AddressSanitizer and
#                             UndefinedBehaviorSanitizer, in its own build folder
#   tools/setup.sh fuzz [SECONDS]   builds the fuzz targets with clang and runs each for
#                             SECONDS (default 60), growing the kept corpus in fuzz/corpus/
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
  lintian mandoc appstream shellcheck
  libqt6sql6-sqlite libqt6sql6-psql postgresql
)
install_missing() {
  missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}
install_missing "${packages[@]}"

build_all() {
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$(nproc)"
}

# The whole suite with AddressSanitizer and UndefinedBehaviorSanitizer; any finding fails
# the test that made it.
sanitize() {
  local dir=${NORVEL_SANITIZE_BUILD_DIR:-$top/build-sanitize}
  local flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
  cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVEL_HARDENING=OFF \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" \
    -DCMAKE_SHARED_LINKER_FLAGS="$flags" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
  cd "$dir"
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1} \
    LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$top/tools/lsan.supp:print_suppressions=0} \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" "$@"
}

# Builds the libFuzzer targets with clang and runs each for the given time. New inputs that
# reach new code are merged into the kept corpus, fuzz/corpus/TARGET/; a crash is kept as
# build-fuzz/artifacts/TARGET/crash-* and fails the run.
fuzz() {
  local seconds=${1:-60}
  case "$seconds" in '' | *[!0-9]*) echo "usage: $0 fuzz [SECONDS]" >&2; exit 2 ;; esac
  install_missing clang
  local major
  major=$(clang++ -dumpversion | cut -d. -f1)
  install_missing "libclang-rt-$major-dev"
  local dir=${NORVEL_FUZZ_BUILD_DIR:-$top/build-fuzz}
  CXX=clang++ cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVEL_FUZZ=ON \
    -DNORVEL_HARDENING=OFF >/dev/null
  local targets=(frame_fuzz controller_fuzz document_fuzz backup_fuzz)
  cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"
  local failed=0
  for t in "${targets[@]}"; do
    local kept=$top/fuzz/corpus/${t%_fuzz} work=$dir/corpus/$t artifacts=$dir/artifacts/$t
    mkdir -p "$kept" "$work" "$artifacts"
    local extra=()
    [ -f "$top/fuzz/${t%_fuzz}.dict" ] && extra+=(-dict="$top/fuzz/${t%_fuzz}.dict")
    echo "== $t: ${seconds}s"
    if ! "$dir/bin/$t" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "${extra[@]}" "$work" "$kept" 2>"$dir/$t.log"; then
      failed=1
      echo "$t: FAILED, see $dir/$t.log and $artifacts/" >&2
    fi
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$dir/$t.log" || true
    # Only inputs that add coverage join the kept corpus.
    "$dir/bin/$t" -merge=1 "$kept" "$work" >>"$dir/$t.log" 2>&1 || true
  done
  return "$failed"
}

case "$mode" in
  test)
    build_all
    cd "$build"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" "$@"
    ;;
  run)
    build_all
    exec "$top/tools/demo.sh" "$build/bin" "$@"
    ;;
  build) build_all ;;
  sanitize) sanitize "$@" ;;
  fuzz) fuzz "$@" ;;
  *) echo "usage: $0 run|test|build|sanitize|fuzz [SECONDS]" >&2; exit 2 ;;
esac
