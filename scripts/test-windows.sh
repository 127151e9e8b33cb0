#!/usr/bin/env bash
# Cross-builds the Windows executable and unit tests with mingw-w64 and runs them, and
# the end-to-end cases against velmarch.exe, under Wine in a fresh prefix.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
need=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
[ -x /usr/lib/wine/wine64 ] || command -v wine64 >/dev/null || need+=(wine64)
if [ ${#need[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${need[@]}"
fi
wine="$(command -v wine64 || echo /usr/lib/wine/wine64)"

export TZ="${TZ:-Europe/Moscow}"
export WINEDEBUG=-all
export WINEPREFIX="$(mktemp -d)/wine"
trap 'wineserver_cmd="$(dirname "$wine")/wineserver"; [ -x "$wineserver_cmd" ] && "$wineserver_cmd" -k >/dev/null 2>&1 || true; rm -rf "$(dirname "$WINEPREFIX")"' EXIT
jobs="$(nproc 2>/dev/null || echo 2)"

cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DVELMARCH_WARNINGS_AS_ERRORS=ON
cmake --build build/windows -j"$jobs" --target velmarch velmarch_unit_tests

echo "starting Wine (the first start takes a while)"
"$wine" wineboot --init >/dev/null 2>&1 || true
VELMARCH_LANG=ru "$wine" build/windows/tests/velmarch_unit_tests.exe 2>/dev/null

cmake -S . -B build/windows-e2e -DCMAKE_BUILD_TYPE=Debug \
  -DVELMARCH_E2E_EXE="$PWD/build/windows/velmarch.exe" -DVELMARCH_E2E_RUNNER="$wine"
cmake --build build/windows-e2e -j"$jobs" --target velmarch_e2e_tests
build/windows-e2e/tests/velmarch_e2e_tests

# The Windows package: a .zip holding velmarch.exe.
(cd build/windows && cpack -G ZIP >/dev/null)
zip="$(ls build/windows/velmarch-*.zip)"
python3 -c 'import sys, zipfile; names = zipfile.ZipFile(sys.argv[1]).namelist(); sys.exit(0 if any(n.endswith("bin/velmarch.exe") for n in names) else 1)' "$zip"
echo "packaged: $zip"

echo "all Windows tests passed"
