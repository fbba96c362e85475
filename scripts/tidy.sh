#!/usr/bin/env bash
# Runs clang-tidy (the root .clang-tidy: bugprone-*, performance-*) over the
# core's sources, with the flags of build/compile_commands.json.
#
#   scripts/tidy.sh [folder under src/ ...]    e.g. scripts/tidy.sh fat container
#
# Without folders it checks every core folder. Exits non-zero when a check
# reports something.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
tidy=${CLANG_TIDY:-clang-tidy}
if [ ! -f "$build/compile_commands.json" ]; then
  echo "tidy: $build/compile_commands.json is missing; configure first (scripts/setup.sh)" >&2
  exit 1
fi
folders=("$@")
if [ ${#folders[@]} -eq 0 ]; then
  folders=(base fat platform container driveaccess virtualdrive services resources)
fi
sources=()
for folder in "${folders[@]}"; do
  # The windows (dialogs/) are not core; the folder's backends are.
  while IFS= read -r file; do sources+=("$file"); done < <(
    git ls-files -- "src/$folder/*.cpp" | grep -v '/dialogs/' || true)
done
if [ ${#sources[@]} -eq 0 ]; then
  echo "tidy: no sources in ${folders[*]}" >&2
  exit 1
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
printf '%s\0' "${sources[@]}" |
  xargs -0 -n 4 -P "${TIDY_JOBS:-2}" "$tidy" -p "$build" --quiet 2>/dev/null > "$log" || true
# A header's finding is reported once for every file that includes it.
found=$(grep ': warning: \|: error: ' "$log" | sort -u || true)
[ -n "$found" ] && printf '%s\n' "$found"
findings=$(printf '%s' "$found" | grep -c . || true)
echo "tidy: ${#sources[@]} files, $findings finding(s)"
[ "$findings" -eq 0 ]
