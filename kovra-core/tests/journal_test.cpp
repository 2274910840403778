#include "kovra-core/journal.h"

#include <gtest/gtest.h>

#include "kovra-core/testing/bundle_writer.h"
#include "kovra-core/testing/journal_writer.h"

namespace kovra::core {
namespace {

using receipts::testing::WordWriter;
using testing::journal_bytes;
using testing::sample_bytes32;
using testing::sample_gate_attestation;
using testing::write_words;
using Kind = WordCodecError::Kind;

std::vector<uint8_t> bytes_of(const std::vector<uint32_t>& words) {
  WordWriter w;
  for (uint32_t x : words) w.u32(x);
  return w.bytes();
}

TEST(GateJournal, WordPositionsOfTheMinimalLayout) {
  // Laid out by hand: tag 0, commitment 1-32, data root 33-64, canonical 65, gate 66-81,
  // gate_passed 82, window start/end, fee, slippage 83-90, periods 91, bars 92, format 93,
  // ohlc 94, exposure tag 95, regimes tag 96, aux binding 97-128.
  std::vector<uint32_t> w(129, 0);
  for (int i = 0; i < 32; ++i) w[1 + i] = uint32_t(i);
  w[33] = 0xff;
  w[65] = 1;
  w[66] = 120;                  // min_sharpe low word
  w[76] = 7;                    // min_trades
  w[81] = 1;                    // policy_flag_10
  w[82] = 1;                    // gate_passed
  w[83] = 0x5f5e1000u;          // window_start low
  w[84] = 0x1;                  // window_start high
  w[87] = 0xfffffff6u;          // fee_bps -10
  w[88] = 0xffffffffu;
  w[91] = 8760;
  w[92] = 1000;
  w[93] = 65535;
  w[94] = 1;
  w[128] = 9;
  auto g = GateAttestation::from_words(bytes_of(w));
  ASSERT_TRUE(g.ok()) << g.error().fmt();
  EXPECT_FALSE(g->disclosed.has_value());
  EXPECT_EQ(g->commitment[31], 31);
  EXPECT_EQ(g->data_root[0], 0xff);
  EXPECT_TRUE(g->canonical_data);
  EXPECT_EQ(g->gate.min_sharpe, 120);
  EXPECT_EQ(g->gate.min_trades, 7u);
  EXPECT_TRUE(g->gate.policy_flag_10);
  EXPECT_TRUE(g->gate_passed);
  EXPECT_EQ(g->window_start, 0x15f5e1000ll);
  EXPECT_EQ(g->fee_bps, -10);
  EXPECT_EQ(g->periods_per_year, 8760u);
  EXPECT_EQ(g->bars, 1000u);
  EXPECT_EQ(g->format_version, 65535);
  EXPECT_TRUE(g->ohlc_risk);
  EXPECT_FALSE(g->exposure.has_value());
  EXPECT_FALSE(g->regimes.has_value());
  EXPECT_EQ(g->aux_binding[31], 9);

  // Word by word, the elements that carry a range check.
  const std::pair<size_t, const char*> bad[] = {
      {0, "Found an Option discriminant that wasn't 0 or 1"},
      {5, "invalid value: integer `256`, expected u8"},
      {65, "Found a bool that wasn't 0 or 1"},
      {81, "Found a bool that wasn't 0 or 1"},
      {93, "invalid value: integer `65536`, expected u16"},
      {95, "Found an Option discriminant that wasn't 0 or 1"},
      {96, "Found an Option discriminant that wasn't 0 or 1"},
  };
  for (const auto& [at, text] : bad) {
    auto broken = w;
    broken[at] = at == 93 ? 65536 : (at == 5 ? 256 : 2);
    auto r = GateAttestation::from_words(bytes_of(broken));
    ASSERT_FALSE(r.ok()) << at;
    EXPECT_EQ(r.error().fmt(), text) << at;
  }
}

TEST(GateJournal, WordCountsAndRoundTrip) {
  for (bool disclosing : {false, true}) {
    const GateAttestation g = sample_gate_attestation(disclosing);
    auto bytes = journal_bytes(g);
    EXPECT_EQ(bytes.size() / 4, disclosing ? 183u : 129u);
    auto in = WordReader::from_bytes(bytes);
    ASSERT_TRUE(in.ok());
    auto back = GateAttestation::read_words(*in);
    ASSERT_TRUE(back.ok()) << back.error().fmt();
    EXPECT_EQ(*back, g);
    EXPECT_EQ(in->remaining(), 0u);
    // Trailing words are never read.
    bytes.insert(bytes.end(), {2, 0, 0, 0, 9, 9, 9, 9});
    EXPECT_EQ(*GateAttestation::from_words(bytes), g);
  }
}

TEST(GateJournal, CutAtEveryWordEndsTheWords) {
  const auto bytes = journal_bytes(sample_gate_attestation(true));
  for (size_t words = 0; words < bytes.size() / 4; ++words) {
    auto r = GateAttestation::from_words(std::span<const uint8_t>(bytes.data(), 4 * words));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().fmt(), "Unexpected end during deserialization") << words;
  }
  for (size_t len : {5u, 6u, 7u, 517u}) {
    auto r = GateAttestation::from_words(std::span<const uint8_t>(bytes.data(), len));
    EXPECT_EQ(r.error().fmt(), "failed to cast or read slice as [u32]: OutputSliceWouldHaveSlop");
  }
}

TrialLedger sample_ledger() { return TrialLedger{12, sample_bytes32(1), sample_bytes32(0xe0)}; }

DsrJournal sample_dsr() {
  return DsrJournal{sample_gate_attestation(false), 950'000, -I128(1) << 70, 123'456, 12,
                    sample_ledger(), true};
}
PboJournal sample_pbo() {
  return PboJournal{sample_gate_attestation(false), 250'000, 12, 8, 70, sample_ledger(), true};
}
PboAggJournal sample_pbo_agg() {
  return PboAggJournal{sample_gate_attestation(true), 125'000, 12, 16, 12'870,
                       sample_ledger(), sample_bytes32(0x77), false};
}
CpcvJournal sample_cpcv() {
  return CpcvJournal{sample_gate_attestation(false), -5, 1'500'000, 15, 6, 2, 10, 5,
                     uint64_t{1} << 40, true};
}
ValidationExtJournal sample_vext_stats(std::vector<uint32_t> survivors) {
  ValidationExtJournal s;
  s.commitment = sample_bytes32(0x10);
  s.data_root = sample_bytes32(0x40);
  s.trials = 12;
  s.sample_bars = 1000;
  s.periods_per_year = 8760;
  s.winner_sr = 31'000;
  s.psr = 970'000;
  s.psr_benchmark = 1'000;
  s.skewness = -200'000;
  s.kurtosis = 3'400'000;
  s.psr_pass = true;
  s.min_btl = 640;
  s.noise_ceiling = 2'100'000;
  s.min_btl_pass = true;
  s.hl_t = 2'900'000;
  s.p_bonferroni = 40'000;
  s.p_holm = 30'000;
  s.p_bhy = 20'000;
  s.haircut_sr = 25'000;
  s.bhy_pass = true;
  s.spa_t_max = 2'700'000;
  s.spa_p = 10'000;
  s.spa_replicates = 1000;
  s.spa_block = 20;
  s.romano_wolf_survivors = std::move(survivors);
  s.spa_pass = true;
  s.composite_pass = false;
  return s;
}
LabelSchemaJournal sample_label_schema() {
  return LabelSchemaJournal{sample_bytes32(0x40), 1000, 77, 150, -100, 24,
                            sample_bytes32(3), sample_bytes32(4), -1, true};
}
StructuralJournal sample_structural() {
  return StructuralJournal{sample_bytes32(0x40), 1000, 5'000'000, 3, 100, 180, 50, 5,
                           1'800'000, true};
}
HrpJournal sample_hrp(std::vector<I128> weights) {
  return HrpJournal{sample_bytes32(0x40), static_cast<uint64_t>(weights.size()), 500, 30,
                    2'400'000, sample_bytes32(9), std::move(weights), true};
}

// Round trip through the words, with the expected size in words, and the same value when
// trailing words follow.
template <class T>
void expect_round_trip(const T& record, size_t words) {
  auto bytes = journal_bytes(record);
  EXPECT_EQ(bytes.size() / 4, words);
  auto back = T::from_words(bytes);
  ASSERT_TRUE(back.ok()) << back.error().fmt();
  EXPECT_TRUE(*back == record);
  bytes.insert(bytes.end(), {7, 7, 7, 7});
  auto again = T::from_words(bytes);
  ASSERT_TRUE(again.ok());
  EXPECT_TRUE(*again == record);
  // One word short: the end of the words.
  bytes.resize(bytes.size() - 8);
  auto cut = T::from_words(bytes);
  ASSERT_FALSE(cut.ok());
  EXPECT_EQ(cut.error().kind(), Kind::UnexpectedEnd);
}

TEST(Journals, EveryRecordRoundTripsWithItsWordCount) {
  expect_round_trip(sample_dsr(), 210);
  expect_round_trip(sample_pbo(), 204);
  expect_round_trip(sample_pbo_agg(), 183 + 107);
  expect_round_trip(sample_cpcv(), 145);
  expect_round_trip(sample_label_schema(), 110);
  expect_round_trip(sample_structural(), 49);
  expect_round_trip(sample_hrp({}), 75);
  expect_round_trip(sample_hrp({1, -1, I128(1) << 100}), 75 + 12);
  ValidationExtGuestJournal absent{sample_gate_attestation(false), sample_ledger(), std::nullopt,
                                   true};
  expect_round_trip(absent, 129 + 66 + 1 + 1);
  ValidationExtGuestJournal present = absent;
  present.stats = sample_vext_stats({3, 1, 4});
  expect_round_trip(present, 129 + 66 + 1 + 131 + 3 + 1);
  present.stats = sample_vext_stats({});
  expect_round_trip(present, 129 + 66 + 1 + 131 + 1);
}

TEST(Journals, PboWordsFailAsComposedAndDecodeAsPerTrial) {
  const auto bytes = journal_bytes(sample_pbo());
  auto agg = PboAggJournal::from_words(bytes);
  ASSERT_FALSE(agg.ok());
  EXPECT_EQ(agg.error().fmt(), "Unexpected end during deserialization");
  auto pbo = PboJournal::from_words(bytes);
  ASSERT_TRUE(pbo.ok());
  EXPECT_EQ(*pbo, sample_pbo());
}

TEST(Journals, ValidationExtTagWord) {
  ValidationExtGuestJournal j{sample_gate_attestation(false), sample_ledger(), std::nullopt,
                              true};
  auto bytes = journal_bytes(j);
  const size_t tag_word = 129 + 66;
  EXPECT_EQ(bytes[4 * tag_word], 0);
  auto absent = ValidationExtGuestJournal::from_words(bytes);
  ASSERT_TRUE(absent.ok());
  EXPECT_FALSE(absent->stats.has_value());
  EXPECT_TRUE(absent->ledger_bound);  // the word right after the tag
  bytes[4 * tag_word] = 2;
  EXPECT_EQ(ValidationExtGuestJournal::from_words(bytes).error().fmt(),
            "Found an Option discriminant that wasn't 0 or 1");

  // An empty survivor list is followed directly by spa_pass.
  j.stats = sample_vext_stats({});
  auto with_stats = journal_bytes(j);
  const size_t list_word = tag_word + 1 + 128;  // the block's 25th element
  EXPECT_EQ(with_stats[4 * list_word], 0);
  EXPECT_EQ(with_stats[4 * (list_word + 1)], 1);  // spa_pass
  EXPECT_EQ(with_stats[4 * (list_word + 2)], 0);  // composite_pass
}

TEST(Journals, FixedPointAndByteWords) {
  // -1 as a 128-bit element is four words with every bit set.
  const auto bytes = journal_bytes(sample_label_schema());
  const size_t act_rate = 32 + 2 + 2 + 2 + 2 + 1 + 32 + 32;
  for (size_t i = 4 * act_rate; i < 4 * (act_rate + 4); ++i) EXPECT_EQ(bytes[i], 0xff);

  // Ledger bytes may be any value up to 255, never 256.
  DsrJournal d = sample_dsr();
  d.ledger.digest_a.fill(255);
  d.ledger.digest_b.fill(0);
  auto dsr = journal_bytes(d);
  EXPECT_EQ(*DsrJournal::from_words(dsr), d);
  const size_t digest_b = 129 + 12 + 2 + 2 + 32;
  dsr[4 * (digest_b + 7) + 1] = 1;  // word value 256
  EXPECT_EQ(DsrJournal::from_words(dsr).error().fmt(), "invalid value: integer `256`, expected u8");
}

TEST(Journals, HugeListLengthEndsTheWords) {
  auto bytes = journal_bytes(sample_hrp({5}));
  const size_t length_word = 32 + 2 + 2 + 1 + 4 + 32;
  bytes[4 * length_word + 3] = 0xee;  // about four billion weights
  auto r = HrpJournal::from_words(bytes);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().fmt(), "Unexpected end during deserialization");
}

}  // namespace
}  // namespace kovra::core
