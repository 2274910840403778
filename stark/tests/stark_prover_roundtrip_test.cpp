// Honest seals from the test prover verify, fully consumed.
#include <gtest/gtest.h>

#include "stark/testing/prover.h"
#include "stark/verify.h"

namespace kovra::stark {
namespace {

using testing::SyntheticCircuit;

TEST(StarkRoundTrip, Smoke) {
  SyntheticCircuit c(testing::recursion_shape());
  const HashSuite suite = HashSuite::poseidon2();
  auto pub = testing::default_public_words(c);
  auto proof = testing::prove(c, suite, 7, pub);
  auto r = verify_stark_seal(c.description(), suite, proof.seal);
  EXPECT_EQ(kind_name(r.kind()), "Ok");
}

}  // namespace
}  // namespace kovra::stark
