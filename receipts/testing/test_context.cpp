#include "receipts/testing/test_context.h"

#include "base/invariant.h"
#include "receipts/receipt_verify.h"

namespace kovra::receipts::testing {

VerifyContext groth16_test_context(const groth16::testing::TestKeyScalars& scalars,
                                   const Digest& program_set_root, const Digest& bn254_id,
                                   bool dev_mode) {
  VerifyContext ctx;
  ctx.groth16_params = Groth16ReceiptVerifierParameters{groth16::testing::make_test_key(scalars),
                                                        program_set_root, bn254_id};
  ctx.dev_mode = dev_mode;
  return ctx;
}

Receipt groth16_test_receipt(const VerifyContext& ctx,
                             const groth16::testing::TestKeyScalars& scalars,
                             const Digest& image_id, const std::vector<uint8_t>& journal,
                             bool claim_pruned) {
  KOVRA_INVARIANT(ctx.groth16_params.has_value(), "a Groth16 test context");
  const auto& params = *ctx.groth16_params;
  const ReceiptClaim claim = expected_claim(image_id, journal);
  Groth16Receipt g;
  g.claim = claim_pruned ? Prunable<ReceiptClaim>::pruned(claim.digest())
                         : Prunable<ReceiptClaim>(claim);
  g.seal = groth16::testing::make_test_seal(scalars, params.program_set_root, claim.digest(),
                                            params.bn254_id, groth16::testing::scalar(0x5eed),
                                            groth16::testing::scalar(0xb0b5));
  g.params_digest = params.digest();
  return receipt_of(std::move(g), journal, params.digest());
}

Receipt receipt_of(ProofKind proof, std::vector<uint8_t> journal, const Digest& params_digest) {
  Receipt r;
  r.proof.kind = std::move(proof);
  r.journal = std::move(journal);
  r.params_digest = params_digest;
  return r;
}

Receipt fake_receipt(const ReceiptClaim& claim, const std::vector<uint8_t>& journal,
                     const Digest& params_digest) {
  return receipt_of(FakeReceipt{Prunable<ReceiptClaim>(claim)}, journal, params_digest);
}

}  // namespace kovra::receipts::testing
