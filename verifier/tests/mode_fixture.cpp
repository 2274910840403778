#include "mode_fixture.h"

#include "kovra-core/dsr.h"
#include "kovra-core/lib.h"
#include "kovra-core/merkle.h"
#include "verifier/price_csv.h"
#include "verifier/statistic_modes.h"

namespace kovra::verifier::testing {
namespace {

using core::testing::sample_bytes32;

core::TrialLedger ledger(uint64_t leaves) { return {leaves, sample_bytes32(0x51), sample_bytes32(0x71)}; }

StatScenario stat_scenario(StatJournal journal) {
  StatScenario s;
  s.fixture = make_gate_fixture(CredentialKind::Plain, false);
  s.journal = std::move(journal);
  return s;
}

}  // namespace

StatScenario dsr_scenario() {
  core::DsrJournal j;
  j.dsr = 962'345;
  j.sr0 = 41'250;
  j.observed_sharpe = 87'654;
  j.trials = 24;
  j.ledger = ledger(24);
  j.all_trials_bound = true;
  return stat_scenario(j);
}

StatScenario pbo_composed_scenario() {
  core::PboAggJournal j;
  j.pbo = 183'500;
  j.trials = 20;
  j.cscv_splits = 16;
  j.cscv_partitions = 12'870;
  j.ledger = ledger(20);
  j.trial_image_id = TRUSTED_IMAGE_ID;
  j.all_trials_verified = true;
  return stat_scenario(j);
}

StatScenario pbo_per_trial_scenario() {
  core::PboJournal j;
  j.pbo = 241'000;
  j.trials = 12;
  j.cscv_splits = 8;
  j.cscv_partitions = 70;
  j.ledger = ledger(12);
  j.all_trials_bound = true;
  return stat_scenario(j);
}

StatScenario cpcv_scenario() {
  core::CpcvJournal j;
  j.path_sharpe_p05 = 12'345;
  j.path_sharpe_mean = 45'678;
  j.paths = 15;
  j.groups = 6;
  j.test_groups = 2;
  j.embargo_bars = 3;
  j.label_span_bars = 1;
  j.bars_purged = 60;
  j.purge_applied = true;
  return stat_scenario(j);
}

void derive_statistics(core::ValidationExtJournal& s, const core::GateAttestation& gate) {
  s.commitment = gate.commitment;
  s.data_root = gate.data_root;
  s.spa_block = static_cast<uint32_t>(spa_block_length(s.sample_bars));
  s.psr_benchmark = core::per_period_sharpe_bar(gate.gate.min_sharpe, s.periods_per_year);
  s.psr = *core::probabilistic_sharpe(s.winner_sr, s.psr_benchmark, s.sample_bars, s.skewness,
                                      s.kurtosis);
  s.min_btl = static_cast<uint64_t>(core::min_backtest_length(s.trials, s.winner_sr));
  s.noise_ceiling = core::expected_max_sharpe(s.trials);
  s.hl_t = core::harvey_liu_t(s.winner_sr, s.sample_bars);
  s.psr_pass = s.psr >= kPsrBar;
  s.min_btl_pass = s.sample_bars >= s.min_btl;
  s.bhy_pass = s.p_bhy <= kPValueBar;
  s.spa_pass = s.spa_p <= kPValueBar;
  s.composite_pass = s.psr_pass && s.min_btl_pass && s.bhy_pass && s.spa_pass;
}

StatScenario vext_scenario() {
  StatScenario sc = stat_scenario(core::ValidationExtGuestJournal{});
  auto& j = std::get<core::ValidationExtGuestJournal>(sc.journal);
  const core::GateAttestation& gate = sc.fixture.core.journal;
  j.ledger = ledger(24);
  j.ledger_bound = true;
  core::ValidationExtJournal s;
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
  s.spa_replicates = kSpaReplicates;
  s.romano_wolf_survivors = {3, 17};
  derive_statistics(s, gate);
  j.stats = s;
  return sc;
}

namespace {

core::AttestCredentialCore attest_core(core::AttestationFamily family) {
  core::AttestCredentialCore c;
  c.header_u32 = 3;
  c.issuer = "KOVRA engine (test issuer)";
  c.header_u64 = 1'753'401'600;
  c.header_i64 = -1;
  c.image_id = TRUSTED_IMAGE_ID;
  c.family = family;
  return c;
}

std::vector<DataFile> one_price_file() { return make_gate_fixture(CredentialKind::Plain, false).csv_files; }

core::Bytes32 single_root(const std::vector<DataFile>& files) {
  return core::merkle_root(parse_price_csv(files.front().text));
}

}  // namespace

AttestScenario label_schema_scenario() {
  AttestScenario s;
  s.csv_files = one_price_file();
  s.requested = core::AttestationFamily::LabelSchema;
  s.core = attest_core(s.requested);
  core::LabelSchemaJournal j;
  j.data_root = single_root(s.csv_files);
  j.window_bars = 150;
  j.event_count = 12;
  j.profit_take_bps = 250;
  j.stop_bps = 150;
  j.vertical_bars = 10;
  j.labels_digest = sample_bytes32(0xa0);
  j.uniqueness_digest = sample_bytes32(0xc0);
  j.meta_label_act_rate = 612'000;
  j.recomputed_in_circuit = true;
  s.journal = j;
  return s;
}

AttestScenario structural_scenario() {
  AttestScenario s;
  s.csv_files = one_price_file();
  s.requested = core::AttestationFamily::Structural;
  s.core = attest_core(s.requested);
  core::StructuralJournal j;
  j.data_root = single_root(s.csv_files);
  j.window_bars = 150;
  j.cusum_h = 2'500'000;
  j.break_events = 3;
  j.episode_start_bar = 40;
  j.episode_end_bar = 75;
  j.sadf_min_window = 8;
  j.sadf_stride = 2;
  j.sadf_sup = 1'234'567;
  j.recomputed_in_circuit = true;
  s.journal = j;
  return s;
}

AttestScenario hrp_scenario() {
  AttestScenario s;
  s.csv_files = make_gate_fixture(CredentialKind::Portfolio, false).csv_files;
  s.requested = core::AttestationFamily::Hrp;
  s.core = attest_core(s.requested);
  std::vector<std::vector<core::BarRecord>> lists;
  for (const auto& f : s.csv_files) lists.push_back(parse_price_csv(f.text));
  core::HrpJournal j;
  j.data_root = core::portfolio_root(lists);
  j.assets = 2;
  j.observations = 149;
  j.power_iterations = 64;
  j.mp_lambda_plus = *core::marchenko_pastur_upper(2, 149);
  j.denoised_corr_digest = sample_bytes32(0xe0);
  j.weights = {437'500, 562'500};
  j.recomputed_in_circuit = true;
  s.journal = j;
  return s;
}

}  // namespace kovra::verifier::testing
