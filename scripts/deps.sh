#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need (as root), and those named as
# arguments, skipping those present.
set -euo pipefail
pkgs=(g++ cmake ninja-build pkg-config nettle-dev libsodium-dev libgtest-dev libgmock-dev
      libbenchmark-dev clang libclang-rt-14-dev "$@")
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
