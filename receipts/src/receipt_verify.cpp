#include "receipts/receipt_verify.h"

#include <type_traits>

#include "base/sha256.h"
#include "receipts/claim.h"
#include "receipts/stark_receipts.h"
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
  if (const auto* chained = std::get_if<ChainedReceipt>(&kind)) {
    auto claim = chained_receipt_claim(*chained);
    if (!claim.ok()) return base::Err(claim.error());
    return Prunable<ReceiptClaim>(claim.value());
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
  } else if (const auto* s = std::get_if<SuccinctReceipt>(&proof.kind)) {
    const Digest sealed = s->claim.is_pruned() ? s->claim.digest() : s->claim.value().digest();
    KOVRA_VERIFY_TRY(verify_succinct_receipt(*s, ctx, sealed));
  } else {
    KOVRA_VERIFY_TRY(verify_chained_receipt(std::get<ChainedReceipt>(proof.kind), ctx));
  }

  const Digest expected = expected_claim(image_id, journal).digest();
  auto claim = proof.claim();
  if (!claim.ok()) return claim.error();
  const Digest received = claim->is_pruned() ? claim->digest() : claim->value().digest();
  if (expected != received) return VerificationError::claim_mismatch(expected, received);
  return VerificationError::ok();
}

}  // namespace kovra::receipts
