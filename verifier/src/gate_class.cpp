#include "verifier/gate_class.h"

namespace kovra::verifier {

std::optional<PublishedGateClass> published_gate_class(const core::RiskGate& gate) {
  // The classes differ in min_sharpe, which alone names the candidate; the whole record must
  // then equal it.
  const PublishedGateClass* candidate = nullptr;
  if (gate.min_sharpe == DIRECTIONAL_V1.gate.min_sharpe) candidate = &DIRECTIONAL_V1;
  if (gate.min_sharpe == MARKET_NEUTRAL_V1.gate.min_sharpe) candidate = &MARKET_NEUTRAL_V1;
  if (candidate == nullptr || !(gate == candidate->gate)) return std::nullopt;
  return *candidate;
}

void check_gate_class(Report& report, bool& all_passed, const core::RiskGate& gate) {
  const auto cls = published_gate_class(gate);
  if (cls) {
    report.check_line(all_passed, true,
                      "gate policy is a published KOVRA class \u00B7 " + std::string(cls->name));
  } else {
    report.check_line(all_passed, false,
                      "gate policy matches NO published class (non-canonical / weakened gate)");
  }
}

}  // namespace kovra::verifier
