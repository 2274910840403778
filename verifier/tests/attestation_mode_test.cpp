// The attestation mode end to end: one consistent bundle per family, single mutations with
// the exact lines they fail, the data binding, the exit rule and the status-2 refusals.
#include <gtest/gtest.h>

#include "kovra-core/lib.h"
#include "mode_fixture.h"
#include "verifier/attestation_mode.h"
#include "verifier/statistic_frame.h"

namespace kovra::verifier::testing {
namespace {

using core::AttestationFamily;
using Lines = std::vector<std::string>;

constexpr const char* kKind = "credential kind matches the requested attestation family";
constexpr const char* kBinds =
    "credential binds EXACTLY this committed journal (SHA-256 of receipt bytes)";
constexpr const char* kDigest = "credential digest intact (tamper-evident)";
constexpr const char* kSurfaced = "credential's surfaced data root equals the committed journal root";
constexpr const char* kRoot = "data root recomputed from YOUR CSV matches the committed root";
constexpr const char* kNotPinned =
    "data root NOT in canonical allowlist (roots.txt) — substituted/unknown dataset; use "
    "--any-data to verify prover-supplied data (loudly unpinned)";

template <class J>
std::function<void(AttestScenario&)> edit(std::function<void(J&)> f) {
  return [f](AttestScenario& s) { f(std::get<J>(s.journal)); };
}

struct Case {
  const char* name;
  AttestScenario (*base)();
  std::function<void(AttestScenario&)> mutate;
  Lines failed;
  int status;
};

void run_table(const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AttestScenario s = c.base();
    if (c.mutate) c.mutate(s);
    const auto r = s.run();
    EXPECT_EQ(r.failed(), c.failed) << r.out << r.err;
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
  }
}

// Mutations every family answers the same way.
std::vector<Case> common_cases(AttestScenario (*base)(), const char* root_label) {
  return {
      {"consistent", base, nullptr, {}, 0},
      {"foreign image id", base,
       [](AttestScenario& s) { s.core.image_id = core::testing::sample_bytes32(3); },
       {"guest image id matches the program we trust"}, 1},
      {"seal broken", base,
       [](AttestScenario& s) {
         s.after_seal = [](core::AttestationBundle& b) {
           std::get<receipts::Groth16Receipt>(b.receipt.proof.kind).seal[100] ^= 4;
         };
       },
       {"zk receipt verifies (proof is real)"}, 1},
      {"journal hash of another journal", base,
       [](AttestScenario& s) {
         s.edit_core = [](core::AttestCredentialCore& c) { c.journal_sha256[0] ^= 1; };
       },
       {kBinds}, 1},
      {"digest tampered", base,
       [](AttestScenario& s) {
         s.after_seal = [](core::AttestationBundle& b) { b.digest[31] ^= 1; };
       },
       {kDigest}, 1},
      {"surfaced root differs", base,
       [](AttestScenario& s) {
         s.edit_core = [](core::AttestCredentialCore& c) { c.data_root[3] ^= 1; };
       },
       {kSurfaced}, 1},
      {"other data", base,
       [](AttestScenario& s) { s.csv_files.back().text += "1700000000,1,1,1,1\n"; },
       {root_label}, 1},
      {"root not pinned", base, [](AttestScenario& s) { s.roots_file = false; }, {kNotPinned}, 1},
      {"any-data", base,
       [](AttestScenario& s) {
         s.roots_file = false;
         s.extra_args = {"--any-data"};
       },
       {}, 0},
      {"dev flag, all passed", base,
       [](AttestScenario& s) { s.env = {{"DURO0_DEV_MODE", "1"}}; }, {}, 3},
      {"empty DURO0_DEV_MODE is no dev flag", base,
       [](AttestScenario& s) { s.env = {{"DURO0_DEV_MODE", ""}}; }, {}, 0},
      {"dev flag and a failure", base,
       [](AttestScenario& s) {
         s.env = {{"DURO0_DEV_MODE", "1"}};
         s.roots_file = false;
       },
       {kNotPinned}, 1},
      {"fake receipt accepted by the context", base,
       [](AttestScenario& s) {
         s.fake_receipt = true;
         s.verifier_dev_mode = true;
       },
       {}, 3},
      {"--carry keeps the live id", base,
       [](AttestScenario& s) { s.extra_args = {"--carry"}; }, {}, 0},
  };
}

TEST(AttestationMode, LabelSchemaMutations) {
  auto cases = common_cases(label_schema_scenario, kRoot);
  using J = core::LabelSchemaJournal;
  auto add = [&cases](const char* name, std::function<void(J&)> f, Lines failed, int status) {
    cases.push_back({name, label_schema_scenario, edit<J>(std::move(f)), std::move(failed), status});
  };
  add("not recomputed", [](J& j) { j.recomputed_in_circuit = false; },
      {"labels + uniqueness recomputed IN-CIRCUIT from the committed bars (fail-closed bit)"}, 1);
  add("no events", [](J& j) { j.event_count = 0; },
      {"committed event set is non-empty over a real window"}, 1);
  add("one-bar window", [](J& j) { j.window_bars = 1; },
      {"committed event set is non-empty over a real window"}, 1);
  add("labels digest missing", [](J& j) { j.labels_digest = {}; },
      {"label + uniqueness digests present (a claim with no number is refused)"}, 1);
  add("uniqueness digest missing", [](J& j) { j.uniqueness_digest = {}; },
      {"label + uniqueness digests present (a claim with no number is refused)"}, 1);
  const char* barriers = "barrier parameters committed and positive (pt · sl · vertical horizon)";
  add("profit-take 0", [](J& j) { j.profit_take_bps = 0; }, {barriers}, 1);
  add("stop negative", [](J& j) { j.stop_bps = -5; }, {barriers}, 1);
  add("no vertical barrier", [](J& j) { j.vertical_bars = 0; }, {barriers}, 1);
  const char* rate = "meta-label act rate in range (−1 = no primary-signal rail witnessed)";
  add("act rate -1", [](J& j) { j.meta_label_act_rate = -1; }, {}, 0);
  add("act rate -2", [](J& j) { j.meta_label_act_rate = -2; }, {rate}, 1);
  add("act rate 1.0", [](J& j) { j.meta_label_act_rate = 1'000'000; }, {}, 0);
  add("act rate above 1.0", [](J& j) { j.meta_label_act_rate = 1'000'001; }, {rate}, 1);
  run_table(cases);
}

TEST(AttestationMode, StructuralMutations) {
  auto cases = common_cases(structural_scenario, kRoot);
  using J = core::StructuralJournal;
  auto add = [&cases](const char* name, std::function<void(J&)> f, Lines failed, int status) {
    cases.push_back({name, structural_scenario, edit<J>(std::move(f)), std::move(failed), status});
  };
  const char* span = "disclosed break-episode span is internally consistent with the event count";
  const char* cusum = "CUSUM threshold committed and positive over a real window";
  const char* sadf =
      "SADF schema committed (min window ≥ 8, stride ≥ 1 — coarseness is printed, never hidden)";
  add("not recomputed", [](J& j) { j.recomputed_in_circuit = false; },
      {"CUSUM events + SADF sup recomputed IN-CIRCUIT from the committed series (fail-closed bit)"},
      1);
  add("threshold 0", [](J& j) { j.cusum_h = 0; }, {cusum}, 1);
  add("threshold negative", [](J& j) { j.cusum_h = -1; }, {cusum}, 1);
  add("one-bar window", [](J& j) {
        j.window_bars = 1;
        j.break_events = 0;
        j.episode_start_bar = j.episode_end_bar = 0;
      },
      {cusum}, 1);
  add("min window 7", [](J& j) { j.sadf_min_window = 7; }, {sadf}, 1);
  add("stride 0", [](J& j) { j.sadf_stride = 0; }, {sadf}, 1);
  add("no events, span 0 -> 0", [](J& j) {
        j.break_events = 0;
        j.episode_start_bar = j.episode_end_bar = 0;
      },
      {}, 0);
  add("no events, span 0 -> 5", [](J& j) {
        j.break_events = 0;
        j.episode_start_bar = 0;
        j.episode_end_bar = 5;
      },
      {span}, 1);
  add("events, span 10 -> 5", [](J& j) {
        j.episode_start_bar = 10;
        j.episode_end_bar = 5;
      },
      {span}, 1);
  add("events, span ends at the window", [](J& j) { j.episode_end_bar = 150; }, {span}, 1);
  add("events, span ends on the last bar", [](J& j) { j.episode_end_bar = 149; }, {}, 0);
  run_table(cases);
}

TEST(AttestationMode, HrpMutations) {
  auto cases = common_cases(
      hrp_scenario, "portfolio root recomputed from ALL your CSVs (order-bound) matches the committed root");
  using J = core::HrpJournal;
  auto add = [&cases](const char* name, std::function<void(J&)> f, Lines failed, int status) {
    cases.push_back({name, hrp_scenario, edit<J>(std::move(f)), std::move(failed), status});
  };
  const char* sum =
      "weights are non-negative and sum EXACTLY to 1e6 (an exact partition of unity — no rounding "
      "slack)";
  const char* count = "one committed weight per committed asset";
  const char* mp = "Marchenko–Pastur λ₊ re-derived from committed T/N matches the committed value";
  const char* shape = "portfolio shape committed (≥ 2 assets · ≥ 8 return observations)";
  add("not recomputed", [](J& j) { j.recomputed_in_circuit = false; },
      {"HRP weights + denoised correlation recomputed IN-CIRCUIT (fail-closed bit)"}, 1);
  add("63 power iterations", [](J& j) { j.power_iterations = 63; },
      {"power-iteration count is the pinned canonical 64 (not prover-chosen)"}, 1);
  add("weights 500,000 + 500,000", [](J& j) { j.weights = {500'000, 500'000}; }, {}, 0);
  add("weights 600,000 + 400,001", [](J& j) { j.weights = {600'000, 400'001}; }, {sum}, 1);
  add("weights 1,000,001 + -1", [](J& j) { j.weights = {1'000'001, -1}; }, {sum}, 1);
  add("one weight for two assets", [](J& j) { j.weights = {1'000'000}; }, {count}, 1);
  // Three weights whose sum wraps modulo 2^128 to exactly 1,000,000.
  add("wrapping sum", [](J& j) {
        j.weights = {base::kI128Max, base::kI128Max, 1'000'002};
      },
      {count, sum}, 1);
  add("MP bound off by one", [](J& j) { j.mp_lambda_plus += 1; }, {mp}, 1);
  add("7 observations", [](J& j) { j.observations = 7; }, {shape, mp}, 1);
  add("denoised digest missing", [](J& j) { j.denoised_corr_digest = {}; },
      {"denoised-correlation digest present (a claim with no number is refused)"}, 1);
  add("three assets, two CSVs", [](J& j) {
        j.assets = 3;
        j.weights = {300'000, 300'000, 400'000};
        j.mp_lambda_plus = *core::marchenko_pastur_upper(3, j.observations);
      },
      {"journal commits 3 data series but 2 CSV(s) supplied — cannot re-derive the root"}, 1);
  cases.push_back({"empty list, no assets", hrp_scenario,
                   edit<J>([](J& j) {
                     j.assets = 0;
                     j.weights.clear();
                   }),
                   {shape, sum, mp,
                    "journal commits 0 data series but 2 CSV(s) supplied — cannot re-derive the root"},
                   1});
  run_table(cases);
}

TEST(AttestationMode, WeightSumTable) {
  const base::I128 max = base::kI128Max;
  const struct {
    std::vector<base::I128> weights;
    bool ok;
  } cases[] = {
      {{1'000'000}, true},
      {{500'000, 500'000}, true},
      {{250'000, 250'000, 250'000, 250'000}, true},
      {{}, false},
      {{999'999}, false},
      {{1'000'001, -1}, false},
      {{0, 1'000'000}, true},
      // The wrapped 128-bit sum of these is 1,000,000; the true sum is not.
      {{max, max, 1'000'002}, false},
      {{max, 1}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hrp_weights_partition_unity(c.weights), c.ok) << c.weights.size();
  }
}

TEST(AttestationMode, CrossFamilyRuns) {
  // A label-schema bundle run with --hrp: the kind line fails; its words are then read as an
  // HRP journal, whose weight count (a digest word here) runs past the end.
  AttestScenario s = label_schema_scenario();
  s.requested = AttestationFamily::Hrp;
  auto r = s.run();
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.failed(),
            (Lines{kKind, "journal is not an HrpJournal (Unexpected end during deserialization)"}))
      << r.out;
  EXPECT_NE(r.out.find("KOVRA · ATTESTATION VERIFIER  · HRP (MP-denoised correlation · provable weights)"),
            std::string::npos);
  EXPECT_TRUE(r.has_line("❌ ATTESTATION VERIFICATION FAILED — do not rely on this credential."));

  // A structural bundle run as a label schema: the reader meets the CUSUM threshold where a
  // digest byte belongs.
  s = structural_scenario();
  s.requested = AttestationFamily::LabelSchema;
  r = s.run();
  EXPECT_EQ(r.failed(), (Lines{kKind, "journal is not a LabelSchemaJournal (invalid value: "
                                      "integer `1234567`, expected u8)"}))
      << r.out;
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.find(single_rule() + "\n  Window"), std::string::npos);

  // The families come before the statistic flags, and the first family flag present wins.
  auto files = hrp_scenario().files();
  files.args.push_back("--dsr");
  r = run_files(files);
  EXPECT_EQ(r.status, 0) << r.out;
  files = label_schema_scenario().files();
  files.args.insert(files.args.begin() + 1, "--structural");
  r = run_files(files);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("· LABEL-SCHEMA (triple-barrier"), std::string::npos);
}

TEST(AttestationMode, SeriesCountAndOneCsv) {
  // Two CSVs for a one-series family: the count line fails and no CSV is read.
  AttestScenario s = label_schema_scenario();
  s.csv_files.push_back({"missing-too.csv", ""});
  auto files = s.files();
  // The second file is never written: reading it would end the run with status 2.
  files.files.erase(std::remove_if(files.files.begin(), files.files.end(),
                                   [](const DataFile& f) { return f.name == "missing-too.csv"; }),
                    files.files.end());
  auto r = run_files(files);
  EXPECT_EQ(r.failed(), (Lines{"journal commits 1 data series but 2 CSV(s) supplied — cannot "
                               "re-derive the root"}))
      << r.out << r.err;
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "");

