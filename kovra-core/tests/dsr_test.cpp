// Known answers of the deflated-Sharpe statistics.
//
// Every expected value below was computed once by tests/model/fixed_point_model.py, a model of
// the integer formulas in Python's unbounded integers (wrapping emulated modulo 2^128,
// truncating division written out), written from the formulas independently of the C++ code.
// A few loose comparisons with the true real-valued functions guard against a formula that is
// wrong in both.
#include "kovra-core/dsr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "int128_text.h"

namespace kovra::core {
namespace {

using test::dec;
using test::i128;

constexpr Fixed S = kFixedOne;
constexpr uint64_t kU64Max = UINT64_MAX;

double real(Fixed v) { return static_cast<double>(v) / 1e6; }

TEST(PerPeriodSharpeBar, KnownAnswers) {
  // isqrt(252 x 10^12) = 15,874,507 and 1.2 x 10^12 / 15,874,507 = 75,592 after truncation.
  EXPECT_EQ(dec(per_period_sharpe_bar(120, 252)), "75592");
  EXPECT_EQ(dec(per_period_sharpe_bar(-120, 252)), "-75592");  // toward zero, not floor
  EXPECT_EQ(dec(per_period_sharpe_bar(120, 0)), "1200000000000");  // denominator max(0, 1)
  EXPECT_EQ(dec(per_period_sharpe_bar(INT64_MIN, 1)), "-92233720368547758080000");
}

TEST(HarveyLiuT, KnownAnswers) {
  struct Case {
    const char* sr;
    uint64_t n;
    const char* t;
  };
  const Case cases[] = {
      {"123456", 0, "0"},
      {"123456", 1, "123456"},
      {"123456", 4, "246912"},
      {"-98765", 252, "-1567845"},
      {"75000", 1000, "2371708"},
      // sr x sqrt(n) x 10^6 wraps modulo 2^128 before the division.
      {"1267650600228229401496703205376", kU64Max, "-1267650600228229401496703"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(dec(harvey_liu_t(i128(c.sr), c.n)), c.t) << c.sr << " " << c.n;
}

TEST(IntegerLn, KnownAnswers) {
  struct Case {
    uint64_t n;
    const char* ln;
  };
  const Case cases[] = {{0, "0"},         {1, "0"},         {2, "693147"},
                        {3, "1098609"},   {10, "2302583"},  {1000, "6907741"},
                        {kU64Max, "44361393"}};
  for (const Case& c : cases) EXPECT_EQ(dec(integer_ln(c.n)), c.ln) << c.n;
  EXPECT_NEAR(real(integer_ln(1000)), 6.907755, 1e-4);
}

TEST(InverseNormal, KnownAnswersAndRegionBounds) {
  struct Case {
    const char* p;
    const char* x;
  };
  const Case cases[] = {
      {"-1", "50000000"},       {"0", "-3198198"},       {"1", "-3189189"},
      {"25000", "-1959533"},    {"500000", "0"},         {"841345", "999992"},
      {"975000", "1959533"},
      {"975750", "1972360"},  // last p of the central formula
      {"975751", "1972977"},  // first p of the upper-tail formula
      {"990000", "2326346"},    {"999999", "4753416"},   {"1000000", "50000000"},
      {"1000001", "50000000"},
  };
  for (const Case& c : cases) EXPECT_EQ(dec(inverse_normal(i128(c.p))), c.x) << c.p;
  EXPECT_NEAR(real(inverse_normal(975'000)), 1.959964, 1e-3);
  EXPECT_NEAR(real(inverse_normal(990'000)), 2.326348, 1e-3);
  EXPECT_NEAR(real(inverse_normal(25'000)), -1.959964, 1e-3);
}

TEST(InverseNormalTail, KnownAnswers) {
  struct Case {
    const char* log_inverse;
    const char* x;
  };
  const Case cases[] = {
      {"-5", "-2938164"},   {"0", "-2938164"},       {"693147", "163"},
      {"4605170", "2326346"},  // ln 100: Phi^-1(0.99)
      {"44361419", "9080125"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(dec(inverse_normal_tail(i128(c.log_inverse))), c.x) << c.log_inverse;
}

TEST(ExpectedMaxSharpe, KnownAnswersAtTheBranchBoundaries) {
  struct Case {
    uint64_t trials;
    const char* e;
  };
  const Case cases[] = {
      {0, "0"},         {1, "0"},
      {2, "519754"},
      {15, "1770356"},  // Q1 and Q2 from the central formula
      {16, "1800413"},  // Q2 from the tail
      {41, "2199148"},  // Q1 still central
      {42, "2208689"},  // both from the tail
      {100, "2530597"}, {1000, "3255112"}, {kU64Max, "9142582"},
  };
  for (const Case& c : cases) EXPECT_EQ(dec(expected_max_sharpe(c.trials)), c.e) << c.trials;
  // (1 - gamma) Phi^-1(0.999) + gamma Phi^-1(1 - 1/(1000 e)) = 3.2545 in real numbers.
  EXPECT_NEAR(real(expected_max_sharpe(1000)), 3.2545, 2e-3);
}

TEST(ExpectedMaxSharpe, BranchesTakeTheNamedFormula) {
  // Rebuilt from the public pieces: which formula serves Q1 and Q2 at each boundary.
  auto combine = [](Fixed q1, Fixed q2) { return q1 * 422'784 / S + q2 * 577'216 / S; };
  auto central_q1 = [](uint64_t n) { return inverse_normal(S - S / static_cast<Fixed>(n)); };
  auto central_q2 = [](uint64_t n) {
    return inverse_normal(S - static_cast<Fixed>(UINT64_C(1'000'000'000'000) / (n * 2'718'282)));
  };
  auto tail_q1 = [](uint64_t n) { return inverse_normal_tail(integer_ln(n)); };
  auto tail_q2 = [](uint64_t n) { return inverse_normal_tail(integer_ln(n) + S); };
  EXPECT_EQ(expected_max_sharpe(15), combine(central_q1(15), central_q2(15)));
  EXPECT_EQ(expected_max_sharpe(16), combine(central_q1(16), tail_q2(16)));
  EXPECT_EQ(expected_max_sharpe(41), combine(central_q1(41), tail_q2(41)));
  EXPECT_EQ(expected_max_sharpe(42), combine(tail_q1(42), tail_q2(42)));
  EXPECT_NE(expected_max_sharpe(16), combine(central_q1(16), central_q2(16)));
  EXPECT_NE(expected_max_sharpe(42), combine(central_q1(42), tail_q2(42)));
}

TEST(GaussianFactor, EveryRawSquareHasAValue) {
  // The wrapped square of x decides the range reduction's shift l in [-129, 130].
  struct Case {
    const char* x_squared;
    const char* e;
  };
  const Case cases[] = {
      {"0", "1000000"},
      {"1000000", "999999"},
      {"693147000000", "500000"},           // l = 1
      {"88376243000000", "0"},              // l = 128: the quotient is 0
      {"89999999999999", "0"},              // l = 130, at the bound
      {"90000000000000", "0"},              // above the bound
      {"-1000000000000", "2718053"},        // l = -0.94, truncated to 0
      {"-1039720000000", "2828420"},        // l = -1: one doubling
      {"-9116395991095", "9103142912"},     // l = -12
      {"-89999999999999", "0"},             // l = -129: 2^129 x e is 0 modulo 2^128
      {"-90000000000000", "9223372036854775807"},  // wrapped below minus the bound
  };
  for (const Case& c : cases)
    EXPECT_EQ(dec(gaussian_factor(i128(c.x_squared))), c.e) << c.x_squared;
}

struct PsrCase {
  const char* sr;
  const char* sr_benchmark;
  uint64_t n;
  const char* skewness;
  const char* kurtosis;
  const char* psr;  // nullptr: no value
};

TEST(ProbabilisticSharpe, KnownAnswers) {
  const PsrCase cases[] = {
      {"100000", "75592", 1, "0", "3000000", "500000"},  // n < 2
      {"100000", "75592", 252, "-500000", "4000000", "646554"},
      {"150000", "0", 1000, "0", "3000000", "999999"},
      {"-150000", "0", 1000, "0", "3000000", "1"},
      {"65000", "0", 170, "0", "3000000", "800696"},
      {"123456789012", "-987654", 5000, "333333", "9876543", "1000000"},
      // x^2 above the bound: E = 0, so 1.0 for positive and 0 for negative x.
      {"2000000", "0", 10000, "0", "3000000", "1000000"},
      {"-2000000", "0", 10000, "0", "3000000", "0"},
      // 1 - skew SR + ... below one millionth: the variance is taken as 1.
      {"1000000", "0", 2, "5000000", "0", "1000000"},
      // x = 9,450,000: x^2 under the bound, range reduction by a shift of 129.
      {"13364323", "0", 2, "0", "1000000", "1000000"},
      // x^2 wraps to -9,116,395,991,095: a shift by -12 (see the model's X_NEG_SHIFT_SR).
      {"67472481170738227806538038284090", "0", 2, "0", "1000000", "1000000"},
      // Products that wrap modulo 2^128 on the way.
      {"1267650600228229401496703205376", "-1267650600228229401496703205376", kU64Max,
       "1237940039285380274899124224", "-39614081257132168796771975168", "0"},
      {"-85070591730234615865843651857942052864", "85070591730234615865843651857942052864", 3,
       "-1329227995784915872903807060280344576", "2658455991569831745807614120560689152", "0"},
      {"-950944980665499232", "3493972486306907578", 62, "-709724754949243331896765083",
       "50647580054261186559392853463", "1267"},
      {"188777417607927825", "11718", 81, "-382769027969768050430992", "-91618479", "561902"},
      {"-3904913853099731413", "3413919413366", 15, "108353326807529108514", "3", "50120"},
      // var * S: the largest variance that fits, and one more.
      {"1000000", "0", 2, "-170141183460469231731687302715884", "1000000", "500000"},
      {"1000000", "0", 2, "-170141183460469231731687302715885", "1000000", nullptr},
  };
  for (const PsrCase& c : cases) {
    const std::optional<Fixed> psr = probabilistic_sharpe(
        i128(c.sr), i128(c.sr_benchmark), c.n, i128(c.skewness), i128(c.kurtosis));
    if (c.psr == nullptr) {
      EXPECT_FALSE(psr.has_value()) << c.sr << " " << c.kurtosis;
    } else {
      ASSERT_TRUE(psr.has_value()) << c.sr << " " << c.kurtosis;
      EXPECT_EQ(dec(*psr), c.psr) << c.sr << " " << c.sr_benchmark << " " << c.n;
    }
  }
}

TEST(ProbabilisticSharpe, SharpeAtTheBenchmarkIsOneHalf) {
  EXPECT_EQ(probabilistic_sharpe(0, 0, 2, 1'234'567, 7'654'321), Fixed{500'000});
  EXPECT_EQ(probabilistic_sharpe(75'592, 75'592, 252, 1'234'567, 7'654'321), Fixed{500'000});
  EXPECT_EQ(probabilistic_sharpe(-3'000'000, -3'000'000, kU64Max, 1'234'567, 7'654'321),
            Fixed{500'000});
}

TEST(ProbabilisticSharpe, AnUnformableRootNeverEqualsACommittedValue) {
  // The check compares the recomputed PSR with the committed one; no committed value passes.
  const std::optional<Fixed> psr =
      probabilistic_sharpe(S, 0, 2, i128("-170141183460469231731687302715885"), S);
  for (Fixed committed : {Fixed{0}, Fixed{500'000}, Fixed{1'000'000}, base::kI128Min})
    EXPECT_FALSE(psr == committed);
}

TEST(MinBacktestLength, KnownAnswers) {
  struct Case {
    uint64_t trials;
    const char* sr;
    const char* bars;
  };
  const Case cases[] = {
      {10, "0", "-1"},          {10, "-5", "-1"},       {kU64Max, "-1", "-1"},
      {1, "50000", "2"},        {0, "50000", "2"},
      {2, "1000000000", "2"},   // a tiny ratio still needs 2 bars
      {100, "100000", "641"},   {42, "75000", "868"},
      {1000, "1", "10595754132544"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(dec(min_backtest_length(c.trials, i128(c.sr))), c.bars) << c.trials << " " << c.sr;
}

}  // namespace
}  // namespace kovra::core
