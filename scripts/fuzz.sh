#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer
# on) and runs each for the given number of seconds (default 30), starting from the seed
# corpus and the regression inputs under tests/fuzz. A crash leaves its input in
# build/fuzz/artifacts/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
if ! command -v clang++-14 >/dev/null || ! compgen -G "/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends clang-14 libclang-rt-14-dev
fi

CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMARCH_FUZZ=ON >/dev/null
cmake --build build/fuzz -j"$(nproc 2>/dev/null || echo 2)"

dictionary_of() {
  case "$1" in
    xml_load|whole_run) echo scheme ;;
    ini_roundtrip|utf16_read) echo ini ;;
    record_read) echo record ;;
    *) echo condition ;;
  esac
}

mkdir -p build/fuzz/artifacts
for target in xml_load ini_roundtrip condition name_pattern whole_run utf16_read record_read; do
  corpus="build/fuzz/corpus/$target"
  mkdir -p "$corpus"
  cp -n tests/fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  cp -n tests/fuzz/regressions/"$target"/* "$corpus"/ 2>/dev/null || true
  echo "== fuzz_$target for ${seconds}s"
  build/fuzz/tests/fuzz/fuzz_"$target" "$corpus" \
    -dict="tests/fuzz/dict/$(dictionary_of "$target").dict" \
    -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="build/fuzz/artifacts/$target-" 2>&1 | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' || true
  if ls build/fuzz/artifacts/"$target"-* >/dev/null 2>&1; then
    echo "fuzz_$target found a failing input: $(ls build/fuzz/artifacts/"$target"-*)"
    exit 1
  fi
done
echo "fuzz targets ran clean"
