// The small text readers of the side bindings: json_field_value, parse_hex32 and the strict
// signed decimal, and the anchor evidence test.
#include "verifier/side_bindings.h"

#include <gtest/gtest.h>

#include "test_files.h"

namespace kovra::verifier {
namespace {

TEST(JsonFieldValue, Table) {
  const struct {
    std::string text, key, value;
  } cases[] = {
      {R"({"commitment": "ab12", "committed_at": 17})", "commitment", "ab12"},
      {R"({"commitment": "ab12", "committed_at": 17})", "committed_at", "17"},
      {R"({"committed_at":17})", "committed_at", "17"},
      {R"({"committed_at" :  : 17 })", "committed_at", "17"},
      {R"({"committed_at": "17"})", "committed_at", "17"},  // a quoted number reads
      {R"({"committed_at": -5,})", "committed_at", "-5"},
      {R"({"a": 1})", "commitment", ""},                   // absent
      {"{\"commitment\":\n \"ab\"}", "commitment", ""},     // value on the next line
      {"{\"committed_at\": 12\t}", "committed_at", "12"},    // trimmed after the cut
      {R"({"k": " padded "})", "k", " padded "},           // quoted values are not trimmed
      {R"({"k": "no end)", "k", "no end"},                 // unterminated: to the piece's end
      {R"({"k": "a\"b"})", "k", "a\\"},                    // no escape sequences
      // A second mention bounds the piece: here the first value has no end quote before it.
      {R"({"k": "x, "k": "y"})", "k", "x, "},
      {R"({"k": 1, "k": 2})", "k", "1"},
      {R"({"k"})", "k", ""},  // nothing after the key but the closing brace
      {R"({"k":)", "k", ""},
      {R"({"kk": 1, "k": 2})", "k", "2"},                  // the needle includes the quotes
  };
  for (const auto& c : cases) {
    EXPECT_EQ(json_field_value(c.text, c.key), c.value) << c.text;
  }
}

// Concatenation by append (GCC 12 warns falsely on literal + std::string&&).
std::string cat(std::string a, std::string_view b, std::string_view c = "") {
  return a.append(b).append(c);
}

TEST(ParseHex32, Table) {
  const std::string digits = "00112233445566778899aabbccddeeff00112233445566778899AABBCCDDEEFF";
  const auto parsed = parse_hex32(digits);
  ASSERT_TRUE(parsed);
  EXPECT_EQ((*parsed)[0], 0x00);
  EXPECT_EQ((*parsed)[1], 0x11);
  EXPECT_EQ((*parsed)[15], 0xff);
  EXPECT_EQ((*parsed)[31], 0xff);
  EXPECT_EQ(parse_hex32(cat("  ", digits, "\n")), parsed);
  EXPECT_EQ(parse_hex32(cat("\u3000", digits)), parsed);  // Unicode white space is trimmed too

  const std::string refused[] = {
      digits.substr(0, 63),                // 63 digits
      cat(digits, "0"),                        // 65 digits
      cat("+", digits.substr(1)),              // a sign in place of a digit
      cat("g", digits.substr(1)),              // not hexadecimal
      cat("é", digits.substr(2)),              // a multi-byte character
      cat(digits.substr(0, 32), " ", digits.substr(33)),
      "",
      cat("\xff", digits.substr(1)),  // not UTF-8
  };
  for (const auto& text : refused) EXPECT_FALSE(parse_hex32(text)) << text;
}

TEST(ParseDecimalI64, Table) {
  EXPECT_EQ(parse_decimal_i64("0"), 0);
  EXPECT_EQ(parse_decimal_i64("+17"), 17);
  EXPECT_EQ(parse_decimal_i64("-17"), -17);
  EXPECT_EQ(parse_decimal_i64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(parse_decimal_i64("-9223372036854775808"), INT64_MIN);
  for (const char* bad : {"", "+", "-", "9223372036854775808", "-9223372036854775809", " 1", "1 ",
                          "1.5", "1e3", "0x10", "--1", "abc"}) {
    EXPECT_FALSE(parse_decimal_i64(bad)) << bad;
  }
}

TEST(AnchorEvidence, FilesAndDirectoriesBesideThePath) {
  testing::TempDir dir;
  const std::string path = dir.file("c.bundle");
  EXPECT_FALSE(find_anchor_evidence(path).any());
  dir.write("c.bundle.tsr", "");
  auto found = find_anchor_evidence(path);
  EXPECT_FALSE(found.ots);
  EXPECT_TRUE(found.tsr);
  std::filesystem::create_directory(dir.file("c.bundle.ots"));  // a directory counts too
  found = find_anchor_evidence(path);
  EXPECT_TRUE(found.ots && found.tsr);
}

}  // namespace
}  // namespace kovra::verifier
