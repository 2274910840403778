// Digest: a 32-byte hash value held as eight u32 words.
//
// The bytes of a digest are its words in little-endian order, so SHA-256 and BLAKE2b outputs
// keep their byte order and a Poseidon2 output is its eight field words. The all-zero digest
// stands for an empty member wherever claims are digested.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#include "base/result.h"

namespace kovra::base {

struct Digest {
  std::array<uint32_t, 8> words{};

  static Digest zero() { return Digest{}; }

  // Exactly eight words make a digest of those words; any other count is an error that
  // hands the words back unchanged.
  static Result<Digest, std::vector<uint32_t>> from_words(std::vector<uint32_t> words) {
    if (words.size() != 8) return Err(std::move(words));
    Digest d;
    for (size_t i = 0; i < 8; ++i) d.words[i] = words[i];
    return d;
  }

  static Digest from_bytes(std::span<const uint8_t, 32> bytes) {
    Digest d;
    for (int i = 0; i < 8; ++i) {
      d.words[i] = uint32_t(bytes[4 * i]) | uint32_t(bytes[4 * i + 1]) << 8 |
                   uint32_t(bytes[4 * i + 2]) << 16 | uint32_t(bytes[4 * i + 3]) << 24;
    }
    return d;
  }

  std::array<uint8_t, 32> bytes() const {
    std::array<uint8_t, 32> out{};
    for (int i = 0; i < 8; ++i) {
      out[4 * i] = uint8_t(words[i]);
      out[4 * i + 1] = uint8_t(words[i] >> 8);
      out[4 * i + 2] = uint8_t(words[i] >> 16);
      out[4 * i + 3] = uint8_t(words[i] >> 24);
    }
    return out;
  }

  bool is_zero() const { return *this == Digest{}; }

  friend bool operator==(const Digest&, const Digest&) = default;
  friend auto operator<=>(const Digest&, const Digest&) = default;
};

}  // namespace kovra::base
