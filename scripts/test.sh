#!/usr/bin/env bash
# Builds the program and every test, then runs them twice: once in a plain debug build
# (warnings are errors) and once with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# A time zone other than UTC, so that local time is really taken from the zone.
export TZ="${TZ:-Europe/Moscow}"
jobs="$(nproc 2>/dev/null || echo 2)"

cmake -S . -B build/dev -DCMAKE_BUILD_TYPE=Debug -DVELMARCH_WARNINGS_AS_ERRORS=ON
cmake --build build/dev -j"$jobs"
ctest --test-dir build/dev --output-on-failure

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DVELMARCH_SANITIZE=ON -DVELMARCH_WARNINGS_AS_ERRORS=ON
cmake --build build/asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build/asan --output-on-failure

echo "all tests passed"
