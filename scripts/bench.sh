#!/usr/bin/env bash
# Measures the converter against the floor (a plain line rewrite) and the limit (the
# least a converter of the bench scheme must do) on the bench files of ../shared/bench:
# builds the release program, the floor and the limit, generates the files, runs the
# three programs in turn on each file, and prints the medians of CPU time (user +
# system) and peak memory, their ratios, and the SHA-256 of each output below its
# conversion stamp (the same from one build to the next when the output is).
# "scale" measures the three scale cases instead: 100,000 small sections, a scheme of
# 200 actions on the 50 MiB file, 1,000 small files in one run.
# Usage: scripts/bench.sh [runs] [sizes...]   (sizes: small mid large, e.g. 200M, or
# scale; default: small mid large 200M)
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
g++ -O2 -std=c++17 -o "$work/limit" "$bench_src/limit.cpp"
g++ -O2 -std=c++17 -o "$work/bench_runs" scripts/bench_runs.cpp
for size in "${sizes[@]}"; do
  [ "$size" = scale ] && size=large
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

# The scale cases: each against the floor on the same input; the many files by peak.
scale() {
  local scale_dir="$work/scale"
  [ -s "$scale_dir/sections100k.ini" ] && [ -s "$scale_dir/scheme200.xml" ] && [ -s "$scale_dir/scheme1000.xml" ] ||
    python3 "$bench_src/mkscale.py" "$scale_dir" "$work/large.ini" sections scheme200 many >/dev/null
  local case scheme input
  for case in sections scheme200; do
    if [ "$case" = sections ]; then scheme="$bench_src/scheme_large.xml"; input=scale/sections100k.ini
    else scheme="$PWD/$scale_dir/scheme200.xml"; input=large.ini; fi
    : > "$work/velmarch.txt"
    : > "$work/floor.txt"
    for _ in $(seq "$runs"); do
      measure 1 build/release/velmarch "$scheme" -fdir "$PWD/$work" -f "$input" -o "$input.$case.out" -nobackup >> "$work/velmarch.txt"
      measure 1 "$work/floor" "$work/$input" "$work/$input.floor" >> "$work/floor.txt"
    done
    awk -v c="$case" -v b="$(stat -c %s "$work/$input")" -v vc="$(cut -d' ' -f1 "$work/velmarch.txt" | median)" \
        -v vm="$(cut -d' ' -f2 "$work/velmarch.txt" | median)" -v fc="$(cut -d' ' -f1 "$work/floor.txt" | median)" 'BEGIN {
      printf "%-9s %6.1f MiB | velmarch CPU %.4f s, peak %.1f MiB | floor CPU %.4f s | CPU %.2fx the floor, peak %.2fx the file\n",
        c, b / 1048576, vc, vm / 1024, fc, vc / fc, vm * 1024 / b }'
    echo "          output below the stamp: $(grep -av '^; The date and time to convert a settings file: ' "$work/$input.$case.out" | sha256sum | cut -c1-16)"
  done
  : > "$work/velmarch.txt"
  for _ in $(seq "$runs"); do
    rm -rf "$scale_dir/many/out" && mkdir -p "$scale_dir/many/out"
    measure 1 build/release/velmarch "$PWD/$scale_dir/scheme1000.xml" -fdir "$PWD/$scale_dir/many" -nobackup >> "$work/velmarch.txt"
  done
  awk -v vc="$(cut -d' ' -f1 "$work/velmarch.txt" | median)" -v vm="$(cut -d' ' -f2 "$work/velmarch.txt" | median)" 'BEGIN {
    printf "many      1,000 files | velmarch CPU %.4f s, peak %.1f MiB\n", vc, vm / 1024 }'
  echo "          outputs below the stamp: $(cat "$scale_dir"/many/out/*.ini | grep -av '^; The date and time to convert a settings file: ' | sha256sum | cut -c1-16)"
}

for size in "${sizes[@]}"; do
  if [ "$size" = scale ]; then scale; continue; fi
  file="$work/$size.ini"
  bytes="$(stat -c %s "$file")"
  repeat=1
  [ "$bytes" -lt $((4 << 20)) ] && repeat=20
  [ "$bytes" -ge $((4 << 20)) ] && [ "$bytes" -lt $((20 << 20)) ] && repeat=4
  : > "$work/velmarch.txt"
  : > "$work/floor.txt"
  : > "$work/limit.txt"
  for _ in $(seq "$runs"); do
    measure "$repeat" build/release/velmarch "$bench_src/scheme_large.xml" -fdir "$PWD/$work" -f "$size.ini" -o "$size.out.ini" \
      -nobackup >> "$work/velmarch.txt"
    measure "$repeat" "$work/floor" "$file" "$work/$size.floor.ini" >> "$work/floor.txt"
    measure "$repeat" "$work/limit" "$file" "$work/$size.limit.ini" >> "$work/limit.txt"
  done
  v_cpu="$(cut -d' ' -f1 "$work/velmarch.txt" | median)"
  v_mem="$(cut -d' ' -f2 "$work/velmarch.txt" | median)"
  f_cpu="$(cut -d' ' -f1 "$work/floor.txt" | median)"
  f_mem="$(cut -d' ' -f2 "$work/floor.txt" | median)"
  l_cpu="$(cut -d' ' -f1 "$work/limit.txt" | median)"
  l_mem="$(cut -d' ' -f2 "$work/limit.txt" | median)"
  awk -v s="$size" -v b="$bytes" -v vc="$v_cpu" -v vm="$v_mem" -v fc="$f_cpu" -v fm="$f_mem" -v lc="$l_cpu" -v lm="$l_mem" 'BEGIN {
    printf "%-6s %6.1f MiB | velmarch CPU %.4f s, peak %.1f MiB | floor CPU %.4f s, peak %.1f MiB | limit CPU %.4f s, peak %.1f MiB\n",
      s, b / 1048576, vc, vm / 1024, fc, fm / 1024, lc, lm / 1024
    printf "       CPU %.2fx the floor, %.2fx the limit (the limit %.2fx the floor); peak %.2fx the file (4 MiB + 1.5x: %.1f MiB)\n",
      (fc > 0 ? vc / fc : 0), (lc > 0 ? vc / lc : 0), (fc > 0 ? lc / fc : 0), vm * 1024 / b, 4 + 1.5 * b / 1048576 }'
  echo "       output below the stamp: $(grep -av '^; The date and time to convert a settings file: ' "$work/$size.out.ini" | sha256sum | cut -c1-16)$(
    cmp -s <(grep -av '^; The date and time to convert a settings file: ' "$work/$size.out.ini") <(grep -av '^; The date and time to convert a settings file: ' "$work/$size.limit.ini") && echo ", the limit's the same" || echo ", the limit's differs")"
done
