#include "stark/baby_bear.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kovra::stark {
namespace {

constexpr uint32_t P = BabyBearElem::P;
using E = BabyBearElem;
using X = BabyBearExtElem;

E fe(uint32_t plain) { return E::from_u32(plain); }

// Plain arithmetic on values below P, the reference for the Montgomery operations.
uint32_t mul_ref(uint64_t a, uint64_t b) { return uint32_t(a * b % P); }

TEST(BabyBear, FromU32ReducesAnyWord) {
  struct Case {
    uint32_t in;
    uint32_t plain;
  };
  const Case cases[] = {{0, 0}, {1, 1}, {P - 1, P - 1}, {P, 0}, {P + 5, 5},
                        {0xffffffffu, 0xffffffffu - 2 * P}};
  for (const auto& c : cases) {
    const E e = E::from_u32(c.in);
    EXPECT_TRUE(e.is_reduced()) << c.in;
    EXPECT_EQ(e.to_u32(), c.plain) << c.in;
    EXPECT_EQ(e.raw(), uint32_t((uint64_t{c.plain} << 32) % P)) << c.in;
  }
  EXPECT_EQ(E::from_u32(0xffffffffu), fe(268435453));
  EXPECT_EQ(E::one().raw(), 0x0ffffffeu);
  EXPECT_EQ(E::one().to_u32(), 1u);
  EXPECT_EQ(E::from_raw(0x12345678u).raw(), 0x12345678u);
}

TEST(BabyBear, IsReducedAtTheModulus) {
  EXPECT_TRUE(E::from_raw(P - 1).is_reduced());
  EXPECT_FALSE(E::from_raw(P).is_reduced());
  EXPECT_FALSE(E::from_raw(0xffffffffu).is_reduced());
}

TEST(BabyBear, EdgeArithmetic) {
  const E m1 = fe(P - 1);
  EXPECT_EQ(m1 * m1, E::one());
  EXPECT_EQ(m1 + E::one(), E::zero());
  EXPECT_EQ(E::zero() - E::one(), m1);
  EXPECT_EQ(-E::zero(), E::zero());
  EXPECT_EQ(-E::one(), m1);
  EXPECT_EQ(-m1, E::one());
  EXPECT_EQ(m1 - m1, E::zero());
  EXPECT_EQ(E::zero() * m1, E::zero());
}

TEST(BabyBear, OperationsAgreeWithPlainArithmetic) {
  std::mt19937_64 rng(20261210);
  for (int i = 0; i < 20000; ++i) {
    // Mix uniform values with values at the ends of the range.
    uint32_t a = uint32_t(rng() % P), b = uint32_t(rng() % P);
    if (i % 7 == 0) a = P - 1 - uint32_t(rng() % 3);
    if (i % 11 == 0) b = uint32_t(rng() % 3);
    const E x = fe(a), y = fe(b);
    ASSERT_EQ((x + y).to_u32(), uint32_t((uint64_t{a} + b) % P));
    ASSERT_EQ((x - y).to_u32(), uint32_t((uint64_t{a} + P - b) % P));
    ASSERT_EQ((x * y).to_u32(), mul_ref(a, b));
    ASSERT_EQ((-x).to_u32(), (P - a) % P);
    ASSERT_TRUE((x * y).is_reduced() && (x + y).is_reduced() && (x - y).is_reduced());
  }
}

// mont_reduce(t) is t / 2^32 mod P for every 64-bit t, checked against plain arithmetic at
// the ends of the range and at the sums the lazy products form (up to four (P-1)^2).
TEST(BabyBear, MontReduceTakesAnyWord) {
  const uint64_t inv_r = 0x38400000u;  // 2^-32 mod P
  ASSERT_EQ(inv_r * (uint64_t{1} << 32) % P, 1u);
  auto ref = [&](uint64_t t) { return uint32_t((t % P) * inv_r % P); };
  const uint64_t sq = uint64_t{P - 1} * (P - 1);
  std::vector<uint64_t> cases = {0, 1, 0xffffffffu, uint64_t{1} << 32, sq, 2 * sq, 3 * sq,
                                 4 * sq, uint64_t{P} << 32, (uint64_t{P} << 32) - 1,
                                 ~uint64_t{0}, ~uint64_t{0} - 0xffffffffu};
  std::mt19937_64 rng(7);
  for (int i = 0; i < 20000; ++i) cases.push_back(rng());
  for (uint64_t t : cases) ASSERT_EQ(E::mont_reduce(t), ref(t)) << t;
}

TEST(BabyBear, FieldLaws) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 2000; ++i) {
    const E a = fe(uint32_t(rng())), b = fe(uint32_t(rng())), c = fe(uint32_t(rng()));
    ASSERT_EQ(a + b, b + a);
    ASSERT_EQ(a * b, b * a);
    ASSERT_EQ((a + b) + c, a + (b + c));
    ASSERT_EQ((a * b) * c, a * (b * c));
    ASSERT_EQ(a * (b + c), a * b + a * c);
    ASSERT_EQ(a - b + b, a);
    ASSERT_EQ(a + (-a), E::zero());
    if (a != E::zero()) {
      ASSERT_EQ(a * a.inv(), E::one());
    }
  }
}

