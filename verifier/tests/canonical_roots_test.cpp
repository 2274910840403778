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

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/hex.h"

namespace kovra::verifier {
namespace {

// A scratch directory removed at the end of the test.
class RootsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kovra_roots_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string write(const std::string& name, const std::string& text) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static std::array<uint8_t, 32> root_of(const std::string& hex) {
    return base::parse_hex_digest(hex)->bytes();
  }
  std::string dir_;
};

TEST_F(RootsFileTest, TheFileExtendsButNeverOverridesTheBuiltInList) {
  const std::string path = write("roots.txt", "# my roots\n" + kDemo + " relabelled demo\n" +
                                                  kRoot + "\tmy   own data\n");
  EXPECT_EQ(lookup_canonical_root(path, root_of(kDemo)), "prices.csv (flagship demo, daily OHLC)");
  EXPECT_EQ(lookup_canonical_root(path, root_of(kRoot)), "my own data");
  EXPECT_EQ(lookup_canonical_root(path, root_of(kZkml)), "BTCUSDT-4h-OHLC-2020_2026-zkml");
  EXPECT_FALSE(lookup_canonical_root(path, root_of(std::string(64, '9'))).has_value());
}

TEST_F(RootsFileTest, AnUnreadableFileCountsAsEmpty) {
  const std::string missing = dir_ + "/missing.txt";
  const std::string not_utf8 = write("latin1.txt", kRoot + " caf\xe9\n");
  for (const std::string& path : {missing, dir_, not_utf8, std::string()}) {
    EXPECT_FALSE(lookup_canonical_root(path, root_of(kRoot)).has_value()) << path;
    EXPECT_EQ(lookup_canonical_root(path, root_of(kDemo)), "prices.csv (flagship demo, daily OHLC)");
  }
}

TEST_F(RootsFileTest, TheFileIsReadAgainAtEveryLookup) {
  const std::string path = write("roots.txt", "");
  EXPECT_FALSE(lookup_canonical_root(path, root_of(kRoot)).has_value());
  write("roots.txt", kRoot + "\n");
  EXPECT_EQ(lookup_canonical_root(path, root_of(kRoot)), "(unlabeled)");
}

}  // namespace
}  // namespace kovra::verifier
