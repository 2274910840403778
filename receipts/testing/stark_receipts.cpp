#include "receipts/testing/stark_receipts.h"

#include "base/invariant.h"
#include "receipts/stark_receipts.h"
#include "stark/baby_bear.h"

namespace kovra::receipts::testing {
namespace {

using stark::BabyBearElem;

uint32_t mont(uint32_t plain) { return BabyBearElem::from_u32(plain).raw(); }

void put_half_words(std::vector<uint32_t>& g, size_t base, const Digest& d) {
  for (size_t i = 0; i < 8; ++i) {
    g[base + 2 * i] = mont(d.words[i] & 0xffff);
    g[base + 2 * i + 1] = mont(d.words[i] >> 16);
  }
}

}  // namespace

const stark::testing::SyntheticCircuit& test_recursion_circuit() {
  static const stark::testing::SyntheticCircuit c(stark::testing::recursion_shape());
  return c;
}

const stark::testing::SyntheticCircuit& test_rv32im_circuit() {
  static const stark::testing::SyntheticCircuit c(stark::testing::rv32im_shape());
  return c;
}

VerifyContext stark_test_context(const Digest& program_set_root, bool dev_mode) {
  VerifyContext ctx;
  for (auto s : {stark::HashSuite::blake2b(), stark::HashSuite::poseidon2(),
                 stark::HashSuite::sha256()})
    ctx.hash_suites.emplace(s.name, s);
  ctx.segment_params = Rv32imReceiptVerifierParameters{ProtocolTag::from_text(kProofSystemTag),
                                                       ProtocolTag::from_text(kRv32imCircuitTag)};
  ctx.succinct_params = SuccinctReceiptVerifierParameters{
      std::nullopt, program_set_root, ProtocolTag::from_text(kProofSystemTag),
      ProtocolTag::from_text(kRecursionCircuitTag)};
  ctx.dev_mode = dev_mode;
  ctx.recursion_circuit = &test_recursion_circuit().description();
  ctx.rv32im_circuit = &test_rv32im_circuit().description();
  return ctx;
}

TestProgramSet make_program_set(const stark::HashSuite& suite, const Digest& code_root,
                                uint32_t index) {
  const stark::HashFunction& h = *suite.hash;
  for (uint32_t attempt = 0;; ++attempt) {
    Digest leaves[4];
    for (uint32_t i = 0; i < 4; ++i)
      for (uint32_t k = 0; k < 8; ++k) leaves[i].words[k] = mont(1000 * attempt + 10 * i + k);
    leaves[index] = code_root;
    const Digest left = h.hash_pair(leaves[0], leaves[1]);
    const Digest right = h.hash_pair(leaves[2], leaves[3]);
    const Digest root = h.hash_pair(left, right);
    bool reduced = true;
    for (uint32_t w : root.words) reduced &= w < BabyBearElem::P;
    if (!reduced) continue;
    TestProgramSet set;
    set.root = root;
    set.proof.index = index;
    set.proof.siblings = {leaves[index ^ 1], index < 2 ? right : left};
    return set;
  }
}

std::vector<uint32_t> succinct_outputs(const Digest& output_root, const Digest& claim_digest,
                                       uint32_t odd_filler) {
  std::vector<uint32_t> out(32);
  for (size_t i = 0; i < 8; ++i) {
    KOVRA_INVARIANT(output_root.words[i] < BabyBearElem::P, "an output root of field elements");
    out[2 * i] = mont(output_root.words[i]);
    out[2 * i + 1] = mont(odd_filler);
  }
  const auto bytes = claim_digest.bytes();
  for (size_t i = 0; i < 16; ++i) out[16 + i] = mont(bytes[2 * i] | uint32_t{bytes[2 * i + 1]} << 8);
  return out;
}

Digest test_code_root(const stark::HashSuite& suite, uint32_t po2) {
  const auto& c = test_recursion_circuit();
  return stark::testing::prove(c, suite, po2, stark::testing::default_public_words(c))
      .group_roots[stark::kGroupCode];
}

SuccinctReceipt make_succinct_receipt(const stark::HashSuite& suite, uint32_t po2,
                                      const TestProgramSet& set, const Digest& claim_digest,
                                      const Prunable<ReceiptClaim>& claim) {
  const auto outputs = succinct_outputs(set.root, claim_digest);
  SuccinctReceipt r;
  const auto proof = stark::testing::prove(test_recursion_circuit(), suite, po2, outputs);
  r.seal = proof.seal;
  r.code_root = proof.group_roots[stark::kGroupCode];
  r.claim = claim;
  r.hash_name = suite.name;
  r.params_digest = SuccinctReceiptVerifierParameters{std::nullopt, set.root,
                                                      ProtocolTag::from_text(kProofSystemTag),
                                                      ProtocolTag::from_text(kRecursionCircuitTag)}
                        .digest();
  r.code_root_proof = set.proof;
  return r;
}

std::vector<uint32_t> segment_globals(const SegmentSpec& spec) {
  std::vector<uint32_t> g(90, mont(0));
  put_half_words(g, 0, spec.input);
  g[16] = mont(spec.terminate);
  put_half_words(g, 17, spec.output);
  for (size_t i = 33; i < 54; ++i) g[i] = mont(static_cast<uint32_t>(i));  // not in the claim
  put_half_words(g, 54, spec.pre_root);
  put_half_words(g, 70, spec.post_root);
  g[86] = mont(spec.exit_code);
  g[87] = mont(spec.halt_type);
  g[88] = mont(7);
  g[89] = mont(9);
  return g;
}

Rv32imReceipt make_segment(const SegmentSpec& spec, uint32_t po2, uint64_t seed) {
  const auto globals = segment_globals(spec);
  Rv32imReceipt seg;
  seg.seal = stark::testing::prove(test_rv32im_circuit(), stark::HashSuite::poseidon2(), po2,
                                   globals, {stark::testing::Lie::None, seed})
                 .seal;
  seg.hash_name = "poseidon2";
  auto claim = decode_segment_claim(seg.seal);
  KOVRA_INVARIANT(claim.ok(), "a test segment decodes");
  seg.claim = *claim;
  return seg;
}

}  // namespace kovra::receipts::testing
