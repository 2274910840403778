#include "verifier/text.h"

#include <cstring>

namespace kovra::verifier {

std::optional<Utf8Char> decode_utf8_at(std::string_view text, size_t pos) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size() - pos;
  s += pos;
  const uint8_t b0 = s[0];
  if (b0 < 0x80) return Utf8Char{b0, 1};
  auto cont = [&](size_t i) { return i < n && (s[i] & 0xC0) == 0x80; };
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (!cont(1)) return std::nullopt;
    return Utf8Char{uint32_t(b0 & 0x1F) << 6 | (s[1] & 0x3F), 2};
  }
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    if (!cont(1) || !cont(2)) return std::nullopt;
    if (b0 == 0xE0 && s[1] < 0xA0) return std::nullopt;  // overlong
    if (b0 == 0xED && s[1] > 0x9F) return std::nullopt;  // surrogate
    return Utf8Char{uint32_t(b0 & 0x0F) << 12 | uint32_t(s[1] & 0x3F) << 6 | (s[2] & 0x3F), 3};
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    if (!cont(1) || !cont(2) || !cont(3)) return std::nullopt;
    if (b0 == 0xF0 && s[1] < 0x90) return std::nullopt;  // overlong
    if (b0 == 0xF4 && s[1] > 0x8F) return std::nullopt;  // past U+10FFFF
    return Utf8Char{uint32_t(b0 & 0x07) << 18 | uint32_t(s[1] & 0x3F) << 12 |
                        uint32_t(s[2] & 0x3F) << 6 | (s[3] & 0x3F),
                    4};
  }
  return std::nullopt;
}

bool is_valid_utf8(std::string_view text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    // ASCII runs, eight bytes at a time.
    while (i + 8 <= n) {
      uint64_t w;
      std::memcpy(&w, text.data() + i, 8);
      if (w & 0x8080808080808080ull) break;
      i += 8;
    }
    if (i >= n) break;
    if (static_cast<uint8_t>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const auto c = decode_utf8_at(text, i);
    if (!c) return false;
    i += c->length;
  }
  return true;
}

bool is_unicode_white_space(uint32_t c) {
  if (c <= 0x20) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
  if (c < 0x85) return false;
  return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
         c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

namespace {

// Length of the White_Space character that ends `t`, or 0. Every candidate begins with a
// lead byte (0xC2, 0xE1, 0xE2, 0xE3), so matching the last bytes of well-formed text finds a
// whole character.
size_t trailing_space_length(std::string_view t) {
  const size_t n = t.size();
  const auto b = [&](size_t back) { return static_cast<uint8_t>(t[n - back]); };
  if (n >= 1 && b(1) < 0x80) return is_unicode_white_space(b(1)) ? 1 : 0;
  if (n >= 2 && b(2) == 0xC2 && (b(1) == 0x85 || b(1) == 0xA0)) return 2;
  if (n >= 3 && b(3) >= 0xE1 && b(3) <= 0xE3) {
    const auto c = decode_utf8_at(t, n - 3);
    if (c && c->length == 3 && is_unicode_white_space(c->value)) return 3;
  }
  return 0;
}

}  // namespace

std::string_view trim_white_space(std::string_view t) {
  while (!t.empty()) {
    const auto b0 = static_cast<uint8_t>(t[0]);
    if (b0 < 0x80) {
      if (!is_unicode_white_space(b0)) break;
      t.remove_prefix(1);
      continue;
    }
    const auto c = decode_utf8_at(t, 0);
    if (!c || !is_unicode_white_space(c->value)) break;
    t.remove_prefix(c->length);
  }
  while (const size_t k = trailing_space_length(t)) t.remove_suffix(k);
  return t;
}

std::optional<std::string_view> LineCursor::next() {
  if (done_ || rest_.empty()) return std::nullopt;
  const size_t nl = rest_.find('\n');
  std::string_view line;
  if (nl == std::string_view::npos) {
    line = rest_;
    done_ = true;
  } else {
    line = rest_.substr(0, nl);
    rest_.remove_prefix(nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  }
  return line;
}

}  // namespace kovra::verifier
