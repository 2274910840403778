// Succinct, rv32im-segment and chained receipt checks over seals of the test prover.
#include "receipts/stark_receipts.h"

#include <gtest/gtest.h>

#include "base/sha256.h"
#include "receipts/claim_digest.h"
#include "receipts/testing/stark_receipts.h"

namespace kovra::receipts {
namespace {

using namespace receipts::testing;
using Kind = VerificationError::Kind;

constexpr uint32_t kPo2 = 7;

Digest digest_of(uint32_t seed) {
  Digest d;
  for (uint32_t i = 0; i < 8; ++i) d.words[i] = seed * 0x01000193u + i * 0x9e3779b9u;
  return d;
}

// A digest whose words are field elements, as the program-set roots of the tests are.
Digest small_digest(uint32_t seed) {
  Digest d;
  for (uint32_t i = 0; i < 8; ++i) d.words[i] = (seed + i) * 977u;
  return d;
}

// ---- succinct receipts ----

struct SuccinctCase {
  stark::HashSuite suite;
  TestProgramSet set;
  SuccinctReceipt receipt;
  Digest claim;
};

SuccinctCase succinct_case(const stark::HashSuite& suite) {
  SuccinctCase c{suite, make_program_set(suite, test_code_root(suite, kPo2)), {}, digest_of(5)};
  c.receipt = make_succinct_receipt(suite, kPo2, c.set, c.claim,
                                    Prunable<ReceiptClaim>::pruned(c.claim));
  return c;
}

TEST(SuccinctReceipt, VerifiesUnderEverySuite) {
  for (const auto& s : {stark::HashSuite::poseidon2(), stark::HashSuite::sha256(),
                        stark::HashSuite::blake2b()}) {
    const SuccinctCase c = succinct_case(s);
    const VerifyContext ctx = stark_test_context(c.set.root);
    EXPECT_EQ(verify_succinct_receipt(c.receipt, ctx, c.claim), VerificationError::ok()) << s.name;
    EXPECT_EQ(verify_succinct_receipt(c.receipt, ctx, digest_of(6)).kind(),
              Kind::SealClaimMismatch);
  }
}

TEST(SuccinctReceipt, Failures) {
  const SuccinctCase c = succinct_case(stark::HashSuite::poseidon2());
  const VerifyContext ctx = stark_test_context(c.set.root);
  auto with = [&](auto change) {
    SuccinctReceipt r = c.receipt;
    VerifyContext x = ctx;
    change(r, x);
    return verify_succinct_receipt(r, x, c.claim);
  };
  EXPECT_EQ(with([](SuccinctReceipt&, VerifyContext& x) { x.succinct_params.reset(); }).kind(),
            Kind::ParamsMissing);
  {
    VerificationError v = with([](SuccinctReceipt& r, VerifyContext&) { r.params_digest = digest_of(1); });
    EXPECT_EQ(v.kind(), Kind::ParamsMismatch);
    ASSERT_NE(v.digests(), nullptr);
    EXPECT_EQ(v.digests()->received, digest_of(1));
  }
  EXPECT_EQ(with([](SuccinctReceipt& r, VerifyContext& x) {
              x.succinct_params->circuit = ProtocolTag::from_text(kRv32imCircuitTag);
              r.params_digest = x.succinct_params->digest();
            }).kind(),
            Kind::CircuitMismatch);
  EXPECT_EQ(with([](SuccinctReceipt& r, VerifyContext& x) {
              x.succinct_params->proof_system = ProtocolTag::from_text("DURO0_STARK:v2__");
              r.params_digest = x.succinct_params->digest();
            }).kind(),
            Kind::ProofSystemMismatch);
  EXPECT_EQ(with([](SuccinctReceipt& r, VerifyContext&) { r.hash_name = "Poseidon2"; }).kind(),
            Kind::UnknownHashSuite);
  EXPECT_EQ(with([](SuccinctReceipt& r, VerifyContext&) { r.seal.clear(); }).kind(),
            Kind::Malformed);
  EXPECT_EQ(with([](SuccinctReceipt& r, VerifyContext&) { r.seal.resize(20); }).kind(),
            Kind::Malformed);
  EXPECT_EQ(with([](SuccinctReceipt& r, VerifyContext&) { r.seal.push_back(0); }).kind(),
            Kind::Malformed);
  // Code root: another than the seal's, or not under the program-set root.
  {
    VerificationError v = with([](SuccinctReceipt& r, VerifyContext&) { r.code_root = small_digest(3); });
    EXPECT_EQ(v.kind(), Kind::ProgramNotAllowed);
    ASSERT_NE(v.code_root(), nullptr);
    EXPECT_EQ(*v.code_root(), c.receipt.code_root);  // the root read from the seal
  }
  EXPECT_EQ(with([](SuccinctReceipt& r, VerifyContext&) { r.code_root_proof.index ^= 1; }).kind(),
            Kind::ProgramNotAllowed);
  EXPECT_EQ(with([](SuccinctReceipt& r, VerifyContext&) {
              r.code_root_proof.siblings[1].words[0] = 0x78000001u;
            }).kind(),
            Kind::ProgramNotAllowed);
  // Index bits beyond the siblings are ignored.
  EXPECT_TRUE(with([](SuccinctReceipt& r, VerifyContext&) { r.code_root_proof.index |= 8; }).is_ok());
}

TEST(SuccinctReceipt, OutputDecoding) {
  const stark::HashSuite suite = stark::HashSuite::poseidon2();
  const TestProgramSet set = make_program_set(suite, test_code_root(suite, kPo2));
  const VerifyContext ctx = stark_test_context(set.root);
  auto receipt_with_outputs = [&](std::vector<uint32_t> outputs) {
    SuccinctReceipt r = make_succinct_receipt(suite, kPo2, set, digest_of(5),
                                              Prunable<ReceiptClaim>::pruned(digest_of(5)));
    r.seal = stark::testing::prove(test_recursion_circuit(), suite, kPo2, outputs).seal;
    return r;
  };
  // Odd positions 1..15 are not read.
  EXPECT_TRUE(verify_succinct_receipt(receipt_with_outputs(succinct_outputs(set.root, digest_of(5), 12345)),
                                      ctx, digest_of(5))
                  .is_ok());
  // Another output root.
  {
    auto v = verify_succinct_receipt(
        receipt_with_outputs(succinct_outputs(small_digest(9), digest_of(5))), ctx, digest_of(5));
    EXPECT_EQ(v.kind(), Kind::ProgramNotAllowed);
    ASSERT_NE(v.code_root(), nullptr);
    EXPECT_EQ(*v.code_root(), small_digest(9));
  }
  // A claim half-word above 0xFFFF.
  auto outputs = succinct_outputs(set.root, digest_of(5));
  outputs[20] = stark::BabyBearElem::from_u32(0x10000).raw();
  EXPECT_EQ(verify_succinct_receipt(receipt_with_outputs(outputs), ctx, digest_of(5)).kind(),
            Kind::Malformed);
  // The half-word reader on its own.
  std::vector<uint32_t> halves(16, 0xffff);
  auto d = read_half_word_digest(halves);
  ASSERT_TRUE(d.ok());
  EXPECT_EQ(d->words[0], 0xffffffffu);
  halves[3] = 0x10000;
  EXPECT_FALSE(read_half_word_digest(halves).ok());
}

// ---- rv32im segments ----

TEST(SegmentClaim, DecodesTheGlobals) {
  SegmentSpec spec{digest_of(1), digest_of(2), digest_of(3), digest_of(4), 1, 7, 0};
  auto seal_of = [](const SegmentSpec& s) {
    std::vector<uint32_t> seal{2};
    const auto g = segment_globals(s);
    seal.insert(seal.end(), g.begin(), g.end());
    seal.push_back(7);
    return seal;
  };
  {
    auto c = decode_segment_claim(seal_of(spec));
    ASSERT_TRUE(c.ok()) << c.error();
    EXPECT_EQ(c->exit_code, ExitCode::halted(7));
    EXPECT_EQ(c->pre.value(), (SystemState{0, digest_of(1)}));
    EXPECT_EQ(c->post.value(), (SystemState{0, Digest::zero()}));  // halted: zero post root
    EXPECT_EQ(c->input.digest(), digest_of(3));
    EXPECT_EQ(c->output.digest(), digest_of(4));
  }
  spec.halt_type = 1;
  {
    auto c = decode_segment_claim(seal_of(spec));
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c->exit_code, ExitCode::paused(7));
    EXPECT_EQ(c->post.value(), (SystemState{0, digest_of(2)}));
  }
  spec.halt_type = 2;
  {
    auto c = decode_segment_claim(seal_of(spec));
    ASSERT_FALSE(c.ok());
    EXPECT_EQ(c.error(), "Illegal halt type: 2");
  }
  for (uint32_t flag : {0u, 2u}) {
    spec.terminate = flag;
    spec.exit_code = 0x12345;  // not range-checked when not terminated
    auto c = decode_segment_claim(seal_of(spec));
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c->exit_code, ExitCode::split());
    EXPECT_EQ(c->output.digest(), Digest::zero());
    EXPECT_EQ(c->post.value(), (SystemState{0, digest_of(2)}));
  }
  spec.terminate = 1;
  spec.halt_type = 0;
  spec.exit_code = 0x10000;
  EXPECT_FALSE(decode_segment_claim(seal_of(spec)).ok());
  spec.exit_code = 0;
  auto bad_half = seal_of(spec);
  bad_half[1 + 60] = stark::BabyBearElem::from_u32(0x10000).raw();  // in the pre-state root
  EXPECT_FALSE(decode_segment_claim(bad_half).ok());
  auto bad_version = seal_of(spec);
  bad_version[0] = 3;
  EXPECT_EQ(decode_segment_claim(bad_version).error(), "seal version mismatch");
}

