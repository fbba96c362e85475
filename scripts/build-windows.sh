#!/usr/bin/env bash
# The core, quillfen-cli.exe and the core's tests cross-built for Windows
# with MinGW-w64 into build-windows/, the tests run under Wine (a fresh
# prefix per run), then the command line compared with the Linux build's on
# card images (tests/windows/cli_compare.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
need=()
command -v x86_64-w64-mingw32-g++-posix > /dev/null || need+=(g++-mingw-w64-x86-64-posix)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
[ -d /usr/src/googletest ] || need+=(googletest)
command -v python3 > /dev/null || need+=(python3)  # tests/windows/same_but_times.py
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need[@]}"
fi
out=build-windows
cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DQUILLFEN_WERROR=ON \
  > /dev/null
tests=(test_base test_fat test_container test_services test_windows)
cmake --build "$out" -j "$(nproc)" --target quillfen-cli "${tests[@]}"

export WINEPREFIX="$PWD/$out/wineprefix" WINEDEBUG=-all
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
# A server left from the last run would keep serving the removed prefix.
"$wineserver" -k 2> /dev/null || true
rm -rf "$WINEPREFIX"
"$wine" wineboot -i > /dev/null 2>&1
for t in "${tests[@]}"; do
  echo "== $t (Wine)"
  "$wine" "$out/tests/$t.exe"
done
# The settings the test wrote stay in Wine's registry under the program's key.
"$wine" reg query 'HKCU\Software\Dornveld\quillfen\Settings' /v VerifyWrites | grep -q REG_DWORD
echo "settings found in the registry"

[ -x build/src/quillfen-cli ] || cmake --build build --target quillfen-cli
tests/windows/cli_compare.sh build/src/quillfen-cli "$out/src/quillfen-cli.exe"
"$wineserver" -k 2> /dev/null || true
