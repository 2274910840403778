#include "verifier/statistic_frame.h"

#include <cstdio>
#include <variant>

#include "kovra-core/merkle.h"
#include "verifier/canonical_roots.h"
#include "verifier/era_registry.h"
#include "verifier/gate_class.h"
#include "verifier/image_ids.h"
#include "verifier/price_csv.h"

namespace kovra::verifier {

std::string format_text(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, fmt, args);
  va_end(args);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(out.data(), out.size(), fmt, again);
    out.resize(static_cast<size_t>(n));
  }
  va_end(again);
  return out;
}

double fixed_to_double(base::I128 v) { return static_cast<double>(v) / 1'000'000.0; }

namespace {

std::string repeat(std::string_view piece, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out.append(piece);
  return out;
}

}  // namespace

std::string double_rule() { return repeat("═", 60); }
std::string single_rule() { return repeat("─", 60); }

void print_own_data_note(Report& report) {
  report.line("  ◔  SUBMITTER-COMMITTED DATA (own-data tier, --any-data): root not pinned");
  report.line("      to the canonical allowlist — verify against a copy of this market's");
  report.line("      data from a source YOU trust; a matching root closes the tier (U5).");
}

StatisticRun::StatisticRun(const RunContext& ctx, const ReceiptVerifier& verify_receipt)
    : ctx_(ctx), bundle_(*ctx.bundle), verify_receipt_(verify_receipt), report_(ctx.report) {}

void StatisticRun::header(std::initializer_list<std::string_view> title_lines) {
  line(double_rule());
  for (std::string_view t : title_lines) line(t);
  line(double_rule());
  all_passed_ = true;
}

void StatisticRun::check_identity_and_receipt() {
  check(bundle_.core.image_id == TRUSTED_IMAGE_ID, "guest image id matches the program we trust");
  print_engine_era(report_, bundle_.core.image_id);
  check(verify_receipt_(bundle_.receipt, TRUSTED_IMAGE_ID).is_ok(),
        "zk receipt verifies (proof is real)");
}

void StatisticRun::check_gate_binding(const core::GateAttestation& journal_gate) {
  check(journal_gate == bundle_.core.journal,
        "committed gate journal matches the credential (no swap)");
  check_gate_class(report_, all_passed_, journal_gate.gate);
}

void StatisticRun::check_digest() {
  check(bundle_.digest_intact(), "credential digest intact (tamper-evident)");
}

bool StatisticRun::check_data_root(const core::Bytes32& committed_root, std::string_view label) {
  auto lists = load_price_csvs(ctx_.values.csv_paths);
  if (!lists) {
    report_.error_line(lists.error().message());
    return false;
  }
  check(core::portfolio_root(*lists) == committed_root, label);
  return true;
}

void StatisticRun::check_allowlist(const core::Bytes32& committed_root,
                                   std::string_view not_found_tail,
                                   void (*print_note)(Report&)) {
  if (ctx_.values.any_data) {
    print_note(report_);
    return;
  }
  if (const auto label = lookup_canonical_root(ctx_.values.roots_path, committed_root)) {
    check(true, "data root pinned to canonical allowlist: " + *label);
  } else {
    check(false, "data root NOT in canonical allowlist (" + ctx_.values.roots_path + ")" +
                     std::string(not_found_tail));
  }
}

int StatisticRun::finish(std::string_view failure_line, std::string_view success_line) {
  line(double_rule());
  const bool fake = std::holds_alternative<receipts::FakeReceipt>(bundle_.receipt.proof.kind);
  const int status = statistic_exit_status(all_passed_, ctx_.dev, fake);
  if (status == 3) {
    line(kChecksPassButFake);
  } else if (status == 1) {
    line(failure_line);
  } else {
    line(success_line);
  }
  return status;
}

}  // namespace kovra::verifier
