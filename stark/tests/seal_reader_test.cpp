#include "stark/seal_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace kovra::stark {
namespace {

using Kind = VerificationError::Kind;

SealReader reader_over(const std::vector<uint32_t>& words) {
  return SealReader(words, HashSuite::poseidon2().rng->new_rng());
}

TEST(SealReader, ZeroWordsFromAnExhaustedReader) {
  std::vector<uint32_t> none;
  SealReader r = reader_over(none);
  auto v = r.read_words(0);
  ASSERT_TRUE(v.ok());
  EXPECT_TRUE(v->empty());
  auto bad = r.read_words(1);
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().kind(), Kind::Malformed);
}

TEST(SealReader, ExtElemsExactlyEnoughAndOneShort) {
  const std::vector<uint32_t> eight = {1, 2, 3, 4, 5, 6, 7, 8};
  {
    SealReader r = reader_over(eight);
    auto v = r.read_ext_elems(2);
    ASSERT_TRUE(v.ok());
    EXPECT_EQ(r.remaining(), 0u);
    EXPECT_EQ((*v)[1], BabyBearExtElem(BabyBearElem::from_raw(5), BabyBearElem::from_raw(6),
                                       BabyBearElem::from_raw(7), BabyBearElem::from_raw(8)));
  }
  {
    const std::vector<uint32_t> seven(eight.begin(), eight.end() - 1);
    SealReader r = reader_over(seven);
    auto v = r.read_ext_elems(2);
    ASSERT_FALSE(v.ok());
    EXPECT_EQ(v.error().kind(), Kind::Malformed);
    EXPECT_EQ(r.remaining(), 7u);  // nothing consumed
  }
}

TEST(SealReader, UnreducedWordIsMalformedAfterTheCursorMoved) {
  const std::vector<uint32_t> words = {1, 2, 3, 4, 5, 6, 7, 0x78000001u, 9};
  SealReader r = reader_over(words);
  auto v = r.read_ext_elems(2);
  ASSERT_FALSE(v.ok());
  EXPECT_EQ(v.error().kind(), Kind::Malformed);
  EXPECT_EQ(r.remaining(), 1u);
  // 0x78000000 (P - 1) is a field element.
  const std::vector<uint32_t> top = {0x78000000u, 0, 0, 0};
  SealReader r2 = reader_over(top);
  EXPECT_TRUE(r2.read_ext_elems(1).ok());
}

}  // namespace
}  // namespace kovra::stark
