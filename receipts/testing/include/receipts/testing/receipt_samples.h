// Test receipts of every proof kind over one image id, and the contexts that verify them:
// for seed corpora and any test that wants one receipt of each kind at hand.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "receipts/receipt.h"
#include "receipts/verify_context.h"

namespace kovra::receipts::testing {

// The image id every sample is a receipt of: the digest of the chained sample's first
// pre-state, so that its chain claims the same id as the other samples.
Digest sample_image_id();

// The context under which the samples of the named suite verify (the chained, Groth16 and
// fake samples under "poseidon2"): the STARK test context with the synthetic circuits and the
// suite's test program-set tree (code root at po2 7), the Groth16 test key of the default
// scalars under the poseidon2 tree's root, dev mode on. An unknown name gives the poseidon2
// context.
const VerifyContext& sample_context(std::string_view suite_name);

struct NamedReceipt {
  std::string name;
  Receipt receipt;
};

// Receipts of the clean run of sample_image_id() over `journal`: fake, Groth16 (claim pruned
// and as its value), succinct under each suite, and chained (two segments, the last listing
// five assumptions proven by Groth16, succinct under poseidon2, sha-256 and blake2b trees,
// fake and chained assumption receipts). Each verifies under sample_context of its suite.
std::vector<NamedReceipt> sample_receipts(const std::vector<uint8_t>& journal);

}  // namespace kovra::receipts::testing
