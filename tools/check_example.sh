#!/usr/bin/env bash
# The shipped example is what tools/make_example writes, and the verifier accepts it in dev
# mode with status 3 (its receipt is a fake one).
# Usage: check_example.sh <make_example> <verifier> <source folder> [<run prefix>...]
# (the run prefix, e.g. an emulator and its options, is put before both programs).
set -u
tool=$1 verifier=$2 src=$3
run=("${@:4}")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"${run[@]}" "$tool" "$out" || exit 1
for f in credential.bundle prices.csv canonical_roots.txt; do
  cmp "$out/$f" "$src/data/$f" || { echo "data/$f differs from what make_example writes"; exit 1; }
done
cd "$src"
DURO0_DEV_MODE=1 "${run[@]}" "$verifier" >/dev/null
status=$?
[ "$status" -eq 3 ] || { echo "the example ended with status $status, not 3"; exit 1; }
