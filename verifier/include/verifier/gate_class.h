// The published gate policy classes.
//
// A credential is comparable with others only when the RiskGate it committed to is exactly
// one of the published classes, not a weakened one. There are two; their values in RiskGate
// element order:
//
//   element                 DIRECTIONAL-V1   MARKET-NEUTRAL-V1
//   min_sharpe (x100)            120               150
//   min_cagr_bps                2000               500
//   policy_value_3                50                75
//   max_drawdown_bps            2500              1000
//   worst_bar_floor_bps        -1200              -400
//   min_trades                     3                 5
//   min_bars                      20                20
//   policy_value_8               100               100
//   policy_value_9                 5                 5
//   policy_flag_10              true              true
//
// A gate belongs to a class when all ten elements are equal; a stricter gate is no class.
#pragma once

#include <optional>
#include <string_view>

#include "kovra-core/records.h"
#include "verifier/report.h"

namespace kovra::verifier {

struct PublishedGateClass {
  std::string_view name;
  core::RiskGate gate;
};

inline constexpr PublishedGateClass DIRECTIONAL_V1 = {
    "DIRECTIONAL-V1", {120, 2000, 50, 2500, -1200, 3, 20, 100, 5, true}};
inline constexpr PublishedGateClass MARKET_NEUTRAL_V1 = {
    "MARKET-NEUTRAL-V1", {150, 500, 75, 1000, -400, 5, 20, 100, 5, true}};

// The published class the gate equals in all ten elements; nullopt for any other gate.
std::optional<PublishedGateClass> published_gate_class(const core::RiskGate& gate);

// One check line: passed "gate policy is a published KOVRA class · {name}", or failed
// "gate policy matches NO published class (non-canonical / weakened gate)".
void check_gate_class(Report& report, bool& all_passed, const core::RiskGate& gate);

}  // namespace kovra::verifier
