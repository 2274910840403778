// Line coefficients: the count and byte form of a list, the line equations, the reader's
// bounds (exactly 87 lines for a finite point, none for infinity, no over-reservation).
#include <gtest/gtest.h>

#include <vector>

#include "bn254/line_coeffs.h"
#include "bn254/testing/bigint.h"
#include "bn254/testing/random.h"

namespace kovra::bn254 {
namespace {

using base::ByteReader;
using Bytes = std::vector<uint8_t>;

std::string seed_trace() { return "KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()); }

Bytes encode(const G2LineCoeffs& l) {
  Bytes b;
  l.encode(b);
  return b;
}

base::Result<G2LineCoeffs, PointDecodeError> read(const Bytes& b) {
  ByteReader r(b);
  return G2LineCoeffs::read(r);
}

void put_u64(Bytes& b, size_t at, uint64_t v) {
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// c0·y + c1·x + c2 at the affine point (x, y).
Fq2 line_at(const LineCoeff& l, const Fq2& x, const Fq2& y) {
  return l.c0.mul(y).add(l.c1.mul(x)).add(l.c2);
}

TEST(MillerLoopDigits, AreSixXPlusTwo) {
  testing::BigUint sum;
  testing::BigUint neg;
  int nonzero_below_top = 0;
  for (size_t i = 0; i < MILLER_LOOP_DIGITS.size(); ++i) {
    if (MILLER_LOOP_DIGITS[i] == 1) sum = sum + testing::BigUint(2).pow(static_cast<unsigned>(i));
    if (MILLER_LOOP_DIGITS[i] == -1) neg = neg + testing::BigUint(2).pow(static_cast<unsigned>(i));
    if (MILLER_LOOP_DIGITS[i] != 0 && i < 64) ++nonzero_below_top;
  }
  EXPECT_EQ(sum - neg, testing::BigUint(6) * testing::BigUint(BN_X) + testing::BigUint(2));
  EXPECT_EQ(nonzero_below_top, 21);
  EXPECT_EQ(64 + nonzero_below_top + 2, static_cast<int>(G2LineCoeffs::kFiniteCount));
}

TEST(G2LineCoeffs, InfinityHasNoLines) {
  const G2LineCoeffs l = G2LineCoeffs::from_point(G2Affine::identity());
  EXPECT_TRUE(l.infinity());
  EXPECT_TRUE(l.coeffs().empty());
  EXPECT_EQ(encode(l), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(*read(encode(l)), l);
}

TEST(G2LineCoeffs, FiniteListAndByteForm) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const G2Affine q = rng.g2();
  const G2LineCoeffs l = G2LineCoeffs::from_point(q);
  EXPECT_FALSE(l.infinity());
  ASSERT_EQ(l.coeffs().size(), 87u);
  Bytes b = encode(l);
  ASSERT_EQ(b.size(), 16713u);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 8), (Bytes{87, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(b.back(), 0);
  // Reading gives the list back, consumes exactly its bytes and leaves what follows.
  b.push_back(0x5a);
  ByteReader r(b);
  EXPECT_EQ(*G2LineCoeffs::read(r), l);
  EXPECT_EQ(r.remaining(), 1u);
  // Q and -Q give different lists.
  EXPECT_NE(G2LineCoeffs::from_point(q.neg()).coeffs(), l.coeffs());
}

// Replays the precomputation step by step: every line vanishes at the point(s) it was made
// from, and the lines come out in the order from_point records them.
TEST(G2LineCoeffs, LinesPassThroughTheirPoints) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const G2Affine q = rng.g2();
  const G2LineCoeffs expected = G2LineCoeffs::from_point(q);
  std::vector<LineCoeff> got;
  G2HomogeneousPoint r{q.x, q.y, Fq2::one()};
  auto affine = [](const G2HomogeneousPoint& h) {
    const Fq2 zi = *h.z.inverse();
    return std::pair<Fq2, Fq2>{h.x.mul(zi), h.y.mul(zi)};
  };
  auto add = [&](const G2Affine& with) {
    const auto [x, y] = affine(r);
    const LineCoeff l = G2LineCoeffs::addition_step(r, with);
    EXPECT_TRUE(line_at(l, x, y).is_zero());
    EXPECT_TRUE(line_at(l, with.x, with.y).is_zero());
    got.push_back(l);
  };
  for (int i = 63; i >= 0; --i) {
    const auto [x, y] = affine(r);
    const LineCoeff l = G2LineCoeffs::doubling_step(r);
    EXPECT_TRUE(line_at(l, x, y).is_zero()) << "doubling at digit " << i;
    got.push_back(l);
    const int8_t d = MILLER_LOOP_DIGITS[static_cast<size_t>(i)];
    if (d == 1) add(q);
    if (d == -1) add(q.neg());
  }
  // After the digit loop r = [6x + 2]Q.
  const auto [rx, ry] = affine(r);
  const std::array<uint64_t, 2> six_x_plus_2 = {0x9d797039be763ba8, 0x1};
  const G2Affine expect_r = q.scalar_mul(six_x_plus_2).to_affine();
  EXPECT_EQ(rx, expect_r.x);
  EXPECT_EQ(ry, expect_r.y);
  add(q.psi());
  add(q.psi().psi().neg());
  EXPECT_EQ(got, expected.coeffs());
}

TEST(G2LineCoeffs, ReadRefusesMalformedLists) {
  testing::TestRng rng;
  SCOPED_TRACE("KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()));
  const Bytes good = encode(G2LineCoeffs::from_point(rng.g2()));
  const size_t flag_at = good.size() - 1;
  struct Case {
    const char* what;
    Bytes bytes;
    PointDecodeError::Kind kind;
  };
  std::vector<Case> cases;
  auto mutate = [&good](auto f) {
    Bytes b = good;
    f(b);
    return b;
  };
  using K = PointDecodeError::Kind;
  cases.push_back({"empty finite list", {0, 0, 0, 0, 0, 0, 0, 0, 0}, K::InvalidData});
  cases.push_back({"87 lines marked infinity", mutate([&](Bytes& b) { b[flag_at] = 1; }), K::InvalidData});
  cases.push_back({"flag byte 2", mutate([&](Bytes& b) { b[flag_at] = 2; }), K::InvalidData});
  cases.push_back({"86 lines", mutate([&](Bytes& b) { put_u64(b, 0, 86); b.resize(b.size() - 193); b.push_back(0); }),
                   K::InvalidData});
  cases.push_back({"88 lines", mutate([&](Bytes& b) { put_u64(b, 0, 88); }), K::InvalidData});
  cases.push_back({"huge count", mutate([&](Bytes& b) { put_u64(b, 0, ~uint64_t{0}); }), K::InvalidData});
  cases.push_back({"huge count, no lines", {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f}, K::InvalidData});
  cases.push_back({"coordinate equal to p", mutate([&](Bytes& b) {
                     Bytes p;
                     FQ_MINUS_ONE.write_canonical(p);
                     p[0] += 1;
                     std::copy(p.begin(), p.end(), b.begin() + 8 + 192 * 40 + 64);
                   }),
                   K::InvalidData});
  cases.push_back({"last byte 0xff", mutate([&](Bytes& b) { b[8 + 31] = 0xff; }), K::InvalidData});
  cases.push_back({"3 bytes", {87, 0, 0}, K::IoError});
  cases.push_back({"cut inside a line", Bytes(good.begin(), good.begin() + 8 + 192 * 10 + 77), K::IoError});
  cases.push_back({"cut before the flag", Bytes(good.begin(), good.end() - 1), K::IoError});
  cases.push_back({"infinity without its flag", {0, 0, 0, 0, 0, 0, 0, 0}, K::IoError});
  for (const Case& c : cases) {
    auto r = read(c.bytes);
    ASSERT_FALSE(r.ok()) << c.what;
    EXPECT_EQ(r.error().kind(), c.kind) << c.what;
  }
}

}  // namespace
}  // namespace kovra::bn254