TEST(Rv32imSegment, VerifiesAndChecksItsClaim) {
  const VerifyContext ctx = stark_test_context(Digest::zero());
  const Rv32imReceipt seg = make_segment({digest_of(1), digest_of(2), digest_of(3), digest_of(4)});
  EXPECT_TRUE(verify_rv32im_segment(seg, ctx).is_ok());
  auto with = [&](auto change) {
    Rv32imReceipt r = seg;
    VerifyContext x = ctx;
    change(r, x);
    return verify_rv32im_segment(r, x);
  };
  EXPECT_TRUE(with([](Rv32imReceipt& r, VerifyContext&) {
                r.index = 9;
                r.params_digest = digest_of(8);
                r.claim.pre = Prunable<SystemState>::pruned(r.claim.pre.value().digest());
              }).is_ok());
  EXPECT_EQ(with([](Rv32imReceipt& r, VerifyContext&) { r.hash_name = "sha-256"; }).kind(),
            Kind::UnknownHashSuite);
  EXPECT_EQ(with([](Rv32imReceipt&, VerifyContext& x) { x.segment_params.reset(); }).kind(),
            Kind::ParamsMissing);
  EXPECT_EQ(with([](Rv32imReceipt&, VerifyContext& x) {
              x.segment_params->circuit = ProtocolTag::from_text(kRecursionCircuitTag);
            }).kind(),
            Kind::CircuitMismatch);
  EXPECT_EQ(with([](Rv32imReceipt&, VerifyContext& x) {
              x.segment_params->proof_system = ProtocolTag::from_text(kRecursionCircuitTag);
            }).kind(),
            Kind::ProofSystemMismatch);
  for (size_t n : {0u, 1u, 91u})
    EXPECT_EQ(with([n](Rv32imReceipt& r, VerifyContext&) { r.seal.resize(n); }).kind(),
              Kind::Malformed)
        << n;
  for (uint32_t version : {1u, 3u})
    EXPECT_EQ(with([version](Rv32imReceipt& r, VerifyContext&) { r.seal[0] = version; }).kind(),
              Kind::Malformed);
  EXPECT_EQ(with([](Rv32imReceipt& r, VerifyContext&) { r.seal.push_back(1); }).kind(),
            Kind::Malformed);
  EXPECT_EQ(with([](Rv32imReceipt& r, VerifyContext&) { r.seal[91] = 25; }).kind(),
            Kind::Malformed);
  EXPECT_EQ(with([](Rv32imReceipt& r, VerifyContext&) { r.seal[5] = stark::BabyBearElem::P; }).kind(),
            Kind::Malformed);
  {
    Rv32imReceipt r = seg;
    r.claim.pre.value().pc = 4;
    const VerificationError v = verify_rv32im_segment(r, ctx);
    EXPECT_EQ(v.kind(), Kind::ClaimMismatch);
    ASSERT_NE(v.digests(), nullptr);
    EXPECT_EQ(v.digests()->expected, r.claim.digest());  // the stored claim's digest first
    EXPECT_EQ(v.digests()->received, seg.claim.digest());
  }
}

