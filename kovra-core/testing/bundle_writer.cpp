#include "kovra-core/testing/bundle_writer.h"

#include "receipts/testing/receipt_writer.h"

namespace kovra::core::testing {

void write_gate_attestation(BincodeWriter& w, const GateAttestation& g) {
  w.option_tag(g.disclosed.has_value());
  if (const auto& d = g.disclosed) {
    w.i64(d->net_return_bps).i64(d->max_drawdown_bps).i64(d->worst_bar_bps).u32(d->trades)
        .u32(d->bars_in_market).i64(d->sharpe).i64(d->sharpe_oos).i64(d->independence_pct)
        .i64(d->r2_market_pct).i64(d->r2_momentum_pct).i64(d->r2_reversal_pct);
  }
  w.raw(g.commitment).raw(g.data_root).boolean(g.canonical_data);
  const RiskGate& r = g.gate;
  w.i64(r.min_sharpe).i64(r.min_cagr_bps).i64(r.policy_value_3).i64(r.max_drawdown_bps)
      .i64(r.worst_bar_floor_bps).u32(r.min_trades).u32(r.min_bars).u32(r.policy_value_8)
      .i64(r.policy_value_9).boolean(r.policy_flag_10);
  w.boolean(g.gate_passed).i64(g.window_start).i64(g.window_end).i64(g.fee_bps)
      .i64(g.slippage_bps).u32(g.periods_per_year).u32(g.bars).u16(g.format_version)
      .boolean(g.ohlc_risk);
  w.option_tag(g.exposure.has_value());
  if (const auto& e = g.exposure) {
    w.i64(e->net_avg).i64(e->net_min).i64(e->net_max).i64(e->gross_avg).i64(e->gross_max)
        .u32(e->long_bars).u32(e->short_bars).u32(e->flat_bars).u32(e->instruments);
  }
  w.option_tag(g.regimes.has_value());
  if (const auto& p = g.regimes) {
    w.u32(p->vol_window).u32(p->trend_window);
    for (int64_t v : p->bucket_return_bps) w.i64(v);
    for (uint32_t v : p->bucket_bars) w.u32(v);
  }
  w.raw(g.aux_binding);
}

void write_credential_core(BincodeWriter& w, const CredentialCore& c) {
  w.u32(c.header_u32).text(c.issuer).u64(c.header_u64).i64(c.header_i64).raw(c.image_id);
  write_gate_attestation(w, c.journal);
}

void write_attest_credential_core(BincodeWriter& w, const AttestCredentialCore& c) {
  w.u32(c.header_u32).text(c.issuer).u64(c.header_u64).i64(c.header_i64).raw(c.image_id)
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
