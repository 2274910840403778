#include "kovra-core/testing/journal_writer.h"

#include "kovra-core/detail/gate_elements.h"

namespace kovra::core::testing {

void write_words(WordWriter& w, const GateAttestation& g) { detail::write_gate_elements(w, g); }

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
