#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/hex.h"
#include "groth16/testing/test_key.h"
#include "receipts/receipt_verify.h"
#include "receipts/testing/test_context.h"
#include "receipts/verify_context.h"

namespace kovra::receipts {
namespace {

using base::VerificationError;
using Kind = VerificationError::Kind;
namespace g16 = groth16::testing;

Digest filled(uint8_t v) {
  std::array<uint8_t, 32> b;
  b.fill(v);
  return Digest::from_bytes(b);
}

Digest with_byte(const Digest& d, size_t i, uint8_t x) {
  auto b = d.bytes();
  b[i] ^= x;
  return Digest::from_bytes(b);
}

Digest halves_swapped(const Digest& d) {
  auto b = d.bytes();
  std::array<uint8_t, 32> s;
  for (int i = 0; i < 16; ++i) {
    s[i] = b[16 + i];
    s[16 + i] = b[i];
  }
  return Digest::from_bytes(s);
}

std::vector<uint8_t> journal() { return {'j', 'o', 'u', 'r', 'n', 'a', 'l', 0, 1, 2}; }

struct World {
  g16::TestKeyScalars scalars = g16::default_test_scalars();
  Digest root = program_set_root();
  Digest id = bn254_id();
  Digest image = filled(0x1d);
  VerifyContext ctx = testing::groth16_test_context(scalars, root, id);
  Receipt receipt = testing::groth16_test_receipt(ctx, scalars, image, journal());
};

Groth16Receipt& groth16_of(Receipt& r) { return std::get<Groth16Receipt>(r.proof.kind); }

// Sets both parameter digests of the receipt to those of the context, so that a changed
// context member reaches the seal check.
void match_params(Receipt& r, const VerifyContext& ctx) {
  r.params_digest = ctx.groth16_params->digest();
  groth16_of(r).params_digest = r.params_digest;
}

std::vector<uint8_t> reseal(const std::vector<uint8_t>& seal, int which, const g16::Scalar& k) {
  // Replaces point A (0), B (1) or C (2) of a seal by another valid point of its group.
  std::vector<uint8_t> out = seal;
  std::vector<uint8_t> other = g16::encode_seal(g16::g1_mul(k), g16::g2_mul(k), g16::g1_mul(k));
  const size_t from = which == 0 ? 0 : which == 1 ? 64 : 192;
  const size_t len = which == 1 ? 128 : 64;
  std::copy(other.begin() + from, other.begin() + from + len, out.begin() + from);
  return out;
}

TEST(Groth16Receipt, ValidTestProofVerifiesPrunedOrValue) {
  World w;
  EXPECT_EQ(w.receipt.verify_with(w.ctx, w.image), VerificationError::ok());
  const Receipt value_form = testing::groth16_test_receipt(w.ctx, w.scalars, w.image, journal(),
                                                           /*claim_pruned=*/false);
  EXPECT_EQ(value_form.verify_with(w.ctx, w.image), VerificationError::ok());
  // Both forms give the same public inputs: the seals are the same.
  EXPECT_EQ(groth16_of(w.receipt).seal, std::get<Groth16Receipt>(value_form.proof.kind).seal);
}

TEST(Groth16Receipt, TamperTable) {
  struct Case {
    std::string name;
    std::function<void(World&)> tamper;
    Kind kind;
  };
  const std::vector<Case> cases = {
      {"untouched", [](World&) {}, Kind::Ok},
      {"A changed",
       [](World& w) {
         groth16_of(w.receipt).seal = reseal(groth16_of(w.receipt).seal, 0, g16::scalar(3));
       },
       Kind::ProofRejected},
      {"B changed",
       [](World& w) {
         groth16_of(w.receipt).seal = reseal(groth16_of(w.receipt).seal, 1, g16::scalar(3));
       },
       Kind::ProofRejected},
      {"C changed",
       [](World& w) {
         groth16_of(w.receipt).seal = reseal(groth16_of(w.receipt).seal, 2, g16::scalar(3));
       },
       Kind::ProofRejected},
      {"claim digest byte changed",
       [](World& w) {
         auto& c = groth16_of(w.receipt).claim;
         c = Prunable<ReceiptClaim>::pruned(with_byte(c.digest(), 5, 0x01));
       },
       Kind::ProofRejected},
      {"journal byte changed", [](World& w) { w.receipt.journal[0] ^= 1; }, Kind::ClaimMismatch},
      {"control root halves swapped",
       [](World& w) {
         w.ctx.groth16_params->program_set_root = halves_swapped(w.root);
         match_params(w.receipt, w.ctx);
       },
       Kind::ProofRejected},
      {"control id not below r",
       [](World& w) {
         w.ctx.groth16_params->bn254_id = filled(0xff);
         match_params(w.receipt, w.ctx);
       },
       Kind::Malformed},
      {"255 seal bytes", [](World& w) { groth16_of(w.receipt).seal.pop_back(); }, Kind::Malformed},
      {"257 seal bytes", [](World& w) { groth16_of(w.receipt).seal.push_back(0); },
       Kind::Malformed},
      {"both flag bits set", [](World& w) { groth16_of(w.receipt).seal[32] |= 0xc0; },
       Kind::Malformed},
      {"B outside the subgroup",
       [](World& w) {
         auto& seal = groth16_of(w.receipt).seal;
         const auto q = g16::encode_seal(g16::g1_generator(), g16::twist_point_outside_subgroup(),
                                         g16::g1_generator());
         std::copy(q.begin() + 64, q.begin() + 192, seal.begin() + 64);
       },
       Kind::Malformed},
      {"parameter digest of another key",
       [](World& w) {
         g16::TestKeyScalars other = w.scalars;
         other.delta = g16::scalar(99);
         const VerifyContext o = testing::groth16_test_context(other, w.root, w.id);
         match_params(w.receipt, o);
       },
       Kind::ParamsMismatch},
      {"parameter digest of another root",
       [](World& w) {
         const VerifyContext o = testing::groth16_test_context(w.scalars, filled(1), w.id);
         match_params(w.receipt, o);
       },
       Kind::ParamsMismatch},
      {"receipt digest differs from the proof's",
       [](World& w) { w.receipt.params_digest = with_byte(w.receipt.params_digest, 0, 1); },
       Kind::Malformed},
      {"no Groth16 parameters", [](World& w) { w.ctx.groth16_params.reset(); },
       Kind::ParamsMissing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    c.tamper(w);
    const VerificationError e = w.receipt.verify_with(w.ctx, w.image);
    EXPECT_EQ(kind_name(e.kind()), kind_name(c.kind));
  }
}

TEST(Groth16Receipt, PayloadsOfMismatches) {
  World w;
  const Digest other_image = filled(0x2e);
  const auto e = w.receipt.verify_with(w.ctx, other_image);
  ASSERT_EQ(e.kind(), Kind::ClaimMismatch);
  EXPECT_EQ(e.digests()->expected, expected_claim(other_image, journal()).digest());
  EXPECT_EQ(e.digests()->received, expected_claim(w.image, journal()).digest());

  Receipt r = w.receipt;
  groth16_of(r).params_digest = filled(7);
  r.params_digest = filled(7);
  const auto m = r.verify_with(w.ctx, w.image);
  ASSERT_EQ(m.kind(), Kind::ParamsMismatch);
  EXPECT_EQ(m.digests()->expected, w.ctx.groth16_params->digest());
  EXPECT_EQ(m.digests()->received, filled(7));
}

TEST(Groth16Receipt, AssumptionContextHasNoGroth16Parameters) {
  World w;
  const VerifyContext derived = VerifyContext::for_assumption(w.ctx, filled(3));
  EXPECT_EQ(groth16_of(w.receipt).verify(derived).kind(), Kind::ParamsMissing);
  ASSERT_TRUE(derived.succinct_params.has_value());
  EXPECT_EQ(derived.succinct_params->program_set_root, filled(3));
  EXPECT_FALSE(derived.segment_params.has_value());
}

}  // namespace
}  // namespace kovra::receipts
