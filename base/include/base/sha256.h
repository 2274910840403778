// SHA-256 over nettle (which picks the SHA-NI path at run time where the processor has it).
//
// sha256_digest is the standard padded hash. Sha256 is the incremental form used for tagged
// digests. sha256_compress is the bare compression function: one 64-byte block folded into a
// chaining state, no padding and no length; the "sha-256" hash suite is built on it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include <nettle/sha2.h>

#include "base/digest.h"

namespace kovra::base {

Digest sha256_digest(std::span<const uint8_t> data);
Digest sha256_digest(std::string_view text);

class Sha256 {
 public:
  Sha256();
  Sha256& update(std::span<const uint8_t> data);
  Sha256& update(std::string_view text);
  Sha256& update_u32_le(uint32_t v);
  Sha256& update_u16_le(uint16_t v);
  Sha256& update(const Digest& d);
  Digest finish();

 private:
  sha256_ctx ctx_;
};

// The SHA-256 initial chaining state H0..H7.
inline constexpr std::array<uint32_t, 8> kSha256InitialState = {
    0x6a09e667u, 0xbb67ae85u, 0x3c6ef372u, 0xa54ff53au,
    0x510e527fu, 0x9b05688cu, 0x1f83d9abu, 0x5be0cd19u};

// Folds one 64-byte block into `state` (big-endian message words, as SHA-256 defines).
void sha256_compress(std::array<uint32_t, 8>& state, const uint8_t block[64]);

}  // namespace kovra::base
