#include <gtest/gtest.h>

#include "bn254/final_exponentiation.h"
#include "bn254/miller_loop.h"
#include "bn254/testing/bigint.h"
#include "bn254/testing/random.h"

namespace kovra::bn254 {
namespace {

using testing::BigUint;
using testing::TestRng;

Fq12 pairing(const G1Affine& p, const G2Affine& q) {
  const G2LineCoeffs lines = G2LineCoeffs::from_point(q);
  const MillerLoopPair pairs[] = {{p, lines}};
  return *final_exponentiation(miller_loop(pairs));
}

TEST(Pairing, GeneratorsGiveANonTrivialValueOfOrderR) {
  const Fq12 e = pairing(testing::g1_generator(), testing::g2_generator());
  EXPECT_NE(e, Fq12::one());
  EXPECT_EQ(testing::pow(e, BigUint(FR_MODULUS)), Fq12::one());
}

TEST(Pairing, IsBilinearForSmallScalars) {
  const G1Affine p = testing::g1_generator();
  const G2Affine q = testing::g2_generator();
  const uint64_t five[] = {5};
  const uint64_t eleven[] = {11};
  const Fq12 lhs = pairing(p.scalar_mul(five).to_affine(), q.scalar_mul(eleven).to_affine());
  EXPECT_EQ(lhs, testing::pow(pairing(p, q), BigUint(55)));
  EXPECT_TRUE(q.check().ok());
}

}  // namespace
}  // namespace kovra::bn254
