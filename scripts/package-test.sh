#!/usr/bin/env bash
# Builds the Debian package (scripts/package.sh), installs it with apt-get,
# checks it from outside the source tree as a user meets it (programs on the
# PATH, the screenshot, the container file type, the desktop entry, the
# AppStream data, the manual pages, the completion), then removes it and
# checks that nothing of it is left. Skips, saying why, where it cannot run.
set -euo pipefail
cd "$(dirname "$0")/.."

skip() {
  echo "package test skipped: $*"
  exit 0
}
[ "$(id -u)" = 0 ] || skip "installing a package needs root"
command -v apt-get > /dev/null || skip "no apt-get here (not a Debian system)"
if dpkg-query -W -f='${Status}' quillfen 2>/dev/null | grep -q "ok installed"; then
  skip "quillfen is installed on this machine already, and the test would remove it"
fi

# What the checks run: xdg-mime (with mimetype, which reads the desktop's
# MIME database), desktop-file-validate, appstreamcli, man, bash completion,
# mtools to take the container file out of a card image.
packages=(xdg-utils libfile-mimeinfo-perl desktop-file-utils appstream man-db bash-completion
          shared-mime-info mtools)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

started=$(date +%s)
if [ $# -gt 0 ]; then
  deb=$(realpath "$1")
else
  deb=$(bash scripts/package.sh)
fi
built=$(date +%s)
echo "package built in $((built - started)) s: $deb"

work=$(mktemp -d)
passed=0
failed=0
cleanup() {
  if dpkg-query -W -f='${Status}' quillfen 2>/dev/null | grep -q "ok installed"; then
    apt-get purge -y -qq quillfen > /dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
check() {  # check NAME COMMAND...: runs the command, counts and reports it
  local name=$1
  shift
  if "$@" > "$work/check.log" 2>&1; then
    passed=$((passed + 1))
    echo "ok: $name"
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
    sed 's/^/    /' "$work/check.log"
  fi
}

apt-get install -y -qq "$deb" > "$work/install.log" 2>&1 || {
  cat "$work/install.log"
  exit 1
}
dpkg -L quillfen > "$work/files"

# From a folder of its own, with a home of its own and the system's PATH:
# what is found is the installed package, not the source tree.
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cd "$work"
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime LC_ALL=C.UTF-8
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_DATA_DIRS DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

version_on_path() {
  [ "$(command -v quillfen-cli)" = /usr/bin/quillfen-cli ] &&
    quillfen-cli --version | grep -q '^quillfen-cli [0-9]'
}
check "quillfen-cli --version from the PATH" version_on_path

quillfen-cli new-card-image card.img --size 64M > /dev/null
quillfen-cli create card.img --count 2 --name "Package" > /dev/null
screenshot() {
  # The program loads the driver library from its private folder.
  LD_DEBUG=files quillfen --screenshot window.png card.img 2> ld.log
  [ "$(head -c 8 window.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] &&
    grep -Eq 'file=/usr/[^ ]*/quillfen/ImDisk\.cpl .*dynamically loaded' ld.log
}
check "quillfen --screenshot on a card image, with the driver library" screenshot

container_type() {
  # A container taken off the card and renamed is known by its signature;
  # one named *.dfp by its name; the menu entry opens both.
  mcopy -i card.img@@1M ::/DornveldFLP/DornveldCIF.dfp backup.bin &&
    : > empty.dfp &&
    [ "$(xdg-mime query filetype backup.bin)" = application/x-dornveld-container ] &&
    [ "$(xdg-mime query filetype empty.dfp)" = application/x-dornveld-container ] &&
    [ "$(xdg-mime query default application/x-dornveld-container)" = quillfen.desktop ]
}
check "xdg-mime: container file type and its program" container_type
check "desktop-file-validate" desktop-file-validate /usr/share/applications/quillfen.desktop
check "appstreamcli validate --no-net" appstreamcli validate --no-net \
  /usr/share/metainfo/org.dornveld.quillfen.metainfo.xml
manuals() {
  man -w quillfen-cli | grep -q '^/usr/share/man/man1/quillfen-cli\.1\.gz$' &&
    man -w quillfen | grep -q '^/usr/share/man/man1/quillfen\.1\.gz$' &&
    man -L de -w quillfen-cli | grep -q '^/usr/share/man/de/man1/quillfen-cli\.1\.gz$'
}
check "man -w quillfen-cli, quillfen and German" manuals

completion() {
  # Completes as a user's bash does: commands, options, option values, drive
  # letters and files.
  bash -c '
    source /usr/share/bash-completion/bash_completion
    _completion_loader quillfen-cli
    c() { COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMP_LINE="$*"
          COMP_POINT=${#COMP_LINE}; COMPREPLY=(); _quillfen_cli; echo " ${COMPREPLY[*]} "; }
    letter=$(quillfen-cli drives | cut -f1 | head -n 1)
    [[ $(c quillfen-cli wr) == " write-slot " ]] &&
    [[ $(c quillfen-cli create card.img --c) == " --count " ]] &&
    [[ $(c quillfen-cli --lang "") == " en de " ]] &&
    [[ $(c quillfen-cli new-card-image x.img --fat "") == " 12 16 32 " ]] &&
    [[ $(c quillfen-cli state "") == *" card.img "* ]] &&
    [[ -z $letter || $(c quillfen-cli state "") == *" $letter "* ]] &&
    [[ $(c quillfen-cli slot-name card.img 1 "") == "  " ]]'
}
check "bash completion of quillfen-cli" completion

cd /
apt-get purge -y -qq quillfen > "$work/remove.log" 2>&1 || cat "$work/remove.log"
nothing_left() {
  local left=0 path
  if dpkg -L quillfen > /dev/null 2>&1; then
    echo "dpkg still lists files of quillfen"
    left=1
  fi
  while read -r path; do
    if [ -e "$path" ] && [ ! -d "$path" ]; then
      echo "left: $path"
      left=1
    fi
  done < "$work/files"
  # Nor anything the desktop's caches made of it.
  local stray
  stray=$(find /usr -name '*quillfen*' -o -name '*dornveld*' 2>/dev/null)
  stray+=$(grep -rls 'dornveld-container\|quillfen' /usr/share/mime /usr/share/applications \
           /usr/share/icons/hicolor/icon-theme.cache 2>/dev/null || true)
  if [ -n "$stray" ]; then
    echo "stray files: $stray"
    left=1
  fi
  return $left
}
check "nothing of the package left after purge" nothing_left

echo "package test took $(($(date +%s) - started)) s (build $((built - started)) s)"
echo "package-test: $passed passed, $failed failed"
[ "$failed" = 0 ]
