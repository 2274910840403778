#include "stark/ntt.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "stark/fri.h"

namespace kovra::stark {
namespace {

using Ext = BabyBearExtElem;
using Fp = BabyBearElem;

Ext e(uint32_t v) { return Ext(Fp::from_u32(v)); }

TEST(Butterfly, SmallCases) {
  std::array<Ext, 2> two = {e(5), e(3)};
  rev_butterfly_2(two);
  EXPECT_EQ(two[0], e(8));
  EXPECT_EQ(two[1], e(2));
  std::array<Ext, 4> four = {e(1), e(0), e(0), e(0)};
  rev_butterfly_4(four);
  for (const Ext& v : four) EXPECT_EQ(v, e(1));
}

TEST(Butterfly, Interpolate16GivesCoefficientsInNaturalOrder) {
  std::array<Ext, 16> f;
  for (uint32_t i = 0; i < 16; ++i)
    f[i] = Ext(Fp::from_u32(i * 7 + 1), Fp::from_u32(i), Fp::from_u32(3), Fp::from_u32(i * i));
  std::array<Ext, 16> v;
  for (size_t j = 0; j < 16; ++j) v[j] = poly_eval_ext(f, Ext(ROOTS[4].pow(j)));
  interpolate_16(v);
  EXPECT_EQ(v, f);
  std::array<Ext, 16> same;
  same.fill(e(9));
  interpolate_16(same);
  EXPECT_EQ(same[0], e(9));
  for (size_t i = 1; i < 16; ++i) EXPECT_EQ(same[i], Ext());
}

TEST(Transforms, AgreeWithDirectEvaluationAndInvert) {
  for (size_t n : {1u, 2u, 8u, 64u}) {
    std::vector<Fp> c(n);
    for (size_t i = 0; i < n; ++i) c[i] = Fp::from_u32(static_cast<uint32_t>(i * i + 3));
    std::vector<Fp> v = c;
    evaluate_on_roots(v);
    const Fp w = ROOTS[std::countr_zero(n)];
    for (size_t i = 0; i < n; ++i) {
      Fp acc, x = w.pow(i), p = Fp::one();
      for (size_t k = 0; k < n; ++k, p *= x) acc += c[k] * p;
      EXPECT_EQ(v[i], acc);
    }
    interpolate_on_roots(v);
    EXPECT_EQ(v, c);
  }
}

TEST(PolyEval, EmptyAndConstant) {
  EXPECT_EQ(poly_eval_ext({}, e(5)), Ext());
  const Ext one_coeff[1] = {e(7)};
  EXPECT_EQ(poly_eval_ext(one_coeff, e(123)), e(7));
}

// The evaluation at a base-field point is the sum of c_k x^k, also with the largest words
// (where the fused Horner step's unreduced sums are largest) and over a final-layer length.
TEST(PolyEval, BasePointIsTheSumOfPowers) {
  const uint32_t top = Fp::P - 1;
  std::vector<Ext> c;
  for (uint32_t k = 0; k < 256; ++k)
    c.push_back(k % 5 == 0 ? Ext(Fp::from_u32(top), Fp::from_u32(top), Fp::from_u32(top),
                                 Fp::from_u32(top))
                           : Ext(Fp::from_u32(k * 7919), Fp::from_u32(top - k),
                                 Fp::from_u32(k * k), Fp::from_u32(3 + k)));
  for (const Fp x : {Fp::from_u32(top), Fp::from_u32(2), ROOTS[10].pow(77), Fp::zero()}) {
    Ext acc;
    Fp p = Fp::one();
    for (const Ext& ck : c) {
      acc += ck * p;
      p *= x;
    }
    EXPECT_EQ(poly_eval_ext(c, x), acc) << x.to_u32();
    EXPECT_EQ(poly_eval_ext(c, x), poly_eval_ext(c, Ext(x))) << x.to_u32();
  }
}

// Both evaluations against plain Horner steps with the generic product, at lengths around the
// 16-coefficient blocks of the base-point path, with random and with all-largest coefficients
// (where the unreduced sums are largest).
TEST(PolyEval, AgreesWithPlainHornerAtEveryLength) {
  std::mt19937_64 rng(7);
  auto any = [&] { return Fp::from_u32(static_cast<uint32_t>(rng() % Fp::P)); };
  const Fp top = Fp::from_u32(Fp::P - 1);
  for (const size_t n : {0u, 1u, 2u, 15u, 16u, 17u, 31u, 32u, 33u, 64u, 255u, 256u, 257u, 600u}) {
    for (const bool largest : {false, true}) {
      std::vector<Ext> c(n);
      for (Ext& ck : c) ck = largest ? Ext(top, top, top, top) : Ext(any(), any(), any(), any());
      for (const Fp x : {any(), top, Fp::zero(), Fp::one()}) {
        const Ext ext_point(x, largest ? top : any(), any(), largest ? top : any());
        Ext at_base, at_ext;
        for (size_t i = n; i-- > 0;) {
          at_base = at_base * Ext(x) + c[i];
          at_ext = at_ext * ext_point + c[i];
        }
        ASSERT_EQ(poly_eval_ext(c, x), at_base) << n << " " << x.to_u32();
        ASSERT_EQ(poly_eval_ext(c, ext_point), at_ext) << n << " " << x.to_u32();
      }
    }
  }
}

}  // namespace
}  // namespace kovra::stark
