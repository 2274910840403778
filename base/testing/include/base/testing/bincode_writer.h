// BincodeWriter: test-only encoder of the bincode form read by base/bincode.h.
//
// Tests build their fixtures in code with it and change them one field at a time; the
// verifier itself never writes bincode.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "base/digest.h"

namespace kovra::base::testing {

class BincodeWriter {
 public:
  BincodeWriter& u8(uint8_t v);
  BincodeWriter& u16(uint16_t v);
  BincodeWriter& u32(uint32_t v);
  BincodeWriter& u64(uint64_t v);
  BincodeWriter& i64(int64_t v);
  BincodeWriter& boolean(bool v) { return u8(v ? 1 : 0); }
  BincodeWriter& option_tag(bool present) { return u8(present ? 1 : 0); }
  BincodeWriter& raw(std::span<const uint8_t> bytes);
  BincodeWriter& array32(const std::array<uint8_t, 32>& bytes) { return raw(bytes); }
  BincodeWriter& digest(const Digest& d);
  // u64 count, then the elements.
  BincodeWriter& byte_string(std::span<const uint8_t> bytes);
  BincodeWriter& word_list(std::span<const uint32_t> words);
  BincodeWriter& text(std::string_view s);

  const std::vector<uint8_t>& bytes() const { return out_; }
  std::vector<uint8_t> take() { return std::move(out_); }

 private:
  std::vector<uint8_t> out_;
};

}  // namespace kovra::base::testing
