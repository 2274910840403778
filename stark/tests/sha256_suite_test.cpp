// The "sha-256" suite. Pinned values come from a separate pure-Python program of the suite's
// rules (its own SHA-256 compression function, checked against Python's hashlib on padded
// messages; the pools, refills and six-word folds written out), run once; the program is
// tests/data/hash_suites_reference.py.
#include "stark/sha256_suite.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/hex.h"
#include "base/sha256.h"
#include "transcript_checks.h"

namespace kovra::stark {
namespace {

using E = BabyBearElem;
constexpr uint32_t P = E::P;

using test::counting_digest;
using test::counting_elems;
using test::Draw;

TEST(Sha256Suite, HashPairIsOneBareCompression) {
  const Sha256Hasher h;
  const Digest a = counting_digest(0), b = counting_digest(32);
  EXPECT_EQ(base::hex_lower(h.hash_pair(a, b)),
            "fc99a2df88f42a7a7bb9d18033cdc6a20256755f9d5b9a5044a9cc315abe84a7");
  EXPECT_EQ(sha256_compress_pair(a, b), h.hash_pair(a, b));
  EXPECT_NE(h.hash_pair(a, b), h.hash_pair(b, a));
}

TEST(Sha256Suite, RowHashing) {
  const Sha256Hasher h;
  // No words: the initial state itself, not SHA-256 of the empty string.
  EXPECT_EQ(base::hex_lower(h.hash_elem_slice({})),
            "6a09e667bb67ae853c6ef372a54ff53a510e527f9b05688c1f83d9ab5be0cd19");
  EXPECT_NE(h.hash_elem_slice({}), base::sha256_digest(""));

  const auto w17 = counting_elems(17);
  const auto w16 = std::span(w17).first(16);
  EXPECT_EQ(base::hex_lower(h.hash_elem_slice(w16)),
            "89d2ba9526fd73e2ff41460dd0556f0221829080f3e949513dacb1ae9b164497");
  EXPECT_EQ(base::hex_lower(h.hash_elem_slice(w17)),
            "26d271558bc08c03ca98cc315dfa7e2565ffaefc419289f6cdbc065aed2c19b9");

  // 16 words are one block: hash_pair of the digests whose little-endian words they are.
  Digest a, b;
  for (size_t i = 0; i < 8; ++i) {
    a.words[i] = w16[i].raw();
    b.words[i] = w16[8 + i].raw();
  }
  EXPECT_EQ(h.hash_elem_slice(w16), h.hash_pair(a, b));

  // 17 words: a second block holding the 17th word and 60 zero bytes.
  auto state = base::kSha256InitialState;
  const auto ab = a.bytes(), bb = b.bytes();
  uint8_t block[64] = {};
  std::copy(ab.begin(), ab.end(), block);
  std::copy(bb.begin(), bb.end(), block + 32);
  base::sha256_compress(state, block);
  uint8_t tail[64] = {};
  const uint32_t w = w17[16].raw();
  for (int i = 0; i < 4; ++i) tail[i] = uint8_t(w >> (8 * i));
  base::sha256_compress(state, tail);
  std::array<uint8_t, 32> out;
  for (size_t i = 0; i < 8; ++i)
    for (size_t j = 0; j < 4; ++j) out[4 * i + j] = uint8_t(state[i] >> (24 - 8 * j));
  EXPECT_EQ(h.hash_elem_slice(w17), Digest::from_bytes(out));
}

TEST(Sha256Suite, ExtensionRowsHashAsTheirWords) {
  const Sha256Hasher h;
  std::vector<BabyBearExtElem> ext;
  std::vector<E> flat;
  for (uint32_t i = 0; i < 7; ++i) {
    ext.emplace_back(E::from_u32(i), E::from_u32(P - 1 - i), E::from_u32(3 * i), E::one());
    for (const E c : ext.back().c) flat.push_back(c);
  }
  EXPECT_EQ(h.hash_ext_elem_slice(ext), h.hash_elem_slice(flat));
  EXPECT_EQ(h.hash_ext_elem_slice({}), h.hash_elem_slice({}));
}

TEST(Sha256Suite, EveryDigestIsReduced) {
  const Sha256Hasher h;
  Digest d;
  d.words.fill(0xffffffffu);
  EXPECT_TRUE(h.digest_is_reduced(d));
  EXPECT_TRUE(h.digest_is_reduced(Digest{}));
}

TEST(Sha256Suite, SixWordFold) {
  struct Case {
    uint32_t w[6];
    uint32_t plain;
  };
  const Case cases[] = {
      {{0, 0, 0, 0, 0, 0}, 0},
      {{0, 0, 0, 0, 0, P}, 0},
      {{0, 0, 0, 0, 0, P + 3}, 3},
      {{0, 0, 0, 0, 1, 0}, 0x0ffffffe},  // 2^32 mod P
      {{0xffffffff, 0xffffffff, 0xffffffff, 0xffffffff, 0xffffffff, 0xffffffff}, 0x0b8efb43},
      {{0x12345678, 0x9abcdef0, 0x0fedcba9, 0x87654321, 0xdeadbeef, 0x01234567}, 0x7275a11e},
  };
  for (const auto& c : cases) EXPECT_EQ(elem_from_six_words(c.w).to_u32(), c.plain) << c.plain;
}

TEST(Sha256Transcript, FirstDrawsComeFromTheHelloPool) {
  Sha256Transcript t;
  // The first word is SHA-256("Hello") bytes 0..3 read little-endian, with no refill before.
  const uint32_t expected[9] = {0xb38d5f18, 0x25fe7122, 0xfca661f5, 0x262e8b93, 0x30ec0643,
                                0x8051da4e, 0x4876d107, 0x69193826, 0x78b0c213};
  EXPECT_EQ(expected[0], base::sha256_digest("Hello").words[0]);
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(t.random_bits(31), expected[i] & 0x7fffffff) << i;
  // The ninth refills first.
  EXPECT_EQ(t.random_bits(31), expected[8] & 0x7fffffff);
}

TEST(Sha256Transcript, PinnedSequenceAfterMix) {
  // Mixing the zero digest at the end still refills.
  test::expect_pinned_draws(Sha256TranscriptFactory(),
                            {.bits31 = 0x667bbfea,
                             .bits26 = 0x02b3e33c,
                             .elems = {0x354cedc4, 0x069165b0, 0x1fa50613},
                             .ext = {0x1ac7c87e, 0x63068e35, 0x4af22dab, 0x17fc7822},
                             .elem_after_zero_mix = 0x7749551b});
}

TEST(Sha256Transcript, MixOfZeroChangesThePools) {
  Sha256Transcript fresh, mixed;
  mixed.mix(Digest{});
  EXPECT_NE(fresh.random_bits(31), mixed.random_bits(31));
}

TEST(Sha256Transcript, ElementsConsumeSixWordsAndExtensionsTwentyFour) {
  test::expect_draws_take_words<Sha256Transcript>(counting_digest(7),
                                                  {Draw::kElem, Draw::kExtElem}, 1, 10);
}

TEST(HashSuite, Sha256Record) {
  const HashSuite suite = HashSuite::sha256();
  EXPECT_EQ(suite.name, "sha-256");
  auto t = suite.rng->new_rng();
  EXPECT_EQ(t->random_bits(16), 0x5f18u);
  EXPECT_EQ(suite.hash->hash_elem_slice({}), Sha256Hasher().hash_elem_slice({}));
}

}  // namespace
}  // namespace kovra::stark
