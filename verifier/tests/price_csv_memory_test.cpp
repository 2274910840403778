// What the price and funding loaders allocate, counted by the bytes and blocks that operator
// new hands out while a load runs: the price loader's block buffer is allocated once for all
// the files of a run, and the lists are reserved once, never regrown by copying.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/testing/allocations.h"
#include "fed_pipe.h"
#include "test_files.h"
#include "verifier/funding.h"
#include "verifier/price_csv.h"

namespace kovra::verifier {
namespace {

using Counted = base::testing::Allocations;

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
  const Counted c = allocated_by([&] {
    auto lists = load_price_csvs(paths);
    ASSERT_TRUE(lists.ok());
    EXPECT_EQ(lists->size(), 300u);
  });
  // One 1 MiB block, and small lists and paths: a block per file would be 300 MiB.
  EXPECT_EQ(c.large_blocks, 1u);
  EXPECT_LT(c.bytes, size_t{2} << 20);
}

// 200,000 bars: from a regular file the list is reserved from its line ends, exactly; from a
// stream it is reserved at the bar limit at the first bar. Either way the block buffer and
// the list are the only large allocations: no regrowth by doubling.
TEST(PriceCsvMemory, TheBarListIsReservedOnce) {
  constexpr size_t kRows = 200'000;
  constexpr size_t kLimit = 300'000;
  const std::string text = shortest_rows(kRows);
  testing::TempDir dir;
  const std::string path = dir.write("p.csv", text);
  for (const bool stream : {false, true}) {
    std::optional<testing::FedPipe> pipe;
    if (stream) pipe.emplace(text);
    const Counted c = allocated_by([&] {
      auto bars = PriceCsvLoader(kLimit).load(stream ? pipe->path() : path);
      ASSERT_TRUE(bars.ok());
      EXPECT_EQ(bars->size(), kRows);
    });
    EXPECT_EQ(c.large_blocks, 2u) << stream;
    const size_t list = stream ? kLimit : kRows + 1;
    EXPECT_LT(c.bytes, (size_t{1} << 20) + list * sizeof(core::BarRecord) + 4096) << stream;
  }
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
