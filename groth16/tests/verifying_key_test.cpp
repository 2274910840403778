#include "groth16/verifying_key.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/sha256.h"
#include "base/tagged_digest.h"
#include "groth16/testing/test_key.h"

namespace kovra::groth16 {
namespace {

using bn254::G1Affine;
using bn254::G2Affine;
using bn254::PointDecodeError;
using testing::g1_mul;
using testing::g2_mul;
using testing::scalar;

CoordBytes be(const bn254::Fq& v) {
  const bn254::Limbs c = v.to_canonical();
  CoordBytes out;
  for (int w = 3; w >= 0; --w)
    for (int b = 7; b >= 0; --b) out.push_back(uint8_t(c[w] >> (8 * b)));
  return out;
}

G1Coords coords(const G1Affine& p) { return {be(p.x), be(p.y)}; }
G2Coords coords(const G2Affine& p) {
  return {{be(p.x.c1), be(p.x.c0)}, {be(p.y.c1), be(p.y.c0)}};
}

PointDecodeError::Kind point_kind(const Groth16Error& e) {
  EXPECT_NE(e.point_error(), nullptr) << e.text();
  return e.point_error() ? e.point_error()->kind() : PointDecodeError::Kind::NotEnoughSpace;
}

TEST(DecodeCoords, RoundTripsValidPoints) {
  const G1Affine p = g1_mul(scalar(12345));
  const G2Affine q = g2_mul(scalar(678));
  auto dp = decode_g1_coords(coords(p));
  ASSERT_TRUE(dp.ok()) << dp.error().text();
  EXPECT_EQ(*dp, p);
  auto dq = decode_g2_coords(coords(q));
  ASSERT_TRUE(dq.ok()) << dq.error().text();
  EXPECT_EQ(*dq, q);
  // 0x80 in the flag bits has no effect.
  G1Coords flagged = coords(p);
  flagged[1][0] |= 0x80;
  EXPECT_EQ(*decode_g1_coords(flagged), p);
}

TEST(DecodeCoords, WrongShapes) {
  const G1Coords g1 = coords(testing::g1_generator());
  for (const G1Coords& bad : {G1Coords{g1[0]}, G1Coords{g1[0], g1[1], g1[1]}}) {
    auto r = decode_g1_coords(bad);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().text(), "Malformed G1 field element");
  }
  const G2Coords g2 = coords(testing::g2_generator());
  for (G2Coords bad : {G2Coords{g2[0]}, G2Coords{g2[0], {g2[1][0]}},
                       G2Coords{g2[0], {g2[1][0], g2[1][1], g2[1][1]}}}) {
    auto r = decode_g2_coords(bad);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().text(), "Malformed G2 field element");
  }
}

TEST(DecodeCoords, FlagsOrderAndLengths) {
  G1Coords inf = {CoordBytes(32, 0), CoordBytes(32, 0)};
  inf[1][0] = 0x40;
  auto p = decode_g1_coords(inf);
  ASSERT_TRUE(p.ok());
  EXPECT_TRUE(p->infinity);
  inf[1][0] = 0xc0;
  EXPECT_EQ(point_kind(decode_g1_coords(inf).error()), PointDecodeError::Kind::UnexpectedFlags);

  // [y, x] of a G1 point and the wrong Fq2 pairing of a G2 point are off their curves.
  const G1Coords g1 = coords(testing::g1_generator());
  EXPECT_EQ(point_kind(decode_g1_coords(G1Coords{g1[1], g1[0]}).error()),
            PointDecodeError::Kind::InvalidData);
  const G2Coords g2 = coords(testing::g2_generator());
  const G2Coords swapped = {{g2[0][1], g2[0][0]}, {g2[1][1], g2[1][0]}};
  EXPECT_EQ(point_kind(decode_g2_coords(swapped).error()), PointDecodeError::Kind::InvalidData);

  // A 31-byte and a 33-byte string join to the same 64 bytes as x and y would.
  const G1Affine q = g1_mul(scalar(99));
  const G1Coords c = coords(q);
  CoordBytes joined = c[0];
  joined.insert(joined.end(), c[1].begin(), c[1].end());
  // reversed(x31) || reversed(y33) must equal reversed(x) || reversed(y).
  std::vector<uint8_t> le(c[0].rbegin(), c[0].rend());
  le.insert(le.end(), c[1].rbegin(), c[1].rend());
  const CoordBytes x31(le.rend() - 31, le.rend());
  const CoordBytes y33(le.rbegin(), le.rbegin() + 33);
  auto odd = decode_g1_coords(G1Coords{x31, y33});
  ASSERT_TRUE(odd.ok()) << odd.error().text();
  EXPECT_EQ(*odd, q);

  auto short_read = decode_g1_coords(G1Coords{CoordBytes(31, 0), CoordBytes(31, 0)});
  ASSERT_FALSE(short_read.ok());
  EXPECT_EQ(point_kind(short_read.error()), PointDecodeError::Kind::IoError);
}

