// The extension tower Fq2 / Fq6 / Fq12: known answers, the constant tables against their
// defining rules and published values, Frobenius maps against p^k-th powers, sparse products
// against general ones, inverses. Random values come from a replayable seed
// (KOVRA_TEST_SEED).
#include <gtest/gtest.h>

#include <vector>

#include "bn254/fq12.h"
#include "bn254/testing/bigint.h"
#include "bn254/testing/random.h"

namespace kovra::bn254 {
namespace {

using testing::BigUint;
using testing::fq_from_hex;
using testing::pow;

const BigUint kP(FQ_MODULUS);

Fq fq(uint64_t v) { return *Fq::from_canonical({v, 0, 0, 0}); }
Fq2 fq2(uint64_t a, uint64_t b) { return Fq2{fq(a), fq(b)}; }
const Fq2 kXi = fq2(9, 1);

std::string seed_trace() { return "KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()); }

// The element whose Montgomery form is p - 1.
constexpr Fq kLargest{{FQ_MODULUS[0] - 1, FQ_MODULUS[1], FQ_MODULUS[2], FQ_MODULUS[3]}};

// Fq2 values with zero and p - 1 components, and random ones.
std::vector<Fq2> fq2_values(testing::TestRng& rng) {
  std::vector<Fq2> v = {Fq2::one(),        Fq2{Fq{}, FQ_ONE},       Fq2{FQ_MINUS_ONE, FQ_MINUS_ONE},
                        Fq2{FQ_MINUS_ONE, Fq{}}, Fq2{Fq{}, FQ_MINUS_ONE}, fq2(5, 0),
                        // The largest stored words: sums of the parts come closest to 2p.
                        Fq2{kLargest, kLargest}, Fq2{kLargest, FQ_ONE}};
  for (int i = 0; i < 6; ++i) v.push_back(rng.fq2());
  return v;
}

std::vector<Fq6> fq6_values(testing::TestRng& rng) {
  const Fq2 m1{FQ_MINUS_ONE, FQ_MINUS_ONE};
  std::vector<Fq6> v = {Fq6::one(), Fq6{m1, m1, m1}, Fq6{Fq2{}, rng.fq2(), Fq2{}},
                        Fq6{rng.fq2(), Fq2{}, rng.fq2()}, Fq6{Fq2{}, Fq2{}, Fq2{Fq{}, FQ_ONE}}};
  for (int i = 0; i < 4; ++i) v.push_back(rng.fq6());
  return v;
}

std::vector<Fq12> fq12_values(testing::TestRng& rng) {
  const Fq2 m1{FQ_MINUS_ONE, FQ_MINUS_ONE};
  std::vector<Fq12> v = {Fq12::one(), Fq12{Fq6{m1, m1, m1}, Fq6{m1, m1, m1}},
                         Fq12{Fq6{}, rng.fq6()}, Fq12{rng.fq6(), Fq6{}}};
  for (int i = 0; i < 3; ++i) v.push_back(rng.fq12());
  return v;
}

TEST(Fq2, KnownAnswers) {
  const Fq a0 = fq(12345), b0 = fq(678), b1 = fq(91011);
  EXPECT_EQ((Fq2{a0, Fq{}}.mul(Fq2{b0, b1})), (Fq2{a0.mul(b0), a0.mul(b1)}));
  EXPECT_EQ((Fq2{Fq{}, FQ_MINUS_ONE}.mul(Fq2{Fq{}, FQ_MINUS_ONE})), (Fq2{FQ_MINUS_ONE, Fq{}}));
  EXPECT_EQ((Fq2{Fq{}, FQ_ONE}.square()), (Fq2{FQ_MINUS_ONE, Fq{}}));
  EXPECT_EQ(fq2(5, 0).square(), fq2(25, 0));
  EXPECT_FALSE(Fq2{}.inverse().has_value());
  EXPECT_EQ(*fq2(0, 7).inverse(), (Fq2{Fq{}, fq(7).inverse()->neg()}));
  // Conjugation: k = 2 changes nothing, k = 1 and 3 conjugate; a zero c1 stays all-zero.
  Fq2 c = fq2(3, 4);
  c.frobenius_map(2);
  EXPECT_EQ(c, fq2(3, 4));
  c.frobenius_map(3);
  EXPECT_EQ(c, (Fq2{fq(3), fq(4).neg()}));
  Fq2 real = fq2(3, 0);
  real.frobenius_map(1);
  EXPECT_EQ(real.c1.mont, (Limbs{0, 0, 0, 0}));
}

TEST(Fq2, Laws) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const std::vector<Fq2> values = fq2_values(rng);
  for (const Fq2& a : values) {
    EXPECT_EQ(a.square(), a.mul(a));
    EXPECT_EQ(a.doubled(), a.add(a));
    EXPECT_EQ(a.add(a.neg()), Fq2::zero());
    EXPECT_EQ(a.mul(*a.inverse()), Fq2::one());
    for (uint64_t k = 0; k < 4; ++k) {
      Fq2 f = a;
      f.frobenius_map(k);
      EXPECT_EQ(f, pow(a, kP.pow(static_cast<unsigned>(k)))) << "k = " << k;
    }
    for (const Fq2& b : values) {
      // The product by a sum formed without its reduction.
      EXPECT_EQ(a.mul_by_sum(b, values[2]), a.mul(b.add(values[2])));
      EXPECT_EQ(a.mul_by_sum(b, b), a.mul(b.doubled()));
      // Against the schoolbook formula with separate reductions.
      EXPECT_EQ(a.mul(b), (Fq2{a.c0.mul(b.c0).sub(a.c1.mul(b.c1)), a.c0.mul(b.c1).add(a.c1.mul(b.c0))}));
    }
  }
}

TEST(Fq6, KnownAnswers) {
  const Fq6 v{Fq2{}, Fq2::one(), Fq2{}};
  const Fq6 v2{Fq2{}, Fq2{}, Fq2::one()};
  EXPECT_EQ(v.mul(v2), (Fq6{kXi, Fq2{}, Fq2{}}));
  EXPECT_EQ(v2.square(), (Fq6{Fq2{}, kXi, Fq2{}}));
  EXPECT_EQ(v.mul(v), v2);
  EXPECT_EQ(Fq6::mul_fq2_by_nonresidue(Fq2::one()), kXi);
  EXPECT_EQ(Fq6::mul_fq2_by_nonresidue(Fq2{Fq{}, FQ_ONE}), (Fq2{FQ_MINUS_ONE, fq(9)}));
  EXPECT_TRUE(Fq6::zero().is_zero());
  EXPECT_FALSE((Fq6{Fq2{}, Fq2{}, Fq2{Fq{}, FQ_ONE}}.is_zero()));
}

// The product by ξ (one reduction of a small multiple per part) against the product by the
// element 9 + u, on the Fq2 edge values and random ones, and on parts whose integers 9·t0 + p - t1
// and 9·t1 + t0 fall at the quotient table's steps (near multiples of p and of 2^250).
TEST(Fq6, ProductByXiMatchesTheFullProduct) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  std::vector<Fq2> values = fq2_values(rng);
  const Fq2 small_multiples[] = {
      Fq2{Fq{{0, 0, 0, uint64_t{1} << 58}}, Fq{}},  // 2^250
      Fq2{Fq{{~0ull, ~0ull, ~0ull, (uint64_t{1} << 58) - 1}}, kLargest},
      Fq2{Fq{{0, 0, 0, uint64_t{3} << 58}}, Fq{{0, 0, 0, uint64_t{1} << 59}}},
  };
  for (const Fq2& t : small_multiples) values.push_back(t);
  // The largest part against small ones: sums at the top of the range, 9(p - 1) + p - d.
  for (uint64_t d = 0; d < 9; ++d) {
    values.push_back(Fq2{kLargest, Fq{{d, 0, 0, 0}}});
    values.push_back(Fq2{Fq{{d, 0, 0, 0}}, kLargest});
  }
  for (const Fq2& t : values) EXPECT_EQ(Fq6::mul_fq2_by_nonresidue(t), t.mul(kXi));
}

TEST(Fq6, Laws) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const std::vector<Fq6> values = fq6_values(rng);
  const Fq6 v{Fq2{}, Fq2::one(), Fq2{}};
  for (const Fq6& a : values) {
    EXPECT_EQ(a.square(), a.mul(a));
    EXPECT_EQ(a.mul(Fq6::one()), a);
    EXPECT_EQ(a.mul(Fq6::zero()), Fq6::zero());
    Fq6 s = a;
    s.mul_by_c0_c1(Fq2::one(), Fq2{});
    EXPECT_EQ(s, a);
    s = a;
    s.mul_by_c0_c1(Fq2{}, Fq2::one());
    EXPECT_EQ(s, a.mul(v));
    for (const Fq2& b0 : {rng.fq2(), Fq2{}, Fq2{FQ_MINUS_ONE, FQ_MINUS_ONE}}) {
      const Fq2 b1 = rng.fq2();
      s = a;
      s.mul_by_c0_c1(b0, b1);
      EXPECT_EQ(s, a.mul(Fq6{b0, b1, Fq2{}}));
    }
    for (uint64_t k = 0; k < 6; ++k) {
      Fq6 f = a;
      f.frobenius_map(k);
      EXPECT_EQ(f, pow(a, kP.pow(static_cast<unsigned>(k)))) << "k = " << k;
    }
    Fq6 f = a;
    f.frobenius_map(1);
    f.frobenius_map(2);
    Fq6 g = a;
    g.frobenius_map(3);
    EXPECT_EQ(f, g);
    g.frobenius_map(3);
    EXPECT_EQ(g, a);
  }
}

