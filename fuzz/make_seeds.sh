#!/usr/bin/env bash
# Makes the seed inputs in fuzz/corpus/: small cards made by sfdisk, mkfs.fat
# and mtools and by our own formatter and container store, in the card
# targets' input form (fuzz/fuzz_card.h), and their boot sectors for the
# boot sector target. Run it again after a change of the input forms.
#
#   fuzz/make_seeds.sh [BUILD_DIR]     (default build-fuzz, configured by scripts/fuzz.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
cmake --build "$build" -j2 --target quillfen-fuzz-seed > /dev/null
seed_tool="$build/fuzz/quillfen-fuzz-seed"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1

corpus=fuzz/corpus
card_targets=(volume_layout_fuzzer directory_walk_fuzzer card_state_fuzzer volume_ops_fuzzer
              container_ops_fuzzer)
rm -rf "$corpus"
mkdir -p "$corpus/boot_sector_fuzzer" "$corpus/slot_contents_fuzzer"
for t in "${card_targets[@]}"; do mkdir -p "$corpus/$t"; done

# Operations appended to the seeds of the two targets that change a card
# (see Operations::One in each). Volume: a folder, a file of 4 KiB in it, a
# flush, a rename, a truncation, a length set, a label, a deletion.
volume_ops="06""00000000""00"                            # folder DornveldFLP in the root
volume_ops+="00""01000000""01""21""00000000""00100000""41"  # file of 4 KiB 'A'
volume_ops+="0a"                                            # flush
volume_ops+="05""00000000""00000000""03"                    # rename
volume_ops+="02""01000000""00020000"                        # truncate to 512
volume_ops+="03""00000000""00004000"                        # length 4 MiB
volume_ops+="09""05""48454c4c4f"                            # label HELLO
volume_ops+="04""02000000"                                  # delete
# Container: created (1 HD slot, "Fuzz"), made usable, card state, slot 1
# written, renamed "Tools", container renamed "New", slot read back, card
# out and in, card state, deleted, folder erased.
container_ops="00000104" # create, count 1, HD, name of 4 bytes ...
container_ops+="46757a7a"  # "Fuzz"
container_ops+="06""07""020001""08000554""6f6f6c73""0103""4e6577""030000""0b""07""04""05"

# A card of SIZE MiB with a partition at START (0: bare) formatted by
# mkfs.fat; HIDDEN goes into the boot sector's hidden sectors field.
mkfs_card() {
  local image=$1 size=$2 fat=$3 start=$4 hidden=$5
  shift 5
  rm -f "$image"
  truncate -s "${size}M" "$image"
  local offset=()
  if [ "$start" -ne 0 ]; then
    local type=06
    [ "$fat" = 12 ] && type=01
    [ "$fat" = 32 ] && type=0c
    echo "start=$start, type=$type" | sfdisk -q "$image"
    offset=(--offset "$start" -h "$hidden")
  fi
  local blocks=$(( (size * 2048 - start) / 2 ))
  mkfs.fat --invariant -F "$fat" "${offset[@]}" -n "SEED $fat" "$@" "$image" "$blocks" > /dev/null
}

# Some files and folders, put in by mtools.
mtools_files() {
  local image=$1 start=$2
  local at="$image@@$((start * 512))"
  printf 'Quillfen seed card\r\n' > "$work/readme.txt"
  head -c 5000 /dev/zero | tr '\0' 'q' > "$work/five.bin"
  mcopy -i "$at" "$work/readme.txt" ::README.TXT
  mmd -i "$at" ::Tools
  mcopy -i "$at" "$work/five.bin" "::Tools/A long file name.bin"
}

# The container of a card, made by our store on a scratch card and copied
# out by mtools.
container_file() {
  "$seed_tool" format "$work/scratch.img" 8 16 63
  "$seed_tool" container "$work/scratch.img" 1 "Fragments"
  mcopy -n -i "$work/scratch.img@@$((63 * 512))" ::DornveldFLP/DornveldCIF.dfp "$work/container.dfp"
}