// ---- chained receipts ----

ChainedReceipt chain_of(std::vector<Rv32imReceipt> segments) {
  ChainedReceipt c;
  c.segments = std::move(segments);
  return c;
}

// A last segment whose output is held as a value listing `assumptions`.
Rv32imReceipt last_segment_with(const Assumptions& assumptions, const Digest& pre,
                                const std::vector<uint8_t>& journal) {
  Output out{Prunable<std::vector<uint8_t>>(journal), Prunable<Assumptions>(assumptions)};
  Rv32imReceipt seg = make_segment({pre, Digest::zero(), Digest::zero(), out.digest(), 1});
  seg.claim.output = std::optional<Output>(out);
  return seg;
}

TEST(ChainedReceipt, SegmentRules) {
  const VerifyContext ctx = stark_test_context(Digest::zero());
  const Digest a = digest_of(10), b = digest_of(11), c = digest_of(12);
  const Rv32imReceipt split1 = make_segment({a, b, Digest::zero(), Digest::zero(), 0});
  const Rv32imReceipt split_bc = make_segment({b, c, Digest::zero(), Digest::zero(), 0});
  const Rv32imReceipt last = last_segment_with({}, c, {4, 5});
  const Rv32imReceipt last_pruned =
      make_segment({c, Digest::zero(), Digest::zero(), digest_of(4), 1});
  EXPECT_TRUE(verify_chained_receipt(chain_of({last}), ctx).is_ok());
  EXPECT_TRUE(verify_chained_receipt(chain_of({split1, split_bc, last}), ctx).is_ok());
  EXPECT_EQ(verify_chained_receipt(chain_of({}), ctx).kind(), Kind::Malformed);
  EXPECT_EQ(verify_chained_receipt(chain_of({split1, last}), ctx).kind(), Kind::StateChainBroken);
  // A pre-state pruned to exactly the previous post-state's digest continues the chain.
  Rv32imReceipt pruned_pre = split_bc;
  pruned_pre.claim.pre = Prunable<SystemState>::pruned(SystemState{0, b}.digest());
  EXPECT_TRUE(verify_chained_receipt(chain_of({split1, pruned_pre, last}), ctx).is_ok());
  // A halted segment before the last.
  const Rv32imReceipt halted_ab = make_segment({a, b, Digest::zero(), Digest::zero(), 1, 0, 1});
  EXPECT_EQ(verify_chained_receipt(chain_of({halted_ab, split_bc, last}), ctx).kind(),
            Kind::NotSplit);
  // A pruned post-state before the last.
  Rv32imReceipt pruned_post = split1;
  pruned_post.claim.post = Prunable<SystemState>::pruned(SystemState{0, b}.digest());
  EXPECT_EQ(verify_chained_receipt(chain_of({pruned_post, split_bc, last}), ctx).kind(),
            Kind::Malformed);
  // The last output held as a digest.
  EXPECT_EQ(verify_chained_receipt(chain_of({split1, split_bc, last_pruned}), ctx).kind(),
            Kind::Malformed);
  auto claim = chained_receipt_claim(chain_of({split1, split_bc, last_pruned}));
  EXPECT_EQ(claim.error().kind(), Kind::Malformed);
}