TEST(Fq12, Laws) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const std::vector<Fq12> values = fq12_values(rng);
  for (const Fq12& a : values) {
    Fq12 sq = a;
    sq.square_in_place();
    EXPECT_EQ(sq, a.mul(a));
    EXPECT_EQ(a.mul(Fq12::one()), a);
    EXPECT_EQ(a.mul(Fq12::zero()), Fq12::zero());
    const Fq12 b = rng.fq12();
    Fq12 m = a;
    m.mul_assign(b);
    EXPECT_EQ(m, a.mul(b));
    Fq12 over = b;
    over = a.mul(over);
    EXPECT_EQ(over, m);

    const Fq12 inv = *a.inverse();
    EXPECT_EQ(a.mul(inv), Fq12::one());

    for (uint64_t k = 0; k < 6; ++k) {
      Fq12 f = a;
      f.frobenius_map(k);
      EXPECT_EQ(f, pow(a, kP.pow(static_cast<unsigned>(k)))) << "k = " << k;
    }
    Fq12 twice = a;
    twice.frobenius_map(1);
    twice.frobenius_map(1);
    Fq12 once = a;
    once.frobenius_map(2);
    EXPECT_EQ(twice, once);

    Fq12 c = a;
    EXPECT_TRUE(c.conjugate());
    EXPECT_EQ(c.c0, a.c0);
    EXPECT_EQ(c.c1, a.c1.neg());
    c.conjugate();
    EXPECT_EQ(c, a);
  }
}

