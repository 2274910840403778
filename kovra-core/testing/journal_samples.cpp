#include "kovra-core/testing/journal_samples.h"

#include "kovra-core/lib.h"
#include "kovra-core/testing/bundle_writer.h"

namespace kovra::core::testing {

TrialLedger sample_ledger(uint64_t leaves) {
  return {leaves, sample_bytes32(0x51), sample_bytes32(0x71)};
}

DsrJournal sample_dsr_journal() {
  DsrJournal j;
  j.gate = sample_gate_attestation(true);
  j.dsr = 962'345;
  j.sr0 = 41'250;
  j.observed_sharpe = 87'654;
  j.trials = 24;
  j.ledger = sample_ledger(24);
  j.all_trials_bound = true;
  return j;
}

PboJournal sample_pbo_journal() {
  PboJournal j;
  j.gate = sample_gate_attestation(true);
  j.pbo = 241'000;
  j.trials = 12;
  j.cscv_splits = 8;
  j.cscv_partitions = 70;
  j.ledger = sample_ledger(12);
  j.all_trials_bound = true;
  return j;
}

PboAggJournal sample_pbo_agg_journal() {
  PboAggJournal j;
  j.gate = sample_gate_attestation(true);
  j.pbo = 183'500;
  j.trials = 20;
  j.cscv_splits = 16;
  j.cscv_partitions = 12'870;
  j.ledger = sample_ledger(20);
  j.trial_image_id = sample_bytes32(0xa0);
  j.all_trials_verified = true;
  return j;
}

CpcvJournal sample_cpcv_journal() {
  CpcvJournal j;
  j.gate = sample_gate_attestation(true);
  j.path_sharpe_p05 = 12'345;
  j.path_sharpe_mean = 45'678;
  j.paths = 15;
  j.groups = 6;
  j.test_groups = 2;
  j.embargo_bars = 3;
  j.label_span_bars = 1;
  j.bars_purged = 60;
  j.purge_applied = true;
  return j;
}

ValidationExtGuestJournal sample_vext_journal() {
  ValidationExtGuestJournal j;
  j.gate = sample_gate_attestation(true);
  j.ledger = sample_ledger(24);
  j.ledger_bound = true;
  ValidationExtJournal s;
  s.trials = 24;
  s.sample_bars = 1'500;
  s.periods_per_year = 252;
  s.winner_sr = 142'000;
  s.skewness = -310'000;
  s.kurtosis = 4'200'000;
  s.p_bonferroni = 31'000;
  s.p_holm = 29'500;
  s.p_bhy = 12'750;
  s.haircut_sr = 97'300;
  s.spa_t_max = 2'871'000;
  s.spa_p = 18'000;
  s.spa_replicates = 400;
  s.romano_wolf_survivors = {3, 17};
  j.stats = s;
  return j;
}

LabelSchemaJournal sample_label_schema_journal() {
  LabelSchemaJournal j;
  j.data_root = sample_bytes32(0x40);
  j.window_bars = 150;
  j.event_count = 12;
  j.profit_take_bps = 250;
  j.stop_bps = 150;
  j.vertical_bars = 10;
  j.labels_digest = sample_bytes32(0xa0);
  j.uniqueness_digest = sample_bytes32(0xc0);
  j.meta_label_act_rate = 612'000;
  j.recomputed_in_circuit = true;
  return j;
}

StructuralJournal sample_structural_journal() {
  StructuralJournal j;
  j.data_root = sample_bytes32(0x40);
  j.window_bars = 150;
  j.cusum_h = 2'500'000;
  j.break_events = 3;
  j.episode_start_bar = 40;
  j.episode_end_bar = 75;
  j.sadf_min_window = 8;
  j.sadf_stride = 2;
  j.sadf_sup = 1'234'567;
  j.recomputed_in_circuit = true;
  return j;
}

HrpJournal sample_hrp_journal() {
  HrpJournal j;
  j.data_root = sample_bytes32(0x40);
  j.assets = 2;
  j.observations = 149;
  j.power_iterations = 64;
  j.mp_lambda_plus = *marchenko_pastur_upper(2, 149);
  j.denoised_corr_digest = sample_bytes32(0xe0);
  j.weights = {437'500, 562'500};
  j.recomputed_in_circuit = true;
  return j;
}

}  // namespace kovra::core::testing
