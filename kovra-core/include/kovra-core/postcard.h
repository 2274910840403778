// PostcardWriter: the compact encoding that credential digests are taken over.
//
//   unsigned 16/32/64-bit   LEB128 varint: 7 bits a byte, least significant group first,
//                           0x80 on every byte but the last (at most 3, 5 or 10 bytes)
//   signed 64-bit           zigzag, (v << 1) ^ (v >> 63), then the unsigned varint
//   bool                    one byte, 0x00 or 0x01
//   option                  0x00 for none; 0x01 followed by the value
//   text                    varint of its byte length, then the UTF-8 bytes
//   32-byte array           the bytes as they are, no length
//   unit enumeration        varint of the variant index
// Records are their elements in declaration order with nothing around them. Writing into
// the growable buffer cannot fail.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kovra::core {

class PostcardWriter {
 public:
  explicit PostcardWriter(std::vector<uint8_t>& out) : out_(out) {}

  PostcardWriter& varint(uint64_t v);
  PostcardWriter& zigzag(int64_t v);
  PostcardWriter& boolean(bool v);
  PostcardWriter& option_tag(bool present) { return boolean(present); }
  PostcardWriter& text(std::string_view s);
  PostcardWriter& bytes32(const std::array<uint8_t, 32>& b);

 private:
  std::vector<uint8_t>& out_;
};

}  // namespace kovra::core
