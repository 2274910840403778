#include "receipts/claim.h"

#include <vector>

#include "base/sha256.h"

namespace kovra::receipts {
namespace {

template <class T, class F>
Digest member_digest(const Prunable<T>& member, F value_digest) {
  return member.is_pruned() ? member.digest() : value_digest(member.value());
}

}  // namespace

Digest SystemState::digest() const { return system_state_digest(pc, state_root); }

Digest Assumption::digest() const { return assumption_digest(claim_digest, program_set_root); }

Digest assumptions_digest(const Assumptions& assumptions) {
  std::vector<Digest> elements;
  elements.reserve(assumptions.size());
  for (const auto& a : assumptions)
    elements.push_back(member_digest(a, [](const Assumption& v) { return v.digest(); }));
  return assumptions_digest(std::span<const Digest>(elements));
}

Digest Output::digest() const {
  const Digest j = member_digest(
      journal, [](const std::vector<uint8_t>& bytes) { return base::sha256_digest(bytes); });
  const Digest a =
      member_digest(assumptions, [](const Assumptions& v) { return assumptions_digest(v); });
  return output_digest(j, a);
}

std::array<uint32_t, 2> exit_code_words(const ExitCode& e) {
  switch (e.kind) {
    case ExitCode::Kind::Halted: return {0, e.code};
    case ExitCode::Kind::Paused: return {1, e.code};
    case ExitCode::Kind::Split: return {2, 0};
    case ExitCode::Kind::Limit: return {2, 2};
  }
  KOVRA_INVARIANT(false, "exit code kind");
  return {};
}

Digest ReceiptClaim::digest() const {
  const auto state = [](const SystemState& s) { return s.digest(); };
  const Digest in = member_digest(input, [](const EmptyInput&) { return Digest::zero(); });
  const Digest out = member_digest(output, [](const std::optional<Output>& o) {
    return o ? o->digest() : Digest::zero();
  });
  return receipt_claim_digest(in, member_digest(pre, state), member_digest(post, state), out,
                              exit_code_words(exit_code));
}

}  // namespace kovra::receipts
