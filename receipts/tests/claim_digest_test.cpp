#include "receipts/claim_digest.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "base/hex.h"
#include "base/sha256.h"
#include "base/testing/digests.h"
#include "receipts/verifier_params.h"

namespace kovra::receipts {
namespace {

// The expected hexadecimal values below were computed independently by
// tests/data/claim_digests.py (Python hashlib over the byte layout of each tagged digest:
// SHA-256(tag) || down digests || data words u32 LE || u16 LE count of down digests).

using base::testing::counting;
using base::testing::filled;

// Byte count of a tagged digest's preimage.
size_t hashed_bytes(size_t down, size_t data) { return 32 + 32 * down + 4 * data + 2; }

TEST(ClaimDigest, ByteCountsOfEachRecord) {
  EXPECT_EQ(hashed_bytes(1, 1), 70u);   // SystemState
  EXPECT_EQ(hashed_bytes(2, 0), 98u);   // Assumption, Output, one list step
  EXPECT_EQ(hashed_bytes(4, 2), 170u);  // ReceiptClaim
  EXPECT_EQ(hashed_bytes(4, 0), 162u);  // SuccinctReceiptVerifierParameters
  EXPECT_EQ(hashed_bytes(3, 0), 130u);  // Groth16ReceiptVerifierParameters

  // The SystemState digest is SHA-256 over exactly the 70 bytes of its layout.
  std::vector<uint8_t> pre;
  auto t = base::sha256_digest(kSystemStateTag).bytes();
  pre.insert(pre.end(), t.begin(), t.end());
  auto r = filled(0xff).bytes();
  pre.insert(pre.end(), r.begin(), r.end());
  for (int b : {0x00, 0x10, 0x00, 0x00, 0x01, 0x00}) pre.push_back(static_cast<uint8_t>(b));
  ASSERT_EQ(pre.size(), 70u);
  EXPECT_EQ(system_state_digest(0x1000, filled(0xff)), base::sha256_digest(pre));
}

TEST(ClaimDigest, ExpectedClaimOfAnImageAndJournal) {
  // pre pruned to the image id, post = SystemState(pc 0, zero root), Halted(0), no input,
  // output = (SHA-256 of the journal, empty assumptions).
  const std::string_view journal = "kovra journal";
  const Digest post = system_state_digest(0, Digest::zero());
  const Digest out = output_digest(base::sha256_digest(journal), Digest::zero());
  const Digest claim = receipt_claim_digest(Digest::zero(), counting(), post, out, {0, 0});
  EXPECT_EQ(base::hex_lower(claim),
            "e333acd1bfc02ed649a4158de9af7fe5bbbf1f91efe639df78071e235389757f");
}

TEST(ClaimDigest, AssumptionsFoldAndExitWords) {
  const Digest a1 = assumption_digest(filled(1), Digest::zero());
  EXPECT_EQ(base::hex_lower(a1),
            "c320504471ef34af45e6c941ee816ee4cf9b1eaa848f416ca948b841d0fea996");
  const std::vector<Digest> elems = {a1, filled(2)};
  const Digest list = assumptions_digest(elems);
  EXPECT_EQ(base::hex_lower(list),
            "132ee8512396f3b6edcbe9b44cf707edc73d96e901740e953c1053c2291a5169");
  const std::vector<Digest> reordered = {filled(2), a1};
  EXPECT_NE(assumptions_digest(reordered), list);
  EXPECT_EQ(assumptions_digest(std::vector<Digest>{}), Digest::zero());

  const Digest pre = system_state_digest(0x1000, filled(0xff));
  const Digest out = output_digest(base::sha256_digest(std::string_view("")), list);
  // Split contributes the words (2, 0).
  const Digest claim = receipt_claim_digest(Digest::zero(), pre, filled(3), out, {2, 0});
  EXPECT_EQ(base::hex_lower(claim),
            "bbc9f998ed21287de6d266b3d7fadd3cd7a02ea76211b2b85928fd6e8ca3a189");
  // Limit is (2, 2): told from Split by its user word only.
  EXPECT_NE(receipt_claim_digest(Digest::zero(), pre, filled(3), out, {2, 2}), claim);
}

TEST(ClaimDigest, PresentEmptyOutputIsNotZero) {
  const Digest empty = output_digest(base::sha256_digest(std::string_view("")), Digest::zero());
  EXPECT_EQ(base::hex_lower(empty),
            "32bf474f1cee2c54dd9df9fcd0dfc10b428f63cb0d4e5613d0c36f66f9fc0663");
  EXPECT_FALSE(empty.is_zero());
}

TEST(VerifierParams, SuccinctDigestRepeatsTheRootWithoutOutputRoot) {
  SuccinctReceiptVerifierParameters p{std::nullopt, program_set_root(),
                                      ProtocolTag::from_text(kProofSystemTag),
                                      ProtocolTag::from_text(kRecursionCircuitTag)};
  EXPECT_EQ(base::hex_lower(p.digest()),
            "20c72887e4f0f78dd432fa1b61c8371fc38a98af0688cbd2bfed11db6bdbd969");
  SuccinctReceiptVerifierParameters with_root = p;
  with_root.output_root = program_set_root();
  EXPECT_EQ(with_root.digest(), p.digest());
  with_root.output_root = filled(7);
  EXPECT_NE(with_root.digest(), p.digest());
}

}  // namespace
}  // namespace kovra::receipts
