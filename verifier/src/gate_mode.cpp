#include "verifier/gate_mode.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "base/digest.h"
#include "base/int128.h"
#include "kovra-core/lib.h"
#include "kovra-core/merkle.h"
#include "verifier/canonical_roots.h"
#include "verifier/era_registry.h"
#include "verifier/funding.h"
#include "verifier/gate_class.h"
#include "verifier/price_csv.h"

namespace kovra::verifier {

GateModeSeams GateModeSeams::program() {
  return {[](const receipts::Receipt& receipt, const ImageId& image_id) {
            return receipt.verify(base::Digest::from_bytes(image_id));
          },
          [] { return platform::Clock::now(); }};
}

bool annualisation_bound(uint32_t bars, int64_t window_start, int64_t window_end,
                         uint32_t periods_per_year) {
  // The span in 128 bits: the difference of two 64-bit times never overflows there.
  const base::I128 span = static_cast<base::I128>(window_end) - window_start;
  if (bars < 2 || span < 1) return false;
  const base::U128 covered = static_cast<base::U128>(bars - 1) * 31'536'000u;
  const base::U128 claimed = static_cast<base::U128>(periods_per_year) * static_cast<base::U128>(span);
  return covered >= claimed;
}

namespace {

constexpr uint32_t kCurrentFormatVersion = 4;
constexpr int64_t kFeeFloorBps = 7;
constexpr int64_t kSlippageFloorBps = 3;

template <class... Args>
std::string format(const char* fmt, Args... args) {
  char buf[512];
  std::snprintf(buf, sizeof buf, fmt, args...);
  return buf;
}

double hundredths(int64_t v) { return static_cast<double>(v) / 100.0; }

std::string repeat(std::string_view piece, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += piece;
  return out;
}

// The steps of one run over the decoded bundle; all-passed is folded by every check line.
class GateRun {
 public:
  GateRun(const RunContext& ctx, const GateModeSeams& seams)
      : ctx_(ctx),
        v_(ctx.values),
        report_(ctx.report),
        seams_(seams),
        bundle_(*ctx.bundle),
        gate_(bundle_.core.journal),
        trusted_(trusted_image_id(v_)) {}

  int run();

 private:
  void check(bool outcome, const std::string& label) {
    report_.check_line(all_passed_, outcome, label);
  }
  void fail(const std::string& label) { check(false, label); }
  void line(const std::string& text) { report_.line(text); }
  std::string dim(std::string_view text) { return report_.paint("2", text); }

  bool load_data();
  void check_image_id();
  void check_journal();
  bool check_data_root();
  void check_allowlist();
  void print_risk_note();
  void check_exposure();
  void check_regimes();
  void check_costs();
  void print_gate_verdict();
  void print_figures();
  int print_verdict();

  BindingInputs bindings() const {
    return {v_, bundle_, trusted_, seams_.verify_receipt, bar_lists_};
  }

