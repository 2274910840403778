// The default mode end to end on consistent fixtures of every credential kind, with Groth16
// test receipts through the mode's receipt seam, and single mutations of them.
#include "verifier/gate_mode.h"

#include <gtest/gtest.h>

#include "gate_run.h"
#include "kovra-core/aux_parts.h"
#include "kovra-core/lib.h"
#include "verifier/price_csv.h"

namespace kovra::verifier {
namespace {

using testing::CredentialKind;
using testing::RunResult;
using testing::GateScenario;
using testing::make_gate_fixture;
using testing::run_scenario;

constexpr CredentialKind kKinds[] = {CredentialKind::Plain, CredentialKind::Portfolio,
                                     CredentialKind::Carry, CredentialKind::Vrp};

GateScenario scenario(CredentialKind kind = CredentialKind::Plain, bool disclosing = true) {
  GateScenario s;
  s.fixture = make_gate_fixture(kind, disclosing);
  return s;
}

const std::string kPassVerdict =
    "✅ INDEPENDENTLY VERIFIED — a hidden strategy cleared the KOVRA gate on";
const std::string kFailVerdict = "❌ VERIFICATION FAILED — do not rely on this credential.";

TEST(GateMode, EveryKindPassesThroughTheSeam) {
  for (CredentialKind kind : kKinds) {
    for (bool disclosing : {true, false}) {
      const auto r = run_scenario(scenario(kind, disclosing));
      SCOPED_TRACE(std::string(testing::kind_name(kind)) + (disclosing ? " disclosing" : " minimal"));
      EXPECT_EQ(r.status, 0) << r.out << r.err;
      EXPECT_EQ(r.failed(), std::vector<std::string>{});
      EXPECT_EQ(r.err, "");
      EXPECT_TRUE(r.has_line("  ✓ verified locally in 0 ms")) << r.out;
      EXPECT_TRUE(r.has_line("  [✓] zk receipt verifies (proof is real)"));
      EXPECT_TRUE(r.has_line("  [✓] gate verdict re-derived from the proof: PASS (zk-attested)"));
      EXPECT_TRUE(r.has_line(kPassVerdict));
      EXPECT_TRUE(r.has_line(disclosing
                                 ? "   bound real data. Zero trust in the issuer; every disclosed metric is"
                                 : "   bound real data. Zero trust in the issuer; zero metrics disclosed."));
      EXPECT_EQ(r.out.find("NON-CRYPTOGRAPHIC"), std::string::npos);
    }
  }
}

TEST(GateMode, KindSpecificLines) {
  const auto plain = run_scenario(scenario(CredentialKind::Plain));
  EXPECT_TRUE(plain.has_line("  [✓] data root recomputed from canonical CSV matches"));
  EXPECT_TRUE(plain.has_line("  [✓] guest image id matches the program we trust"));
  EXPECT_TRUE(plain.has_line("  [✓] data root pinned to canonical allowlist: test dataset (plain)"));
  EXPECT_TRUE(plain.has_line("  [✓] gate policy is a published KOVRA class · DIRECTIONAL-V1"));
  EXPECT_TRUE(plain.has_line(
      "  ℹ️  risk marked against INTRABAR extremes (OHLC) — leverage wicks visible (M6)"));
  EXPECT_TRUE(plain.has_line(
      "  [✓] annualization basis bound to data: 365 periods/yr consistent with the committed "
      "150-bar window (C1)"));
  EXPECT_TRUE(plain.has_line("  [✓] committed costs at/above the protocol floor (10+5 ≥ 7+3 bps)"));

  const auto portfolio = run_scenario(scenario(CredentialKind::Portfolio));
  EXPECT_TRUE(portfolio.has_line("  [✓] portfolio root recomputed from all CSVs matches"));
  EXPECT_NE(portfolio.out.find("· 2 instrument(s) ·"), std::string::npos);

  // Carry: no CSV is read, the banner names the funding files, the card counts funding
  // series, the regime panel is replaced by its absence check, and neither C1 nor costs apply.
  const auto carry = run_scenario(scenario(CredentialKind::Carry));
  EXPECT_TRUE(carry.has_line("  \x1b[2mdata   :\x1b[0m  data/funding/*.csv (carry)") ||
              carry.has_line("  data   :  data/funding/*.csv (carry)"));
  EXPECT_TRUE(carry.has_line("  [✓] carry guest image id matches the program we trust"));
  EXPECT_TRUE(carry.has_line(
      "  [✓] carry funding root recomputed from our funding (rates + print timestamps) matches"));
  EXPECT_TRUE(carry.has_line(
      "  ℹ️  carry book: funding print timestamps bound in-circuit (annualization basis proven)"));
  EXPECT_TRUE(carry.has_line(
      "  [✓] carry credential carries no regime panel (no price reference series — by design)"));
  EXPECT_TRUE(carry.has_line(
      "      periods_per_year = 1095 is declared, not bound in-proof (C1 carry residual)."));
  EXPECT_EQ(carry.out.find("(C1)"), std::string::npos);
  EXPECT_EQ(carry.out.find("protocol floor"), std::string::npos);
  EXPECT_NE(carry.out.find("carry sibling guest of this era"), std::string::npos);

  const auto vrp = run_scenario(scenario(CredentialKind::Vrp));
  EXPECT_TRUE(vrp.has_line("  [✓] vrp guest image id matches the program we trust"));
  EXPECT_TRUE(vrp.has_line(
      "  [✓] vrp two-series root (underlying + IV index, role-bound) recomputed from our CSVs "
      "matches"));
  EXPECT_TRUE(vrp.has_line(
      "      variance swap marks daily closes) — close-marking is the correct semantics here."));
  EXPECT_TRUE(vrp.has_line(
      "  Costs modeled : 0.50 vol pts spread haircut on every in-market strike (fee field = vol "
      "pts ×100, floor 0.50)"));
  EXPECT_EQ(vrp.out.find("protocol floor"), std::string::npos);

  const auto minimal = run_scenario(scenario(CredentialKind::Plain, false));
  EXPECT_TRUE(minimal.has_line(
      "  ℹ️  minimal (PASS/FAIL-only) mode: no exposure card disclosed — by design"));
  EXPECT_TRUE(minimal.has_line(
      "  ℹ️  minimal (PASS/FAIL-only) mode: no regime panel disclosed — by design"));
  EXPECT_TRUE(
      minimal.has_line("  Metrics       : ***NOT DISCLOSED*** (output minimized to PASS/FAIL)"));
}

// Moves one bar between two non-empty buckets: the sum and the empty-bucket rule still hold,
// only the re-derived counts differ.
void shift_bucket_bar(core::GateAttestation& g) {
  auto& bars = g.regimes->bucket_bars;
  size_t from = 0;
  for (size_t i = 0; i < 6; ++i) if (bars[i] > bars[from]) from = i;
  size_t to = from == 0 ? 1 : 0;
  for (size_t i = 0; i < 6; ++i) if (i != from && bars[i] > 0) to = i;
  --bars[from];
  ++bars[to];
}

core::Bytes32 bytes_of(uint8_t v) {
  core::Bytes32 b;
  b.fill(v);
  return b;
}

// Each mutation of a consistent fixture fails exactly the one line named, and the run ends
// with status 1 and the failure verdict.
TEST(GateMode, SingleMutationsFailExactlyOneLine) {
  using Gate = core::GateAttestation;
  using Bundle = core::CredentialBundle;
  struct Case {
    const char* name;
    std::function<void(GateScenario&)> mutate;
    std::string failed;
  };
  auto on_gate = [](std::function<void(Gate&)> f) {
    return [f](GateScenario& s) { f(s.fixture.core.journal); };
  };
  const Case cases[] = {
      {"foreign image id, receipt for the trusted guest",
       [](GateScenario& s) { s.fixture.core.image_id = bytes_of(0x5a); },
       "guest image id matches the program we trust"},
      {"journal swap",
       [](GateScenario& s) { s.receipt_journal = [](Gate& g) { g.gate_passed = false; }; },
       "committed journal matches credential (no swap)"},
      {"journal that does not decode",
       [](GateScenario& s) {
         s.after_seal = [](Bundle& b) {
           b.receipt = testing::test_proofs().receipt(TRUSTED_IMAGE_ID, {1, 0, 0});
         };
       },
       "committed journal matches credential (no swap)"},
      {"seal altered",
       [](GateScenario& s) {
         s.after_seal = [](Bundle& b) {
           std::get<receipts::Groth16Receipt>(b.receipt.proof.kind).seal[100] ^= 1;
         };
       },
       "zk receipt verifies (proof is real)"},
      {"data differs from the committed root",
       [](GateScenario& s) {
         s.edit_data = [](testing::GateFixture& f) {
           auto& text = f.csv_files[0].text;  // the first bar one second later
           text.replace(text.find("\n1600000000,"), 12, "\n1600000001,");
         };
       },
       "data root recomputed from canonical CSV matches"},
      {"root not in the allowlist", [](GateScenario& s) { s.roots_file = false; },
       "data root NOT in canonical allowlist (roots.txt) — substituted/unknown dataset; use "
       "--any-data to verify prover-supplied data (loudly unpinned)"},
      {"weakened gate", on_gate([](Gate& g) { g.gate.min_bars = 19; }),
       "gate policy matches NO published class (non-canonical / weakened gate)"},
      {"canonical flag off", on_gate([](Gate& g) { g.canonical_data = false; }),
       "dataset was canonical in-proof"},
      {"format version 3", on_gate([](Gate& g) { g.format_version = 3; }),
       "credential format v3 (current)"},
      {"exposure card missing", on_gate([](Gate& g) { g.exposure.reset(); }),
       "disclosing credential is MISSING its exposure card (malformed v3)"},
      {"exposure card inconsistent", on_gate([](Gate& g) { g.exposure->flat_bars += 1; }),
       "exposure card consistent (bar accounting · bands · leverage rail · instrument count)"},
      {"exposure card over the leverage rail", on_gate([](Gate& g) { g.exposure->gross_max = 2001; }),
       "exposure card consistent (bar accounting · bands · leverage rail · instrument count)"},
      {"exposure card names another instrument count",
       on_gate([](Gate& g) { g.exposure->instruments = 2; }),
       "exposure card consistent (bar accounting · bands · leverage rail · instrument count)"},
      {"regime panel missing", on_gate([](Gate& g) { g.regimes.reset(); }),
       "disclosing credential is MISSING its regime panel (malformed v4)"},
      {"regime panel over the return rail",
       on_gate([](Gate& g) { g.regimes->bucket_return_bps[1] = core::kBucketReturnLimit; }),
       "regime panel internally consistent (bar accounting · empty buckets · return rail)"},
      {"regime counts not those of the data", on_gate(shift_bucket_bar),
       "regime bar counts re-derived from OUR copy of the public data match"},
      {"annualisation beyond the window", on_gate([](Gate& g) { g.periods_per_year = 366; }),
       "annualization basis bound to data: 366 periods/yr consistent with the committed "
       "150-bar window (C1)"},
      {"fee below the floor", on_gate([](Gate& g) { g.fee_bps = 6; }),
       "committed costs at/above the protocol floor (6+5 ≥ 7+3 bps)"},
      {"slippage below the floor", on_gate([](Gate& g) { g.slippage_bps = 2; }),
       "committed costs at/above the protocol floor (10+2 ≥ 7+3 bps)"},
      {"no strategy commitment", on_gate([](Gate& g) { g.commitment = {}; }),
       "a strategy commitment is present"},
      {"stored digest altered",
       [](GateScenario& s) { s.after_seal = [](Bundle& b) { b.digest[5] ^= 0x40; }; },
       "credential digest intact (tamper-evident)"},
      {"core altered after sealing",
       [](GateScenario& s) { s.after_seal = [](Bundle& b) { b.core.issuer += "!"; }; },
       "credential digest intact (tamper-evident)"},
      {"sealed aux aggregate without --aux",
       on_gate([](Gate& g) { g.aux_binding = bytes_of(0x77); }),
       "credential seals an aux aggregate but no --aux <parts.json> was supplied — the "
       "primitive binding is UNVERIFIED; pass it to enforce (fail-closed)"},
      {"fake receipt outside dev mode", [](GateScenario& s) { s.fake_receipt = true; },
       "zk receipt verifies (proof is real)"},
  };
  for (const auto& c : cases) {
    GateScenario s = scenario();
    c.mutate(s);
    const RunResult r = run_scenario(std::move(s));
    SCOPED_TRACE(c.name);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.failed(), std::vector<std::string>{c.failed}) << r.out;
    EXPECT_TRUE(r.has_line(kFailVerdict));
    EXPECT_EQ(r.out.find("verified locally"), std::string::npos);
  }
}

// The same mutations on the fixture of every kind, disclosing and minimal.
TEST(GateMode, MutationsOfEveryKind) {
  const auto data_label = [](CredentialKind kind) -> std::string {
    switch (kind) {
      case CredentialKind::Plain: return "data root recomputed from canonical CSV matches";
      case CredentialKind::Portfolio: return "portfolio root recomputed from all CSVs matches";
      case CredentialKind::Carry:
        return "carry funding root recomputed from our funding (rates + print timestamps) matches";
      case CredentialKind::Vrp:
        return "vrp two-series root (underlying + IV index, role-bound) recomputed from our CSVs "
               "matches";
    }
    return "";
  };
  for (CredentialKind kind : kKinds) {
    for (bool disclosing : {true, false}) {
      SCOPED_TRACE(std::string(testing::kind_name(kind)) + (disclosing ? " disclosing" : " minimal"));
      const struct {
        std::function<void(GateScenario&)> mutate;
        std::string failed;
      } cases[] = {
          {[](GateScenario& s) {
             s.receipt_journal = [](core::GateAttestation& g) { g.bars += 1; };
           },
           "committed journal matches credential (no swap)"},
          {[](GateScenario& s) {
             s.after_seal = [](core::CredentialBundle& b) { b.digest[31] ^= 1; };
           },
           "credential digest intact (tamper-evident)"},
          {[](GateScenario& s) { s.fixture.core.journal.format_version = 5; },
           "credential format v5 (current)"},
          {[](GateScenario& s) {
             s.edit_data = [](testing::GateFixture& f) {
               // The first row of the first file: a later timestamp, or another funding rate.
               auto& text = f.csv_files.empty() ? f.funding_files[0].text : f.csv_files[0].text;
               const size_t row = text.find('\n') + 1;
               const size_t comma = text.find(',', row);
               if (f.csv_files.empty()) {
                 text.replace(comma + 1, text.find('\n', row) - comma - 1, "999");
               } else {
                 text.replace(row, comma - row, "1600000001");
               }
             };
           },
           data_label(kind)},
      };
      for (const auto& c : cases) {
        GateScenario s = scenario(kind, disclosing);
        c.mutate(s);
        const auto r = run_scenario(std::move(s));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.failed(), std::vector<std::string>{c.failed}) << r.out;
      }
    }
  }
}

