#!/usr/bin/env bash
# Measures the converter against the floor (a plain line rewrite) on the bench files of
# ../shared/bench: builds the release program and the floor, generates the files, runs
# each program 5 times in turn on each file, and prints the medians of CPU time
# (user + system) and peak memory, their ratios, and the SHA-256 of each output below
# its conversion stamp (the same from one build to the next when the output is).
# Usage: scripts/bench.sh [runs] [sizes...]   (sizes: small mid large or e.g. 200M;
# default: small mid large 200M)
set -euo pipefail
cd "$(dirname "$0")/.."

runs="${1:-5}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(small mid large 200M)
bench_src="$(cd ../shared/bench && pwd)"
work="build/bench"
mkdir -p "$work"

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc 2>/dev/null || echo 2)" --target velmarch >/dev/null
g++ -O2 -std=c++17 -o "$work/floor" "$bench_src/floor.cpp"
g++ -O2 -std=c++17 -o "$work/bench_runs" scripts/bench_runs.cpp
for size in "${sizes[@]}"; do
  [ -s "$work/$size.ini" ] || python3 "$bench_src/gen_ini.py" "$size" "$work/$size.ini"
done

# Prints "cpu_seconds peak_kib" for one run of the command: CPU per run over `repeat`
# runs (the small file takes a few milliseconds), peak of any run. Each starts with
# no data of the run before still waiting to be written: the floor leaves its output
# to the system, and writing it out while the next program runs (and flushes its own
# output) was charged to that program.
measure() { sync; "$work/bench_runs" "$@"; }

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "machine: $(nproc) cores; $runs runs each, in turn"
for size in "${sizes[@]}"; do
  file="$work/$size.ini"
  bytes="$(stat -c %s "$file")"
  repeat=1
  [ "$bytes" -lt $((4 << 20)) ] && repeat=20
  [ "$bytes" -ge $((4 << 20)) ] && [ "$bytes" -lt $((20 << 20)) ] && repeat=4
  : > "$work/velmarch.txt"
  : > "$work/floor.txt"
  for _ in $(seq "$runs"); do
    measure "$repeat" build/release/velmarch "$bench_src/scheme_large.xml" -fdir "$PWD/$work" -f "$size.ini" -o "$size.out.ini" \
      -nobackup >> "$work/velmarch.txt"
    measure "$repeat" "$work/floor" "$file" "$work/$size.floor.ini" >> "$work/floor.txt"
  done
  v_cpu="$(cut -d' ' -f1 "$work/velmarch.txt" | median)"
  v_mem="$(cut -d' ' -f2 "$work/velmarch.txt" | median)"
  f_cpu="$(cut -d' ' -f1 "$work/floor.txt" | median)"
  f_mem="$(cut -d' ' -f2 "$work/floor.txt" | median)"
  awk -v s="$size" -v b="$bytes" -v vc="$v_cpu" -v vm="$v_mem" -v fc="$f_cpu" -v fm="$f_mem" 'BEGIN {
    printf "%-6s %6.1f MiB | velmarch CPU %.4f s, peak %.1f MiB | floor CPU %.4f s, peak %.1f MiB | CPU %.2fx the floor, peak %.2fx the file (4 MiB + 1.5x: %.1f MiB)\n",
      s, b / 1048576, vc, vm / 1024, fc, fm / 1024, (fc > 0 ? vc / fc : 0), vm * 1024 / b, 4 + 1.5 * b / 1048576 }'
  echo "       output below the stamp: $(grep -av '^; The date and time to convert a settings file: ' "$work/$size.out.ini" | sha256sum | cut -c1-16)"
done