  const RunContext& ctx_;
  const RunValues& v_;
  Report& report_;
  const GateModeSeams& seams_;
  const core::CredentialBundle& bundle_;
  const core::GateAttestation& gate_;
  const ImageId& trusted_;
  std::vector<std::vector<core::BarRecord>> bar_lists_;
  core::FundingSeries funding_;
  bool all_passed_ = true;
  bool dev_run_ = false;
};

bool GateRun::load_data() {
  if (v_.carry) {
    std::string dir = default_funding_dir();
    if (auto at = flag_position(v_.args, "--funding-dir")) {
      if (auto value = arg_after(v_.args, *at)) dir = *value;
    }
    funding_ = load_funding_dir(dir);
    return true;
  }
  auto loaded = load_price_csvs(v_.csv_paths);
  if (!loaded) {
    report_.error_line(loaded.error().message());
    return false;
  }
  bar_lists_ = std::move(*loaded);
  return true;
}

void GateRun::check_image_id() {
  const char* label = v_.carry ? "carry guest image id matches the program we trust"
                      : v_.vrp ? "vrp guest image id matches the program we trust"
                               : "guest image id matches the program we trust";
  const bool same = bundle_.core.image_id == trusted_;
  check(same, label);
  if (!same) {
    line("      ↳ if this bundle predates 2026-07-05 it is a FORMAT v1 credential");
    line("        (close-only bars, close-marked risk). v1 bundles verify only with a");
    line("        v1 verifier: build from the git tag `format-v1` of kovra-proof.");
  }
}

void GateRun::check_journal() {
  const auto journal = core::GateAttestation::from_words(bundle_.receipt.journal);
  check(journal && *journal == gate_, "committed journal matches credential (no swap)");
}

bool GateRun::check_data_root() {
  core::DataRoot root;
  std::string label;
  if (v_.carry) {
    root = core::carry_root(funding_);
    label = "carry funding root recomputed from our funding (rates + print timestamps) matches";
  } else if (v_.vrp) {
    if (v_.csv_paths.size() != 2) {
      report_.error_line("--vrp needs exactly 2 CSVs: <underlying> <iv_index> (got " +
                         std::to_string(v_.csv_paths.size()) + ")");
      return false;
    }
    root = core::vrp_root(bar_lists_[0], bar_lists_[1]);
    label = "vrp two-series root (underlying + IV index, role-bound) recomputed from our CSVs matches";
  } else {
    root = core::portfolio_root(bar_lists_);
    label = bar_lists_.size() > 1 ? "portfolio root recomputed from all CSVs matches"
                                  : "data root recomputed from canonical CSV matches";
  }
  check(root == gate_.data_root, label);
  return true;
}

void GateRun::check_allowlist() {
  if (v_.any_data) {
    line("  ◔  SUBMITTER-COMMITTED DATA (own-data tier, --any-data): this credential's");
    line("      root is NOT KOVRA-canonical — provenance is the submitter's, not ours (U5).");
    line("      The proof is exactly as rigorous; only the DATA tier differs. To close it");
    line("      yourself: obtain this market's history from a source YOU trust, and pass");
    line("      THAT file above — a matching root means the credential was proven on data");
    line("      identical to your own copy, and KOVRA never needs to be trusted at all.");
    return;
  }
  if (auto label = lookup_canonical_root(v_.roots_path, gate_.data_root)) {
    check(true, "data root pinned to canonical allowlist: " + *label);
  } else {
    fail("data root NOT in canonical allowlist (" + v_.roots_path +
         ") — substituted/unknown dataset; use --any-data to verify prover-supplied data "
         "(loudly unpinned)");
  }
}

void GateRun::print_risk_note() {
  if (v_.carry) {
    line("  ℹ️  carry book: funding print timestamps bound in-circuit (annualization basis proven)");
  } else if (v_.vrp) {
    line("  ℹ️  variance-swap marks are CLOSE-TO-CLOSE by contract (the realized leg of a");
    line("      variance swap marks daily closes) — close-marking is the correct semantics here.");
  } else if (gate_.ohlc_risk) {
    line("  ℹ️  risk marked against INTRABAR extremes (OHLC) — leverage wicks visible (M6)");
  } else {
    line("  ⚠️  close-only data: drawdown/worst-bar are CLOSE-MARKED — intrabar");
    line("      excursions at leverage are not visible in these figures.");
  }
}

void GateRun::check_exposure() {
  const bool disclosed = gate_.disclosed.has_value();
  if (disclosed && gate_.exposure) {
    const core::ExposureCard& e = *gate_.exposure;
    const size_t expected = v_.carry ? funding_.rates.size() : bar_lists_.size();
    // A count beyond 32 bits can never equal the card's.
    const bool consistent =
        expected <= UINT32_MAX &&
        core::is_consistent(e, gate_.bars, static_cast<uint32_t>(expected));
    check(consistent,
          "exposure card consistent (bar accounting · bands · leverage rail · instrument count)");
    line(format("  📊 exposure: net avg %+.2f× [%+.2f×, %+.2f×] · gross avg %.2f× (max %.2f×) · "
                "%u instrument(s) · long/short/flat bars %u/%u/%u",
                hundredths(e.net_avg), hundredths(e.net_min), hundredths(e.net_max),
                hundredths(e.gross_avg), hundredths(e.gross_max), e.instruments, e.long_bars,
                e.short_bars, e.flat_bars));
  } else if (disclosed) {
    fail("disclosing credential is MISSING its exposure card (malformed v3)");
  } else if (gate_.exposure) {
    fail("minimal credential LEAKS an exposure card (malformed v3)");
  } else {
    line("  ℹ️  minimal (PASS/FAIL-only) mode: no exposure card disclosed — by design");
  }
}

void GateRun::check_regimes() {
  if (v_.carry) {
    check(!gate_.regimes.has_value(),
          "carry credential carries no regime panel (no price reference series — by design)");
    line("  ⚠️  ANNUALIZATION UNVERIFIED (carry): funding data has no timestamps, so");
    line("      periods_per_year = " + std::to_string(gate_.periods_per_year) +
         " is declared, not bound in-proof (C1 carry residual).");
    return;
  }
  const bool disclosed = gate_.disclosed.has_value();
  if (disclosed && gate_.regimes) {
    const core::RegimePanel& panel = *gate_.regimes;
    check(panel.vol_window == core::kRegimeVolWindow &&
              panel.trend_window == core::kRegimeTrendWindow,
          "regime policy is the PINNED policy (prover cannot choose buckets)");
    check(core::is_consistent(panel, gate_.bars),
          "regime panel internally consistent (bar accounting · empty buckets · return rail)");
    // The close series are given up to the reference (a lone series becomes it uncopied: the
    // labels take enough per bar).
    auto closes = close_series(bar_lists_);
    std::optional<std::vector<int64_t>> reference =
        v_.vrp ? std::optional<std::vector<int64_t>>(std::move(closes[0]))
               : core::equal_weight_series(std::move(closes));
    check(core::regime_counts_match(panel.bucket_bars, reference),
          "regime bar counts re-derived from OUR copy of the public data match");
    std::string buckets;
    for (const std::string& text : format_regime_buckets(panel)) {
      if (!buckets.empty()) buckets += " · ";
      buckets += text;
    }
    line("  🌡  regimes (pinned vol" + std::to_string(panel.vol_window) + "·trend" +
         std::to_string(panel.trend_window) + "): " + buckets);
  } else if (disclosed) {
    fail("disclosing credential is MISSING its regime panel (malformed v4)");
  } else if (gate_.regimes) {
    fail("minimal credential LEAKS a regime panel (malformed v4)");
  } else {
    line("  ℹ️  minimal (PASS/FAIL-only) mode: no regime panel disclosed — by design");
  }
  check(annualisation_bound(gate_.bars, gate_.window_start, gate_.window_end,
                            gate_.periods_per_year),
        "annualization basis bound to data: " + std::to_string(gate_.periods_per_year) +
            " periods/yr consistent with the committed " + std::to_string(gate_.bars) +
            "-bar window (C1)");
}

void GateRun::check_costs() {
  if (v_.carry || v_.vrp) return;
  const int64_t fee = gate_.fee_bps;
  const int64_t slippage = gate_.slippage_bps;
  const std::string fee_text = std::to_string(fee);
  const std::string slippage_text = std::to_string(slippage);
  if (v_.attested_fees) {
    check(slippage >= kSlippageFloorBps,
          "slippage floor honoured (" + slippage_text + " ≥ " + std::to_string(kSlippageFloorBps) +
              " bps) · ATTESTED-FEE MODE: fee " + fee_text +
              " bps accepted against an issuer-attested schedule");
    if (fee < kFeeFloorBps) {
      line("      ⚠️  fee is below the tier-0 floor (" + std::to_string(kFeeFloorBps) +
           " bps) — this verdict is valid ONLY with the");
      line("      issuer's documented institutional fee schedule in hand. No document, no "
           "credential.");
    }
    return;
  }
  const bool honoured = fee >= kFeeFloorBps && slippage >= kSlippageFloorBps;
  check(honoured, "committed costs at/above the protocol floor (" + fee_text + "+" +
                      slippage_text + " ≥ " + std::to_string(kFeeFloorBps) + "+" +
                      std::to_string(kSlippageFloorBps) + " bps)");
  if (!honoured) {
    line("      understated costs are a forge vector. Re-verify with --attested-fees ONLY against");
    line("      a documented institutional fee schedule; the slippage floor never waives.");
  }
}

void GateRun::print_gate_verdict() {
  if (gate_.gate_passed) {
    line("  " + report_.paint("32", "[✓]") + " gate verdict re-derived from the proof: PASS (zk-attested)");
  } else {
    line("  " + report_.paint("36", "[•]") +
         " gate verdict re-derived from the proof: FAIL — a published failure; the proof is "
         "valid, the strategy did not clear the bar (zk-attested)");
  }
}

void GateRun::print_figures() {
  line(repeat("─", 60));
  report_.line_escaped("  Issuer        : ", bundle_.core.issuer);
  line("  Window        : " + std::to_string(gate_.window_start) + " → " +
       std::to_string(gate_.window_end) + " (" + std::to_string(gate_.bars) + " bars)");
  if (v_.vrp) {
    line(format("  Costs modeled : %.2f vol pts spread haircut on every in-market strike (fee "
                "field = vol pts ×100, floor 0.50)",
                hundredths(gate_.fee_bps)));
  } else {
    line("  Costs modeled : " + std::to_string(gate_.fee_bps) + " bps fee + " +
         std::to_string(gate_.slippage_bps) + " bps slippage");
  }
  const core::RiskGate& g = gate_.gate;
  line(format("  Gate policy   : Sharpe≥%.2f, CAGR≥%.0f%%, MaxDD≤%.0f%%, no bar<%.0f%%, ≥%u trades, "
              "≥%u bars",
              hundredths(g.min_sharpe), hundredths(g.min_cagr_bps), hundredths(g.max_drawdown_bps),
              hundredths(g.worst_bar_floor_bps), g.min_trades, g.min_bars));
  line(std::string("  GATE VERDICT  : ") + (gate_.gate_passed ? "PASS ✓" : "FAIL"));
  if (gate_.disclosed) {
    const core::Disclosed& d = *gate_.disclosed;
    line("  Metrics (all disclosed + committed):");
    line(format("    Sharpe       : %.2f full window · %.2f out-of-sample (last 30%%, walk-forward)",
                hundredths(d.sharpe), hundredths(d.sharpe_oos)));
    const double years = static_cast<double>(gate_.bars) /
                         static_cast<double>(gate_.periods_per_year == 0 ? 1 : gate_.periods_per_year);
    const double growth = static_cast<double>(d.net_return_bps) / 10'000.0 + 1.0;
    if (growth > 0 && years > 0) {
      line(format("    Return       : net %+.2f%% over %.1f yrs · CAGR %.1f%%/yr (derived from "
                  "committed net + window)",
                  hundredths(d.net_return_bps), years, (std::pow(growth, 1.0 / years) - 1.0) * 100.0));
    } else {
      line(format("    Return       : net %+.2f%% over %.1f yrs", hundredths(d.net_return_bps), years));
    }
    line(format("    Risk         : MaxDD %.2f%% · worst single bar %+.2f%%",
                hundredths(d.max_drawdown_bps), hundredths(d.worst_bar_bps)));
    line("    Activity     : " + std::to_string(d.trades) + " trades · " +
         std::to_string(d.bars_in_market) + " bars in market of " + std::to_string(gate_.bars));
    line("    Independence : " + std::to_string(d.independence_pct) +
         "% (1 − joint R² vs market+momentum+reversal) · R² market " +
         std::to_string(d.r2_market_pct) + "% · momentum " + std::to_string(d.r2_momentum_pct) +
         "% · reversal " + std::to_string(d.r2_reversal_pct) + "%");
  } else {
    line("  Metrics       : ***NOT DISCLOSED*** (output minimized to PASS/FAIL)");
  }
  line("  Strategy      : ***NEVER REVEALED***");
}

int GateRun::print_verdict() {
  line(repeat("═", 60));
  if (!all_passed_) {
    line("");
    line(dim("  One or more checks did not pass (marked [✗] above). This credential is not"));
    line(dim("  trustworthy as-is — it may be tampered, the wrong data, or a foreign engine."));
    line(report_.paint("1;31", "❌ VERIFICATION FAILED — do not rely on this credential."));
    return default_exit_status(false, dev_run_);
  }
  if (dev_run_) {
    line("⚠️  CHECKS PASS but the receipt is NOT a real STARK — NOT cryptographic proof. (exit 3)");
    return default_exit_status(true, true);
  }
  line(elapsed_line(report_, ctx_.start, seams_.now()));
  line("");
  if (gate_.gate_passed) {
    line(dim("  What this proves: a real zero-knowledge proof (STARK) attests this exact"));
    line(dim("  strategy cleared KOVRA's institutional gate on the data root you re-derived"));
    line(dim("  above — after costs, out-of-sample. What it does NOT prove: future returns,"));
    line(dim("  or live fills. The strategy itself was never revealed to you or to KOVRA."));
    line("");
    line(report_.paint("1;32", "✅ INDEPENDENTLY VERIFIED — a hidden strategy cleared the KOVRA gate on"));
    if (gate_.disclosed) {
      line("   bound real data. Zero trust in the issuer; every disclosed metric is");
      line("   committed in-proof; the strategy itself is never revealed.");
    } else {
      line("   bound real data. Zero trust in the issuer; zero metrics disclosed.");
    }
  } else {
    line(dim("  What this proves: a real zero-knowledge proof (STARK) attests this exact"));
    line(dim("  strategy's HONEST result on the data root you re-derived above — after costs,"));
    line(dim("  out-of-sample. The gate verdict is FAIL: it did not clear the bar, and the"));
    line(dim("  result is published as-is. The strategy itself was never revealed."));
    line("");
    line(report_.paint("1;32",
                       "✅ INDEPENDENTLY VERIFIED — the proof is valid and the committed result is a"));
    line("   published FAIL on bound real data. Zero trust in the issuer; every disclosed");
    line("   metric is committed in-proof; the strategy itself is never revealed.");
    line(dim("   A verified failure is the Standard working — not a broken credential."));
  }
  return default_exit_status(true, false);
}

int GateRun::run() {
  if (!load_data()) return 2;

  const bool fake = std::holds_alternative<receipts::FakeReceipt>(bundle_.receipt.proof.kind);
  dev_run_ = ctx_.dev || fake;
  if (dev_run_) {
    line(std::string("  ⚠️  NON-CRYPTOGRAPHIC RECEIPT — ") +
         (fake ? "receipt is a dev-mode FAKE stand-in" : "DURO0_DEV_MODE is set") +
         " → this run checks plumbing only.");
  }
  all_passed_ = true;

  check_image_id();
  print_engine_era(report_, bundle_.core.image_id);
  check(seams_.verify_receipt(bundle_.receipt, trusted_).is_ok(),
        "zk receipt verifies (proof is real)");
  check_journal();
  check_aux_binding_flag(report_, all_passed_, bindings());
  check_track_binding(report_, all_passed_, bindings());
  if (!check_data_root()) return 2;
  check_allowlist();
  check_gate_class(report_, all_passed_, gate_.gate);
  check(gate_.canonical_data, "dataset was canonical in-proof");
  check(gate_.format_version == kCurrentFormatVersion,
        "credential format v" + std::to_string(gate_.format_version) + " (current)");
  print_risk_note();
  check_exposure();
  check_regimes();
  check_costs();
  print_gate_verdict();
  check(gate_.commitment != core::Bytes32{}, "a strategy commitment is present");
  check(bundle_.digest_intact(), "credential digest intact (tamper-evident)");
  check_preregistration(report_, all_passed_, bindings());
  check_chain_binding(report_, all_passed_, bindings());
  print_figures();
  return print_verdict();
}

}  // namespace

int run_gate_mode(const RunContext& ctx, const GateModeSeams& seams) {
  return GateRun(ctx, seams).run();
}

}  // namespace kovra::verifier
