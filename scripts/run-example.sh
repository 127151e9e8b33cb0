#!/usr/bin/env bash
# Builds the program and converts the bundled example (examples/) in a scratch copy:
# the converted client.ini and its backup land in build/example-run/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build/release -j"$(nproc 2>/dev/null || echo 2)" --target velmarch

run_dir=build/example-run
rm -rf "$run_dir"
mkdir -p "$run_dir"
cp examples/Velmarch.xml examples/client.ini "$run_dir"/
cp build/release/velmarch "$run_dir"/
cd "$run_dir"
status=0
./velmarch | iconv -f CP1251 -t UTF-8 || status=$?
echo
echo "---- $run_dir/client.ini after the conversion ----"
iconv -f CP1251 -t UTF-8 client.ini
exit "$status"
