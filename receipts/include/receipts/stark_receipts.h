// The receipt checks that rest on STARK seals: succinct receipts (the recursion circuit),
// rv32im segments, and chained receipts (segments plus the receipts of their assumptions).
//
// Succinct receipt, in order: succinct parameters present (else ParamsMissing), their digest
// equal to the receipt's (ParamsMismatch), the proof-system and circuit tags the built-in ones
// (ProofSystemMismatch, CircuitMismatch), the named suite known to the context
// (UnknownHashSuite), a non-empty seal; then the STARK check, in which the code group's root
// must equal the receipt's code root and be proven under the program-set root
// (ProgramNotAllowed); then the seal outputs: the even words 0..14 form the output root (it
// must be the expected root, else ProgramNotAllowed) and the sixteen half-words 16..31 the
// claim digest (a half above 0xFFFF is Malformed; another digest SealClaimMismatch).
//
// rv32im segment, in order: segment parameters present and built-in, the hash name exactly
// "poseidon2", seal version word 2, the STARK check over the seal after its version word, and
// the claim decoded from the seal's globals compared by digest with the stored claim
// (ClaimMismatch carries the stored claim's digest first).
//
// Chained receipt: every segment verified, each pre-state continuing the previous post-state
// (StateChainBroken), every segment but the last split (NotSplit) with no output and a
// post-state value, and each assumption of the last segment proven, in order and one to one,
// by an assumption receipt of any kind under the context its program-set root selects.
//
// The circuits whose seals are checked are the context's (VerifyContext::recursion_circuit,
// VerifyContext::rv32im_circuit): the built-in descriptions, or test circuits.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/result.h"
#include "base/verification_error.h"
#include "receipts/receipt.h"
#include "receipts/verify_context.h"

namespace kovra::receipts {

using base::VerificationError;

// `claim_digest`: the digest the seal must carry (the receipt's claim for a top-level
// receipt, the stored digest for an assumption receipt).
VerificationError verify_succinct_receipt(const SuccinctReceipt& receipt, const VerifyContext& ctx,
                                          const Digest& claim_digest);

VerificationError verify_rv32im_segment(const Rv32imReceipt& segment, const VerifyContext& ctx);

// The claim that a segment seal's globals state (the seal's version word, then 90 globals
// below P as the caller guarantees). Failures: "seal version mismatch", "Illegal halt type: {}",
// and a half-word of 2^16 or more.
base::Result<ReceiptClaim, std::string> decode_segment_claim(std::span<const uint32_t> seal);

VerificationError verify_chained_receipt(const ChainedReceipt& chained, const VerifyContext& ctx);

// The one claim a chain establishes: pre-state and input of the first segment, post-state,
// exit code and output of the last, with the output's assumption list emptied. Malformed when
// there is no segment or the last output is pruned.
base::Result<ReceiptClaim, VerificationError> chained_receipt_claim(const ChainedReceipt& chained);

// The claim digest of an assumption receipt: the chain's claim digest for a chained one, the
// stored digest otherwise.
base::Result<Digest, VerificationError> assumption_claim_digest(const AssumptionReceipt& receipt);

// (claim digest, program-set root) of each assumption in order, or the digest of the first
// element held in digest form.
base::Result<std::vector<std::pair<Digest, Digest>>, Digest> collect_assumption_values(
    const Assumptions& assumptions);

// The claim digest encoded by sixteen plain half-words (each at most 0xFFFF, little-endian
// u16 one after another), or nothing when a word is larger.
base::Result<Digest, std::string> read_half_word_digest(std::span<const uint32_t> plain);

}  // namespace kovra::receipts
