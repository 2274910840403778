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

}  // namespace kovra::verifier
