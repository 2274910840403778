// Digests of simple byte patterns, for test fixtures and expected values.
#pragma once

#include <array>
#include <cstdint>

#include "base/digest.h"

namespace kovra::base::testing {

// The digest whose 32 stored bytes are all `b`.
inline Digest filled(uint8_t b) {
  std::array<uint8_t, 32> bytes;
  bytes.fill(b);
  return Digest::from_bytes(bytes);
}

// The digest whose stored bytes are 0, 1, ..., 31.
inline Digest counting() {
  std::array<uint8_t, 32> bytes;
  for (size_t i = 0; i < 32; ++i) bytes[i] = uint8_t(i);
  return Digest::from_bytes(bytes);
}

}  // namespace kovra::base::testing
