// The decoded receipt model's size: lists at their exact length, boxed members with the
// value semantics of plain ones.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "receipts/receipt.h"
#include "receipts/testing/receipt_writer.h"

namespace kovra::receipts {
namespace {

using testing::receipt_bytes;
using testing::sample_claim;
using testing::sample_digest;

constexpr int kCount = 100;

template <class T>
bool exact(const std::vector<T>& v) {
  return v.capacity() == v.size();
}

// Every list in the receipt holds no room beyond its elements.
bool all_exact(const ChainedReceipt& c);

bool all_exact(const ReceiptClaim& claim) {
  if (claim.output.is_pruned() || !claim.output.value()) return true;
  const auto& assumptions = claim.output.value()->assumptions;
  return assumptions.is_pruned() || exact(assumptions.value());
}

bool all_exact(const SuccinctReceipt& s) { return exact(s.code_root_proof.siblings); }

bool all_exact(const ChainedReceipt& c) {
  if (!exact(c.segments) || !exact(c.assumption_receipts)) return false;
  for (const auto& s : c.segments) {
    if (!all_exact(s.claim)) return false;
  }
  for (const auto& a : c.assumption_receipts) {
    const bool inner = a.kind.visit([](const auto& p) {
      using T = std::decay_t<decltype(p)>;
      if constexpr (std::is_same_v<T, ChainedReceipt> || std::is_same_v<T, SuccinctReceipt>)
        return all_exact(p);
      else
        return true;
    });
    if (!inner) return false;
  }
  return true;
}

// The smallest claim a segment can carry: both states and the output in digest form where
// that is shorter, a split exit, the empty input and an absent output as values.
ReceiptClaim smallest_claim() {
  ReceiptClaim c;
  c.pre = Prunable<SystemState>::pruned(sample_digest(1));
  c.post = Prunable<SystemState>::pruned(sample_digest(2));
  c.exit_code = ExitCode::split();
  c.input = EmptyInput{};
  c.output = std::optional<Output>();
  return c;
}

Receipt chained_receipt(ChainedReceipt c) {
  return Receipt{ReceiptProof{ProofKind(std::move(c))}, {}, sample_digest(9)};
}

Receipt with_assumption_receipts(const AssumptionReceipt& a) {
  ChainedReceipt c;
  c.assumption_receipts.assign(kCount, a);
  return chained_receipt(std::move(c));
}

struct ListCase {
  std::string name;
  std::function<Receipt()> make;
};

TEST(ReceiptFootprint, DecodedListsOfSmallestElementsHaveTheirExactLength) {
  // Each list holds kCount elements of the fewest bytes its kind can be written in: a
  // reservation that overstated that size by a byte would fall short and grow the list.
  const ListCase cases[] = {
      {"fake assumption receipts",
       [] {
         return with_assumption_receipts(
             AssumptionReceipt{FakeReceipt{Prunable<ReceiptClaim>::pruned(sample_digest(3))}});
       }},
      {"groth16 assumption receipts",
       [] {
         Groth16Receipt g;
         g.claim = Prunable<ReceiptClaim>::pruned(sample_digest(3));
         return with_assumption_receipts(AssumptionReceipt{g});
       }},
      {"succinct assumption receipts",
       [] {
         SuccinctReceipt s;
         s.claim = Prunable<ReceiptClaim>::pruned(sample_digest(3));
         return with_assumption_receipts(AssumptionReceipt{s});
       }},
      {"chained assumption receipts",
       [] { return with_assumption_receipts(AssumptionReceipt{ChainedReceipt{}}); }},
      {"segments",
       [] {
         ChainedReceipt c;
         c.segments.assign(kCount, Rv32imReceipt{{}, 0, "", Digest{}, smallest_claim()});
         return chained_receipt(std::move(c));
       }},
      {"assumptions of a segment's output",
       [] {
         Rv32imReceipt s{{}, 0, "", Digest{}, sample_claim({1, 2})};
         Assumptions list(kCount, Prunable<Assumption>::pruned(sample_digest(4)));
         s.claim.output.value()->assumptions = std::move(list);
         ChainedReceipt c;
         c.segments = {s, s};
         return chained_receipt(std::move(c));
       }},
      {"nested chained receipts and siblings",
       [] {
         SuccinctReceipt s;
         s.claim = Prunable<ReceiptClaim>::pruned(sample_digest(3));
         s.code_root_proof.siblings.assign(kCount, sample_digest(5));
         ChainedReceipt inner;
         inner.assumption_receipts.assign(kCount, AssumptionReceipt{s});
         ChainedReceipt c;
         c.assumption_receipts.assign(3, AssumptionReceipt{inner});
         return chained_receipt(std::move(c));
       }},
  };
  for (const auto& c : cases) {
    const Receipt receipt = c.make();
    const auto bytes = receipt_bytes(receipt);
    BincodeReader in(bytes);
    auto decoded = Receipt::read_bincode(in);
    ASSERT_TRUE(decoded.ok()) << c.name << ": " << decoded.error().message;
    EXPECT_EQ(*decoded, receipt) << c.name;
    EXPECT_TRUE(all_exact(std::get<ChainedReceipt>(decoded->proof.kind))) << c.name;
  }
}

TEST(ReceiptFootprint, BoxedMembersCopyTheirValues) {
  FakeReceipt a{Prunable<ReceiptClaim>(sample_claim({1, 2, 3}))};
  FakeReceipt b = a;
  EXPECT_EQ(a, b);
  b.claim.value().exit_code = ExitCode::split();
  b.claim.value().output.value()->journal = Prunable<std::vector<uint8_t>>(std::vector<uint8_t>{9});
  EXPECT_NE(a, b);
  EXPECT_EQ(a.claim.value(), sample_claim({1, 2, 3}));
  a = b;
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.claim.value().exit_code, ExitCode::split());
  // The digest form is unchanged by boxing.
  EXPECT_EQ(Prunable<ReceiptClaim>::pruned(sample_digest(6)).digest(), sample_digest(6));
  EXPECT_TRUE(Prunable<ReceiptClaim>().is_value());
}

TEST(ReceiptFootprint, AssumptionProofHoldsEveryProofKindUnchanged) {
  SuccinctReceipt s;
  s.seal = {4, 5};
  s.hash_name = "sha-256";
  s.claim = Prunable<ReceiptClaim>::pruned(sample_digest(3));
  Groth16Receipt g;
  g.seal = {1, 2};
  ChainedReceipt c;
  c.params_digest = sample_digest(7);
  const FakeReceipt f{Prunable<ReceiptClaim>::pruned(sample_digest(8))};
  const ProofKind kinds[] = {ProofKind(c), ProofKind(s), ProofKind(g), ProofKind(f)};
  for (const ProofKind& kind : kinds) {
    const AssumptionProof proof(kind);
    EXPECT_EQ(proof.index(), kind.index());
    const bool same = proof.visit([&](const auto& p) {
      using T = std::decay_t<decltype(p)>;
      return std::holds_alternative<T>(kind) && std::get<T>(kind) == p;
    });
    EXPECT_TRUE(same) << kind.index();
  }
  // A copy of a boxed succinct receipt is its own.
  AssumptionProof a(s);
  AssumptionProof b = a;
  std::get<1>(b)->seal.push_back(6);
  EXPECT_NE(a, b);
  EXPECT_EQ(std::get<1>(a)->seal, (std::vector<uint32_t>{4, 5}));
}

}  // namespace
}  // namespace kovra::receipts
