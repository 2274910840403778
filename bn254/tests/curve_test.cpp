// G1 and G2: curve tests, group laws, scalar multiplication, ψ and the G2 subgroup test.
#include <gtest/gtest.h>

#include "bn254/g1.h"
#include "bn254/g2.h"
#include "bn254/testing/bigint.h"
#include "bn254/testing/random.h"

namespace kovra::bn254 {
namespace {

using testing::BigUint;

Fq fq(uint64_t v) { return *Fq::from_canonical({v, 0, 0, 0}); }
std::string seed_trace() { return "KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()); }

const std::array<uint64_t, 4> kR = FR_MODULUS;

TEST(G1, CurveTest) {
  EXPECT_TRUE((G1Affine{fq(1), fq(2), false}.is_on_curve().ok()));
  const auto off = G1Affine{fq(1), fq(3), false}.is_on_curve();
  ASSERT_FALSE(off.ok());
  EXPECT_EQ(off.error(), PointDecodeError::invalid_data());
  EXPECT_TRUE((G1Affine{fq(1), fq(3), true}.is_on_curve().ok()));
}

TEST(G1, GroupLaws) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const G1Affine g = testing::g1_generator();
  EXPECT_TRUE(g.scalar_mul(kR).is_identity());
  const G1Affine p = rng.g1();
  EXPECT_TRUE(p.is_on_curve().ok());
  EXPECT_TRUE(p.scalar_mul(kR).is_identity());
  const uint64_t zero[] = {0}, one[] = {1}, two[] = {2}, three[] = {3};
  EXPECT_TRUE(p.scalar_mul(zero).is_identity());
  EXPECT_EQ(p.scalar_mul(one).to_affine(), p);
  // Adding P to a T that stands for P doubles; adding it to one for -P gives (1, 1, 0).
  G1Projective t = p.to_projective();
  t.add_assign_affine(p);
  EXPECT_EQ(t.to_affine(), p.scalar_mul(two).to_affine());
  t.add_assign_affine(p);
  EXPECT_EQ(t.to_affine(), p.scalar_mul(three).to_affine());
  G1Projective u = p.neg().to_projective();
  u.add_assign_affine(p);
  EXPECT_EQ(u.x, FQ_ONE);
  EXPECT_EQ(u.y, FQ_ONE);
  EXPECT_TRUE(u.z.is_zero());
  // [r-1]P = -P.
  std::array<uint64_t, 4> r_minus_1 = kR;
  r_minus_1[0] -= 1;
  EXPECT_EQ(p.scalar_mul(r_minus_1).to_affine(), p.neg());
  // The identity times anything is the identity.
  EXPECT_TRUE(G1Affine::identity().scalar_mul(three).is_identity());
}

TEST(G1, JacobianEdgeCases) {
  G1Projective id{fq(5), fq(7), Fq{}};
  const G1Projective before = id;
  id.double_in_place();
  EXPECT_EQ(id.x, before.x);
  EXPECT_EQ(id.y, before.y);
  EXPECT_EQ(id.z, before.z);
  G1Projective t{fq(1), fq(2), FQ_ONE};
  t.double_in_place();
  EXPECT_EQ(t.z, fq(4));
  const G1Affine a = G1Projective{fq(5), fq(7), FQ_ONE}.to_affine();
  EXPECT_EQ(a, (G1Affine{fq(5), fq(7), false}));
  const G1Affine inf = G1Projective{fq(5), fq(7), Fq{}}.to_affine();
  EXPECT_EQ(inf, G1Affine::identity());
  EXPECT_TRUE(inf.x.is_zero() && inf.y.is_zero());
  // A non-trivial Z: (X·Z^2, Y·Z^3, Z) stands for (X, Y).
  const G1Affine g = testing::g1_generator();
  const Fq z = fq(11);
  const G1Projective scaled{g.x.mul(z.square()), g.y.mul(z.square().mul(z)), z};
  EXPECT_EQ(scaled.to_affine(), g);
}

TEST(G2, CurveAndSubgroupTests) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const G2Affine g = testing::g2_generator();
  EXPECT_TRUE(g.is_on_curve());
  EXPECT_TRUE(g.check().ok());
  const G2Affine q = rng.g2();
  EXPECT_TRUE(q.check().ok());
  EXPECT_TRUE(q.scalar_mul(kR).is_identity());
  // ψ(Q) = [6x^2]Q for Q in the subgroup.
  EXPECT_TRUE(q.scalar_mul(G2_SUBGROUP_SCALAR).eq(q.psi().to_projective()));
  EXPECT_EQ(BigUint(G2_SUBGROUP_SCALAR), BigUint(6) * BigUint(BN_X) * BigUint(BN_X));

  // A point of the twist outside the subgroup: on the curve, refused by the subgroup test,
  // and accepted once multiplied by the cofactor 2p - r.
  const G2Affine outside = rng.twist_point_outside_subgroup();
  EXPECT_TRUE(outside.is_on_curve());
  EXPECT_FALSE(outside.scalar_mul(G2_SUBGROUP_SCALAR).eq(outside.psi().to_projective()));
  const auto refused = outside.check();
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error(), PointDecodeError::invalid_data());
  const BigUint cofactor = BigUint(2) * BigUint(FQ_MODULUS) - BigUint(FR_MODULUS);
  const G2Affine cleared = outside.scalar_mul(cofactor.words()).to_affine();
  EXPECT_TRUE(cleared.check().ok());

  // Off the twist: refused (without the subgroup test); infinity passes whatever it holds.
  G2Affine off = q;
  off.y.c0.add_assign(FQ_ONE);
  EXPECT_FALSE(off.is_on_curve());
  EXPECT_FALSE(off.check().ok());
  EXPECT_TRUE((G2Affine{q.x, Fq2{fq(1), fq(2)}, true}.check().ok()));
}

TEST(G2, GroupLaws) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const G2Affine q = rng.g2();
  const uint64_t two[] = {2};
  G2Projective t = q.to_projective();
  t.add_assign_affine(q);
  EXPECT_TRUE(t.eq(q.scalar_mul(two)));
  EXPECT_EQ(t.to_affine(), q.scalar_mul(two).to_affine());
  G2Projective u = q.neg().to_projective();
  u.add_assign_affine(q);
  EXPECT_TRUE(u.is_identity());
  EXPECT_EQ(u.x, Fq2::one());
  EXPECT_EQ(u.y, Fq2::one());
  // Doubling the identity changes nothing; doubling (X, Y, 1) gives Z3 = 2Y.
  G2Projective id = G2Projective::identity();
  id.double_in_place();
  EXPECT_TRUE(id.z.is_zero() && id.x == Fq2::one() && id.y == Fq2::one());
  G2Projective d = q.to_projective();
  d.double_in_place();
  EXPECT_EQ(d.z, q.y.doubled());
  // eq: identity only equals identity; points equal across different Z.
  EXPECT_TRUE(G2Projective::identity().eq(G2Projective::identity()));
  EXPECT_FALSE(G2Projective::identity().eq(q.to_projective()));
  EXPECT_FALSE(q.to_projective().eq(G2Projective::identity()));
  EXPECT_TRUE(d.eq(d.to_affine().to_projective()));
  EXPECT_FALSE(d.eq(q.to_projective()));
  // ψ keeps the infinity mark.
  EXPECT_TRUE(G2Affine::identity().psi().infinity);
}

}  // namespace
}  // namespace kovra::bn254
