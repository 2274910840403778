#include "kovra-core/bundle.h"

#include <algorithm>
#include <utility>

namespace kovra::core {

using base::BincodeReader;
using base::Err;
using base::Result;

namespace {

constexpr uint32_t kAttestationFamilies = 3;

Result<Disclosed, BincodeError> read_disclosed(BincodeReader& in) {
  Disclosed d;
  KOVRA_ASSIGN_OR_RETURN(d.net_return_bps, in.i64());
  KOVRA_ASSIGN_OR_RETURN(d.max_drawdown_bps, in.i64());
  KOVRA_ASSIGN_OR_RETURN(d.worst_bar_bps, in.i64());
  KOVRA_ASSIGN_OR_RETURN(d.trades, in.u32());
  KOVRA_ASSIGN_OR_RETURN(d.bars_in_market, in.u32());
  KOVRA_ASSIGN_OR_RETURN(d.sharpe, in.i64());
  KOVRA_ASSIGN_OR_RETURN(d.sharpe_oos, in.i64());
  KOVRA_ASSIGN_OR_RETURN(d.independence_pct, in.i64());
  KOVRA_ASSIGN_OR_RETURN(d.r2_market_pct, in.i64());
  KOVRA_ASSIGN_OR_RETURN(d.r2_momentum_pct, in.i64());
  KOVRA_ASSIGN_OR_RETURN(d.r2_reversal_pct, in.i64());
  return d;
}

Result<RiskGate, BincodeError> read_risk_gate(BincodeReader& in) {
  RiskGate g;
  KOVRA_ASSIGN_OR_RETURN(g.min_sharpe, in.i64());
  KOVRA_ASSIGN_OR_RETURN(g.min_cagr_bps, in.i64());
  KOVRA_ASSIGN_OR_RETURN(g.policy_value_3, in.i64());
  KOVRA_ASSIGN_OR_RETURN(g.max_drawdown_bps, in.i64());
  KOVRA_ASSIGN_OR_RETURN(g.worst_bar_floor_bps, in.i64());
  KOVRA_ASSIGN_OR_RETURN(g.min_trades, in.u32());
  KOVRA_ASSIGN_OR_RETURN(g.min_bars, in.u32());
  KOVRA_ASSIGN_OR_RETURN(g.policy_value_8, in.u32());
  KOVRA_ASSIGN_OR_RETURN(g.policy_value_9, in.i64());
  KOVRA_ASSIGN_OR_RETURN(g.policy_flag_10, in.boolean());
  return g;
}

Result<ExposureCard, BincodeError> read_exposure(BincodeReader& in) {
  ExposureCard e;
  KOVRA_ASSIGN_OR_RETURN(e.net_avg, in.i64());
  KOVRA_ASSIGN_OR_RETURN(e.net_min, in.i64());
  KOVRA_ASSIGN_OR_RETURN(e.net_max, in.i64());
  KOVRA_ASSIGN_OR_RETURN(e.gross_avg, in.i64());
  KOVRA_ASSIGN_OR_RETURN(e.gross_max, in.i64());
  KOVRA_ASSIGN_OR_RETURN(e.long_bars, in.u32());
  KOVRA_ASSIGN_OR_RETURN(e.short_bars, in.u32());
  KOVRA_ASSIGN_OR_RETURN(e.flat_bars, in.u32());
  KOVRA_ASSIGN_OR_RETURN(e.instruments, in.u32());
  return e;
}

Result<RegimePanel, BincodeError> read_regimes(BincodeReader& in) {
  RegimePanel p;
  KOVRA_ASSIGN_OR_RETURN(p.vol_window, in.u32());
  KOVRA_ASSIGN_OR_RETURN(p.trend_window, in.u32());
  for (auto& r : p.bucket_return_bps) {
    KOVRA_ASSIGN_OR_RETURN(r, in.i64());
  }
  for (auto& b : p.bucket_bars) {
    KOVRA_ASSIGN_OR_RETURN(b, in.u32());
  }
  return p;
}

// An optional record: its tag byte, then the record when present.
template <class T, class ReadT>
Result<std::optional<T>, BincodeError> read_option(BincodeReader& in, ReadT read) {
  KOVRA_ASSIGN_OR_RETURN(const bool present, in.option_tag());
  if (!present) return std::optional<T>();
  KOVRA_ASSIGN_OR_RETURN(T value, read(in));
  return std::optional<T>(value);
}

// The core's members before its last one (the journal or the family).
struct CoreHeader {
  uint32_t header_u32 = 0;
  std::string issuer;
  uint64_t header_u64 = 0;
  int64_t header_i64 = 0;
  Bytes32 image_id{};
};

Result<CoreHeader, BincodeError> read_core_header(BincodeReader& in) {
  CoreHeader h;
  KOVRA_ASSIGN_OR_RETURN(h.header_u32, in.u32());
  KOVRA_ASSIGN_OR_RETURN(h.issuer, in.text());
  KOVRA_ASSIGN_OR_RETURN(h.header_u64, in.u64());
  KOVRA_ASSIGN_OR_RETURN(h.header_i64, in.i64());
  KOVRA_ASSIGN_OR_RETURN(h.image_id, in.array<32>());
  return h;
}

}  // namespace

Result<GateAttestation, BincodeError> read_gate_attestation(BincodeReader& in) {
  GateAttestation g;
  KOVRA_ASSIGN_OR_RETURN(g.disclosed, read_option<Disclosed>(in, read_disclosed));
  KOVRA_ASSIGN_OR_RETURN(g.commitment, in.array<32>());
  KOVRA_ASSIGN_OR_RETURN(g.data_root, in.array<32>());
  KOVRA_ASSIGN_OR_RETURN(g.canonical_data, in.boolean());
  KOVRA_ASSIGN_OR_RETURN(g.gate, read_risk_gate(in));
  KOVRA_ASSIGN_OR_RETURN(g.gate_passed, in.boolean());
  KOVRA_ASSIGN_OR_RETURN(g.window_start, in.i64());
  KOVRA_ASSIGN_OR_RETURN(g.window_end, in.i64());
  KOVRA_ASSIGN_OR_RETURN(g.fee_bps, in.i64());
  KOVRA_ASSIGN_OR_RETURN(g.slippage_bps, in.i64());
  KOVRA_ASSIGN_OR_RETURN(g.periods_per_year, in.u32());
  KOVRA_ASSIGN_OR_RETURN(g.bars, in.u32());
  KOVRA_ASSIGN_OR_RETURN(g.format_version, in.u16());
  KOVRA_ASSIGN_OR_RETURN(g.ohlc_risk, in.boolean());
  KOVRA_ASSIGN_OR_RETURN(g.exposure, read_option<ExposureCard>(in, read_exposure));
  KOVRA_ASSIGN_OR_RETURN(g.regimes, read_option<RegimePanel>(in, read_regimes));
  KOVRA_ASSIGN_OR_RETURN(g.aux_binding, in.array<32>());
  return g;
}

Result<CredentialCore, BincodeError> read_credential_core(BincodeReader& in) {
  KOVRA_ASSIGN_OR_RETURN(CoreHeader h, read_core_header(in));
  KOVRA_ASSIGN_OR_RETURN(GateAttestation journal, read_gate_attestation(in));
  return CredentialCore{h.header_u32, std::move(h.issuer), h.header_u64, h.header_i64,
                        h.image_id, journal};
}

Result<AttestCredentialCore, BincodeError> read_attest_credential_core(BincodeReader& in) {
  KOVRA_ASSIGN_OR_RETURN(CoreHeader h, read_core_header(in));
  AttestCredentialCore c;
  c.header_u32 = h.header_u32;
  c.issuer = std::move(h.issuer);
  c.header_u64 = h.header_u64;
  c.header_i64 = h.header_i64;
  c.image_id = h.image_id;
  KOVRA_ASSIGN_OR_RETURN(const uint32_t family, in.variant_index(kAttestationFamilies));
  c.family = static_cast<AttestationFamily>(family);
  KOVRA_ASSIGN_OR_RETURN(c.journal_sha256, in.array<32>());
  KOVRA_ASSIGN_OR_RETURN(c.data_root, in.array<32>());
  return c;
}

Result<CredentialBundle, BincodeError> CredentialBundle::read_bincode(
    std::span<const uint8_t> file) {
  BincodeReader in(file);
  CredentialBundle b;
  KOVRA_ASSIGN_OR_RETURN(b.core, read_credential_core(in));
  KOVRA_ASSIGN_OR_RETURN(b.digest, in.array<32>());
  KOVRA_ASSIGN_OR_RETURN(b.receipt, receipts::Receipt::read_bincode(in));
  return b;
}

Result<AttestationBundle, AttestationReadError> AttestationBundle::read_bincode(
    std::span<const uint8_t> file) {
  if (file.size() < kAttestationPrefix.size() + 1 ||
      !std::equal(kAttestationPrefix.begin(), kAttestationPrefix.end(), file.begin())) {
    return Err(AttestationReadError{true, {}});
  }
  BincodeReader in(file.subspan(kAttestationPrefix.size()));
  auto decoded = [&]() -> Result<AttestationBundle, BincodeError> {
    AttestationBundle b;
    KOVRA_ASSIGN_OR_RETURN(b.core, read_attest_credential_core(in));
    KOVRA_ASSIGN_OR_RETURN(b.digest, in.array<32>());
    KOVRA_ASSIGN_OR_RETURN(b.receipt, receipts::Receipt::read_bincode(in));
    return b;
  }();
  if (!decoded.ok()) return Err(AttestationReadError{false, std::move(decoded).error()});
  return std::move(decoded).value();
}

}  // namespace kovra::core