TEST(BabyBear, PowAndInverse) {
  EXPECT_EQ(E::zero().pow(0), E::one());
  EXPECT_EQ(fe(12345).pow(0), E::one());
  EXPECT_EQ(E::zero().pow(5), E::zero());
  EXPECT_EQ(E::zero().inv(), E::zero());
  EXPECT_EQ(E::one().inv(), E::one());
  EXPECT_EQ(fe(2).inv(), fe((P + 1) / 2));
  EXPECT_EQ(fe(3).pow(7).to_u32(), 2187u);
  // pow over a 64-bit exponent: 3^(P-1) = 1 (Fermat), so 3^(k(P-1) + 5) = 3^5.
  EXPECT_EQ(fe(3).pow(uint64_t{P - 1} * 0x1234567u + 5), fe(243));
  const E x = fe(987654321);
  E acc = E::one();
  for (uint64_t e = 0; e < 40; ++e, acc *= x) ASSERT_EQ(x.pow(e), acc) << e;
}

// root_power multiplies table entries for the exponent's bits; it is the root's power, also for
// exponents with bits at and above log_n (where the root's order wraps them to one).
TEST(BabyBear, RootPowerIsThePowerOfTheRoot) {
  std::mt19937_64 rng(20261210);
  for (const uint32_t log_n : {0u, 1u, 2u, 4u, 10u, 18u, 27u}) {
    std::vector<uint64_t> exps = {0, 1, (uint64_t{1} << log_n) - 1, uint64_t{1} << log_n,
                                  ~uint64_t{0}};
    for (int i = 0; i < 20; ++i)
      exps.push_back(i % 2 == 0 ? rng() & ((uint64_t{1} << log_n) - 1) : rng() >> 30);
    for (const uint64_t x : exps) {
      ASSERT_EQ(root_power(ROOTS, log_n, x), ROOTS[log_n].pow(x)) << log_n << " " << x;
      ASSERT_EQ(root_power(INV_ROOTS, log_n, x), INV_ROOTS[log_n].pow(x)) << log_n << " " << x;
    }
  }
}

TEST(BabyBear, RootsOfUnity) {
  // The Montgomery words of both tables, computed independently in Python from
  // ROOTS[27] = 137, ROOTS[k-1] = ROOTS[k]^2 (x * 2^32 mod P; inverses by pow(x, P-2, P)).
  const uint32_t roots[28] = {
      0x0ffffffe, 0x68000003, 0x5bc72af0, 0x02ec07f3, 0x67e027ca, 0x19e5f901, 0x3b27e54a,
      0x20d1773e, 0x771ea53a, 0x0fb182ad, 0x146d1455, 0x3e7d65f0, 0x327884f2, 0x53fc8703,
      0x20742dd1, 0x31062eda, 0x642b70ab, 0x1ccd534b, 0x03cc9bf7, 0x6686182f, 0x2e2516d3,
      0x5701b5c8, 0x193a6352, 0x112fc5b9, 0x63ec6b91, 0x5b34b3ff, 0x3fff6398, 0x1ffffedc};
  const uint32_t inv_roots[28] = {
      0x0ffffffe, 0x68000003, 0x1c38d511, 0x3d85298f, 0x5f06e481, 0x38a3c615, 0x4ed6e525,
      0x55372b64, 0x4d88ae94, 0x5806fd5e, 0x2ced6d6a, 0x1851eacd, 0x2fa36b4d, 0x0a556a3b,
      0x18ae7209, 0x742ba568, 0x3f462cba, 0x50b5c3b2, 0x0dfdfca6, 0x3821b546, 0x45e4cd80,
      0x3e6793bd, 0x5bdeafa3, 0x2e01d37a, 0x2da9f4f0, 0x1db7e183, 0x167ca34b, 0x50b3630a};
  for (size_t k = 0; k < 28; ++k) {
    EXPECT_EQ(ROOTS[k].raw(), roots[k]) << k;
    EXPECT_EQ(INV_ROOTS[k].raw(), inv_roots[k]) << k;
    EXPECT_EQ(ROOTS[k] * INV_ROOTS[k], E::one()) << k;
    EXPECT_EQ(ROOTS[k].pow(uint64_t{1} << k), E::one()) << k;
    if (k >= 1) {
      EXPECT_NE(ROOTS[k].pow(uint64_t{1} << (k - 1)), E::one()) << k;
    }
  }
  EXPECT_EQ(ROOTS[27].to_u32(), 137u);
  EXPECT_EQ(ROOTS[26].to_u32(), 18769u);
  EXPECT_EQ(ROOTS[1].to_u32(), P - 1);
  EXPECT_EQ(INV_ROOTS[1].to_u32(), P - 1);
}

