#include "receipts/receipt.h"

#include <utility>

namespace kovra::receipts {

using base::Err;
using base::Result;

namespace {

constexpr uint32_t kProofKinds = 4;  // Chained, Succinct, Groth16, Fake
constexpr uint32_t kPrunableTags = 2;  // Value, Pruned
constexpr uint32_t kExitKinds = 4;

// The tag of a Prunable member: 0 the value follows, 1 its digest.
Result<bool, BincodeError> read_prunable_tag(BincodeReader& in) {
  KOVRA_ASSIGN_OR_RETURN(const uint32_t tag, in.variant_index(kPrunableTags));
  return tag == 1;
}

Result<Prunable<SystemState>, BincodeError> read_prunable_system_state(BincodeReader& in) {
  KOVRA_ASSIGN_OR_RETURN(const bool pruned, read_prunable_tag(in));
  if (pruned) {
    KOVRA_ASSIGN_OR_RETURN(const Digest d, in.digest());
    return Prunable<SystemState>::pruned(d);
  }
  SystemState s;
  KOVRA_ASSIGN_OR_RETURN(s.pc, in.u32());
  KOVRA_ASSIGN_OR_RETURN(s.state_root, in.digest());
  return Prunable<SystemState>(s);
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
  KOVRA_ASSIGN_OR_RETURN(const bool pruned, read_prunable_tag(in));
  if (pruned) {
    KOVRA_ASSIGN_OR_RETURN(const Digest d, in.digest());
    return Prunable<EmptyInput>::pruned(d);
  }
  KOVRA_ASSIGN_OR_RETURN(const bool present, in.option_tag());
  if (present) {
    KOVRA_ASSIGN_OR_RETURN(const uint32_t variant, in.u32());
    return Err(BincodeError::refuse_empty_variant(variant));
  }
  return Prunable<EmptyInput>(EmptyInput{});
}

Result<Prunable<Assumption>, BincodeError> read_assumption(BincodeReader& in) {
  KOVRA_ASSIGN_OR_RETURN(const bool pruned, read_prunable_tag(in));
  if (pruned) {
    KOVRA_ASSIGN_OR_RETURN(const Digest d, in.digest());
    return Prunable<Assumption>::pruned(d);
  }
  Assumption a;
  KOVRA_ASSIGN_OR_RETURN(a.claim_digest, in.digest());
  KOVRA_ASSIGN_OR_RETURN(a.program_set_root, in.digest());
  return Prunable<Assumption>(a);
}

Result<Output, BincodeError> read_output_value(BincodeReader& in) {
  Output out;
  {
    KOVRA_ASSIGN_OR_RETURN(const bool pruned, read_prunable_tag(in));
    if (pruned) {
      KOVRA_ASSIGN_OR_RETURN(const Digest d, in.digest());
      out.journal = Prunable<std::vector<uint8_t>>::pruned(d);
    } else {
      KOVRA_ASSIGN_OR_RETURN(auto bytes, in.byte_string());
      out.journal = Prunable<std::vector<uint8_t>>(std::move(bytes));
    }
  }
  KOVRA_ASSIGN_OR_RETURN(const bool pruned, read_prunable_tag(in));
  if (pruned) {
    KOVRA_ASSIGN_OR_RETURN(const Digest d, in.digest());
    out.assumptions = Prunable<Assumptions>::pruned(d);
  } else {
    KOVRA_ASSIGN_OR_RETURN(auto list, in.list<Prunable<Assumption>>(read_assumption));
    out.assumptions = Prunable<Assumptions>(std::move(list));
  }
  return out;
}

Result<Prunable<std::optional<Output>>, BincodeError> read_output(BincodeReader& in) {
  using P = Prunable<std::optional<Output>>;
  KOVRA_ASSIGN_OR_RETURN(const bool pruned, read_prunable_tag(in));
  if (pruned) {
    KOVRA_ASSIGN_OR_RETURN(const Digest d, in.digest());
    return P::pruned(d);
  }
  KOVRA_ASSIGN_OR_RETURN(const bool present, in.option_tag());
  if (!present) return P(std::nullopt);
  KOVRA_ASSIGN_OR_RETURN(Output out, read_output_value(in));
  return P(std::optional<Output>(std::move(out)));
}

// The claim of a top-level proof: tag 0 and the whole claim, or tag 1 and its digest.
Result<Prunable<ReceiptClaim>, BincodeError> read_prunable_claim(BincodeReader& in) {
  KOVRA_ASSIGN_OR_RETURN(const bool pruned, read_prunable_tag(in));
  if (pruned) {
    KOVRA_ASSIGN_OR_RETURN(const Digest d, in.digest());
    return Prunable<ReceiptClaim>::pruned(d);
  }
  auto claim = ReceiptClaim::read_bincode(in);
  if (!claim.ok()) return Err(std::move(claim).error());
  return Prunable<ReceiptClaim>(std::move(claim).value());
}

// The claim inside an assumption receipt exists in digest form only: its value type has
// no values, so tag 0 is followed by a variant index that is always refused.
Result<Prunable<ReceiptClaim>, BincodeError> read_pruned_claim(BincodeReader& in) {
  KOVRA_ASSIGN_OR_RETURN(const bool pruned, read_prunable_tag(in));
  if (!pruned) {
    KOVRA_ASSIGN_OR_RETURN(const uint32_t variant, in.u32());
    return Err(BincodeError::refuse_empty_variant(variant));
  }
  KOVRA_ASSIGN_OR_RETURN(const Digest d, in.digest());
  return Prunable<ReceiptClaim>::pruned(d);
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
