#include <gtest/gtest.h>

#include "base/byte_reader.h"
#include "base/hex.h"
#include "base/result.h"

namespace kovra::base {
namespace {

Result<int, std::string> half(int v) {
  if (v % 2) return Err(std::string("odd"));
  return v / 2;
}

Result<int, std::string> quarter(int v) {
  KOVRA_ASSIGN_OR_RETURN(int h, half(v));
  KOVRA_ASSIGN_OR_RETURN(int q, half(h));
  return q;
}

TEST(Result, PropagatesTheFirstError) {
  EXPECT_EQ(*quarter(8), 2);
  auto r = quarter(6);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error(), "odd");
}

TEST(ResultDeathTest, ValueOfAFailureExits101) {
  EXPECT_EXIT((void)half(3).value(), testing::ExitedWithCode(101), "internal error");
}

TEST(ByteReader, ChecksEveryLengthAgainstWhatRemains) {
  const uint8_t buf[] = {1, 2, 0, 0, 0, 3, 4, 5, 6, 7, 8, 9, 10};
  ByteReader r(buf);
  EXPECT_EQ(*r.u8(), 1);
  EXPECT_EQ(*r.u32_le(), 2u);
  EXPECT_EQ(*r.u64_le(), 0x0a09080706050403ull);
  EXPECT_TRUE(r.empty());
  auto e = r.u8();
  ASSERT_FALSE(e.ok());
  EXPECT_EQ(e.error().wanted, 1u);
  EXPECT_EQ(e.error().remaining, 0u);
  ByteReader big(buf);
  EXPECT_FALSE(big.bytes(SIZE_MAX).ok());
  EXPECT_EQ(big.position(), 0u);
}

TEST(ByteReader, BigEndianWords) {
  const uint8_t buf[] = {1, 2, 3, 4};
  ByteReader r(buf);
  EXPECT_EQ(*r.u32_be(), 0x01020304u);
}

TEST(Hex, RoundTrip) {
  const uint8_t b[] = {0x00, 0xab, 0xff};
  EXPECT_EQ(hex_lower(b), "00abff");
  EXPECT_EQ(*parse_hex("00ABff"), std::vector<uint8_t>({0x00, 0xab, 0xff}));
  EXPECT_FALSE(parse_hex("abc"));
  EXPECT_FALSE(parse_hex("zz"));
  EXPECT_FALSE(parse_hex_digest("00"));
  Digest d;
  d.words[0] = 0x04030201;
  EXPECT_EQ(hex_lower(d).substr(0, 8), "01020304");
  EXPECT_EQ(*parse_hex_digest(hex_lower(d)), d);
}

}  // namespace
}  // namespace kovra::base
