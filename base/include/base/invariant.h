// Broken internal invariants.
//
// Input never reaches these: malformed files end in an error value or a failed check line.
// A condition that well-formed data cannot break, when broken, prints a diagnostic on
// standard error and ends the process with status 101 (in fuzz builds, -DKOVRA_FUZZ=ON, it
// aborts instead, so that the fuzzer keeps the input).
#pragma once

namespace kovra::base {

[[noreturn]] void invariant_failed(const char* condition, const char* message, const char* file,
                                   int line);

}  // namespace kovra::base

#define KOVRA_INVARIANT(cond, message)                                  \
  do {                                                                  \
    if (!(cond)) ::kovra::base::invariant_failed(#cond, message, __FILE__, __LINE__); \
  } while (0)
