// The pairing: non-degeneracy, bilinearity, the multi-pair loop against single pairs, the
// dropping of identity pairs, the sparse line product, and the Ethereum precompile vectors.
#include <gtest/gtest.h>

#include <vector>

#include "bn254/final_exponentiation.h"
#include "bn254/miller_loop.h"
#include "bn254/testing/bigint.h"
#include "bn254/testing/eth_precompile.h"
#include "bn254/testing/random.h"

namespace kovra::bn254 {
namespace {

using testing::BigUint;

const BigUint kR(FR_MODULUS);
std::string seed_trace() { return "KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()); }

Fq12 miller_value(const G1Affine& p, const G2Affine& q) {
  const G2LineCoeffs lines = G2LineCoeffs::from_point(q);
  const MillerLoopPair pairs[] = {{p, lines}};
  return miller_loop(pairs);
}

Fq12 pairing(const G1Affine& p, const G2Affine& q) {
  return *final_exponentiation(miller_value(p, q));
}

TEST(Pairing, GeneratorsGiveANonTrivialValueOfOrderR) {
  const Fq12 e = pairing(testing::g1_generator(), testing::g2_generator());
  EXPECT_NE(e, Fq12::one());
  EXPECT_EQ(testing::pow(e, kR), Fq12::one());
}

TEST(Pairing, IsBilinear) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const G1Affine p = testing::g1_generator();
  const G2Affine q = testing::g2_generator();
  const Fq12 base = pairing(p, q);
  const BigUint r_minus_1 = kR - BigUint(1);
  const std::vector<std::pair<BigUint, BigUint>> cases = {
      {BigUint(0), BigUint(5)},   {BigUint(5), BigUint(0)},       {BigUint(1), BigUint(1)},
      {BigUint(5), BigUint(11)},  {BigUint(1), r_minus_1},        {r_minus_1, BigUint(1)},
      {r_minus_1, r_minus_1},     {BigUint(rng.below_r()), BigUint(rng.below_r())},
  };
  for (const auto& [a, b] : cases) {
    const G1Affine ap = p.scalar_mul(a.words()).to_affine();
    const G2Affine bq = q.scalar_mul(b.words()).to_affine();
    EXPECT_EQ(pairing(ap, bq), testing::pow(base, (a * b) % kR));
  }
  // e(P, -Q)·e(P, Q) = 1.
  EXPECT_EQ(pairing(p, q.neg()).mul(base), Fq12::one());
}

// The loop over n pairs equals the product of the n single-pair Miller values, exactly and
// before the final exponentiation, across the chunk of four.
TEST(MillerLoop, ManyPairsEqualTheProductOfSinglePairs) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  std::vector<G1Affine> ps;
  std::vector<G2LineCoeffs> lines;
  Fq12 product = Fq12::one();
  for (size_t n = 1; n <= 5; ++n) {
    const G1Affine p = rng.g1();
    const G2Affine q = rng.g2();
    ps.push_back(p);
    lines.push_back(G2LineCoeffs::from_point(q));
    product = product.mul(miller_value(p, q));
    std::vector<MillerLoopPair> pairs;
    for (size_t i = 0; i < n; ++i) pairs.push_back({ps[i], lines[i]});
    EXPECT_EQ(miller_loop(pairs), product) << n << " pairs";
  }
}

TEST(MillerLoop, PairsWithAnIdentityAreDropped) {
  testing::TestRng rng;
  SCOPED_TRACE("KOVRA_TEST_SEED=" + std::to_string(testing::test_seed()));
  const G1Affine p = rng.g1();
  const G2LineCoeffs l = G2LineCoeffs::from_point(rng.g2());
  const G2LineCoeffs inf_lines = G2LineCoeffs::from_point(G2Affine::identity());
  const G1Affine inf = G1Affine::identity();
  const MillerLoopPair alone[] = {{p, l}};
  const MillerLoopPair with_inf_p[] = {{inf, l}, {p, l}};
  const MillerLoopPair with_inf_q[] = {{p, inf_lines}, {p, l}};
  EXPECT_EQ(miller_loop(with_inf_p), miller_loop(alone));
  EXPECT_EQ(miller_loop(with_inf_q), miller_loop(alone));
  const MillerLoopPair only_identities[] = {{inf, l}, {p, inf_lines}};
  EXPECT_EQ(miller_loop(only_identities), Fq12::one());
  EXPECT_EQ(miller_loop({}), Fq12::one());
}

TEST(MillerLoop, LineEvaluationIsTheProductByTheSparseElement) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const G1Affine p = rng.g1();
  for (int i = 0; i < 4; ++i) {
    const LineCoeff line{rng.fq2(), rng.fq2(), rng.fq2()};
    const Fq12 f = rng.fq12();
    Fq2 c0 = line.c0;
    c0.mul_by_fq(p.y);
    Fq2 c1 = line.c1;
    c1.mul_by_fq(p.x);
    const Fq12 ell{Fq6{c0, Fq2{}, Fq2{}}, Fq6{c1, line.c2, Fq2{}}};
    Fq12 g = f;
    evaluate_line(g, line, p);
    EXPECT_EQ(g, f.mul(ell));
  }
}

