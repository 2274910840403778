// The exposure-card and regime-panel rules: one consistent card and panel, and a table of
// single mutations of each with the expected verdict.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "kovra-core/lib.h"
#include "kovra-core/records.h"

namespace kovra::core {
namespace {

RegimePanel consistent_panel() {
  RegimePanel p;
  p.vol_window = 30;
  p.trend_window = 100;
  p.bucket_bars = {10, 20, 0, 5, 0, 1};               // 36 bars
  p.bucket_return_bps = {5, -3, 0, 10'000'000, 0, -99'999'999};
  return p;
}

TEST(RegimePanelRule, SingleMutations) {
  struct Case {
    const char* what;
    std::function<void(RegimePanel&)> mutate;
    uint32_t bars;
    bool consistent;
  };
  const Case cases[] = {
      {"as committed", [](RegimePanel&) {}, 37, true},
      {"vol window 20", [](RegimePanel& p) { p.vol_window = 20; }, 37, false},
      {"trend window 99", [](RegimePanel& p) { p.trend_window = 99; }, 37, false},
      {"buckets sum exactly to bars", [](RegimePanel&) {}, 36, false},
      {"buckets sum above bars", [](RegimePanel&) {}, 20, false},
      {"an empty bucket with return 5",
       [](RegimePanel& p) { p.bucket_return_bps[2] = 5; }, 37, false},
      {"a return of 10,000,001", [](RegimePanel& p) { p.bucket_return_bps[0] = 10'000'001; }, 37,
       false},
      {"a return of -2^63 passes", [](RegimePanel& p) { p.bucket_return_bps[1] = INT64_MIN; }, 37,
       true},
      {"all empty, bars 0", [](RegimePanel& p) { p.bucket_bars = {}; p.bucket_return_bps = {}; },
       0, true},
      {"one bar in a bucket, bars 0", [](RegimePanel& p) {
         p.bucket_bars = {1, 0, 0, 0, 0, 0};
         p.bucket_return_bps = {};
       }, 0, false},
      // A 32-bit sum would wrap to 2^32 - 6, below the bars.
      {"bucket sum beyond 32 bits", [](RegimePanel& p) { p.bucket_bars.fill(UINT32_MAX); },
       UINT32_MAX, false},
  };
  for (const Case& c : cases) {
    RegimePanel p = consistent_panel();
    c.mutate(p);
    EXPECT_EQ(is_consistent(p, c.bars), c.consistent) << c.what;
  }
}

ExposureCard consistent_card() {
  ExposureCard c;
  c.net_avg = 50;
  c.net_min = -100;
  c.net_max = 150;
  c.gross_avg = 120;
  c.gross_max = 200;
  c.long_bars = 10;
  c.short_bars = 5;
  c.flat_bars = 4;  // 19 = 20 bars - 1
  c.instruments = 2;
  return c;
}

TEST(ExposureCardRule, SingleMutations) {
  struct Case {
    const char* what;
    std::function<void(ExposureCard&)> mutate;
    uint32_t bars;
    uint32_t instruments;
    bool consistent;
  };
  const Case cases[] = {
      {"as committed", [](ExposureCard&) {}, 20, 2, true},
      {"net avg below net min", [](ExposureCard& c) { c.net_avg = -101; }, 20, 2, false},
      {"net avg above net max", [](ExposureCard& c) { c.net_avg = 151; }, 20, 2, false},
      {"negative gross avg", [](ExposureCard& c) { c.gross_avg = -1; }, 20, 2, false},
      {"gross avg above gross max", [](ExposureCard& c) { c.gross_avg = 201; }, 20, 2, false},
      {"gross max at the rail", [](ExposureCard& c) { c.gross_max = 2000; }, 20, 2, true},
      {"gross max 2001", [](ExposureCard& c) { c.gross_max = 2001; }, 20, 2, false},
      {"gross max below |net min|", [](ExposureCard& c) { c.net_min = -201; }, 20, 2, false},
      {"gross max below net max", [](ExposureCard& c) { c.net_max = 201; }, 20, 2, false},
      {"gross max below |net avg|", [](ExposureCard& c) {
         c.net_min = -300;
         c.net_avg = -250;
         c.gross_max = 249;
       }, 20, 2, false},
      {"net min -2^63", [](ExposureCard& c) {
         c.net_min = INT64_MIN;
         c.gross_max = 2000;
       }, 20, 2, false},
      {"bar accounting one short", [](ExposureCard&) {}, 21, 2, false},
      {"bars 0 needs no bars", [](ExposureCard& c) { c.long_bars = c.short_bars = c.flat_bars = 0; },
       0, 2, true},
      {"bars 0 with bars accounted", [](ExposureCard&) {}, 0, 2, false},
      {"bars 1 needs no bars", [](ExposureCard& c) { c.long_bars = c.short_bars = c.flat_bars = 0; },
       1, 2, true},
      // A 32-bit sum would wrap to 2^32 - 3 = max(bars, 1) - 1.
      {"bar sum beyond 32 bits",
       [](ExposureCard& c) { c.long_bars = c.short_bars = c.flat_bars = UINT32_MAX; },
       UINT32_MAX - 1, 2, false},
      {"another instrument count", [](ExposureCard&) {}, 20, 3, false},
      {"no instruments, none expected", [](ExposureCard& c) { c.instruments = 0; }, 20, 0, false},
  };
  for (const Case& c : cases) {
    ExposureCard card = consistent_card();
    c.mutate(card);
    EXPECT_EQ(is_consistent(card, c.bars, c.instruments), c.consistent) << c.what;
  }
}

}  // namespace
}  // namespace kovra::core
