// Text helpers of the loaders and the report: UTF-8 validity and decoding, and cutting a text
// into lines. (The Unicode White_Space trim is base/text.h.)
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "base/bincode.h"

namespace kovra::verifier {

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool is_valid_utf8(std::string_view text);

// The length of the longest well-formed UTF-8 prefix of `text` that ends at a character
// boundary: text.size() when it is all well-formed, else where the first bad sequence starts.
size_t valid_utf8_prefix(std::string_view text);

// One decoded scalar value and its length in bytes.
struct Utf8Char {
  uint32_t value = 0;
  size_t length = 0;
};

// Decodes the well-formed UTF-8 sequence that starts at `text[pos]`; nullopt when the bytes
// there do not start one.
std::optional<Utf8Char> decode_utf8_at(std::string_view text, size_t pos);

// Walks a text line by line: lines end at "\n"; a final line without "\n" is still a line,
// and nothing after a final "\n" is. One "\r" before the "\n" is removed from each line.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : rest_(text) {}
  std::optional<std::string_view> next();

 private:
  std::string_view rest_;
  bool done_ = false;
};

}  // namespace kovra::verifier
