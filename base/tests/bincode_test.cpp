#include "base/bincode.h"

#include <gtest/gtest.h>

#include <string>

#include "base/testing/bincode_writer.h"

namespace kovra::base {
namespace {

using testing::BincodeWriter;

std::span<const uint8_t> as_bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

TEST(Bincode, ReadsFixedWidthValuesLittleEndian) {
  BincodeWriter w;
  w.u8(7).u16(0x0102).u32(0xdeadbeef).u64(0x0102030405060708ull).i64(-2).boolean(true)
      .option_tag(false);
  BincodeReader r(w.bytes());
  EXPECT_EQ(*r.u8(), 7);
  EXPECT_EQ(*r.u16(), 0x0102);
  EXPECT_EQ(*r.u32(), 0xdeadbeefu);
  EXPECT_EQ(*r.u64(), 0x0102030405060708ull);
  EXPECT_EQ(*r.i64(), -2);
  EXPECT_TRUE(*r.boolean());
  EXPECT_FALSE(*r.option_tag());
  EXPECT_TRUE(r.empty());
  auto end = r.u8();
  ASSERT_FALSE(end.ok());
  EXPECT_EQ(end.error().message, "io error: unexpected end of file");
  EXPECT_EQ(end.error().kind, BincodeErrorKind::UnexpectedEnd);
}

TEST(Bincode, EveryFixedWidthReadChecksWhatRemains) {
  const uint8_t three[] = {1, 2, 3};
  {
    BincodeReader r(three);
    EXPECT_EQ(r.u32().error().message, "io error: unexpected end of file");
  }
  {
    BincodeReader r(three);
    EXPECT_EQ(r.digest().error().message, "io error: unexpected end of file");
  }
  {
    BincodeReader r(three);
    EXPECT_EQ(r.u64().error().message, "io error: unexpected end of file");
  }
}

TEST(Bincode, RefusesBadBoolTagAndVariantBytes) {
  const uint8_t two[] = {2};
  BincodeReader b(two);
  EXPECT_EQ(b.boolean().error().message,
            "invalid u8 while decoding bool, expected 0 or 1, found 2");
  BincodeReader t(two);
  EXPECT_EQ(t.option_tag().error().message, "tag for enum is not valid, found 2");
  const uint8_t ff[] = {0xff};
  BincodeReader t2(ff);
  EXPECT_EQ(t2.option_tag().error().message, "tag for enum is not valid, found 255");

  BincodeWriter w;
  w.u32(3).u32(2).u32(4294967295u);
  BincodeReader v(w.bytes());
  EXPECT_EQ(v.variant_index(3).error().message,
            "invalid value: integer `3`, expected variant index 0 <= i < 3");
  EXPECT_EQ(*v.variant_index(3), 2u);
  EXPECT_EQ(v.variant_index(4).error().message,
            "invalid value: integer `4294967295`, expected variant index 0 <= i < 4");
  EXPECT_EQ(BincodeError::refuse_empty_variant(7).message,
            "invalid value: integer `7`, expected variant index 0 <= i < 0");
}

TEST(Bincode, TextsAndByteStrings) {
  BincodeWriter w;
  w.text("").text("h\xc3\xa9").byte_string(std::vector<uint8_t>{9, 8}).word_list(
      std::vector<uint32_t>{1, 0xffffffffu});
  BincodeReader r(w.bytes());
  EXPECT_EQ(*r.text(), "");
  EXPECT_EQ(*r.text(), "h\xc3\xa9");
  EXPECT_EQ(*r.byte_string(), (std::vector<uint8_t>{9, 8}));
  EXPECT_EQ(*r.word_list(), (std::vector<uint32_t>{1, 0xffffffffu}));
  EXPECT_TRUE(r.empty());
}

TEST(Bincode, CountsBeyondTheInputFailWithoutAllocating) {
  // A text's length beyond the input is the bare io error; byte strings and word lists
  // arrive element by element and end at the end of the input. A count of 2^40 (or 2^64-1)
  // must not be allocated: under the sanitizers an attempt would abort the test.
  for (uint64_t n : {uint64_t{3}, uint64_t{1} << 40, ~uint64_t{0}}) {
    BincodeWriter w;
    w.u64(n).u8('a').u8('b');
    BincodeReader t(w.bytes());
    EXPECT_EQ(t.text().error().message, "io error: ") << n;
    BincodeReader b(w.bytes());
    EXPECT_EQ(b.byte_string().error().message, "io error: unexpected end of file") << n;
    BincodeReader l(w.bytes());
    EXPECT_EQ(l.word_list().error().message, "io error: unexpected end of file") << n;
    BincodeReader g(w.bytes());
    auto items = g.list<Digest>(32, [](BincodeReader& in) { return in.digest(); });
    EXPECT_EQ(items.error().message, "io error: unexpected end of file") << n;
  }
  // A word list whose byte length is not a whole number of words.
  BincodeWriter w;
  w.u64(2).u32(1).u8(0).u8(0);
  BincodeReader r(w.bytes());
  EXPECT_EQ(r.word_list().error().message, "io error: unexpected end of file");
  // Missing length itself.
  const uint8_t short_len[] = {1, 0, 0};
  BincodeReader s(short_len);
  EXPECT_EQ(s.text().error().message, "io error: unexpected end of file");
}

TEST(Bincode, ListReadsEachElement) {
  BincodeWriter w;
  w.u64(3).u32(5).u32(6).u32(7);
  BincodeReader r(w.bytes());
  auto v = r.list<uint32_t>(4, [](BincodeReader& in) { return in.u32(); });
  EXPECT_EQ(*v, (std::vector<uint32_t>{5, 6, 7}));
}

TEST(Bincode, ListOfKnownMinimumReservesItsExactLengthOnce) {
  // 300000 u32 elements: more than 1 MiB, reserved at once.
  BincodeWriter w;
  w.u64(300000);
  for (uint32_t i = 0; i < 300000; ++i) w.u32(i);
  w.u64(7);  // what follows the list leaves its room unchanged
  BincodeReader r(w.bytes());
  auto v = r.list<uint32_t>(4, [](BincodeReader& in) { return in.u32(); });
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(v->size(), 300000u);
  EXPECT_EQ(v->capacity(), 300000u);
  EXPECT_EQ((*v)[299999], 299999u);
  // An overstated count reserves no more elements than the input holds, and still fails at
  // the end of the input.
  BincodeWriter big;
  big.u64(~uint64_t{0}).u32(1).u32(2).u32(3);
  BincodeReader b(big.bytes());
  auto failed = b.list<uint32_t>(4, [](BincodeReader& in) { return in.u32(); });
  EXPECT_EQ(failed.error().message, "io error: unexpected end of file");
  const uint8_t ten[10] = {};
  EXPECT_EQ(BincodeReader(ten).list_room(~uint64_t{0}, 4), 2u);
  EXPECT_EQ(BincodeReader(ten).list_room(1, 4), 1u);
}

TEST(Bincode, NestedListsReserveOnlyWhatTheOuterElementsLeave) {
  // Three lists of u64: [10, 11], [], [12]. While an outer element is read, the outer
  // elements still to come take at least 8 bytes each (their count).
  BincodeWriter w;
  w.u64(3).u64(2).u64(10).u64(11).u64(0).u64(1).u64(12).u8(0xff);
  BincodeReader r(w.bytes());
  std::vector<size_t> rooms;
  auto lists = r.list<std::vector<uint64_t>>(8, [&](BincodeReader& in) {
    rooms.push_back(in.list_room(~uint64_t{0}, 8));
    return in.list<uint64_t>(8, [](BincodeReader& e) { return e.u64(); });
  });
  ASSERT_TRUE(lists.ok());
  EXPECT_EQ(*lists, (std::vector<std::vector<uint64_t>>{{10, 11}, {}, {12}}));
  for (const auto& l : *lists) EXPECT_EQ(l.capacity(), l.size());
  // 49 bytes remain at the first element, 16 of them promised to the two after it.
  EXPECT_EQ(rooms, (std::vector<size_t>{4, 2, 2}));
  EXPECT_EQ(r.list_room(~uint64_t{0}, 1), 1u);  // nothing stays promised after the list

  // An element that fails releases what its list had promised as well.
  BincodeWriter bad;
  bad.u64(3).u64(2).u8(1).u8(7);  // the second bool is invalid; 20 more bytes follow
  for (int i = 0; i < 20; ++i) bad.u8(0);
  BincodeReader f(bad.bytes());
  auto failed = f.list<std::vector<bool>>(8, [](BincodeReader& in) {
    return in.list<bool>(1, [](BincodeReader& e) { return e.boolean(); });
  });
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(f.remaining(), 20u);
  EXPECT_EQ(f.list_room(~uint64_t{0}, 1), 20u);
}

TEST(Bincode, ListTheInputCannotHoldKeepsNoElementAndFailsAsBefore) {
  // An outer count of 5 whose first element is a list of three u64 that the input holds,
  // then the end: the outer elements still to come take the inner list's room, so the
  // inner list keeps nothing, and the outer list fails at the end as it always did.
  BincodeWriter w;
  w.u64(5).u64(3).u64(1).u64(2).u64(3);
  BincodeReader r(w.bytes());
  std::vector<size_t> kept;
  auto outer = r.list<std::vector<uint64_t>>(8, [&](BincodeReader& in) {
    auto inner = in.list<uint64_t>(8, [](BincodeReader& e) { return e.u64(); });
    if (inner.ok()) kept.push_back(inner->size());
    return inner;
  });
  ASSERT_FALSE(outer.ok());
  EXPECT_EQ(outer.error().message, "io error: unexpected end of file");
  EXPECT_EQ(kept, std::vector<size_t>{0});
  EXPECT_TRUE(r.empty());
  // A list whose elements are read although they are shorter than its stated minimum
  // would lose them: an internal invariant, not a silent loss.
  BincodeWriter three;
  three.u64(3).u32(1).u32(2).u32(3);
  EXPECT_EXIT(
      {
        BincodeReader t(three.bytes());
        (void)t.list<uint32_t>(8, [](BincodeReader& in) { return in.u32(); });
      },
      ::testing::ExitedWithCode(101), "dropped the elements of an unmet list");
}

struct Utf8Case {
  std::string bytes;
  std::string detail;  // empty: valid
};

TEST(Bincode, Utf8DetailTexts) {
  const Utf8Case cases[] = {
      {"", ""},
      {"plain ascii", ""},
      {"h\xc3\xa9llo \xe2\x82\xac \xf0\x9d\x84\x9e", ""},  // é € 𝄞
      {"\xef\xbf\xbf\xf4\x8f\xbf\xbf", ""},                 // U+FFFF, U+10FFFF
      {"\xff", "invalid utf-8 sequence of 1 bytes from index 0"},
      {"\x80", "invalid utf-8 sequence of 1 bytes from index 0"},
      {"ab\xc3", "incomplete utf-8 byte sequence from index 2"},
      {"\xe2\x82", "incomplete utf-8 byte sequence from index 0"},
      {"\xf0\x9f\x98", "incomplete utf-8 byte sequence from index 0"},
      {"a\xe2\x82x", "invalid utf-8 sequence of 2 bytes from index 1"},
      {"\xf0\x9f\x98" "A", "invalid utf-8 sequence of 3 bytes from index 0"},
      {"\xc3" "A", "invalid utf-8 sequence of 1 bytes from index 0"},
      {"\xc0\x80", "invalid utf-8 sequence of 1 bytes from index 0"},       // overlong NUL
      {"\xc1\xbf", "invalid utf-8 sequence of 1 bytes from index 0"},       // overlong
      {"\xe0\x9f\x80", "invalid utf-8 sequence of 1 bytes from index 0"},   // overlong
      {"\xed\xa0\x80", "invalid utf-8 sequence of 1 bytes from index 0"},   // surrogate
      {"\xed\x9f\xbf", ""},                                                 // U+D7FF
      {"\xf0\x8f\xbf\xbf", "invalid utf-8 sequence of 1 bytes from index 0"},  // overlong
      {"\xf4\x90\x80\x80", "invalid utf-8 sequence of 1 bytes from index 0"},  // > U+10FFFF
      {"\xf5\x80\x80\x80", "invalid utf-8 sequence of 1 bytes from index 0"},
      {"ok\xe2\x28\xa1", "invalid utf-8 sequence of 1 bytes from index 2"},
  };
  for (const auto& c : cases) {
    BincodeWriter w;
    w.text(c.bytes);
    BincodeReader r(w.bytes());
    auto t = r.text();
    if (c.detail.empty()) {
      ASSERT_TRUE(t.ok()) << c.bytes;
      EXPECT_EQ(*t, c.bytes);
      EXPECT_FALSE(check_utf8(as_bytes(c.bytes)).has_value());
    } else {
      ASSERT_FALSE(t.ok()) << c.detail;
      EXPECT_EQ(t.error().message, "string is not valid utf8: " + c.detail);
      EXPECT_EQ(t.error().kind, BincodeErrorKind::InvalidUtf8);
    }
  }
}

}  // namespace
}  // namespace kovra::base