TEST(GateMode, MinimalCredentialLeaks) {
  const struct {
    std::function<void(core::GateAttestation&)> mutate;
    std::string failed;
  } cases[] = {
      {[](core::GateAttestation& g) { g.exposure = core::ExposureCard{0, 0, 0, 0, 0, 0, 0, 149, 1}; },
       "minimal credential LEAKS an exposure card (malformed v3)"},
      {[](core::GateAttestation& g) {
         g.regimes = core::RegimePanel{30, 100, {}, {}};
       },
       "minimal credential LEAKS a regime panel (malformed v4)"},
  };
  for (const auto& c : cases) {
    GateScenario s = scenario(CredentialKind::Plain, false);
    c.mutate(s.fixture.core.journal);
    const auto r = run_scenario(std::move(s));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.failed(), std::vector<std::string>{c.failed}) << r.out;
  }
}

TEST(GateMode, ForeignImageIdPrintsTheFormatV1HintAndFailsTheReceipt) {
  GateScenario s = scenario();
  s.fixture.core.image_id = bytes_of(0);
  // The receipt is honest for the foreign guest, so it fails against the trusted one.
  s.after_seal = [](core::CredentialBundle& b) {
    b.receipt = testing::test_proofs().receipt(bytes_of(0), testing::journal_bytes(b.core.journal));
  };
  const auto r = run_scenario(std::move(s));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.failed(), (std::vector<std::string>{"guest image id matches the program we trust",
                                                  "zk receipt verifies (proof is real)"}));
  EXPECT_NE(r.out.find("  [✗] guest image id matches the program we trust\n"
                       "      ↳ if this bundle predates 2026-07-05 it is a FORMAT v1 credential\n"
                       "        (close-only bars, close-marked risk). v1 bundles verify only with a\n"
                       "        v1 verifier: build from the git tag `format-v1` of kovra-proof.\n"
                       "  ⚠ UNRECOGNIZED ENGINE — image id 000000000000… is NOT in the KOVRA era "
                       "registry\n"),
            std::string::npos)
      << r.out;
}

