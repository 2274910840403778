#include "groth16/check.h"

#include <gtest/gtest.h>

#include <vector>

#include "groth16/testing/test_key.h"

namespace kovra::groth16 {
namespace {

using base::Digest;
using bn254::G1Affine;
using bn254::G2Affine;
using bn254::PointDecodeError;
using testing::g1_mul;
using testing::g2_mul;
using testing::scalar;
using testing::Scalar;

Digest filled(uint8_t v) {
  std::array<uint8_t, 32> b;
  b.fill(v);
  return Digest::from_bytes(b);
}

struct Fixture {
  testing::TestKeyScalars s = testing::default_test_scalars();
  VerifyingKey vk = testing::make_test_key(s);
  Digest root = filled(0x5a);
  Digest claim = filled(0xc3);
  Digest id = filled(0x04);  // little-endian value below r
  Scalar a = scalar(0x1234567);
  Scalar b = {0x9999, 0x7777, 0, 1};
  std::vector<uint8_t> seal = testing::make_test_seal(s, root, claim, id, a, b);

  base::Status<Groth16Error> run(const std::vector<uint8_t>& sl) const { return run_with(sl, vk); }
  base::Status<Groth16Error> run_with(const std::vector<uint8_t>& sl,
                                      const VerifyingKey& key) const {
    auto check = Groth16Check::from_seal(sl, root, claim, id, key);
    if (!check) return base::Err(check.error());
    return check->verify();
  }
};

std::string outcome(const base::Status<Groth16Error>& s) {
  return s.ok() ? "ok" : s.error().text();
}

TEST(Groth16Check, ValidTestProofVerifies) {
  Fixture f;
  EXPECT_EQ(outcome(f.run(f.seal)), "ok");
  // The same check verifies again with the same outcome.
  auto check = Groth16Check::from_seal(f.seal, f.root, f.claim, f.id, f.vk);
  ASSERT_TRUE(check.ok());
  EXPECT_TRUE(check->verify().ok());
  EXPECT_TRUE(check->verify().ok());
}

TEST(Groth16Check, OtherPointsOrInputsAreInvalidProofs) {
  Fixture f;
  const G1Affine A = g1_mul(f.a);
  const G2Affine B = g2_mul(f.b);
  auto parts = Groth16Seal::split(f.seal);
  ASSERT_TRUE(parts.ok());
  const auto C = decode_g1_coords(parts->c);
  ASSERT_TRUE(C.ok());
  const G1Affine other1 = g1_mul(scalar(77));
  const G2Affine other2 = g2_mul(scalar(77));
  EXPECT_EQ(outcome(f.run(testing::encode_seal(other1, B, *C))), "Invalid proof");
  EXPECT_EQ(outcome(f.run(testing::encode_seal(A, other2, *C))), "Invalid proof");
  EXPECT_EQ(outcome(f.run(testing::encode_seal(A, B, other1))), "Invalid proof");
  // Points at infinity leave their pair out; the proof fails.
  EXPECT_EQ(outcome(f.run(testing::encode_seal(G1Affine::identity(), B, *C))), "Invalid proof");
  EXPECT_EQ(outcome(f.run(testing::encode_seal(A, G2Affine::identity(), *C))), "Invalid proof");
  EXPECT_EQ(outcome(f.run(testing::encode_seal(A, B, G1Affine::identity()))), "Invalid proof");
  EXPECT_EQ(outcome(f.run(testing::encode_seal(G1Affine::identity(), G2Affine::identity(),
                                               G1Affine::identity()))),
            "Invalid proof");
  // Another claim digest changes the public inputs.
  auto check = Groth16Check::from_seal(f.seal, f.root, filled(0xc4), f.id, f.vk);
  ASSERT_TRUE(check.ok());
  EXPECT_EQ(outcome(check->verify()), "Invalid proof");
}

TEST(Groth16Check, SealFaults) {
  Fixture f;
  std::vector<uint8_t> both_flags = f.seal;
  both_flags[32] |= 0xc0;
  auto r = f.run(both_flags);
  ASSERT_FALSE(r.ok());
  ASSERT_NE(r.error().point_error(), nullptr);
  EXPECT_EQ(r.error().point_error()->kind(), PointDecodeError::Kind::UnexpectedFlags);

  // A = (0, 0) is not on the curve.
  r = f.run(std::vector<uint8_t>(256, 0));
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().point_error()->kind(), PointDecodeError::Kind::InvalidData);

