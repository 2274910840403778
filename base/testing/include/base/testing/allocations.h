// Counts what the global operator new hands out while a piece of code runs: the test's own
// measure of what a step allocates. The sum of all allocations bounds the step's peak, so a
// step that builds something per byte of a large input shows here whatever the allocator
// does. Linking this in replaces every form of the global operator new and delete of the test
// program (with plain malloc and free, so that a sanitizer still checks the pairs).
#pragma once

#include <cstddef>
#include <utility>

namespace kovra::base::testing {

struct Allocations {
  size_t bytes = 0;         // all the bytes asked for
  size_t large_blocks = 0;  // allocations of at least the `large` size given
};

void start_counting_allocations(size_t large);
Allocations stop_counting_allocations();

// What `step` allocates; blocks of at least `large` bytes are also counted apart.
template <class Step>
Allocations allocations_of(Step&& step, size_t large = size_t{64} << 10) {
  start_counting_allocations(large);
  std::forward<Step>(step)();
  return stop_counting_allocations();
}

}  // namespace kovra::base::testing
