#!/usr/bin/env bash
# Sets up, builds, and runs the demo: a container on the built-in card image.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
exec build/src/quillfen-cli demo "$@"
