// A broken invariant in a fuzz build (invariant.cpp compiled with KOVRA_INVARIANT_ABORTS, as
// -DKOVRA_FUZZ=ON does): the diagnostic, then an abort, which the fuzzer catches and keeps the
// input for. Ordinary builds exit with status 101 instead (base_tests shows it).
#include <gtest/gtest.h>

#include <csignal>

#include "base/invariant.h"

namespace {

TEST(FuzzBuildInvariant, AbortsAfterTheDiagnostic) {
  const int three = 3;
  EXPECT_EXIT(KOVRA_INVARIANT(three == 4, "a sum that cannot be"),
              testing::KilledBySignal(SIGABRT),
              "internal error: a sum that cannot be \\(three == 4\\) at .*invariant_abort_test");
}

}  // namespace
