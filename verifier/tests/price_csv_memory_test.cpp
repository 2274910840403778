// What the price and funding loaders allocate, counted by the bytes and blocks that operator
// new hands out while a load runs and by the memory they map: the price loader's block buffer
// is mapped once for all the files of a run, and the lists are reserved once, never regrown
// by copying; a stream's bars cost what it has delivered.
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/testing/allocations.h"
#include "fed_pipe.h"
#include "mapped_peak.h"
#include "test_files.h"
#include "verifier/block_list.h"
#include "verifier/funding.h"
#include "verifier/input_limits.h"
#include "verifier/price_csv.h"

namespace kovra::verifier {
namespace {

using Counted = base::testing::Allocations;
using platform::MappedMemory;
using testing::mapped_peak_of;

template <class Load>
Counted allocated_by(Load load) {
  return base::testing::allocations_of(load);
}

// "t\n" then `rows` rows "1,1\n", the shortest common row.
std::string shortest_rows(size_t rows) {
  std::string s = "t\n";
  s.reserve(2 + 4 * rows);
  for (size_t i = 0; i < rows; ++i) s.append("1,1\n", 4);
  return s;
}

TEST(PriceCsvMemory, OneBlockBufferForAllTheFilesOfARun) {
  testing::TempDir dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 300; ++i) {
    std::string name = std::to_string(i);
    name += ".csv";
    paths.push_back(dir.write(name, "t,c\n1,1\n2,2\n"));
  }
  const size_t mapped_before = MappedMemory::bytes_in_use();
  size_t mapped = 0;
  const Counted c = allocated_by([&] {
    mapped = mapped_peak_of([&] {
      auto lists = load_price_csvs(paths);
      ASSERT_TRUE(lists.ok());
      EXPECT_EQ(lists->size(), 300u);
    });
  });
  // One 1 MiB block mapped, and small lists and paths: a block per file would be 300 MiB.
  EXPECT_EQ(mapped, size_t{1} << 20);
  EXPECT_EQ(c.large_blocks, 0u);
  EXPECT_LT(c.bytes, size_t{1} << 20);
  EXPECT_EQ(MappedMemory::bytes_in_use(), mapped_before);  // the loader's block went with it
}

// A buffer grown for a long line is let go when its file ends, however it ends: after a file
// that is not UTF-8 past its long line the loader holds nothing, and the next file maps its
// one block anew.
TEST(PriceCsvMemory, ABufferGrownForALongLineGoesWithItsFileEvenOnAnError) {
  testing::TempDir dir;
  const std::string long_line(size_t{3} << 20, ' ');
  const std::string bad = dir.write("bad.csv", "t\n" + long_line + "\n\xff\n");
  const std::string good = dir.write("good.csv", "t\n1,1\n");
  const size_t before = MappedMemory::bytes_in_use();
  PriceCsvLoader loader;
  auto failed = loader.load(bad);
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.error().text, "stream did not contain valid UTF-8");
  EXPECT_EQ(MappedMemory::bytes_in_use(), before);
  ASSERT_TRUE(loader.load(good).ok());
  EXPECT_EQ(MappedMemory::bytes_in_use() - before, size_t{1} << 20);
}

