#include "groth16/u256.h"

#include <array>
#include <vector>

#include "base/hex.h"

namespace kovra::groth16 {
namespace {

__extension__ typedef unsigned __int128 u128;

base::ErrorValue<Groth16Error> conversion_failed() {
  return base::Err(Groth16Error::message(kU256ConversionFailed));
}

}  // namespace

std::optional<U256Bytes> pad_to_32_bytes(std::span<const uint8_t> bytes) {
  if (bytes.size() > 32) return std::nullopt;
  U256Bytes out{};
  std::copy(bytes.begin(), bytes.end(), out.begin() + (32 - bytes.size()));
  return out;
}

base::Result<U256Bytes, Groth16Error> parse_hex_u256(std::string_view text) {
  const auto parsed = base::parse_hex(text);
  if (!parsed) return conversion_failed();
  const std::vector<uint8_t>& bytes = *parsed;
  // Leading zero bytes do not make a value larger; only the value must fit in 32 bytes.
  size_t first = 0;
  while (bytes.size() - first > 32 && bytes[first] == 0) ++first;
  auto padded = pad_to_32_bytes(std::span<const uint8_t>(bytes).subspan(first));
  if (!padded) return conversion_failed();
  return *padded;
}

base::Result<U256Bytes, Groth16Error> parse_u256(std::string_view text) {
  if (text.starts_with("0x")) return parse_hex_u256(text.substr(2));
  size_t pos = 0;
  // A '-' is refused: the sign would be dropped and a negative text read as its magnitude.
  if (!text.empty() && text[0] == '-') return conversion_failed();
  if (text.size() >= 2 && text[0] == '+' && text[1] != '+') pos = 1;
  if (pos < text.size() && text[pos] == '_') return conversion_failed();

  // The value as four 64-bit words (least significant first). Digits are gathered up to 19 at a
  // time (10^19 < 2^64) and the words multiplied by 10^count once per group. The value only
  // grows digit by digit, so it reaches 2^256 exactly when one of the group steps does.
  std::array<uint64_t, 4> words{};
  uint64_t group = 0, scale = 1;
  const auto take_group = [&words, &group, &scale] {
    uint64_t carry = group;
    for (uint64_t& w : words) {
      const u128 v = static_cast<u128>(w) * scale + carry;
      w = static_cast<uint64_t>(v);
      carry = static_cast<uint64_t>(v >> 64);
    }
    group = 0;
    scale = 1;
    return carry == 0;  // else 2^256 or more
  };
  constexpr uint64_t kGroupScale = 10'000'000'000'000'000'000u;
  bool any_digit = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '_') continue;
    if (c < '0' || c > '9') return conversion_failed();
    any_digit = true;
    group = group * 10 + static_cast<uint64_t>(c - '0');
    scale *= 10;
    if (scale == kGroupScale && !take_group()) return conversion_failed();
  }
  if (!any_digit || !take_group()) return conversion_failed();
  U256Bytes value{};
  for (size_t i = 0; i < 32; ++i)
    value[i] = static_cast<uint8_t>(words[3 - i / 8] >> (8 * (7 - i % 8)));
  return value;
}

}  // namespace kovra::groth16
