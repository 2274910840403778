#include "receipts/receipt.h"

#include <utility>

namespace kovra::receipts {

using base::Err;
using base::Result;

namespace {

constexpr uint32_t kProofKinds = 4;  // Chained, Succinct, Groth16, Fake
constexpr uint32_t kPrunableTags = 2;  // Value, Pruned
constexpr uint32_t kExitKinds = 4;

// The fewest bytes each kind of list element is written in, which bound what its list
// reserves. A Prunable member takes at least its tag and the smaller of its two forms;
// counts are u64.
constexpr size_t kDigestBytes = 32;
constexpr size_t kMinAssumptionBytes = 4 + kDigestBytes;  // the digest form
// pre and post (tag, digest), a kind-only exit code, input and output (tag, absent option).
constexpr size_t kMinClaimBytes = 2 * (4 + kDigestBytes) + 4 + 2 * (4 + 1);
// seal count, index, hash name length, params digest, claim.
constexpr size_t kMinSegmentBytes = 8 + 4 + 8 + kDigestBytes + kMinClaimBytes;
// The kind and a fake receipt's claim in digest form (the smallest of the four kinds; the
// value form of an assumption receipt's claim is always refused).
constexpr size_t kMinAssumptionReceiptBytes = 4 + 4 + kDigestBytes;
// seal count, code root, claim digest form, hash name length, params digest, Merkle index
// and sibling count.
constexpr size_t kMinSuccinctBytes =
    8 + kDigestBytes + (4 + kDigestBytes) + 8 + kDigestBytes + 4 + 8;

// Each decoded list element takes at most a small multiple of the bytes it is written in
// (a succinct assumption receipt adds its boxed record).
static_assert(sizeof(AssumptionReceipt) <= 3 * kMinAssumptionReceiptBytes);
static_assert(sizeof(AssumptionReceipt) + sizeof(SuccinctReceipt) <= 3 * (4 + kMinSuccinctBytes));
static_assert(sizeof(Rv32imReceipt) <= 2 * kMinSegmentBytes);
static_assert(sizeof(Prunable<Assumption>) <= 2 * kMinAssumptionBytes);
static_assert(sizeof(Prunable<ReceiptClaim>) <= 2 * (4 + kDigestBytes));

// A Prunable member: tag 1 and its digest, or tag 0 and the value, read by `read_value`.
template <class T, class ReadValue>
Result<Prunable<T>, BincodeError> read_prunable(BincodeReader& in, ReadValue read_value) {
  KOVRA_ASSIGN_OR_RETURN(const uint32_t tag, in.variant_index(kPrunableTags));
  if (tag == 1) {
    KOVRA_ASSIGN_OR_RETURN(const Digest d, in.digest());
    return Prunable<T>::pruned(d);
  }
  KOVRA_ASSIGN_OR_RETURN(T value, read_value(in));
  return Prunable<T>(std::move(value));
}

// The value form of a member whose type has no values: a variant index, always refused.
template <class T>
Result<T, BincodeError> refuse_empty_variant(BincodeReader& in) {
  KOVRA_ASSIGN_OR_RETURN(const uint32_t variant, in.u32());
  return Err(BincodeError::refuse_empty_variant(variant));
}

Result<Prunable<SystemState>, BincodeError> read_prunable_system_state(BincodeReader& in) {
  return read_prunable<SystemState>(in, [](BincodeReader& r) -> Result<SystemState, BincodeError> {
    SystemState s;
    KOVRA_ASSIGN_OR_RETURN(s.pc, r.u32());
    KOVRA_ASSIGN_OR_RETURN(s.state_root, r.digest());
    return s;
  });
}

Result<ExitCode, BincodeError> read_exit_code(BincodeReader& in) {
  KOVRA_ASSIGN_OR_RETURN(const uint32_t kind, in.variant_index(kExitKinds));
  ExitCode e;
  e.kind = static_cast<ExitCode::Kind>(kind);
  if (e.kind == ExitCode::Kind::Halted || e.kind == ExitCode::Kind::Paused) {
    KOVRA_ASSIGN_OR_RETURN(e.code, in.u32());
  }
  return e;
}

// The input's value form is an option of a type without values: only "absent" exists.
Result<Prunable<EmptyInput>, BincodeError> read_input(BincodeReader& in) {
  return read_prunable<EmptyInput>(in, [](BincodeReader& r) -> Result<EmptyInput, BincodeError> {
    KOVRA_ASSIGN_OR_RETURN(const bool present, r.option_tag());
    if (present) return refuse_empty_variant<EmptyInput>(r);
    return EmptyInput{};
  });
}

Result<Prunable<Assumption>, BincodeError> read_assumption(BincodeReader& in) {
  return read_prunable<Assumption>(in, [](BincodeReader& r) -> Result<Assumption, BincodeError> {
    Assumption a;
    KOVRA_ASSIGN_OR_RETURN(a.claim_digest, r.digest());
    KOVRA_ASSIGN_OR_RETURN(a.program_set_root, r.digest());
    return a;
  });
}

Result<Output, BincodeError> read_output_value(BincodeReader& in) {
  Output out;
  KOVRA_ASSIGN_OR_RETURN(out.journal, read_prunable<std::vector<uint8_t>>(
                                          in, [](BincodeReader& r) { return r.byte_string(); }));
  KOVRA_ASSIGN_OR_RETURN(out.assumptions,
                         read_prunable<Assumptions>(in, [](BincodeReader& r) {
                           return r.list<Prunable<Assumption>>(kMinAssumptionBytes,
                                                               read_assumption);
                         }));
  return out;
}

Result<Prunable<std::optional<Output>>, BincodeError> read_output(BincodeReader& in) {
  return read_prunable<std::optional<Output>>(
      in, [](BincodeReader& r) -> Result<std::optional<Output>, BincodeError> {
        KOVRA_ASSIGN_OR_RETURN(const bool present, r.option_tag());
        if (!present) return std::optional<Output>();
        KOVRA_ASSIGN_OR_RETURN(Output out, read_output_value(r));
        return std::optional<Output>(std::move(out));
      });
}

// The claim of a top-level proof: tag 0 and the whole claim, or tag 1 and its digest.
Result<Prunable<ReceiptClaim>, BincodeError> read_prunable_claim(BincodeReader& in) {
  return read_prunable<ReceiptClaim>(in, ReceiptClaim::read_bincode);
}

// The claim inside an assumption receipt exists in digest form only: its value type has
// no values, so tag 0 is followed by a variant index that is always refused.
Result<Prunable<ReceiptClaim>, BincodeError> read_pruned_claim(BincodeReader& in) {
  return read_prunable<ReceiptClaim>(in, refuse_empty_variant<ReceiptClaim>);
}

using ClaimReader = Result<Prunable<ReceiptClaim>, BincodeError> (*)(BincodeReader&);

// The records below are built from their members once all are read: a default record
// would first allocate the boxed value of its claim only to drop it.
Result<Rv32imReceipt, BincodeError> read_segment(BincodeReader& in) {
  KOVRA_ASSIGN_OR_RETURN(std::vector<uint32_t> seal, in.word_list());
  KOVRA_ASSIGN_OR_RETURN(const uint32_t index, in.u32());
  KOVRA_ASSIGN_OR_RETURN(std::string hash_name, in.text());
  KOVRA_ASSIGN_OR_RETURN(const Digest params_digest, in.digest());
  KOVRA_ASSIGN_OR_RETURN(ReceiptClaim claim, ReceiptClaim::read_bincode(in));
  return Rv32imReceipt{std::move(seal), index, std::move(hash_name), params_digest,
                       std::move(claim)};
}

Result<SuccinctReceipt, BincodeError> read_succinct(BincodeReader& in, ClaimReader claim) {
  KOVRA_ASSIGN_OR_RETURN(std::vector<uint32_t> seal, in.word_list());
  KOVRA_ASSIGN_OR_RETURN(const Digest code_root, in.digest());
  KOVRA_ASSIGN_OR_RETURN(Prunable<ReceiptClaim> c, claim(in));
  KOVRA_ASSIGN_OR_RETURN(std::string hash_name, in.text());
  KOVRA_ASSIGN_OR_RETURN(const Digest params_digest, in.digest());
  KOVRA_ASSIGN_OR_RETURN(MerkleInclusionProof code_root_proof,
                         MerkleInclusionProof::read_bincode(in));
  return SuccinctReceipt{std::move(seal), code_root,     std::move(c),
                         std::move(hash_name), params_digest, std::move(code_root_proof)};
}

Result<Groth16Receipt, BincodeError> read_groth16(BincodeReader& in, ClaimReader claim) {
  KOVRA_ASSIGN_OR_RETURN(std::vector<uint8_t> seal, in.byte_string());
  KOVRA_ASSIGN_OR_RETURN(Prunable<ReceiptClaim> c, claim(in));
  KOVRA_ASSIGN_OR_RETURN(const Digest params_digest, in.digest());
  return Groth16Receipt{std::move(seal), std::move(c), params_digest};
}

// One proof of kind `kind` as a ProofKind or an AssumptionProof, whose alternatives come in
// the same order; `depth` is the nesting level a chained proof would take.
template <class Proof>
Result<Proof, BincodeError> read_proof(BincodeReader& in, uint32_t kind, ClaimReader claim,
                                       int depth) {
  switch (kind) {
    case 0: {
      KOVRA_ASSIGN_OR_RETURN(ChainedReceipt c, ChainedReceipt::read_bincode(in, depth));
      return Proof(std::in_place_index<0>, std::move(c));
    }
    case 1: {
      KOVRA_ASSIGN_OR_RETURN(SuccinctReceipt s, read_succinct(in, claim));
      return Proof(std::in_place_index<1>, std::move(s));
    }
    case 2: {
      KOVRA_ASSIGN_OR_RETURN(Groth16Receipt g, read_groth16(in, claim));
      return Proof(std::in_place_index<2>, std::move(g));
    }
    default: {
      KOVRA_INVARIANT(kind == 3, "proof kind checked against the kind count");
      KOVRA_ASSIGN_OR_RETURN(Prunable<ReceiptClaim> c, claim(in));
      return Proof(std::in_place_index<3>, FakeReceipt{std::move(c)});
    }
  }
}

}  // namespace

std::string nesting_too_deep_message() {
  return "chained receipts nested deeper than " + std::to_string(kMaxChainedNesting) +
         " levels";
}

Result<ReceiptClaim, BincodeError> ReceiptClaim::read_bincode(BincodeReader& in) {
  KOVRA_ASSIGN_OR_RETURN(auto pre, read_prunable_system_state(in));
  KOVRA_ASSIGN_OR_RETURN(auto post, read_prunable_system_state(in));
  KOVRA_ASSIGN_OR_RETURN(const ExitCode exit_code, read_exit_code(in));
  KOVRA_ASSIGN_OR_RETURN(auto input, read_input(in));
  KOVRA_ASSIGN_OR_RETURN(auto output, read_output(in));
  return ReceiptClaim{std::move(pre), std::move(post), exit_code, std::move(input),
                      std::move(output)};
}

Result<MerkleInclusionProof, BincodeError> MerkleInclusionProof::read_bincode(BincodeReader& in) {
  MerkleInclusionProof p;
  KOVRA_ASSIGN_OR_RETURN(p.index, in.u32());
  KOVRA_ASSIGN_OR_RETURN(p.siblings, in.list<Digest>(kDigestBytes, [](BincodeReader& r) {
    return r.digest();
  }));
  return p;
}

Result<ChainedReceipt, BincodeError> ChainedReceipt::read_bincode(BincodeReader& in, int depth) {
  if (depth > kMaxChainedNesting) {
    return Err(BincodeError::nesting_too_deep(nesting_too_deep_message()));
  }
  ChainedReceipt c;
  KOVRA_ASSIGN_OR_RETURN(c.segments, in.list<Rv32imReceipt>(kMinSegmentBytes, read_segment));
  KOVRA_ASSIGN_OR_RETURN(
      c.assumption_receipts,
      in.list<AssumptionReceipt>(
          kMinAssumptionReceiptBytes,
          [depth](BincodeReader& r) -> Result<AssumptionReceipt, BincodeError> {
            KOVRA_ASSIGN_OR_RETURN(const uint32_t kind, r.variant_index(kProofKinds));
            KOVRA_ASSIGN_OR_RETURN(
                AssumptionProof proof,
                read_proof<AssumptionProof>(r, kind, read_pruned_claim, depth + 1));
            return AssumptionReceipt{std::move(proof)};
          }));
  KOVRA_ASSIGN_OR_RETURN(c.params_digest, in.digest());
  return c;
}

Result<Receipt, BincodeError> Receipt::read_bincode(BincodeReader& in) {
  Receipt r;
  KOVRA_ASSIGN_OR_RETURN(const uint32_t kind, in.variant_index(kProofKinds));
  KOVRA_ASSIGN_OR_RETURN(r.proof.kind, read_proof<ProofKind>(in, kind, read_prunable_claim, 1));
  KOVRA_ASSIGN_OR_RETURN(r.journal, in.byte_string());
  KOVRA_ASSIGN_OR_RETURN(r.params_digest, in.digest());
  return r;
}

}  // namespace kovra::receipts
