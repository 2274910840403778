#include "kovra-core/aux_parts.h"

#include <gtest/gtest.h>

// GCC 12 reports a false -Wrestrict inside std::string concatenation (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

#include <string>

#include "base/hex.h"
#include "kovra-core/track_head.h"

namespace kovra::core {
namespace {

using Bytes32 = std::array<uint8_t, 32>;

Bytes32 filled(uint8_t v) {
  Bytes32 b;
  b.fill(v);
  return b;
}

Bytes32 counting() {
  Bytes32 b;
  for (int i = 0; i < 32; ++i) b[i] = static_cast<uint8_t>(i);
  return b;
}

// A JSON array of the 32 bytes.
std::string json_bytes(const Bytes32& b) {
  std::string s = "[";
  for (size_t i = 0; i < b.size(); ++i) s += std::to_string(b[i]) + (i + 1 < b.size() ? "," : "]");
  return s;
}

// The expected aggregates were computed independently with Python's hashlib over the
// message "KOVRA_AUX_BINDING_V1" || (0x00 | 0x01 || part) for the five parts in order.
TEST(AuxBinding, HashesTheTagAndEveryPartInOrder) {
  EXPECT_EQ(AuxParts::binding(AuxParts{}), Bytes32{});  // nothing hashed

  AuxParts track_only;
  track_only.black_box_track = counting();  // 57-byte message
  EXPECT_EQ(base::hex_lower(AuxParts::binding(track_only)),
            "31165b423a0b204c6a2786a82becccb9ec13e6bc8b72195f16df0e9450b69777");

  const AuxParts all{filled(1), filled(2), filled(3), filled(4), filled(5)};  // 185 bytes
  EXPECT_EQ(base::hex_lower(AuxParts::binding(all)),
            "a125f72c628a9713d30025b57e442a9cfac8f155b86a7af7a7bc6a56c6a1252a");

  AuxParts zero_part;
  zero_part.trial_ledger = Bytes32{};  // present, all zero: not the same as absent
  EXPECT_EQ(base::hex_lower(AuxParts::binding(zero_part)),
            "89031adf507a6bc598592c7adda5f9c0da8367988be0efb73b88db8bd3606963");
}

TEST(AuxPartsJson, ReadsObjectsAndArrays) {
  const std::string a = json_bytes(filled(1));
  const std::string d = json_bytes(counting());
  struct Case {
    std::string text;
    AuxParts parts;
  };
  AuxParts first_and_fourth;
  first_and_fourth.trial_ledger = filled(1);
  first_and_fourth.black_box_track = counting();
  AuxParts fourth_only;
  fourth_only.black_box_track = counting();
  AuxParts first_only;
  first_only.trial_ledger = counting();
  const Case cases[] = {
      {"{}", AuxParts{}},
      {" { } \n", AuxParts{}},
      {"{\"black_box_track\": " + d + "}", fourth_only},
      {"{\"black_box_track\": " + d + ", \"trial_ledger\": null}", fourth_only},
      {"{\"black_box_track\": " + d + ", \"trial_ledger\": " + a + "}", first_and_fourth},
      {"{\"trial_ledger\": " + a + ", \"black_box_track\": " + d + "}", first_and_fourth},
      {"{\"version\": 2, \"black_box_track\": " + d + ", \"note\": {\"x\": [\"y\"]}}", fourth_only},
      {"[null, null, null, " + d + ", null]", fourth_only},
      {"[" + d + ", null, null, null, null]", first_only},  // positions assign the members
      {"[null,null,null,null,null]", AuxParts{}},
  };
  for (const Case& c : cases) {
    const auto parts = AuxParts::from_json(c.text);
    ASSERT_TRUE(parts.has_value()) << c.text << ": " << read_aux_parts(c.text).error().message;
    EXPECT_EQ(*parts, c.parts) << c.text;
  }
}

TEST(AuxPartsJson, RefusesEverythingElse) {
  const std::string d = json_bytes(counting());
  std::string short_bytes = d;
  short_bytes.replace(short_bytes.rfind(','), std::string::npos, "]");  // 31 values
  std::string big_byte = d;
  big_byte.replace(big_byte.rfind(',') + 1, std::string::npos, "256]");
  const struct {
    std::string text;
    const char* error;
  } cases[] = {
      {"[null, null, null, " + d + "]", "invalid length 4, expected struct AuxParts with 5 elements"},
      {"[null, null, null, null, null, null]", "trailing characters"},
      {"{\"provenance\": " + d + ", \"provenance\": null}", "duplicate field `provenance`"},
      {"{\"live_chain\": " + short_bytes + "}", "invalid length 31, expected an array of length 32"},
      {"{\"live_chain\": " + big_byte + "}", "invalid value: integer `256`, expected u8"},
      {"{\"zkml_weights\": \"" + base::hex_lower(counting()) + "\"}",
       "invalid type: string \"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f\", "
       "expected an array of length 32"},
      {"\"{}\"", "invalid type: string \"{}\", expected struct AuxParts"},
      {"{} {}", "trailing characters"},
      {"", "EOF while parsing a value"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(AuxParts::from_json(c.text).has_value()) << c.text;
    auto r = read_aux_parts(c.text);
    ASSERT_FALSE(r.ok()) << c.text;
    EXPECT_EQ(r.error().message, c.error) << c.text;
  }
}

// A valid head's object form with one member replaced (or removed, when `value` is null).
std::string head_json(const char* member = nullptr, const char* value = nullptr) {
  const std::pair<const char*, std::string> members[] = {
      {"model_commitment", json_bytes(filled(7))},
      {"size", "12"},
      {"merkle_root", json_bytes(filled(8))},
      {"chain_head", json_bytes(counting())},
      {"first_ts", "-1700000000"},
      {"last_ts", "1700000000"},
  };
  std::string s = "{";
  for (const auto& [name, v] : members) {
    std::string text = v;
    if (member != nullptr && std::string_view(name) == member) {
      if (value == nullptr) continue;
      text = value;
    }
    if (s.size() > 1) s += ", ";
    s += "\"" + std::string(name) + "\": " + text;
  }
  return s + "}";
}

TEST(TrackHeadJson, ReadsEverySixMembers) {
  const TrackHead expected{filled(7), 12, filled(8), counting(), -1700000000, 1700000000};
  EXPECT_EQ(TrackHead::from_json(head_json()), expected);
  const std::string array_form = "[" + json_bytes(filled(7)) + ", 12, " + json_bytes(filled(8)) +
                                 ", " + json_bytes(counting()) + ", -1700000000, 1700000000]";
  EXPECT_EQ(TrackHead::from_json(array_form), expected);
  const std::string reordered = "{\"last_ts\": 1700000000, \"version\": \"2\", \"first_ts\": -1700000000, "
                                "\"chain_head\": " + json_bytes(counting()) + ", \"size\": 12, " +
                                "\"merkle_root\": " + json_bytes(filled(8)) +
                                ", \"model_commitment\": " + json_bytes(filled(7)) + "}";
  EXPECT_EQ(TrackHead::from_json(reordered), expected);
  const auto max = TrackHead::from_json(head_json("size", "18446744073709551615"));
  ASSERT_TRUE(max.has_value());
  EXPECT_EQ(max->size, UINT64_MAX);
}

TEST(TrackHeadJson, RefusesMalformedHeads) {
  const struct {
    std::string text;
    const char* error;
  } cases[] = {
      {head_json("last_ts", nullptr), "missing field `last_ts`"},
      {head_json("size", "-1"), "invalid value: integer `-1`, expected u64"},
      {head_json("size", "1e1"), "invalid type: floating point `10.0`, expected u64"},
      {head_json("first_ts", "1.5"), "invalid type: floating point `1.5`, expected i64"},
      {head_json("first_ts", "9223372036854775808"),
       "invalid value: integer `9223372036854775808`, expected i64"},
      {head_json("size", "\"12\""), "invalid type: string \"12\", expected u64"},
      {head_json("chain_head", "null"), "invalid type: null, expected an array of length 32"},
      {head_json("last_ts", "1, \"size\": 3"), "duplicate field `size`"},
      {"[1, 2, 3, 4, 5]", "invalid type: integer `1`, expected an array of length 32"},
      {"[" + json_bytes(filled(7)) + ", 12]", "invalid length 2, expected struct TrackHead with 6 elements"},
      {"42", "invalid type: integer `42`, expected struct TrackHead"},
      {head_json() + "x", "trailing characters"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(TrackHead::from_json(c.text).has_value()) << c.text;
    auto r = read_track_head(c.text);
    ASSERT_FALSE(r.ok()) << c.text;
    EXPECT_EQ(r.error().message, c.error) << c.text;
  }
}

}  // namespace
}  // namespace kovra::core

#include "kovra-core/testing/bundle_writer.h"

namespace kovra::core {
namespace {

TEST(CheckAuxBinding, NeedsAnIntactDigestAndTheSameAggregate) {
  AuxParts parts;
  parts.black_box_track = counting();
  CredentialBundle bundle = testing::sample_credential_bundle(true);
  bundle.core.journal.aux_binding = AuxParts::binding(parts);
  bundle.digest = bundle.core.digest();
  EXPECT_EQ(check_aux_binding(bundle, parts), 2);
  EXPECT_EQ(check_aux_binding(bundle, AuxParts{}), 1);
  AuxParts other = parts;
  other.zkml_weights = Bytes32{};
  EXPECT_EQ(check_aux_binding(bundle, other), 1);
  bundle.digest[0] ^= 1;
  EXPECT_EQ(check_aux_binding(bundle, parts), 0);  // matching parts do not help

  // No parts at all bind a credential whose aux_binding is all zero.
  CredentialBundle plain = testing::sample_credential_bundle(false);
  plain.core.journal.aux_binding = {};
  plain.digest = plain.core.digest();
  EXPECT_EQ(check_aux_binding(plain, *AuxParts::from_json("{}")), 2);
}

}  // namespace
}  // namespace kovra::core
