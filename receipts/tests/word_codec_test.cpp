#include "receipts/word_codec.h"

#include <gtest/gtest.h>

#include "receipts/testing/word_writer.h"

namespace kovra::receipts {
namespace {

using base::I128;
using testing::WordWriter;
using Kind = WordCodecError::Kind;

TEST(WordCodec, ErrorTexts) {
  const std::pair<Kind, const char*> texts[] = {
      {Kind::InvalidBool, "Found a bool that wasn't 0 or 1"},
      {Kind::InvalidChar, "Found an invalid unicode char"},
      {Kind::InvalidOptionTag, "Found an Option discriminant that wasn't 0 or 1"},
      {Kind::InvalidUtf8, "Tried to parse invalid utf-8"},
      {Kind::UnexpectedEnd, "Unexpected end during deserialization"},
      {Kind::Unsupported, "Not supported"},
      {Kind::BufferFull, "The serialize buffer is full"},
  };
  for (const auto& [kind, text] : texts) EXPECT_EQ(WordCodecError(kind).fmt(), text);
  EXPECT_EQ(WordCodecError::custom("any text, unchanged").fmt(), "any text, unchanged");
}

TEST(WordCodec, BytesBecomeLittleEndianWordsWithoutAlignment) {
  // Start the journal one byte into the buffer, so its words are not aligned.
  const uint8_t buf[] = {0xee, 1, 0, 0, 0, 0x78, 0x56, 0x34, 0x12};
  auto r = WordReader::from_bytes(std::span<const uint8_t>(buf + 1, 8));
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->remaining(), 2u);
  EXPECT_EQ(*r->next_u32(), 1u);
  EXPECT_EQ(*r->next_u32(), 0x12345678u);
  EXPECT_EQ(r->next_u32().error().fmt(), "Unexpected end during deserialization");

  auto empty = WordReader::from_bytes({});
  ASSERT_TRUE(empty.ok());
  EXPECT_EQ(empty->next_bool().error().kind(), Kind::UnexpectedEnd);

