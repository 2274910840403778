#include "stark/poseidon2.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <random>
#include <vector>

namespace kovra::stark {
namespace {

using E = BabyBearElem;
constexpr uint32_t P = E::P;

E fe(uint32_t plain) { return E::from_u32(plain); }

Poseidon2State state_of_words(std::initializer_list<uint32_t> words) {
  Poseidon2State s{};
  size_t i = 0;
  for (uint32_t w : words) s[i++] = E::from_raw(w);
  return s;
}

std::vector<uint32_t> raw_words(std::span<const E> cells) {
  std::vector<uint32_t> out;
  for (const E c : cells) out.push_back(c.raw());
  return out;
}

Digest digest_of_words(std::initializer_list<uint32_t> words) {
  Digest d;
  size_t i = 0;
  for (uint32_t w : words) d.words[i++] = w;
  return d;
}

Digest first_eight(const Poseidon2State& s) {
  Digest d;
  for (size_t i = 0; i < 8; ++i) d.words[i] = s[i].raw();
  return d;
}

// Expected values (Montgomery words) come from a separate Python program that follows the
// permutation's definition on plain integers (round constants from its own Grain LFSR,
// x^7 by pow(x, 7, P), the matrices written out), run once; its outputs are pinned here.
// The program is tests/data/poseidon2_reference.py.
const Poseidon2State kPermutedZero = state_of_words(
    {0x6c506ad3, 0x5f9bf6f5, 0x52e0e2d3, 0x62b9418a, 0x08710488, 0x2eae5f3a, 0x503eb8c2, 0x4e1f9cd9,
     0x56b95110, 0x1d1caf79, 0x32ec522b, 0x50a6bff1, 0x31572ba6, 0x2119bcd4, 0x741ee3ce, 0x2b6c7f5b,
     0x02f1a1e9, 0x046a8513, 0x6a36f62c, 0x5a371158, 0x00bd9db7, 0x3019482b, 0x3a4e2115, 0x2642dbaf});
// The permutation of the cells whose plain values are 0, 1, ..., 23.
const Poseidon2State kPermutedCount = state_of_words(
    {0x5419d919, 0x1061de89, 0x21495898, 0x4f4404bc, 0x53c6a3c8, 0x26547151, 0x5721e7bd, 0x21a85fb2,
     0x26023810, 0x2365a806, 0x6432fe0b, 0x24fda747, 0x0596e401, 0x0ae0c4c3, 0x2b7d4470, 0x42a7e111,
     0x316fade2, 0x5b32ca88, 0x62994227, 0x34ca4403, 0x5c30cbca, 0x642f5733, 0x6ebaf842, 0x14fc98c6});

Poseidon2State counting_state() {
  Poseidon2State s{};
  for (uint32_t i = 0; i < 24; ++i) s[i] = fe(i);
  return s;
}

using PermuteFn = void (*)(Poseidon2State&);

struct Path {
  const char* name;
  PermuteFn permute;
};

// The SIMD paths this processor can run, each named in the test log.
std::vector<Path> simd_paths() {
  std::vector<Path> paths;
  if (poseidon2_has_avx2()) paths.push_back({"avx2", &poseidon2_permute_avx2});
  if (poseidon2_has_avx512()) paths.push_back({"avx512", &poseidon2_permute_avx512});
  std::string names;
  for (const Path& p : paths) names += std::string(" ") + p.name;
  testing::Test::RecordProperty("simd_paths", names.empty() ? "none" : names.substr(1));
  std::printf("[ simd paths ]%s\n", names.empty() ? " none on this processor" : names.c_str());
  return paths;
}

TEST(Poseidon2Permutation, KnownOutputsOnEveryPath) {
  // The path poseidon2_permute takes here, named in the test log.
  const char* dispatched =
      poseidon2_has_avx512() ? "avx512" : poseidon2_has_avx2() ? "avx2" : "scalar (portable)";
  RecordProperty("dispatched_path", dispatched);
  std::printf("[ paths ] poseidon2 permutation runs %s\n", dispatched);
  std::vector<Path> paths = {{"scalar", &poseidon2_permute_scalar}, {"dispatch", &poseidon2_permute}};
  for (const Path& p : simd_paths()) paths.push_back(p);
  for (const auto& [name, permute] : paths) {
    Poseidon2State zero{};
    permute(zero);
    EXPECT_EQ(zero, kPermutedZero) << name;
    Poseidon2State count = counting_state();
    permute(count);
    EXPECT_EQ(count, kPermutedCount) << name;
  }
}

// Random states from a seed that is printed with any failure; KOVRA_TEST_SEED replays one.
// Besides them, states whose cells are all 0, all P - 1, alternate 0 and P - 1, or are all
// one value near P, which push the lazy sums of the SIMD paths to their largest magnitudes.
TEST(Poseidon2Permutation, SimdPathsAgreeWithScalarOnRandomStates) {
  const std::vector<Path> paths = simd_paths();
  if (paths.empty()) GTEST_SKIP() << "no SIMD path on this processor";
  uint64_t seed = 0x5eed2026;
  if (const char* env = std::getenv("KOVRA_TEST_SEED")) seed = std::strtoull(env, nullptr, 0);
  SCOPED_TRACE(testing::Message() << "KOVRA_TEST_SEED=" << seed);
  std::mt19937_64 rng(seed);
  std::vector<Poseidon2State> states;
  Poseidon2State edge{};
  states.push_back(edge);
  edge.fill(fe(P - 1));
  states.push_back(edge);
  for (size_t i = 0; i < 24; ++i) edge[i] = i % 2 ? E::zero() : fe(P - 1);
  states.push_back(edge);
  for (const uint32_t word : {P - 1, P - 2, 1u, 0x7fffffffu % P}) {
    edge.fill(E::from_raw(word));
    states.push_back(edge);
  }
  for (int n = 0; n < 3000; ++n) {
    Poseidon2State s;
    for (auto& c : s) c = E::from_raw(uint32_t(rng() % P));
    states.push_back(s);
  }
  for (const auto& [name, permute] : paths) {
    for (size_t n = 0; n < states.size(); ++n) {
      Poseidon2State a = states[n], b = states[n];
      poseidon2_permute_scalar(a);
      permute(b);
      ASSERT_EQ(raw_words(a), raw_words(b)) << name << ", state " << n;
      for (const E c : b) ASSERT_TRUE(c.is_reduced()) << name << ", state " << n;
    }
  }
}

class Poseidon2SpongeTest : public testing::Test {
 protected:
  Poseidon2Hasher hasher;