  // A coordinate of p or more.
  std::vector<uint8_t> big = f.seal;
  for (int i = 192; i < 224; ++i) big[i] = 0xff;
  big[192] = 0x3f;
  r = f.run(big);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().point_error()->kind(), PointDecodeError::Kind::InvalidData);
}

TEST(Groth16Check, IcCountIsCheckedAfterThePoints) {
  Fixture f;
  for (size_t n : {5u, 7u}) {
    std::vector<G1Affine> ic = f.vk.ic();
    ic.resize(n, g1_mul(scalar(3)));
    auto key = VerifyingKey::from_points(f.vk.alpha(), f.vk.beta(), f.vk.gamma(), f.vk.delta(), ic);
    ASSERT_TRUE(key.ok());
    EXPECT_EQ(outcome(f.run_with(f.seal, *key)), "malformed verifying key");
    // A point that does not decode is reported first.
    std::vector<uint8_t> bad = f.seal;
    bad[32] |= 0xc0;
    auto r = f.run_with(bad, *key);
    ASSERT_FALSE(r.ok());
    ASSERT_NE(r.error().point_error(), nullptr);
  }
}

TEST(Groth16Check, StringLayouts) {
  Fixture f;
  auto check = Groth16Check::from_seal(f.seal, f.root, f.claim, f.id, f.vk);
  ASSERT_TRUE(check.ok());
  const auto& key = check->key_bytes;
  ASSERT_EQ(key.size(), 34650u);
  EXPECT_EQ(key[448], 6);  // ic count, u64 little-endian
  for (int i = 449; i < 456; ++i) EXPECT_EQ(key[i], 0);
  EXPECT_EQ(key[1224], 87);   // lines of -gamma
  EXPECT_EQ(key[17936], 0);   // finite
  EXPECT_EQ(key[17937], 87);  // lines of -delta
  EXPECT_EQ(key[34649], 0);
  ASSERT_EQ(check->proof_bytes.size(), 256u);
  ASSERT_EQ(check->input_bytes.size(), 64u);
  // The proof string holds B.x.c0 little-endian at 64..95; the seal holds it big-endian at
  // 96..127.
  for (int i = 0; i < 32; ++i) EXPECT_EQ(check->proof_bytes[64 + i], f.seal[127 - i]);
}

TEST(Groth16Check, VerifyDecodesItsStringsStrictly) {
  Fixture f;
  auto check = Groth16Check::from_seal(f.seal, f.root, f.claim, f.id, f.vk);
  ASSERT_TRUE(check.ok());
  // Trailing bytes are not looked at.
  Groth16Check longer = *check;
  longer.key_bytes.push_back(1);
  longer.proof_bytes.push_back(1);
  longer.input_bytes.push_back(1);
  EXPECT_TRUE(longer.verify().ok());
  // A key string cut anywhere before its end is a short read.
  for (size_t cut : {0u, 100u, 455u, 900u, 1300u, 17937u, 34649u}) {
    SCOPED_TRACE(cut);
    Groth16Check cut_check = *check;
    cut_check.key_bytes.resize(cut);
    auto r = cut_check.verify();
    ASSERT_FALSE(r.ok());
    ASSERT_NE(r.error().point_error(), nullptr);
    EXPECT_EQ(r.error().point_error()->kind(), PointDecodeError::Kind::IoError);
  }
  // A huge ic count reserves no more points than the remaining bytes hold: read on, the bytes
  // that follow are refused as points, and with nothing after the count it is a short read.
  Groth16Check huge = *check;
  for (int i = 0; i < 8; ++i) huge.key_bytes[448 + i] = 0xff;
  auto r = huge.verify();
  ASSERT_FALSE(r.ok());
  ASSERT_NE(r.error().point_error(), nullptr);
  huge.key_bytes.resize(456);
  r = huge.verify();
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().point_error()->kind(), PointDecodeError::Kind::IoError);
  // One changed coordinate of e(alpha, beta) makes the comparison fail.
  Groth16Check changed = *check;
  changed.key_bytes[840] ^= 1;
  EXPECT_EQ(outcome(changed.verify()), "Invalid proof");
}