TEST(Fq12, EdgeCases) {
  Fq12 z = Fq12::zero();
  z.square_in_place();
  EXPECT_EQ(z, Fq12::zero());
  Fq12 one = Fq12::one();
  one.square_in_place();
  EXPECT_EQ(one, Fq12::one());
  EXPECT_FALSE(Fq12::zero().inverse().has_value());
  EXPECT_EQ(*Fq12::one().inverse(), Fq12::one());
  Fq12 zc = Fq12::zero();
  EXPECT_FALSE(zc.conjugate());
  EXPECT_EQ(zc, Fq12::zero());
  // c1 = 0: unchanged, reported done; its zero coordinates stay all-zero words.
  Fq12 real{Fq6{fq2(2, 3), Fq2{}, Fq2{}}, Fq6{}};
  const Fq12 before = real;
  EXPECT_TRUE(real.conjugate());
  EXPECT_EQ(real, before);
  // A value whose only non-zero coordinate is c0.c0.c0 is fixed by every Frobenius power.
  for (uint64_t k = 0; k < 6; ++k) {
    Fq12 f{Fq6{fq2(7, 0), Fq2{}, Fq2{}}, Fq6{}};
    f.frobenius_map(k);
    EXPECT_EQ(f, (Fq12{Fq6{fq2(7, 0), Fq2{}, Fq2{}}, Fq6{}}));
  }
}

