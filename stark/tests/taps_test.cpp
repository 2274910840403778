// The constraint interpreter, the table text form and the table checks.
#include "stark/taps.h"

#include <gtest/gtest.h>

#include <vector>

#include "stark/circuit.h"
#include "stark/table_text.h"
#include "stark/testing/synthetic_circuit.h"

namespace kovra::stark {
namespace {

using Ext = BabyBearExtElem;
using Fp = BabyBearElem;

Ext ext(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  return Ext(Fp::from_u32(a), Fp::from_u32(b), Fp::from_u32(c), Fp::from_u32(d));
}

MixAccumulator run(const std::vector<ConstraintStep>& steps, uint64_t result, const Ext& mix,
                   std::span<const Ext> taps = {}, std::span<const Fp> a0 = {},
                   std::span<const Fp> a1 = {}) {
  uint64_t fp = 0, mx = 0;
  for (const auto& s : steps) (pushes_fp(s.kind) ? fp : mx)++;
  return eval_constraints(ConstraintProgram{steps, result, fp, mx}, mix, taps, a0, a1);
}

ConstraintStep step(StepKind k, uint64_t a = 0, uint64_t b = 0, uint64_t c = 0, uint64_t d = 0) {
  return ConstraintStep{k, {a, b, c, d}};
}

TEST(ConstraintInterpreter, MixZeroSumsWithPowersOfTheMix) {
  const Ext m = ext(3, 1, 4, 1);
  const std::vector<ConstraintStep> steps = {
      step(StepKind::MixStart),      step(StepKind::Const, 7),     step(StepKind::Const, 9),
      step(StepKind::Const, 11),     step(StepKind::MixZero, 0, 0), step(StepKind::MixZero, 1, 1),
      step(StepKind::MixZero, 2, 2),
  };
  const MixAccumulator a = run(steps, 3, m);
  EXPECT_EQ(a.sum, Ext(Fp::from_u32(7)) + m * Fp::from_u32(9) + m * m * Fp::from_u32(11));
  EXPECT_EQ(a.scale, m * m * m);
}

TEST(ConstraintInterpreter, MixCondWeighsTheInnerBlock) {
  const Ext m = ext(2, 0, 5, 0);
  const Fp c = Fp::from_u32(6);
  for (uint32_t cond : {6u, 0u}) {
    const std::vector<ConstraintStep> steps = {
        step(StepKind::MixStart),                  // mix 0: outer
        step(StepKind::Const, 5),                  // fp 0
        step(StepKind::MixZero, 0, 0),             // mix 1: outer, 5
        step(StepKind::MixStart),                  // mix 2: inner
        step(StepKind::Global, 0, 0),              // fp 1: 10
        step(StepKind::Tap, 1),                    // fp 2: tap 1
        step(StepKind::MixZero, 2, 1),             // mix 3
        step(StepKind::MixZero, 3, 2),             // mix 4
        step(StepKind::Const, cond),               // fp 3
        step(StepKind::MixCond, 1, 3, 4),          // mix 5
    };
    const Ext taps[2] = {ext(1, 1, 1, 1), ext(0, 8, 0, 1)};
    const Fp a0[1] = {Fp::from_u32(10)};
    const MixAccumulator a = run(steps, 5, m, taps, a0);
    const Ext inner = Ext(Fp::from_u32(10)) + m * taps[1];
    const Ext outer_scale = m;
    EXPECT_EQ(a.sum, Ext(Fp::from_u32(5)) +
                         (cond == 0 ? Ext() : Ext(c) * inner * outer_scale));
    EXPECT_EQ(a.scale, outer_scale * m * m);  // the inner block's powers continue the sequence
  }
}

TEST(ConstraintInterpreter, ConstantsAndArithmetic) {
  const std::vector<ConstraintStep> steps = {
      step(StepKind::Const, BabyBearElem::P - 1),   // fp 0: -1
      step(StepKind::ConstExt, 1, 2, 3, BabyBearElem::P - 11),  // fp 1
      step(StepKind::Global, 1, 1),                 // fp 2: mix element 1
      step(StepKind::Mul, 0, 1),                    // fp 3
      step(StepKind::Add, 3, 1),                    // fp 4: zero
      step(StepKind::Sub, 2, 0),                    // fp 5: mix1 + 1
      step(StepKind::MixStart),
      step(StepKind::MixZero, 0, 0),
      step(StepKind::MixZero, 1, 4),
      step(StepKind::MixZero, 2, 5),
  };
  const Fp a1[2] = {Fp::from_u32(4), Fp::from_u32(40)};
  const Ext m = ext(0, 1, 0, 0);
  const MixAccumulator a = run(steps, 3, m, {}, {}, a1);
  EXPECT_EQ(a.sum, Ext(-Fp::one()) + m * m * Fp::from_u32(41));
  EXPECT_EQ(Ext(-Fp::one()), Ext(Fp::from_u32(BabyBearElem::P - 1)));
}

TEST(TableText, RoundTripsASyntheticTable) {
  testing::SyntheticCircuit c(testing::recursion_shape());
  const std::string text = table_text(c.tables());
  auto parsed = parse_table_text(text);
  ASSERT_TRUE(parsed.ok()) << parsed.error();
  EXPECT_EQ(parsed->taps, c.tables().taps);
  EXPECT_EQ(parsed->steps, c.tables().steps);
  EXPECT_EQ(parsed->combo_starts, c.tables().combo_starts);
  EXPECT_EQ(parsed->group_starts, c.tables().group_starts);
  EXPECT_EQ(parsed->register_count, c.tables().register_count);
  EXPECT_EQ(parsed->result, c.tables().result);
  EXPECT_TRUE(check_table_structure(*parsed).empty());
}

TEST(TableText, ParseErrorsNameTheLine) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"circuit RECURSION:rev1v1\nresult 0\nfrobnicate 1\n", "line 3: unknown keyword"},
      {"circuit SHORT\n", "line 1: circuit needs one 16-byte tag"},
      {"circuit RECURSION:rev1v1\ncombo 1 = 0\n", "line 2: combos must be numbered in order from 0"},
      {"circuit RECURSION:rev1v1\nconst 4294967296\n", "line 2: a constant is a u32"},
      {"circuit RECURSION:rev1v1\nadd 1\n", "line 2: wrong number of operands"},
      {"circuit RECURSION:rev1v1\nmix_start\ntap 0 0 0 0 1\n",
       "line 3: tap records come before the constraint steps"},
      {"circuit RECURSION:rev1v1\nmix_start\n", "no result line"},
  };
  for (const auto& c : cases) {
    auto r = parse_table_text(c.text);
    ASSERT_FALSE(r.ok()) << c.text;
    EXPECT_EQ(r.error(), c.error);
  }
}

