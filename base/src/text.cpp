#include "base/text.h"

#include <cstddef>
#include <cstdint>

namespace kovra::base {
namespace {

// Decodes the UTF-8 sequence at `pos`; returns its length and sets `c`, or returns 1 with
// c = U+FFFD for a byte that does not start a well-formed sequence.
size_t decode_at(std::string_view s, size_t pos, char32_t& c) {
  const auto b0 = static_cast<uint8_t>(s[pos]);
  if (b0 < 0x80) {
    c = b0;
    return 1;
  }
  size_t len = 0;
  char32_t v = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, v = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, v = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, v = b0 & 0x07, min = 0x10000;
  } else {
    c = 0xFFFD;
    return 1;
  }
  if (pos + len > s.size()) {
    c = 0xFFFD;
    return 1;
  }
  for (size_t i = 1; i < len; ++i) {
    const auto b = static_cast<uint8_t>(s[pos + i]);
    if ((b & 0xC0) != 0x80) {
      c = 0xFFFD;
      return 1;
    }
    v = (v << 6) | (b & 0x3F);
  }
  if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) {
    c = 0xFFFD;
    return 1;
  }
  c = v;
  return len;
}

// Length of the white-space character that ends at `end` (exclusive), or 0.
size_t white_space_before(std::string_view s, size_t end) {
  // White space characters are at most 3 bytes long in UTF-8.
  for (size_t len = 1; len <= 3 && len <= end; ++len) {
    char32_t c = 0;
    const size_t start = end - len;
    if (decode_at(s, start, c) == len && is_white_space(c)) return len;
  }
  return 0;
}

}  // namespace

bool is_white_space(char32_t c) {
  switch (c) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20:
    case 0x85: case 0xA0: case 0x1680: case 0x2028: case 0x2029: case 0x202F:
    case 0x205F: case 0x3000:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200A;
  }
}

std::string_view trim_white_space(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size()) {
    char32_t c = 0;
    const size_t len = decode_at(text, begin, c);
    if (!is_white_space(c)) break;
    begin += len;
  }
  size_t end = text.size();
  while (end > begin) {
    const size_t len = white_space_before(text, end);
    if (len == 0) break;
    end -= len;
  }
  return text.substr(begin, end - begin);
}

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::vector<std::string_view> split_white_space(std::string_view text) {
  std::vector<std::string_view> words;
  size_t pos = 0;
  size_t word_start = 0;
  bool in_word = false;
  while (pos < text.size()) {
    char32_t c = 0;
    const size_t len = decode_at(text, pos, c);
    if (is_white_space(c)) {
      if (in_word) words.push_back(text.substr(word_start, pos - word_start));
      in_word = false;
    } else if (!in_word) {
      in_word = true;
      word_start = pos;
    }
    pos += len;
  }
  if (in_word) words.push_back(text.substr(word_start));
  return words;
}

}  // namespace kovra::base
