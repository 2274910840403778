#include "mode_fixture.h"

#include "kovra-core/dsr.h"
#include "kovra-core/merkle.h"
#include "kovra-core/testing/journal_samples.h"
#include "verifier/price_csv.h"
#include "verifier/statistic_modes.h"

namespace kovra::verifier::testing {
namespace {

StatScenario stat_scenario(StatJournal journal) {
  StatScenario s;
  s.fixture = make_gate_fixture(CredentialKind::Plain, false);
  s.journal = std::move(journal);
  return s;
}

}  // namespace

StatScenario dsr_scenario() { return stat_scenario(core::testing::sample_dsr_journal()); }

StatScenario pbo_composed_scenario() {
  core::PboAggJournal j = core::testing::sample_pbo_agg_journal();
  j.trial_image_id = TRUSTED_IMAGE_ID;
  return stat_scenario(j);
}

StatScenario pbo_per_trial_scenario() { return stat_scenario(core::testing::sample_pbo_journal()); }

StatScenario cpcv_scenario() { return stat_scenario(core::testing::sample_cpcv_journal()); }

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
  StatScenario sc = stat_scenario(core::testing::sample_vext_journal());
  auto& s = *std::get<core::ValidationExtGuestJournal>(sc.journal).stats;
  s.spa_replicates = kSpaReplicates;
  derive_statistics(s, sc.fixture.core.journal);
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
  core::LabelSchemaJournal j = core::testing::sample_label_schema_journal();
  j.data_root = single_root(s.csv_files);
  s.journal = j;
  return s;
}

AttestScenario structural_scenario() {
  AttestScenario s;
  s.csv_files = one_price_file();
  s.requested = core::AttestationFamily::Structural;
  s.core = attest_core(s.requested);
  core::StructuralJournal j = core::testing::sample_structural_journal();
  j.data_root = single_root(s.csv_files);
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
  core::HrpJournal j = core::testing::sample_hrp_journal();
  j.data_root = core::portfolio_root(lists);
  s.journal = j;
  return s;
}

}  // namespace kovra::verifier::testing
