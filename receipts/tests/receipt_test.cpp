#include "receipts/receipt.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "receipts/testing/receipt_writer.h"

namespace kovra::receipts {
namespace {

using base::testing::BincodeWriter;
using testing::receipt_bytes;
using testing::sample_claim;
using testing::sample_digest;

const char kEnd[] = "io error: unexpected end of file";

base::Result<Receipt, BincodeError> decode(const std::vector<uint8_t>& bytes,
                                           size_t* consumed = nullptr) {
  BincodeReader in(bytes);
  auto r = Receipt::read_bincode(in);
  if (consumed) *consumed = in.position();
  return r;
}

std::string decode_error(const std::vector<uint8_t>& bytes) {
  auto r = decode(bytes);
  if (r.ok()) return "(decoded)";
  return r.error().message;
}

// A chained receipt with two segments (mixed value and digest forms, every exit code kind
// with a payload and without) and one assumption receipt of each kind.
ChainedReceipt sample_chain() {
  ChainedReceipt c;
  Rv32imReceipt s0;
  s0.seal = {1, 2, 3};
  s0.index = 0;
  s0.hash_name = "poseidon2";
  s0.params_digest = sample_digest(7);
  s0.claim = sample_claim({});
  s0.claim.exit_code = ExitCode::split();
  s0.claim.output = Prunable<std::optional<Output>>(std::nullopt);
  Rv32imReceipt s1 = s0;
  s1.index = 1;
  s1.claim = sample_claim({'j', 'o'}, {Assumption{sample_digest(1), Digest{}},
                                       Assumption{sample_digest(2), sample_digest(3)}});
  s1.claim.pre = Prunable<SystemState>::pruned(sample_digest(9));
  s1.claim.input = Prunable<EmptyInput>::pruned(sample_digest(10));
  s1.claim.exit_code = ExitCode::paused(5);
  c.segments = {s0, s1};

  ChainedReceipt inner;
  inner.params_digest = sample_digest(40);
  Rv32imReceipt s2 = s0;
  s2.claim.exit_code = ExitCode::limit();
  inner.segments = {s2};
  SuccinctReceipt succ;
  succ.seal = {9};
  succ.code_root = sample_digest(11);
  succ.claim = Prunable<ReceiptClaim>::pruned(sample_digest(12));
  succ.hash_name = "sha-256";
  succ.params_digest = sample_digest(13);
  succ.code_root_proof = MerkleInclusionProof{5, {sample_digest(14), sample_digest(15)}};
  Groth16Receipt g;
  g.seal = {1, 2, 3, 4, 5};
  g.claim = Prunable<ReceiptClaim>::pruned(sample_digest(16));
  g.params_digest = sample_digest(17);
  FakeReceipt f{Prunable<ReceiptClaim>::pruned(sample_digest(18))};
  c.assumption_receipts = {AssumptionReceipt{ProofKind(std::move(inner))},
                           AssumptionReceipt{ProofKind(succ)}, AssumptionReceipt{ProofKind(g)},
                           AssumptionReceipt{ProofKind(f)}};
  c.params_digest = sample_digest(19);
  return c;
}

std::vector<Receipt> receipts_of_every_kind() {
  std::vector<Receipt> out;
  Receipt chained{ReceiptProof{ProofKind(sample_chain())}, {1, 2, 3, 4}, sample_digest(19)};
  out.push_back(chained);

  SuccinctReceipt s;
  s.seal = {0xffffffffu, 0};
  s.code_root = sample_digest(20);
  s.claim = Prunable<ReceiptClaim>(sample_claim({0xff, 0x00}));
  s.hash_name = "blake2b";
  s.params_digest = sample_digest(21);
  s.code_root_proof = MerkleInclusionProof{0, {}};
  out.push_back(Receipt{ReceiptProof{ProofKind(s)}, {}, sample_digest(21)});

  Groth16Receipt g;
  g.seal = std::vector<uint8_t>(256, 0xab);
  ReceiptClaim pruned_members = sample_claim({'x'});
  pruned_members.post = Prunable<SystemState>::pruned(sample_digest(22));
  pruned_members.output.value()->journal = Prunable<std::vector<uint8_t>>::pruned(sample_digest(23));
  pruned_members.output.value()->assumptions = Prunable<Assumptions>::pruned(Digest{});
  g.claim = Prunable<ReceiptClaim>(pruned_members);
  g.params_digest = sample_digest(24);
  out.push_back(Receipt{ReceiptProof{ProofKind(g)}, {'x'}, sample_digest(24)});

  ReceiptClaim fake_claim = sample_claim({'y'});
  fake_claim.output = Prunable<std::optional<Output>>::pruned(sample_digest(25));
  out.push_back(Receipt{ReceiptProof{ProofKind(FakeReceipt{Prunable<ReceiptClaim>(fake_claim)})},
                        {'y'}, Digest{}});
  return out;
}

TEST(ReceiptBincode, EveryKindRoundTripsAndStopsAtItsEnd) {
  for (const Receipt& r : receipts_of_every_kind()) {
    auto bytes = receipt_bytes(r);
    const size_t size = bytes.size();
    bytes.push_back(0x55);  // trailing bytes are the caller's concern
    size_t consumed = 0;
    auto back = decode(bytes, &consumed);
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(*back, r);
    EXPECT_EQ(consumed, size);
  }
}

TEST(ReceiptBincode, CutAtEveryOffsetFails) {
  const auto bytes = receipt_bytes(receipts_of_every_kind()[0]);
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(cut));
    const std::string e = decode_error(prefix);
    EXPECT_TRUE(e == kEnd || e == "io error: ") << "cut " << cut << ": " << e;
  }
}