# NAME IMAGE START: the card's inputs for every card target and its sectors
# for the boot sector target.
add_seed() {
  local name=$1 image=$2 start=$3
  "$seed_tool" encode "$image" "$work/plain"
  for t in volume_layout_fuzzer directory_walk_fuzzer card_state_fuzzer; do
    cp "$work/plain" "$corpus/$t/$name"
  done
  "$seed_tool" encode "$image" "$corpus/volume_ops_fuzzer/$name" "$volume_ops"
  "$seed_tool" encode "$image" "$corpus/container_ops_fuzzer/$name" "$container_ops"
  local sectors
  sectors=$(( $(stat -c %s "$image") / 512 ))
  local size_le
  size_le=$(printf '%08x' "$sectors" | sed -E 's/(..)(..)(..)(..)/\\x\4\\x\3\\x\2\\x\1/')
  { dd if="$image" bs=512 count=1 status=none; printf "$size_le"; } \
    > "$corpus/boot_sector_fuzzer/$name-sector0"
  if [ "$start" -ne 0 ]; then
    { dd if="$image" bs=512 skip="$start" count=1 status=none; printf "$size_le"; } \
      > "$corpus/boot_sector_fuzzer/$name-boot"
  fi
}

# Cards made by the independent tools, with files and a container of ours.
mkfs_card "$work/c.img" 6 12 63 63
mtools_files "$work/c.img" 63
"$seed_tool" container "$work/c.img" 1 "FAT12 card"
add_seed mkfs-fat12-container "$work/c.img" 63

mkfs_card "$work/c.img" 8 16 2048 2048 -s 1
mtools_files "$work/c.img" 2048
"$seed_tool" container "$work/c.img" 1 "FAT16 card"
add_seed mkfs-fat16-container "$work/c.img" 2048

# Hidden sectors 0 in a volume at sector 63, as some tools write it.
mkfs_card "$work/c.img" 8 16 63 0 -s 2
"$seed_tool" container "$work/c.img" 1 "No hidden"
add_seed mkfs-fat16-hidden0 "$work/c.img" 63

mkfs_card "$work/c.img" 40 32 2048 2048 -s 1
mtools_files "$work/c.img" 2048
"$seed_tool" container "$work/c.img" 1 "FAT32 card"
add_seed mkfs-fat32-container "$work/c.img" 2048

mkfs_card "$work/c.img" 6 16 0 0 -s 1
mtools_files "$work/c.img" 0
"$seed_tool" container "$work/c.img" 1 "Bare"
add_seed mkfs-bare-fat16-container "$work/c.img" 0

# A fragmented container: free space cut into pieces first.
container_file
mkfs_card "$work/c.img" 8 16 63 63 -s 2
head -c 262144 /dev/zero > "$work/piece.bin"
for i in 1 2 3 4 5 6; do mcopy -i "$work/c.img@@$((63 * 512))" "$work/piece.bin" "::P$i.BIN"; done
for i in 2 4; do mdel -i "$work/c.img@@$((63 * 512))" "::P$i.BIN"; done
mmd -i "$work/c.img@@$((63 * 512))" ::DornveldFLP
mcopy -i "$work/c.img@@$((63 * 512))" "$work/container.dfp" ::DornveldFLP/DornveldCIF.dfp
add_seed mkfs-fat16-fragmented "$work/c.img" 63

# Cards made by our own formatter and store.
"$seed_tool" format "$work/c.img" 8 16 63
"$seed_tool" container "$work/c.img" 2 "Ours 16"
add_seed ours-fat16-container "$work/c.img" 63

"$seed_tool" format "$work/c.img" 6 12 0
"$seed_tool" container "$work/c.img" 1 "Ours 12"
add_seed ours-bare-fat12-container "$work/c.img" 0

"$seed_tool" format "$work/c.img" 40 32 2048
"$seed_tool" container "$work/c.img" 1 "Ours 32"
add_seed ours-fat32-container "$work/c.img" 2048

"$seed_tool" format "$work/c.img" 6 16 63
add_seed ours-fat16-empty "$work/c.img" 63

# Slot images: a kind byte (1 HD, 0 DD), then the first 16 KiB of a floppy
# made by mkfs.fat and filled by mtools.
for kind in 1440:01 720:00; do
  rm -f "$work/f.img"
  mkfs.fat -C -n SEED "$work/f.img" "${kind%%:*}" > /dev/null
  head -c 3000 /dev/urandom > "$work/a.bin"
  mmd -i "$work/f.img" ::/SUB
  mcopy -i "$work/f.img" "$work/a.bin" "::/Long file name.bin"
  mcopy -i "$work/f.img" "$work/a.bin" ::/SUB/B.BIN
  { printf "\\x${kind##*:}"; head -c 16383 "$work/f.img"; } \
    > "$corpus/slot_contents_fuzzer/mkfs-${kind%%:*}"
done

du -sh "$corpus"/* | sed "s|$corpus/||"
