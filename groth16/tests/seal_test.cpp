#include "groth16/seal.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/hex.h"

namespace kovra::groth16 {
namespace {

using base::Digest;
using bn254::Limbs;

Digest digest_of(std::array<uint8_t, 32> b) { return Digest::from_bytes(b); }

Digest counting() {
  std::array<uint8_t, 32> b;
  for (int i = 0; i < 32; ++i) b[i] = uint8_t(i);
  return digest_of(b);
}

Digest filled(uint8_t v) {
  std::array<uint8_t, 32> b;
  b.fill(v);
  return digest_of(b);
}

// The little-endian digest of a canonical value given as limbs.
Digest digest_le(const Limbs& v) {
  std::array<uint8_t, 32> b{};
  for (int i = 0; i < 32; ++i) b[i] = uint8_t(v[i / 8] >> (8 * (i % 8)));
  return digest_of(b);
}

constexpr Limbs kR = {0x43e1f593f0000001, 0x2833e84879b97091, 0xb85045b68181585d,
                      0x30644e72e131a029};

TEST(Groth16Seal, SplitNeedsExactly256Bytes) {
  for (size_t n : {0u, 255u, 257u}) {
    SCOPED_TRACE(n);
    auto s = Groth16Seal::split(std::vector<uint8_t>(n));
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().text(), "Data length mismatch");
  }
  std::vector<uint8_t> seal(256);
  for (size_t i = 0; i < 256; ++i) seal[i] = uint8_t(i / 32);  // coordinate number
  auto s = Groth16Seal::split(seal);
  ASSERT_TRUE(s.ok());
  EXPECT_EQ(s->a, (G1Coords{CoordBytes(32, 0), CoordBytes(32, 1)}));
  EXPECT_EQ(s->b, (G2Coords{{CoordBytes(32, 2), CoordBytes(32, 3)},
                            {CoordBytes(32, 4), CoordBytes(32, 5)}}));
  EXPECT_EQ(s->c, (G1Coords{CoordBytes(32, 6), CoordBytes(32, 7)}));
}

TEST(PublicInputs, DigestHalvesWorkedExample) {
  // Bytes 00 01 .. 1f: low = 0x0f0e0d0c0b0a09080706050403020100,
  //                    high = 0x1f1e1d1c1b1a19181716151413121110.
  auto pair = digest_to_scalar_pair(counting());
  ASSERT_TRUE(pair.ok());
  EXPECT_EQ(pair->first.to_canonical(), (Limbs{0x0706050403020100, 0x0f0e0d0c0b0a0908, 0, 0}));
  EXPECT_EQ(pair->second.to_canonical(), (Limbs{0x1716151413121110, 0x1f1e1d1c1b1a1918, 0, 0}));

  auto ff = digest_to_scalar_pair(filled(0xff));
  ASSERT_TRUE(ff.ok());
  EXPECT_EQ(ff->first.to_canonical(), (Limbs{~0ull, ~0ull, 0, 0}));
  EXPECT_EQ(ff->second.to_canonical(), (Limbs{~0ull, ~0ull, 0, 0}));
}

TEST(PublicInputs, ControlIdIsItsLittleEndianValue) {
  auto id = base::parse_hex_digest(
      "c07a65145c3cb48b6101962ea607a4dd93c753bb26975cb47feb00d3666e4404");
  ASSERT_TRUE(id);
  auto inputs = public_inputs(counting(), filled(0xff), *id);
  ASSERT_TRUE(inputs.ok());
  // 0x04446e66d300eb7fb45c9726bb53c793dda407a62e9601618bb43c5c14657ac0
  EXPECT_EQ((*inputs)[4].to_canonical(), (Limbs{0x8bb43c5c14657ac0, 0xdda407a62e960161,
                                                0xb45c9726bb53c793, 0x04446e66d300eb7f}));
  EXPECT_EQ((*inputs)[0].to_canonical()[0], 0x0706050403020100u);
  EXPECT_EQ((*inputs)[3].to_canonical()[1], ~0ull);
}

TEST(PublicInputs, ControlIdMustBeBelowR) {
  Limbs r_minus_one = kR;
  r_minus_one[0] -= 1;
  EXPECT_TRUE(public_inputs(counting(), counting(), digest_le(r_minus_one)).ok());
  for (const Digest& bad : {digest_le(kR), filled(0xff)}) {
    auto r = public_inputs(counting(), counting(), bad);
    ASSERT_FALSE(r.ok());
    ASSERT_NE(r.error().point_error(), nullptr);
    EXPECT_EQ(r.error().point_error()->kind(), bn254::PointDecodeError::Kind::InvalidData);
  }
}

TEST(PublicInputs, ScalarFromShortBytesIsAnIoError) {
  auto r = scalar_from_be_bytes(std::vector<uint8_t>(31, 1));
  ASSERT_FALSE(r.ok());
  ASSERT_NE(r.error().point_error(), nullptr);
  EXPECT_EQ(r.error().point_error()->kind(), bn254::PointDecodeError::Kind::IoError);
  EXPECT_EQ(r.error().point_error()->io().display(), "failed to fill whole buffer");

  // More than 32 bytes: leading zero bytes change nothing, a non-zero one is out of range.
  std::vector<uint8_t> be(33, 0);
  be[32] = 7;
  auto seven = scalar_from_be_bytes(be);
  ASSERT_TRUE(seven.ok());
  EXPECT_EQ(seven->to_canonical(), (Limbs{7, 0, 0, 0}));
  be[0] = 1;
  auto big = scalar_from_be_bytes(be);
  ASSERT_FALSE(big.ok());
  EXPECT_EQ(big.error().point_error()->kind(), bn254::PointDecodeError::Kind::InvalidData);
}

}  // namespace
}  // namespace kovra::groth16
