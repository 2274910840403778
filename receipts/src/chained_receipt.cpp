#include "receipts/stark_receipts.h"

#include <type_traits>

namespace kovra::receipts {
namespace {

Digest state_digest(const Prunable<SystemState>& s) {
  return s.is_pruned() ? s.digest() : s.value().digest();
}

Digest stored_claim_digest(const Prunable<ReceiptClaim>& c) {
  return c.is_pruned() ? c.digest() : c.value().digest();
}

// The assumption list of the last segment's output.
base::Result<std::vector<std::pair<Digest, Digest>>, VerificationError> assumption_list(
    const ReceiptClaim& last) {
  using List = std::vector<std::pair<Digest, Digest>>;
  if (last.output.is_pruned()) return base::Err(VerificationError::malformed());
  const std::optional<Output>& output = last.output.value();
  if (!output) return List{};
  if (output->assumptions.is_pruned()) {
    if (output->assumptions.digest().is_zero()) return List{};
    return base::Err(VerificationError::malformed());
  }
  auto values = collect_assumption_values(output->assumptions.value());
  if (!values) return base::Err(VerificationError::malformed());
  return std::move(*values);
}

VerificationError verify_assumption(const AssumptionReceipt& receipt, const VerifyContext& ctx) {
  return receipt.kind.visit(
      [&](const auto& p) -> VerificationError {
        using T = std::decay_t<decltype(p)>;
        if constexpr (std::is_same_v<T, ChainedReceipt>) {
          return verify_chained_receipt(p, ctx);
        } else if constexpr (std::is_same_v<T, SuccinctReceipt>) {
          return verify_succinct_receipt(p, ctx, stored_claim_digest(p.claim));
        } else if constexpr (std::is_same_v<T, Groth16Receipt>) {
          return p.verify(ctx);
        } else {
          return ctx.dev_mode ? VerificationError::ok() : VerificationError::proof_rejected();
        }
      });
}

}  // namespace

base::Result<std::vector<std::pair<Digest, Digest>>, Digest> collect_assumption_values(
    const Assumptions& assumptions) {
  std::vector<std::pair<Digest, Digest>> out;
  out.reserve(assumptions.size());
  for (const auto& a : assumptions) {
    if (a.is_pruned()) return base::Err(a.digest());
    out.emplace_back(a.value().claim_digest, a.value().program_set_root);
  }
  return out;
}

base::Result<ReceiptClaim, VerificationError> chained_receipt_claim(const ChainedReceipt& chained) {
  if (chained.segments.empty()) return base::Err(VerificationError::malformed());
  const ReceiptClaim& first = chained.segments.front().claim;
  const ReceiptClaim& last = chained.segments.back().claim;
  if (last.output.is_pruned()) return base::Err(VerificationError::malformed());
  ReceiptClaim claim;
  claim.pre = first.pre;
  claim.input = first.input;
  claim.post = last.post;
  claim.exit_code = last.exit_code;
  // The chain's output without its assumptions, which the assumption receipts resolved.
  const std::optional<Output>& output = last.output.value();
  if (output) {
    claim.output = std::optional<Output>(Output{output->journal, Assumptions{}});
  } else {
    claim.output = std::optional<Output>();
  }
  return claim;
}

base::Result<Digest, VerificationError> assumption_claim_digest(const AssumptionReceipt& receipt) {
  if (const auto* chained = std::get_if<ChainedReceipt>(&receipt.kind)) {
    KOVRA_ASSIGN_OR_RETURN(const ReceiptClaim claim, chained_receipt_claim(*chained));
    return claim.digest();
  }
  return receipt.kind.visit([](const auto& p) -> Digest {
    if constexpr (std::is_same_v<std::decay_t<decltype(p)>, ChainedReceipt>)
      return Digest::zero();  // handled above
    else
      return stored_claim_digest(p.claim);
  });
}

VerificationError verify_chained_receipt(const ChainedReceipt& chained, const VerifyContext& ctx) {
  const auto& segments = chained.segments;
  if (segments.empty()) return VerificationError::malformed();
  for (size_t i = 0; i < segments.size(); ++i) {
    const ReceiptClaim& claim = segments[i].claim;
    KOVRA_VERIFY_TRY(verify_rv32im_segment(segments[i], ctx));
    if (i > 0 && state_digest(claim.pre) != state_digest(segments[i - 1].claim.post))
      return VerificationError::state_chain_broken();
    if (i + 1 < segments.size()) {
      if (claim.exit_code.kind != ExitCode::Kind::Split) return VerificationError::not_split();
      const bool no_output = claim.output.is_pruned() ? claim.output.digest().is_zero()
                                                      : !claim.output.value().has_value();
      if (!no_output) return VerificationError::malformed();
      if (claim.post.is_pruned()) return VerificationError::malformed();
    }
  }
  auto list = assumption_list(segments.back().claim);
  if (!list) return list.error();
  if (chained.assumption_receipts.size() != list->size()) return VerificationError::malformed();
  for (size_t i = 0; i < list->size(); ++i) {
    const auto& [claim_digest, root] = (*list)[i];
    const AssumptionReceipt& receipt = chained.assumption_receipts[i];
    VerificationError verdict = root.is_zero()
                                    ? verify_assumption(receipt, ctx)
                                    : verify_assumption(receipt, VerifyContext::for_assumption(ctx, root));
    KOVRA_VERIFY_TRY(verdict);
    auto d = assumption_claim_digest(receipt);
    if (!d) return d.error();
    if (*d != claim_digest) return VerificationError::claim_mismatch(claim_digest, *d);
  }
  return VerificationError::ok();
}

}  // namespace kovra::receipts