TEST(GateMode, DevRunsEndWithStatus3) {
  // DURO0_DEV_MODE set, a real receipt: every check passes, status 3, no elapsed time.
  GateScenario dev = scenario();
  dev.env = {{"DURO0_DEV_MODE", "yes"}};
  auto r = run_scenario(std::move(dev));
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.failed(), std::vector<std::string>{});
  EXPECT_TRUE(r.has_line(
      "  ⚠️  NON-CRYPTOGRAPHIC RECEIPT — DURO0_DEV_MODE is set → this run checks plumbing only."));
  EXPECT_TRUE(r.has_line(
      "⚠️  CHECKS PASS but the receipt is NOT a real STARK — NOT cryptographic proof. (exit 3)"));
  EXPECT_EQ(r.out.find("verified locally"), std::string::npos);

  // A fake receipt accepted by a dev-mode verifier: a dev run even without the variable.
  GateScenario fake = scenario(CredentialKind::Portfolio, false);
  fake.fake_receipt = true;
  fake.verifier_dev_mode = true;
  r = run_scenario(std::move(fake));
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(r.has_line(
      "  ⚠️  NON-CRYPTOGRAPHIC RECEIPT — receipt is a dev-mode FAKE stand-in → this run checks "
      "plumbing only."));

  // A failed check in a dev run is still status 1; "0" is not a dev flag.
  GateScenario failing = scenario();
  failing.env = {{"DURO0_DEV_MODE", "1"}};
  failing.fixture.core.journal.canonical_data = false;
  EXPECT_EQ(run_scenario(std::move(failing)).status, 1);
  GateScenario zero = scenario();
  zero.env = {{"DURO0_DEV_MODE", "0"}};
  EXPECT_EQ(run_scenario(std::move(zero)).status, 0);
}

