// The elements of the gate journal record (GateAttestation) in order, for both of its test
// encoders: BincodeWriter (the record inside a credential file) and WordWriter (the record
// as journal words). Within this library's test support only.
#pragma once

#include "kovra-core/records.h"

namespace kovra::core::testing {

template <class Writer>
void write_gate_elements(Writer& w, const GateAttestation& g) {
  w.option_tag(g.disclosed.has_value());
  if (const auto& d = g.disclosed) {
    w.i64(d->net_return_bps).i64(d->max_drawdown_bps).i64(d->worst_bar_bps).u32(d->trades)
        .u32(d->bars_in_market).i64(d->sharpe).i64(d->sharpe_oos).i64(d->independence_pct)
        .i64(d->r2_market_pct).i64(d->r2_momentum_pct).i64(d->r2_reversal_pct);
  }
  w.array32(g.commitment).array32(g.data_root).boolean(g.canonical_data);
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
  w.array32(g.aux_binding);
}

}  // namespace kovra::core::testing
