#include "base/bincode.h"

#include <cinttypes>
#include <cstdio>

namespace kovra::base {

BincodeError BincodeError::unexpected_end() {
  return {BincodeErrorKind::UnexpectedEnd, "io error: unexpected end of file"};
}

BincodeError BincodeError::text_past_end() {
  return {BincodeErrorKind::TextPastEnd, "io error: "};
}

BincodeError BincodeError::invalid_utf8(const std::string& detail) {
  return {BincodeErrorKind::InvalidUtf8, "string is not valid utf8: " + detail};
}

BincodeError BincodeError::invalid_bool(uint8_t found) {
  return {BincodeErrorKind::InvalidBool,
          "invalid u8 while decoding bool, expected 0 or 1, found " + std::to_string(found)};
}

BincodeError BincodeError::invalid_tag(uint8_t found) {
  return {BincodeErrorKind::InvalidTag,
          "tag for enum is not valid, found " + std::to_string(found)};
}

BincodeError BincodeError::invalid_variant(uint64_t value, uint32_t count) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "invalid value: integer `%" PRIu64 "`, expected variant index 0 <= i < %" PRIu32,
                value, count);
  return {BincodeErrorKind::InvalidValue, buf};
}

BincodeError BincodeError::refuse_empty_variant(uint64_t value) {
  return invalid_variant(value, 0);
}

BincodeError BincodeError::nesting_too_deep(std::string message) {
  return {BincodeErrorKind::NestingTooDeep, std::move(message)};
}

std::string Utf8Error::detail() const {
  if (error_len == 0) return "incomplete utf-8 byte sequence from index " + std::to_string(valid_up_to);
  return "invalid utf-8 sequence of " + std::to_string(error_len) + " bytes from index " +
         std::to_string(valid_up_to);
}

std::optional<Utf8Error> check_utf8(std::span<const uint8_t> bytes) {
  // The standard validation: at each sequence start, the lead byte fixes the length and
  // the range of the second byte (which excludes overlong forms, surrogates and values
  // above U+10FFFF); every later byte must be a continuation byte 0x80..0xBF. The error
  // length counts the bytes of the longest valid prefix of the bad sequence, plus one.
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    const uint8_t lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    int width = 0;
    uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      width = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      width = 3;
      if (lead == 0xE0) lo = 0xA0;
      if (lead == 0xED) hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      width = 4;
      if (lead == 0xF0) lo = 0x90;
      if (lead == 0xF4) hi = 0x8F;
    } else {
      return Utf8Error{i, 1};
    }
    for (int k = 1; k < width; ++k) {
      if (i + static_cast<size_t>(k) >= n) return Utf8Error{i, 0};
      const uint8_t c = bytes[i + static_cast<size_t>(k)];
      const bool ok = k == 1 ? (c >= lo && c <= hi) : (c >= 0x80 && c <= 0xBF);
      if (!ok) return Utf8Error{i, static_cast<uint8_t>(k)};
    }
    i += static_cast<size_t>(width);
  }
  return std::nullopt;
}

namespace {
template <class T>
Result<T, BincodeError> or_end(Result<T, EndOfInput> r) {
  if (!r.ok()) return Err(BincodeError::unexpected_end());
  return *r;
}
}  // namespace

Result<uint8_t, BincodeError> BincodeReader::u8() { return or_end(in_.u8()); }
Result<uint16_t, BincodeError> BincodeReader::u16() { return or_end(in_.u16_le()); }
Result<uint32_t, BincodeError> BincodeReader::u32() { return or_end(in_.u32_le()); }
Result<uint64_t, BincodeError> BincodeReader::u64() { return or_end(in_.u64_le()); }

Result<int64_t, BincodeError> BincodeReader::i64() {
  KOVRA_ASSIGN_OR_RETURN(const uint64_t v, u64());
  return static_cast<int64_t>(v);
}

Result<bool, BincodeError> BincodeReader::boolean() {
  KOVRA_ASSIGN_OR_RETURN(const uint8_t b, u8());
  if (b > 1) return Err(BincodeError::invalid_bool(b));
  return b == 1;
}

Result<bool, BincodeError> BincodeReader::option_tag() {
  KOVRA_ASSIGN_OR_RETURN(const uint8_t b, u8());
  if (b > 1) return Err(BincodeError::invalid_tag(b));
  return b == 1;
}

Result<uint32_t, BincodeError> BincodeReader::variant_index(uint32_t count) {
  KOVRA_ASSIGN_OR_RETURN(const uint32_t v, u32());
  if (v >= count) return Err(BincodeError::invalid_variant(v, count));
  return v;
}

Result<Digest, BincodeError> BincodeReader::digest() {
  KOVRA_ASSIGN_OR_RETURN(const auto bytes, array<32>());
  return Digest::from_bytes(bytes);
}

Result<std::vector<uint8_t>, BincodeError> BincodeReader::byte_string() {
  KOVRA_ASSIGN_OR_RETURN(const uint64_t n, count());
  // The elements arrive one byte each: a count beyond the input ends at its end.
  if (n > remaining()) return Err(BincodeError::unexpected_end());
  auto bytes = *in_.bytes(static_cast<size_t>(n));
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

Result<std::vector<uint32_t>, BincodeError> BincodeReader::word_list() {
  KOVRA_ASSIGN_OR_RETURN(const uint64_t n, count());
  if (n > remaining() / 4) return Err(BincodeError::unexpected_end());
  std::vector<uint32_t> words(static_cast<size_t>(n));
  for (auto& w : words) w = *in_.u32_le();
  return words;
}

Result<std::string, BincodeError> BincodeReader::text() {
  KOVRA_ASSIGN_OR_RETURN(const uint64_t n, count());
  if (n > remaining()) return Err(BincodeError::text_past_end());
  auto bytes = *in_.bytes(static_cast<size_t>(n));
  if (auto bad = check_utf8(bytes)) return Err(BincodeError::invalid_utf8(bad->detail()));
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace kovra::base