// 200,000 bars (8 MB of them) under a limit of 2^24: from a regular file the list is reserved
// from its line ends, exactly; from a stream the bars are kept in mapped blocks as they arrive
// and then move into a list of exactly their number. Either way the list is the only large
// allocation (no regrowth by doubling, no reservation at the bar limit), and what is mapped
// is the text buffer and, for a stream, blocks for the bars it delivered.
TEST(PriceCsvMemory, TheBarListIsReservedOnceForTheBarsDelivered) {
  constexpr size_t kRows = 200'000;
  const std::string text = shortest_rows(kRows);
  testing::TempDir dir;
  const std::string path = dir.write("p.csv", text);
  constexpr size_t kBar = sizeof(core::BarRecord);
  constexpr size_t kBarBlockBytes = BlockList<core::BarRecord>::bytes_mapped_for(kRows);
  for (const bool stream : {false, true}) {
    std::optional<testing::FedPipe> pipe;
    if (stream) pipe.emplace(text);
    size_t mapped = 0;
    const Counted c = allocated_by([&] {
      mapped = mapped_peak_of([&] {
        auto bars = PriceCsvLoader().load(stream ? pipe->path() : path);
        ASSERT_TRUE(bars.ok());
        EXPECT_EQ(bars->size(), kRows);
        EXPECT_EQ(bars->capacity(), stream ? kRows : kRows + 1);
        EXPECT_EQ((*bars)[kRows - 1], (core::BarRecord{1, 1'000'000, 1'000'000, 1'000'000,
                                                        1'000'000}));
      });
    });
    EXPECT_EQ(c.large_blocks, 1u) << stream;
    EXPECT_LT(c.bytes, (kRows + 1) * kBar + 4096) << stream;
    EXPECT_EQ(mapped, (size_t{1} << 20) + (stream ? kBarBlockBytes : 0)) << stream;
  }
}

// A stream past the bar limit is refused having held the limit's bars, in blocks: nothing is
// reserved for the list it never gets.
TEST(PriceCsvMemory, AStreamPastTheBarLimitCostsItsBarsAndNoList) {
  constexpr size_t kLimit = 100'000;
  const std::string text = shortest_rows(kLimit + 1);
  testing::FedPipe pipe(text);
  const size_t mapped_before = MappedMemory::bytes_in_use();
  size_t mapped = 0;
  const Counted c = allocated_by([&] {
    mapped = mapped_peak_of([&] {
      auto bars = PriceCsvLoader(kLimit).load(pipe.path());
      ASSERT_FALSE(bars.ok());
      EXPECT_EQ(bars.error().text, "file has more than the 100000-bar limit");
    });
  });
  EXPECT_EQ(c.large_blocks, 0u);
  EXPECT_LT(mapped, (size_t{1} << 20) + kLimit * sizeof(core::BarRecord) + (size_t{1} << 20));
  EXPECT_EQ(MappedMemory::bytes_in_use(), mapped_before);
}

// A directory whose csv files pass its total together holds no funding data, found from their
// sizes before any is read: a first file at the whole total costs nothing when a second one
// of one byte takes the directory past it. (A sparse file stands in for the large one.)
TEST(FundingMemory, ADirectoryPastItsTotalIsRefusedBeforeItIsRead) {
  testing::TempDir dir;
  const std::string big = dir.write("a.csv", "");
  ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(kFundingDirLimit)), 0);
  dir.write("b.csv", "t");
  size_t mapped = 0;
  const Counted c = allocated_by([&] {
    mapped = mapped_peak_of([&] {
      const auto f = load_funding_dir(dir.path().string());
      EXPECT_TRUE(f.timestamps.empty());
      EXPECT_TRUE(f.rates.empty());
    });
  });
  EXPECT_EQ(mapped, 0u);
  EXPECT_EQ(c.large_blocks, 0u);
  EXPECT_LT(c.bytes, size_t{64} << 10);
}

// A funding file's two lists are reserved exactly from its line ends (less the header's);
// a text of empty lines reserves no more than a quarter of its bytes as rows.
TEST(FundingMemory, ListsAreReservedFromTheLineEnds) {
  const std::string text = shortest_rows(100'000);
  Counted c = allocated_by([&] { EXPECT_EQ(parse_funding_csv(text).rates.size(), 100'000u); });
  EXPECT_EQ(c.large_blocks, 2u);
  EXPECT_LE(c.bytes, 2 * 8 * 100'001u);
  const std::string blank(400'000, '\n');
  c = allocated_by([&] { EXPECT_TRUE(parse_funding_csv(blank).rates.empty()); });
  EXPECT_LE(c.bytes, 2 * 8 * 100'000u);
}

}  // namespace
}  // namespace kovra::verifier
