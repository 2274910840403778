// Digests of receipt claims and their parts.
//
// A claim is never compared member by member: it is identified by its tagged digest
// (base/tagged_digest.h), so a member held only as its digest and the same member held as a
// value are interchangeable. These are the digests of each record, over the digests and words
// of its members; the zero digest stands for an absent input or output and for an empty
// assumption list.
//
//   SystemState      tagged_digest("duro0.SystemState", [state_root], [pc])            70 bytes
//   Assumption       tagged_digest("duro0.Assumption", [claim_digest, program_set_root]) 98 bytes
//   Assumptions      fold of the element digests with "duro0.Assumptions"       98 bytes a step
//   Output           tagged_digest("duro0.Output", [journal digest, assumptions digest]) 98 bytes
//   ReceiptClaim     tagged_digest("duro0.ReceiptClaim", [input, pre, post, output],
//                                  [system word, user word of the exit code])         170 bytes
// The down order of a claim is input, pre, post, output, which is not the member order.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "base/digest.h"

namespace kovra::receipts {

using base::Digest;

inline constexpr std::string_view kReceiptClaimTag = "duro0.ReceiptClaim";
inline constexpr std::string_view kSystemStateTag = "duro0.SystemState";
inline constexpr std::string_view kOutputTag = "duro0.Output";
inline constexpr std::string_view kAssumptionTag = "duro0.Assumption";
inline constexpr std::string_view kAssumptionsTag = "duro0.Assumptions";

Digest system_state_digest(uint32_t pc, const Digest& state_root);
Digest assumption_digest(const Digest& claim_digest, const Digest& program_set_root);
// The fold of the element digests from the last one; the empty list is the zero digest.
Digest assumptions_digest(std::span<const Digest> element_digests);
Digest output_digest(const Digest& journal_digest, const Digest& assumptions_digest);
Digest receipt_claim_digest(const Digest& input, const Digest& pre, const Digest& post,
                            const Digest& output, std::array<uint32_t, 2> exit_code_words);

}  // namespace kovra::receipts
