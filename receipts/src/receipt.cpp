#include "receipts/receipt.h"

#include <utility>

namespace kovra::receipts {

using base::Err;
using base::Result;

namespace {

constexpr uint32_t kProofKinds = 4;  // Chained, Succinct, Groth16, Fake
constexpr uint32_t kPrunableTags = 2;  // Value, Pruned
constexpr uint32_t kExitKinds = 4;

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
                           return r.list<Prunable<Assumption>>(read_assumption);
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

Result<Rv32imReceipt, BincodeError> read_segment(BincodeReader& in) {
  Rv32imReceipt s;
  KOVRA_ASSIGN_OR_RETURN(s.seal, in.word_list());
  KOVRA_ASSIGN_OR_RETURN(s.index, in.u32());
  KOVRA_ASSIGN_OR_RETURN(s.hash_name, in.text());
  KOVRA_ASSIGN_OR_RETURN(s.params_digest, in.digest());
  KOVRA_ASSIGN_OR_RETURN(s.claim, ReceiptClaim::read_bincode(in));
  return s;
}

Result<SuccinctReceipt, BincodeError> read_succinct(BincodeReader& in, ClaimReader claim) {
  SuccinctReceipt s;
  KOVRA_ASSIGN_OR_RETURN(s.seal, in.word_list());
  KOVRA_ASSIGN_OR_RETURN(s.code_root, in.digest());
  KOVRA_ASSIGN_OR_RETURN(s.claim, claim(in));
  KOVRA_ASSIGN_OR_RETURN(s.hash_name, in.text());
  KOVRA_ASSIGN_OR_RETURN(s.params_digest, in.digest());
  KOVRA_ASSIGN_OR_RETURN(s.code_root_proof, MerkleInclusionProof::read_bincode(in));
  return s;
}

Result<Groth16Receipt, BincodeError> read_groth16(BincodeReader& in, ClaimReader claim) {
  Groth16Receipt g;
  KOVRA_ASSIGN_OR_RETURN(g.seal, in.byte_string());
  KOVRA_ASSIGN_OR_RETURN(g.claim, claim(in));
  KOVRA_ASSIGN_OR_RETURN(g.params_digest, in.digest());
  return g;
}

// One proof of kind `kind`; `depth` is the nesting level a chained proof would take.
Result<ProofKind, BincodeError> read_proof(BincodeReader& in, uint32_t kind, ClaimReader claim,
                                          int depth) {
  switch (kind) {
    case 0: {
      KOVRA_ASSIGN_OR_RETURN(ChainedReceipt c, ChainedReceipt::read_bincode(in, depth));
      return ProofKind(std::in_place_index<0>, std::move(c));
    }
    case 1: {
      KOVRA_ASSIGN_OR_RETURN(SuccinctReceipt s, read_succinct(in, claim));
      return ProofKind(std::in_place_index<1>, std::move(s));
    }
    case 2: {
      KOVRA_ASSIGN_OR_RETURN(Groth16Receipt g, read_groth16(in, claim));
      return ProofKind(std::in_place_index<2>, std::move(g));
    }
    default: {
      KOVRA_INVARIANT(kind == 3, "proof kind checked against the kind count");
      FakeReceipt f;
      KOVRA_ASSIGN_OR_RETURN(f.claim, claim(in));
      return ProofKind(std::in_place_index<3>, std::move(f));
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
  KOVRA_ASSIGN_OR_RETURN(p.siblings,
                         in.list<Digest>([](BincodeReader& r) { return r.digest(); }));
  return p;
}

Result<ChainedReceipt, BincodeError> ChainedReceipt::read_bincode(BincodeReader& in, int depth) {
  if (depth > kMaxChainedNesting) {
    return Err(BincodeError::nesting_too_deep(nesting_too_deep_message()));
  }
  ChainedReceipt c;
  KOVRA_ASSIGN_OR_RETURN(c.segments, in.list<Rv32imReceipt>(read_segment));
  KOVRA_ASSIGN_OR_RETURN(
      c.assumption_receipts,
      in.list<AssumptionReceipt>([depth](BincodeReader& r) -> Result<AssumptionReceipt, BincodeError> {
        KOVRA_ASSIGN_OR_RETURN(const uint32_t kind, r.variant_index(kProofKinds));
        KOVRA_ASSIGN_OR_RETURN(ProofKind proof, read_proof(r, kind, read_pruned_claim, depth + 1));
        return AssumptionReceipt{std::move(proof)};
      }));
  KOVRA_ASSIGN_OR_RETURN(c.params_digest, in.digest());
  return c;
}

Result<Receipt, BincodeError> Receipt::read_bincode(BincodeReader& in) {
  Receipt r;
  KOVRA_ASSIGN_OR_RETURN(const uint32_t kind, in.variant_index(kProofKinds));
  KOVRA_ASSIGN_OR_RETURN(r.proof.kind, read_proof(in, kind, read_prunable_claim, 1));
  KOVRA_ASSIGN_OR_RETURN(r.journal, in.byte_string());
  KOVRA_ASSIGN_OR_RETURN(r.params_digest, in.digest());
  return r;
}

}  // namespace kovra::receipts