TEST(BabyBear, TagToElems) {
  const char* text = "DURO0_STARK:v1__";
  std::array<uint8_t, 16> tag{};
  for (size_t i = 0; i < 16; ++i) tag[i] = uint8_t(text[i]);
  const auto elems = tag_to_elems(tag);
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(elems[i].to_u32(), uint32_t(uint8_t(text[i]))) << i;
}

TEST(BabyBear, TextForm) {
  EXPECT_EQ(fe(P - 1).fmt(), "0x78000000");
  EXPECT_EQ(E::zero().fmt(), "0x00000000");
  EXPECT_EQ(fe(5).fmt(), "0x00000005");
  EXPECT_EQ(fe(0xabcdef).fmt(), "0x00abcdef");
}

// Schoolbook product in F_p[X] / (X^4 + 11) over plain values: the reference for the
// extension product.
std::array<uint32_t, 4> ext_mul_ref(const std::array<uint32_t, 4>& a,
                                    const std::array<uint32_t, 4>& b) {
  uint64_t prod[7] = {};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) prod[i + j] = (prod[i + j] + uint64_t{a[i]} * b[j]) % P;
  std::array<uint32_t, 4> out{};
  for (int i = 0; i < 4; ++i) {
    const uint64_t high = i + 4 < 7 ? prod[i + 4] : 0;  // X^(i+4) = -11 X^i
    out[i] = uint32_t((prod[i] + (P - 11) * high) % P);
  }
  return out;
}

X ext(const std::array<uint32_t, 4>& v) { return X(fe(v[0]), fe(v[1]), fe(v[2]), fe(v[3])); }

TEST(BabyBearExt, XTimesXCubedIsMinusEleven) {
  EXPECT_EQ(ext({0, 1, 0, 0}) * ext({0, 0, 0, 1}), ext({P - 11, 0, 0, 0}));
  EXPECT_EQ(ext({0, 0, 1, 0}) * ext({0, 0, 1, 0}), ext({P - 11, 0, 0, 0}));
  EXPECT_EQ(ext({0, 0, 0, 1}) * ext({0, 0, 0, 1}), ext({0, 0, P - 11, 0}));
}

TEST(BabyBearExt, ProductAndInverse) {
  std::mt19937_64 rng(42);
  auto rnd = [&] { return uint32_t(rng() % P); };
  for (int i = 0; i < 2000; ++i) {
    const std::array<uint32_t, 4> a{rnd(), rnd(), rnd(), rnd()}, b{rnd(), rnd(), rnd(), rnd()};
    const X x = ext(a), y = ext(b);
    ASSERT_EQ(x * y, ext(ext_mul_ref(a, b)));
    ASSERT_EQ(x * y, y * x);
    ASSERT_EQ(x * x.inv(), X::one());
    ASSERT_EQ((x + y) - y, x);
    ASSERT_EQ(x + (-x), X::zero());
    ASSERT_EQ(x * fe(a[0]), x * X(fe(a[0])));
  }
  // The largest components give the largest unreduced sums inside the product.
  const std::array<uint32_t, 4> top{P - 1, P - 1, P - 1, P - 1}, near{P - 2, P - 1, P - 3, P - 1};
  EXPECT_EQ(ext(top) * ext(top), ext(ext_mul_ref(top, top)));
  EXPECT_EQ(ext(top) * ext(near), ext(ext_mul_ref(top, near)));
  // Elements with zero components take other paths through the norm.
  for (const auto& a : {std::array<uint32_t, 4>{0, 0, 0, 1}, {0, 0, 5, 0}, {0, 7, 0, 0},
                        {3, 0, 0, 0}, {1, 0, 1, 0}, {0, 1, 0, 1}, {P - 1, P - 1, P - 1, P - 1}})
    EXPECT_EQ(ext(a) * ext(a).inv(), X::one());
  EXPECT_EQ(X::zero().inv(), X::zero());
  EXPECT_EQ(X::one().inv(), X::one());
}

TEST(BabyBearExt, Pow) {
  const X x = ext({1, 2, 3, 4});
  EXPECT_EQ(x.pow(0), X::one());
  EXPECT_EQ(X::zero().pow(0), X::one());
  X acc = X::one();
  for (uint64_t e = 0; e < 20; ++e, acc *= x) ASSERT_EQ(x.pow(e), acc) << e;
  // Frobenius: x^(P^4) = x in a field of P^4 elements, while x^P != x for x outside F_p.
  EXPECT_NE(x.pow(P), x);
  EXPECT_EQ(x.pow(P).pow(P).pow(P).pow(P), x);
}

}  // namespace
}  // namespace kovra::stark
