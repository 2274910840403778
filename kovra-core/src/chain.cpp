#include "kovra-core/chain.h"

namespace kovra::core {

std::string to_string(ChainError error) {
  switch (error) {
    case ChainError::ChildNotIntact: return "ChildNotIntact";
    case ChainError::ParentNotIntact: return "ParentNotIntact";
    case ChainError::ParentDigestMismatch: return "ParentDigestMismatch";
    case ChainError::GuestMismatch: return "GuestMismatch";
    case ChainError::SpecMismatch: return "SpecMismatch";
    case ChainError::ParamsChanged: return "ParamsChanged";
    case ChainError::WindowNotExtended: return "WindowNotExtended";
    case ChainError::PrefixRootMismatch: return "PrefixRootMismatch";
    case ChainError::ChildRootMismatch: return "ChildRootMismatch";
  }
  return "ChainError";
}

std::string to_string(const TrackError& error) {
  using Kind = TrackError::Kind;
  auto with_at = [&](const char* name) {
    return std::string(name) + " { at: " + std::to_string(error.at) + " }";
  };
  switch (error.kind) {
    case Kind::Empty: return "Empty";
    case Kind::SeqOutOfOrder: return with_at("SeqOutOfOrder");
    case Kind::TimeInconsistent: return with_at("TimeInconsistent");
    case Kind::CredentialNotIntact: return "CredentialNotIntact";
    case Kind::ModelMismatch: return "ModelMismatch";
    case Kind::NotInTrack: return "NotInTrack";
    case Kind::PositionOutOfRange: return with_at("PositionOutOfRange");
    case Kind::AnchorNotBeforePeriods:
      return "AnchorNotBeforePeriods { anchor_unix: " + std::to_string(error.anchor_unix) +
             ", first_period_start: " + std::to_string(error.first_period_start) + " }";
  }
  return "TrackError";
}

}  // namespace kovra::core
