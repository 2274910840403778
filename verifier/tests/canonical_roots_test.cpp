#include "verifier/canonical_roots.h"

#include <gtest/gtest.h>

#include <string>

namespace kovra::verifier {
namespace {

const std::string kDemo = "3e80a429ee0c5be087f0c2d48b5af44a406b68ec880fc785bb1ed3cefb07022a";
const std::string kZkml = "d91723e08d297ec81d859022bcc86f91923a36b17b4d878a97171bbcb77a9a37";
const std::string kRoot = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";

TEST(CanonicalRoots, EmbeddedListKeepsItsHeaderAndEntries) {
  EXPECT_TRUE(CANONICAL_ROOTS_TEXT.starts_with(
      "# KOVRA canonical dataset roots (U5 provenance allowlist) \xe2\x80\x94 FORMAT v2 (OHLC), "
      "2026-07-05\n# <hex-root> <label>  \xc2\xb7  regenerate: verifier --print-root "
      "<csv\xe2\x80\xa6>\n"));
  EXPECT_TRUE(CANONICAL_ROOTS_TEXT.ends_with("\n"));
  EXPECT_EQ(find_canonical_label(CANONICAL_ROOTS_TEXT, kDemo), "prices.csv (flagship demo, daily OHLC)");
  EXPECT_EQ(find_canonical_label(CANONICAL_ROOTS_TEXT,
                                 "6f60466a1e1a1715a977772614ee88f781d67ac5da14693b3f82d9dc29aa3876"),
            "carry funding (data/funding, ts-bound)");
  EXPECT_EQ(find_canonical_label(CANONICAL_ROOTS_TEXT,
                                 "244c1675d6a3c37468814af284695bdac67cac6287eee41b01151bf2d826ca1e"),
            "US:AAPL daily (OHLC, 7184 bars) \xe2\x80\x94 data provider library, split+div adj "
            "[library, TEST PHASE 2026-07-28]");
  // Written with two spaces after the root; the label has none of them.
  EXPECT_EQ(find_canonical_label(CANONICAL_ROOTS_TEXT, kZkml), "BTCUSDT-4h-OHLC-2020_2026-zkml");
  EXPECT_FALSE(find_canonical_label(CANONICAL_ROOTS_TEXT, kRoot).has_value());
}

TEST(CanonicalRoots, LineRules) {
  std::string upper = kRoot;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const struct {
    std::string text;
    std::optional<std::string> label;
  } cases[] = {
      {kRoot + " my label\n", "my label"},
      {kRoot + "\n", "(unlabeled)"},
      {kRoot, "(unlabeled)"},                                         // no final line end
      {"  " + kRoot + "  \r\n", "(unlabeled)"},
      {kRoot + "\tTwo   words\r\n", "Two words"},
      {kRoot + " a\xc2\xa0\xc2\xa0" "b \xe2\x80\x94 # c\n", "a b \xe2\x80\x94 # c"},  // '#' inside a label
      {upper + " upper\n", "upper"},
      {kRoot + "0 longer\n", std::nullopt},
      {kRoot.substr(1) + " shorter\n", std::nullopt},
      {"  #" + kRoot + " commented\n", std::nullopt},
      {"#" + kRoot + " commented\n", std::nullopt},
      {"\n\n   \n", std::nullopt},
      {"label " + kRoot + "\n", std::nullopt},
      {kRoot + " first\n" + kRoot + " second\n", "first"},
      {"zz" + kRoot.substr(2) + " not hex\n" + kRoot + " hex\n", "hex"},
  };
  for (const auto& c : cases) EXPECT_EQ(find_canonical_label(c.text, kRoot), c.label) << c.text;
}

}  // namespace
}  // namespace kovra::verifier
