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

namespace kovra::core {

base::Status<ChainError> check_chain(const CredentialBundle& parent, const CredentialBundle& child,
                                     const Bytes32& parent_digest, std::span<const BarRecord> bars) {
  using base::Err;
  const GateAttestation& p = parent.core.journal;
  const GateAttestation& c = child.core.journal;
  if (!child.digest_intact()) return Err(ChainError::ChildNotIntact);
  if (!parent.digest_intact()) return Err(ChainError::ParentNotIntact);
  if (parent.digest != parent_digest) return Err(ChainError::ParentDigestMismatch);
  if (parent.core.image_id != child.core.image_id) return Err(ChainError::GuestMismatch);
  if (p.commitment == Bytes32{} || p.commitment != c.commitment) {
    return Err(ChainError::SpecMismatch);
  }
  if (!(p.gate == c.gate) || p.periods_per_year != c.periods_per_year || p.fee_bps != c.fee_bps ||
      p.slippage_bps != c.slippage_bps) {
    return Err(ChainError::ParamsChanged);
  }
  if (bars.size() != c.bars || p.bars < 2 || c.bars <= p.bars) {
    return Err(ChainError::WindowNotExtended);
  }
  // p.bars < c.bars == bars.size(), so the prefix lies within the supplied bars.
  if (merkle_root(bars.first(p.bars)) != p.data_root) return Err(ChainError::PrefixRootMismatch);
  if (merkle_root(bars) != c.data_root) return Err(ChainError::ChildRootMismatch);
  return {};
}

base::Result<TrackBinding, TrackError> check_track(const CredentialBundle& bundle,
                                                   const TrackHead& head) {
  using base::Err;
  using Kind = TrackError::Kind;
  if (!bundle.digest_intact()) return Err(TrackError::of(Kind::CredentialNotIntact));
  if (head.size == 0) return Err(TrackError::of(Kind::Empty));
  if (head.model_commitment != bundle.core.journal.commitment) {
    return Err(TrackError::of(Kind::ModelMismatch));
  }
  return TrackBinding{head.model_commitment, head.size, head.first_ts, head.last_ts};
}

}  // namespace kovra::core
