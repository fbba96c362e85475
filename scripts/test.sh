#!/usr/bin/env bash
# Checks the format of every tracked C++ source first (scripts/check-format.sh),
# then sets up, builds, and runs every test: once in a normal build and once under
# AddressSanitizer and UndefinedBehaviorSanitizer; then each fuzz target for
# a few seconds, so that a regression there shows too (its seed is fixed: the
# same commit passes or fails the same way every time; scripts/fuzz.sh alone
# explores with fresh seeds); last the Debian package, built, installed,
# checked from outside and removed again (scripts/package-test.sh, as root).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
scripts/setup.sh --packages
scripts/check-format.sh
scripts/setup.sh build
(cd build && ctest --output-on-failure -j "$jobs")
# The core and the command line for Windows, under Wine.
scripts/build-windows.sh
scripts/setup.sh build-asan -DQUILLFEN_SANITIZE=ON -DQUILLFEN_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs")
FUZZ_SEED=1 scripts/fuzz.sh 10
scripts/package-test.sh