TEST(GateMode, PublishedFailVerifiesWithStatus0) {
  GateScenario s = scenario();
  s.fixture.core.journal.gate_passed = false;
  const auto r = run_scenario(std::move(s));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.failed(), std::vector<std::string>{});
  EXPECT_TRUE(r.has_line("  ✓ verified locally in 0 ms"));
  EXPECT_TRUE(r.has_line(
      "  [•] gate verdict re-derived from the proof: FAIL — a published failure; the proof is "
      "valid, the strategy did not clear the bar (zk-attested)"));
  EXPECT_TRUE(r.has_line("  GATE VERDICT  : FAIL"));
  EXPECT_TRUE(r.has_line(
      "✅ INDEPENDENTLY VERIFIED — the proof is valid and the committed result is a"));
  EXPECT_TRUE(r.has_line("   A verified failure is the Standard working — not a broken credential."));
}

TEST(GateMode, Status2Paths) {
  // An unreadable CSV: nothing after the banner.
  GateScenario missing = scenario();
  missing.fixture.csv_files.clear();
  missing.extra_args = {"absent.csv"};
  auto r = run_scenario(std::move(missing));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "cannot read csv absent.csv: No such file or directory (os error 2)\n");
  EXPECT_EQ(r.out.find("[✓]"), std::string::npos);
  EXPECT_EQ(r.out.find("[✗]"), std::string::npos);

  // --vrp with one CSV: the lines up to the track binding, then the count on stderr.
  GateScenario one = scenario(CredentialKind::Vrp);
  one.fixture.csv_files.pop_back();
  r = run_scenario(std::move(one));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "--vrp needs exactly 2 CSVs: <underlying> <iv_index> (got 1)\n");
  EXPECT_TRUE(r.has_line("  [✓] committed journal matches credential (no swap)"));
  EXPECT_EQ(r.out.find("data root"), std::string::npos);
  EXPECT_EQ(r.out.find("  Issuer"), std::string::npos);
}

