// Journal records of every kind with distinct, plausible values, for tests and seed corpora:
// the statistic journals hold the disclosing sample gate journal; the attestation journals a
// sample data root. Tests bind what their data decides (roots, the gate, the trial guest).
#pragma once

#include <cstdint>

#include "kovra-core/journal.h"

namespace kovra::core::testing {

// A ledger of `leaves` trials with two sample digests.
TrialLedger sample_ledger(uint64_t leaves);

DsrJournal sample_dsr_journal();             // 24 trials
PboJournal sample_pbo_journal();             // per-trial PBO: 12 trials, 8 splits
PboAggJournal sample_pbo_agg_journal();      // composed PBO: 20 trials, 16 splits
CpcvJournal sample_cpcv_journal();           // 15 paths over 6 groups, 2 test groups
// 24 trials; the statistics block holds its inputs (1,500 bars, a Sharpe of 0.142 per bar, two
// Romano-Wolf survivors) but none of the members derived from them.
ValidationExtGuestJournal sample_vext_journal();
LabelSchemaJournal sample_label_schema_journal();  // 150 bars, 12 events
StructuralJournal sample_structural_journal();     // 150 bars, 3 breaks
HrpJournal sample_hrp_journal();                   // 2 assets, 149 observations

}  // namespace kovra::core::testing
