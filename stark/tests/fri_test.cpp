// The per-query kernels on both paths (portable and AVX2) against plain field arithmetic, on
// random words and on the largest words, where the unreduced sums are largest. The AVX2 path
// is checked where the processor has it.
#include "stark/fri.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <random>
#include <vector>

#include "stark/ntt.h"

namespace kovra::stark {
namespace {

using Ext = BabyBearExtElem;
using Fp = BabyBearElem;

constexpr uint32_t kTop = Fp::P - 1;  // the largest reduced word

TEST(PolyEvalPlanes, BothPathsAreTheSumOfPowers) {
  // The path the kernels take on this processor, named in the test log.
  const char* path = fri_has_avx2() ? "avx2" : "portable";
  RecordProperty("dispatched_path", path);
  std::printf("[ paths ] fri query kernels run %s\n", path);
  std::mt19937_64 rng(11);
  auto word = [&] { return static_cast<uint32_t>(rng() % Fp::P); };
  for (const size_t n : {0u, 1u, 3u, 4u, 5u, 8u, 31u, 32u, 256u, 259u}) {
    for (const bool largest : {false, true}) {
      std::vector<uint32_t> planes(4 * n);
      for (uint32_t& w : planes) w = largest ? kTop : word();
      for (const Fp x : {Fp::from_raw(word()), Fp::from_raw(kTop), Fp::zero(), Fp::one()}) {
        Ext want;
        Fp p = Fp::one();
        for (size_t j = 0; j < n; ++j, p *= x)
          want += Ext(Fp::from_raw(planes[j]), Fp::from_raw(planes[n + j]),
                      Fp::from_raw(planes[2 * n + j]), Fp::from_raw(planes[3 * n + j])) * p;
        ASSERT_EQ(poly_eval_planes_portable(planes, x), want) << n << " " << x.raw();
        if (fri_has_avx2()) {
          ASSERT_EQ(poly_eval_planes_avx2(planes, x), want) << n << " " << x.raw();
        }
        ASSERT_EQ(poly_eval_planes(planes, x), want) << n << " " << x.raw();
      }
    }
  }
}

TEST(DeepTermSum, BothPathsAreTheMixedSum) {
  std::mt19937_64 rng(12);
  auto word = [&] { return static_cast<uint32_t>(rng() % Fp::P); };
  std::vector<uint32_t> rows[4];
  for (auto& r : rows) r.resize(40);
  for (const bool largest : {false, true}) {
    for (auto& r : rows)
      for (uint32_t& w : r) w = largest ? kTop : word();
    const uint32_t* source[4] = {rows[0].data(), rows[1].data(), rows[2].data(), rows[3].data()};
    for (const size_t n : {0u, 1u, 7u, 160u, 1000u}) {
      std::vector<DeepTerm> terms(n);
      Ext want;
      for (DeepTerm& t : terms) {
        t.source = static_cast<uint32_t>(rng() % 4);
        t.column = static_cast<uint32_t>(rng() % 40);
        for (uint32_t& w : t.mix_pow) w = largest ? kTop : word();
        want += Ext(Fp::from_raw(t.mix_pow[0]), Fp::from_raw(t.mix_pow[1]),
                    Fp::from_raw(t.mix_pow[2]), Fp::from_raw(t.mix_pow[3])) *
                Fp::from_raw(rows[t.source][t.column]);
      }
      ASSERT_EQ(deep_term_sum_portable(terms, source), want) << n;
      if (fri_has_avx2()) {
        ASSERT_EQ(deep_term_sum_avx2(terms, source), want) << n;
      }
      ASSERT_EQ(deep_term_sum(terms, source), want) << n;
    }
  }
}

TEST(FoldButterfly, BothPathsAreTheButterflyOfTheRow) {
  std::mt19937_64 rng(13);
  for (int round = 0; round < 50; ++round) {
    std::array<uint32_t, 64> row;
    for (uint32_t& w : row)
      w = round == 0 ? kTop : round == 1 ? 0 : static_cast<uint32_t>(rng() % Fp::P);
    std::array<Ext, 16> want;
    for (size_t j = 0; j < 16; ++j)
      want[j] = Ext(Fp::from_raw(row[j]), Fp::from_raw(row[16 + j]), Fp::from_raw(row[32 + j]),
                    Fp::from_raw(row[48 + j]));
    rev_butterfly_16(want);
    std::array<Ext, 16> got;
    fold_butterfly_portable(row, got);
    ASSERT_EQ(got, want) << round;
    if (fri_has_avx2()) {
      fold_butterfly_avx2(row, got);
      ASSERT_EQ(got, want) << round;
    }
  }
}

}  // namespace
}  // namespace kovra::stark
