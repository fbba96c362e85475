#!/usr/bin/env bash
# Sets up, builds and runs the demo: a container on the built-in card image,
# made and listed by the command-line tool, then the desktop program on that
# card. Without a display the desktop program cannot open: the script says so
# and draws the main window on the demo card into a PNG file instead.
set -euo pipefail
cd "$(dirname "$0")/.."
# Only what the demo runs: the two programs and the virtual disk driver's
# library (with quillfen-fatfs), not the tests and benchmarks.
SETUP_TARGETS="quillfen quillfen-cli quillfen_imdisk" scripts/setup.sh build

output=$(build/src/quillfen-cli demo "$@")
printf '%s\n' "$output"
# The first line names the card: "Demo card: <path>".
first_line=${output%%$'\n'*}
card=${first_line#*: }

echo
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting the desktop program on the demo card: build/src/quillfen $card"
  exec build/src/quillfen "$card"
fi
echo "No display here (DISPLAY and WAYLAND_DISPLAY are not set): the desktop program"
echo "is not started. Its main window on the demo card, drawn into a PNG file:"
build/src/quillfen --screenshot "$PWD/build/demo-main-window.png" "$card"
