// The frame shared by the statistic modes (--dsr, --pbo, --cpcv, --vext).
//
// Each of these credentials carries, besides the winning strategy's gate journal, a committed
// statistic over a ledger of trials. Their reports share one shape:
//
//    1  header: double rule, title line(s), double rule (unpainted)
//    2  [check] the core's image id is TRUSTED_IMAGE_ID (whatever --carry / --vrp say)
//    3  the engine-era line of the core's image id (informational)
//    4  [check] the receipt verifies against TRUSTED_IMAGE_ID
//    5  the receipt's journal decodes as the mode's journal; otherwise one failed line
//       naming the decode error, and straight to 12
//    6  [check] the journal's gate journal equals the credential's (no swap)
//    7  [check] the gate policy is a published class
//    8  the mode's own checks and the credential digest
//    9  [check] the portfolio root of every CSV equals the committed data root (an
//       unreadable CSV ends the run with status 2)
//   10  the own-data note with --any-data, else [check] the committed root in the allowlist
//   11  single rule, the mode's figures and its informational verdict line
//   12  double rule and the statistic exit rule: with the dev flag set or a failed check,
//       "CHECKS PASS but ... (exit 3)" and 3 when every check passed, else the mode's failure
//       line and 1; otherwise 3 for a fake receipt, else the success line and 0.
//
// The verdict lines of step 11 inform only: they never change the outcome or the status.
#pragma once

#include <cstdarg>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "base/int128.h"
#include "kovra-core/bundle.h"
#include "kovra-core/records.h"
#include "verifier/side_bindings.h"
#include "verifier/verifier_main.h"

namespace kovra::verifier {

// printf-style formatting into a string (figures and labels with numbers).
std::string format_text(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A committed fixed-point statistic (x 1,000,000) as the floating-point value it stands for.
double fixed_to_double(base::I128 v);

// 60 "═" and 60 "─".
std::string double_rule();
std::string single_rule();

// The closing line of a run whose checks all passed but whose receipt is not a real proof.
inline constexpr std::string_view kChecksPassButFake =
    "⚠️  CHECKS PASS but the receipt is NOT a real STARK (dev/fake). (exit 3)";

// The three-line own-data note of the statistic modes (--any-data).
void print_own_data_note(Report& report);

// One run of a statistic mode over the decoded credential bundle of `ctx`.
class StatisticRun {
 public:
  StatisticRun(const RunContext& ctx, const ReceiptVerifier& verify_receipt);

  const core::CredentialBundle& bundle() const { return bundle_; }
  Report& report() { return report_; }
  bool all_passed() const { return all_passed_; }

  void line(std::string_view text) { report_.line(text); }
  void check(bool outcome, std::string_view label) {
    report_.check_line(all_passed_, outcome, label);
  }

  // Step 1.
  void header(std::initializer_list<std::string_view> title_lines);
  // Steps 2 to 4.
  void check_identity_and_receipt();
  // Steps 6 and 7.
  void check_gate_binding(const core::GateAttestation& journal_gate);
  // [check] "credential digest intact (tamper-evident)".
  void check_digest();
  // Step 9 with the mode's root label; false when a CSV could not be read (its message is
  // already on standard error and the mode must end with status 2).
  [[nodiscard]] bool check_data_root(const core::Bytes32& committed_root,
                                     std::string_view label);
  // Step 10: with --any-data `print_note`, else the allowlist check line; `not_found_tail`
  // follows "data root NOT in canonical allowlist ({roots path})".
  void check_allowlist(const core::Bytes32& committed_root, std::string_view not_found_tail,
                       void (*print_note)(Report&) = print_own_data_note);
  // Step 12: prints the closing line and returns the exit status. The failure line is
  // printed as given (the caller paints it).
  int finish(std::string_view failure_line, std::string_view success_line);

 private:
  const RunContext& ctx_;
  const core::CredentialBundle& bundle_;
  const ReceiptVerifier& verify_receipt_;
  Report& report_;
  bool all_passed_ = true;
};

}  // namespace kovra::verifier