TEST(GateMode, CostFloorAndAttestedFees) {
  auto run_costs = [](int64_t fee, int64_t slippage, bool attested) {
    GateScenario s = scenario();
    s.fixture.core.journal.fee_bps = fee;
    s.fixture.core.journal.slippage_bps = slippage;
    if (attested) s.extra_args = {"--attested-fees"};
    return run_scenario(std::move(s));
  };
  const std::string understated =
      "      understated costs are a forge vector. Re-verify with --attested-fees ONLY against\n"
      "      a documented institutional fee schedule; the slippage floor never waives.\n";
  const std::string tier0 =
      "      ⚠️  fee is below the tier-0 floor (7 bps) — this verdict is valid ONLY with the\n"
      "      issuer's documented institutional fee schedule in hand. No document, no credential.\n";

  auto r = run_costs(7, 3, false);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.has_line("  [✓] committed costs at/above the protocol floor (7+3 ≥ 7+3 bps)"));

  r = run_costs(6, 3, false);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("  [✗] committed costs at/above the protocol floor (6+3 ≥ 7+3 bps)\n" +
                       understated),
            std::string::npos);

  r = run_costs(6, 3, true);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("  [✓] slippage floor honoured (3 ≥ 3 bps) · ATTESTED-FEE MODE: fee 6 bps "
                       "accepted against an issuer-attested schedule\n" + tier0),
            std::string::npos);

  r = run_costs(7, 3, true);
  EXPECT_EQ(r.out.find("tier-0"), std::string::npos);
  r = run_costs(20, 2, true);
  EXPECT_EQ(r.failed(), std::vector<std::string>{
                            "slippage floor honoured (2 ≥ 3 bps) · ATTESTED-FEE MODE: fee 20 bps "
                            "accepted against an issuer-attested schedule"});
}

