#include "receipts/testing/receipt_writer.h"

#include <type_traits>

namespace kovra::receipts::testing {

namespace {

template <class T, class WriteValue>
void write_prunable(BincodeWriter& w, const Prunable<T>& p, WriteValue&& write_value) {
  if (p.is_pruned()) {
    w.u32(1).digest(p.digest());
  } else {
    w.u32(0);
    write_value(p.value());
  }
}

void write_state(BincodeWriter& w, const Prunable<SystemState>& s) {
  write_prunable(w, s, [&](const SystemState& v) { w.u32(v.pc).digest(v.state_root); });
}

void write_output(BincodeWriter& w, const Output& out) {
  write_prunable(w, out.journal, [&](const std::vector<uint8_t>& j) { w.byte_string(j); });
  write_prunable(w, out.assumptions, [&](const Assumptions& list) {
    w.u64(list.size());
    for (const auto& a : list) {
      write_prunable(w, a, [&](const Assumption& v) {
        w.digest(v.claim_digest).digest(v.program_set_root);
      });
    }
  });
}

using ClaimWriter = void (*)(BincodeWriter&, const Prunable<ReceiptClaim>&);

void write_top_claim(BincodeWriter& w, const Prunable<ReceiptClaim>& c) {
  write_prunable(w, c, [&](const ReceiptClaim& v) { write_claim(w, v); });
}

void write_pruned_claim(BincodeWriter& w, const Prunable<ReceiptClaim>& c) {
  if (c.is_pruned()) {
    w.u32(1).digest(c.digest());
  } else {
    w.u32(0).u32(0);
  }
}

// A proof's members after its kind, its claim written by `claim`.
void write_body(BincodeWriter& w, const ChainedReceipt& c, ClaimWriter) { write_chained(w, c); }

void write_body(BincodeWriter& w, const SuccinctReceipt& s, ClaimWriter claim) {
  w.word_list(s.seal).digest(s.code_root);
  claim(w, s.claim);
  w.text(s.hash_name).digest(s.params_digest);
  write_merkle_proof(w, s.code_root_proof);
}

void write_body(BincodeWriter& w, const Groth16Receipt& g, ClaimWriter claim) {
  w.byte_string(g.seal);
  claim(w, g.claim);
  w.digest(g.params_digest);
}

void write_body(BincodeWriter& w, const FakeReceipt& f, ClaimWriter claim) { claim(w, f.claim); }

}  // namespace

void write_claim(BincodeWriter& w, const ReceiptClaim& claim) {
  write_state(w, claim.pre);
  write_state(w, claim.post);
  w.u32(static_cast<uint32_t>(claim.exit_code.kind));
  if (claim.exit_code.kind == ExitCode::Kind::Halted ||
      claim.exit_code.kind == ExitCode::Kind::Paused) {
    w.u32(claim.exit_code.code);
  }
  write_prunable(w, claim.input, [&](const EmptyInput&) { w.option_tag(false); });
  write_prunable(w, claim.output, [&](const std::optional<Output>& out) {
    w.option_tag(out.has_value());
    if (out) write_output(w, *out);
  });
}

void write_merkle_proof(BincodeWriter& w, const MerkleInclusionProof& proof) {
  w.u32(proof.index).u64(proof.siblings.size());
  for (const auto& d : proof.siblings) w.digest(d);
}

void write_chained(BincodeWriter& w, const ChainedReceipt& chained) {
  w.u64(chained.segments.size());
  for (const auto& s : chained.segments) {
    w.word_list(s.seal).u32(s.index).text(s.hash_name).digest(s.params_digest);
    write_claim(w, s.claim);
  }
  w.u64(chained.assumption_receipts.size());
  for (const auto& a : chained.assumption_receipts) write_assumption_receipt(w, a);
  w.digest(chained.params_digest);
}

void write_assumption_receipt(BincodeWriter& w, const AssumptionReceipt& receipt) {
  w.u32(static_cast<uint32_t>(receipt.kind.index()));
  receipt.kind.visit([&](const auto& p) { write_body(w, p, write_pruned_claim); });
}

void write_receipt(BincodeWriter& w, const Receipt& receipt) {
  w.u32(static_cast<uint32_t>(receipt.proof.kind.index()));
  std::visit([&](const auto& p) { write_body(w, p, write_top_claim); }, receipt.proof.kind);
  w.byte_string(receipt.journal).digest(receipt.params_digest);
}

std::vector<uint8_t> receipt_bytes(const Receipt& receipt) {
  BincodeWriter w;
  write_receipt(w, receipt);
  return w.take();
}

Digest sample_digest(uint32_t seed) {
  Digest d;
  for (uint32_t i = 0; i < 8; ++i) d.words[i] = seed + i;
  return d;
}

ReceiptClaim sample_claim(const std::vector<uint8_t>& journal,
                          const std::vector<Assumption>& assumptions) {
  ReceiptClaim c;
  c.pre = Prunable<SystemState>(SystemState{0x1000, sample_digest(100)});
  c.post = Prunable<SystemState>(SystemState{0, sample_digest(200)});
  c.exit_code = ExitCode::halted(0);
  c.input = Prunable<EmptyInput>(EmptyInput{});
  Output out;
  out.journal = Prunable<std::vector<uint8_t>>(journal);
  Assumptions list;
  for (const auto& a : assumptions) list.emplace_back(a);
  out.assumptions = Prunable<Assumptions>(std::move(list));
  c.output = Prunable<std::optional<Output>>(std::optional<Output>(std::move(out)));
  return c;
}

}  // namespace kovra::receipts::testing
