#!/bin/sh
# Draws the main window on the demo card into a PNG, the picture of the
# program in its AppStream data. What it needs on the way lies in WORK_FOLDER,
# removed at the end.
#   draw-main-window.sh QUILLFEN_CLI QUILLFEN OUTPUT_PNG WORK_FOLDER
set -eu
cli=$1
program=$2
output=$3
work=$4
rm -rf "$work"
mkdir -p "$work/data" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
export QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 LC_ALL=C.UTF-8
"$cli" --lang en demo > /dev/null
"$program" --screenshot "$output" "$XDG_DATA_HOME/Quillfen/demo-card.img" > /dev/null
rm -rf "$work"
