#include "groth16/u256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/hex.h"

namespace kovra::groth16 {
namespace {

std::string hex_of(const U256Bytes& b) { return base::hex_lower(b); }

std::string zeros_then(std::string tail) { return std::string(64 - tail.size(), '0') + tail; }

TEST(ParseU256, AcceptedTexts) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"0", zeros_then("")},
      {"255", zeros_then("ff")},
      {"1_000", zeros_then("03e8")},
      {"1000_", zeros_then("03e8")},
      {"+1000", zeros_then("03e8")},
      {"7", zeros_then("07")},
      {"0x03e8", zeros_then("03e8")},
      {"0x", zeros_then("")},
      {"115792089237316195423570985008687907853269984665640564039457584007913129639935",
       std::string(64, 'f')},
      {"20491192805390485299153009773594534940189261866228447918068658471970481763042",
       "2d4d9aa7e302d9df41749d5507949d05dbea33fbb16c643b22f599a2be6df2e2"},
      // Digits gathered in groups of 19: exactly 19 and 38, a group split by '_', leading
      // zeros beyond 78 digits.
      {"1000000000000000000", zeros_then("0de0b6b3a7640000")},
      {"10000000000000000000000000000000000000", zeros_then("0785ee10d5da46d900f436a000000000")},
      {"1000000000_0000000000", zeros_then("8ac7230489e80000")},
      {std::string(100, '0') + "255", zeros_then("ff")},
  };
  for (const auto& [text, want] : cases) {
    SCOPED_TRACE(text);
    auto r = parse_u256(text);
    ASSERT_TRUE(r.ok()) << r.error().text();
    EXPECT_EQ(hex_of(*r), want);
  }
}

TEST(ParseU256, RefusedTexts) {
  const std::vector<std::string> cases = {
      "_1",
      "1a",
      "++1",
      "+-1",
      "-+1",
      "1 ",
      "",
      "+",
      "_",
      "0x3e8",
      "0X03e8",
      "+0x03",
      // A '-' sign is refused instead of being dropped.
      "-1000",
      "-0",
      // 2^256 and longer values do not fit in 32 bytes.
      "115792089237316195423570985008687907853269984665640564039457584007913129639936",
      "1000000000000000000000000000000000000000000000000000000000000000000000000000000000",
      // 2^256 + 1 followed by a bad character, and a bad character after 19 digits.
      "115792089237316195423570985008687907853269984665640564039457584007913129639937x",
      "1234567890123456789x",
  };
  for (const auto& text : cases) {
    SCOPED_TRACE(text);
    auto r = parse_u256(text);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().text(), "conversion from u256 failed");
  }
}

TEST(ParseHexU256, Cases) {
  EXPECT_EQ(hex_of(*parse_hex_u256("")), zeros_then(""));
  EXPECT_EQ(hex_of(*parse_hex_u256("ABcd")), zeros_then("abcd"));
  EXPECT_EQ(hex_of(*parse_hex_u256(std::string(64, 'f'))), std::string(64, 'f'));
  // Leading zero bytes do not count against the 32 bytes.
  EXPECT_EQ(hex_of(*parse_hex_u256("00" + std::string(64, 'f'))), std::string(64, 'f'));
  for (const std::string& bad :
       std::vector<std::string>{"1", "1g", "0x03", "01" + std::string(64, '0')}) {
    SCOPED_TRACE(bad);
    auto r = parse_hex_u256(bad);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().text(), "conversion from u256 failed");
  }
}

TEST(PadTo32Bytes, Cases) {
  std::vector<uint8_t> sixteen(16, 0xab);
  auto p = pad_to_32_bytes(sixteen);
  ASSERT_TRUE(p);
  EXPECT_EQ(hex_of(*p), std::string(32, '0') + base::hex_lower(sixteen));
  std::vector<uint8_t> full(32);
  for (int i = 0; i < 32; ++i) full[i] = uint8_t(i);
  EXPECT_EQ(hex_of(*pad_to_32_bytes(full)), base::hex_lower(full));
  EXPECT_FALSE(pad_to_32_bytes(std::vector<uint8_t>(33, 0)));
}

}  // namespace
}  // namespace kovra::groth16
