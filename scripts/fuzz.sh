#!/usr/bin/env bash
# Fuzzes every decoder and stage: builds all fuzz targets with clang (libFuzzer, ASan+UBSan) in
# build/fuzz, writes their seed corpora, and runs each target for SECONDS (default 60) on a
# working copy of its seeds and kept regression inputs, up to nproc targets at once.
#
#   bash scripts/fuzz.sh [SECONDS]
#
# Every finding (a crash, leak, timeout or out-of-memory input, or a target that failed
# without leaving one) is listed, then the last line reads
#   fuzz: T targets, E executions, F findings
# and the status is non-zero when F is not 0. A finding's input, once fixed, is kept under
# <subsystem>/fuzz/regressions/<target>/, where the replay tests of the ordinary builds run it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: $0 [SECONDS]" >&2
  exit 2
fi
bash scripts/deps.sh

root=$PWD
build=$root/build/fuzz
mkdir -p "$build"
if ! cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVRA_FUZZ=ON -DKOVRA_SANITIZE=ON -DKOVRA_TESTS=OFF \
  -DKOVRA_BENCH=OFF >"$build/configure.log" 2>&1; then
  cat "$build/configure.log" >&2
  exit 2
fi
if ! cmake --build "$build" -j "$(nproc)" >"$build/build.log" 2>&1; then
  tail -n 40 "$build/build.log" >&2
  exit 2
fi

run=$build/run
rm -rf "$run"
mkdir -p "$run/seeds" "$run/corpus" "$run/findings" "$run/logs" "$run/tmp"
mapfile -t targets <"$build/fuzz_targets.txt"

# The seed corpora: each folder's seed writer once.
declare -A written=()
for line in "${targets[@]}"; do
  IFS=$'\t' read -r _ _ writer _ _ <<<"$line"
  if [ -z "${written[$writer]:-}" ]; then
    "$writer" "$run/seeds"
    written[$writer]=1
  fi
done

fuzz_one() {
  local name=$1 binary=$2 kept=$3 options=$4
  mkdir -p "$run/corpus/$name" "$run/findings/$name"
  cp -r "$run/seeds/$name/." "$run/corpus/$name/"
  if [ -d "$kept" ]; then cp -r "$kept/." "$run/corpus/$name/"; fi
  local status=0
  # shellcheck disable=SC2086  # the options are separate words
  TMPDIR=$run/tmp "$binary" "$run/corpus/$name" -max_total_time="$seconds" -timeout=25 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$run/findings/$name/" \
    $options >"$run/logs/$name.log" 2>&1 || status=$?
  echo "$status" >"$run/logs/$name.status"
}

jobs_max=$(nproc)
for line in "${targets[@]}"; do
  IFS=$'\t' read -r name binary _ kept options <<<"$line"
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_max" ]; do wait -n || true; done
  fuzz_one "$name" "$binary" "$kept" "$options" &
done
wait

executions=0
findings=()
for line in "${targets[@]}"; do
  IFS=$'\t' read -r name _ _ _ _ <<<"$line"
  log=$run/logs/$name.log
  count=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\)$/\1/p' "$log" | tail -n 1)
  executions=$((executions + ${count:-0}))
  found=0
  for artifact in "$run/findings/$name"/crash-* "$run/findings/$name"/leak-* \
                  "$run/findings/$name"/timeout-* "$run/findings/$name"/oom-*; do
    [ -e "$artifact" ] || continue
    findings+=("$artifact")
    found=1
  done
  if [ "$found" -eq 0 ] && [ "$(cat "$run/logs/$name.status")" -ne 0 ]; then
    findings+=("$log")  # failed without an input to keep
  fi
done

for f in "${findings[@]}"; do echo "finding: $f"; done
echo "fuzz: ${#targets[@]} targets, $executions executions, ${#findings[@]} findings"
[ "${#findings[@]}" -eq 0 ]
