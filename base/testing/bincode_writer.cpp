#include "base/testing/bincode_writer.h"

namespace kovra::base::testing {

namespace {
template <class U>
void put_le(std::vector<uint8_t>& out, U v) {
  for (size_t i = 0; i < sizeof(U); ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
}  // namespace

BincodeWriter& BincodeWriter::u8(uint8_t v) {
  out_.push_back(v);
  return *this;
}
BincodeWriter& BincodeWriter::u16(uint16_t v) {
  put_le(out_, v);
  return *this;
}
BincodeWriter& BincodeWriter::u32(uint32_t v) {
  put_le(out_, v);
  return *this;
}
BincodeWriter& BincodeWriter::u64(uint64_t v) {
  put_le(out_, v);
  return *this;
}
BincodeWriter& BincodeWriter::i64(int64_t v) { return u64(static_cast<uint64_t>(v)); }

BincodeWriter& BincodeWriter::raw(std::span<const uint8_t> bytes) {
  out_.insert(out_.end(), bytes.begin(), bytes.end());
  return *this;
}

BincodeWriter& BincodeWriter::digest(const Digest& d) {
  const auto b = d.bytes();
  return raw(b);
}

BincodeWriter& BincodeWriter::byte_string(std::span<const uint8_t> bytes) {
  u64(bytes.size());
  return raw(bytes);
}

BincodeWriter& BincodeWriter::word_list(std::span<const uint32_t> words) {
  u64(words.size());
  for (uint32_t w : words) u32(w);
  return *this;
}

BincodeWriter& BincodeWriter::text(std::string_view s) {
  u64(s.size());
  return raw(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(s.data()), s.size()));
}

}  // namespace kovra::base::testing
