// The "sha-256" hash suite: the bare SHA-256 compression function (no padding, no length
// block) as node hash and row hash, and a transcript of two chaining pools.
//
// Byte orders:
//   - A digest of this suite is the eight SHA-256 state words written big-endian (the usual
//     digest bytes); as a Digest its words are those bytes read little-endian.
//   - A field element enters as the four little-endian bytes of its Montgomery word.
//
// hash_pair(a, b): one compression of the block a || b from the initial state H0.
// hash_elem_slice: the word bytes cut into 64-byte blocks, compressed from H0, a last partial
// block zero-filled; nothing is appended. The empty row gives H0 itself.
//
// Transcript: pool0 = SHA-256("Hello"), pool1 = SHA-256("World"), nothing drawn.
//   refill: pool0 = pair(pool0, pool1); pool1 = pair(new pool0, pool1); nothing drawn.
//   mix(d): pool0 ^= d; refill.
//   a word: refill first when all eight are drawn; the next little-endian word of pool0.
//   random_bits(n): one word masked to n bits.
//   random_elem: six words w0..w5 as w0 * 2^160 + ... + w5, reduced mod P.
#pragma once

#include <memory>
#include <span>

#include "stark/hash_suite.h"

namespace kovra::stark {

// SHA-256 compression of the block a || b from the initial state, as digest bytes.
Digest sha256_compress_pair(const Digest& a, const Digest& b);

// The row value of six transcript words: (w0 * 2^160 + ... + w5) mod P, as an element.
BabyBearElem elem_from_six_words(const uint32_t words[6]);

class Sha256Hasher final : public HashFunction {
 public:
  Digest hash_pair(const Digest& a, const Digest& b) const override;
  Digest hash_elem_slice(std::span<const BabyBearElem> elems) const override;
  Digest hash_ext_elem_slice(std::span<const BabyBearExtElem> elems) const override;
  // Always true: every 32 bytes are a digest of this suite.
  bool digest_is_reduced(const Digest& d) const override;
};

class Sha256Transcript final : public TranscriptRng {
 public:
  Sha256Transcript();

  void mix(const Digest& d) override;
  uint32_t random_bits(uint32_t bits) override;
  BabyBearElem random_elem() override;
  BabyBearExtElem random_ext_elem() override;

 private:
  void refill();
  uint32_t next_word();

  Digest pool0_;
  Digest pool1_;
  size_t position_ = 0;
};

class Sha256TranscriptFactory final : public RngFactory {
 public:
  std::unique_ptr<TranscriptRng> new_rng() const override;
};

}  // namespace kovra::stark
