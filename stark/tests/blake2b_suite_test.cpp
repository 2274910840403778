// The "blake2b" suite. Known answers and pinned draws were computed with Python's hashlib
// (hashlib.blake2b(data, digest_size=32)) and a small Python program of the suite's rules
// (tests/data/hash_suites_reference.py), run once.
#include "stark/blake2b_suite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/hex.h"
#include "transcript_checks.h"

namespace kovra::stark {
namespace {

using E = BabyBearElem;
constexpr uint32_t P = E::P;

std::vector<uint8_t> counting_bytes(size_t n) {
  std::vector<uint8_t> b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i);
  return b;
}

using test::counting_digest;
using test::counting_elems;
using test::Draw;

std::vector<uint8_t> big_endian_bytes(std::span<const E> elems) {
  std::vector<uint8_t> out;
  for (const E e : elems)
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(e.raw() >> s));
  return out;
}

TEST(Blake2b256, KnownAnswers) {
  struct Case {
    std::vector<uint8_t> in;
    const char* digest;
  };
  const Case cases[] = {
      {{}, "0e5751c026e543b2e8ab2eb06099daa1d1e5df47778f7787faab45cdf12fe3a8"},
      {{'a', 'b', 'c'}, "bddd813c634239723171ef3fee98579b94964e3bb1cb3e427262c8c068d52319"},
      {std::vector<uint8_t>(32, 0), "89eb0d6a8a691dae2cd15ed0369931ce0a949ecafa5c3f93f8121833646e15c3"},
      {counting_bytes(64), "10d8e6d534b00939843fe9dcc4dae48cdf008f6b8b2b82b156f5404d874887f5"},
      {counting_bytes(128), "c3582f71ebb2be66fa5dd750f80baae97554f3b015663c8be377cfcb2488c1d1"},
      {counting_bytes(129), "f7f3c46ba2564ff4c4c162da1f5b605f9f1c4aa6a20652a9f9a337c1a2f5b9c9"},
      {std::vector<uint8_t>(1000, 0xff), "bfef0fed8451f066b8dbbf8afeef0071841e2c2110aeed33b9610cad7abe0337"},
  };
  for (const auto& c : cases) EXPECT_EQ(base::hex_lower(blake2b256(c.in)), c.digest) << c.in.size();
}

TEST(Blake2bSuite, HashPairTakesTheStoredBytes) {
  const Blake2bHasher h;
  const Digest a = counting_digest(0), b = counting_digest(32);
  EXPECT_EQ(base::hex_lower(h.hash_pair(a, b)),
            "10d8e6d534b00939843fe9dcc4dae48cdf008f6b8b2b82b156f5404d874887f5");
  // A row of the same sixteen words is hashed big-endian, so it differs.
  std::vector<E> words;
  for (const uint32_t w : a.words) words.push_back(E::from_raw(w));
  for (const uint32_t w : b.words) words.push_back(E::from_raw(w));
  EXPECT_NE(h.hash_elem_slice(words), h.hash_pair(a, b));
}

TEST(Blake2bSuite, RowsAreBigEndianWords) {
  const Blake2bHasher h;
  EXPECT_EQ(base::hex_lower(h.hash_elem_slice({})),
            "0e5751c026e543b2e8ab2eb06099daa1d1e5df47778f7787faab45cdf12fe3a8");
  EXPECT_EQ(base::hex_lower(h.hash_elem_slice(counting_elems(17))),
            "8fa4c9d52655c52b600c197180ff38ebea8d7eeed6a22e41dd28c9fb8f8cbef0");
  // Rows longer than the internal buffer, and one word past it.
  for (const size_t n : {size_t{64}, size_t{65}, size_t{300}}) {
    const auto row = counting_elems(n);
    const auto bytes = big_endian_bytes(row);
    EXPECT_EQ(h.hash_elem_slice(row), Digest::from_bytes(blake2b256(bytes))) << n;
  }
  std::vector<BabyBearExtElem> ext;
  std::vector<E> flat;
  for (uint32_t i = 0; i < 20; ++i) {
    ext.emplace_back(E::from_u32(i), E::from_u32(P - 1 - i), E::from_u32(7 * i), E::one());
    for (const E c : ext.back().c) flat.push_back(c);
  }
  EXPECT_EQ(h.hash_ext_elem_slice(ext), h.hash_elem_slice(flat));
  Digest d;
  d.words.fill(0xffffffffu);
  EXPECT_TRUE(h.digest_is_reduced(d));
}

TEST(Blake2bTranscript, PinnedDraws) {
  Blake2bTranscript t;
  // The first word is blake2b256 of 32 zero bytes, bytes 0..3 big-endian.
  const uint32_t first[9] = {0x89eb0d6a, 0x4e8c71d2, 0x3a4c0005, 0x0dd43c54, 0x89ff4d08,
                             0xf18c4a93, 0x040f4879, 0xfbc5c531, 0x63c6a179};
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(t.random_bits(31), first[i] & 0x7fffffff) << i;

  test::expect_pinned_draws(Blake2bTranscriptFactory(),
                            {.bits31 = 0x7b416c44,
                             .bits26 = 0x009e7677,
                             .elems = {0x48c8443d, 0x6bcb5e64, 0x2deece88},
                             .ext = {0x0733f182, 0x3a24deca, 0x50d05897, 0x5a252379},
                             .elem_after_zero_mix = 0x1edb24f2});
}

TEST(Blake2bTranscript, EveryDrawAdvancesTheState) {
  // random_bits(0) gives 0 but still rehashes; an element takes six words, an extension 24.
  test::expect_draws_take_words<Blake2bTranscript>(
      counting_digest(3), {Draw::kBitsZero, Draw::kElem, Draw::kExtElem}, 31, 5);
}

TEST(HashSuite, Blake2bRecord) {
  const HashSuite suite = HashSuite::blake2b();
  EXPECT_EQ(suite.name, "blake2b");
  EXPECT_EQ(suite.rng->new_rng()->random_bits(16), 0x0d6au);
}

}  // namespace
}  // namespace kovra::stark
