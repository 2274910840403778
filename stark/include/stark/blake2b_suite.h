// The "blake2b" hash suite: BLAKE2b with a 32-byte output (unkeyed) as node hash and row
// hash, and a transcript that rehashes a 32-byte state for every word.
//
// Byte orders:
//   - A digest of this suite holds the 32 output bytes in output order.
//   - A field element enters as the four big-endian bytes of its Montgomery word (unlike
//     "sha-256").
//
// hash_pair(a, b): blake2b256(a || b) over the digests' stored bytes.
// hash_elem_slice: blake2b256 of the big-endian word bytes; the empty row hashes "".
//
// Transcript: state = 32 zero bytes.
//   mix(d): state = blake2b256(state || d).
//   a word: state = blake2b256(state); the first four bytes of the new state, big-endian.
//   random_bits(n): one word masked to n bits; random_elem: six words folded as in
//   "sha-256"; random_ext_elem: four elements (24 words).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "stark/hash_suite.h"

namespace kovra::stark {

// The 32-byte BLAKE2b digest of a byte string (libsodium's crypto_generichash, no key).
std::array<uint8_t, 32> blake2b256(std::span<const uint8_t> data);

class Blake2bHasher final : public HashFunction {
 public:
  Digest hash_pair(const Digest& a, const Digest& b) const override;
  Digest hash_elem_slice(std::span<const BabyBearElem> elems) const override;
  Digest hash_ext_elem_slice(std::span<const BabyBearExtElem> elems) const override;
  // Always true.
  bool digest_is_reduced(const Digest& d) const override;
};

class Blake2bTranscript final : public TranscriptRng {
 public:
  void mix(const Digest& d) override;
  uint32_t random_bits(uint32_t bits) override;
  BabyBearElem random_elem() override;
  BabyBearExtElem random_ext_elem() override;

 private:
  uint32_t next_word();

  std::array<uint8_t, 32> state_{};
};

class Blake2bTranscriptFactory final : public RngFactory {
 public:
  std::unique_ptr<TranscriptRng> new_rng() const override;
};

}  // namespace kovra::stark
