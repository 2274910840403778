// Cyclotomic squaring, the power by -x and the final exponentiation, against generic
// square-and-multiply powers over big-integer exponents (replayable seed: KOVRA_TEST_SEED).
#include <gtest/gtest.h>

#include <vector>

#include "bn254/final_exponentiation.h"
#include "bn254/fq12.h"
#include "bn254/wnaf.h"
#include "bn254/testing/bigint.h"
#include "bn254/testing/random.h"

namespace kovra::bn254 {
namespace {

using testing::BigUint;
using testing::pow;

const BigUint kP(FQ_MODULUS);
const BigUint kR(FR_MODULUS);
const BigUint kX(BN_X);

Fq fq(uint64_t v) { return *Fq::from_canonical({v, 0, 0, 0}); }

std::string seed_trace() { return "KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()); }

// h^((p^6 - 1)(p^2 + 1)), formed with a conjugate, an inverse and a Frobenius map.
Fq12 easy_part(const Fq12& h) {
  Fq12 t = h;
  t.conjugate();
  t.mul_assign(*h.inverse());
  Fq12 u = t;
  u.frobenius_map(2);
  return u.mul(t);
}

TEST(CyclotomicSquare, EqualsTheSquareInTheSubgroup) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const Fq12 h = rng.fq12();
  const Fq12 g = easy_part(h);
  // The easy part is the power it claims to be.
  EXPECT_EQ(g, pow(h, (kP.pow(6) - BigUint(1)) * (kP.pow(2) + BigUint(1))));
  // And lands in the cyclotomic subgroup: g^(p^4 - p^2 + 1) = 1.
  EXPECT_EQ(pow(g, kP.pow(4) - kP.pow(2) + BigUint(1)), Fq12::one());
  Fq12 members[] = {g, easy_part(rng.fq12()), easy_part(Fq12{rng.fq6(), Fq6{}})};
  for (Fq12 m : members) {
    Fq12 sq = m;
    sq.square_in_place();
    const Fq12 prod = m.mul(m);
    EXPECT_EQ(m.cyclotomic_square(), prod);
    EXPECT_EQ(m, sq);
  }
  Fq12 one = Fq12::one();
  EXPECT_EQ(one.cyclotomic_square(), Fq12::one());
  Fq12 zero = Fq12::zero();
  EXPECT_EQ(zero.cyclotomic_square(), Fq12::zero());
}

// Outside the subgroup the formulas give their own value, not the square.
TEST(CyclotomicSquare, FormulaValuesOutsideTheSubgroup) {
  Fq12 two = Fq12::zero();
  two.c0.c0.c0 = fq(2);
  two.cyclotomic_square();
  Fq12 expect = Fq12::zero();
  expect.c0.c0.c0 = fq(8);
  EXPECT_EQ(two, expect);

  Fq12 w3 = Fq12::zero();
  w3.c1.c1 = Fq2::one();
  w3.cyclotomic_square();
  expect = Fq12::zero();
  expect.c0.c0 = Fq2{fq(27), fq(3)};
  expect.c1.c1 = Fq2{fq(2), Fq{}};
  EXPECT_EQ(w3, expect);
}

TEST(PowNegX, DigitsOfX) {
  // The width-4 form that pow_neg_x runs through: 14 products after the first digit's value.
  const WnafDigits<1> d = wnaf_digits(std::array<uint64_t, 1>{BN_X}, 4);
  ASSERT_EQ(d.size, 63u);
  std::vector<std::pair<int, int>> nonzero;
  int64_t sum = 0;
  for (size_t i = 0; i < d.size; ++i) {
    if (d.digits[i] != 0) nonzero.emplace_back(static_cast<int>(i), d.digits[i]);
    sum += d.digits[i] * (int64_t{1} << i);
  }
  EXPECT_EQ(nonzero, (std::vector<std::pair<int, int>>{{0, 1}, {4, -1}, {9, 5}, {16, -7}, {20, 7},
                                                       {25, 5}, {30, 1}, {34, -3}, {38, -5},
                                                       {42, 5}, {47, 3}, {51, -3}, {56, 5},
                                                       {62, 1}}));
  EXPECT_EQ(static_cast<uint64_t>(sum), BN_X);
}

TEST(PowNegX, IsThePowerByMinusX) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  EXPECT_EQ(Fq12::zero().pow_neg_x(), Fq12::zero());
  EXPECT_EQ(Fq12::one().pow_neg_x(), Fq12::one());
  for (int i = 0; i < 2; ++i) {
    const Fq12 g = easy_part(rng.fq12());
    const Fq12 gx = pow(g, kX);
    const Fq12 y = g.pow_neg_x();
    EXPECT_EQ(y.mul(gx), Fq12::one());
    Fq12 c = gx;
    c.conjugate();
    EXPECT_EQ(y, c);
  }
}

TEST(FinalExponentiation, EdgeCases) {
  EXPECT_FALSE(final_exponentiation(Fq12::zero()).has_value());
  EXPECT_EQ(*final_exponentiation(Fq12::one()), Fq12::one());
  Fq12 two = Fq12::zero();
  two.c0.c0.c0 = fq(2);
  EXPECT_EQ(*final_exponentiation(two), Fq12::one());
  testing::TestRng rng;
  SCOPED_TRACE("KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()));
  EXPECT_EQ(*final_exponentiation(Fq12{rng.fq6(), Fq6{}}), Fq12::one());
}

TEST(FinalExponentiation, IsTheFixedPower) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const BigUint p12_over_r = (kP.pow(12) - BigUint(1)) / kR;
  ASSERT_EQ(p12_over_r * kR, kP.pow(12) - BigUint(1));
  // m = 2x(6x^2 + 3x + 1).
  const BigUint m = BigUint(2) * kX * (BigUint(6) * kX * kX + BigUint(3) * kX + BigUint(1));
  const Fq12 f = rng.fq12();
  const Fq12 e = *final_exponentiation(f);
  EXPECT_EQ(e, pow(f, p12_over_r * m));
  EXPECT_NE(e, pow(f, p12_over_r));
  EXPECT_EQ(pow(e, kR), Fq12::one());

  const Fq12 g = rng.fq12();
  EXPECT_EQ(*final_exponentiation(f.mul(g)), e.mul(*final_exponentiation(g)));
  Fq12 fc = f;
  fc.conjugate();
  Fq12 ec = e;
  ec.conjugate();
  EXPECT_EQ(*final_exponentiation(fc), ec);
  EXPECT_EQ(ec.mul(e), Fq12::one());
}

}  // namespace
}  // namespace kovra::bn254
