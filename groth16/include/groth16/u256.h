// 256-bit unsigned integers as text, read into 32 big-endian bytes.
//
// The verifying key is held as decimal constants and the public inputs are formed through
// hexadecimal text; these readers turn both into 32-byte big-endian values.
//
// parse_u256 accepts
//   - "0x" (lower-case x only) followed by hexadecimal text, handed to parse_hex_u256;
//   - otherwise an unsigned decimal with an optional leading '+', then digits with '_' allowed
//     anywhere except right after the sign (or first): "1_000", "+1000".
// A '-' sign, a value of 2^256 or more, no digit at all, or any other character is refused
// with the message "conversion from u256 failed".
//
// parse_hex_u256 reads an even number of hexadecimal digits (either case), the first digit of
// each pair the high nibble; the empty text is zero. An odd count, a non-digit or a value of
// 2^256 or more is refused with the same message.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "base/result.h"
#include "groth16/error.h"

namespace kovra::groth16 {

using U256Bytes = std::array<uint8_t, 32>;

inline constexpr std::string_view kU256ConversionFailed = "conversion from u256 failed";

base::Result<U256Bytes, Groth16Error> parse_u256(std::string_view text);
base::Result<U256Bytes, Groth16Error> parse_hex_u256(std::string_view text);

// n <= 32 bytes become 32 - n zero bytes followed by them (the same big-endian number);
// nullopt for more than 32 bytes.
std::optional<U256Bytes> pad_to_32_bytes(std::span<const uint8_t> bytes);

}  // namespace kovra::groth16