TEST(ChainedReceipt, AssumptionsProvenByEveryKind) {
  const stark::HashSuite suite = stark::HashSuite::poseidon2();
  const TestProgramSet set = make_program_set(suite, test_code_root(suite, kPo2));
  const Digest other_root = make_program_set(suite, test_code_root(suite, kPo2), 1).root;
  const VerifyContext ctx = stark_test_context(set.root);
  const VerifyContext dev = stark_test_context(set.root, true);
  const std::vector<uint8_t> journal = {1, 2, 3};

  // Succinct under the current context (zero root) and under another program-set root.
  const Digest claim1 = digest_of(21), claim2 = digest_of(22), claim3 = digest_of(23);
  AssumptionReceipt s1{make_succinct_receipt(suite, kPo2, set, claim1,
                                             Prunable<ReceiptClaim>::pruned(claim1))};
  const TestProgramSet other = make_program_set(suite, test_code_root(suite, kPo2), 1);
  AssumptionReceipt s2{make_succinct_receipt(suite, kPo2, other, claim2,
                                             Prunable<ReceiptClaim>::pruned(claim2))};
  AssumptionReceipt fake{FakeReceipt{Prunable<ReceiptClaim>::pruned(claim3)}};
  ASSERT_EQ(other.root, other_root);

  // A chained assumption: its claim is the chain's claim.
  const Rv32imReceipt inner_last = last_segment_with({}, digest_of(40), journal);
  AssumptionReceipt inner{chain_of({inner_last})};
  const Digest inner_claim = chained_receipt_claim(chain_of({inner_last}))->digest();

  const Assumptions list = {Assumption{claim1, Digest::zero()}, Assumption{claim2, other_root},
                            Assumption{claim3, Digest::zero()},
                            Assumption{inner_claim, Digest::zero()}};
  ChainedReceipt chain = chain_of({last_segment_with(list, digest_of(30), journal)});
  chain.assumption_receipts = {s1, s2, fake, inner};
  EXPECT_TRUE(verify_chained_receipt(chain, dev).is_ok());
  // Outside dev mode the fake assumption is refused.
  EXPECT_EQ(verify_chained_receipt(chain, ctx).kind(), Kind::ProofRejected);

  // The chain's claim carries an empty assumption list.
  auto claim = chained_receipt_claim(chain);
  ASSERT_TRUE(claim.ok());
  EXPECT_TRUE(claim->output.value()->assumptions.value().empty());
  EXPECT_EQ(claim->pre, chain.segments[0].claim.pre);

  auto with = [&](auto change) {
    ChainedReceipt c = chain;
    change(c);
    return verify_chained_receipt(c, dev);
  };
  EXPECT_EQ(with([](ChainedReceipt& c) { c.assumption_receipts.pop_back(); }).kind(), Kind::Malformed);
  {
    auto v = with([&](ChainedReceipt& c) { std::swap(c.assumption_receipts[2], c.assumption_receipts[3]); });
    EXPECT_EQ(v.kind(), Kind::ClaimMismatch);
    ASSERT_NE(v.digests(), nullptr);
    EXPECT_EQ(v.digests()->expected, claim3);
    EXPECT_EQ(v.digests()->received, inner_claim);
  }
  // A chained receipt or a segment cannot prove an assumption under another root.
  EXPECT_EQ(with([&](ChainedReceipt& c) { c.assumption_receipts[1] = inner; }).kind(),
            Kind::ParamsMissing);
  // A succinct receipt formed for another root than its assumption's.
  EXPECT_EQ(with([&](ChainedReceipt& c) { c.assumption_receipts[1] = s1; }).kind(),
            Kind::ParamsMismatch);
}

