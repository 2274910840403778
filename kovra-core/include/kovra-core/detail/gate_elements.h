// The gate journal record (GateAttestation) and its parts, element by element.
//
// The record has three encodings with the same elements in the same order: bincode inside a
// credential file (base/bincode.h), journal words inside a receipt's journal
// (receipts/word_codec.h), and postcard for the credential digest (kovra-core/postcard.h).
// Its reader and its writer are each written once here, over an element source or sink: a
// small adapter giving each element kind of one encoding (a source with that encoding's
// error type). For this library and its test support only.
#pragma once

#include <optional>

#include "base/bincode.h"
#include "base/result.h"
#include "kovra-core/postcard.h"
#include "kovra-core/records.h"
#include "receipts/word_codec.h"

namespace kovra::core::detail {

// Bincode elements.
struct BincodeElements {
  using Error = base::BincodeError;
  base::BincodeReader& in;

  base::Result<int64_t, Error> i64() { return in.i64(); }
  base::Result<uint32_t, Error> u32() { return in.u32(); }
  base::Result<uint16_t, Error> u16() { return in.u16(); }
  base::Result<bool, Error> boolean() { return in.boolean(); }
  base::Result<bool, Error> option_tag() { return in.option_tag(); }
  base::Result<Bytes32, Error> bytes32() { return in.array<32>(); }
};

// Journal-word elements.
struct WordElements {
  using Error = receipts::WordCodecError;
  receipts::WordReader& in;

  base::Result<int64_t, Error> i64() { return in.next_i64(); }
  base::Result<uint32_t, Error> u32() { return in.next_u32(); }
  base::Result<uint16_t, Error> u16() { return in.next_u16(); }
  base::Result<bool, Error> boolean() { return in.next_bool(); }
  base::Result<bool, Error> option_tag() { return in.next_option_tag(); }
  base::Result<Bytes32, Error> bytes32() { return in.next_array32(); }
};

template <class In, class T>
using ElementResult = base::Result<T, typename In::Error>;

template <class In>
ElementResult<In, Disclosed> read_disclosed(In in) {
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

template <class In>
ElementResult<In, RiskGate> read_risk_gate(In in) {
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

template <class In>
ElementResult<In, ExposureCard> read_exposure(In in) {
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

template <class In>
ElementResult<In, RegimePanel> read_regimes(In in) {
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

// An optional record: its tag, then the record when present.
template <class T, class In, class ReadT>
ElementResult<In, std::optional<T>> read_option(In in, ReadT read) {
  KOVRA_ASSIGN_OR_RETURN(const bool present, in.option_tag());
  if (!present) return std::optional<T>();
  KOVRA_ASSIGN_OR_RETURN(T value, read(in));
  return std::optional<T>(value);
}

template <class In>
ElementResult<In, GateAttestation> read_gate_attestation(In in) {
  GateAttestation g;
  KOVRA_ASSIGN_OR_RETURN(g.disclosed, read_option<Disclosed>(in, read_disclosed<In>));
  KOVRA_ASSIGN_OR_RETURN(g.commitment, in.bytes32());
  KOVRA_ASSIGN_OR_RETURN(g.data_root, in.bytes32());
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
  KOVRA_ASSIGN_OR_RETURN(g.exposure, read_option<ExposureCard>(in, read_exposure<In>));
  KOVRA_ASSIGN_OR_RETURN(g.regimes, read_option<RegimePanel>(in, read_regimes<In>));
  KOVRA_ASSIGN_OR_RETURN(g.aux_binding, in.bytes32());
  return g;
}

// Postcard elements: integers as varints, signed ones zigzag first.
struct PostcardElements {
  PostcardWriter& out;

  PostcardElements& i64(int64_t v) { out.zigzag(v); return *this; }
  PostcardElements& u32(uint32_t v) { out.varint(v); return *this; }
  PostcardElements& u16(uint16_t v) { out.varint(v); return *this; }
  PostcardElements& boolean(bool v) { out.boolean(v); return *this; }
  PostcardElements& option_tag(bool present) { out.option_tag(present); return *this; }
  PostcardElements& array32(const Bytes32& b) { out.bytes32(b); return *this; }
};

// Writes the record through `w`: BincodeWriter and WordWriter (test support) or
// PostcardElements, each with i64, u32, u16, boolean, option_tag and array32.
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

}  // namespace kovra::core::detail
