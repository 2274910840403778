// End-to-end STARK checks against seals of the test prover: honest seals under every suite and
// shape, a table of prover lies, single-word mutations region by region, and the edge cases of
// the opening steps.
#include "stark/verify.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "stark/testing/prover.h"

namespace kovra::stark {
namespace {

using testing::Lie;
using testing::Proof;
using testing::SyntheticCircuit;
using Kind = VerificationError::Kind;

std::vector<HashSuite> all_suites() {
  return {HashSuite::poseidon2(), HashSuite::sha256(), HashSuite::blake2b()};
}

const SyntheticCircuit& recursion_circuit_small() {
  static const SyntheticCircuit c(testing::recursion_shape());
  return c;
}
const SyntheticCircuit& rv32im_circuit_small() {
  static const SyntheticCircuit c(testing::rv32im_shape());
  return c;
}

// The words the verifier reads: an rv32im-shaped seal without its version word.
std::span<const uint32_t> reader_words(const SyntheticCircuit& c, const std::vector<uint32_t>& seal) {
  return c.shape().version_word ? std::span<const uint32_t>(seal).subspan(1)
                                : std::span<const uint32_t>(seal);
}

VerificationError check(const SyntheticCircuit& c, const HashSuite& s,
                        const std::vector<uint32_t>& seal) {
  return verify_stark_seal(c.description(), s, reader_words(c, seal));
}

size_t fri_rounds(const Proof& p) {
  size_t n = 0;
  for (const auto& r : p.regions) n += r.kind.rfind("fri.", 0) == 0;
  return n;
}

const testing::SealRegion& region(const Proof& p, const std::string& kind, int query = -1) {
  for (const auto& r : p.regions)
    if (r.kind == kind && r.query == query) return r;
  ADD_FAILURE() << "no region " << kind;
  return p.regions.front();
}

TEST(StarkVerify, HonestSealsVerifyUnderEverySuiteShapeAndRoundCount) {
  const struct {
    uint32_t po2;
    size_t rounds;
  } sizes[] = {{7, 0}, {9, 1}, {13, 2}};
  for (const HashSuite& suite : all_suites()) {
    for (const SyntheticCircuit* c : {&recursion_circuit_small(), &rv32im_circuit_small()}) {
      for (const auto& sz : sizes) {
        const auto pub = testing::default_public_words(*c);
        const Proof p = testing::prove(*c, suite, sz.po2, pub);
        EXPECT_EQ(fri_rounds(p), sz.rounds);
        const VerificationError r = check(*c, suite, p.seal);
        EXPECT_TRUE(r.is_ok()) << suite.name << " " << c->shape().tag << " po2 " << sz.po2 << ": "
                               << kind_name(r.kind());
      }
    }
  }
}

TEST(StarkVerify, ProverLiesAreRejected) {
  const HashSuite suite = HashSuite::poseidon2();
  const SyntheticCircuit& c = recursion_circuit_small();
  const auto pub = testing::default_public_words(c);
  const struct {
    Lie lie;
    const char* name;
    Kind expect;
  } cases[] = {
      {Lie::BrokenTransition, "broken transition", Kind::ProofRejected},
      {Lie::BrokenBoundary, "broken boundary", Kind::ProofRejected},
      {Lie::FalseOpening, "false opening of an unconstrained register", Kind::ProofRejected},
      {Lie::ShiftedCheckOpening, "check openings shifted, identity kept", Kind::ProofRejected},
      {Lie::WrongFold, "wrong fold in a round", Kind::ProofRejected},
      {Lie::WrongFinal, "wrong final polynomial", Kind::ProofRejected},
      {Lie::HighDegreeColumn, "column not of low degree", Kind::ProofRejected},
      {Lie::DisabledRowChange, "change under a disabled constraint (control)", Kind::Ok},
  };
  for (uint32_t po2 : {9u}) {
    for (const auto& cs : cases) {
      const Proof p = testing::prove(c, suite, po2, pub, {cs.lie, 1});
      EXPECT_EQ(check(c, suite, p.seal).kind(), cs.expect) << cs.name << " po2 " << po2;
    }
  }
}

// Flips one word of the seal and expects rejection; a word is changed to another field element
// so that the reducedness tests alone cannot catch it.
void expect_every_mutation_rejected(const SyntheticCircuit& c, const HashSuite& suite,
                                    const Proof& p, const testing::SealRegion& r) {
  for (size_t i = r.begin; i < r.end; ++i) {
    std::vector<uint32_t> seal = p.seal;
    seal[i] = (seal[i] + 1) % BabyBearElem::P;
    const VerificationError v = check(c, suite, seal);
    EXPECT_FALSE(v.is_ok()) << r.kind << " query " << r.query << " word " << i - r.begin;
  }
}

TEST(StarkVerify, EverySingleWordMutationIsRejected) {
  const HashSuite suite = HashSuite::poseidon2();
  for (const SyntheticCircuit* c : {&recursion_circuit_small(), &rv32im_circuit_small()}) {
    for (uint32_t po2 : {7u, 9u}) {
      const auto pub = testing::default_public_words(*c);
      const Proof p = testing::prove(*c, suite, po2, pub);
      ASSERT_TRUE(check(*c, suite, p.seal).is_ok());
      std::set<std::string> kinds;
      for (const auto& r : p.regions) {
        if (r.kind == "version") continue;  // read by the segment check, not here
        // Every word outside the queries; the first and the last query in full.
        if (r.query > 0 && r.query < 49) continue;
        if (po2 == 9 && r.kind.rfind("tree.", 0) == 0) continue;  // covered at po2 7
        kinds.insert(r.kind);
        expect_every_mutation_rejected(*c, suite, p, r);
      }
      EXPECT_GE(kinds.size(), po2 == 7 ? 15u : 14u);
    }
  }
}

TEST(StarkVerify, ExactKindsOfMalformedSeals) {
  const HashSuite suite = HashSuite::poseidon2();
  const SyntheticCircuit& c = recursion_circuit_small();
  const auto pub = testing::default_public_words(c);
  const Proof p = testing::prove(c, suite, 9, pub);
  // A word at P in every region that holds field elements or Poseidon2 digests.
  for (const auto& r : p.regions) {
    if (r.query > 1) continue;
    std::vector<uint32_t> seal = p.seal;
    seal[r.begin] = BabyBearElem::P;
    EXPECT_EQ(check(c, suite, seal).kind(), Kind::Malformed) << r.kind << " " << r.query;
    seal[r.begin] = 0xffffffffu;
    EXPECT_EQ(check(c, suite, seal).kind(), Kind::Malformed) << r.kind << " " << r.query;
  }
  // Truncation at every region boundary, and one extra word.
  for (const auto& r : p.regions) {
    if (r.query > 1) continue;
    std::vector<uint32_t> seal(p.seal.begin(), p.seal.begin() + r.begin);
    EXPECT_EQ(check(c, suite, seal).kind(), Kind::Malformed) << "cut before " << r.kind;
  }
  std::vector<uint32_t> longer = p.seal;
  longer.push_back(0);
  EXPECT_EQ(check(c, suite, longer).kind(), Kind::Malformed);
  // po2 25.
  std::vector<uint32_t> big = p.seal;
  big[region(p, "public").end - 1] = 25;
  EXPECT_EQ(check(c, suite, big).kind(), Kind::Malformed);
}

TEST(StarkVerify, AnotherSuiteOrCircuitRejects) {
  const auto suites = all_suites();
  const SyntheticCircuit& rec = recursion_circuit_small();
  const Proof p = testing::prove(rec, suites[0], 7, testing::default_public_words(rec));
  for (size_t s = 1; s < suites.size(); ++s)
    EXPECT_EQ(check(rec, suites[s], p.seal).kind(), Kind::ProofRejected) << suites[s].name;
  // The same tables under another circuit tag.
  CircuitDescription other = rec.description();
  other.tag = ProtocolTag::from_text("RV32IM:v2rev2___");
  EXPECT_EQ(verify_stark_seal(other, suites[0], p.seal).kind(), Kind::ProofRejected);
}

// A production circuit without its tables: every check up to the coefficient list runs, then
// the seal is rejected; it is never accepted.
TEST(StarkVerify, CircuitWithoutTablesNeverAccepts) {
  const HashSuite suite = HashSuite::poseidon2();
  SyntheticCircuit wide(testing::recursion_shape({12, 23, 128}));
  const Proof p = testing::prove(wide, suite, 7, testing::default_public_words(wide));
  const auto& coeffs = region(p, "coefficients");
  std::vector<uint32_t> seal(p.seal.begin(), p.seal.begin() + coeffs.begin);
  seal.resize(seal.size() + 4 * (643 + 16), BabyBearElem::one().raw());
  EXPECT_EQ(verify_stark_seal(recursion_circuit(), suite, seal).kind(), Kind::ProofRejected);
  // The earlier checks did run: a short coefficient list is Malformed.
  seal.pop_back();
  EXPECT_EQ(verify_stark_seal(recursion_circuit(), suite, seal).kind(), Kind::Malformed);
  // And an unreduced group digest before it too.
  std::vector<uint32_t> bad(p.seal.begin(), p.seal.begin() + coeffs.begin);
  bad[region(p, "tree.data").begin] = 0x78000001u;
  bad.resize(bad.size() + 4 * (643 + 16), 0);
  EXPECT_EQ(verify_stark_seal(recursion_circuit(), suite, bad).kind(), Kind::Malformed);
}

TEST(StarkVerify, PublicWordsAndPo2) {
  const HashSuite suite = HashSuite::poseidon2();
  const CircuitDescription& rec = recursion_circuit();
  auto run = [&](std::vector<uint32_t> words) {
    StarkVerifier v(rec, suite, words);
    v.mix_protocol_tags();
    auto out = v.read_public_words();
    std::pair<VerificationError, size_t> r{out.ok() ? VerificationError::ok() : out.error(),
                                           v.remaining()};
    if (out.ok()) {
      EXPECT_EQ(out->size(), 32u);
      auto code = v.commit_group(kGroupCode);
      if (!code.ok()) r.first = code.error();
    }
    return r;
  };
  std::vector<uint32_t> w(33, 7);
  w[32] = 24;
  EXPECT_EQ(run(w).first.kind(), Kind::Malformed);  // passes the public words, no tree follows
  w[32] = 25;
  EXPECT_EQ(run(w).first.kind(), Kind::Malformed);
  w[32] = 0;
  w[5] = 0x78000001u;
  EXPECT_EQ(run(w).first.kind(), Kind::Malformed);
  std::vector<uint32_t> shorter(32, 1);
  auto r = run(shorter);
  EXPECT_EQ(r.first.kind(), Kind::Malformed);
  EXPECT_EQ(r.second, 32u);  // nothing consumed

  // Accepted values: P - 1 as a public word, po2 0 and 24.
  for (uint32_t po2 : {0u, 24u}) {
    std::vector<uint32_t> ok(33, 0x78000000u);
    ok[32] = po2;
    StarkVerifier v(rec, suite, ok);
    v.mix_protocol_tags();
    ASSERT_TRUE(v.read_public_words().ok());
    EXPECT_EQ(v.size(), uint64_t{1} << po2);
    EXPECT_TRUE(v.draw_mix(5, 5).empty());
    EXPECT_EQ(v.draw_mix(0, 20).size(), 20u);
  }
}

TEST(StarkVerify, GroupCommittedTwiceIsMalformed) {
  const HashSuite suite = HashSuite::poseidon2();
  const SyntheticCircuit& c = recursion_circuit_small();
  const Proof p = testing::prove(c, suite, 7, testing::default_public_words(c));
  StarkVerifier v(c.description(), suite, p.seal);
  v.mix_protocol_tags();
  ASSERT_TRUE(v.read_public_words().ok());
  ASSERT_TRUE(v.commit_group(kGroupCode).ok());
  const size_t left = v.remaining();
  auto again = v.commit_group(kGroupCode);
  ASSERT_FALSE(again.ok());
  EXPECT_EQ(again.error().kind(), Kind::Malformed);
  EXPECT_EQ(v.remaining(), left);
}

// Every draw depends on every mix before it: two seals differing only in the code tree's top
// layer lead to different mix elements.
TEST(StarkVerify, DrawsDependOnTheCommitments) {
  const HashSuite suite = HashSuite::poseidon2();
  const SyntheticCircuit& c = recursion_circuit_small();
  const Proof p = testing::prove(c, suite, 7, testing::default_public_words(c));
  auto mix_after_data = [&](const std::vector<uint32_t>& seal) {
    StarkVerifier v(c.description(), suite, seal);
    v.mix_protocol_tags();
    EXPECT_TRUE(v.read_public_words().ok());
    EXPECT_TRUE(v.commit_group(kGroupCode).ok());
    EXPECT_TRUE(v.commit_group(kGroupData).ok());
    return v.draw_mix(0, 20);
  };
  std::vector<uint32_t> other = p.seal;
  other[region(p, "tree.code").begin + 3] ^= 1;
  EXPECT_NE(mix_after_data(p.seal), mix_after_data(other));
}

// A DEEP divisor of zero (a query point on an opening point) rejects the seal.
TEST(DeepCombine, ZeroDivisorIsRejected) {
  const SyntheticCircuit& c = recursion_circuit_small();
  const TapLayout& l = c.layout();
  std::vector<BabyBearExtElem> combo_u(l.total_combo_backs + 1), tap_pows(l.register_count),
      check_pows(16);
  const BabyBearElem x = ROOTS[9].pow(5);
  const std::vector<uint32_t> row(200, 1);
  const std::span<const uint32_t> rows[3] = {row, row, row};
  for (const BabyBearExtElem& z : {BabyBearExtElem(x), BabyBearExtElem(x * ROOTS[7])}) {
    DeepInputs in(l, combo_u, tap_pows, check_pows, z, INV_ROOTS[7]);
    auto r = deep_combine_query(in, rows, row, x);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().kind(), Kind::ProofRejected);
  }
  // The check term's divisor x - z^4.
  DeepInputs in(l, combo_u, tap_pows, check_pows, BabyBearExtElem(ROOTS[11].pow(5)), INV_ROOTS[7]);
  auto r = deep_combine_query(in, rows, row, ROOTS[9].pow(5));
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().kind(), Kind::ProofRejected);
  DeepInputs fine(l, combo_u, tap_pows, check_pows, BabyBearExtElem(ROOTS[11]), INV_ROOTS[7]);
  EXPECT_TRUE(deep_combine_query(fine, rows, row, ROOTS[9].pow(5)).ok());
}

