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
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

head -c 1474560 /dev/urandom > floppy.img
head -c 3000 /dev/urandom > fpga.bin
run_both() {  # run_both CARD ARGS...: the command on CARD.linux and CARD.win
  local card=$1 linux_rc=0 win_rc=0
  shift
  "$linux_cli" "${@/CARD/$card.linux}" > "$card.linux.out" 2>&1 || linux_rc=$?
  "$wine" "$windows_cli" "${@/CARD/$card.win}" > "$card.win.out" 2>&1 || win_rc=$?
  # Both must succeed: two equal failures would leave equal bytes too.
  if [ "$linux_rc" -ne 0 ] || [ "$win_rc" -ne 0 ] || ! python3 "$here/same_but_times.py" "$card.linux" "$card.win"; then
    echo "cli_compare: $* on $card: exit $linux_rc (Linux), $win_rc (Windows), bytes above" >&2
    cat "$card.linux.out" "$card.win.out" >&2
    exit 1
  fi
}
volume_clean() {  # volume_clean CARD: fsck.fat -n finds nothing on the card's first partition
  local start
  start=$(sfdisk -d "$1" | sed -n 's/.*start= *\([0-9]*\).*/\1/p' | head -1)
  dd if="$1" of=volume.img bs=512 skip="${start:-0}" status=none
  fsck.fat -n volume.img > /dev/null
}

# A card formatted by the independent tools, one FAT16 partition at 63.
truncate -s 64M ref.linux
echo 'start=63, type=6' | sfdisk -q ref.linux
mkfs.fat -F 16 --offset 63 -i 12345678 -n REFCARD ref.linux $(((64 * 2048 - 63) / 2)) > /dev/null
cp ref.linux ref.win
# And one the command line makes itself.
"$linux_cli" new-card-image own.linux --size 67108864 > /dev/null
"$wine" "$windows_cli" new-card-image own.win --size 67108864 > /dev/null
python3 "$here/same_but_times.py" own.linux own.win

for card in ref own; do
  run_both "$card" create CARD --count 3
  run_both "$card" write-slot CARD 2 floppy.img
  run_both "$card" read-slot CARD 2 out-CARD.img
  cmp floppy.img "out-$card.linux.img"
  cmp floppy.img "out-$card.win.img"
  run_both "$card" fpga CARD fpga.bin
  run_both "$card" state CARD
  diff <(sed "s/$card\.linux/CARD/g" "$card.linux.out") <(tr -d '\r' < "$card.win.out" | sed "s/$card\.win/CARD/g")
  volume_clean "$card.win"
  run_both "$card" erase CARD
  volume_clean "$card.win"
done
# Paths with umlauts: the UTF-8 name the shell gives is the file's name on
# the Linux side, and the command line names it back in UTF-8 (in the ANSI
# code page the "ü" would come back as one byte, 0xFC).
"$wine" "$windows_cli" new-card-image "karte-grün.img" --size 8388608 > /dev/null
[ -f "karte-grün.img" ] || { echo "cli_compare: karte-grün.img not made under its name:" >&2; ls >&2; exit 1; }
missing=$("$wine" "$windows_cli" --lang de state "fehlt-grün.img" 2>&1 || true)
grep -q "^fehlt-grün\.img: " <<< "$missing" || { echo "cli_compare: the path came back as: $missing" >&2; exit 1; }
echo "cli_compare: the Windows command line leaves the Linux one's bytes"