  // An unreadable CSV ends the run with status 2 after the lines before it.
  s = structural_scenario();
  files = s.files();
  files.args[0] = "nowhere.csv";
  r = run_files(files);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "cannot read csv nowhere.csv: No such file or directory (os error 2)\n");
  EXPECT_TRUE(r.has_line("  [✓] " + std::string(kSurfaced)));
}

TEST(AttestationMode, Refusals) {
  const std::string magic("KVATTB1\0", 8);
  AttestScenario s = hrp_scenario();
  const std::string good = s.files().bundle;
  const struct {
    const char* name;
    std::string bytes;
    std::string err;
  } cases[] = {
      {"empty", "", "not a v11 attestation bundle (missing KVATTB1 magic) — refusing to sniff\n"},
      {"prefix only", magic,
       "not a v11 attestation bundle (missing KVATTB1 magic) — refusing to sniff\n"},
      {"wrong prefix", "KVATTB2" + good.substr(7),
       "not a v11 attestation bundle (missing KVATTB1 magic) — refusing to sniff\n"},
      {"credential bundle", text_of(core::testing::credential_bundle_bytes(
                                core::testing::sample_credential_bundle(false))),
       "not a v11 attestation bundle (missing KVATTB1 magic) — refusing to sniff\n"},
      {"body cut short", good.substr(0, 70),
       "cannot parse attestation bundle: io error: unexpected end of file\n"},
      {"family out of range", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = c.bytes;
    if (std::string(c.name) == "family out of range") {
      // The u32 family index follows the core's fixed fields and image id.
      core::AttestationBundle b;
      b.core = s.core;
      b.receipt = test_proofs().receipt(TRUSTED_IMAGE_ID, {1, 0, 0, 0});
      bytes = text_of(core::testing::attestation_bundle_bytes(b));
      const size_t at = 8 + 4 + 8 + b.core.issuer.size() + 8 + 8 + 32;
      bytes[at] = 3;
    }
    ModeFiles m = s.files();
    m.bundle = bytes;
    const auto r = run_files(m);
    EXPECT_EQ(r.status, 2);
    if (!c.err.empty()) {
      EXPECT_EQ(r.err, c.err);
    } else {
      EXPECT_EQ(r.err.rfind("cannot parse attestation bundle: ", 0), 0u) << r.err;
    }
    // The banner and the title block come first, then nothing.
    EXPECT_TRUE(r.out.ends_with(double_rule() +
                                "\nKOVRA · ATTESTATION VERIFIER  · HRP (MP-denoised correlation · "
                                "provable weights)\n" +
                                double_rule() + "\n"))
        << r.out;
  }
}

}  // namespace
}  // namespace kovra::verifier::testing
