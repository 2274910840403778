#include "receipts/receipt_verify.h"

#include <type_traits>

#include "base/sha256.h"
#include "receipts/claim.h"
#include "receipts/verify_context.h"

namespace kovra::receipts {

using base::VerificationError;

ReceiptClaim expected_claim(const Digest& image_id, std::span<const uint8_t> journal) {
  ReceiptClaim claim;
  claim.pre = Prunable<SystemState>::pruned(image_id);
  claim.post = SystemState{0, Digest::zero()};
  claim.exit_code = ExitCode::halted(0);
  claim.input = EmptyInput{};
  claim.output = std::optional<Output>(
      Output{Prunable<std::vector<uint8_t>>::pruned(base::sha256_digest(journal)),
             Prunable<Assumptions>::pruned(Digest::zero())});
  return claim;
}

Digest ReceiptProof::params_digest() const {
  return std::visit(
      [](const auto& p) -> Digest {
        if constexpr (std::is_same_v<std::decay_t<decltype(p)>, FakeReceipt>)
          return Digest::zero();
        else
          return p.params_digest;
      },
      kind);
}

base::Result<Prunable<ReceiptClaim>, VerificationError> ReceiptProof::claim() const {
  if (std::holds_alternative<ChainedReceipt>(kind)) {
    // The claim of a chained receipt is built from its segments by the chained-receipt
    // checks, which are not part of this library yet; it is never reached before them,
    // since a chained proof is not accepted until then.
    return base::Err(VerificationError::malformed());
  }
  return std::visit(
      [](const auto& p) -> Prunable<ReceiptClaim> {
        if constexpr (std::is_same_v<std::decay_t<decltype(p)>, ChainedReceipt>)
          return {};
        else
          return p.claim;
      },
      kind);
}

VerificationError Receipt::verify(const Digest& image_id) const {
  return verify_with(VerifyContext::new_default(), image_id);
}

VerificationError Receipt::verify_with(const VerifyContext& ctx, const Digest& image_id) const {
  if (proof.params_digest() != params_digest) return VerificationError::malformed();

  if (const auto* g = std::get_if<Groth16Receipt>(&proof.kind)) {
    KOVRA_VERIFY_TRY(g->verify(ctx));
  } else if (std::holds_alternative<FakeReceipt>(proof.kind)) {
    if (!ctx.dev_mode) return VerificationError::proof_rejected();
  } else {
    // Chained and succinct receipts are proven by STARK seals; their checks are not part of
    // this library yet, so such a receipt is never accepted.
    return VerificationError::proof_rejected();
  }

  const Digest expected = expected_claim(image_id, journal).digest();
  auto claim = proof.claim();
  if (!claim.ok()) return claim.error();
  const Digest received = claim->is_pruned() ? claim->digest() : claim->value().digest();
  if (expected != received) return VerificationError::claim_mismatch(expected, received);
  return VerificationError::ok();
}

}  // namespace kovra::receipts
