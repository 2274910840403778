#include "base/invariant.h"

#include <cstdio>
#include <cstdlib>

namespace kovra::base {

void invariant_failed(const char* condition, const char* message, const char* file, int line) {
  std::fflush(stdout);
  std::fprintf(stderr, "internal error: %s (%s) at %s:%d\n", message, condition, file, line);
  std::fflush(stderr);
  std::_Exit(101);
}

}  // namespace kovra::base
