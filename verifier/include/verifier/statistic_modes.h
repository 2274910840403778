// The statistic modes: deflated Sharpe (--dsr), backtest overfitting (--pbo, composed or per
// trial), combinatorial purged cross-validation (--cpcv) and validation-ext (--vext).
//
// Each runs the common frame of statistic_frame.h over the decoded credential bundle of the
// run and returns the exit status. The DSR, PBO and CPCV modes check the committed
// parameters and flags of their journals; the validation-ext mode also recomputes every
// statistic that its committed inputs determine (kovra-core/dsr.h) and requires equality bit
// for bit.
//
//   --pbo     the journal is read as a composed PboAggJournal first, and as a per-trial
//             PboJournal when that fails; the per-trial reader's error is the one reported
//   --vext    a journal without its statistics block fails closed: the data root and
//             allowlist lines still print, then no further checks and no figures
#pragma once

#include <cstdint>

#include "verifier/side_bindings.h"
#include "verifier/verifier_main.h"

namespace kovra::verifier {

int run_dsr_mode(const RunContext& ctx, const ReceiptVerifier& verify_receipt);
int run_pbo_mode(const RunContext& ctx, const ReceiptVerifier& verify_receipt);
int run_cpcv_mode(const RunContext& ctx, const ReceiptVerifier& verify_receipt);
int run_vext_mode(const RunContext& ctx, const ReceiptVerifier& verify_receipt);

// The canonical SPA block length for a sample of n bars: the smallest c >= 1 with c^3 >= n
// (1 for 0 and 1, 2 for 8, 3 for 9), exact for every 64-bit n (at most 2,642,246).
uint64_t spa_block_length(uint64_t n);

// The pinned constants of the validation-ext credential.
inline constexpr uint32_t kSpaReplicates = 400;   // Hansen SPA bootstrap replicates B
inline constexpr int64_t kPsrBar = 950'000;       // PSR >= 0.95
inline constexpr int64_t kPValueBar = 50'000;     // p <= 0.05

}  // namespace kovra::verifier
