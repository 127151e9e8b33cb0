#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages, when it is missing.
set -euo pipefail

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
command -v make >/dev/null || missing+=(make)
[ -e /usr/lib/x86_64-linux-gnu/cmake/GTest/GTestConfig.cmake ] || [ -n "$(find /usr -name GTestConfig.cmake -print -quit 2>/dev/null)" ] \
  || missing+=(googletest libgtest-dev libgmock-dev)
command -v python3 >/dev/null || missing+=(python3)
# Messages are formatted with fmt, header-only, so both builds stay one static program.
[ -e /usr/include/fmt/printf.h ] || missing+=(libfmt-dev)
# The folding table is checked against the Unicode Character Database's own file.
[ -e /usr/share/unicode/CaseFolding.txt ] || missing+=(unicode-data)

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi
