#include "base/hex.h"

namespace kovra::base {

std::string hex_lower(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.resize(bytes.size() * 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    out[2 * i] = kDigits[bytes[i] >> 4];
    out[2 * i + 1] = kDigits[bytes[i] & 15];
  }
  return out;
}

std::string hex_lower(const Digest& d) {
  const auto b = d.bytes();
  return hex_lower(std::span<const uint8_t>(b));
}

namespace {
int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::optional<std::vector<uint8_t>> parse_hex(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::vector<uint8_t> out(text.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) {
    const int hi = hex_value(text[2 * i]);
    const int lo = hex_value(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  return out;
}

std::optional<Digest> parse_hex_digest(std::string_view text) {
  if (text.size() != 64) return std::nullopt;
  auto bytes = parse_hex(text);
  if (!bytes) return std::nullopt;
  return Digest::from_bytes(std::span<const uint8_t, 32>(bytes->data(), 32));
}

}  // namespace kovra::base
