#include "verifier/era_registry.h"

#include <gtest/gtest.h>

#include <string>

#include "base/hex.h"

namespace kovra::verifier {
namespace {

using Id = std::array<uint8_t, 32>;

Id id_of(std::string_view hex) {
  auto d = base::parse_hex_digest(hex);
  EXPECT_TRUE(d.has_value()) << hex;
  return d ? d->bytes() : Id{};
}

TEST(EraRegistry, EmbeddedRegistryParsesToTheSixEras) {
  auto entries = parse_era_list(ERA_REGISTRY_JSON);
  ASSERT_TRUE(entries.ok()) << entries.error().to_string();
  const EraEntry expected[] = {
      {"era_a", std::nullopt, "genesis flagship", "2026-07-11", "superseded"},
      {"v5", std::nullopt, "black-box + zkml, one-guest mode envelope", "2026-07-18", "superseded"},
      {"v6", "12b2f0429fdec5ae4dd40c6284a05b60f00320a784364c0b1fff526f5bd9f481",
       "+ DSR class (deflated Sharpe)", "2026-07-20", "superseded"},
      {"v9", "b9dc68467927d2cdda424b4747ddc3b8c3c4255a9150b889e027caf276a30d86",
       "+ audit-hardened PBO + CPCV", "2026-07-21", "superseded"},
      {"v10", "dafad185fe3e00797e4033b5e93171748d7937c33ecf9e452fb73702448aaed7",
       "composed PBO S=16, n_eff DSR, fractional sizing", "2026-07-22", "superseded"},
      {"v11", "3ac3b10b7930324d58948020c827bb2447bdb3d8eff85eb6a2fd10fb5214237b",
       "both-schools validation-complete", "2026-07-25", "live"},
  };
  ASSERT_EQ(entries->size(), std::size(expected));
  for (size_t i = 0; i < entries->size(); ++i) EXPECT_EQ((*entries)[i], expected[i]) << i;
}

TEST(EraRegistry, LooksUpErasByImageId) {
  const auto v11 = lookup_era(id_of("3ac3b10b7930324d58948020c827bb2447bdb3d8eff85eb6a2fd10fb5214237b"));
  ASSERT_TRUE(v11.has_value());
  EXPECT_EQ(v11->era, "v11");
  EXPECT_EQ(v11->status, "live");
  const auto v6 = lookup_era(id_of("12b2f0429fdec5ae4dd40c6284a05b60f00320a784364c0b1fff526f5bd9f481"));
  ASSERT_TRUE(v6.has_value());
  EXPECT_EQ(v6->era, "v6");
  EXPECT_EQ(v6->status, "superseded");
  EXPECT_FALSE(lookup_era(Id{}).has_value());
  // The sibling guests are not registry entries.
  EXPECT_FALSE(lookup_era(id_of("c921f127e0db82fe8d22446903bce8085bb06760222305b783738bd408dd077b")));
  EXPECT_FALSE(lookup_era(id_of("777a5c6ac14fc707df703e412d9896dd9b4ec13dc85833bb98fe4a4d787f44be")));
}

TEST(EraRegistry, MatchingIgnoresCaseAndSkipsUnknownIds) {
  Id id{};
  id[0] = 0xab;
  const std::string upper = "AB" + std::string(62, '0');
  const std::string registry = "{\"eras\": [{\"era\": \"x\", \"image_id\": null, \"date\": \"d\", "
                               "\"status\": \"s\"}, {\"era\": \"up\", \"image_id\": \"" + upper +
                               "\", \"date\": \"d\", \"status\": \"s\"}, {\"era\": \"later\", "
                               "\"image_id\": \"" + upper + "\", \"date\": \"d\", \"status\": \"s\"}]}";
  const auto found = lookup_era_in(registry, id);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->era, "up");  // the first match wins
  EXPECT_EQ(found->tagline, "");
  // An image id of another length never matches, even as a prefix.
  const std::string longer = "{\"eras\": [{\"era\": \"x\", \"image_id\": \"" + upper + "0\", \"date\": "
                             "\"d\", \"status\": \"s\"}]}";
  EXPECT_FALSE(lookup_era_in(longer, id).has_value());
}

TEST(EraRegistry, RefusesMalformedRegistries) {
  const struct {
    const char* json;
    const char* error;
  } cases[] = {
      {"{\"eras\": [{\"era\": \"a\", \"date\": \"d\"}]}", "missing field `status`"},
      {"{\"eras\": [{\"era\": \"a\", \"date\": \"d\", \"status\": \"s\", \"era\": \"b\"}]}",
       "duplicate field `era`"},
      {"{\"eras\": [], \"eras\": []}", "duplicate field `eras`"},
      {"{\"registry\": \"x\"}", "missing field `eras`"},
      {"{\"eras\": {}}", "invalid type: map, expected a sequence"},
      {"{\"eras\": [{\"era\": \"a\", \"image_id\": 5, \"date\": \"d\", \"status\": \"s\"}]}",
       "invalid type: integer `5`, expected a string"},
      {"{\"eras\": [[\"a\", null, \"t\", \"d\"]]}", "invalid length 4, expected struct EraEntry with 5 elements"},
      {"{\"eras\": []} x", "trailing characters"},
  };
  for (const auto& c : cases) {
    auto r = parse_era_list(c.json);
    ASSERT_FALSE(r.ok()) << c.json;
    EXPECT_EQ(r.error().message, c.error) << c.json;
    EXPECT_FALSE(lookup_era_in(c.json, Id{}).has_value());
  }
  // The array form of an entry and skipped members of any shape read.
  auto ok = parse_era_list("{\"x\": [1, {\"y\": null}], \"eras\": [[\"a\", null, \"t\", \"d\", \"s\"], "
                           "{\"era\": \"b\", \"date\": \"d\", \"status\": \"s\", \"adds\": [\"z\"]}]}");
  ASSERT_TRUE(ok.ok()) << ok.error().message;
  ASSERT_EQ(ok->size(), 2u);
  EXPECT_EQ((*ok)[0], (EraEntry{"a", std::nullopt, "t", "d", "s"}));
  EXPECT_EQ((*ok)[1], (EraEntry{"b", std::nullopt, "", "d", "s"}));
}

}  // namespace
}  // namespace kovra::verifier

