#!/usr/bin/env bash
# Replays a release build's file-system calls under the shared power-cut checker's two
# models (every scenario: runs, restores, links, subfolders) and fails on any state that
# loses a settings file or its backup. The checker lies beside the project's root
# (../shared/powercut/) or where VELMARCH_POWERCUT names it; it needs strace.
set -euo pipefail
cd "$(dirname "$0")/.."

checker="${VELMARCH_POWERCUT:-../shared/powercut/powercut.py}"
if [ ! -f "$checker" ]; then
  echo "power-cut check skipped: no checker at $checker"
  exit 0
fi
if ! command -v strace >/dev/null; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends strace
fi
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc 2>/dev/null || echo 2)" --target velmarch
python3 "$checker" --binary build/release/velmarch