// The DEEP values of a batch of points (term sums grouped by combo, divisor polynomials, one
// inversion for the batch) against the formula taken register by register with a division per
// term, on random openings; a point on an opening point is rejected at its own index only.
TEST(DeepCombine, BatchedPointsAgreeWithTheFormula) {
  const SyntheticCircuit& c = recursion_circuit_small();
  const TapLayout& l = c.layout();
  std::mt19937_64 rng(99);
  auto any = [&] { return BabyBearElem::from_u32(static_cast<uint32_t>(rng() % BabyBearElem::P)); };
  auto any_ext = [&] { return BabyBearExtElem(any(), any(), any(), any()); };
  std::vector<BabyBearExtElem> combo_u(l.total_combo_backs + 1), tap_pows(l.register_count),
      check_pows(16);
  for (auto* v : {&combo_u, &tap_pows, &check_pows})
    for (BabyBearExtElem& e : *v) e = any_ext();
  std::vector<uint32_t> words[4];
  for (size_t g = 0; g < 3; ++g) words[g].resize(l.group_width(g));
  words[3].resize(16);
  for (auto& w : words)
    for (uint32_t& x : w) x = any().raw();
  const std::span<const uint32_t> rows[3] = {words[0], words[1], words[2]};
  const BabyBearElem back_one = INV_ROOTS[10];
  const BabyBearElem z_base = any();
  for (const BabyBearExtElem& z : {any_ext(), BabyBearExtElem(z_base)}) {
    const DeepInputs in(l, combo_u, tap_pows, check_pows, z, back_one);
    // With a base-field z, z itself is an opening point (back 0).
    std::vector<BabyBearElem> xs = {any(), any(), z_base, any(), BabyBearElem::one()};
    const DeepPoints points(in, xs);
    for (size_t q = 0; q < xs.size(); ++q) {
      const BabyBearElem x = xs[q];
      auto got = deep_combine_query(in, points, q, rows, words[3]);
      auto single = deep_combine_query(in, rows, words[3], x);
      if (z == BabyBearExtElem(z_base) && q == 2) {
        ASSERT_FALSE(got.ok());
        EXPECT_EQ(got.error().kind(), Kind::ProofRejected);
        ASSERT_FALSE(single.ok());
        continue;
      }
      BabyBearExtElem want;
      size_t reg = 0;
      for (size_t t = 0; t < l.taps.size(); t += l.taps[t].count, ++reg) {
        const TapRecord& r = l.taps[t];
        BabyBearExtElem num = tap_pows[reg] * BabyBearElem::from_raw(words[r.group][r.column]);
        BabyBearExtElem den = BabyBearExtElem::one();
        for (size_t k = l.combo_starts[r.combo]; k < l.combo_starts[r.combo + 1]; ++k)
          den *= BabyBearExtElem(x) - z * back_one.pow(l.combo_backs[k]);
        want += num * den.inv();
      }
      // Each combo's opening polynomial (the mixed sum of its registers' lists) once.
      for (size_t cb = 0; cb < l.combo_count; ++cb) {
        BabyBearExtElem u, den = BabyBearExtElem::one();
        BabyBearElem xk = BabyBearElem::one();
        for (size_t k = l.combo_starts[cb]; k < l.combo_starts[cb + 1]; ++k, xk *= x) {
          u += combo_u[k] * xk;
          den *= BabyBearExtElem(x) - z * back_one.pow(l.combo_backs[k]);
        }
        want -= u * den.inv();
      }
      BabyBearExtElem check_num = -combo_u[l.total_combo_backs];
      for (size_t i = 0; i < 16; ++i)
        check_num += check_pows[i] * BabyBearElem::from_raw(words[3][i]);
      want += check_num * (BabyBearExtElem(x) - z.pow(4)).inv();
      ASSERT_TRUE(got.ok()) << q;
      EXPECT_EQ(*got, want) << q;
      ASSERT_TRUE(single.ok()) << q;
      EXPECT_EQ(*single, want) << q;
    }
  }
}

}  // namespace
}  // namespace kovra::stark
