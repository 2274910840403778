# Cross build for aarch64 Linux on a Debian x86-64 machine: Debian's aarch64-linux-gnu-g++,
# the arm64 multiarch packages of the dependencies (nettle-dev:arm64, libsodium-dev:arm64,
# libgtest-dev:arm64, libgmock-dev:arm64, libbenchmark-dev:arm64) and qemu-user, all of which
# scripts/cross_check.sh installs.
#
#   cmake -S . -B build/aarch64 -G Ninja --toolchain cmake/aarch64-linux-gnu.cmake
#
# The programs built here run under the emulator: the build's own host tools, the test
# discovery and every CTest test (KOVRA_RUN_PREFIX in the root CMakeLists.txt carries the same
# command to the tests that start programs themselves).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# Libraries and packages of the target only; programs (pkg-config, the emulator) of the host.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig")
unset(ENV{PKG_CONFIG_PATH})

# An absolute path, so that a test can start the emulator without a search of PATH. `-L /`:
# the programs load the dynamic loader of the arm64 C library package (libc6:arm64, which the
# arm64 dependencies come with and which the loader then takes the C library from), not the
# one of the cross toolchain under /usr/aarch64-linux-gnu. The two are separate builds of the
# C library, which may differ; a loader and a C library of different builds break fork().
# `-E NETTLE_FAT_OVERRIDE=`: the emulated processor has the SHA-2 instructions, which nettle
# would pick; an empty feature list makes it run its portable C code, so that under the
# emulator every kernel runs its portable code (the test log names each one's path).
find_program(KOVRA_QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${KOVRA_QEMU_AARCH64} -L / -E NETTLE_FAT_OVERRIDE=)
