// The deflated-Sharpe mode (--dsr): the winner's DSR against the best of N committed trials.
#include "kovra-core/journal.h"
#include "verifier/statistic_frame.h"
#include "verifier/statistic_modes.h"

namespace kovra::verifier {

int run_dsr_mode(const RunContext& ctx, const ReceiptVerifier& verify_receipt) {
  StatisticRun run(ctx, verify_receipt);
  Report& report = run.report();
  run.header({"KOVRA · DSR VERIFIER  (deflated Sharpe · N committed · trials proven)"});
  run.check_identity_and_receipt();

  const std::string failure =
      report.paint("1;31", "❌ DSR VERIFICATION FAILED — do not rely on this credential.");
  const std::string success = report.paint(
      "1;32", "✅ DSR INDEPENDENTLY VERIFIED — N committed, every trial proven, deflation honest.");

  const auto journal = core::DsrJournal::from_words(run.bundle().receipt.journal);
  if (!journal) {
    run.check(false, "journal is not a DsrJournal (" + journal.error().fmt() +
                         ") — not a DSR credential");
    return run.finish(failure, success);
  }
  const core::DsrJournal& j = *journal;
  run.check_gate_binding(j.gate);
  run.check(j.gate.gate_passed, "the winning strategy cleared the gate (zk-attested)");
  run.check(j.all_trials_bound,
            "EVERY trial's Sharpe re-derived + bound in-circuit — V[SR] is proof-grade");
  run.check(j.trials != 0 && j.trials == j.ledger.leaf_count,
            "N == committed trial-ledger leaf count");
  run.check_digest();

  if (!run.check_data_root(
          j.gate.data_root,
          "winner data root recomputed from YOUR CSV matches the committed root")) {
    return 2;
  }
  run.check_allowlist(j.gate.data_root,
                      " — substituted/unknown dataset; --any-data verifies the own-data tier "
                      "(loudly unpinned)");

  run.line(single_rule());
  run.line(format_text("  Trials committed (N) : %llu", static_cast<unsigned long long>(j.trials)));
  run.line(format_text("  Observed Sharpe      : %.3f (per-obs)", fixed_to_double(j.observed_sharpe)));
  run.line(format_text("  SR₀ (N-deflation)    : %.3f", fixed_to_double(j.sr0)));
  run.line(format_text("  DEFLATED SHARPE (DSR): %.4f", fixed_to_double(j.dsr)));
  run.line("  Significance bar     : DSR ≥ 0.95 (Bailey–López de Prado)");
  if (j.dsr >= 950'000) {
    run.line("  Verdict              : SIGNIFICANT at 95% — the edge survives the best-of-N "
             "correction ✓");
  } else {
    run.line(format_text("  Verdict              : NOT significant at 95%% (DSR %.2f) — this edge "
                         "does not survive multiple testing across N=%llu trials",
                         fixed_to_double(j.dsr), static_cast<unsigned long long>(j.trials)));
  }
  run.line("  Strategy             : ***NEVER REVEALED***");
  return run.finish(failure, success);
}

}  // namespace kovra::verifier
