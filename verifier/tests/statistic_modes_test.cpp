// The statistic modes end to end: consistent fixtures that pass, single mutations with the
// exact lines they fail, the exit rule, the informational verdicts and cross-mode runs.
#include <gtest/gtest.h>

#include "kovra-core/dsr.h"
#include "mode_fixture.h"
#include "verifier/statistic_frame.h"
#include "verifier/statistic_modes.h"

namespace kovra::verifier::testing {
namespace {

using Lines = std::vector<std::string>;

constexpr const char* kReceipt = "zk receipt verifies (proof is real)";
constexpr const char* kImage = "guest image id matches the program we trust";
constexpr const char* kSwap = "committed gate journal matches the credential (no swap)";
constexpr const char* kClass = "gate policy matches NO published class (non-canonical / weakened gate)";
constexpr const char* kDigest = "credential digest intact (tamper-evident)";
constexpr const char* kWinnerRoot = "winner data root recomputed from YOUR CSV matches the committed root";
constexpr const char* kNotPinnedStat =
    "data root NOT in canonical allowlist (roots.txt); --any-data verifies the own-data tier "
    "(loudly unpinned)";

template <class J>
std::function<void(StatScenario&)> edit(std::function<void(J&)> f) {
  return [f](StatScenario& s) { f(std::get<J>(s.journal)); };
}

struct MutationCase {
  const char* name;
  StatScenario (*base)();
  std::function<void(StatScenario&)> mutate;
  Lines failed;
  int status;
};

void run_table(const std::vector<MutationCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StatScenario s = c.base();
    if (c.mutate) c.mutate(s);
    const auto r = s.run();
    EXPECT_EQ(r.failed(), c.failed) << r.out << r.err;
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
  }
}

// Mutations that every statistic mode answers the same way.
std::vector<MutationCase> common_cases(const char* mode, StatScenario (*base)(),
                                       const char* root_label, const char* not_pinned,
                                       const char* decode_line) {
  std::vector<MutationCase> cases = {
      {"consistent", base, nullptr, {}, 0},
      {"foreign image id", base,
       [](StatScenario& s) { s.fixture.core.image_id = core::testing::sample_bytes32(9); },
       {kImage}, 1},
      {"seal broken", base,
       [](StatScenario& s) {
         s.after_seal = [](core::CredentialBundle& b) {
           std::get<receipts::Groth16Receipt>(b.receipt.proof.kind).seal[40] ^= 1;
         };
       },
       {kReceipt}, 1},
      {"gate journal swapped", base,
       [](StatScenario& s) { s.after_gate = [](StatJournal& j) { gate_of(j).fee_bps += 1; }; },
       {kSwap}, 1},
      {"weakened gate", base,
       [](StatScenario& s) { s.fixture.core.journal.gate.min_bars = 10; }, {kClass}, 1},
      {"digest tampered", base,
       [](StatScenario& s) {
         s.after_seal = [](core::CredentialBundle& b) { b.digest[5] ^= 0x80; };
       },
       {kDigest}, 1},
      {"other data", base,
       [](StatScenario& s) { s.fixture.csv_files[0].text += "1700000000,1,1,1,1\n"; },
       {root_label}, 1},
      {"root not pinned", base, [](StatScenario& s) { s.roots_file = false; }, {not_pinned}, 1},
      {"any-data without pin", base,
       [](StatScenario& s) {
         s.roots_file = false;
         s.extra_args = {"--any-data"};
       },
       {}, 0},
      {"dev flag, all passed", base, [](StatScenario& s) { s.env = {{"DURO0_DEV_MODE", "1"}}; },
       {}, 3},
      {"DURO0_DEV_MODE 0 is no dev flag", base,
       [](StatScenario& s) { s.env = {{"DURO0_DEV_MODE", "0"}}; }, {}, 0},
      {"dev flag and a failure", base,
       [](StatScenario& s) {
         s.env = {{"DURO0_DEV_MODE", "false"}};
         s.roots_file = false;
       },
       {not_pinned}, 1},
      {"fake receipt accepted by the context", base,
       [](StatScenario& s) {
         s.fake_receipt = true;
         s.verifier_dev_mode = true;
       },
       {}, 3},
      {"fake receipt refused", base, [](StatScenario& s) { s.fake_receipt = true; }, {kReceipt}, 1},
      {"--carry and --vrp change nothing", base,
       [](StatScenario& s) { s.extra_args = {"--carry", "--vrp"}; }, {}, 0},
      {"journal cut short", base,
       [](StatScenario& s) {
         s.journal_bytes_override = [] { return std::vector<uint8_t>{1, 0, 0, 0}; };
       },
       {decode_line}, 1},
  };
  (void)mode;
  return cases;
}

TEST(DsrMode, Mutations) {
  auto cases = common_cases("dsr", dsr_scenario, kWinnerRoot,
                            "data root NOT in canonical allowlist (roots.txt) — substituted/unknown "
                            "dataset; --any-data verifies the own-data tier (loudly unpinned)",
                            "journal is not a DsrJournal (Unexpected end during deserialization) — not a DSR credential");
  cases.push_back({"gate not cleared", dsr_scenario,
                   [](StatScenario& s) { s.fixture.core.journal.gate_passed = false; },
                   {"the winning strategy cleared the gate (zk-attested)"}, 1});
  cases.push_back({"trials not bound", dsr_scenario,
                   edit<core::DsrJournal>([](auto& j) { j.all_trials_bound = false; }),
                   {"EVERY trial's Sharpe re-derived + bound in-circuit — V[SR] is proof-grade"}, 1});
  cases.push_back({"N 0 with an empty ledger", dsr_scenario,
                   edit<core::DsrJournal>([](auto& j) {
                     j.trials = 0;
                     j.ledger.leaf_count = 0;
                   }),
                   {"N == committed trial-ledger leaf count"}, 1});
  cases.push_back({"N above the ledger", dsr_scenario,
                   edit<core::DsrJournal>([](auto& j) { j.trials = 25; }),
                   {"N == committed trial-ledger leaf count"}, 1});
  cases.push_back({"not significant (informational)", dsr_scenario,
                   edit<core::DsrJournal>([](auto& j) { j.dsr = 949'999; }), {}, 0});
  run_table(cases);
}

constexpr const char* kPboDecode = "journal is not a PboJournal (Unexpected end during deserialization) — not a PBO credential";
constexpr const char* kPboN = "N == committed trial-ledger leaf count";

TEST(PboMode, ComposedMutations) {
  auto cases = common_cases("pbo", pbo_composed_scenario, kWinnerRoot, kNotPinnedStat, kPboDecode);
  cases.push_back({"winner did not clear the gate", pbo_composed_scenario,
                   [](StatScenario& s) { s.fixture.core.journal.gate_passed = false; },
                   {"the credentialed winner cleared the gate (zk-attested)"}, 1});
  cases.push_back({"trials not verified", pbo_composed_scenario,
                   edit<core::PboAggJournal>([](auto& j) { j.all_trials_verified = false; }),
                   {"every trial receipt VERIFIED IN-CIRCUIT · every trial gate-cleared · winner == "
                    "max (composed, no decoy padding)"},
                   1});
  cases.push_back({"foreign trial prover", pbo_composed_scenario,
                   edit<core::PboAggJournal>([](auto& j) { j.trial_image_id = CARRY_IMAGE_ID; }),
                   {"self-composition: trial receipts pinned to THIS exact guest — no "
                    "foreign/weakened trial prover"},
                   1});
  cases.push_back({"S = 8 in a composed journal", pbo_composed_scenario,
                   edit<core::PboAggJournal>([](auto& j) {
                     j.cscv_splits = 8;
                     j.cscv_partitions = 70;
                   }),
                   {"CSCV split is canonical S=16 · all C(16,8)=12,870 partitions (López de "
                    "Prado's own setting)"},
                   1});
  cases.push_back({"partitions off by one", pbo_composed_scenario,
                   edit<core::PboAggJournal>([](auto& j) { j.cscv_partitions = 12'869; }),
                   {"CSCV split is canonical S=16 · all C(16,8)=12,870 partitions (López de "
                    "Prado's own setting)"},
                   1});
  cases.push_back({"two trials, ledger agrees", pbo_composed_scenario,
                   edit<core::PboAggJournal>([](auto& j) {
                     j.trials = 2;
                     j.ledger.leaf_count = 2;
                   }),
                   {kPboN}, 1});
  cases.push_back({"three trials, ledger agrees", pbo_composed_scenario,
                   edit<core::PboAggJournal>([](auto& j) {
                     j.trials = 3;
                     j.ledger.leaf_count = 3;
                   }),
                   {}, 0});
  cases.push_back({"overfit (informational)", pbo_composed_scenario,
                   edit<core::PboAggJournal>([](auto& j) { j.pbo = 500'001; }), {}, 0});
  run_table(cases);
}

TEST(PboMode, PerTrialMutations) {
  auto cases = common_cases("pbo", pbo_per_trial_scenario, kWinnerRoot, kNotPinnedStat, kPboDecode);
  cases.push_back({"winner did not clear the gate", pbo_per_trial_scenario,
                   [](StatScenario& s) { s.fixture.core.journal.gate_passed = false; },
                   {"the credentialed winner cleared the gate (zk-attested)"}, 1});
  // The journal's one flag stands behind two lines, before and after the data root.
  cases.push_back({"trials not bound", pbo_per_trial_scenario,
                   edit<core::PboJournal>([](auto& j) { j.all_trials_bound = false; }),
                   {"EVERY trial re-derived + bound in-circuit — the search set is proof-grade",
                    "every committed trial cleared the gate & the winner is the max-Sharpe trial "
                    "(in-circuit, no decoy padding)"},
                   1});
  cases.push_back({"S = 16 in a per-trial journal", pbo_per_trial_scenario,
                   edit<core::PboJournal>([](auto& j) {
                     j.cscv_splits = 16;
                     j.cscv_partitions = 12'870;
                   }),
                   {"CSCV split is canonical (S=8, all C(8,4)=70 partitions) — not prover-chosen"}, 1});
  cases.push_back({"two trials, ledger agrees", pbo_per_trial_scenario,
                   edit<core::PboJournal>([](auto& j) {
                     j.trials = 2;
                     j.ledger.leaf_count = 2;
                   }),
                   {kPboN}, 1});
  cases.push_back({"ledger short by one", pbo_per_trial_scenario,
                   edit<core::PboJournal>([](auto& j) { j.ledger.leaf_count = 11; }), {kPboN}, 1});
  run_table(cases);
}

TEST(CpcvMode, Mutations) {
  const char* schema =
      "combinatorial + purge schema is canonical (N=6, k=2, label 1, embargo 3) — no parameter "
      "shopping, no embargo=0 leak";
  auto cases = common_cases(
      "cpcv", cpcv_scenario, "strategy data root recomputed from YOUR CSV matches the committed root",
      kNotPinnedStat,
      "journal is not a CpcvJournal (Unexpected end during deserialization) — not a CPCV credential");
  cases.push_back({"gate not cleared", cpcv_scenario,
                   [](StatScenario& s) { s.fixture.core.journal.gate_passed = false; },
                   {"the strategy cleared the gate (zk-attested)"}, 1});
  cases.push_back({"no purge", cpcv_scenario,
                   edit<core::CpcvJournal>([](auto& j) { j.purge_applied = false; }),
                   {"purge+embargo applied in-circuit — the OOS distribution is real"}, 1});
  for (auto f : std::vector<void (*)(core::CpcvJournal&)>{
           [](core::CpcvJournal& j) { j.groups = 7; },
           [](core::CpcvJournal& j) { j.test_groups = 3; },
           [](core::CpcvJournal& j) { j.label_span_bars = 2; },
           [](core::CpcvJournal& j) { j.embargo_bars = 0; }}) {
    cases.push_back({"schema member changed", cpcv_scenario,
                     [f](StatScenario& s) { f(std::get<core::CpcvJournal>(s.journal)); }, {schema}, 1});
  }
  cases.push_back({"fewer purged bars than paths", cpcv_scenario,
                   edit<core::CpcvJournal>([](auto& j) { j.bars_purged = 14; }),
                   {"every OOS path actually purged its leak zone (floor enforced, count committed)"},
                   1});
  cases.push_back({"purged bars equal to paths", cpcv_scenario,
                   edit<core::CpcvJournal>([](auto& j) { j.bars_purged = 15; }), {}, 0});
  cases.push_back({"non-positive tail (informational)", cpcv_scenario,
                   edit<core::CpcvJournal>([](auto& j) { j.path_sharpe_p05 = 0; }), {}, 0});
  run_table(cases);
}

std::function<void(StatScenario&)> edit_stats(std::function<void(core::ValidationExtJournal&)> f) {
  return [f](StatScenario& s) { f(*std::get<core::ValidationExtGuestJournal>(s.journal).stats); };
}

constexpr const char* kVerdicts =
    "every committed verdict re-derived from its committed statistic against the pinned bar";
constexpr const char* kPsr = "PSR recomputed from committed SR/γ₃/γ₄/n matches the committed value";
constexpr const char* kFailClosed =
    "all four corrections computed over a fully bound ledger (fail-closed bit; a missing "
    "statistic block is a refusal)";

TEST(VextMode, Mutations) {
  auto cases = common_cases("vext", vext_scenario, kWinnerRoot, kNotPinnedStat,
                            "journal is not a ValidationExtGuestJournal (Unexpected end during "
                            "deserialization) — not a validation-ext credential");
  auto add = [&cases](const char* name, std::function<void(core::ValidationExtJournal&)> f,
                      Lines failed, int status) {
    cases.push_back({name, vext_scenario, edit_stats(std::move(f)), std::move(failed), status});
  };
  cases.push_back({"gate not cleared", vext_scenario,
                   [](StatScenario& s) { s.fixture.core.journal.gate_passed = false; },
                   {"the winning strategy cleared the gate (zk-attested)"}, 1});
  cases.push_back({"statistics block absent", vext_scenario,
                   edit<core::ValidationExtGuestJournal>([](auto& j) { j.stats.reset(); }),
                   {kFailClosed}, 1});
  cases.push_back({"ledger not bound", vext_scenario,
                   edit<core::ValidationExtGuestJournal>([](auto& j) { j.ledger_bound = false; }),
                   {kFailClosed}, 1});
  cases.push_back({"ledger short by one", vext_scenario,
                   edit<core::ValidationExtGuestJournal>([](auto& j) { j.ledger.leaf_count = 23; }),
                   {"N == committed trial-ledger leaf count (≥ 2)"}, 1});
  add("one trial", [](auto& s) { s.trials = 1; },
      // One trial has no noise ceiling and a MinBTL of 2; the stale values fail their lines.
      {"N == committed trial-ledger leaf count (≥ 2)",
       "MinBTL recomputed from committed N + winner SR matches the committed value",
       "noise ceiling E[max SR of N noise trials] recomputed from committed N matches"},
      1);
  add("block bound to another winner", [](auto& s) { s.commitment[0] ^= 1; },
      {"statistics block is bound to THIS winner on THIS data (commitment + root match the gate "
       "journal)"},
      1);
  add("block bound to other data", [](auto& s) { s.data_root[31] ^= 1; },
      {"statistics block is bound to THIS winner on THIS data (commitment + root match the gate "
       "journal)"},
      1);
  add("399 replicates", [](auto& s) { s.spa_replicates = 399; },
      {"SPA replicate count is the pinned canonical B = 400"}, 1);
  add("block length one short", [](auto& s) { s.spa_block -= 1; },
      {"SPA block length is the canonical ⌈n^⅓⌉ = 12 (re-derived from n = 1500)"}, 1);
  add("prover-chosen benchmark",
      [](auto& s) {
        // An honest PSR over a benchmark that is not the gate's bar: only the benchmark line.
        s.psr_benchmark = 50'000;
        s.psr = *core::probabilistic_sharpe(s.winner_sr, s.psr_benchmark, s.sample_bars,
                                            s.skewness, s.kurtosis);
        s.psr_pass = s.psr >= kPsrBar;
        s.composite_pass = s.psr_pass && s.min_btl_pass && s.bhy_pass && s.spa_pass;
      },
      {"PSR benchmark re-derived from the pinned gate Sharpe bar matches (no prover-chosen SR*)"},
      1);
  add("PSR off by one", [](auto& s) { s.psr += 1; }, {kPsr}, 1);
  add("kurtosis past the 128-bit variance", [](auto& s) { s.kurtosis = base::I128(1) << 120; },
      {kPsr}, 1);
  add("MinBTL off by one", [](auto& s) { s.min_btl += 1; },
      {"MinBTL recomputed from committed N + winner SR matches the committed value"}, 1);
  add("noise ceiling off by one", [](auto& s) { s.noise_ceiling -= 1; },
      {"noise ceiling E[max SR of N noise trials] recomputed from committed N matches"}, 1);
  add("t off by one", [](auto& s) { s.hl_t += 1; },
      {"Harvey–Liu t-stat recomputed from committed winner SR + n matches"}, 1);
  add("p_BHY at the bar with its bit set", [](auto& s) { s.p_bhy = 50'000; }, {}, 0);
  add("p_BHY past the bar with its bit set", [](auto& s) { s.p_bhy = 50'001; }, {kVerdicts}, 1);
  add("PSR bit flipped", [](auto& s) { s.psr_pass = !s.psr_pass; }, {kVerdicts}, 1);
  add("MinBTL bit flipped", [](auto& s) { s.min_btl_pass = !s.min_btl_pass; }, {kVerdicts}, 1);
  add("SPA bit flipped", [](auto& s) { s.spa_pass = !s.spa_pass; }, {kVerdicts}, 1);
  add("composite bit flipped", [](auto& s) { s.composite_pass = !s.composite_pass; }, {kVerdicts},
      1);
  add("honest composite FAIL (informational)",
      [](auto& s) {
        s.spa_p = 80'000;
        s.spa_pass = false;
        s.composite_pass = false;
      },
      {}, 0);
  run_table(cases);
}

// The survivor list is written in pieces; the line must still be the one whole line.
TEST(VextMode, LongSurvivorListIsOneLine) {
  StatScenario s = vext_scenario();
  auto& stats = *std::get<core::ValidationExtGuestJournal>(s.journal).stats;
  stats.romano_wolf_survivors.clear();
  std::string list;
  for (uint32_t i = 0; i < 30'000; ++i) {
    const uint32_t v = 4'000'000'000u - i;
    stats.romano_wolf_survivors.push_back(v);
    if (i) list += ", ";
    list += std::to_string(v);
  }
  const auto r = s.run();
  EXPECT_TRUE(r.has_line("    Romano–Wolf        : 30000 FWER-controlled survivor(s): [" + list +
                         "]"));
}

TEST(VextMode, FiguresAndFailClosedReport) {
  StatScenario s = vext_scenario();
  auto& stats = *std::get<core::ValidationExtGuestJournal>(s.journal).stats;
  stats.romano_wolf_survivors.clear();
  auto r = s.run();
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(r.has_line("    Romano–Wolf        : 0 FWER-controlled survivor(s): []")) << r.out;

  // Without its block: the data root and allowlist lines still print, then the verdict.
  std::get<core::ValidationExtGuestJournal>(s.journal).stats.reset();
  r = s.run();
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.has_line("  [✓] " + std::string(kWinnerRoot))) << r.out;
  EXPECT_TRUE(r.has_line("  [✓] data root pinned to canonical allowlist: test prices (daily)"));
  EXPECT_EQ(r.out.find("Trials committed"), std::string::npos);
  EXPECT_EQ(r.out.find(single_rule()), std::string::npos);
}

TEST(StatisticModes, VerdictBoundaries) {
  const struct {
    const char* name;
    StatScenario (*base)();
    std::function<void(StatScenario&)> mutate;
    std::string line;
  } cases[] = {
      {"DSR at 0.95", dsr_scenario, edit<core::DsrJournal>([](auto& j) { j.dsr = 950'000; }),
       "  Verdict              : SIGNIFICANT at 95% — the edge survives the best-of-N correction ✓"},
      {"DSR just below", dsr_scenario, edit<core::DsrJournal>([](auto& j) { j.dsr = 949'999; }),
       "  Verdict              : NOT significant at 95% (DSR 0.95) — this edge does not survive "
       "multiple testing across N=24 trials"},
      {"PBO at 0.5", pbo_composed_scenario,
       edit<core::PboAggJournal>([](auto& j) { j.pbo = 500'000; }),
       "  Verdict              : NOT overfit — the IS-best stays above median OOS (PBO 0.50 ≤ 0.5) ✓"},
      {"PBO just above", pbo_per_trial_scenario,
       edit<core::PboJournal>([](auto& j) { j.pbo = 500'001; }),
       "  Verdict              : OVERFIT — the selection is a coin flip (PBO 0.50 > 0.5)"},
      {"CPCV tail 0", cpcv_scenario, edit<core::CpcvJournal>([](auto& j) { j.path_sharpe_p05 = 0; }),
       "  Verdict              : leak-free OOS distribution across 15 recombined paths; the "
       "5th-percentile path is non-positive (0.00) — fragile out of sample"},
      {"CPCV tail negative", cpcv_scenario,
       edit<core::CpcvJournal>([](auto& j) { j.path_sharpe_p05 = -21'000; }),
       "  Verdict              : leak-free OOS distribution across 15 recombined paths; the "
       "5th-percentile path is non-positive (-0.02) — fragile out of sample"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StatScenario s = c.base();
    c.mutate(s);
    const auto r = s.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.has_line(c.line)) << r.out;
  }
}

TEST(StatisticModes, OwnDataNotes) {
  const std::string first =
      "  ◔  SUBMITTER-COMMITTED DATA (own-data tier, --any-data): root not pinned";
  for (auto base : {dsr_scenario, pbo_per_trial_scenario, cpcv_scenario, vext_scenario}) {
    StatScenario s = base();
    s.extra_args = {"--any-data"};
    const auto r = s.run();
    EXPECT_TRUE(r.has_line(first + "\n      to the canonical allowlist — verify against a copy of "
                                   "this market's\n      data from a source YOU trust; a matching "
                                   "root closes the tier (U5)."))
        << r.out;
    EXPECT_EQ(r.out.find("canonical allowlist:"), std::string::npos);
  }
  StatScenario s = pbo_composed_scenario();
  s.extra_args = {"--any-data"};
  const auto r = s.run();
  EXPECT_TRUE(r.has_line(first + "\n      to the canonical allowlist — verify against a copy from a "
                                 "source YOU trust (U5).\n" + single_rule()))
      << r.out;
}

// The closing lines are painted except the per-trial PBO failure line.
TEST(StatisticModes, ClosingLinePaint) {
  StatScenario per_trial = pbo_per_trial_scenario();
  per_trial.terminal = true;
  per_trial.roots_file = false;
  auto r = per_trial.run();
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.has_line("❌ PBO VERIFICATION FAILED — do not rely on this credential.")) << r.out;

  StatScenario composed = pbo_composed_scenario();
  composed.terminal = true;
  composed.roots_file = false;
  r = composed.run();
  EXPECT_TRUE(
      r.has_line("\x1b[1;31m❌ PBO VERIFICATION FAILED — do not rely on this credential.\x1b[0m"));
  composed.roots_file = true;
  r = composed.run();
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.has_line("\x1b[1;32m✅ PBO INDEPENDENTLY VERIFIED — composed proofs, N committed, "
                         "S=16 canonical, overfitting priced.\x1b[0m"));
}

// A journal of one kind run under another mode: the reader refuses it.
TEST(StatisticModes, CrossModeRuns) {
  StatScenario dsr_as_pbo = dsr_scenario();
  auto files = dsr_as_pbo.files();
  files.args[1] = "--pbo";
  auto r = run_files(files);
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(r.failed().size(), 1u) << r.out;
  EXPECT_EQ(r.failed()[0].rfind("journal is not a PboJournal (", 0), 0u) << r.failed()[0];
  EXPECT_EQ(r.out.find("Trials committed"), std::string::npos);
  // It ends on the per-trial reader's failure line, which is printed unpainted.
  files.terminal = true;
  r = run_files(files);
  EXPECT_TRUE(r.has_line("❌ PBO VERIFICATION FAILED — do not rely on this credential.")) << r.out;

  // The first statistic flag present wins: --dsr before --vext.
  files = dsr_scenario().files();
  files.args.push_back("--vext");
  r = run_files(files);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("KOVRA · DSR VERIFIER"), std::string::npos);

  // --cpcv is tested before --vext.
  files = cpcv_scenario().files();
  files.args.insert(files.args.begin() + 1, "--vext");
  r = run_files(files);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("KOVRA · CPCV VERIFIER"), std::string::npos);

  // A validation-ext journal is no CPCV journal.
  files = vext_scenario().files();
  files.args[1] = "--cpcv";
  r = run_files(files);
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(r.failed().size(), 1u) << r.out;
  EXPECT_EQ(r.failed()[0].rfind("journal is not a CpcvJournal (", 0), 0u) << r.failed()[0];
}

TEST(StatisticModes, UnreadableCsvEndsWithStatus2) {
  auto files = cpcv_scenario().files();
  files.args[0] = "missing.csv";
  const auto r = run_files(files);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "cannot read csv missing.csv: No such file or directory (os error 2)\n");
  EXPECT_TRUE(r.has_line("  [✓] credential digest intact (tamper-evident)"));
  EXPECT_EQ(r.out.find("data root"), std::string::npos);
}

TEST(SpaBlockLength, Table) {
  const struct {
    uint64_t n, b;
  } cases[] = {{0, 1}, {1, 1}, {2, 2}, {8, 2}, {9, 3}, {27, 3}, {28, 4}, {1'500, 12},
               {1'728, 12}, {1'729, 13},
               // 2,642,245^3 = 18,446,724,184,312,856,125 < 2^64 - 1 < 2,642,246^3
               {18'446'724'184'312'856'125ull, 2'642'245},
               {18'446'724'184'312'856'126ull, 2'642'246},
               {UINT64_MAX, 2'642'246}};
  for (const auto& c : cases) EXPECT_EQ(spa_block_length(c.n), c.b) << c.n;
}

}  // namespace
}  // namespace kovra::verifier::testing
