// The canonical byte form: field elements, flag bits, point validation on reading, and the
// texts of the error values.
#include <gtest/gtest.h>

#include <vector>

#include "bn254/errors.h"
#include "bn254/fq12.h"
#include "bn254/g1.h"
#include "bn254/g2.h"
#include "bn254/testing/random.h"

namespace kovra::bn254 {
namespace {

using base::ByteReader;
using Bytes = std::vector<uint8_t>;

Fq fq(uint64_t v) { return *Fq::from_canonical({v, 0, 0, 0}); }

const Bytes kPMinusOne = {0x46, 0xfd, 0x7c, 0xd8, 0x16, 0x8c, 0x20, 0x3c, 0x8d, 0xca, 0x71,
                          0x68, 0x91, 0x6a, 0x81, 0x97, 0x5d, 0x58, 0x81, 0x81, 0xb6, 0x45,
                          0x50, 0xb8, 0x29, 0xa0, 0x31, 0xe1, 0x72, 0x4e, 0x64, 0x30};

Bytes with_first(Bytes b, uint8_t first) {
  b[0] = first;
  return b;
}
Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Bytes encode(const Fq& f) {
  Bytes b;
  f.write_canonical(b);
  return b;
}
Bytes encode(const G1Affine& p) {
  Bytes b;
  p.encode(b);
  return b;
}
Bytes encode(const G2Affine& p) {
  Bytes b;
  p.encode(b);
  return b;
}

PointDecodeError::Kind fq_read_error(const Bytes& b) {
  ByteReader r(b);
  auto v = Fq::read(r);
  EXPECT_FALSE(v.ok());
  return v.ok() ? PointDecodeError::Kind::NotEnoughSpace : v.error().kind();
}

using Kind = PointDecodeError::Kind;

TEST(FqEncoding, CanonicalLittleEndian) {
  EXPECT_EQ(encode(FQ_MINUS_ONE), kPMinusOne);
  ByteReader r(kPMinusOne);
  EXPECT_EQ(*Fq::read(r), FQ_MINUS_ONE);
  EXPECT_TRUE(r.empty());
  EXPECT_EQ(fq_read_error(with_first(kPMinusOne, 0x47)), Kind::InvalidData);  // p itself
  EXPECT_EQ(encode(Fq::zero()), Bytes(32, 0));
}

TEST(FqEncoding, ShortAndLongInput) {
  const Bytes b31(kPMinusOne.begin(), kPMinusOne.end() - 1);
  ByteReader r31(b31);
  auto e = Fq::read(r31);
  ASSERT_FALSE(e.ok());
  EXPECT_EQ(e.error(), PointDecodeError::short_read());
  EXPECT_EQ(e.error().io().message, "failed to fill whole buffer");
  EXPECT_TRUE(r31.empty());

  const Bytes b33 = concat({kPMinusOne, {0x07}});
  ByteReader r33(b33);
  EXPECT_TRUE(Fq::read(r33).ok());
  EXPECT_EQ(r33.remaining(), 1u);
}

TEST(FqEncoding, FlagBits) {
  Bytes one = encode(FQ_ONE);
  for (uint8_t flag : {uint8_t{0x40}, uint8_t{0x80}}) {
    Bytes b = one;
    b[31] |= flag;
    EXPECT_EQ(fq_read_error(b), Kind::InvalidData);  // at least 2^254 as a plain value
    ByteReader r(b);
    auto v = Fq::read_with_flags(r);
    ASSERT_TRUE(v.ok());
    EXPECT_EQ(v->value, FQ_ONE);
    EXPECT_EQ(v->flags, flag);
  }
  Bytes both = one;
  both[31] |= 0xC0;
  ByteReader r(both);
  auto v = Fq::read_with_flags(r);
  ASSERT_FALSE(v.ok());
  EXPECT_EQ(v.error(), PointDecodeError::unexpected_flags());
  // With a flag cleared the value must still be below p.
  Bytes p_flagged = with_first(kPMinusOne, 0x47);
  p_flagged[31] |= 0x80;
  ByteReader rp(p_flagged);
  auto vp = Fq::read_with_flags(rp);
  ASSERT_FALSE(vp.ok());
  EXPECT_EQ(vp.error(), PointDecodeError::invalid_data());
  Bytes out;
  FQ_ONE.write_canonical_with_flags(0x80, out);
  EXPECT_EQ(out.back(), 0x80);
  EXPECT_EQ(out[0], 1);
}

TEST(PointEncoding, SignFlags) {
  const Fq half_down = *Fq::from_canonical(testing::limbs_from_hex(
      "183227397098d014dc2822db40c0ac2ecbc0b548b438e5469e10460b6c3e7ea3"));  // (p - 1)/2
  const Fq half_up = half_down.add(FQ_ONE);                                 // (p + 1)/2
  ASSERT_EQ(half_down.add(half_up), Fq::zero());
  struct G1Case {
    Fq y;
    uint8_t flags;
  };
  for (const G1Case& c : {G1Case{half_down, 0x00}, G1Case{half_up, 0x80}, G1Case{Fq{}, 0x00}}) {
    EXPECT_EQ((G1Affine{FQ_ONE, c.y, false}.encoding_flags()), c.flags);
  }
  EXPECT_EQ(G1Affine::identity().encoding_flags(), 0x40);
  struct G2Case {
    Fq2 y;
    uint8_t flags;
  };
  const Fq m1 = FQ_MINUS_ONE;
  for (const G2Case& c : {G2Case{Fq2{m1, Fq{}}, 0x80}, G2Case{Fq2{FQ_ONE, m1}, 0x80},
                          G2Case{Fq2{m1, FQ_ONE}, 0x00}, G2Case{Fq2{}, 0x00}}) {
    EXPECT_EQ((G2Affine{Fq2::one(), c.y, false}.encoding_flags()), c.flags);
  }
  EXPECT_EQ(G2Affine::identity().encoding_flags(), 0x40);
}

TEST(PointEncoding, G1ReadRules) {
  const G1Affine g = testing::g1_generator();
  const Bytes enc = encode(g);
  ASSERT_EQ(enc.size(), 64u);
  EXPECT_EQ(*G1Affine::decode(enc), g);
  // 0x80 has no effect on reading.
  Bytes signed_enc = enc;
  signed_enc[63] |= 0x80;
  EXPECT_EQ(*G1Affine::decode(signed_enc), g);
  // 0x40 alone: the point at infinity, whatever the (in-range) coordinates.
  Bytes inf = enc;
  inf[63] |= 0x40;
  EXPECT_EQ(*G1Affine::decode(inf), G1Affine::identity());
  Bytes inf_bad_x = concat({with_first(kPMinusOne, 0x47), Bytes(enc.begin() + 32, enc.end())});
  inf_bad_x[63] |= 0x40;
  EXPECT_EQ(G1Affine::decode(inf_bad_x).error(), PointDecodeError::invalid_data());
  // Both bits: refused, even with an out-of-range y.
  Bytes both = concat({Bytes(32, 0), Bytes(32, 0xff)});
  EXPECT_EQ(G1Affine::decode(both).error(), PointDecodeError::unexpected_flags());
  // Errors come in reading order.
  const Bytes p40 = concat({with_first(kPMinusOne, 0x47), Bytes(8, 0)});
  EXPECT_EQ(G1Affine::decode(p40).error(), PointDecodeError::invalid_data());
  EXPECT_EQ(G1Affine::decode(Bytes(enc.begin(), enc.end() - 1)).error(), PointDecodeError::short_read());
  EXPECT_EQ(G1Affine::decode(Bytes(20, 0)).error(), PointDecodeError::short_read());
  // Off the curve.
  const Bytes off = concat({encode(fq(1)), encode(fq(3))});
  EXPECT_EQ(G1Affine::decode(off).error(), PointDecodeError::invalid_data());
  // Trailing bytes are ignored by decode and left in the cursor by read.
  const Bytes longer = concat({enc, {0x99}});
  EXPECT_EQ(*G1Affine::decode(longer), g);
  ByteReader r(longer);
  EXPECT_EQ(*G1Affine::read(r), g);
  EXPECT_EQ(r.remaining(), 1u);
}

TEST(PointEncoding, InfinityForms) {
  Bytes g1_inf(63, 0);
  g1_inf.push_back(0x40);
  EXPECT_EQ(encode(G1Affine::identity()), g1_inf);
  EXPECT_EQ(encode(G1Affine{fq(5), fq(6), true}), g1_inf);  // coordinates are not written
  EXPECT_EQ(*G1Affine::decode(g1_inf), G1Affine::identity());
  Bytes g2_inf(127, 0);
  g2_inf.push_back(0x40);
  EXPECT_EQ(encode(G2Affine::identity()), g2_inf);
  ByteReader r(g2_inf);
  EXPECT_EQ(*G2Affine::read(r), G2Affine::identity());
}

TEST(PointEncoding, G2RoundTripAndValidation) {
  testing::TestRng rng;
  SCOPED_TRACE("KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()));
  const G2Affine q = rng.g2();
  const Bytes enc = encode(q);
  ASSERT_EQ(enc.size(), 128u);
  EXPECT_EQ(Bytes(enc.begin(), enc.begin() + 32), encode(q.x.c0));
  EXPECT_EQ(Bytes(enc.begin() + 32, enc.begin() + 64), encode(q.x.c1));
  ByteReader r(enc);
  EXPECT_EQ(*G2Affine::read(r), q);
  for (const G2Affine& bad : {rng.twist_point_outside_subgroup(), G2Affine{q.x, q.x, false}}) {
    const Bytes b = encode(bad);
    ByteReader rb(b);
    EXPECT_EQ(G2Affine::read(rb).error(), PointDecodeError::invalid_data());
  }
  const Bytes cut(enc.begin(), enc.begin() + 100);
  ByteReader rc(cut);
  EXPECT_EQ(G2Affine::read(rc).error(), PointDecodeError::short_read());
}

TEST(TowerEncoding, Fq6AndFq12Order) {
  testing::TestRng rng;
  SCOPED_TRACE("KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()));
  const Fq12 f = rng.fq12();
  Bytes b;
  f.write_canonical(b);
  ASSERT_EQ(b.size(), 384u);
  EXPECT_EQ(Bytes(b.begin() + 32, b.begin() + 64), encode(f.c0.c0.c1));
  EXPECT_EQ(Bytes(b.begin() + 352, b.end()), encode(f.c1.c2.c1));
  ByteReader r(b);
  const Fq6 c0 = *Fq6::read(r);
  const Fq6 c1 = *Fq6::read(r);
  EXPECT_EQ((Fq12{c0, c1}), f);
  EXPECT_TRUE(r.empty());
  Bytes one;
  Fq12::one().write_canonical(one);
  EXPECT_EQ(one[0], 1);
  EXPECT_EQ(std::count(one.begin(), one.end(), 0), 383);
}

TEST(Errors, Texts) {
  EXPECT_EQ(PointDecodeError::not_enough_space().display(),
            "the last byte does not have enough space to encode the extra info bits");
  EXPECT_EQ(PointDecodeError::invalid_data().display(), "the input buffer contained invalid data");
  EXPECT_EQ(PointDecodeError::unexpected_flags().display(), "the call expects empty flags");
  EXPECT_EQ(PointDecodeError::short_read().display(), "I/O error: failed to fill whole buffer");
  EXPECT_EQ(PointDecodeError::invalid_data().debug(), "InvalidData");
  EXPECT_EQ(PointDecodeError::short_read().debug().rfind("IoError(", 0), 0u);
  struct Case {
    Groth16SetupError e;
    const char* display;
    const char* debug;
  };
  const Case cases[] = {
      {Groth16SetupError::MissingCS, "the constraint system was `None`", "MissingCS"},
      {Groth16SetupError::AssignmentMissing, "an assignment for a variable could not be computed",
       "AssignmentMissing"},
      {Groth16SetupError::DivisionByZero, "division by zero", "DivisionByZero"},
      {Groth16SetupError::Unsatisfiable, "unsatisfiable constraint system", "Unsatisfiable"},
      {Groth16SetupError::PolynomialDegreeTooLarge, "polynomial degree is too large",
       "PolynomialDegreeTooLarge"},
      {Groth16SetupError::UnexpectedIdentity, "encountered an identity element in the CRS",
       "UnexpectedIdentity"},
      {Groth16SetupError::MalformedVerifyingKey, "malformed verifying key", "MalformedVerifyingKey"},
      {Groth16SetupError::UnconstrainedVariable, "auxiliary variable was unconstrained",
       "UnconstrainedVariable"},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(display(c.e), c.display);
    EXPECT_STREQ(debug(c.e), c.debug);
  }
}

}  // namespace
}  // namespace kovra::bn254
