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

#include <functional>
#include <vector>

#include "kovra-core/testing/bundle_writer.h"

namespace kovra::core {
namespace {

std::vector<BarRecord> sample_bars(size_t n) {
  std::vector<BarRecord> bars;
  for (size_t i = 0; i < n; ++i) {
    const auto t = static_cast<int64_t>(i);
    bars.push_back({1'700'000'000 + 86'400 * t, 100'000'000 + t, 101'000'000 + t, 99'000'000 + t,
                    100'500'000 + t});
  }
  return bars;
}

// Stores the core's own digest, so that the bundle is intact.
void seal(CredentialBundle& b) { b.digest = b.core.digest(); }

// A parent over the first 5 of 8 bars and its child over all 8: a chain that holds.
struct ChainFixture {
  CredentialBundle parent = testing::sample_credential_bundle(true);
  CredentialBundle child = testing::sample_credential_bundle(true);
  std::vector<BarRecord> bars = sample_bars(8);
  Bytes32 parent_digest{};

  ChainFixture() {
    parent.core.journal.bars = 5;
    parent.core.journal.data_root = merkle_root(std::span(bars).first(5));
    child.core.journal.bars = 8;
    child.core.journal.data_root = merkle_root(bars);
    child.core.journal.window_end += 3 * 86'400;
    seal(parent);
    seal(child);
    parent_digest = parent.digest;
  }

  base::Status<ChainError> check() const { return check_chain(parent, child, parent_digest, bars); }
};

TEST(CheckChain, HoldsForAStrictExtensionUnderOneSpec) {
  ChainFixture f;
  EXPECT_TRUE(f.check().ok());
  // Window times, disclosed metrics and verdicts are not compared.
  f.child.core.journal.window_start -= 1;
  f.child.core.journal.disclosed->sharpe += 40;
  f.child.core.journal.gate_passed = !f.parent.core.journal.gate_passed;
  seal(f.child);
  EXPECT_TRUE(f.check().ok());
}

TEST(CheckChain, ReportsTheFirstTestThatFails) {
  using Mutation = std::function<void(ChainFixture&)>;
  auto child = [](auto edit) {
    return [edit](ChainFixture& f) { edit(f.child.core.journal); seal(f.child); };
  };
  const struct {
    const char* name;
    Mutation mutate;
    ChainError error;
  } cases[] = {
      {"child digest broken", [](ChainFixture& f) { f.child.digest[0] ^= 1; }, ChainError::ChildNotIntact},
      {"child core edited after sealing", [](ChainFixture& f) { f.child.core.issuer += "x"; },
       ChainError::ChildNotIntact},
      {"both broken", [](ChainFixture& f) { f.child.digest[0] ^= 1; f.parent.digest[0] ^= 1; },
       ChainError::ChildNotIntact},
      {"parent broken", [](ChainFixture& f) { f.parent.core.header_u64 += 1; }, ChainError::ParentNotIntact},
      {"another parent digest named", [](ChainFixture& f) { f.parent_digest[31] ^= 0x80; },
       ChainError::ParentDigestMismatch},
      {"another guest", [](ChainFixture& f) { f.child.core.image_id[5] ^= 1; seal(f.child); },
       ChainError::GuestMismatch},
      {"zero spec on both", [](ChainFixture& f) {
         f.parent.core.journal.commitment = {};
         f.child.core.journal.commitment = {};
         seal(f.parent);
         seal(f.child);
         f.parent_digest = f.parent.digest;
       }, ChainError::SpecMismatch},
      {"another spec", child([](GateAttestation& g) { g.commitment[0] ^= 1; }), ChainError::SpecMismatch},
      {"min_bars", child([](GateAttestation& g) { g.gate.min_bars += 1; }), ChainError::ParamsChanged},
      {"policy flag", child([](GateAttestation& g) { g.gate.policy_flag_10 = !g.gate.policy_flag_10; }),
       ChainError::ParamsChanged},
      {"periods per year", child([](GateAttestation& g) { g.periods_per_year += 1; }), ChainError::ParamsChanged},
      {"fee", child([](GateAttestation& g) { g.fee_bps += 1; }), ChainError::ParamsChanged},
      {"slippage", child([](GateAttestation& g) { g.slippage_bps -= 1; }), ChainError::ParamsChanged},
      {"parent of one bar", [](ChainFixture& f) {
         f.parent.core.journal.bars = 1;
         f.parent.core.journal.data_root = merkle_root(std::span(f.bars).first(1));
         seal(f.parent);
         f.parent_digest = f.parent.digest;
       }, ChainError::WindowNotExtended},
      {"child as long as its parent", [](ChainFixture& f) {
         f.bars.resize(5);
         f.child.core.journal.bars = 5;
         f.child.core.journal.data_root = merkle_root(f.bars);
         seal(f.child);
       }, ChainError::WindowNotExtended},
      {"one bar more supplied", [](ChainFixture& f) { f.bars.push_back(f.bars.back()); },
       ChainError::WindowNotExtended},
      {"one bar fewer supplied", [](ChainFixture& f) { f.bars.pop_back(); }, ChainError::WindowNotExtended},
      {"no bars supplied", [](ChainFixture& f) { f.bars.clear(); }, ChainError::WindowNotExtended},
      {"prefix bar edited", [](ChainFixture& f) { f.bars[0].close += 1; }, ChainError::PrefixRootMismatch},
      {"last prefix bar edited", [](ChainFixture& f) { f.bars[4].high += 1; }, ChainError::PrefixRootMismatch},
      {"appended bar edited", [](ChainFixture& f) { f.bars[5].low -= 1; }, ChainError::ChildRootMismatch},
      {"child root wrong", child([](GateAttestation& g) { g.data_root[0] ^= 1; }), ChainError::ChildRootMismatch},
  };
  for (const auto& c : cases) {
    ChainFixture f;
    c.mutate(f);
    const auto r = f.check();
    ASSERT_FALSE(r.ok()) << c.name;
    EXPECT_EQ(to_string(r.error()), to_string(c.error)) << c.name;
  }
}

struct TrackFixture {
  CredentialBundle bundle = testing::sample_credential_bundle(false);
  TrackHead head;

