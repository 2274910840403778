#include "kovra-core/chain.h"

#include <gtest/gtest.h>

namespace kovra::core {
namespace {

TEST(ChainErrorText, IsTheVariantName) {
  const std::pair<ChainError, const char*> cases[] = {
      {ChainError::ChildNotIntact, "ChildNotIntact"},
      {ChainError::ParentNotIntact, "ParentNotIntact"},
      {ChainError::ParentDigestMismatch, "ParentDigestMismatch"},
      {ChainError::GuestMismatch, "GuestMismatch"},
      {ChainError::SpecMismatch, "SpecMismatch"},
      {ChainError::ParamsChanged, "ParamsChanged"},
      {ChainError::WindowNotExtended, "WindowNotExtended"},
      {ChainError::PrefixRootMismatch, "PrefixRootMismatch"},
      {ChainError::ChildRootMismatch, "ChildRootMismatch"},
  };
  for (const auto& [error, text] : cases) EXPECT_EQ(to_string(error), text);
}

TEST(TrackErrorText, NamesTheVariantAndItsMembersInOrder) {
  using Kind = TrackError::Kind;
  const std::pair<TrackError, const char*> cases[] = {
      {TrackError::of(Kind::Empty), "Empty"},
      {TrackError::at_position(Kind::SeqOutOfOrder, 3), "SeqOutOfOrder { at: 3 }"},
      {TrackError::at_position(Kind::TimeInconsistent, UINT64_MAX),
       "TimeInconsistent { at: 18446744073709551615 }"},
      {TrackError::of(Kind::CredentialNotIntact), "CredentialNotIntact"},
      {TrackError::of(Kind::ModelMismatch), "ModelMismatch"},
      {TrackError::of(Kind::NotInTrack), "NotInTrack"},
      {TrackError::at_position(Kind::PositionOutOfRange, 0), "PositionOutOfRange { at: 0 }"},
      {TrackError::anchor_not_before_periods(1700000001, 1700000000),
       "AnchorNotBeforePeriods { anchor_unix: 1700000001, first_period_start: 1700000000 }"},
      {TrackError::anchor_not_before_periods(INT64_MIN, -5),
       "AnchorNotBeforePeriods { anchor_unix: -9223372036854775808, first_period_start: -5 }"},
  };
  for (const auto& [error, text] : cases) EXPECT_EQ(to_string(error), text);
}

}  // namespace
}  // namespace kovra::core
