// The most memory a step maps at once (platform::MappedMemory), beyond what was mapped before
// it: what the block lists and buffers of the loaders cost while the step runs.
#pragma once

#include <cstddef>

#include "verifier/platform.h"

namespace kovra::verifier::testing {

template <class Step>
size_t mapped_peak_of(Step&& step) {
  using platform::MappedMemory;
  const size_t before = MappedMemory::bytes_in_use();
  MappedMemory::reset_peak();
  step();
  return MappedMemory::peak_bytes_in_use() - before;
}

}  // namespace kovra::verifier::testing
