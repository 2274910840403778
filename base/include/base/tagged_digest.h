// Tagged digests: how claims, verifier parameters and keys are identified.
//
// tagged_digest(tag, down, data) is the SHA-256 of
//     SHA-256(tag) || down[0] || ... || down[n-1] || data[0] || ... || data[m-1] || u16(n)
// where every digest is its 32 bytes, every data word is 4 bytes little-endian, and the final
// count (of down digests only, data words are not counted) is 2 bytes little-endian. The tag is
// hashed as its raw ASCII bytes, without length or terminator. The input to the outer hash is
// 32 + 32n + 4m + 2 bytes.
//
// A list is folded from its last element, with the zero digest as start:
//     acc = 0; for i = n-1 .. 0: acc = tagged_list_digest(tag, e[i], acc)
// so [] gives the zero digest, [e0] gives L(e0, 0) and [e0, e1] gives L(e0, L(e1, 0)), where
// L(head, tail) = tagged_digest(tag, {head, tail}, {}).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "base/digest.h"

namespace kovra::base {

Digest tagged_digest(std::string_view tag, std::span<const Digest> down,
                     std::span<const uint32_t> data);

inline Digest tagged_digest(std::string_view tag, std::initializer_list<Digest> down,
                            std::initializer_list<uint32_t> data = {}) {
  return tagged_digest(tag, std::span<const Digest>(down.begin(), down.size()),
                       std::span<const uint32_t>(data.begin(), data.size()));
}

// tagged_digest(tag, {head, tail}, {}): one step of a list fold (98 bytes hashed).
Digest tagged_list_digest(std::string_view tag, const Digest& head, const Digest& tail);

// The fold of `elements` from the last one, starting from the zero digest.
Digest tagged_list_fold(std::string_view tag, std::span<const Digest> elements);

}  // namespace kovra::base
