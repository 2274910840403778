// Hash suites: the hash behind Merkle commitments and row hashing, together with the
// Fiat-Shamir transcript that turns committed digests into verifier randomness.
//
// A STARK seal is verified under one named suite: "poseidon2", "sha-256" or "blake2b".
//   - HashFunction hashes Merkle node pairs and rows of field elements into a Digest, and
//     tells whether a digest read from a seal can be taken as one of its own.
//   - TranscriptRng is the transcript of one seal: every commitment is mixed into it as it is
//     read, and challenges are drawn from it in the protocol's fixed order. Any change in the
//     order of calls changes every later draw.
//   - RngFactory makes a fresh transcript in its initial state.
// The hash and factory objects hold no state and are shared by every copy of a suite; only
// transcripts carry state.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "base/digest.h"
#include "stark/baby_bear.h"

namespace kovra::stark {

using base::Digest;

class HashFunction {
 public:
  virtual ~HashFunction() = default;

  // The Merkle node with children a (left) and b (right). Under "poseidon2" both digests must
  // be reduced (digest_is_reduced); an unreduced word is a broken invariant.
  virtual Digest hash_pair(const Digest& a, const Digest& b) const = 0;
  // The digest of a sequence of elements (possibly empty).
  virtual Digest hash_elem_slice(std::span<const BabyBearElem> elems) const = 0;
  // The digest of a sequence of extension elements, each as its words c0, c1, c2, c3.
  virtual Digest hash_ext_elem_slice(std::span<const BabyBearExtElem> elems) const = 0;
  // Whether the digest can be taken as a digest of this suite (for "poseidon2": all eight
  // words are reduced field elements).
  virtual bool digest_is_reduced(const Digest& d) const = 0;
};

class TranscriptRng {
 public:
  virtual ~TranscriptRng() = default;

  // Absorbs a digest into the transcript.
  virtual void mix(const Digest& d) = 0;
  // A value below 2^bits; bits must be below 32.
  virtual uint32_t random_bits(uint32_t bits) = 0;
  virtual BabyBearElem random_elem() = 0;
  // Four random_elem draws in order as c0, c1, c2, c3.
  virtual BabyBearExtElem random_ext_elem() = 0;
};

class RngFactory {
 public:
  virtual ~RngFactory() = default;
  // A new transcript in its initial state.
  virtual std::unique_ptr<TranscriptRng> new_rng() const = 0;
};

struct HashSuite {
  std::string name;
  std::shared_ptr<const HashFunction> hash;
  std::shared_ptr<const RngFactory> rng;

  // "poseidon2": Poseidon2 over 24 Baby Bear cells (stark/poseidon2.h).
  static HashSuite poseidon2();
  // "sha-256": the bare SHA-256 compression function (stark/sha256_suite.h).
  static HashSuite sha256();
  // "blake2b": BLAKE2b with a 32-byte output (stark/blake2b_suite.h).
  static HashSuite blake2b();
};

}  // namespace kovra::stark
