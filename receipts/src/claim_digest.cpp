#include "receipts/claim_digest.h"

#include "base/tagged_digest.h"

namespace kovra::receipts {

Digest system_state_digest(uint32_t pc, const Digest& state_root) {
  return base::tagged_digest(kSystemStateTag, {state_root}, {pc});
}

Digest assumption_digest(const Digest& claim_digest, const Digest& program_set_root) {
  return base::tagged_digest(kAssumptionTag, {claim_digest, program_set_root});
}

Digest assumptions_digest(std::span<const Digest> element_digests) {
  return base::tagged_list_fold(kAssumptionsTag, element_digests);
}

Digest output_digest(const Digest& journal_digest, const Digest& assumptions) {
  return base::tagged_digest(kOutputTag, {journal_digest, assumptions});
}

Digest receipt_claim_digest(const Digest& input, const Digest& pre, const Digest& post,
                            const Digest& output, std::array<uint32_t, 2> exit_code_words) {
  return base::tagged_digest(kReceiptClaimTag, {input, pre, post, output},
                             {exit_code_words[0], exit_code_words[1]});
}

}  // namespace kovra::receipts
