// Lower-case hexadecimal text.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/digest.h"

namespace kovra::base {

std::string hex_lower(std::span<const uint8_t> bytes);
std::string hex_lower(const Digest& d);

// Reads hexadecimal digit pairs in either case; nullopt for an odd count or a non-digit.
std::optional<std::vector<uint8_t>> parse_hex(std::string_view text);

// Exactly 64 hexadecimal digits into a digest; nullopt otherwise.
std::optional<Digest> parse_hex_digest(std::string_view text);

}  // namespace kovra::base
