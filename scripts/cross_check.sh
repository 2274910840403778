#!/usr/bin/env bash
# Cross-builds for aarch64 Linux with g++ (release, warnings as errors, benchmarks compiled but
# not run) and runs every test under qemu-user, where the portable code of every kernel runs.
# First installs (as root) what it needs, skipping what is present: the arm64 architecture for
# dpkg, the cross compiler, qemu-user and the arm64 packages of the dependencies.
set -euo pipefail
cd "$(dirname "$0")/.."
dpkg --print-foreign-architectures | grep -qx arm64 || dpkg --add-architecture arm64
bash scripts/deps.sh g++-aarch64-linux-gnu qemu-user nettle-dev:arm64 libsodium-dev:arm64 \
  libgtest-dev:arm64 libgmock-dev:arm64 libbenchmark-dev:arm64
source scripts/release_build.sh  # for the jobs

cmake -S . -B build/aarch64 -G Ninja --toolchain cmake/aarch64-linux-gnu.cmake \
  -DCMAKE_BUILD_TYPE=Release -DKOVRA_WERROR=ON
cmake --build build/aarch64 -j "$build_jobs"
ctest --test-dir build/aarch64 -j "$test_jobs" --output-on-failure
# The paths the kernels took under the emulator, as their tests name them.
ctest --test-dir build/aarch64 -V \
  -R 'Sha256.BareCompression|Fq.PortableProducts|PolyEvalPlanes.BothPaths|Poseidon2Permutation.KnownOutputs' |
  grep -F '[ paths ]'
