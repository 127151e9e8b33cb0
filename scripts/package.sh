#!/usr/bin/env bash
# Builds the release program and its packages (.tar.gz and .deb), then checks the .deb
# the way a user would meet it: unpacked into a scratch folder, the unpacked program
# prints its version and converts the bundled example; and lintian finds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
if ! command -v groff >/dev/null; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends groff-base
fi
cmake -S . -B build/package -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build/package -j"$(nproc 2>/dev/null || echo 2)" --target velmarch velmarch_compressed_docs
(cd build/package && cpack >/dev/null)
deb="$(ls build/package/velmarch_*.deb)"
echo "built: $deb $(ls build/package/velmarch-*.tar.gz)"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$deb" "$scratch/root"
"$scratch/root/usr/bin/velmarch" -version
mkdir "$scratch/run"
cp "$scratch/root/usr/share/doc/velmarch/examples/"* "$scratch/run/"
cp "$scratch/root/usr/bin/velmarch" "$scratch/run/"
(cd "$scratch/run" && ./velmarch Velmarch.xml > console.txt) || { cat "$scratch/run/console.txt"; exit 1; }
tail -c 8 "$scratch/run/console.txt" | grep -q 'ERROR:0'
grep -q 'Port=993' "$scratch/run/client.ini"
zcat "$scratch/root/usr/share/man/man1/velmarch.1.gz" | groff -man -Tutf8 -ww >/dev/null 2>"$scratch/man-warnings.txt" || true
if [ -s "$scratch/man-warnings.txt" ]; then cat "$scratch/man-warnings.txt"; exit 1; fi
echo "package checked: the unpacked program runs the bundled example"

# Debian's own check of the package: no error and no warning.
if ! command -v lintian >/dev/null; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends lintian
fi
lintian --fail-on error,warning "$deb"
echo "lintian: no error and no warning"
