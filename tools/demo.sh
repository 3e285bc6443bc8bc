#!/usr/bin/env bash
# Runs the program on the simulated controller. Without a display, reads the simulated
# controller with the command-line tool instead.
set -euo pipefail
bin=${1:?usage: demo.sh BIN_DIR [PRESET]}
preset=${2:-full}
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/norvel-controller" ]; then
  exec "$bin/norvel-controller" --demo "$preset"
fi
echo "No display: reading the simulated '$preset' controller with norvelctl instead."
fifo=$(mktemp -u)
mkfifo "$fifo"
"$bin/norvel-sim" --preset "$preset" >"$fifo" &
sim=$!
trap 'kill $sim 2>/dev/null || true; rm -f "$fifo"' EXIT
exec 3<"$fifo"
read -r port <&3
"$bin/norvelctl" --port "$port" probe
"$bin/norvelctl" --port "$port" read
