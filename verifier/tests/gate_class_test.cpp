#include "verifier/gate_class.h"

#include <gtest/gtest.h>

namespace kovra::verifier {
namespace {

using core::RiskGate;

TEST(GateClass, OnlyTheExactPublishedTuplesBelongToAClass) {
  const RiskGate directional{120, 2000, 50, 2500, -1200, 3, 20, 100, 5, true};
  const RiskGate neutral{150, 500, 75, 1000, -400, 5, 20, 100, 5, true};
  ASSERT_TRUE(published_gate_class(directional).has_value());
  EXPECT_EQ(published_gate_class(directional)->name, "DIRECTIONAL-V1");
  ASSERT_TRUE(published_gate_class(neutral).has_value());
  EXPECT_EQ(published_gate_class(neutral)->name, "MARKET-NEUTRAL-V1");

  // One element changed at a time, in each class: never a class.
  const RiskGate classes[] = {directional, neutral};
  for (const RiskGate& base : classes) {
    const auto mutations = {
        +[](RiskGate& g) { g.min_sharpe = 200; },  // stricter is not published either
        +[](RiskGate& g) { g.min_cagr_bps += 1; },
        +[](RiskGate& g) { g.policy_value_3 -= 1; },
        +[](RiskGate& g) { g.max_drawdown_bps += 1; },
        +[](RiskGate& g) { g.worst_bar_floor_bps = -g.worst_bar_floor_bps; },
        +[](RiskGate& g) { g.min_trades += 1; },
        +[](RiskGate& g) { g.min_bars += 1; },
        +[](RiskGate& g) { g.policy_value_8 -= 1; },
        +[](RiskGate& g) { g.policy_value_9 += 1; },
        +[](RiskGate& g) { g.policy_flag_10 = false; },
    };
    int i = 0;
    for (auto mutate : mutations) {
      RiskGate g = base;
      mutate(g);
      EXPECT_FALSE(published_gate_class(g).has_value()) << "mutation " << i;
      ++i;
    }
  }
  // A mix of the two classes: DIRECTIONAL-V1 values with MARKET-NEUTRAL-V1's min_sharpe.
  RiskGate mix = directional;
  mix.min_sharpe = 150;
  EXPECT_FALSE(published_gate_class(mix).has_value());
  EXPECT_FALSE(published_gate_class(RiskGate{}).has_value());
}

}  // namespace
}  // namespace kovra::verifier

namespace kovra::verifier {
namespace {

TEST(GateClass, CheckLineNamesTheClassOrFails) {
  const struct {
    core::RiskGate gate;
    bool passes;
    const char* line;
  } cases[] = {
      {DIRECTIONAL_V1.gate, true, "  [\xe2\x9c\x93] gate policy is a published KOVRA class \xc2\xb7 DIRECTIONAL-V1\n"},
      {MARKET_NEUTRAL_V1.gate, true,
       "  [\xe2\x9c\x93] gate policy is a published KOVRA class \xc2\xb7 MARKET-NEUTRAL-V1\n"},
      {core::RiskGate{120, 2000, 50, 2500, 1200, 3, 20, 100, 5, true}, false,
       "  [\xe2\x9c\x97] gate policy matches NO published class (non-canonical / weakened gate)\n"},
  };
  for (const auto& c : cases) {
    StringOutput out;
    StringOutput err;
    Report report(out, err, [] { return false; });
    bool all_passed = true;
    check_gate_class(report, all_passed, c.gate);
    EXPECT_EQ(out.text, c.line);
    EXPECT_EQ(all_passed, c.passes);
    // The flag is only ever lowered.
    bool already_failed = false;
    check_gate_class(report, already_failed, c.gate);
    EXPECT_FALSE(already_failed);
  }
}

}  // namespace
}  // namespace kovra::verifier
