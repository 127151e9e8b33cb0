#!/usr/bin/env bash
# Tests the Ansible module of contrib/ansible against the release program on this machine
# (localhost, -c local), with Debian's ansible-core: its documentation renders, and a
# play converts, reruns, checks with --diff, fails cleanly and restores.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
if ! command -v ansible-playbook >/dev/null; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends ansible-core
fi
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc 2>/dev/null || echo 2)" --target velmarch

export ANSIBLE_LIBRARY="$PWD/contrib/ansible/library"
export ANSIBLE_NOCOLOR=1
export ANSIBLE_LOCALHOST_WARNING=false
export ANSIBLE_INVENTORY_UNPARSED_WARNING=false
ansible-doc -t module velmarch >/dev/null
echo "ansible-doc renders the module's documentation"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
ansible-playbook -i localhost, -c local -e "ansible_python_interpreter=$( [ -x /usr/bin/python3 ] && echo /usr/bin/python3 || command -v python3)" \
  -e "velmarch=$PWD/build/release/velmarch" -e "work=$work" contrib/ansible/tests/velmarch_test.yml
echo "the module's play passed"
