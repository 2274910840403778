// WordWriter: test-only encoder of journal words (receipts/word_codec.h), for building
// journals in code.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "base/int128.h"

namespace kovra::receipts::testing {

class WordWriter {
 public:
  WordWriter& u32(uint32_t w) {
    words_.push_back(w);
    return *this;
  }
  WordWriter& u16(uint16_t v) { return u32(v); }
  WordWriter& boolean(bool v) { return u32(v ? 1 : 0); }
  WordWriter& option_tag(bool present) { return u32(present ? 1 : 0); }
  WordWriter& u64(uint64_t v) { return u32(static_cast<uint32_t>(v)).u32(static_cast<uint32_t>(v >> 32)); }
  WordWriter& i64(int64_t v) { return u64(static_cast<uint64_t>(v)); }
  WordWriter& i128(base::I128 v) {
    const auto u = static_cast<base::U128>(v);
    for (int i = 0; i < 4; ++i) u32(static_cast<uint32_t>(u >> (32 * i)));
    return *this;
  }
  WordWriter& array32(const std::array<uint8_t, 32>& bytes) {
    for (uint8_t b : bytes) u32(b);
    return *this;
  }
  WordWriter& u32_list(std::span<const uint32_t> items) {
    u32(static_cast<uint32_t>(items.size()));
    for (uint32_t w : items) u32(w);
    return *this;
  }
  WordWriter& i128_list(std::span<const base::I128> items) {
    u32(static_cast<uint32_t>(items.size()));
    for (base::I128 v : items) i128(v);
    return *this;
  }

  const std::vector<uint32_t>& words() const { return words_; }
  // The journal bytes: each word little-endian.
  std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> out;
    out.reserve(4 * words_.size());
    for (uint32_t w : words_) {
      for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(w >> (8 * i)));
    }
    return out;
  }

 private:
  std::vector<uint32_t> words_;
};

}  // namespace kovra::receipts::testing
