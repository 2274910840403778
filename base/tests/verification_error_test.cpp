#include "base/verification_error.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/testing/digests.h"

namespace kovra::base {
namespace {

using Kind = VerificationError::Kind;

using base::testing::filled;

TEST(VerificationError, EveryFailureDiffersFromOk) {
  const ProtocolTag a = ProtocolTag::from_text("DURO0_STARK:v1__");
  const ProtocolTag b = ProtocolTag::from_text("RECURSION:rev1v1");
  const std::vector<std::pair<VerificationError, Kind>> all = {
      {VerificationError::malformed(), Kind::Malformed},
      {VerificationError::program_not_allowed(filled(1)), Kind::ProgramNotAllowed},
      {VerificationError::state_chain_broken(), Kind::StateChainBroken},
      {VerificationError::query_out_of_range(9, 8), Kind::QueryOutOfRange},
      {VerificationError::proof_rejected(), Kind::ProofRejected},
      {VerificationError::seal_claim_mismatch(), Kind::SealClaimMismatch},
      {VerificationError::claim_mismatch(filled(1), filled(2)), Kind::ClaimMismatch},
      {VerificationError::not_split(), Kind::NotSplit},
      {VerificationError::unknown_hash_suite(), Kind::UnknownHashSuite},
      {VerificationError::params_missing(), Kind::ParamsMissing},
      {VerificationError::params_mismatch(filled(1), filled(2)), Kind::ParamsMismatch},
      {VerificationError::proof_system_mismatch(a, b), Kind::ProofSystemMismatch},
      {VerificationError::circuit_mismatch(a, b), Kind::CircuitMismatch},
  };
  for (const auto& [e, kind] : all) {
    SCOPED_TRACE(kind_name(kind));
    EXPECT_EQ(e.kind(), kind);
    EXPECT_FALSE(e.is_ok());
    EXPECT_NE(e, VerificationError::ok());
  }
  EXPECT_EQ(static_cast<int>(Kind::CircuitMismatch), 12);
  EXPECT_EQ(static_cast<int>(Kind::Ok), 14);
  const VerificationError ok = VerificationError::ok();
  EXPECT_TRUE(ok.is_ok());
  EXPECT_TRUE(std::holds_alternative<std::monostate>(ok.payload()));
}

TEST(VerificationError, PayloadsAreKeptInOrder) {
  const auto m = VerificationError::claim_mismatch(filled(1), filled(2));
  ASSERT_NE(m.digests(), nullptr);
  EXPECT_EQ(m.digests()->expected, filled(1));
  EXPECT_EQ(m.digests()->received, filled(2));
  // Swapped payloads are different values, both failures.
  const auto swapped = VerificationError::claim_mismatch(filled(2), filled(1));
  EXPECT_NE(m, swapped);
  EXPECT_FALSE(swapped.is_ok());
  // Same payload, different kind: different values.
  EXPECT_NE(m, VerificationError::params_mismatch(filled(1), filled(2)));

  const auto q = VerificationError::query_out_of_range(9, 8);
  ASSERT_NE(q.query(), nullptr);
  EXPECT_EQ(q.query()->index, 9u);
  EXPECT_EQ(q.query()->rows, 8u);
  EXPECT_EQ(q.digests(), nullptr);

  const auto t = VerificationError::circuit_mismatch(ProtocolTag::from_text("RV32IM:v2rev2___"),
                                                     ProtocolTag::from_text("RECURSION:rev1v1"));
  ASSERT_NE(t.tags(), nullptr);
  EXPECT_EQ(t.tags()->expected.text(), "RV32IM:v2rev2___");
  EXPECT_EQ(t.tags()->received.text(), "RECURSION:rev1v1");
}

VerificationError first_failure(const std::vector<VerificationError>& steps, int* ran) {
  for (const auto& s : steps) {
    ++*ran;
    KOVRA_VERIFY_TRY(s);
  }
  return VerificationError::ok();
}

TEST(VerificationError, TryReturnsTheFirstFailureUnchanged) {
  int ran = 0;
  const auto e = first_failure({VerificationError::ok(), VerificationError::not_split(),
                                VerificationError::malformed()},
                               &ran);
  EXPECT_EQ(e, VerificationError::not_split());
  EXPECT_EQ(ran, 2);
  ran = 0;
  EXPECT_TRUE(first_failure({VerificationError::ok(), VerificationError::ok()}, &ran).is_ok());
  EXPECT_EQ(ran, 2);
}

}  // namespace
}  // namespace kovra::base