namespace kovra::verifier {
namespace {

std::string era_lines(std::string_view hex, bool colour) {
  StringOutput out;
  StringOutput err;
  Report report(out, err, [colour] { return colour; });
  print_engine_era(report, id_of(hex));
  EXPECT_EQ(err.text, "");
  return out.text;
}

TEST(EngineEraLine, NamesTheEraTheSiblingOrWarns) {
  const struct {
    const char* id;
    const char* lines;
  } cases[] = {
      {"3ac3b10b7930324d58948020c827bb2447bdb3d8eff85eb6a2fd10fb5214237b",
       "  \xf0\x9f\x8f\xb7  Engine era: v11 \xc2\xb7 both-schools validation-complete \xc2\xb7 era "
       "dated 2026-07-25 \xc2\xb7 status live \xc2\xb7 image 3ac3b10b7930\xe2\x80\xa6\n"},
      {"12b2f0429fdec5ae4dd40c6284a05b60f00320a784364c0b1fff526f5bd9f481",
       "  \xf0\x9f\x8f\xb7  Engine era: v6 \xc2\xb7 + DSR class (deflated Sharpe) \xc2\xb7 era "
       "dated 2026-07-20 \xc2\xb7 status superseded \xc2\xb7 image 12b2f0429fde\xe2\x80\xa6\n"},
      {"c921f127e0db82fe8d22446903bce8085bb06760222305b783738bd408dd077b",
       "  \xf0\x9f\x8f\xb7  Engine era: v11 \xc2\xb7 both-schools validation-complete \xc2\xb7 carry "
       "sibling guest of this era \xc2\xb7 status live \xc2\xb7 image c921f127e0db\xe2\x80\xa6\n"},
      {"777a5c6ac14fc707df703e412d9896dd9b4ec13dc85833bb98fe4a4d787f44be",
       "  \xf0\x9f\x8f\xb7  Engine era: v11 \xc2\xb7 both-schools validation-complete \xc2\xb7 vrp "
       "sibling guest of this era \xc2\xb7 status live \xc2\xb7 image 777a5c6ac14f\xe2\x80\xa6\n"},
      {"0000000000000000000000000000000000000000000000000000000000000000",
       "  \xe2\x9a\xa0 UNRECOGNIZED ENGINE \xe2\x80\x94 image id 000000000000\xe2\x80\xa6 is NOT in "
       "the KOVRA era registry\n"
       "      (a foreign or cloned guest, or a pre-registry era \xe2\x80\x94 treat with "
       "suspicion)\n"},
      {"3ac3b10b7930324d58948020c827bb2447bdb3d8eff85eb6a2fd10fb5214237c",
       "  \xe2\x9a\xa0 UNRECOGNIZED ENGINE \xe2\x80\x94 image id 3ac3b10b7930\xe2\x80\xa6 is NOT in "
       "the KOVRA era registry\n"
       "      (a foreign or cloned guest, or a pre-registry era \xe2\x80\x94 treat with "
       "suspicion)\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(era_lines(c.id, false), c.lines) << c.id;
}

TEST(EngineEraLine, PaintsTheEraBoldAndTheWarningRedAndDim) {
  EXPECT_EQ(era_lines("3ac3b10b7930324d58948020c827bb2447bdb3d8eff85eb6a2fd10fb5214237b", true),
            "  \xf0\x9f\x8f\xb7  Engine era: \x1b[1mv11\x1b[0m \xc2\xb7 both-schools "
            "validation-complete \xc2\xb7 era dated 2026-07-25 \xc2\xb7 status live \xc2\xb7 image "
            "3ac3b10b7930\xe2\x80\xa6\n");
  EXPECT_EQ(era_lines(std::string(64, 'f'), true),
            "\x1b[1;31m  \xe2\x9a\xa0 UNRECOGNIZED ENGINE \xe2\x80\x94 image id ffffffffffff\xe2\x80\xa6 "
            "is NOT in the KOVRA era registry\x1b[0m\n"
            "\x1b[2m      (a foreign or cloned guest, or a pre-registry era \xe2\x80\x94 treat with "
            "suspicion)\x1b[0m\n");
}

}  // namespace
}  // namespace kovra::verifier
