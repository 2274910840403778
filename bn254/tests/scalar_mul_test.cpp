// Width-w digit forms, the multi-scalar product and the subgroup test against plain
// double-and-add.
#include <gtest/gtest.h>

#include <vector>

#include "bn254/g1.h"
#include "bn254/g2.h"
#include "bn254/testing/bigint.h"
#include "bn254/testing/random.h"
#include "bn254/wnaf.h"

namespace kovra::bn254 {
namespace {

using testing::BigUint;

std::string seed_trace() { return "KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()); }

// Checks every property of the form and that it adds up to k.
template <size_t Words>
void expect_valid_form(const std::array<uint64_t, Words>& k, unsigned w) {
  SCOPED_TRACE("w=" + std::to_string(w));
  const WnafDigits<Words> f = wnaf_digits(k, w);
  const int bound = 1 << (w - 1);
  BigUint pos(0), neg(0);
  size_t last_nonzero = 0;
  bool any = false;
  for (size_t i = f.size; i-- > 0;) {
    const int d = f.digits[i];
    pos = pos * BigUint(2);
    neg = neg * BigUint(2);
    if (d == 0) continue;
    EXPECT_NE(d % 2, 0) << "digit " << i;
    EXPECT_LT(d < 0 ? -d : d, bound) << "digit " << i;
    if (any) {
      EXPECT_GE(last_nonzero - i, w) << "digits " << i << " and " << last_nonzero;
    }
    last_nonzero = i;
    any = true;
    if (d > 0) pos = pos + BigUint(static_cast<uint64_t>(d));
    if (d < 0) neg = neg + BigUint(static_cast<uint64_t>(-d));
  }
  EXPECT_EQ(pos, BigUint(k) + neg);
  if (f.size > 0) {
    EXPECT_NE(f.digits[f.size - 1], 0);
  }
  for (size_t i = f.size; i < f.digits.size(); ++i) EXPECT_EQ(f.digits[i], 0);
}

TEST(Wnaf, FormsOfEdgeAndRandomScalars) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  std::vector<Limbs> table = {
      {0, 0, 0, 0},
      {1, 0, 0, 0},
      {7, 0, 0, 0},
      {~0ull, 0, 0, 0},
      {0, 1, 0, 0},
      {~0ull, ~0ull, ~0ull, ~0ull},  // the top digit carries past the last word
      {0x5555555555555555, 0xaaaaaaaaaaaaaaaa, 0, 0x8000000000000000},
      FR_MODULUS,
  };
  for (int i = 0; i < 20; ++i) table.push_back(rng.below_r());
  for (const Limbs& k : table)
    for (unsigned w = 2; w <= 7; ++w) expect_valid_form(k, w);
  expect_valid_form(G2_SUBGROUP_SCALAR, 3);
  EXPECT_EQ(wnaf_digits(Limbs{}, 4).size, 0u);
  // 7 = 8 - 1 at width 2; 7 itself at width 4.
  const auto seven2 = wnaf_digits(Limbs{7, 0, 0, 0}, 2);
  ASSERT_EQ(seven2.size, 4u);
  EXPECT_EQ(seven2.digits[0], -1);
  EXPECT_EQ(seven2.digits[3], 1);
  const auto seven4 = wnaf_digits(Limbs{7, 0, 0, 0}, 4);
  ASSERT_EQ(seven4.size, 1u);
  EXPECT_EQ(seven4.digits[0], 7);
}

// λ, the eigenvalue of the curve endomorphism, and its neighbours.
constexpr Limbs kLambda = {0x8b17ea66b99c90dd, 0x5bfc41088d8daaa7, 0xb3c4d79d41a91758, 0};
constexpr Limbs kLambdaPlus1 = {0x8b17ea66b99c90de, 0x5bfc41088d8daaa7, 0xb3c4d79d41a91758, 0};
constexpr Limbs kLambdaMinus1 = {0x8b17ea66b99c90dc, 0x5bfc41088d8daaa7, 0xb3c4d79d41a91758, 0};

G1Affine plain_sum(std::span<const G1Affine> points, std::span<const Limbs> k) {
  G1Projective acc = G1Projective::identity();
  for (size_t j = 0; j < points.size(); ++j) {
    const G1Affine term = points[j].scalar_mul(k[j]).to_affine();
    if (!term.infinity) acc.add_assign_affine(term);
  }
  return acc.to_affine();
}

TEST(G1MultiScalar, MatchesSeparateProducts) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const G1Affine p = rng.g1(), q = rng.g1();
  Limbs r_minus_1 = FR_MODULUS;
  r_minus_1[0] -= 1;
  const Limbs half = {rng.next(), rng.next(), 0, 0};
  struct Case {
    const char* name;
    std::vector<G1Affine> points;
    std::vector<Limbs> k;
  };
  const std::vector<Case> cases = {
      {"empty", {}, {}},
      {"one point", {p}, {rng.below_r()}},
      {"zero scalars", {p, q}, {{0, 0, 0, 0}, {0, 0, 0, 0}}},
      {"identity point", {G1Affine::identity(), q}, {rng.below_r(), rng.below_r()}},
      {"r - 1", {p}, {r_minus_1}},
      // Terms that cancel, and terms that meet on the same point mid-way (a doubling).
      {"P and -P", {p, p.neg()}, {half, half}},
      {"P twice", {p, p}, {half, half}},
      {"small", {p, q, p}, {{1, 0, 0, 0}, {2, 0, 0, 0}, {3, 0, 0, 0}}},
      // Scalars that are split by the endomorphism: just above 128 bits, λ and λ ± 1 (one
      // half zero), r and multiples of it (the point vanishes), the largest 256-bit value.
      {"split edges", {p, q, p, q, p, q},
       {{0, 0, 1, 0}, kLambda, kLambdaPlus1, kLambdaMinus1, FR_MODULUS, {~0ull, ~0ull, ~0ull, ~0ull}}},
      {"split and not", {p, q}, {{~0ull, ~0ull, 0, 0}, {~0ull, ~0ull, 1, 0}}},
      {"inputs", {p, q, rng.g1(), rng.g1(), rng.g1()},
       {half, {rng.next(), rng.next(), 0, 0}, {rng.next(), rng.next(), 0, 0},
        {rng.next(), rng.next(), 0, 0}, rng.below_r()}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(g1_multi_scalar_mul(c.points, c.k).to_affine(), plain_sum(c.points, c.k));
  }
  // Each random scalar alone, which is split unless it has at most 128 bits.
  for (int round = 0; round < 16; ++round) {
    const G1Affine point = rng.g1();
    const Limbs scalar = rng.below_r();
    EXPECT_EQ(g1_multi_scalar_mul(std::span(&point, 1), std::span(&scalar, 1)).to_affine(),
              point.scalar_mul(scalar).to_affine());
  }
  for (int round = 0; round < 10; ++round) {
    std::vector<G1Affine> points;
    std::vector<Limbs> k;
    for (int j = 0; j < 1 + round % 6; ++j) {
      points.push_back(rng.g1());
      k.push_back(rng.below_r());
    }
    EXPECT_EQ(g1_multi_scalar_mul(points, k).to_affine(), plain_sum(points, k));
  }
}

TEST(G1, FullAddition) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const G1Affine p = rng.g1(), q = rng.g1();
  const uint64_t two[] = {2}, three[] = {3};
  G1Projective p2 = p.scalar_mul(two), q3 = q.scalar_mul(three);
  G1Projective sum = p2;
  sum.add_assign(q3);
  G1Projective expect = p2;
  expect.add_assign_affine(q3.to_affine());
  EXPECT_EQ(sum.to_affine(), expect.to_affine());
  // Equal points double, opposite points cancel, the identity on either side changes nothing.
  G1Projective twice = p2;
  twice.add_assign(p2.to_affine().to_projective());
  EXPECT_EQ(twice.to_affine(), p.scalar_mul(std::array<uint64_t, 1>{4}).to_affine());
  G1Projective cancel = p2;
  cancel.add_assign(p2.to_affine().neg().to_projective());
  EXPECT_TRUE(cancel.is_identity());
  G1Projective left = G1Projective::identity();
  left.add_assign(q3);
  EXPECT_EQ(left.to_affine(), q3.to_affine());
  G1Projective right = q3;
  right.add_assign(G1Projective::identity());
  EXPECT_EQ(right.to_affine(), q3.to_affine());
}

TEST(G2, SubgroupTestAgreesWithPlainProduct) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const auto plain = [](const G2Affine& q) {
    return q.scalar_mul(G2_SUBGROUP_SCALAR).eq(q.psi().to_projective());
  };
  std::vector<G2Affine> points = {testing::g2_generator(), G2Affine::identity()};
  for (int i = 0; i < 4; ++i) {
    points.push_back(rng.g2());
    const G2Affine outside = rng.twist_point_outside_subgroup();
    points.push_back(outside);
    // Outside point plus a subgroup point: still outside.
    G2Projective mixed = outside.to_projective();
    mixed.add_assign_affine(rng.g2());
    points.push_back(mixed.to_affine());
  }
  for (const G2Affine& q : points) EXPECT_EQ(q.is_in_subgroup(), plain(q));
  EXPECT_TRUE(points[2].is_in_subgroup());
  EXPECT_FALSE(points[3].is_in_subgroup());
}

TEST(G2, FullAddition) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const G2Affine p = rng.g2(), q = rng.g2();
  const uint64_t two[] = {2}, three[] = {3}, five[] = {5};
  G2Projective sum = p.scalar_mul(two);
  sum.add_assign(p.scalar_mul(three));
  EXPECT_TRUE(sum.eq(p.scalar_mul(five)));
  G2Projective other = p.scalar_mul(two);
  other.add_assign(q.scalar_mul(three));
  G2Projective expect = q.scalar_mul(three);
  expect.add_assign_affine(p.scalar_mul(two).to_affine());
  EXPECT_TRUE(other.eq(expect));
  G2Projective cancel = p.scalar_mul(two);
  cancel.add_assign(p.neg().scalar_mul(two));
  EXPECT_TRUE(cancel.is_identity());
}

}  // namespace
}  // namespace kovra::bn254
