// Test support for STARK receipts: succinct receipts and rv32im segments proven by the test
// prover over synthetic circuits, the program-set trees they are allowed under, and contexts
// that verify them through Receipt::verify.
#pragma once

#include <cstdint>
#include <vector>

#include "receipts/receipt.h"
#include "receipts/verify_context.h"
#include "stark/hash_suite.h"
#include "stark/testing/prover.h"

namespace kovra::receipts::testing {

// Synthetic circuits of the two production shapes (small widths).
const stark::testing::SyntheticCircuit& test_recursion_circuit();
const stark::testing::SyntheticCircuit& test_rv32im_circuit();

// A context like the program's (the three suites, segment and succinct parameters), with
// `program_set_root` as the succinct program-set root, the synthetic circuits in place of the
// built-in ones, and dev mode as given.
VerifyContext stark_test_context(const Digest& program_set_root, bool dev_mode = false);

// A program-set tree of four leaves under the suite holding `code_root` at `index`, whose root
// is a digest of field elements (so that a seal's outputs can carry it).
struct TestProgramSet {
  Digest root;
  MerkleInclusionProof proof;
};
TestProgramSet make_program_set(const stark::HashSuite& suite, const Digest& code_root,
                                uint32_t index = 2);

// The 32 output words (Montgomery form): the output root at the even positions 0..14 (the odd
// ones hold `odd_filler`), the claim digest as sixteen half-words at 16..31.
std::vector<uint32_t> succinct_outputs(const Digest& output_root, const Digest& claim_digest,
                                       uint32_t odd_filler = 0);

// The recursion program's code root: the root of the synthetic circuit's code group at po2.
Digest test_code_root(const stark::HashSuite& suite, uint32_t po2);

// A succinct receipt whose seal proves `claim_digest` under the suite, allowed by `set`
// (its root is both the program-set root and the output root), with params_digest formed for
// that root. The claim member is `claim`.
SuccinctReceipt make_succinct_receipt(const stark::HashSuite& suite, uint32_t po2,
                                      const TestProgramSet& set, const Digest& claim_digest,
                                      const Prunable<ReceiptClaim>& claim);

// The claim parts of one segment and how its execution ended.
struct SegmentSpec {
  Digest pre_root;
  Digest post_root;
  Digest input;
  Digest output;       // the output digest (terminated segments)
  uint32_t terminate = 1;
  uint32_t exit_code = 0;
  uint32_t halt_type = 0;
};

// The 90 globals of a segment (Montgomery form), the parts laid out as half-word pairs.
std::vector<uint32_t> segment_globals(const SegmentSpec& spec);

// A segment proven by the synthetic rv32im circuit whose stored claim is the decoded one.
Rv32imReceipt make_segment(const SegmentSpec& spec, uint32_t po2 = 7, uint64_t seed = 1);

}  // namespace kovra::receipts::testing
