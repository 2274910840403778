#!/usr/bin/env bash
# Builds the verifier and runs it on the shipped example credential.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$(nproc)" --target verifier
# The example's receipt is a fake one (see the README), which passes only in dev mode.
set +e
DURO0_DEV_MODE=1 ./build/release/verifier/verifier data/credential.bundle data/prices.csv
status=$?
echo "exit status: $status"
