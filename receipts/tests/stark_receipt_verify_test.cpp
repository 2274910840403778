// STARK receipts through Receipt::verify (under a test context): succinct receipts under a
// test program-set tree, and chained receipts whose assumptions are proven by receipts of
// every kind, Groth16 test receipts included.
#include <gtest/gtest.h>

#include "receipts/receipt_verify.h"
#include "receipts/stark_receipts.h"
#include "receipts/testing/stark_receipts.h"
#include "receipts/testing/test_context.h"

namespace kovra::receipts {
namespace {

using namespace receipts::testing;
using Kind = VerificationError::Kind;

constexpr uint32_t kPo2 = 7;

Digest digest_of(uint32_t seed) {
  Digest d;
  for (uint32_t i = 0; i < 8; ++i) d.words[i] = seed * 0x01000193u + i * 0x9e3779b9u;
  return d;
}

TEST(StarkReceiptVerify, SuccinctReceiptsUnderEverySuite) {
  const Digest image_id = digest_of(1);
  const std::vector<uint8_t> journal = {'k', 'o', 'v', 'r', 'a'};
  const ReceiptClaim claim = expected_claim(image_id, journal);
  for (const auto& suite : {stark::HashSuite::poseidon2(), stark::HashSuite::sha256(),
                            stark::HashSuite::blake2b()}) {
    const TestProgramSet set = make_program_set(suite, test_code_root(suite, kPo2));
    const VerifyContext ctx = stark_test_context(set.root);
    for (bool pruned : {true, false}) {
      const SuccinctReceipt s = make_succinct_receipt(
          suite, kPo2, set, claim.digest(),
          pruned ? Prunable<ReceiptClaim>::pruned(claim.digest()) : Prunable<ReceiptClaim>(claim));
      const Receipt r = receipt_of(s, journal, s.params_digest);
      EXPECT_TRUE(r.verify_with(ctx, image_id).is_ok()) << suite.name;
      EXPECT_EQ(r.verify_with(ctx, digest_of(2)).kind(), Kind::ClaimMismatch);
      EXPECT_EQ(receipt_of(s, journal, digest_of(3)).verify_with(ctx, image_id).kind(),
                Kind::Malformed);
      // Under another program-set root the parameters differ.
      EXPECT_EQ(r.verify_with(stark_test_context(digest_of(4)), image_id).kind(),
                Kind::ParamsMismatch);
    }
  }
  // The program's own context has no recursion tables: a test seal is never accepted there.
  const auto suite = stark::HashSuite::poseidon2();
  const TestProgramSet set = make_program_set(suite, test_code_root(suite, kPo2));
  const SuccinctReceipt s = make_succinct_receipt(suite, kPo2, set, claim.digest(),
                                                  Prunable<ReceiptClaim>::pruned(claim.digest()));
  VerifyContext production = stark_test_context(set.root);
  production.recursion_circuit = &stark::recursion_circuit();
  EXPECT_FALSE(receipt_of(s, journal, s.params_digest).verify_with(production, image_id).is_ok());
}

TEST(StarkReceiptVerify, ChainedReceiptsWithAssumptionsOfEveryKind) {
  const auto suite = stark::HashSuite::poseidon2();
  const TestProgramSet set = make_program_set(suite, test_code_root(suite, kPo2));
  const auto scalars = groth16::testing::default_test_scalars();
  VerifyContext ctx = stark_test_context(set.root, /*dev_mode=*/true);
  Digest bn254_id = digest_of(9);
  bn254_id.words[7] = 0;  // an element of the BN254 scalar field
  ctx.groth16_params = groth16_test_context(scalars, set.root, bn254_id).groth16_params;

  // Assumption receipts: Groth16, succinct (under the current context and under another
  // program-set root), fake, and a chained receipt.
  const Receipt g = groth16_test_receipt(ctx, scalars, digest_of(11), {1});
  const Digest g_claim = expected_claim(digest_of(11), std::vector<uint8_t>{1}).digest();
  const Digest s_claim = digest_of(12), s2_claim = digest_of(13), f_claim = digest_of(14);
  const TestProgramSet other = make_program_set(suite, test_code_root(suite, kPo2), 1);
  const AssumptionReceipt groth16{std::get<Groth16Receipt>(g.proof.kind)};
  const AssumptionReceipt succinct{
      make_succinct_receipt(suite, kPo2, set, s_claim, Prunable<ReceiptClaim>::pruned(s_claim))};
  const AssumptionReceipt succinct_other{make_succinct_receipt(
      suite, kPo2, other, s2_claim, Prunable<ReceiptClaim>::pruned(s2_claim))};
  const AssumptionReceipt fake{FakeReceipt{Prunable<ReceiptClaim>::pruned(f_claim)}};
  Output inner_out{Prunable<std::vector<uint8_t>>(std::vector<uint8_t>{2}),
                   Prunable<Assumptions>(Assumptions{})};
  Rv32imReceipt inner_seg =
      make_segment({digest_of(20), Digest::zero(), Digest::zero(), inner_out.digest(), 1});
  inner_seg.claim.output = std::optional<Output>(inner_out);
  ChainedReceipt inner_chain;
  inner_chain.segments = {inner_seg};
  const AssumptionReceipt chained{inner_chain};
  const Digest c_claim = chained_receipt_claim(inner_chain)->digest();

  // The top-level chain: two segments, the last listing the five assumptions.
  const Digest start = digest_of(30), mid = digest_of(31);
  const std::vector<uint8_t> journal = {7, 7, 7};
  const Assumptions assumptions = {Assumption{g_claim, Digest::zero()},
                                   Assumption{s_claim, Digest::zero()},
                                   Assumption{s2_claim, other.root},
                                   Assumption{f_claim, Digest::zero()},
                                   Assumption{c_claim, Digest::zero()}};
  Output out{Prunable<std::vector<uint8_t>>(journal), Prunable<Assumptions>(assumptions)};
  const Rv32imReceipt first = make_segment({start, mid, Digest::zero(), Digest::zero(), 0});
  Rv32imReceipt last = make_segment({mid, Digest::zero(), Digest::zero(), out.digest(), 1}, kPo2, 2);
  last.claim.output = std::optional<Output>(out);
  ChainedReceipt chain;
  chain.segments = {first, last};
  chain.assumption_receipts = {groth16, succinct, succinct_other, fake, chained};
  chain.params_digest = digest_of(40);
  const Digest image_id = SystemState{0, start}.digest();
  const Receipt r = receipt_of(chain, journal, chain.params_digest);
  EXPECT_TRUE(r.verify_with(ctx, image_id).is_ok());

  // Without dev mode the fake assumption fails.
  VerifyContext strict = ctx;
  strict.dev_mode = false;
  EXPECT_EQ(r.verify_with(strict, image_id).kind(), Kind::ProofRejected);
  // Another image id or journal.
  EXPECT_EQ(r.verify_with(ctx, digest_of(41)).kind(), Kind::ClaimMismatch);
  EXPECT_EQ(receipt_of(chain, {7}, chain.params_digest).verify_with(ctx, image_id).kind(),
            Kind::ClaimMismatch);
  // A Groth16 receipt cannot prove an assumption under another program-set root.
  ChainedReceipt g_other = chain;
  g_other.assumption_receipts[2] = groth16;
  EXPECT_EQ(receipt_of(g_other, journal, chain.params_digest).verify_with(ctx, image_id).kind(),
            Kind::ParamsMissing);
}

}  // namespace
}  // namespace kovra::receipts