TEST(ReceiptBincode, FakeReceiptWithPrunedClaimLayout) {
  BincodeWriter w;
  w.u32(3).u32(1).digest(sample_digest(1)).byte_string(std::vector<uint8_t>{7}).digest(Digest{});
  EXPECT_EQ(w.bytes().size(), 4u + 4 + 32 + 8 + 1 + 32);
  auto r = decode(w.bytes());
  ASSERT_TRUE(r.ok());
  const auto& f = std::get<FakeReceipt>(r->proof.kind);
  ASSERT_TRUE(f.claim.is_pruned());
  EXPECT_EQ(f.claim.digest(), sample_digest(1));
  EXPECT_EQ(r->journal, std::vector<uint8_t>{7});
}

TEST(ReceiptBincode, SystemStateReadsPcBeforeStateRoot) {
  BincodeWriter w;
  w.u32(3).u32(0);                        // fake, claim as a value
  w.u32(0).u32(0x1234).digest(sample_digest(5));  // pre: pc, then state root
  w.u32(1).digest(sample_digest(6));      // post pruned
  w.u32(2);                               // Split
  w.u32(0).u8(0);                         // input absent
  w.u32(0).u8(0);                         // output absent
  w.byte_string({}).digest(Digest{});
  auto r = decode(w.bytes());
  ASSERT_TRUE(r.ok()) << r.error().message;
  const auto& claim = std::get<FakeReceipt>(r->proof.kind).claim.value();
  EXPECT_EQ(claim.pre.value().pc, 0x1234u);
  EXPECT_EQ(claim.pre.value().state_root, sample_digest(5));
  EXPECT_EQ(claim.exit_code, ExitCode::split());
  EXPECT_FALSE(claim.output.value().has_value());
}

// Bytes of a fake receipt whose claim (a value) is followed by `tail` instead of the
// input and output members.
std::vector<uint8_t> fake_claim_then(const std::function<void(BincodeWriter&)>& tail) {
  BincodeWriter w;
  w.u32(3).u32(0).u32(1).digest(Digest{}).u32(1).digest(Digest{}).u32(0).u32(0);
  tail(w);
  return w.take();
}

// A chained receipt, no segments, one assumption receipt written by `tail`.
std::vector<uint8_t> assumption_then(const std::function<void(BincodeWriter&)>& tail) {
  BincodeWriter w;
  w.u32(0).u64(0).u64(1);
  tail(w);
  return w.take();
}

TEST(ReceiptBincode, ErrorTexts) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    std::string message;
  };
  BincodeWriter long_name;
  long_name.u32(1).word_list({}).digest(Digest{}).u32(1).digest(Digest{}).u64(100).u8('a');
  BincodeWriter bad_name;
  bad_name.u32(1).word_list({}).digest(Digest{}).u32(1).digest(Digest{}).text("\xff");
  BincodeWriter huge_seal;
  huge_seal.u32(1).u64(uint64_t{1} << 40).u32(1).u32(2);
  BincodeWriter kind4;
  kind4.u32(4);
  BincodeWriter tag2;
  tag2.u32(2).byte_string({}).u32(2);
  const Case cases[] = {
      {"empty remainder", {}, kEnd},
      {"proof kind 4", kind4.take(), "invalid value: integer `4`, expected variant index 0 <= i < 4"},
      {"prunable tag 2", tag2.take(), "invalid value: integer `2`, expected variant index 0 <= i < 2"},
      {"input option byte 1 then 7",
       fake_claim_then([](BincodeWriter& w) { w.u32(0).u8(1).u32(7); }),
       "invalid value: integer `7`, expected variant index 0 <= i < 0"},
      {"input option byte 1, cut", fake_claim_then([](BincodeWriter& w) { w.u32(0).u8(1); }),
       kEnd},
      {"input option byte 2", fake_claim_then([](BincodeWriter& w) { w.u32(0).u8(2); }),
       "tag for enum is not valid, found 2"},
      {"input tag 2", fake_claim_then([](BincodeWriter& w) { w.u32(2); }),
       "invalid value: integer `2`, expected variant index 0 <= i < 2"},
      {"output option byte 3",
       fake_claim_then([](BincodeWriter& w) { w.u32(0).u8(0).u32(0).u8(3); }),
       "tag for enum is not valid, found 3"},
      {"output journal tag 5",
       fake_claim_then([](BincodeWriter& w) { w.u32(0).u8(0).u32(0).u8(1).u32(5); }),
       "invalid value: integer `5`, expected variant index 0 <= i < 2"},
      {"assumption element tag 2",
       fake_claim_then([](BincodeWriter& w) {
         w.u32(0).u8(0).u32(0).u8(1).u32(1).digest(Digest{}).u32(0).u64(1).u32(2);
       }),
       "invalid value: integer `2`, expected variant index 0 <= i < 2"},
      {"exit code kind 4",
       [] {
         BincodeWriter w;
         w.u32(3).u32(0).u32(1).digest(Digest{}).u32(1).digest(Digest{}).u32(4);
         return w.take();
       }(),
       "invalid value: integer `4`, expected variant index 0 <= i < 4"},
      {"assumption receipt kind 4", assumption_then([](BincodeWriter& w) { w.u32(4); }),
       "invalid value: integer `4`, expected variant index 0 <= i < 4"},
      {"assumption claim as a value",
       assumption_then([](BincodeWriter& w) { w.u32(3).u32(0).u32(0); }),
       "invalid value: integer `0`, expected variant index 0 <= i < 0"},
      {"assumption claim tag 2", assumption_then([](BincodeWriter& w) { w.u32(3).u32(2); }),
       "invalid value: integer `2`, expected variant index 0 <= i < 2"},
      {"hash name past the end", long_name.take(), "io error: "},
      {"hash name not utf-8", bad_name.take(),
       "string is not valid utf8: invalid utf-8 sequence of 1 bytes from index 0"},
      {"word list of 2^40 words", huge_seal.take(), kEnd},
  };
  for (const auto& c : cases) EXPECT_EQ(decode_error(c.bytes), c.message) << c.what;
}

