// Lists kept in mapped blocks: elements across block ends keep their order; the blocks grow
// from 4 KiB to 1 MiB; the elements move into a vector behind what it holds, in one
// reservation of their exact number; every block is unmapped once it is copied.
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
  // The first block's elements, and those of the first eight (the last of them 1 MiB).
  const size_t first = List::per_block(0);
  size_t growing = 0;
  for (size_t i = 0; i < 8; ++i) growing += List::per_block(i);
  const size_t full = List::per_block(8);
  const size_t before = MappedMemory::bytes_in_use();
  // None, less than a block, a block exactly, one past it, the growing blocks exactly and one
  // past them, several full blocks and a part.
  const struct {
    size_t n, mapped;
  } cases[] = {
      {0, 0},
      {5, 4096},
      {first, 4096},
      {first + 1, 4096 + 8192},
      {growing, (size_t{1} << 20) - 4096},
      {growing + 1, (size_t{2} << 20) - 4096},
      {growing + 3 * full + 17, (size_t{5} << 20) - 4096},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.n);
    List list;
    for (size_t i = 0; i < c.n; ++i) list.push_back(bar(i));
    EXPECT_EQ(list.size(), c.n);
    EXPECT_EQ(MappedMemory::bytes_in_use() - before, c.mapped);
    EXPECT_EQ(List::bytes_mapped_for(c.n), c.mapped);
    // About as much again as it holds while small, about 1 MiB more once large (the blocks'
    // ends that no whole element fills cost a few bytes each).
    const size_t held = c.n * sizeof(core::BarRecord);
    EXPECT_LE(c.mapped, std::min(2 * held + 8192, held + (size_t{1} << 20) + 4096));
    std::vector<core::BarRecord> out = {bar(1000)};
    out.reserve(1);  // full: the move reserves once for what it adds
    list.move_into(out);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(MappedMemory::bytes_in_use(), before);
    ASSERT_EQ(out.size(), c.n + 1);
    EXPECT_EQ(out.capacity(), c.n + 1);
    EXPECT_EQ(out[0], bar(1000));
    for (size_t i = 0; i < c.n; ++i) ASSERT_EQ(out[i + 1], bar(i)) << i;
  }
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

TEST(MappedMemory, ShrinksKeepingItsFirstBytesAndIsCounted) {
  const size_t before = MappedMemory::bytes_in_use();
  MappedMemory m(5 * 4096);
  std::memcpy(m.data(), "kept", 4);
  m.data()[4096] = 'p';
  m.shrink(4097);  // the second page stays whole
  EXPECT_EQ(m.size(), 4097u);
  EXPECT_EQ(std::string(m.data(), 4), "kept");
  EXPECT_EQ(m.data()[4096], 'p');
  EXPECT_EQ(MappedMemory::bytes_in_use() - before, 4097u);
  m.shrink(0);
  EXPECT_EQ(m.data(), nullptr);
  EXPECT_EQ(MappedMemory::bytes_in_use(), before);
}

}  // namespace
}  // namespace kovra::verifier
