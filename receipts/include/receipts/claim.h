// Claim digests over the receipt model: every member is taken by its digest, the stored one
// for a member in digest form, else the digest of its value (receipts/claim_digest.h).
#pragma once

#include "receipts/claim_digest.h"
#include "receipts/receipt.h"

namespace kovra::receipts {

// The fold of the element digests with "duro0.Assumptions"; the empty list is the zero digest.
Digest assumptions_digest(const Assumptions& assumptions);

// The words (system, user) of an exit code: Halted c (0, c), Paused c (1, c), Split (2, 0),
// Limit (2, 2).
std::array<uint32_t, 2> exit_code_words(const ExitCode& e);

}  // namespace kovra::receipts