TEST(ReceiptBincode, AcceptedShapes) {
  // Zero segments, a pruned assumption claim, a Groth16 seal of any length, an empty
  // assumption list: all decode (verification judges them).
  BincodeWriter w;
  w.u32(0).u64(0).u64(2);
  w.u32(3).u32(1).digest(sample_digest(3));
  w.u32(2).byte_string(std::vector<uint8_t>(3, 1)).u32(1).digest(sample_digest(4)).digest(Digest{});
  w.digest(sample_digest(5)).byte_string({}).digest(sample_digest(5));
  auto r = decode(w.bytes());
  ASSERT_TRUE(r.ok()) << r.error().message;
  const auto& c = std::get<ChainedReceipt>(r->proof.kind);
  EXPECT_TRUE(c.segments.empty());
  ASSERT_EQ(c.assumption_receipts.size(), 2u);
  EXPECT_EQ(std::get<FakeReceipt>(c.assumption_receipts[0].kind).claim.digest(), sample_digest(3));
  EXPECT_EQ(std::get<Groth16Receipt>(c.assumption_receipts[1].kind).seal.size(), 3u);

  Receipt empty_list = receipts_of_every_kind()[3];
  auto& fake = std::get<FakeReceipt>(empty_list.proof.kind);
  fake.claim = Prunable<ReceiptClaim>(sample_claim({}, {}));
  auto back = decode(receipt_bytes(empty_list));
  ASSERT_TRUE(back.ok());
  EXPECT_TRUE(std::get<FakeReceipt>(back->proof.kind)
                  .claim.value().output.value()->assumptions.value().empty());
}

// A top-level chained receipt holding a chain of `levels` chained receipts in all.
Receipt nested(int levels) {
  ChainedReceipt c;
  c.params_digest = sample_digest(1);
  for (int i = 1; i < levels; ++i) {
    ChainedReceipt outer;
    outer.params_digest = sample_digest(1);
    outer.assumption_receipts.push_back(AssumptionReceipt{ProofKind(std::move(c))});
    c = std::move(outer);
  }
  return Receipt{ReceiptProof{ProofKind(std::move(c))}, {}, sample_digest(1)};
}

TEST(ReceiptBincode, NestingIsBounded) {
  auto ok = decode(receipt_bytes(nested(kMaxChainedNesting)));
  ASSERT_TRUE(ok.ok()) << ok.error().message;
  EXPECT_EQ(*ok, nested(kMaxChainedNesting));
  auto deep = decode(receipt_bytes(nested(kMaxChainedNesting + 1)));
  ASSERT_FALSE(deep.ok());
  EXPECT_EQ(deep.error().kind, base::BincodeErrorKind::NestingTooDeep);
  EXPECT_EQ(deep.error().message, "chained receipts nested deeper than 64 levels");
}

TEST(ReceiptBincode, CraftedHundredThousandLevelNestingIsRefusedWithoutRecursion) {
  // Each level: no segments, one assumption receipt of kind 0. Written as raw bytes: a
  // reader recursing once per level would exhaust the stack long before the end.
  BincodeWriter w;
  w.u32(0);
  for (int i = 0; i < 100'000; ++i) w.u64(0).u64(1).u32(0);
  EXPECT_EQ(decode_error(w.bytes()), "chained receipts nested deeper than 64 levels");
}

}  // namespace
}  // namespace kovra::receipts
