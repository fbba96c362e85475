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
# How long each step took, so that a slow one shows in the log.
step() {
  echo "== $1 ($SECONDS s since the start)"
}
scripts/setup.sh --packages
scripts/check-format.sh
step "normal build and tests"
# Each build builds what its tests run: the benchmarks are built on their own
# (README, Benchmarks).
scripts/setup.sh build -DQUILLFEN_BENCH=OFF
(cd build && ctest --output-on-failure -j "$jobs")
step "Windows build and tests under Wine"
# The core and the command line for Windows, under Wine.
scripts/build-windows.sh
step "sanitizer build and tests"
scripts/setup.sh build-asan -DQUILLFEN_SANITIZE=ON -DQUILLFEN_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs")
step "fuzz targets"
FUZZ_SEED=1 scripts/fuzz.sh 10
step "Debian package"
scripts/package-test.sh
step "done"
