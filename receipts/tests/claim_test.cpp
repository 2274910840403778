#include "receipts/claim.h"

#include <gtest/gtest.h>

#include <string>

#include "base/hex.h"
#include "base/sha256.h"
#include "receipts/receipt_verify.h"
#include "receipts/testing/receipt_writer.h"

namespace kovra::receipts {
namespace {

using testing::sample_digest;

std::vector<uint8_t> bytes_of(std::string_view s) { return {s.begin(), s.end()}; }

Digest counting() {
  std::array<uint8_t, 32> b;
  for (int i = 0; i < 32; ++i) b[i] = uint8_t(i);
  return Digest::from_bytes(b);
}

TEST(ReceiptClaimDigest, ExpectedClaimMatchesIndependentValue) {
  // Computed by tests/data/claim_digests.py ("expected_claim").
  const ReceiptClaim c = expected_claim(counting(), bytes_of("kovra journal"));
  EXPECT_EQ(base::hex_lower(c.digest()),
            "e333acd1bfc02ed649a4158de9af7fe5bbbf1f91efe639df78071e235389757f");
}

TEST(ReceiptClaimDigest, ValueAndDigestFormsAreInterchangeable) {
  const ReceiptClaim full =
      testing::sample_claim(bytes_of("journal"), {{sample_digest(1), sample_digest(9)},
                                                  {sample_digest(2), Digest::zero()}});
  const Digest d = full.digest();

  ReceiptClaim c = full;
  c.pre = Prunable<SystemState>::pruned(full.pre.value().digest());
  EXPECT_EQ(c.digest(), d);
  c.post = Prunable<SystemState>::pruned(full.post.value().digest());
  EXPECT_EQ(c.digest(), d);
  c.input = Prunable<EmptyInput>::pruned(Digest::zero());
  EXPECT_EQ(c.digest(), d);

  Output out = *full.output.value();
  out.journal = Prunable<std::vector<uint8_t>>::pruned(base::sha256_digest(bytes_of("journal")));
  c.output = std::optional<Output>(out);
  EXPECT_EQ(c.digest(), d);
  Assumptions mixed = out.assumptions.value();
  mixed[0] = Prunable<Assumption>::pruned(mixed[0].value().digest());
  out.assumptions = mixed;
  c.output = std::optional<Output>(out);
  EXPECT_EQ(c.digest(), d);
  out.assumptions = Prunable<Assumptions>::pruned(assumptions_digest(mixed));
  c.output = std::optional<Output>(out);
  EXPECT_EQ(c.digest(), d);
  c.output = Prunable<std::optional<Output>>::pruned(out.digest());
  EXPECT_EQ(c.digest(), d);

  // Reordering the assumptions, or swapping pc and root semantics, changes the digest.
  ReceiptClaim reordered = full;
  Output o2 = *full.output.value();
  Assumptions a2 = o2.assumptions.value();
  std::swap(a2[0], a2[1]);
  o2.assumptions = a2;
  reordered.output = std::optional<Output>(o2);
  EXPECT_NE(reordered.digest(), d);
}

TEST(ReceiptClaimDigest, ExitCodeWordsAndAbsentMembers) {
  EXPECT_EQ(exit_code_words(ExitCode::halted(0)), (std::array<uint32_t, 2>{0, 0}));
  EXPECT_EQ(exit_code_words(ExitCode::halted(7)), (std::array<uint32_t, 2>{0, 7}));
  EXPECT_EQ(exit_code_words(ExitCode::paused(3)), (std::array<uint32_t, 2>{1, 3}));
  EXPECT_EQ(exit_code_words(ExitCode::split()), (std::array<uint32_t, 2>{2, 0}));
  EXPECT_EQ(exit_code_words(ExitCode::limit()), (std::array<uint32_t, 2>{2, 2}));

  ReceiptClaim c = expected_claim(counting(), {});
  c.output = std::optional<Output>();
  EXPECT_EQ(c.digest(), receipt_claim_digest(Digest::zero(), counting(),
                                             system_state_digest(0, Digest::zero()),
                                             Digest::zero(), {0, 0}));
  const Output empty{Prunable<std::vector<uint8_t>>(std::vector<uint8_t>{}),
                     Prunable<Assumptions>(Assumptions{})};
  // Computed by tests/data/claim_digests.py ("emptyout").
  EXPECT_EQ(base::hex_lower(empty.digest()),
            "32bf474f1cee2c54dd9df9fcd0dfc10b428f63cb0d4e5613d0c36f66f9fc0663");
  EXPECT_EQ(assumptions_digest(Assumptions{}), Digest::zero());
}

}  // namespace
}  // namespace kovra::receipts
