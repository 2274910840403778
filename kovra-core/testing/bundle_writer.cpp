#include "kovra-core/testing/bundle_writer.h"

#include "kovra-core/detail/gate_elements.h"
#include "receipts/testing/receipt_writer.h"

namespace kovra::core::testing {

void write_gate_attestation(BincodeWriter& w, const GateAttestation& g) {
  detail::write_gate_elements(w, g);
}

namespace {

// The members both cores begin with.
template <class Core>
BincodeWriter& write_core_header(BincodeWriter& w, const Core& c) {
  return w.u32(c.header_u32).text(c.issuer).u64(c.header_u64).i64(c.header_i64).raw(c.image_id);
}

}  // namespace

void write_credential_core(BincodeWriter& w, const CredentialCore& c) {
  write_core_header(w, c);
  write_gate_attestation(w, c.journal);
}

void write_attest_credential_core(BincodeWriter& w, const AttestCredentialCore& c) {
  write_core_header(w, c)
      .u32(static_cast<uint32_t>(c.family)).raw(c.journal_sha256).raw(c.data_root);
}

std::vector<uint8_t> credential_bundle_bytes(const CredentialBundle& bundle) {
  BincodeWriter w;
  write_credential_core(w, bundle.core);
  w.raw(bundle.digest);
  receipts::testing::write_receipt(w, bundle.receipt);
  return w.take();
}

std::vector<uint8_t> attestation_bundle_bytes(const AttestationBundle& bundle) {
  BincodeWriter w;
  w.raw(kAttestationPrefix);
  write_attest_credential_core(w, bundle.core);
  w.raw(bundle.digest);
  receipts::testing::write_receipt(w, bundle.receipt);
  return w.take();
}

Bytes32 sample_bytes32(uint8_t seed) {
  Bytes32 b{};
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(seed + i);
  return b;
}

GateAttestation sample_gate_attestation(bool disclosing) {
  GateAttestation g;
  if (disclosing) {
    g.disclosed = Disclosed{2500, 800, -300, 42, 900, 180, 150, 85, 10, 3, 2};
    g.exposure = ExposureCard{40, -100, 100, 60, 100, 500, 300, 200, 1};
    g.regimes = RegimePanel{20, 50, {12, -4, 7, 0, -9, 30}, {100, 200, 150, 250, 180, 120}};
  }
  g.commitment = sample_bytes32(0x10);
  g.data_root = sample_bytes32(0x40);
  g.canonical_data = true;
  g.gate = RiskGate{120, 2000, 50, 2500, -1200, 3, 20, 100, 5, true};
  g.gate_passed = true;
  g.window_start = 1'600'000'000;
  g.window_end = 1'700'000'000;
  g.fee_bps = 10;
  g.slippage_bps = 5;
  g.periods_per_year = 8760;
  g.bars = 1000;
  g.format_version = 3;
  g.ohlc_risk = true;
  g.aux_binding = Bytes32{};
  return g;
}

CredentialBundle sample_credential_bundle(bool disclosing, std::vector<uint8_t> journal) {
  CredentialBundle b;
  b.core.header_u32 = 2;
  b.core.issuer = "kovra-engine";
  b.core.header_u64 = 1'700'000'123;
  b.core.header_i64 = -7;
  b.core.image_id = sample_bytes32(0xa0);
  b.core.journal = sample_gate_attestation(disclosing);
  b.digest = sample_bytes32(0xd0);
  b.receipt.proof.kind = receipts::ProofKind(receipts::FakeReceipt{
      receipts::Prunable<receipts::ReceiptClaim>::pruned(receipts::testing::sample_digest(77))});
  b.receipt.journal = std::move(journal);
  return b;
}

AttestationBundle sample_attestation_bundle(AttestationFamily family) {
  AttestationBundle b;
  b.core.header_u32 = 3;
  b.core.issuer = "kovra-attest";
  b.core.header_u64 = 99;
  b.core.header_i64 = -1;
  b.core.image_id = sample_bytes32(0xa0);
  b.core.family = family;
  b.core.journal_sha256 = sample_bytes32(0x20);
  b.core.data_root = sample_bytes32(0x40);
  b.digest = sample_bytes32(0xe0);
  b.receipt.proof.kind = receipts::ProofKind(receipts::FakeReceipt{
      receipts::Prunable<receipts::ReceiptClaim>::pruned(receipts::testing::sample_digest(5))});
  b.receipt.journal = {7, 0, 0, 0};
  return b;
}

}  // namespace kovra::core::testing
