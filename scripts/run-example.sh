#!/usr/bin/env bash
# Builds the program and converts the bundled example (examples/) in a scratch copy:
# the converted client.ini and its backup land in build/example-run/. The program runs
# in that folder, so that its relative names are taken from there; its messages are in
# the terminal's own encoding already.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build/release -j"$(nproc 2>/dev/null || echo 2)" --target velmarch
program="$PWD/build/release/velmarch"

run_dir=build/example-run
rm -rf "$run_dir"
mkdir -p "$run_dir"
cp examples/Velmarch.xml examples/client.ini "$run_dir"/
cd "$run_dir"
status=0
"$program" || status=$?
echo
echo "---- $run_dir/client.ini after the conversion ----"
# The settings file keeps its encoding: shown as it is when UTF-8, else from Windows-1251.
if iconv -f UTF-8 -t UTF-8 client.ini >/dev/null 2>&1; then cat client.ini; else iconv -f CP1251 -t UTF-8 client.ini; fi
exit "$status"
