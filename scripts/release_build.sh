# Sourced by demo.sh and test.sh: the release build they share, configured the same way by
# both, so that neither throws the other's cache or objects away, and the parallel jobs.
#
# The compiler is chosen through CXX, which CMake reads only when it first configures a build
# folder: passing CMAKE_CXX_COMPILER again would reset a cache made another way.
#
# Jobs: CMake's own variables when they are set (CMAKE_BUILD_PARALLEL_LEVEL for builds,
# CTEST_PARALLEL_LEVEL for tests), else every core.
build_jobs=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
test_jobs=${CTEST_PARALLEL_LEVEL:-$(nproc)}

configure_release() {
  CXX=g++ cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOVRA_WERROR=ON
}
