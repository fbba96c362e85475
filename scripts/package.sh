#!/usr/bin/env bash
# Builds the Debian package of the programs (dpkg-buildpackage, in a copy of
# the sources under build-deb/, where the package files land), installing the
# packages the build needs where they are missing, and checks it with lintian.
# The build's messages go to standard error and build-deb/build.log; standard
# output gets the package's path alone:
#   apt-get install "$(bash scripts/package.sh)"
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

# dpkg-dev, debhelper: the build; lintian: the check. The build's own
# packages come from debian/control's Build-Depends.
packages=(dpkg-dev debhelper lintian)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
export DEBIAN_FRONTEND=noninteractive
updated=no
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  apt-get update -qq >&2
  updated=yes
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi
if ! dpkg-checkbuilddeps 2>/dev/null; then
  echo "Installing the build dependencies of debian/control" >&2
  [ "$updated" = yes ] || apt-get update -qq >&2
  apt-get build-dep -y -qq --no-install-recommends ./ >&2
fi

version=$(dpkg-parsechangelog -S Version)
project_version=$(sed -n 's/^project(Quillfen VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [ "$version" != "$project_version" ]; then
  echo "debian/changelog is at $version, the project at $project_version" >&2
  exit 1
fi

# A copy of the sources without build folders: dpkg-buildpackage writes its
# files beside the source folder.
out=$top/build-deb
source=$out/quillfen-$version
rm -rf "$out"
mkdir -p "$source"
if git rev-parse --is-inside-work-tree > /dev/null 2>&1; then
  git ls-files -z --cached --others --exclude-standard |
    tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -C "$source" -xf -
else
  tar --exclude='./build*' --exclude=./.git -cf - . | tar -C "$source" -xf -
fi

# debhelper gives the build a home of its own; the compiler cache stays the
# one this machine has set up, shared with the other builds.
if command -v ccache > /dev/null; then
  CCACHE_DIR=${CCACHE_DIR:-$(ccache -k cache_dir)}
  export CCACHE_DIR
  config=$(ccache -p | sed -n 's/^(\(\/[^)]*\)) .*/\1/p' | head -n 1)
  [ -n "$config" ] && [ -z "${CCACHE_CONFIGPATH:-}" ] && export CCACHE_CONFIGPATH=$config
fi

echo "Building the package in $out (log: $out/build.log)" >&2
if ! (cd "$source" &&
      DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" dpkg-buildpackage -us -uc -b) \
      > "$out/build.log" 2>&1; then
  tail -n 40 "$out/build.log" >&2
  echo "The package build failed; the whole log is $out/build.log" >&2
  exit 1
fi

changes=$(ls "$out"/quillfen_"$version"_*.changes)
deb=$(ls "$out"/quillfen_"$version"_*.deb)
# Errors fail the build; warnings are listed (README, Install: the ones kept).
lintian --fail-on error "$changes" >&2
echo "$deb"
