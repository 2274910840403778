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

size_t valid_utf8_prefix(std::string_view text) {
  // ASCII runs are checked eight bytes at a time; the first word with a byte of 0x80 or
  // more begins at a character boundary, and the standard check takes over from there.
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, text.data() + i, 8);
    if (w & 0x8080808080808080ull) break;
  }
  const auto rest = text.substr(i);
  const auto error = base::check_utf8({reinterpret_cast<const uint8_t*>(rest.data()), rest.size()});
  return error ? i + error->valid_up_to : text.size();
}

bool is_valid_utf8(std::string_view text) { return valid_utf8_prefix(text) == text.size(); }

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
