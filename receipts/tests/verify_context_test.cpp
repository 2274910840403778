#include "receipts/verify_context.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/hex.h"
#include "groth16/testing/test_key.h"
#include "receipts/receipt_verify.h"
#include "receipts/testing/test_context.h"

namespace kovra::receipts {
namespace {

using base::VerificationError;
using Kind = VerificationError::Kind;

// Sets or unsets DURO0_DEV_MODE for one scope.
class DevModeEnv {
 public:
  explicit DevModeEnv(std::optional<std::string> value) {
    if (const char* old = std::getenv("DURO0_DEV_MODE")) old_ = old;
    if (value)
      setenv("DURO0_DEV_MODE", value->c_str(), 1);
    else
      unsetenv("DURO0_DEV_MODE");
  }
  ~DevModeEnv() {
    if (old_)
      setenv("DURO0_DEV_MODE", old_->c_str(), 1);
    else
      unsetenv("DURO0_DEV_MODE");
  }

 private:
  std::optional<std::string> old_;
};

Digest filled(uint8_t v) {
  std::array<uint8_t, 32> b;
  b.fill(v);
  return Digest::from_bytes(b);
}

TEST(VerifyContext, DefaultHoldsTheEmbeddedParameters) {
  const VerifyContext ctx = VerifyContext::new_default();
  ASSERT_TRUE(ctx.segment_params && ctx.groth16_params && ctx.succinct_params);
  EXPECT_EQ(ctx.segment_params->proof_system.text(), "DURO0_STARK:v1__");
  EXPECT_EQ(ctx.segment_params->circuit.text(), "RV32IM:v2rev2___");

  // Digests computed independently by tests/data/verifying_key_digest.py and
  // tests/data/claim_digests.py (Python hashlib over the decimal constants and the layouts).
  EXPECT_EQ(base::hex_lower(groth16::verifying_key_digest(ctx.groth16_params->verifying_key)),
            "b1e95da7d4d3472e3125134b13cebc3ec6f21122284a1315e796df6329400fca");
  EXPECT_EQ(base::hex_lower(ctx.groth16_params->digest()),
            "91c8e346ca7bf4b9183db05a5e05b842a6ce091441117fa2cdc1a33033649fb5");
  EXPECT_EQ(base::hex_lower(ctx.succinct_params->digest()),
            "20c72887e4f0f78dd432fa1b61c8371fc38a98af0688cbd2bfed11db6bdbd969");

  EXPECT_EQ(base::hex_lower(ctx.groth16_params->program_set_root),
            "a54dc85ac99f851c92d7c96d7318af41dbe7c0194edfcc37eb4d422a998c1f56");
  EXPECT_EQ(ctx.succinct_params->program_set_root, ctx.groth16_params->program_set_root);
  EXPECT_FALSE(ctx.succinct_params->output_root.has_value());
  EXPECT_EQ(ctx.succinct_params->circuit.text(), "RECURSION:rev1v1");
  EXPECT_EQ(base::hex_lower(ctx.groth16_params->bn254_id),
            "c07a65145c3cb48b6101962ea607a4dd93c753bb26975cb47feb00d3666e4404");
  EXPECT_EQ(ctx.groth16_params->verifying_key.ic().size(), 6u);
  // gamma of the embedded key is the standard generator of G2.
  EXPECT_EQ(ctx.groth16_params->verifying_key.gamma(), groth16::testing::g2_generator());
}

TEST(VerifyContext, SuitesAreFoundByExactName) {
  const VerifyContext ctx = VerifyContext::new_default();
  EXPECT_EQ(ctx.hash_suites.size(), 3u);
  for (const char* name : {"blake2b", "poseidon2", "sha-256"}) {
    ASSERT_NE(ctx.suite(name), nullptr) << name;
    EXPECT_EQ(ctx.suite(name)->name, name);
  }
  for (const char* name : {"Poseidon2", "SHA-256", "sha256", "blake2b "})
    EXPECT_EQ(ctx.suite(name), nullptr) << name;
}

TEST(VerifyContext, DevModeRule) {
  const std::vector<std::pair<std::optional<std::string>, bool>> cases = {
      {std::nullopt, false}, {"", false},     {"0", false},      {"2", false},
      {" true", false},      {"true ", false}, {"false", false}, {"no", false},
      {"1", true},           {"yes", true},    {"YES", true},    {"true", true},
      {"TRUE", true},        {"tRuE", true},   {"Yes", true},
  };
  for (const auto& [value, on] : cases) {
    SCOPED_TRACE(value.value_or("<unset>"));
    EXPECT_EQ(fake_receipts_allowed(value), on);
    DevModeEnv env(value);
    EXPECT_EQ(VerifyContext::new_default().dev_mode, on);
  }
}

TEST(VerifyContext, DefaultContextRejectsATestKeyProof) {
  // A proof made for the test key does not verify under the embedded key.
  const auto scalars = groth16::testing::default_test_scalars();
  const VerifyContext test_ctx =
      testing::groth16_test_context(scalars, program_set_root(), bn254_id());
  Receipt r = testing::groth16_test_receipt(test_ctx, scalars, filled(1), {1, 2, 3});
  EXPECT_EQ(r.verify(filled(1)).kind(), Kind::ParamsMismatch);
  const Digest default_params = VerifyContext::new_default().groth16_params->digest();
  r.params_digest = default_params;
  std::get<Groth16Receipt>(r.proof.kind).params_digest = default_params;
  EXPECT_EQ(r.verify(filled(1)).kind(), Kind::ProofRejected);
}

TEST(FakeReceipt, DevModeTable) {
  const Digest image = filled(0x1d);
  const std::vector<uint8_t> journal = {'j', 1, 2};
  const ReceiptClaim matching = expected_claim(image, journal);
  const ReceiptClaim other = expected_claim(filled(0x2e), journal);
  struct Case {
    std::optional<std::string> dev;
    bool zero_params;
    bool claim_matches;
    Kind kind;
  };
  std::vector<Case> cases;
  const std::vector<std::pair<std::optional<std::string>, bool>> values = {
      {std::nullopt, false}, {"", false}, {"0", false}, {"1", true},
      {"yes", true},         {"TRUE", true}, {"false", false}};
  for (const auto& [dev, on] : values)
    for (bool zero : {true, false})
      for (bool match : {true, false}) {
        Kind k = !zero ? Kind::Malformed
                 : !on ? Kind::ProofRejected
                       : match ? Kind::Ok : Kind::ClaimMismatch;
        cases.push_back({dev, zero, match, k});
      }
  ASSERT_EQ(cases.size(), 28u);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dev.value_or("<unset>") + (c.zero_params ? " zero" : " nonzero") +
                 (c.claim_matches ? " match" : " mismatch"));
    DevModeEnv env(c.dev);
    const Receipt r = testing::fake_receipt(c.claim_matches ? matching : other, journal,
                                            c.zero_params ? Digest::zero() : filled(9));
    EXPECT_EQ(kind_name(r.verify(image).kind()), kind_name(c.kind));
  }
}

