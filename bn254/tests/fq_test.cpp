// The base and scalar fields against an independent big-integer model, on edge values and on
// random values (seed printed on failure; set KOVRA_TEST_SEED to replay).
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "bn254/fq.h"
#include "bn254/testing/bigint.h"
#include "bn254/testing/random.h"

namespace kovra::bn254 {
namespace {

using testing::BigUint;
using testing::limbs_from_hex;

const BigUint kP(FQ_MODULUS);
const BigUint kR(FR_MODULUS);
const BigUint k2_256 = BigUint(2).pow(256);

BigUint canon(const Fq& a) { return BigUint(a.to_canonical()); }
Fq from_big(const BigUint& v) {
  Limbs l{};
  for (size_t i = 0; i < v.words().size(); ++i) l[i] = v.words()[i];
  return *Fq::from_canonical(l);
}

TEST(FqConstants, AgreeWithTheModulus) {
  EXPECT_EQ(FQ_INV * FQ_MODULUS[0], ~uint64_t{0});  // -p^-1 · p = -1 mod 2^64
  EXPECT_EQ(FR_INV * FR_MODULUS[0], ~uint64_t{0});
  EXPECT_EQ(BigUint(FQ_R2), (k2_256 * k2_256) % kP);
  EXPECT_EQ(BigUint(FR_R2), (k2_256 * k2_256) % kR);
  EXPECT_EQ(BigUint(FQ_ONE.mont), k2_256 % kP);
  EXPECT_EQ(BigUint(FQ_MINUS_ONE.mont), kP - k2_256 % kP);
  EXPECT_EQ(BigUint(fq_const({3, 0, 0, 0}).mont),
            BigUint::from_hex("2a1f6744ce179d8e334bea4e696bd2841f6ac17ae15521b97a17caa950ad28d7"));
  EXPECT_EQ(kP, BigUint::from_hex(
                    "30644e72e131a029b85045b68181585d97816a916871ca8d3c208c16d87cfd47"));
}

TEST(Fq, FromCanonicalRangeAndRoundTrip) {
  const Limbs p = FQ_MODULUS;
  Limbs p_minus_1 = p;
  p_minus_1[0] -= 1;
  Limbs p_plus_1 = p;
  p_plus_1[0] += 1;
  EXPECT_EQ(*Fq::from_canonical({1, 0, 0, 0}), FQ_ONE);
  EXPECT_EQ(*Fq::from_canonical(p_minus_1), FQ_MINUS_ONE);
  EXPECT_EQ(*Fq::from_canonical({0, 0, 0, 0}), Fq::zero());
  EXPECT_FALSE(Fq::from_canonical(p).has_value());
  EXPECT_FALSE(Fq::from_canonical(p_plus_1).has_value());
  EXPECT_FALSE(Fq::from_canonical({~0ull, ~0ull, ~0ull, ~0ull}).has_value());
  for (const Limbs& v : {Limbs{0, 0, 0, 0}, Limbs{1, 0, 0, 0}, p_minus_1,
                         limbs_from_hex("2fffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff")}) {
    EXPECT_EQ(Fq::from_canonical(v)->to_canonical(), v);
  }
}

TEST(Fq, EdgeValues) {
  const Fq m1 = FQ_MINUS_ONE;
  EXPECT_EQ(m1.add(FQ_ONE), Fq::zero());
  EXPECT_EQ(Fq::zero().sub(FQ_ONE), m1);
  EXPECT_EQ(canon(m1.doubled()), kP - BigUint(2));
  EXPECT_EQ(Fq::zero().neg(), Fq::zero());
  EXPECT_EQ(Fq::zero().neg().mont, (Limbs{0, 0, 0, 0}));
  EXPECT_EQ(m1.mul(m1), FQ_ONE);
  EXPECT_EQ(m1.square(), FQ_ONE);
  EXPECT_EQ(Fq::sum_of_two_products({m1, m1}, {m1, m1}), FQ_ONE.doubled());
  EXPECT_FALSE(Fq::zero().inverse().has_value());
  EXPECT_EQ(*FQ_ONE.inverse(), FQ_ONE);
  EXPECT_EQ(*m1.inverse(), m1);
}

// Each operation against the big-integer model, on edge values (0, 1, p - 1, values near
// 2^254 and around p/2) and on random values.
TEST(Fq, OperationsMatchTheBigIntegerModel) {
  testing::TestRng rng;
  SCOPED_TRACE("KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()));
  std::vector<BigUint> values = {
      BigUint(0),
      BigUint(1),
      BigUint(2),
      kP - BigUint(1),
      kP - BigUint(2),
      (kP - BigUint(1)) / BigUint(2),
      (kP + BigUint(1)) / BigUint(2),
      BigUint::from_hex("3000000000000000000000000000000000000000000000000000000000000000"),
      BigUint::from_hex("30644e72e131a029b85045b68181585d97816a916871ca8d3c208c16d87cfd00"),
      BigUint::from_hex("00000000000000000000000000000000ffffffffffffffffffffffffffffffff"),
  };
  for (int i = 0; i < 24; ++i) values.push_back(BigUint(rng.below_p()));
  for (const BigUint& x : values) {
    const Fq a = from_big(x);
    EXPECT_EQ(canon(a.neg()), (kP - x) % kP);
    EXPECT_EQ(canon(a.doubled()), (x + x) % kP);
    // a/2: the integer (x + (x odd ? p : 0))/2, and the same value as the product by 1/2.
    EXPECT_EQ(canon(a.halved()), (x + (x.bit(0) ? kP : BigUint(0))) / BigUint(2));
    EXPECT_EQ(a.halved(), a.mul(*from_big(BigUint(2)).inverse()));
    EXPECT_EQ(a.halved().doubled(), a);
    EXPECT_EQ(canon(a.square()), (x * x) % kP);
    EXPECT_EQ(a.square(), a.mul(a));
    if (!x.is_zero()) {
      EXPECT_EQ(a.mul(*a.inverse()), FQ_ONE);
    }
    for (const BigUint& y : {values[3], values[7], values[values.size() - 1], values[5]}) {
      const Fq b = from_big(y);
      EXPECT_EQ(canon(a.add(b)), (x + y) % kP);
      EXPECT_EQ(canon(a.sub(b)), (x + kP - y) % kP);
      EXPECT_EQ(canon(a.mul(b)), (x * y) % kP);
      Fq c = a;
      c.mul_assign(b);
      EXPECT_EQ(c, a.mul(b));
      const Fq d = from_big(values[(values.size() + 1) / 2]);
      EXPECT_EQ(Fq::sum_of_two_products({a, d}, {b, a}), a.mul(b).add(d.mul(a)));
    }
  }
}

// Inversion works on the stored words, so its edge cases are edge words: 1, 2, powers of two
// up to 2^253, p - 1, p - 2, words with long runs of ones or zeros, words whose top bits agree
// with p's (its word-sized stand-ins then compare wrongly), and random values. Each inverse is
// checked against the big-integer model and against Fermat's a^(p-2).
TEST(Fq, InverseOfEdgeWords) {
  testing::TestRng rng;
  SCOPED_TRACE("KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()));
  Limbs p_minus_1 = FQ_MODULUS, p_minus_2 = FQ_MODULUS;
  p_minus_1[0] -= 1;
  p_minus_2[0] -= 2;
  std::vector<Limbs> words = {
      {1, 0, 0, 0},
      {2, 0, 0, 0},
      {3, 0, 0, 0},
      {~0ull, 0, 0, 0},
      {0, 1, 0, 0},
      {0, 0, 0, 1ull << 61},
      {0, 0, 1ull << 63, FQ_MODULUS[3] - 1},
      p_minus_1,
      p_minus_2,
      {FQ_MODULUS[0] - 1, FQ_MODULUS[1], FQ_MODULUS[2], FQ_MODULUS[3] - 1},
      {0, 0, FQ_MODULUS[2], FQ_MODULUS[3]},
      {~0ull, FQ_MODULUS[1], FQ_MODULUS[2] - 1, FQ_MODULUS[3]},
      {FQ_MODULUS[0] | 0x3fffffff, FQ_MODULUS[1] - 1, FQ_MODULUS[2], FQ_MODULUS[3]},
      {FQ_MODULUS[0] - 2, FQ_MODULUS[1], FQ_MODULUS[2], FQ_MODULUS[3]},
      {0x329d1f6b5b0b9847, 0x625a67384a6b9012, FQ_MODULUS[2], FQ_MODULUS[3]},
      {~0ull, ~0ull, ~0ull, 0x2fffffffffffffff},
      {1, 0, 0, 0x3000000000000000},
      {0x5555555555555555, 0x5555555555555555, 0x5555555555555555, 0x1555555555555555},
      FQ_ONE.mont,
      FQ_MINUS_ONE.mont,
  };
  for (int k = 0; k < 254; k += 11) {
    Limbs w{};
    w[k / 64] = uint64_t{1} << (k % 64);
    words.push_back(w);
  }
  for (int i = 0; i < 64; ++i) words.push_back(rng.fq().mont);
  const BigUint p_minus_2_big = kP - BigUint(2);
  for (size_t i = 0; i < words.size(); ++i) {
    SCOPED_TRACE(i);
    const Fq a{words[i]};
    const std::optional<Fq> inv = a.inverse();
    ASSERT_TRUE(inv.has_value());
    EXPECT_EQ((canon(*inv) * canon(a)) % kP, BigUint(1));
    EXPECT_EQ(*inv, testing::pow(a, p_minus_2_big));
  }
}

// The inverse computed while compiling and the one computed at run time agree.
TEST(Fq, InverseAgreesWithTheCompileTimeOne) {
  static constexpr std::array<Fq, 4> kValues = {
      fq_const({2, 0, 0, 0}), fq_const({0x1234567, 0, 0, 0}), FQ_MINUS_ONE,
      fq_const({0x3c208c16d87cfd46, 0x97816a916871ca8d, 0xb85045b68181585d, 0x10644e72e131a029})};
  static constexpr std::array<Fq, 4> kInverses = {*kValues[0].inverse(), *kValues[1].inverse(),
                                                  *kValues[2].inverse(), *kValues[3].inverse()};
  for (size_t i = 0; i < kValues.size(); ++i) {
    const Fq a = kValues[i];
    EXPECT_EQ(*a.inverse(), kInverses[i]) << i;
  }
}

// The portable products (used while compiling and on processors without mulx/adx) give the
// same results as the products the running processor uses.
TEST(Fq, PortableProductsAgreeWithTheDispatchedOnes) {
#ifdef KOVRA_BN254_HAVE_ADX_PATH
  const char* path = detail::have_adx ? "mulx/adcx/adox" : "portable (no BMI2 and ADX here)";
#else
  const char* path = "portable (no mulx/adx path in this build)";
#endif
  RecordProperty("dispatched_path", path);
  std::printf("[ paths ] bn254 Montgomery product runs %s\n", path);
  testing::TestRng rng;
  SCOPED_TRACE("KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()));
  using P = detail::FqParams;
  Limbs p_minus_1 = FQ_MODULUS;
  p_minus_1[0] -= 1;
  std::vector<Limbs> values = {{0, 0, 0, 0}, {1, 0, 0, 0}, FQ_MINUS_ONE.mont, FQ_ONE.mont, p_minus_1};
  for (int i = 0; i < 32; ++i) values.push_back(rng.fq().mont);
  for (const Limbs& a : values) {
    EXPECT_EQ(detail::square_portable<P>(a), detail::square<P>(a));
    for (const Limbs& b : {values[2], values[5], values[values.size() - 1]}) {
      EXPECT_EQ(detail::mul_portable<P>(a, b), detail::mul<P>(a, b));
      // An operand left below 2p by add_for_product gives the product of the reduced sum.
      Limbs sum = a;
      detail::add_assign<P>(sum, b);
      EXPECT_EQ(detail::mul<P>(detail::add_for_product<P>(a, b), b), detail::mul_portable<P>(sum, b));
      EXPECT_EQ(detail::sum_of_two_products_portable<P>(a, b, b, values[2]),
                detail::sum_of_two_products<P>(a, b, b, values[2]));
    }
  }
}

TEST(Fr, ConversionsAndRange) {
  Limbs r = FR_MODULUS;
  EXPECT_FALSE(Fr::from_canonical(r).has_value());
  Limbs r_minus_1 = r;
  r_minus_1[0] -= 1;
  ASSERT_TRUE(Fr::from_canonical(r_minus_1).has_value());
  EXPECT_EQ(Fr::from_canonical(r_minus_1)->to_canonical(), r_minus_1);
  EXPECT_EQ(Fr::from_canonical({0, 0, 0, 0})->mont, (Limbs{0, 0, 0, 0}));
  // The Montgomery form is v·2^256 mod r.
  const Limbs v = limbs_from_hex("04446e66d300eb7fb45c9726bb53c793dda407a62e9601618bb43c5c14657ac0");
  const Fr f = *Fr::from_canonical(v);
  EXPECT_EQ(BigUint(f.mont), (BigUint(v) * k2_256) % kR);
  EXPECT_EQ(f.to_canonical(), v);
}

}  // namespace
}  // namespace kovra::bn254
