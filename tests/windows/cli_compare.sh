#!/usr/bin/env bash
# quillfen-cli.exe under Wine against the Linux quillfen-cli: the same
# commands on copies of the same card images (made by sfdisk + mkfs.fat, and
# by new-card-image) must leave the same bytes, and fsck.fat -n finds
# nothing to fix.
#   tests/windows/cli_compare.sh LINUX_CLI WINDOWS_CLI_EXE   (WINEPREFIX set)
set -euo pipefail
linux_cli=$(realpath "$1")
windows_cli=$(realpath "$2")
wine=/usr/lib/wine/wine64
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

head -c 1474560 /dev/urandom > floppy.img
head -c 3000 /dev/urandom > fpga.bin
run_both() {  # run_both CARD ARGS...: the command on CARD.linux and CARD.win
  local card=$1
  shift
  "$linux_cli" "${@/CARD/$card.linux}" > "$card.linux.out" 2>&1 || true
  "$wine" "$windows_cli" "${@/CARD/$card.win}" > "$card.win.out" 2>&1 || true
  cmp "$card.linux" "$card.win" || {
    echo "cli_compare: $* leaves different bytes on $card" >&2
    cat "$card.linux.out" "$card.win.out" >&2
    exit 1
  }
}

# A card formatted by the independent tools, one FAT16 partition at 63.
truncate -s 64M ref.linux
echo 'start=63, type=6' | sfdisk -q ref.linux
mkfs.fat -F 16 --offset 63 -i 12345678 -n REFCARD ref.linux $(((64 * 2048 - 63) / 2)) > /dev/null
cp ref.linux ref.win
# And one the command line makes itself.
"$linux_cli" new-card-image own.linux --size 67108864 > /dev/null
"$wine" "$windows_cli" new-card-image own.win --size 67108864 > /dev/null
cmp own.linux own.win

for card in ref own; do
  run_both "$card" create CARD --count 3
  run_both "$card" write-slot CARD 2 floppy.img
  run_both "$card" read-slot CARD 2 "out-$card.img"
  run_both "$card" fpga CARD fpga.bin
  run_both "$card" state CARD
  diff "$card.linux.out" <(tr -d '\r' < "$card.win.out")
  run_both "$card" erase CARD
  start=$(sfdisk -d "$card.win" | sed -n 's/.*start= *\([0-9]*\).*/\1/p' | head -1)
  dd if="$card.win" of=volume.img bs=512 skip="${start:-0}" status=none
  fsck.fat -n volume.img > /dev/null
done
echo "cli_compare: the Windows command line leaves the Linux one's bytes"