  static std::vector<E> counting_words(size_t n) {
    std::vector<E> w;
    for (size_t i = 0; i < n; ++i) w.push_back(fe(uint32_t(i + 1)));
    return w;
  }
};

TEST_F(Poseidon2SpongeTest, EmptyAndOneZeroWordArePermutedZeroState) {
  const Digest expected = first_eight(kPermutedZero);
  EXPECT_EQ(hasher.hash_elem_slice({}), expected);
  const E zero[1] = {E::zero()};
  EXPECT_EQ(hasher.hash_elem_slice(zero), expected);
  EXPECT_EQ(hasher.hash_ext_elem_slice({}), expected);
}

TEST_F(Poseidon2SpongeTest, FullRatePermutesOnceAndSeventeenWordsTwice) {
  const auto w16 = counting_words(16);
  Poseidon2State s{};
  for (size_t i = 0; i < 16; ++i) s[i] = w16[i];
  poseidon2_permute(s);
  EXPECT_EQ(hasher.hash_elem_slice(w16), first_eight(s));
  EXPECT_EQ(hasher.hash_elem_slice(w16),
            digest_of_words({0x0198393d, 0x16918141, 0x1a797698, 0x25311a4b, 0x324c647b,
                             0x0c2296a7, 0x5bb96c3b, 0x22222ff4}));

  // The 17th word overwrites cell 0, cells 1..15 are zeroed, the capacity is kept.
  s[0] = fe(17);
  for (size_t i = 1; i < 16; ++i) s[i] = E::zero();
  poseidon2_permute(s);
  const auto w17 = counting_words(17);
  EXPECT_EQ(hasher.hash_elem_slice(w17), first_eight(s));
  EXPECT_EQ(hasher.hash_elem_slice(w17),
            digest_of_words({0x0c1d7d83, 0x33e26d2e, 0x6edacbad, 0x2e0d7c87, 0x05776b22,
                             0x16437806, 0x422f6aa0, 0x6c74388a}));
}

TEST_F(Poseidon2SpongeTest, ZeroExtensionToFullRateHashesAlike) {
  auto w = counting_words(5);
  const Digest short_digest = hasher.hash_elem_slice(w);
  EXPECT_EQ(short_digest, digest_of_words({0x48c11713, 0x17d36bcc, 0x00033c31, 0x45cadc5c,
                                           0x44ac01ea, 0x5a2e6ae8, 0x0a8a4636, 0x2664c279}));
  w.resize(16, E::zero());
  EXPECT_EQ(hasher.hash_elem_slice(w), short_digest);
  w.push_back(E::zero());  // a 17th word starts a second block
  EXPECT_NE(hasher.hash_elem_slice(w), short_digest);
}

TEST_F(Poseidon2SpongeTest, ExtensionElementsHashAsTheirFourWords) {
  std::vector<BabyBearExtElem> ext;
  std::vector<E> flat;
  for (uint32_t i = 0; i < 9; ++i) {  // 36 words: two full rates and a partial one
    ext.emplace_back(fe(i), fe(100 + i), fe(200 + i), fe(P - 1 - i));
    for (const E c : ext.back().c) flat.push_back(c);
  }
  EXPECT_EQ(hasher.hash_ext_elem_slice(ext), hasher.hash_elem_slice(flat));
  EXPECT_EQ(hasher.hash_ext_elem_slice(std::span(ext).first(4)),
            hasher.hash_elem_slice(std::span(flat).first(16)));
}

TEST_F(Poseidon2SpongeTest, HashPairIsTheSixteenWordSponge) {
  const Digest a = hasher.hash_elem_slice(counting_words(3));
  const Digest b = hasher.hash_elem_slice(counting_words(4));
  std::vector<E> words;
  for (uint32_t w : a.words) words.push_back(E::from_raw(w));
  for (uint32_t w : b.words) words.push_back(E::from_raw(w));
  EXPECT_EQ(hasher.hash_pair(a, b), hasher.hash_elem_slice(words));
  EXPECT_NE(hasher.hash_pair(a, b), hasher.hash_pair(b, a));
  EXPECT_EQ(hasher.hash_pair(Digest{}, Digest{}), first_eight(kPermutedZero));
}

TEST_F(Poseidon2SpongeTest, DigestIsReducedBelowTheModulusOnly) {
  EXPECT_TRUE(hasher.digest_is_reduced(Digest{}));
  Digest d{};
  d.words.fill(P - 1);
  EXPECT_TRUE(hasher.digest_is_reduced(d));
  for (const uint32_t bad : {P, P + 1, 0xffffffffu}) {
    for (size_t i = 0; i < 8; ++i) {
      Digest x{};
      x.words[i] = bad;
      EXPECT_FALSE(hasher.digest_is_reduced(x)) << bad << " at " << i;
    }
  }
}

TEST_F(Poseidon2SpongeTest, HashPairOfUnreducedWordStops) {
  Digest bad{};
  bad.words[7] = P;
  EXPECT_EXIT(hasher.hash_pair(Digest{}, bad), testing::ExitedWithCode(101),
              "assertion failed: elem.is_reduced\\(\\)");
  EXPECT_EXIT(hasher.hash_pair(bad, Digest{}), testing::ExitedWithCode(101),
              "assertion failed: elem.is_reduced\\(\\)");
}

Poseidon2State permuted(Poseidon2State s) {
  poseidon2_permute(s);
  return s;
}

Poseidon2State with_digest_added(Poseidon2State s, const Digest& d) {
  for (size_t i = 0; i < 8; ++i) s[i] += E::from_raw(d.words[i]);
  return s;
}

const Digest kCountDigest = [] {
  Digest d;
  for (uint32_t i = 0; i < 8; ++i) d.words[i] = fe(i + 1).raw();
  return d;
}();

TEST(Poseidon2Transcript, DrawsAfterMixReadTheRateThenPermute) {
  Poseidon2Transcript t;
  t.mix(kCountDigest);
  const Poseidon2State after_mix = permuted(with_digest_added(Poseidon2State{}, kCountDigest));
  for (size_t i = 0; i < 16; ++i) ASSERT_EQ(t.random_elem(), after_mix[i]) << i;
  const Poseidon2State next = permuted(after_mix);
  EXPECT_EQ(t.random_elem(), next[0]);  // the 17th draw permutes first
  EXPECT_EQ(t.random_elem(), next[1]);
}

TEST(Poseidon2Transcript, PinnedDrawSequence) {
  // From the Python program above: mix the digest of plain words 1..8, then 17 draws, then
  // random_bits(26), random_bits(5), random_bits(0), then mix eight words of plain 9 and four
  // draws.
  auto t = Poseidon2TranscriptFactory().new_rng();
  t->mix(kCountDigest);
  const uint32_t draws[17] = {0x72b3f09e, 0x2bd9eddf, 0x1b217ba2, 0x035096c2, 0x49f60d47,
                              0x63d42308, 0x77cb6456, 0x645713de, 0x4afc967e, 0x7014ac94,
                              0x44438172, 0x266c9cf3, 0x6073d5af, 0x048a1db2, 0x3d3b542e,
                              0x447cfa1f, 0x07e89c68};
  for (size_t i = 0; i < 17; ++i) ASSERT_EQ(t->random_elem().raw(), draws[i]) << i;
  EXPECT_EQ(t->random_bits(26), 44262919u);
  EXPECT_EQ(t->random_bits(5), 21u);
  EXPECT_EQ(t->random_bits(0), 0u);
  Digest nines;
  nines.words.fill(fe(9).raw());
  t->mix(nines);
  const BabyBearExtElem e = t->random_ext_elem();
  EXPECT_EQ(e, BabyBearExtElem(E::from_raw(0x6e2a20f8), E::from_raw(0x5cae11c8),
                               E::from_raw(0x2fb63a3e), E::from_raw(0x1cc153b8)));
}

TEST(Poseidon2Transcript, RandomBitsTakesFirstNonZeroOfFourDraws) {
  struct Case {
    uint32_t plain[4];
    uint32_t bits;
    uint32_t expected;
  };
  const Case cases[] = {
      {{0x12345678, 0x1, 0x2, 0x3}, 26, 0x12345678 & 0x3ffffff},
      {{0, 0x0abcdef1, 0x2, 0x3}, 26, 0x0abcdef1 & 0x3ffffff},  // second draw
      {{0, 0, 0, 0x7}, 3, 0x7},
      {{0, 0, 0, 0}, 26, 0},  // all four zero
      {{P - 1, 0, 0, 0}, 31, P - 1},
      {{5, 6, 7, 8}, 0, 0},
  };
  for (const auto& c : cases) {
    Poseidon2State cells{};
    for (size_t i = 0; i < 4; ++i) cells[3 + i] = fe(c.plain[i]);
    cells[7] = fe(4242);
    Poseidon2Transcript t(cells, 3);
    EXPECT_EQ(t.random_bits(c.bits), c.expected) << c.plain[0] << " " << c.plain[1];
    EXPECT_EQ(t.random_elem(), fe(4242));  // exactly four draws were taken
  }
  // Draws that cross the end of the rate permute between them.
  Poseidon2State cells{};
  cells[14] = fe(0);
  cells[15] = fe(0);
  Poseidon2Transcript t(cells, 14);
  const Poseidon2State next = permuted(cells);
  const uint32_t expected = next[0].to_u32() != 0 ? next[0].to_u32() : next[1].to_u32();
  EXPECT_EQ(t.random_bits(20), expected & 0xfffff);
  EXPECT_EQ(t.random_elem(), next[2]);
}

TEST(Poseidon2Transcript, MixAfterDrawsPermutesTwiceAndAfterMixOnce) {
  const Digest d = kCountDigest;
  // mix, mix: each mix adds into the permuted state and permutes once.
  Poseidon2Transcript t1;
  t1.mix(d);
  t1.mix(d);
  const Poseidon2State once = permuted(with_digest_added(Poseidon2State{}, d));
  const Poseidon2State twice = permuted(with_digest_added(once, d));
  EXPECT_EQ(t1.random_elem(), twice[0]);

  // mix, draw, mix: the draw leaves the position at 1, so the second mix permutes first.
  Poseidon2Transcript t2;
  t2.mix(d);
  EXPECT_EQ(t2.random_elem(), once[0]);
  t2.mix(d);
  const Poseidon2State closed = permuted(once);
  EXPECT_EQ(t2.random_elem(), permuted(with_digest_added(closed, d))[0]);

  // A fresh transcript's first draw is cell 0 of the zero state, with no permutation.
  Poseidon2Transcript t3;
  EXPECT_EQ(t3.random_elem(), E::zero());
}

TEST(Poseidon2Transcript, MixTakesAnUnreducedWordModuloP) {
  // Cells near P plus a word near 2^32 would wrap a 32-bit sum; the word counts modulo P.
  Poseidon2State cells{};
  cells.fill(fe(P - 1));
  Digest high, reduced;
  high.words.fill(0xffffffffu);
  reduced.words.fill(0xffffffffu - 2 * P);
  Poseidon2Transcript a(cells, 0), b(cells, 0);
  a.mix(high);
  b.mix(reduced);
  for (int i = 0; i < 16; ++i) ASSERT_EQ(a.random_elem(), b.random_elem()) << i;
}

TEST(HashSuite, Poseidon2Record) {
  const HashSuite suite = HashSuite::poseidon2();
  EXPECT_EQ(suite.name, "poseidon2");
  const HashSuite copy = suite;
  EXPECT_EQ(copy.hash.get(), suite.hash.get());
  EXPECT_EQ(copy.rng.get(), suite.rng.get());
  auto t = suite.rng->new_rng();
  t->mix(kCountDigest);
  EXPECT_EQ(t->random_elem().raw(), 0x72b3f09eu);
  EXPECT_EQ(suite.hash->hash_elem_slice({}), first_eight(kPermutedZero));
}

}  // namespace
}  // namespace kovra::stark
