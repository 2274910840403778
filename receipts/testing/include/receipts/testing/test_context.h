// Test support for receipt verification: contexts built from parts (a test key from known
// scalars, any roots, dev mode) and Groth16 receipts that verify under them.
#pragma once

#include <cstdint>
#include <vector>

#include "groth16/testing/test_key.h"
#include "receipts/receipt.h"
#include "receipts/verify_context.h"

namespace kovra::receipts::testing {

// A context holding only Groth16 parameters (test key of `scalars`, the given roots) and the
// dev flag; no hash suites, segment or succinct parameters.
VerifyContext groth16_test_context(const groth16::testing::TestKeyScalars& scalars,
                                   const Digest& program_set_root, const Digest& bn254_id,
                                   bool dev_mode = false);

// A Groth16 receipt for expected_claim(image_id, journal) whose seal verifies under the
// context (which must hold the test key of `scalars`), with parameter digests matching it.
// The claim is held pruned or as its value.
Receipt groth16_test_receipt(const VerifyContext& ctx,
                             const groth16::testing::TestKeyScalars& scalars,
                             const Digest& image_id, const std::vector<uint8_t>& journal,
                             bool claim_pruned = true);

// The receipt of `proof` over `journal` that names `params_digest`.
Receipt receipt_of(ProofKind proof, std::vector<uint8_t> journal, const Digest& params_digest);

// A fake receipt carrying `claim` and the given parameter digest.
Receipt fake_receipt(const ReceiptClaim& claim, const std::vector<uint8_t>& journal,
                     const Digest& params_digest);

}  // namespace kovra::receipts::testing
