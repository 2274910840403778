#!/usr/bin/env bash
# Builds everything and runs every test on this machine: a release build with g++ and an
# AddressSanitizer + UndefinedBehaviorSanitizer build with clang (leak checks on, the first
# finding fatal), both with warnings as errors and the benchmarks compiled (not run), so that
# both compilers build every target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOVRA_WERROR=ON \
  -DCMAKE_CXX_COMPILER=g++
cmake --build build/release -j "$jobs"
ctest --test-dir build/release -j "$jobs" --output-on-failure

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVRA_WERROR=ON \
  -DKOVRA_SANITIZE=ON -DCMAKE_CXX_COMPILER=clang++
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan -j "$jobs" --output-on-failure