TEST(FakeReceipt, PrunedClaimIsJudgedByItsDigest) {
  const Digest image = filled(0x1d);
  const std::vector<uint8_t> journal = {'j'};
  Receipt r = testing::fake_receipt(expected_claim(image, journal), journal, Digest::zero());
  std::get<FakeReceipt>(r.proof.kind).claim =
      Prunable<ReceiptClaim>::pruned(expected_claim(image, journal).digest());
  VerifyContext dev;
  dev.dev_mode = true;
  EXPECT_TRUE(r.verify_with(dev, image).is_ok());
  // Changing one journal byte: the expected claim changes.
  r.journal[0] ^= 1;
  const auto e = r.verify_with(dev, image);
  ASSERT_EQ(e.kind(), Kind::ClaimMismatch);
  EXPECT_EQ(e.digests()->expected, expected_claim(image, r.journal).digest());
}

TEST(StarkReceipts, AreNeverAcceptedYet) {
  // Chained and succinct receipts reach verification, but are not accepted until their STARK
  // checks exist.
  VerifyContext dev;
  dev.dev_mode = true;
  Receipt chained;
  chained.proof.kind = ChainedReceipt{};
  EXPECT_FALSE(chained.verify_with(dev, filled(1)).is_ok());
  Receipt succinct;
  succinct.proof.kind = SuccinctReceipt{};
  EXPECT_FALSE(succinct.verify_with(dev, filled(1)).is_ok());
  // A parameter digest mismatch is still found first.
  succinct.params_digest = filled(4);
  EXPECT_EQ(succinct.verify_with(dev, filled(1)).kind(), Kind::Malformed);
  chained.params_digest = filled(4);
  EXPECT_EQ(chained.verify_with(dev, filled(1)).kind(), Kind::Malformed);
}

}  // namespace
}  // namespace kovra::receipts
