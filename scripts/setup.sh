#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those that
# are missing) and configures and builds the project in build/ (or the folder
# given). With --packages it only installs the packages.
set -euo pipefail
cd "$(dirname "$0")/.."

# libsystemd-dev: the virtual disk driver library talks to UDisks2 over D-Bus.
# libfuse-dev and fuse (libfuse 2 and its fusermount; not fuse3, which would
# replace fuse): quillfen-fatfs, the virtual drive's FAT file system.
# udisks2 (with dbus and udev): its tests run a private UDisks2; polkitd
# (policykit-1) answers it there for the tests of a user without root.
# udev: the device events tests start a udevd where none runs.
# qt6-base-dev, qt6-svg-dev, fonts-dejavu-core: the desktop program's windows.
# clang, libclang-rt-14-dev (libFuzzer and the sanitizers' runtime): the fuzz
# targets (scripts/fuzz.sh).
# clang-format, clang-tidy: the format gate and scripts/tidy.sh.
packages=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libudev-dev libsystemd-dev
          libfuse-dev fuse qt6-base-dev qt6-svg-dev fonts-dejavu-core
          dosfstools mtools fdisk fusefat util-linux udisks2 policykit-1 udev clang libclang-rt-14-dev
          clang-format clang-tidy)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

[ "${1:-}" = "--packages" ] && exit 0

build_dir=${1:-build}
shift || true
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B "$build_dir" -DQUILLFEN_WERROR="$werror" "$@" > /dev/null
# SETUP_TARGETS (names separated by blanks) builds only those targets.
targets=()
for target in ${SETUP_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$build_dir" -j "$(nproc)" "${targets[@]}"
