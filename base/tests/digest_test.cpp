#include "base/digest.h"

#include <gtest/gtest.h>

namespace kovra::base {
namespace {

TEST(Digest, FromWordsTakesExactlyEight) {
  const std::vector<uint32_t> eight = {1, 2, 3, 4, 5, 6, 7, 0xffffffffu};
  auto ok = Digest::from_words(eight);
  ASSERT_TRUE(ok.ok());
  EXPECT_EQ(ok->words, (std::array<uint32_t, 8>{1, 2, 3, 4, 5, 6, 7, 0xffffffffu}));
  for (const std::vector<uint32_t>& words :
       {std::vector<uint32_t>{}, std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7},
        std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}}) {
    auto bad = Digest::from_words(words);
    ASSERT_FALSE(bad.ok()) << words.size();
    EXPECT_EQ(bad.error(), words);  // handed back unchanged
  }
}

TEST(Digest, BytesAreLittleEndianWords) {
  Digest d;
  d.words[0] = 0x04030201u;
  d.words[7] = 0xddccbbaau;
  const auto b = d.bytes();
  EXPECT_EQ(b[0], 0x01);
  EXPECT_EQ(b[3], 0x04);
  EXPECT_EQ(b[28], 0xaa);
  EXPECT_EQ(b[31], 0xdd);
  EXPECT_EQ(Digest::from_bytes(b), d);
}

}  // namespace
}  // namespace kovra::base
