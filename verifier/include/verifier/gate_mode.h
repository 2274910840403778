// The default mode: verifies a gate credential and prints its full report.
//
// The check sequence, each a check line unless noted:
//    1  load the bar lists (carry: the funding directory instead); an unreadable CSV ends
//       the run with status 2 before any line
//    2  a warning line in a dev run (DURO0_DEV_MODE set, or a fake receipt)
//    3  the guest image id is the trusted one (the carry or VRP guest with --carry / --vrp)
//    4  the engine-era line (informational)
//    5  the receipt verifies against the trusted id
//    6  the receipt's journal decodes as the gate journal and equals the credential's
//  7-8  the aux and track bindings (side_bindings.h)
//    9  the data root recomputed from the user's data (carry / VRP / portfolio / single
//       series); --vrp with other than 2 CSVs ends the run here with status 2
//   10  the committed root in the canonical allowlist (not with --any-data)
//   11  the gate policy is a published class; 12 the in-proof canonical flag; 13 format v4
//   14  a note on how risk was marked
//   15  the exposure card; 16 the regime panel and the annualisation rule C1
//   17  the cost floor (not for carry or VRP)
//   18  the gate verdict (informational); 19 a strategy commitment; 20 the credential digest
// 21-22 the pre-registration and chain bindings
//   23  the figures block and the verdict
//
// Rule C1 (annualisation bound to the data): with n = bars, span = window_end - window_start
// and p = periods_per_year, it holds when n >= 2, span >= 1 and (n - 1) * 31,536,000 >=
// p * span, the products exact in 128 bits (31,536,000 seconds in 365 days).
//
// Exit status: 1 when a check failed; otherwise 3 in a dev run, else 0 (also for a verified
// published FAIL), after the elapsed-time line.
#pragma once

#include <cstdint>
#include <functional>

#include "kovra-core/records.h"
#include "verifier/platform.h"
#include "verifier/side_bindings.h"
#include "verifier/verifier_main.h"

namespace kovra::verifier {

// What the mode takes from outside besides the run: how a receipt is verified, and the clock
// of the elapsed-time line (read for the start instant before the banner and again at the
// verdict).
struct GateModeSeams {
  ReceiptVerifier verify_receipt;
  std::function<platform::Clock::time_point()> now;

  // The program's seams: Receipt::verify under the embedded verification context, and the
  // monotonic clock.
  static GateModeSeams program();
};

// Runs the mode on the decoded bundle of `ctx` and returns the exit status.
int run_gate_mode(const RunContext& ctx, const GateModeSeams& seams);

// Rule C1 over the committed window.
bool annualisation_bound(uint32_t bars, int64_t window_start, int64_t window_end,
                         uint32_t periods_per_year);

}  // namespace kovra::verifier
