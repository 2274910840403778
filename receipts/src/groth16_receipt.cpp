// Groth16 receipts: the context's Groth16 parameters must be the receipt's, then the seal
// decides through the pairing check. The Groth16 messages are dropped: a check that cannot be
// built (seal length, a bad point, a control id not below r, a malformed key) is Malformed, a
// failed verification ProofRejected.
#include "groth16/check.h"
#include "receipts/receipt.h"
#include "receipts/verify_context.h"

namespace kovra::receipts {

using base::VerificationError;

base::VerificationError Groth16Receipt::verify(const VerifyContext& ctx) const {
  if (!ctx.groth16_params) return VerificationError::params_missing();
  const Groth16ReceiptVerifierParameters& params = *ctx.groth16_params;
  const Digest expected = params.digest();
  if (expected != params_digest) return VerificationError::params_mismatch(expected, params_digest);

  const Digest claim_digest = claim.is_pruned() ? claim.digest() : claim.value().digest();
  auto check = groth16::Groth16Check::from_seal(seal, params.program_set_root, claim_digest,
                                                params.bn254_id, params.verifying_key);
  if (!check.ok()) return VerificationError::malformed();
  if (!check->verify().ok()) return VerificationError::proof_rejected();
  return VerificationError::ok();
}

}  // namespace kovra::receipts
