#!/usr/bin/env bash
# Builds everything and runs every test on this machine: a release build with g++ and an
# AddressSanitizer + UndefinedBehaviorSanitizer build with clang (leak checks on, the first
# finding fatal), both with warnings as errors and the benchmarks compiled (not run), so that
# both compilers build every target. The release build is the one demo.sh makes (see
# release_build.sh for the jobs).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
source scripts/release_build.sh

configure_release
cmake --build build/release -j "$build_jobs"
ctest --test-dir build/release -j "$test_jobs" --output-on-failure

CXX=clang++ cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKOVRA_WERROR=ON -DKOVRA_SANITIZE=ON
cmake --build build/asan -j "$build_jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan -j "$test_jobs" --output-on-failure