TEST(GateMode, AnyDataSkipsTheAllowlist) {
  GateScenario s = scenario();
  s.roots_file = false;
  s.extra_args = {"--any-data"};
  const auto r = run_scenario(std::move(s));
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.has_line(
      "  ◔  SUBMITTER-COMMITTED DATA (own-data tier, --any-data): this credential's"));
  EXPECT_EQ(r.out.find("allowlist"), std::string::npos);
}

TEST(GateMode, ReturnFigures) {
  // periods_per_year 0 counts as 1: 150 bars are 150 years. (The run fails C1.)
  GateScenario s = scenario();
  s.fixture.core.journal.periods_per_year = 0;
  auto r = run_scenario(std::move(s));
  EXPECT_TRUE(r.has_line(
      "    Return       : net +42.10% over 150.0 yrs · CAGR 0.2%/yr (derived from committed "
      "net + window)"))
      << r.out;
  // A total loss has no growth rate.
  s = scenario();
  s.fixture.core.journal.disclosed->net_return_bps = -10'000;
  r = run_scenario(std::move(s));
  EXPECT_TRUE(r.has_line("    Return       : net -100.00% over 0.4 yrs")) << r.out;
}

// Series that cannot be combined into the equal-weight reference (a shorter second file, an
// empty first one) fail the regime count check, besides the data root; nothing is read past
// a series.
TEST(GateMode, UncombinableSeriesFailTheRegimeCounts) {
  const std::vector<std::string> failed = {
      "portfolio root recomputed from all CSVs matches",
      "regime bar counts re-derived from OUR copy of the public data match"};
  GateScenario shorter = scenario(CredentialKind::Portfolio);
  shorter.edit_data = [](testing::GateFixture& f) {
    auto& text = f.csv_files[1].text;
    text.resize(text.rfind('\n', text.size() - 2) + 1);  // drop the last row
  };
  auto r = run_scenario(std::move(shorter));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.failed(), failed) << r.out;

  GateScenario empty_first = scenario(CredentialKind::Portfolio);
  empty_first.edit_data = [](testing::GateFixture& f) {
    f.csv_files[0].text = "timestamp,open,high,low,close\n";
  };
  r = run_scenario(std::move(empty_first));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.failed(), failed) << r.out;
}

