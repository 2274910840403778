#include "kovra-core/testing/journal_writer.h"

namespace kovra::core::testing {

void write_words(WordWriter& w, const GateAttestation& g) {
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
      .i64(g.slippage_bps).u32(g.periods_per_year).u32(g.bars).u32(g.format_version)
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

void write_words(WordWriter& w, const TrialLedger& t) {
  w.u64(t.leaf_count).array32(t.digest_a).array32(t.digest_b);
}

void write_words(WordWriter& w, const DsrJournal& j) {
  write_words(w, j.gate);
  w.i128(j.dsr).i128(j.sr0).i128(j.observed_sharpe).u64(j.trials);
  write_words(w, j.ledger);
  w.boolean(j.all_trials_bound);
}

void write_words(WordWriter& w, const PboJournal& j) {
  write_words(w, j.gate);
  w.i128(j.pbo).u64(j.trials).u32(j.cscv_splits).u32(j.cscv_partitions);
  write_words(w, j.ledger);
  w.boolean(j.all_trials_bound);
}

void write_words(WordWriter& w, const PboAggJournal& j) {
  write_words(w, j.gate);
  w.i128(j.pbo).u64(j.trials).u32(j.cscv_splits).u32(j.cscv_partitions);
  write_words(w, j.ledger);
  w.array32(j.trial_image_id).boolean(j.all_trials_verified);
}

void write_words(WordWriter& w, const CpcvJournal& j) {
  write_words(w, j.gate);
  w.i128(j.path_sharpe_p05).i128(j.path_sharpe_mean).u32(j.paths).u32(j.groups)
      .u32(j.test_groups).u32(j.embargo_bars).u32(j.label_span_bars).u64(j.bars_purged)
      .boolean(j.purge_applied);
}

void write_words(WordWriter& w, const ValidationExtJournal& j) {
  w.array32(j.commitment).array32(j.data_root).u64(j.trials).u64(j.sample_bars)
      .u32(j.periods_per_year).i128(j.winner_sr).i128(j.psr).i128(j.psr_benchmark)
      .i128(j.skewness).i128(j.kurtosis).boolean(j.psr_pass).u64(j.min_btl)
      .i128(j.noise_ceiling).boolean(j.min_btl_pass).i128(j.hl_t).i128(j.p_bonferroni)
      .i128(j.p_holm).i128(j.p_bhy).i128(j.haircut_sr).boolean(j.bhy_pass).i128(j.spa_t_max)
      .i128(j.spa_p).u32(j.spa_replicates).u32(j.spa_block).u32_list(j.romano_wolf_survivors)
      .boolean(j.spa_pass).boolean(j.composite_pass);
}

void write_words(WordWriter& w, const ValidationExtGuestJournal& j) {
  write_words(w, j.gate);
  write_words(w, j.ledger);
  w.option_tag(j.stats.has_value());
  if (j.stats) write_words(w, *j.stats);
  w.boolean(j.ledger_bound);
}

void write_words(WordWriter& w, const LabelSchemaJournal& j) {
  w.array32(j.data_root).u64(j.window_bars).u64(j.event_count).i64(j.profit_take_bps)
      .i64(j.stop_bps).u32(j.vertical_bars).array32(j.labels_digest)
      .array32(j.uniqueness_digest).i128(j.meta_label_act_rate).boolean(j.recomputed_in_circuit);
}

void write_words(WordWriter& w, const StructuralJournal& j) {
  w.array32(j.data_root).u64(j.window_bars).i128(j.cusum_h).u64(j.break_events)
      .u32(j.episode_start_bar).u32(j.episode_end_bar).u32(j.sadf_min_window)
      .u32(j.sadf_stride).i128(j.sadf_sup).boolean(j.recomputed_in_circuit);
}

void write_words(WordWriter& w, const HrpJournal& j) {
  w.array32(j.data_root).u64(j.assets).u64(j.observations).u32(j.power_iterations)
      .i128(j.mp_lambda_plus).array32(j.denoised_corr_digest).i128_list(j.weights)
      .boolean(j.recomputed_in_circuit);
}

}  // namespace kovra::core::testing
