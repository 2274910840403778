#include "base/invariant.h"

#include <cstdio>
#include <cstdlib>

namespace kovra::base {

void invariant_failed(const char* condition, const char* message, const char* file, int line) {
  std::fflush(stdout);
  std::fprintf(stderr, "internal error: %s (%s) at %s:%d\n", message, condition, file, line);
  std::fflush(stderr);
#ifdef KOVRA_INVARIANT_ABORTS
  // Fuzz builds: a signal the fuzzer catches, so that it keeps the input that got here.
  std::abort();
#else
  std::_Exit(101);
#endif
}

}  // namespace kovra::base