TEST(AnnualisationBound, EdgeCases) {
  constexpr int64_t kYear = 31'536'000;
  EXPECT_FALSE(annualisation_bound(1, 0, kYear, 1));
  EXPECT_FALSE(annualisation_bound(0, 0, kYear, 0));
  EXPECT_FALSE(annualisation_bound(100, 5, 5, 1));
  EXPECT_FALSE(annualisation_bound(100, 6, 5, 0));
  EXPECT_TRUE(annualisation_bound(8761, 0, kYear, 8760));
  EXPECT_FALSE(annualisation_bound(8761, 0, kYear, 8761));
  EXPECT_TRUE(annualisation_bound(2, 0, 1, 0));
  // The span of the widest window is exact, and the products do not wrap.
  EXPECT_FALSE(annualisation_bound(UINT32_MAX, INT64_MIN, INT64_MAX, UINT32_MAX));
  EXPECT_TRUE(annualisation_bound(UINT32_MAX, INT64_MIN, INT64_MAX, 0));
  EXPECT_FALSE(annualisation_bound(2, INT64_MAX, INT64_MIN, 0));  // a negative span
}

// The issuer and every other file-supplied text reach the report escaped.
TEST(GateMode, FileTextsAreEscaped) {
  GateScenario s = scenario();
  s.fixture.core.issuer = "evil\n  [✓] forged line\x1b[2J\u202e";
  s.extra_args = {"--prereg", "pre\nreg.json"};
  s.extra_files = {{"pre\nreg.json", "{}"}};
  const auto r = run_scenario(std::move(s));
  EXPECT_TRUE(r.has_line("  Issuer        : evil\\n  [✓] forged line\\u{1b}[2J\\u{202e}")) << r.out;
  EXPECT_EQ(r.out.find("\n  [✓] forged line"), std::string::npos);
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
  EXPECT_NE(r.out.find("no .ots/.tsr found beside pre\\nreg.json"), std::string::npos);
}

}  // namespace
}  // namespace kovra::verifier
