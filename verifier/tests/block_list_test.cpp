// Lists kept in mapped blocks: elements across block ends keep their order, whether pushed one
// at a time or filled in place; they move into a string or a vector behind what it holds, in
// one reservation of their exact number; every block is unmapped once it is copied.
#include "verifier/block_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "kovra-core/merkle.h"

namespace kovra::verifier {
namespace {

using platform::MappedMemory;

core::BarRecord bar(size_t i) {
  const auto v = static_cast<int64_t>(i);
  return {v, v + 1, v + 2, v + 3, v + 4};
}

TEST(BlockList, BarsPushedAcrossBlocksMoveIntoAnExactList) {
  using List = BlockList<core::BarRecord>;
  const size_t before = MappedMemory::bytes_in_use();
  // None, less than a block, a block exactly, one past it, several blocks and a part.
  for (const size_t n : {size_t{0}, size_t{5}, List::kPerBlock, List::kPerBlock + 1,
                         3 * List::kPerBlock + 17}) {
    SCOPED_TRACE(n);
    List list;
    for (size_t i = 0; i < n; ++i) list.push_back(bar(i));
    EXPECT_EQ(list.size(), n);
    const size_t blocks = (n + List::kPerBlock - 1) / List::kPerBlock;
    EXPECT_EQ(MappedMemory::bytes_in_use() - before, blocks * List::kBlockBytes);
    std::vector<core::BarRecord> out = {bar(1000)};
    out.reserve(1);  // full: the move reserves once for what it adds
    list.move_into(out);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(MappedMemory::bytes_in_use(), before);
    ASSERT_EQ(out.size(), n + 1);
    EXPECT_EQ(out.capacity(), n + 1);
    EXPECT_EQ(out[0], bar(1000));
    for (size_t i = 0; i < n; ++i) ASSERT_EQ(out[i + 1], bar(i)) << i;
  }
}

// A reader fills the room in place, in pieces that do not divide a block; the list then
// takes more, and moves into a string behind its text.
TEST(BlockList, BytesFilledInPlaceMoveIntoAString) {
  using List = BlockList<char>;
  List list;
  std::string expected;
  size_t piece = 0;
  while (list.size() < 2 * List::kBlockBytes + 1000) {
    const std::span<char> room = list.room();
    ASSERT_FALSE(room.empty());
    const size_t n = std::min(room.size(), size_t{70000} + piece % 3);
    for (size_t i = 0; i < n; ++i) room[i] = static_cast<char>('a' + (expected.size() + i) % 26);
    expected.append(room.data(), n);
    list.commit(n);
    ++piece;
  }
  list.push_back('!');
  expected.push_back('!');
  std::string out = "head:";
  list.move_into(out);
  EXPECT_EQ(out, "head:" + expected);
  EXPECT_TRUE(list.empty());
}

TEST(MappedMemory, GrowsKeepingItsContentsAndIsCounted) {
  const size_t before = MappedMemory::bytes_in_use();
  MappedMemory::reset_peak();
  {
    MappedMemory m(4096);
    std::memcpy(m.data(), "contents", 8);
    m.data()[4095] = 'z';
    m.grow(size_t{64} << 20);
    EXPECT_EQ(m.size(), size_t{64} << 20);
    EXPECT_EQ(std::string(m.data(), 8), "contents");
    EXPECT_EQ(m.data()[4095], 'z');
    m.data()[m.size() - 1] = 'e';
    EXPECT_EQ(MappedMemory::bytes_in_use() - before, size_t{64} << 20);
    MappedMemory moved = std::move(m);
    EXPECT_EQ(m.data(), nullptr);
    EXPECT_EQ(moved.data()[moved.size() - 1], 'e');
  }
  EXPECT_EQ(MappedMemory::bytes_in_use(), before);
  MappedMemory none;
  none.grow(4096);  // an empty mapping grows by mapping anew
  EXPECT_EQ(none.size(), 4096u);
  none.data()[4095] = 'x';
#if defined(__linux__)
  // Pages are moved as the mapping grows: old and new never held at once.
  EXPECT_EQ(MappedMemory::peak_bytes_in_use() - before, size_t{64} << 20);
#endif
}

}  // namespace
}  // namespace kovra::verifier