// The constant tables: each entry against its defining power of ξ, and against every value
// given for it in canonical form.
TEST(TowerConstants, FrobeniusTablesFollowTheirRules) {
  const BigUint pm1 = kP - BigUint(1);
  for (unsigned k = 0; k < 6; ++k) {
    const BigUint e = (kP.pow(k) - BigUint(1)) / BigUint(3);
    EXPECT_EQ(FQ6_FROBENIUS_C1[k], pow(kXi, e)) << "k = " << k;
    EXPECT_EQ(FQ6_FROBENIUS_C2[k], pow(kXi, e + e)) << "k = " << k;
    EXPECT_EQ(FQ6_FROBENIUS_C2[k], FQ6_FROBENIUS_C1[k].square());
  }
  for (unsigned k = 0; k < 12; ++k) {
    EXPECT_EQ(FQ12_FROBENIUS_C1[k], pow(kXi, (kP.pow(k) - BigUint(1)) / BigUint(6))) << "k = " << k;
  }
  EXPECT_EQ(FQ2_FROBENIUS_C1[0], FQ_ONE);
  EXPECT_EQ(FQ2_FROBENIUS_C1[1], FQ_MINUS_ONE);
  EXPECT_EQ(PSI_COEFF_X, pow(kXi, pm1 / BigUint(3)));
  EXPECT_EQ(PSI_COEFF_Y, pow(kXi, pm1 / BigUint(2)));
  EXPECT_EQ(G2_COEFF_B.mul(kXi), fq2(3, 0));
}

TEST(TowerConstants, PublishedValues) {
  const Fq2 one = Fq2::one();
  EXPECT_EQ(FQ6_FROBENIUS_C1[0], one);
  EXPECT_EQ(FQ6_FROBENIUS_C2[0], one);
  const Fq2 c1_2{fq_from_hex("30644e72e131a0295e6dd9e7e0acccb0c28f069fbb966e3de4bd44e5607cfd48"), Fq{}};
  const Fq2 c2_2{fq_from_hex("59e26bcea0d48bacd4f263f1acdb5c4f5763473177fffffe"), Fq{}};
  EXPECT_EQ(FQ6_FROBENIUS_C1[2], c1_2);
  EXPECT_EQ(FQ6_FROBENIUS_C2[2], c2_2);
  EXPECT_EQ(FQ6_FROBENIUS_C1[4], c2_2);
  EXPECT_EQ(FQ6_FROBENIUS_C2[4], c1_2);
  const Fq2 psi_x{fq_from_hex("2fb347984f7911f74c0bec3cf559b143b78cc310c2c3330c99e39557176f553d"),
                  fq_from_hex("16c9e55061ebae204ba4cc8bd75a079432ae2a1d0b7c9dce1665d51c640fcba2")};
  EXPECT_EQ(FQ6_FROBENIUS_C1[1], psi_x);
  EXPECT_EQ(PSI_COEFF_X, psi_x);
  EXPECT_EQ(PSI_COEFF_X.c0.mont,
            testing::limbs_from_hex("1956bcd8118214ec7a007127242e0991347f91c8a9aa6454b5773b104563ab30"));
  EXPECT_EQ(PSI_COEFF_Y,
            (Fq2{fq_from_hex("063cf305489af5dcdc5ec698b6e2f9b9dbaae0eda9c95998dc54014671a0135a"),
                 fq_from_hex("07c03cbcac41049a0704b5a7ec796f2b21807dc98fa25bd282d37f632623b0e3")}));
  EXPECT_EQ(G2_COEFF_B,
            (Fq2{fq_from_hex("2b149d40ceb8aaae81be18991be06ac3b5b4c5e559dbefa33267e6dc24a138e5"),
                 fq_from_hex("009713b03af0fed4cd2cafadeed8fdf4a74fa084e52d1852e4a2bd0685c315d2")}));
  EXPECT_EQ(G2_COEFF_B.c0.mont,
            testing::limbs_from_hex("2514c6324384a86d26b7edf049755260020b1b273633535d3bf938e377b802a8"));
  EXPECT_EQ(G2_COEFF_B.c1.mont,
            testing::limbs_from_hex("0141b9ce4a688d4dd749d0dd22ac00aa65f0b37d93ce0d3e38e7ecccd1dcff67"));

  EXPECT_EQ(FQ12_FROBENIUS_C1[0], one);
  EXPECT_EQ(FQ12_FROBENIUS_C1[1],
            (Fq2{fq_from_hex("1284b71c2865a7dfe8b99fdd76e68b605c521e08292f2176d60b35dadcc9e470"),
                 fq_from_hex("246996f3b4fae7e6a6327cfe12150b8e747992778eeec7e5ca5cf05f80f362ac")}));
  EXPECT_EQ(FQ12_FROBENIUS_C1[6], (Fq2{FQ_MINUS_ONE, Fq{}}));
  for (size_t k : {2, 4, 8, 10}) EXPECT_TRUE(FQ12_FROBENIUS_C1[k].c1.is_zero()) << "k = " << k;
}

}  // namespace
}  // namespace kovra::bn254
