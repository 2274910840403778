// ProtocolTag: 16 ASCII bytes naming a proof system or a circuit ("DURO0_STARK:v1__",
// "RV32IM:v2rev2___", "RECURSION:rev1v1"); no terminator, compared byte by byte.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "base/invariant.h"

namespace kovra::base {

struct ProtocolTag {
  std::array<uint8_t, 16> bytes{};

  // The tag of a 16-character text; any other length is a programming error.
  static ProtocolTag from_text(std::string_view text) {
    KOVRA_INVARIANT(text.size() == 16, "a protocol tag is 16 bytes");
    ProtocolTag t;
    for (size_t i = 0; i < 16; ++i) t.bytes[i] = static_cast<uint8_t>(text[i]);
    return t;
  }

  std::string_view text() const {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }

  friend bool operator==(const ProtocolTag&, const ProtocolTag&) = default;
};

}  // namespace kovra::base
