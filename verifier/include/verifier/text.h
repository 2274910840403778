// Text helpers shared by the loaders and the report: UTF-8 validity, the Unicode White_Space
// trim, and cutting a text into lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kovra::verifier {

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool is_valid_utf8(std::string_view text);

// One decoded scalar value and its length in bytes.
struct Utf8Char {
  uint32_t value = 0;
  size_t length = 0;
};

// Decodes the well-formed UTF-8 sequence that starts at `text[pos]`; nullopt when the bytes
// there do not start one.
std::optional<Utf8Char> decode_utf8_at(std::string_view text, size_t pos);

// True for the Unicode White_Space characters: U+0009..U+000D, U+0020, U+0085, U+00A0,
// U+1680, U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000.
bool is_unicode_white_space(uint32_t c);

// `text` (well-formed UTF-8) without leading and trailing White_Space characters.
std::string_view trim_white_space(std::string_view text);

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