TEST(TableChecks, StructuralFaultsAreReported) {
  const char* base = "circuit RECURSION:rev1v1\ncombo 0 = 0\ncombo 1 = 0 1\n";
  struct Case {
    std::string body;
    const char* expect;
  };
  const Case cases[] = {
      {"tap 0 0 0 1 2\ntap 0 0 1 1 2\nresult 0\nmix_start\n", ""},
      {"tap 0 0 0 1 2\ntap 0 0 2 1 2\nresult 0\nmix_start\n", "does not follow its register's pattern"},
      {"tap 0 0 0 0 2\ntap 0 0 1 0 2\nresult 0\nmix_start\n", "differs from its combo's pattern"},
      {"tap 0 1 0 0 1\ntap 0 0 0 0 1\nresult 0\nmix_start\n", "not sorted"},
      {"tap 0 0 0 0 1\nresult 0\nmix_start\nconst 1\nadd 0 1\n", "not pushed by an earlier step"},
      {"tap 0 0 0 0 1\nresult 0\nmix_start\ntap 1\n", "tap index out of range"},
      {"tap 0 0 0 0 1\nresult 1\nmix_start\n", "result 1 beyond"},
      {"tap 0 0 0 0 1\nresult 0\nmix_start\nglobal 2 0\n", "global list is not 0 or 1"},
      {"tap 0 0 0 0 1\nresult 0\nmix_start\nconst 2013265921\n", "constant not below P"},
  };
  for (const auto& c : cases) {
    auto t = parse_table_text(base + c.body);
    ASSERT_TRUE(t.ok()) << t.error();
    auto errors = check_table_structure(*t);
    if (std::string(c.expect).empty()) {
      EXPECT_TRUE(errors.empty()) << c.body << errors.front();
      continue;
    }
    ASSERT_FALSE(errors.empty()) << c.body;
    EXPECT_NE(errors.front().find(c.expect), std::string::npos) << errors.front();
  }
}

// The published figures hang together, and a table that is not the circuit's is refused.
TEST(TableChecks, ProductionFigures) {
  for (const TableFigures& f : {recursion_figures(), rv32im_figures()}) {
    uint64_t steps = 0;
    for (uint64_t k : f.steps_per_kind) steps += k;
    EXPECT_EQ(steps, f.steps);
    EXPECT_EQ(f.steps_per_kind[0] + f.steps_per_kind[1] + f.steps_per_kind[2] +
                  f.steps_per_kind[3] + f.steps_per_kind[4] + f.steps_per_kind[5] +
                  f.steps_per_kind[6],
              f.fp_count);
    EXPECT_EQ(f.steps_per_kind[7] + f.steps_per_kind[8] + f.steps_per_kind[9], f.mix_count);
    EXPECT_EQ(f.result + 1, f.mix_count);
    EXPECT_EQ(f.largest_tap + 1, f.taps);
    EXPECT_EQ(f.group_starts[3], f.taps);
    ASSERT_EQ(f.combo_starts.size(), f.combo_patterns.size() + 1);
    for (size_t c = 0; c < f.combo_patterns.size(); ++c)
      EXPECT_EQ(f.combo_starts[c + 1] - f.combo_starts[c], f.combo_patterns[c].size());
  }
  const CircuitDescription& rec = recursion_circuit();
  EXPECT_EQ(rec.widths, (std::array<uint64_t, 3>{12, 23, 128}));
  EXPECT_EQ(rec.public_words, 32u);
  EXPECT_EQ(rec.mix_count, 20u);
  EXPECT_EQ(rec.tap_count, 643u);
  const CircuitDescription& rv = rv32im_circuit();
  EXPECT_EQ(rv.widths, (std::array<uint64_t, 3>{103, 1, 211}));
  EXPECT_EQ(rv.public_words, 90u);
  EXPECT_EQ(rv.mix_count, 36u);
  EXPECT_EQ(rv.tap_count, 790u);
  // This source tree ships no production table.
  EXPECT_FALSE(rec.has_tables());
  EXPECT_FALSE(rv.has_tables());

  testing::SyntheticCircuit syn(testing::recursion_shape());
  auto errors = check_table_figures(syn.tables(), recursion_figures());
  EXPECT_FALSE(errors.empty());
  bool names_taps = false;
  for (const auto& e : errors) names_taps |= e.rfind("taps is", 0) == 0;
  EXPECT_TRUE(names_taps);
}

}  // namespace
}  // namespace kovra::stark