TEST(MillerLoop, LinePairEvaluationIsTheProductByBothLines) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  const auto ell = [](const LineCoeff& line, const G1Affine& p) {
    Fq2 c0 = line.c0;
    c0.mul_by_fq(p.y);
    Fq2 c1 = line.c1;
    c1.mul_by_fq(p.x);
    return Fq12{Fq6{c0, Fq2{}, Fq2{}}, Fq6{c1, line.c2, Fq2{}}};
  };
  const Fq2 m1{FQ_MINUS_ONE, FQ_MINUS_ONE};
  for (int i = 0; i < 6; ++i) {
    const G1Affine p1 = rng.g1(), p2 = i % 2 ? p1 : rng.g1();
    // Lines with parts at p - 1 and zero as well as random ones.
    const LineCoeff line1 = i == 0 ? LineCoeff{m1, m1, m1} : LineCoeff{rng.fq2(), rng.fq2(), rng.fq2()};
    const LineCoeff line2 = i == 1 ? LineCoeff{Fq2{}, m1, Fq2{}} : LineCoeff{rng.fq2(), rng.fq2(), rng.fq2()};
    const Fq12 f = i == 2 ? Fq12::one() : rng.fq12();
    Fq12 g = f;
    evaluate_line_pair(g, line1, p1, line2, p2);
    EXPECT_EQ(g, f.mul(ell(line1, p1)).mul(ell(line2, p2)));
  }
}

// Lines are taken two pairs at a time: one to five pairs give the product of the one-pair values.
TEST(MillerLoop, SeveralPairsAreTheProductOfSinglePairs) {
  testing::TestRng rng;
  SCOPED_TRACE(seed_trace());
  std::vector<G1Affine> ps;
  std::vector<G2LineCoeffs> qs;
  for (int i = 0; i < 5; ++i) {
    ps.push_back(rng.g1());
    qs.push_back(G2LineCoeffs::from_point(rng.g2()));
  }
  Fq12 product = Fq12::one();
  std::vector<MillerLoopPair> pairs;
  for (size_t i = 0; i < ps.size(); ++i) {
    const MillerLoopPair one[] = {{ps[i], qs[i]}};
    product = product.mul(miller_loop(one));
    pairs.push_back({ps[i], qs[i]});
    EXPECT_EQ(miller_loop(pairs), product) << pairs.size() << " pairs";
  }
}

std::string data_path(const char* name) { return std::string(KOVRA_TEST_DATA_DIR) + "/" + name; }

TEST(EthereumVectors, Pairing) {
  const auto vectors = testing::read_geth_vectors(data_path("geth-bn256Pairing.json"));
  ASSERT_EQ(vectors.size(), 14u);
  for (const auto& v : vectors) {
    const std::optional<bool> ok = testing::eth_pairing_check(v.input);
    ASSERT_TRUE(ok.has_value()) << v.name;
    EXPECT_EQ(*ok, v.expected.back() == 1) << v.name;
  }
}

TEST(EthereumVectors, G1Addition) {
  const auto vectors = testing::read_geth_vectors(data_path("geth-bn256Add.json"));
  ASSERT_EQ(vectors.size(), 16u);
  for (const auto& v : vectors) {
    const auto out = testing::eth_g1_add(v.input);
    ASSERT_TRUE(out.has_value()) << v.name;
    EXPECT_EQ(*out, v.expected) << v.name;
  }
}

TEST(EthereumVectors, G1ScalarMultiplication) {
  const auto vectors = testing::read_geth_vectors(data_path("geth-bn256ScalarMul.json"));
  ASSERT_EQ(vectors.size(), 19u);
  for (const auto& v : vectors) {
    const auto out = testing::eth_g1_scalar_mul(v.input);
    ASSERT_TRUE(out.has_value()) << v.name;
    EXPECT_EQ(*out, v.expected) << v.name;
  }
}

}  // namespace
}  // namespace kovra::bn254
