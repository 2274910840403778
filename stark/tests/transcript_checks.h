// What the byte-hash suites' tests share: counting inputs, and the checks that a transcript's
// draws are pinned values and take the number of words their kind says.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <vector>

#include "stark/hash_suite.h"

namespace kovra::stark::test {

// The digest whose 32 stored bytes are first, first + 1, ..., first + 31.
inline Digest counting_digest(uint8_t first) {
  std::array<uint8_t, 32> b;
  for (size_t i = 0; i < 32; ++i) b[i] = uint8_t(first + i);
  return Digest::from_bytes(b);
}

// The elements whose plain values are 1, 2, ..., n.
inline std::vector<BabyBearElem> counting_elems(size_t n) {
  std::vector<BabyBearElem> out;
  for (size_t i = 0; i < n; ++i) out.push_back(BabyBearElem::from_u32(uint32_t(i + 1)));
  return out;
}

// The draws after mixing counting_digest(0) into a fresh transcript: random_bits(31),
// random_bits(26), random_bits(0), random_bits(1), three elements, one extension element;
// then, after mixing the zero digest, one element. Values are plain.
struct PinnedDraws {
  uint32_t bits31;
  uint32_t bits26;
  uint32_t elems[3];
  uint32_t ext[4];
  uint32_t elem_after_zero_mix;
};

inline void expect_pinned_draws(const RngFactory& factory, const PinnedDraws& pins) {
  using E = BabyBearElem;
  auto t = factory.new_rng();
  t->mix(counting_digest(0));
  EXPECT_EQ(t->random_bits(31), pins.bits31);
  EXPECT_EQ(t->random_bits(26), pins.bits26);
  EXPECT_EQ(t->random_bits(0), 0u);
  EXPECT_EQ(t->random_bits(1), 0u);
  for (const uint32_t e : pins.elems) EXPECT_EQ(t->random_elem().to_u32(), e);
  EXPECT_EQ(t->random_ext_elem(),
            BabyBearExtElem(E::from_u32(pins.ext[0]), E::from_u32(pins.ext[1]),
                            E::from_u32(pins.ext[2]), E::from_u32(pins.ext[3])));
  // Mixing the zero digest still changes the state.
  t->mix(Digest{});
  EXPECT_EQ(t->random_elem().to_u32(), pins.elem_after_zero_mix);
}

// A draw of one kind, and the words it takes from the transcript.
enum class Draw : size_t { kBitsZero = 1, kElem = 6, kExtElem = 24 };

// After mixing `seed` into two fresh transcripts of type T, one draw of each kind in `draws`
// leaves the first where as many random_bits(word_bits) calls leave the second: the next
// `after` 31-bit draws agree.
template <class T>
void expect_draws_take_words(const Digest& seed, std::initializer_list<Draw> draws,
                             uint32_t word_bits, int after) {
  for (const Draw draw : draws) {
    const size_t words = static_cast<size_t>(draw);
    T by_call, by_word;
    by_call.mix(seed);
    by_word.mix(seed);
    switch (draw) {
      case Draw::kBitsZero: EXPECT_EQ(by_call.random_bits(0), 0u); break;
      case Draw::kElem: (void)by_call.random_elem(); break;
      case Draw::kExtElem: (void)by_call.random_ext_elem(); break;
    }
    for (size_t i = 0; i < words; ++i) (void)by_word.random_bits(word_bits);
    for (int i = 0; i < after; ++i) {
      ASSERT_EQ(by_call.random_bits(31), by_word.random_bits(31)) << words;
    }
  }
}

}  // namespace kovra::stark::test