  for (size_t len : {1u, 5u, 6u, 7u}) {
    const std::vector<uint8_t> bytes(len, 0);
    auto bad = WordReader::from_bytes(bytes);
    ASSERT_FALSE(bad.ok()) << len;
    EXPECT_EQ(bad.error().kind(), Kind::Custom);
    EXPECT_EQ(bad.error().fmt(), "failed to cast or read slice as [u32]: OutputSliceWouldHaveSlop");
  }
}

WordReader reader_of(const WordWriter& w, std::vector<uint8_t>& storage) {
  storage = w.bytes();
  return std::move(WordReader::from_bytes(storage)).value();
}

TEST(WordCodec, RangeChecks) {
  std::vector<uint8_t> s;
  {
    WordWriter w;
    w.u32(1).u32(0).u32(2);
    auto r = reader_of(w, s);
    EXPECT_TRUE(*r.next_bool());
    EXPECT_FALSE(*r.next_bool());
    EXPECT_EQ(r.next_bool().error().fmt(), "Found a bool that wasn't 0 or 1");
  }
  {
    WordWriter w;
    w.u32(0).u32(1).u32(2);
    auto r = reader_of(w, s);
    EXPECT_FALSE(*r.next_option_tag());
    EXPECT_TRUE(*r.next_option_tag());
    EXPECT_EQ(r.next_option_tag().error().fmt(), "Found an Option discriminant that wasn't 0 or 1");
  }
  {
    WordWriter w;
    w.u32(65535).u32(65536).u32(0xffffffffu);
    auto r = reader_of(w, s);
    EXPECT_EQ(*r.next_u16(), 65535);
    EXPECT_EQ(r.next_u16().error().fmt(), "invalid value: integer `65536`, expected u16");
    EXPECT_EQ(*r.next_u32(), 0xffffffffu);
  }
  {
    WordWriter w;
    for (int i = 0; i < 31; ++i) w.u32(255);
    w.u32(256);
    auto r = reader_of(w, s);
    EXPECT_EQ(r.next_array32().error().fmt(), "invalid value: integer `256`, expected u8");
  }
  {
    WordWriter w;
    for (int i = 0; i < 32; ++i) w.u32(uint32_t(i * 8));
    auto r = reader_of(w, s);
    auto a = r.next_array32();
    ASSERT_TRUE(a.ok());
    EXPECT_EQ((*a)[0], 0);
    EXPECT_EQ((*a)[31], 248);
  }
  {
    WordWriter w;
    for (int i = 0; i < 31; ++i) w.u32(0);
    auto r = reader_of(w, s);
    EXPECT_EQ(r.next_array32().error().kind(), Kind::UnexpectedEnd);
  }
}

TEST(WordCodec, WideIntegers) {
  std::vector<uint8_t> s;
  WordWriter w;
  w.u32(0xffffffffu).u32(0xffffffffu).u32(1).u32(0).u32(0).u32(1);
  w.i128(-1).i128(I128(1) << 100).i128(base::kI128Min + 5);
  w.u32(1).u32(2).u32(3);
  auto r = reader_of(w, s);
  EXPECT_EQ(*r.next_i64(), -1);
  EXPECT_EQ(*r.next_u64(), 1u);
  EXPECT_EQ(*r.next_i64(), int64_t{4294967296});
  EXPECT_EQ(*r.next_u128(), I128(-1));
  EXPECT_TRUE(*r.next_u128() == (I128(1) << 100));
  EXPECT_TRUE(*r.next_u128() == base::kI128Min + 5);
  // Three words left: a 128-bit element takes none of them.
  EXPECT_EQ(r.next_u128().error().kind(), Kind::UnexpectedEnd);
  EXPECT_EQ(r.remaining(), 3u);
  // The first word of a 64-bit element that is cut short.
  WordWriter one;
  one.u32(5);
  auto r1 = reader_of(one, s);
  EXPECT_EQ(r1.next_u64().error().kind(), Kind::UnexpectedEnd);
}

TEST(WordCodec, Lists) {
  std::vector<uint8_t> s;
  {
    WordWriter w;
    w.u32_list(std::vector<uint32_t>{7, 8, 9}).i128_list(std::vector<I128>{-1, 2}).u32_list({});
    auto r = reader_of(w, s);
    EXPECT_EQ(*r.next_u32_list(), (std::vector<uint32_t>{7, 8, 9}));
    EXPECT_EQ(*r.next_u128_list(), (std::vector<I128>{-1, 2}));
    EXPECT_TRUE(r.next_u32_list()->empty());
    EXPECT_EQ(r.remaining(), 0u);
  }
  // A length word of four billion with a few words after it: the end of the words, with no
  // reservation of four billion elements (the sanitizer build would abort on one).
  for (int kind = 0; kind < 2; ++kind) {
    WordWriter w;
    w.u32(4'000'000'000u).u32(1).u32(2).u32(3).u32(4).u32(5);
    auto r = reader_of(w, s);
    auto e = kind == 0 ? r.next_u32_list().error() : r.next_u128_list().error();
    EXPECT_EQ(e.fmt(), "Unexpected end during deserialization");
  }
}

TEST(WordCodec, LongListsAreAllocatedAtTheirExactLength) {
  // Beyond the 1 MiB that a list's length alone may reserve, so growth would show.
  std::vector<uint32_t> words(300'000);
  for (uint32_t i = 0; i < words.size(); ++i) words[i] = i;
  std::vector<I128> values(70'000);
  for (size_t i = 0; i < values.size(); ++i) values[i] = -static_cast<I128>(i);
  WordWriter w;
  w.u32_list(words).i128_list(values).u32(0);  // a word after the lists changes nothing
  std::vector<uint8_t> s;
  auto r = reader_of(w, s);
  auto u = r.next_u32_list();
  ASSERT_TRUE(u.ok());
  EXPECT_EQ(*u, words);
  EXPECT_EQ(u->capacity(), words.size());
  auto v = r.next_u128_list();
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(*v, values);
  EXPECT_EQ(v->capacity(), values.size());
}

}  // namespace
}  // namespace kovra::receipts
