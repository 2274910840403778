#!/usr/bin/env bash
# The shipped example is what tools/make_example writes, and the verifier accepts it in dev
# mode with status 3 (its receipt is a fake one). make_example refuses what it does not
# understand (status 2, usage on standard error, nothing made).
# Usage: check_example.sh <make_example> <verifier> <source folder> [<run prefix>...]
# (the run prefix, e.g. an emulator and its options, is put before both programs).
set -u
tool=$1 verifier=$2 src=$3
run=("${@:4}")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"${run[@]}" "$tool" "$out" || exit 1
# Refused words: an option, an empty word, a second argument.
refused=$(mktemp -d)
trap 'rm -rf "$out" "$refused"' EXIT
for words in "--help" "-h" "" "a b"; do
  read -r -a argv <<<"$words"
  [ -z "$words" ] && argv=("")
  (cd "$refused" && "${run[@]}" "$tool" "${argv[@]}" >stdout 2>stderr)
  status=$?
  [ "$status" -eq 2 ] || { echo "make_example '$words' ended with status $status, not 2"; exit 1; }
  grep -q "^usage: make_example \[DIR\]" "$refused/stderr" ||
    { echo "make_example '$words' printed no usage line on standard error"; exit 1; }
  [ ! -s "$refused/stdout" ] || { echo "make_example '$words' wrote to standard output"; exit 1; }
  rm -f "$refused/stdout" "$refused/stderr"
  [ -z "$(ls -A "$refused")" ] || { echo "make_example '$words' made: $(ls -A "$refused")"; exit 1; }
done
for f in credential.bundle prices.csv canonical_roots.txt; do
  cmp "$out/$f" "$src/data/$f" || { echo "data/$f differs from what make_example writes"; exit 1; }
done
cd "$src"
DURO0_DEV_MODE=1 "${run[@]}" "$verifier" >/dev/null
status=$?
[ "$status" -eq 3 ] || { echo "the example ended with status $status, not 3"; exit 1; }
