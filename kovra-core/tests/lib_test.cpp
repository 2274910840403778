// Regime labels, the equal-weight series and the Marchenko-Pastur bound.
//
// Expected labels and series come from tests/model/regime_model.py, and the Marchenko-Pastur
// values from tests/model/fixed_point_model.py: Python models written from the formulas
// independently of the C++ code (the regime model recomputes every window from scratch and
// sums (r - q)^2 directly), run once.
#include "kovra-core/lib.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "int128_text.h"

namespace kovra::core {
namespace {

using Series = std::vector<int64_t>;

// The models' deterministic price walk (lcg_prices in regime_model.py).
Series lcg_prices(size_t n, uint64_t seed) {
  uint64_t x = seed;
  int64_t price = 1'000'000'000;
  Series out{price};
  for (size_t i = 1; i < n; ++i) {
    x = x * 6364136223846793005ULL + 1442695040888963407ULL;
    int64_t move = static_cast<int64_t>((x >> 33) % 20001) - 10000;
    if (i >= 150 && i < 200) move *= 4;
    const int64_t product = price * move;
    int64_t step = product / 1'000'000;
    if (product % 1'000'000 != 0 && product < 0) --step;  // floor, as the model's //
    price += step;
    out.push_back(price);
  }
  return out;
}

// Labels as text: the digit of each label, '.' for unlabelled.
std::string text(const std::vector<uint8_t>& labels) {
  std::string s;
  for (uint8_t l : labels) s += l == kUnlabelled ? '.' : static_cast<char>('0' + l);
  return s;
}

std::string tail_text(const std::vector<uint8_t>& labels, size_t from) {
  return text(labels).substr(from);
}

TEST(RegimeLabels, ShortSeriesAreUnlabelled) {
  EXPECT_TRUE(regime_labels(Series{}).empty());
  EXPECT_TRUE(regime_labels(Series{5}).empty());
  for (size_t n : {2u, 3u, 31u, 99u, 100u}) {
    const std::vector<uint8_t> labels = regime_labels(lcg_prices(n, 5));
    EXPECT_EQ(labels, std::vector<uint8_t>(n - 1, kUnlabelled)) << n;
  }
}

TEST(RegimeLabels, KnownWalk) {
  const Series walk = lcg_prices(400, 42);
  ASSERT_EQ(walk[1], 994'324'000);  // the walk is the model's
  ASSERT_EQ(walk.back(), 1'073'281'910);
  const std::vector<uint8_t> labels = regime_labels(walk);
  EXPECT_EQ(text(labels),
            std::string(99, '.') +
                "000000000002022200002000002222224424422222222222222444444445555555554455554555"
                "555555555555555555555545444444444444444444444444444422222222222222222222222222"
                "222202220000223231111111111000001100111010000000310001233112222323335355555533"
                "333355333355553333310320002000201100111111000000111011111111111113");
  EXPECT_EQ(regime_bucket_counts(labels), (std::array<uint64_t, 6>{61, 45, 71, 27, 44, 52}));
}

TEST(RegimeLabels, EdgeCases) {
  // 101 prices: one label at position 99, whose volatility is both thresholds: code 0 plus
  // the trend bit.
  Series rising, falling;
  for (int64_t i = 0; i < 101; ++i) {
    rising.push_back(1'000'000 + i);
    falling.push_back(1'000'101 - i);
  }
  EXPECT_EQ(text(regime_labels(rising)), std::string(99, '.') + "1");
  EXPECT_EQ(text(regime_labels(falling)), std::string(99, '.') + "0");

  // Constant prices: volatility 0 and trend down everywhere.
  EXPECT_EQ(regime_bucket_counts(regime_labels(Series(150, 5'000'000))),
            (std::array<uint64_t, 6>{50, 0, 0, 0, 0, 0}));

  // Three labelled positions with volatilities 0 < a < b: a equals t1 and stays low, b
  // equals t2 and is middle (never high).
  Series ties(100, 1'000'000);
  ties.insert(ties.end(), {1'010'000, 1'040'000, 1'040'000});
  EXPECT_EQ(tail_text(regime_labels(ties), 99), "013");

  // A previous price of 0 or below gives a return of 0; a -150 % step is clamped to -100 %.
  Series q = lcg_prices(140, 7);
  q[110] = 0;
  q[120] = -3'000'000;
  q[130] = -(q[129] / 2);
  EXPECT_EQ(tail_text(regime_labels(q), 99), "0000000000020200000002333335555455555555");
}

TEST(EqualWeightSeries, KnownAnswers) {
  const Series walk1 = lcg_prices(40, 1);
  struct Case {
    const char* what;
    std::vector<Series> series;
    Series value;
  };
  const Case cases[] = {
      {"one series unchanged", {{7, -3, 0, 9}}, {7, -3, 0, 9}},
      {"one empty series unchanged", {{}}, {}},
      {"-150 % is not clamped", {{100, -50}, {100, 100}}, {100'000, 25'000}},
      {"a series at zero keeps 1", {{100, 0, 0}, {100, 0, 5}}, {100'000, 1, 1}},
      {"a negative previous value counts", {{-100, -50}, {-100, -100}}, {100'000, 75'000}},
      {"held at 2^63 - 1, then the product wraps",
       {{1, INT64_C(1) << 62, INT64_C(1) << 62}, {1, 1, INT64_C(1) << 62}},
       {100'000, INT64_MAX, 2'305'843'009'213'693'951}},
      {"three walks",
       {walk1, lcg_prices(40, 2), lcg_prices(40, 3)},
       {100000, 99990, 99790, 99420, 99221, 98714, 98595, 98733, 99266, 98839,
        98987,  98066, 98311, 97554, 97446, 96783, 96531, 96810, 96548, 96461,
        96798,  96991, 97679, 97796, 97991, 97863, 97921, 98596, 98605, 98851,
        98999,  98642, 98829, 99184, 99372, 99501, 99520, 99758, 100286, 100155}},
      {"a longer second series: its extra values are ignored",
       {Series(walk1.begin(), walk1.begin() + 10), lcg_prices(40, 2)},
       {100000, 100230, 100370, 100259, 99918, 99508, 99577, 99925, 100624, 100030}},
  };
  for (const Case& c : cases) {
    const std::optional<Series> value = equal_weight_series(c.series);
    ASSERT_TRUE(value.has_value()) << c.what;
    EXPECT_EQ(*value, c.value) << c.what;
  }
  const std::optional<Series> portfolio =
      equal_weight_series(std::vector<Series>{lcg_prices(300, 11), lcg_prices(300, 12)});
  ASSERT_TRUE(portfolio.has_value());
  EXPECT_EQ(regime_bucket_counts(regime_labels(*portfolio)),
            (std::array<uint64_t, 6>{64, 7, 43, 21, 54, 11}));
}

TEST(EqualWeightSeries, SeriesThatCannotBeCombined) {
  // Run under ASan as well: none of these reads past a series.
  const std::vector<Series> cases[] = {
      {},                                  // no series
      {{}, {1, 2, 3}},                     // an empty first series among several
      {{}, {}},
      {{1, 2, 3}, {1, 2}},                 // a shorter second series
      {{1, 2, 3}, {1, 2, 3}, {}},          // a shorter last series
  };
  for (const std::vector<Series>& series : cases)
    EXPECT_FALSE(equal_weight_series(series).has_value()) << series.size();
}

TEST(RegimeCountsMatch, ComparesReDerivedCounts) {
  const Series walk = lcg_prices(400, 42);
  const std::array<uint32_t, 6> committed{61, 45, 71, 27, 44, 52};
  EXPECT_TRUE(regime_counts_match(committed, walk));
  for (size_t i = 0; i < committed.size(); ++i) {
    std::array<uint32_t, 6> off = committed;
    ++off[i];
    EXPECT_FALSE(regime_counts_match(off, walk)) << i;
  }
}

TEST(RegimeCountsMatch, UncombinableSeriesFailTheCheck) {
  // An empty first file among several: had it been combined into an empty series, its counts
  // (all zero) would match a panel with every bucket empty. It cannot be combined, so the
  // check fails.
  const std::array<uint32_t, 6> empty_panel{};
  EXPECT_TRUE(regime_counts_match(empty_panel, Series{}));
  const std::vector<Series> files{{}, lcg_prices(300, 1)};
  EXPECT_FALSE(regime_counts_match(empty_panel, equal_weight_series(files)));
  const std::vector<Series> unequal{lcg_prices(300, 1), lcg_prices(299, 2)};
  EXPECT_FALSE(regime_counts_match(empty_panel, equal_weight_series(unequal)));
}

TEST(MarchenkoPasturUpper, KnownAnswers) {
  struct Case {
    uint64_t n;
    uint64_t t;
    std::optional<Fixed> lambda;
  };
  const Case cases[] = {
      {1, 10, std::nullopt},
      {5, 5, std::nullopt},
      {6, 5, std::nullopt},
      {0, 0, std::nullopt},
      {2, 3, Fixed{3'299'657}},
      {10, 252, Fixed{1'438'087}},
      {2, 3'000'000, Fixed{1'000'000}},  // n S < t: ratio 0
      {2, UINT64_MAX, Fixed{1'000'000}},
      {UINT64_MAX - 1, UINT64_MAX, Fixed{3'999'996}},
  };
  for (const Case& c : cases) {
    const std::optional<Fixed> lambda = marchenko_pastur_upper(c.n, c.t);
    EXPECT_EQ(lambda.has_value(), c.lambda.has_value()) << c.n << " " << c.t;
    if (lambda && c.lambda) {
      EXPECT_EQ(test::dec(*lambda), test::dec(*c.lambda)) << c.n;
    }
  }
}

}  // namespace
}  // namespace kovra::core