TEST(PreparedInputPoint, EdgeCases) {
  const G1Affine p0 = g1_mul(scalar(11)), p1 = g1_mul(scalar(13));
  auto fr = [](const Scalar& s) { return *bn254::Fr::from_canonical(s); };
  const std::vector<bn254::Fr> zeros(5, fr(scalar(0)));
  const std::vector<G1Affine> ic = {p0, p1, p1, p1, p1, p1};
  EXPECT_EQ(prepared_input_point(ic, zeros), p0);

  std::vector<bn254::Fr> one = zeros;
  one[2] = fr(scalar(1));
  EXPECT_EQ(prepared_input_point(ic, one), g1_mul(scalar(24)));

  // r - 1 adds -ic[i]: 11 - 13 = -2.
  std::vector<bn254::Fr> minus = zeros;
  minus[0] = fr(testing::r_minus_one());
  EXPECT_EQ(prepared_input_point(ic, minus), g1_mul(scalar(2)).neg());

  // A term equal to the running sum doubles it; its negative gives the identity.
  const std::vector<G1Affine> same = {p0, p0, p1, p1, p1, p1};
  std::vector<bn254::Fr> first = zeros;
  first[0] = fr(scalar(1));
  EXPECT_EQ(prepared_input_point(same, first), g1_mul(scalar(22)));
  std::vector<bn254::Fr> cancel = zeros;
  cancel[0] = fr(testing::r_minus_one());
  const G1Affine identity = prepared_input_point(same, cancel);
  EXPECT_TRUE(identity.infinity);
  std::vector<uint8_t> enc;
  identity.encode(enc);
  std::vector<uint8_t> want(64, 0);
  want[63] = 0x40;
  EXPECT_EQ(enc, want);
  // Later terms are added to that identity.
  cancel[1] = fr(scalar(2));
  EXPECT_EQ(prepared_input_point(same, cancel), g1_mul(scalar(26)));
}

}  // namespace
}  // namespace kovra::groth16

namespace kovra::groth16 {
namespace {

TEST(Groth16Check, BOutsideTheSubgroupIsRefused) {
  Fixture f;
  const bn254::G2Affine q = testing::twist_point_outside_subgroup();
  ASSERT_TRUE(q.is_on_curve());
  auto parts = Groth16Seal::split(f.seal);
  const auto a = decode_g1_coords(parts->a);
  const auto c = decode_g1_coords(parts->c);
  auto r = f.run(testing::encode_seal(*a, q, *c));
  ASSERT_FALSE(r.ok());
  ASSERT_NE(r.error().point_error(), nullptr);
  EXPECT_EQ(r.error().point_error()->kind(), PointDecodeError::Kind::InvalidData);
}

}  // namespace
}  // namespace kovra::groth16

namespace kovra::groth16 {
namespace {

TEST(Groth16Check, NoPairLeftGivesOneAndFails) {
  // A check whose A, B, C and input point are all at infinity leaves no pair: the Miller value
  // is one, and so is its final exponentiation, which differs from e(alpha, beta).
  Fixture f;
  auto check = Groth16Check::from_seal(f.seal, f.root, f.claim, f.id, f.vk);
  ASSERT_TRUE(check.ok());
  Groth16Check empty = *check;
  empty.proof_bytes.clear();
  G1Affine::identity().encode(empty.proof_bytes);
  G2Affine::identity().encode(empty.proof_bytes);
  G1Affine::identity().encode(empty.proof_bytes);
  empty.input_bytes.clear();
  G1Affine::identity().encode(empty.input_bytes);
  EXPECT_EQ(outcome(empty.verify()), "Invalid proof");
}

}  // namespace
}  // namespace kovra::groth16