TEST(ChainedReceipt, AssumptionListForms) {
  const VerifyContext ctx = stark_test_context(Digest::zero());
  const std::vector<uint8_t> journal = {9};
  auto chain_with_assumptions = [&](Prunable<Assumptions> a) {
    Output out{Prunable<std::vector<uint8_t>>(journal), a};
    Rv32imReceipt seg = make_segment({digest_of(50), Digest::zero(), Digest::zero(), out.digest(), 1});
    seg.claim.output = std::optional<Output>(out);
    return chain_of({seg});
  };
  EXPECT_TRUE(verify_chained_receipt(chain_with_assumptions(Prunable<Assumptions>::pruned(Digest::zero())), ctx)
                  .is_ok());
  EXPECT_EQ(verify_chained_receipt(chain_with_assumptions(Prunable<Assumptions>::pruned(digest_of(1))), ctx)
                .kind(),
            Kind::Malformed);
  const Assumptions mixed = {Assumption{digest_of(1), Digest::zero()},
                             Prunable<Assumption>::pruned(digest_of(2)),
                             Assumption{digest_of(3), Digest::zero()}};
  EXPECT_EQ(verify_chained_receipt(chain_with_assumptions(mixed), ctx).kind(), Kind::Malformed);
  auto collected = collect_assumption_values(mixed);
  ASSERT_FALSE(collected.ok());
  EXPECT_EQ(collected.error(), digest_of(2));
  EXPECT_TRUE(collect_assumption_values({})->empty());
  // An assumption receipt of kind succinct, Groth16 or fake reports its stored digest unverified.
  AssumptionReceipt fake{FakeReceipt{Prunable<ReceiptClaim>::pruned(digest_of(7))}};
  EXPECT_EQ(*assumption_claim_digest(fake), digest_of(7));
}

}  // namespace
}  // namespace kovra::receipts
