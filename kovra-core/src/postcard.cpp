#include "kovra-core/postcard.h"

namespace kovra::core {

PostcardWriter& PostcardWriter::varint(uint64_t v) {
  while (v >= 0x80) {
    out_.push_back(static_cast<uint8_t>((v & 0x7f) | 0x80));
    v >>= 7;
  }
  out_.push_back(static_cast<uint8_t>(v));
  return *this;
}

PostcardWriter& PostcardWriter::zigzag(int64_t v) {
  const uint64_t u = static_cast<uint64_t>(v);
  // (v << 1) ^ (v >> 63), the arithmetic shift spelled out on unsigned values.
  return varint((u << 1) ^ (0 - (u >> 63)));
}

PostcardWriter& PostcardWriter::boolean(bool v) {
  out_.push_back(v ? 1 : 0);
  return *this;
}

PostcardWriter& PostcardWriter::text(std::string_view s) {
  varint(s.size());
  out_.insert(out_.end(), s.begin(), s.end());
  return *this;
}

PostcardWriter& PostcardWriter::bytes32(const std::array<uint8_t, 32>& b) {
  out_.insert(out_.end(), b.begin(), b.end());
  return *this;
}

}  // namespace kovra::core
