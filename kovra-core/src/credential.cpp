#include "kovra-core/credential.h"

#include "base/sha256.h"
#include "kovra-core/bundle.h"
#include "kovra-core/postcard.h"

namespace kovra::core {

namespace {

Bytes32 tagged_sha256(std::string_view tag, const std::vector<uint8_t>& encoding) {
  base::Sha256 h;
  h.update(tag).update(encoding);
  return h.finish().bytes();
}

// The members both cores begin with.
template <class Core>
void write_core_header(PostcardWriter& w, const Core& c) {
  w.varint(c.header_u32).text(c.issuer).varint(c.header_u64).zigzag(c.header_i64)
      .bytes32(c.image_id);
}

}  // namespace

void GateAttestation::write_postcard(std::vector<uint8_t>& out) const {
  PostcardWriter w(out);
  w.option_tag(disclosed.has_value());
  if (disclosed) {
    const Disclosed& d = *disclosed;
    w.zigzag(d.net_return_bps).zigzag(d.max_drawdown_bps).zigzag(d.worst_bar_bps)
        .varint(d.trades).varint(d.bars_in_market).zigzag(d.sharpe).zigzag(d.sharpe_oos)
        .zigzag(d.independence_pct).zigzag(d.r2_market_pct).zigzag(d.r2_momentum_pct)
        .zigzag(d.r2_reversal_pct);
  }
  w.bytes32(commitment).bytes32(data_root).boolean(canonical_data);
  w.zigzag(gate.min_sharpe).zigzag(gate.min_cagr_bps).zigzag(gate.policy_value_3)
      .zigzag(gate.max_drawdown_bps).zigzag(gate.worst_bar_floor_bps).varint(gate.min_trades)
      .varint(gate.min_bars).varint(gate.policy_value_8).zigzag(gate.policy_value_9)
      .boolean(gate.policy_flag_10);
  w.boolean(gate_passed).zigzag(window_start).zigzag(window_end).zigzag(fee_bps)
      .zigzag(slippage_bps).varint(periods_per_year).varint(bars).varint(format_version)
      .boolean(ohlc_risk);
  w.option_tag(exposure.has_value());
  if (exposure) {
    const ExposureCard& e = *exposure;
    w.zigzag(e.net_avg).zigzag(e.net_min).zigzag(e.net_max).zigzag(e.gross_avg)
        .zigzag(e.gross_max).varint(e.long_bars).varint(e.short_bars).varint(e.flat_bars)
        .varint(e.instruments);
  }
  w.option_tag(regimes.has_value());
  if (regimes) {
    const RegimePanel& p = *regimes;
    w.varint(p.vol_window).varint(p.trend_window);
    for (int64_t v : p.bucket_return_bps) w.zigzag(v);
    for (uint32_t v : p.bucket_bars) w.varint(v);
  }
  w.bytes32(aux_binding);
}

Bytes32 CredentialCore::digest() const {
  std::vector<uint8_t> buf;
  PostcardWriter w(buf);
  write_core_header(w, *this);
  journal.write_postcard(buf);
  return tagged_sha256(kCredentialV2Tag, buf);
}

Bytes32 AttestCredentialCore::digest() const {
  std::vector<uint8_t> buf;
  PostcardWriter w(buf);
  write_core_header(w, *this);
  w.varint(static_cast<uint32_t>(family)).bytes32(journal_sha256).bytes32(data_root);
  return tagged_sha256(kCredentialV3Tag, buf);
}

bool CredentialBundle::digest_intact() const { return core.digest() == digest; }

bool AttestationBundle::digest_intact() const { return core.digest() == digest; }

Bytes32 sha256_bytes(std::span<const uint8_t> data) {
  return base::sha256_digest(data).bytes();
}

}  // namespace kovra::core