TEST(VerifyingKey, RefusesAnyPointAtInfinity) {
  const G1Affine g1 = g1_mul(scalar(5));
  const G2Affine g2 = g2_mul(scalar(7));
  const std::vector<G1Affine> ic(6, g1);
  EXPECT_TRUE(VerifyingKey::from_points(g1, g2, g2, g2, ic).ok());
  std::vector<G1Affine> ic_with_identity = ic;
  ic_with_identity[3] = G1Affine::identity();
  const std::vector<base::Result<VerifyingKey, Groth16Error>> refused = {
      VerifyingKey::from_points(G1Affine::identity(), g2, g2, g2, ic),
      VerifyingKey::from_points(g1, G2Affine::identity(), g2, g2, ic),
      VerifyingKey::from_points(g1, g2, G2Affine::identity(), g2, ic),
      VerifyingKey::from_points(g1, g2, g2, G2Affine::identity(), ic),
      VerifyingKey::from_points(g1, g2, g2, g2, ic_with_identity),
  };
  for (const auto& r : refused) {
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().setup_error(), bn254::Groth16SetupError::MalformedVerifyingKey);
    EXPECT_EQ(r.error().text(), "malformed verifying key");
  }
}

TEST(VerifyingKey, DigestFoldsTheIcListFromTheEnd) {
  const G1Affine a = g1_mul(scalar(2));
  const G2Affine b = g2_mul(scalar(3)), c = g2_mul(scalar(4)), d = g2_mul(scalar(5));
  const G1Affine i0 = g1_mul(scalar(6)), i1 = g1_mul(scalar(7));
  auto head = [&](const base::Digest& ic) {
    return base::tagged_digest("duro0_groth16.VerifyingKey",
                               {hash_g1_point(a), hash_g2_point(b), hash_g2_point(c),
                                hash_g2_point(d), ic});
  };
  EXPECT_EQ(verifying_key_digest(*VerifyingKey::from_points(a, b, c, d, {})),
            head(base::Digest::zero()));
  EXPECT_EQ(verifying_key_digest(*VerifyingKey::from_points(a, b, c, d, {i0})),
            head(base::tagged_list_digest("duro0_groth16.VerifyingKey.IC", hash_g1_point(i0),
                                          base::Digest::zero())));
  const auto two = verifying_key_digest(*VerifyingKey::from_points(a, b, c, d, {i0, i1}));
  EXPECT_NE(two, verifying_key_digest(*VerifyingKey::from_points(a, b, c, d, {i1, i0})));
  // (1, 2) hashes as 32 big-endian bytes each.
  std::vector<uint8_t> generator_be(64, 0);
  generator_be[31] = 1;
  generator_be[63] = 2;
  EXPECT_EQ(hash_g1_point(testing::g1_generator()), base::sha256_digest(generator_be));
}

}  // namespace
}  // namespace kovra::groth16
