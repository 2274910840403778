#include "base/tagged_digest.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/hex.h"
#include "base/sha256.h"
#include "base/testing/digests.h"

namespace kovra::base {
namespace {

using base::testing::counting;
using base::testing::filled;

// The preimage written out by hand, to check the layout and the byte count it hashes.
std::vector<uint8_t> preimage(std::string_view tag, std::vector<Digest> down,
                              std::vector<uint32_t> data) {
  std::vector<uint8_t> out;
  auto t = sha256_digest(tag).bytes();
  out.insert(out.end(), t.begin(), t.end());
  for (auto& d : down) {
    auto b = d.bytes();
    out.insert(out.end(), b.begin(), b.end());
  }
  for (uint32_t w : data)
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(w >> (8 * i)));
  out.push_back(uint8_t(down.size()));
  out.push_back(uint8_t(down.size() >> 8));
  return out;
}

// Expected values were computed independently with Python's hashlib over the same layout:
//   H = lambda b: hashlib.sha256(b).digest()
//   td = lambda tag, down, data: H(H(tag) + b"".join(down)
//                                   + b"".join(struct.pack("<I", w) for w in data)
//                                   + struct.pack("<H", len(down)))
TEST(TaggedDigest, MatchesIndependentComputation) {
  const Digest d = tagged_digest("duro0.SystemState", {counting()}, {7});
  EXPECT_EQ(hex_lower(d), "6b514cd080b70980eabdd54854881be6d367b60a86a33d9517cbc82d0e36a201");
  auto pre = preimage("duro0.SystemState", {counting()}, {7});
  EXPECT_EQ(pre.size(), 70u);
  EXPECT_EQ(sha256_digest(pre), d);

  const Digest five = tagged_digest(
      "duro0_groth16.VerifyingKey",
      {counting(), filled(0xff), Digest::zero(), counting(), filled(0xff)});
  EXPECT_EQ(hex_lower(five), "ba219a1a9bca048f7616660f2814dd6c1c785c41e99e23462aef702c701e8dd0");
  EXPECT_EQ(preimage("duro0_groth16.VerifyingKey",
                     {counting(), filled(0xff), Digest::zero(), counting(), filled(0xff)}, {})
                .size(),
            194u);
}

TEST(TaggedDigest, CountsDownDigestsOnlyAndOrdersThem) {
  // Moving a value from the data words into the down digests changes the trailing count.
  EXPECT_NE(tagged_digest("t", {counting()}, {0, 0}), tagged_digest("t", {counting()}, {}));
  EXPECT_NE(tagged_digest("t", {counting(), filled(1)}), tagged_digest("t", {filled(1), counting()}));
  EXPECT_NE(tagged_digest("t", {counting()}, {1, 2}), tagged_digest("t", {counting()}, {2, 1}));
  EXPECT_NE(tagged_digest("t", {counting()}), tagged_digest("u", {counting()}));
}

TEST(TaggedDigest, ListDigestIsTwoDownDigests) {
  const Digest d = tagged_list_digest("duro0.Assumptions", filled(1), Digest::zero());
  EXPECT_EQ(d, tagged_digest("duro0.Assumptions", {filled(1), Digest::zero()}));
  auto pre = preimage("duro0.Assumptions", {filled(1), Digest::zero()}, {});
  EXPECT_EQ(pre.size(), 98u);
  EXPECT_EQ(sha256_digest(pre), d);
  EXPECT_EQ(hex_lower(d), "3f8bb7eca621c3bdd467411cf433e35655c6d4c2ec4736139a89144ff2a2df4c");
}

TEST(TaggedDigest, ListFoldStartsFromTheLastElement) {
  const std::vector<Digest> none;
  EXPECT_EQ(tagged_list_fold("duro0.Assumptions", none), Digest::zero());

  const std::vector<Digest> e = {filled(1), filled(2), filled(3)};
  const Digest folded = tagged_list_fold("duro0.Assumptions", e);
  const Digest by_hand = tagged_list_digest(
      "duro0.Assumptions", e[0],
      tagged_list_digest("duro0.Assumptions", e[1],
                         tagged_list_digest("duro0.Assumptions", e[2], Digest::zero())));
  EXPECT_EQ(folded, by_hand);
  EXPECT_EQ(hex_lower(folded), "4f8861f9ddf0d2c57d1446f86e476d444026ea4b3daead5033db2208190d8c5a");

  const std::vector<Digest> swapped = {filled(2), filled(1), filled(3)};
  EXPECT_NE(tagged_list_fold("duro0.Assumptions", swapped), folded);
}

}  // namespace
}  // namespace kovra::base
