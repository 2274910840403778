// The attestation mode (--label-schema, --structural, --hrp): an attestation bundle of one of
// three families, checked end to end.
//
// The file is the prefix "KVATTB1\0" and the bincode of an AttestationBundle; a file shorter
// than 9 bytes or without the prefix, and one whose rest does not decode, are refused with
// status 2 after the title block. Then, each a check line unless noted:
//   identity    the image id is TRUSTED_IMAGE_ID (always the live era's); the engine-era
//               line (informational); the receipt verifies; the core's family is the one
//               asked for; the core binds the SHA-256 of the receipt's journal; the V3 digest
//   journal     read with the reader of the family asked for (not the one the core names);
//               a journal that does not read is one failed line, and the run goes straight
//               to the closing block
//   family      the family's rules on the committed numbers, a single rule, its figures
//   data        the core's surfaced root equals the journal's; the CSV count equals the
//               family's series count (HRP: its asset count), then the Merkle root of the one
//               CSV or the portfolio root of all of them equals the journal's root (an
//               unreadable CSV ends the run with status 2)
//   provenance  the allowlist line, or two "not pinned" lines with --any-data
//   closing     single rule, the issuer, double rule, and the statistic exit rule
//
// HRP weights must sum to exactly 1,000,000: the sum is taken with overflow detection, so a
// list whose true sum differs fails even when its sum wrapped modulo 2^128 would not.
#pragma once

#include <span>

#include "base/int128.h"
#include "kovra-core/records.h"
#include "verifier/side_bindings.h"
#include "verifier/verifier_main.h"

namespace kovra::verifier {

// Runs the mode on the bundle bytes of `ctx` (not decoded yet) and returns the exit status.
int run_attestation_mode(const RunContext& ctx, core::AttestationFamily family,
                         const ReceiptVerifier& verify_receipt);

// The HRP weight rule: a non-empty list of non-negative weights whose exact sum (no
// wrapping) is 1,000,000.
bool hrp_weights_partition_unity(std::span<const base::I128> weights);

}  // namespace kovra::verifier