  TrackFixture() {
    seal(bundle);
    head.model_commitment = bundle.core.journal.commitment;
    head.size = 30;
    head.merkle_root = testing::sample_bytes32(90);
    head.chain_head = testing::sample_bytes32(91);
    head.first_ts = 1'700'000'000;
    head.last_ts = 1'702'505'600;
  }
};

TEST(CheckTrack, BindsACredentialToItsTrack) {
  TrackFixture f;
  const auto binding = check_track(f.bundle, f.head);
  ASSERT_TRUE(binding.ok());
  EXPECT_EQ(*binding, (TrackBinding{f.head.model_commitment, 30, 1'700'000'000, 1'702'505'600}));
  // The head's merkle root and chain head are not consulted here.
  f.head.merkle_root = {};
  f.head.chain_head = {};
  EXPECT_TRUE(check_track(f.bundle, f.head).ok());
}

TEST(CheckTrack, ReportsTheFirstTestThatFails) {
  using Kind = TrackError::Kind;
  const struct {
    const char* name;
    std::function<void(TrackFixture&)> mutate;
    Kind error;
  } cases[] = {
      {"broken digest", [](TrackFixture& f) { f.bundle.digest[3] ^= 4; }, Kind::CredentialNotIntact},
      {"broken digest, empty head", [](TrackFixture& f) {
         f.bundle.digest[3] ^= 4;
         f.head.size = 0;
         f.head.model_commitment = {};
       }, Kind::CredentialNotIntact},
      {"empty head with a wrong model", [](TrackFixture& f) {
         f.head.size = 0;
         f.head.model_commitment[0] ^= 1;
       }, Kind::Empty},
      {"another model", [](TrackFixture& f) { f.head.model_commitment[31] ^= 1; }, Kind::ModelMismatch},
  };
  for (const auto& c : cases) {
    TrackFixture f;
    c.mutate(f);
    const auto r = check_track(f.bundle, f.head);
    ASSERT_FALSE(r.ok()) << c.name;
    EXPECT_EQ(r.error(), TrackError::of(c.error)) << c.name;
  }
}

}  // namespace
}  // namespace kovra::core
