#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what the root .clang-format
# makes of it, naming each such file. `clang-format -i <file>` mends one.
set -euo pipefail
cd "$(dirname "$0")/.."
format=${CLANG_FORMAT:-clang-format}
if ! command -v "$format" > /dev/null; then
  echo "check-format: $format is not installed (scripts/setup.sh installs it)" >&2
  exit 1
fi
mapfile -t sources < <(git ls-files -- '*.cpp' '*.h')
if [ ${#sources[@]} -eq 0 ]; then
  echo "check-format: no tracked C++ sources" >&2
  exit 1
fi
if ! printf '%s\0' "${sources[@]}" | xargs -0 "$format" --dry-run -Werror; then
  echo "check-format: the files above are not formatted; run: $format -i <file>" >&2
  exit 1
fi
echo "check-format: ${#sources[@]} files formatted"
