#include "receipts/word_codec.h"

#include <algorithm>
#include <utility>

namespace kovra::receipts {

using base::Err;
using base::I128;
using base::Result;
using base::U128;

WordCodecError WordCodecError::custom(std::string text) {
  WordCodecError e(Kind::Custom);
  e.custom_ = std::move(text);
  return e;
}

std::string WordCodecError::fmt() const {
  switch (kind_) {
    case Kind::InvalidBool: return "Found a bool that wasn't 0 or 1";
    case Kind::InvalidChar: return "Found an invalid unicode char";
    case Kind::InvalidOptionTag: return "Found an Option discriminant that wasn't 0 or 1";
    case Kind::InvalidUtf8: return "Tried to parse invalid utf-8";
    case Kind::UnexpectedEnd: return "Unexpected end during deserialization";
    case Kind::Unsupported: return "Not supported";
    case Kind::BufferFull: return "The serialize buffer is full";
    case Kind::Custom: return custom_;
  }
  return custom_;
}

namespace {
WordCodecError unexpected_end() { return WordCodecError(WordCodecError::Kind::UnexpectedEnd); }

WordCodecError out_of_range(uint32_t value, const char* type) {
  return WordCodecError::custom("invalid value: integer `" + std::to_string(value) +
                                "`, expected " + type);
}
}  // namespace

Result<WordReader, WordCodecError> WordReader::from_bytes(std::span<const uint8_t> journal) {
  if (journal.size() % 4 != 0) {
    return Err(WordCodecError::custom(
        "failed to cast or read slice as [u32]: OutputSliceWouldHaveSlop"));
  }
  return WordReader(journal);
}

uint32_t WordReader::word(size_t i) const {
  const uint8_t* p = bytes_.data() + 4 * i;
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

Result<uint32_t, WordCodecError> WordReader::next_u32() {
  if (pos_ >= count_) return Err(unexpected_end());
  return word(pos_++);
}

Result<bool, WordCodecError> WordReader::next_bool() {
  KOVRA_ASSIGN_OR_RETURN(const uint32_t w, next_u32());
  if (w > 1) return Err(WordCodecError(WordCodecError::Kind::InvalidBool));
  return w == 1;
}

Result<bool, WordCodecError> WordReader::next_option_tag() {
  KOVRA_ASSIGN_OR_RETURN(const uint32_t w, next_u32());
  if (w > 1) return Err(WordCodecError(WordCodecError::Kind::InvalidOptionTag));
  return w == 1;
}

Result<uint8_t, WordCodecError> WordReader::next_u8() {
  KOVRA_ASSIGN_OR_RETURN(const uint32_t w, next_u32());
  if (w > 0xff) return Err(out_of_range(w, "u8"));
  return static_cast<uint8_t>(w);
}

Result<uint16_t, WordCodecError> WordReader::next_u16() {
  KOVRA_ASSIGN_OR_RETURN(const uint32_t w, next_u32());
  if (w > 0xffff) return Err(out_of_range(w, "u16"));
  return static_cast<uint16_t>(w);
}

Result<uint64_t, WordCodecError> WordReader::next_u64() {
  KOVRA_ASSIGN_OR_RETURN(const uint32_t lo, next_u32());
  KOVRA_ASSIGN_OR_RETURN(const uint32_t hi, next_u32());
  return uint64_t(lo) | uint64_t(hi) << 32;
}

Result<int64_t, WordCodecError> WordReader::next_i64() {
  KOVRA_ASSIGN_OR_RETURN(const uint64_t v, next_u64());
  return static_cast<int64_t>(v);
}

Result<I128, WordCodecError> WordReader::next_u128() {
  // The four words are checked together before any is taken.
  if (remaining() < 4) return Err(unexpected_end());
  U128 v = 0;
  for (int i = 0; i < 4; ++i) v |= U128(word(pos_++)) << (32 * i);
  return static_cast<I128>(v);
}

Result<std::array<uint8_t, 32>, WordCodecError> WordReader::next_array32() {
  std::array<uint8_t, 32> out{};
  for (auto& b : out) {
    KOVRA_ASSIGN_OR_RETURN(b, next_u8());
  }
  return out;
}

Result<std::vector<uint32_t>, WordCodecError> WordReader::next_u32_list() {
  KOVRA_ASSIGN_OR_RETURN(const uint32_t n, next_u32());
  std::vector<uint32_t> out;
  out.reserve(std::min<size_t>(n, remaining()));  // one word each
  for (uint32_t i = 0; i < n; ++i) {
    KOVRA_ASSIGN_OR_RETURN(const uint32_t w, next_u32());
    out.push_back(w);
  }
  return out;
}

Result<std::vector<I128>, WordCodecError> WordReader::next_u128_list() {
  KOVRA_ASSIGN_OR_RETURN(const uint32_t n, next_u32());
  std::vector<I128> out;
  out.reserve(std::min<size_t>(n, remaining() / 4));  // four words each
  for (uint32_t i = 0; i < n; ++i) {
    KOVRA_ASSIGN_OR_RETURN(const I128 v, next_u128());
    out.push_back(v);
  }
  return out;
}

}  // namespace kovra::receipts
