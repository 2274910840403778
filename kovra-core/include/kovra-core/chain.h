// Chain and track checks: two relations between a credential and something published before.
//
// A chained credential extends a parent credential of the same strategy over a longer window
// of the same data. `check_chain` tests, in this order, and reports the first failure:
//
//   ChildNotIntact        the child's stored digest does not match its core
//   ParentNotIntact       the parent's stored digest does not match its core
//   ParentDigestMismatch  the parent's stored digest is not the one the caller names
//   GuestMismatch         different guest image ids
//   SpecMismatch          the parent's commitment is all zero, or differs from the child's
//   ParamsChanged         RiskGate (all ten elements), periods_per_year, fee or slippage differ
//   WindowNotExtended     the supplied bars are not the child's count, the parent has fewer
//                         than 2 bars, or the child has no more bars than the parent
//   PrefixRootMismatch    the first parent-many bars do not give the parent's data root
//   ChildRootMismatch     all the bars do not give the child's data root
//
// Window times, disclosed metrics, verdicts and panels are not compared: the extension is
// the bar counts and the Merkle prefix alone.
//
// A black-box credential belongs to a published live track (TrackHead): `check_track`
// requires an intact credential digest (CredentialNotIntact), a non-empty track (Empty) and
// the track's model commitment equal to the credential's commitment (ModelMismatch), in
// that order, and returns the head's TrackBinding.
//
// The debug form of an error is its variant name, followed for a variant with members by
// " { ", each member as "name: value" (decimal) separated by ", ", and " }".
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/result.h"
#include "kovra-core/bundle.h"
#include "kovra-core/merkle.h"
#include "kovra-core/track_head.h"

namespace kovra::core {

enum class ChainError : uint8_t {
  ChildNotIntact,
  ParentNotIntact,
  ParentDigestMismatch,
  GuestMismatch,
  SpecMismatch,
  ParamsChanged,
  WindowNotExtended,
  PrefixRootMismatch,
  ChildRootMismatch,
};

// "ChildNotIntact", "ParentDigestMismatch", ...
std::string to_string(ChainError error);

struct TrackError {
  enum class Kind : uint8_t {
    Empty,
    SeqOutOfOrder,
    TimeInconsistent,
    CredentialNotIntact,
    ModelMismatch,
    NotInTrack,
    PositionOutOfRange,
    AnchorNotBeforePeriods,
  };
  Kind kind = Kind::Empty;
  uint64_t at = 0;                 // SeqOutOfOrder, TimeInconsistent, PositionOutOfRange
  int64_t anchor_unix = 0;         // AnchorNotBeforePeriods
  int64_t first_period_start = 0;  // AnchorNotBeforePeriods

  static TrackError of(Kind kind) { return TrackError{kind}; }
  static TrackError at_position(Kind kind, uint64_t at) { return TrackError{kind, at}; }
  static TrackError anchor_not_before_periods(int64_t anchor_unix, int64_t first_period_start) {
    return TrackError{Kind::AnchorNotBeforePeriods, 0, anchor_unix, first_period_start};
  }

  friend bool operator==(const TrackError&, const TrackError&) = default;
};

// "Empty", "SeqOutOfOrder { at: 3 }",
// "AnchorNotBeforePeriods { anchor_unix: 5, first_period_start: -2 }", ...
std::string to_string(const TrackError& error);

// What a credential's track membership establishes, copied from the head.
struct TrackBinding {
  Bytes32 model_commitment{};
  uint64_t size = 0;
  int64_t first_ts = 0;
  int64_t last_ts = 0;

  friend bool operator==(const TrackBinding&, const TrackBinding&) = default;
};

// `parent` is the bundle the chain extends, `child` the bundle under verification,
// `parent_digest` the digest the chain record names for the parent and `bars` the child's
// bars as loaded.
base::Status<ChainError> check_chain(const CredentialBundle& parent, const CredentialBundle& child,
                                     const Bytes32& parent_digest, std::span<const BarRecord> bars);

base::Result<TrackBinding, TrackError> check_track(const CredentialBundle& bundle,
                                                   const TrackHead& head);

}  // namespace kovra::core
