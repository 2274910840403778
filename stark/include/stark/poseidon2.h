// The "poseidon2" hash suite: the Poseidon2 permutation over 24 Baby Bear cells, the sponge
// built on it, its two-to-one node hash and its transcript.
//
// Permutation: one external layer, 4 full rounds, 21 partial rounds, 4 full rounds; S-box
// x^7; round constants from the Grain LFSR generator; cells hold Montgomery words. Cells
// 0..15 are the rate, 16..23 the capacity, cells 0..7 of an output form a digest.
//
// Sponge: words overwrite rate cells 0..15 in turn; each full rate is permuted; a last
// partial rate is zero-filled and permuted; the empty sequence permutes the all-zero state
// once. No length, no padding marker: a sequence and the same sequence extended with zero
// words up to a multiple of 16 hash alike.
//
// poseidon2_permute runs the AVX-512 path where the processor has it, else the AVX2 path
// where it has that (decided at run time), else the scalar definition; all give the same
// bits.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "stark/baby_bear.h"
#include "stark/hash_suite.h"

namespace kovra::stark {

inline constexpr size_t kPoseidon2Width = 24;
inline constexpr size_t kPoseidon2Rate = 16;
using Poseidon2State = std::array<BabyBearElem, kPoseidon2Width>;

// The permutation in place, on the fastest path the processor has.
void poseidon2_permute(Poseidon2State& state);
// The permutation written as its definition, one cell at a time.
void poseidon2_permute_scalar(Poseidon2State& state);
// Whether this build and processor have the AVX2 path.
bool poseidon2_has_avx2();
// The AVX2 path; only to be called when poseidon2_has_avx2().
void poseidon2_permute_avx2(Poseidon2State& state);
// Whether this build and processor have the AVX-512 path (AVX-512 F and IFMA).
bool poseidon2_has_avx512();
// The AVX-512 path; only to be called when poseidon2_has_avx512().
void poseidon2_permute_avx512(Poseidon2State& state);

class Poseidon2Hasher final : public HashFunction {
 public:
  // a in cells 0..7, b in cells 8..15, zero capacity, one permutation. Every word of a and b
  // must be reduced (a broken invariant otherwise).
  Digest hash_pair(const Digest& a, const Digest& b) const override;
  Digest hash_elem_slice(std::span<const BabyBearElem> elems) const override;
  Digest hash_ext_elem_slice(std::span<const BabyBearExtElem> elems) const override;
  // All eight words below P.
  bool digest_is_reduced(const Digest& d) const override;
};

// The transcript: 24 cells and the number of rate cells drawn since the last permutation.
//   mix(d): permute first if anything was drawn; add d's words to cells 0..7; permute.
//   random_elem: permute first when all 16 rate cells are drawn; take the next rate cell.
//   random_bits(n): four random_elem draws; the first non-zero plain value (else 0), masked
//   to its low n bits.
class Poseidon2Transcript final : public TranscriptRng {
 public:
  // The initial state: all cells zero, nothing drawn.
  Poseidon2Transcript() = default;
  // A transcript resumed from its cells and the count of rate cells drawn (0..16).
  Poseidon2Transcript(const Poseidon2State& cells, size_t position);

  void mix(const Digest& d) override;
  uint32_t random_bits(uint32_t bits) override;
  BabyBearElem random_elem() override;
  BabyBearExtElem random_ext_elem() override;

 private:
  Poseidon2State cells_{};
  size_t position_ = 0;
};

class Poseidon2TranscriptFactory final : public RngFactory {
 public:
  std::unique_ptr<TranscriptRng> new_rng() const override;
};

}  // namespace kovra::stark
