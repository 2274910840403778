// Receipt verification against a trusted image id.
//
// Receipt::verify (receipt.h) builds VerifyContext::new_default() and calls verify_with, which
// runs in this order and returns the first failure:
//   1. the proof's own parameter digest (zero for a fake receipt) must equal
//      Receipt.params_digest, else Malformed; no proof work precedes this, dev mode included;
//   2. the proof by its kind: chained and succinct receipts by their STARK checks, Groth16 by
//      Groth16Receipt::verify, fake ones accepted only when the context's dev mode is set
//      (else ProofRejected);
//   3. the claim: the digest of the proof's claim must equal that of expected_claim(image id,
//      journal), else ClaimMismatch(expected, received). Fake receipts are checked too.
#pragma once

#include <cstdint>
#include <span>

#include "base/digest.h"
#include "receipts/receipt.h"

namespace kovra::receipts {

// The claim of a clean run of the image over the journal: pre pruned to the image id, post
// SystemState(pc 0, zero root), Halted(0), no input, and an output of the journal's SHA-256
// (pruned) and the empty assumption list (pruned to the zero digest).
ReceiptClaim expected_claim(const Digest& image_id, std::span<const uint8_t> journal);

}  // namespace kovra::receipts
