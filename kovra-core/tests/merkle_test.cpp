// Data roots. The expected hex values come from data/data_roots_reference.py, which builds
// each hashed message independently with Python's struct.pack and hashlib.sha256 (run it
// with python3 to reproduce them); the bars are the same as bar_at() below.
#include "kovra-core/merkle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/hex.h"
#include "base/sha256.h"

namespace kovra::core {
namespace {

BarRecord bar_at(int64_t i) {
  return {1700000000 + 86400 * i, 100000000 + i, 101000000 + 7 * i, -5 - i, INT64_MAX - i};
}

std::vector<BarRecord> series(int n, int start = 0) {
  std::vector<BarRecord> out;
  for (int i = 0; i < n; ++i) out.push_back(bar_at(start + i));
  return out;
}

std::string hex(const DataRoot& r) { return base::hex_lower(r); }

TEST(BarRecord, HashedFormIsFiveLittleEndianI64) {
  const auto b = bar_bytes({1, -1, 0, 256, INT64_MIN});
  const std::string expected =
      "0100000000000000" "ffffffffffffffff" "0000000000000000" "0001000000000000"
      "0000000000000080";
  EXPECT_EQ(base::hex_lower(b), expected);
}

TEST(MerkleRoot, MatchesTheReferenceForSmallSeries) {
  const struct {
    int bars;
    const char* root;
  } cases[] = {
      {0, "16818f41edfd8f557c8706bdbe8fa7cc165a9e954cde9ee95ae0cb518579eaca"},
      {1, "9d56f633cd6d52c06cca6c113e6c664f263988472e67bb72f6ff51163258cef3"},
      {2, "1b51ef5d72cabbb8e425a453634ae3aa84150ca6a0c5415d7875809cfe4d999e"},
      {3, "8387cffdd641ab90483f6c90e4d056781c0aabc5e4a5df3f1747a33884d90795"},
      {5, "a897b03f878ec99059afa6a475a2fdbfae3febe20cc22ccb094fb78d19cd1ce7"},
  };
  for (const auto& c : cases) EXPECT_EQ(hex(merkle_root(series(c.bars))), c.root) << c.bars;
}

// The same shapes spelt out with the padded hash: a single bar is its leaf, an odd node
// rises unchanged, and equal bars still differ by their index.
DataRoot sha(std::vector<uint8_t> msg) { return base::sha256_digest(msg).bytes(); }
DataRoot leaf(uint64_t i, const BarRecord& b) {
  std::vector<uint8_t> m{0x03};
  for (int k = 0; k < 8; ++k) m.push_back(uint8_t(i >> (8 * k)));
  const auto bb = bar_bytes(b);
  m.insert(m.end(), bb.begin(), bb.end());
  return sha(m);
}
DataRoot node(const DataRoot& l, const DataRoot& r) {
  std::vector<uint8_t> m{0x01};
  m.insert(m.end(), l.begin(), l.end());
  m.insert(m.end(), r.begin(), r.end());
  return sha(m);
}

TEST(MerkleRoot, TreeShapes) {
  const auto s = series(5);
  std::vector<DataRoot> l;
  for (size_t i = 0; i < s.size(); ++i) l.push_back(leaf(i, s[i]));
  EXPECT_EQ(merkle_root(std::span(s).first(1)), l[0]);
  EXPECT_EQ(merkle_root(std::span(s).first(3)), node(node(l[0], l[1]), l[2]));
  EXPECT_EQ(merkle_root(s), node(node(node(l[0], l[1]), node(l[2], l[3])), l[4]));

  const std::vector<BarRecord> same(2, bar_at(7));
  EXPECT_NE(leaf(0, same[0]), leaf(1, same[1]));
  EXPECT_EQ(merkle_root(same), node(leaf(0, same[0]), leaf(1, same[1])));
}

// Every count up to 70 against a plain level-by-level construction over the padded hash
// (odd carries at several levels, the in-place level buffer, the hand-laid padding).
TEST(MerkleRoot, AgreesWithAPlainConstructionUpTo70Bars) {
  const auto all = series(70);
  for (size_t n = 1; n <= all.size(); ++n) {
    std::vector<DataRoot> level;
    for (size_t i = 0; i < n; ++i) level.push_back(leaf(i, all[i]));
    while (level.size() > 1) {
      std::vector<DataRoot> next;
      for (size_t k = 0; k + 1 < level.size(); k += 2) next.push_back(node(level[k], level[k + 1]));
      if (level.size() % 2) next.push_back(level.back());
      level = next;
    }
    EXPECT_EQ(merkle_root(std::span(all).first(n)), level[0]) << n;
  }
}

TEST(PortfolioRoot, MatchesTheReference) {
  EXPECT_EQ(hex(portfolio_root({})),
            "1bbcc26ecbd94d6a73d09ab5384f2f89ff21774b14c0d0682f4f53d981d5f209");
  const std::vector<std::vector<BarRecord>> one = {series(3)};
  EXPECT_EQ(portfolio_root(one), merkle_root(one[0]));
  const std::vector<std::vector<BarRecord>> two = {series(2), series(3, 10)};
  EXPECT_EQ(hex(portfolio_root(two)),
            "ac54d7eccc4ed4729799ef33e8d742873d2244be390813712183426b0eeafc67");
  const std::vector<std::vector<BarRecord>> swapped = {series(3, 10), series(2)};
  EXPECT_EQ(hex(portfolio_root(swapped)),
            "571b9b0c044fba0034f5d6dd14a200b68d544a3eb26b3c715e38fae1546d45f7");
}

TEST(VrpRoot, MatchesTheReference) {
  EXPECT_EQ(hex(vrp_root(series(3), series(2, 20))),
            "0ac401713baa5fa86a1da0a947ffd1f9b164947c4bc039a08638aa5200c3d99c");
  EXPECT_EQ(hex(vrp_root({}, {})),
            "9dccd7bd057f87670a023d57ab78f9e842ac59c3cefc851707ce61e84db61f09");
}

TEST(CarryRoot, MatchesTheReference) {
  EXPECT_EQ(hex(carry_root({})),
            "b5a68f27c3edc238324809dede81069cb5c96a34f10909df0807b76f8873df45");
  EXPECT_EQ(hex(carry_root({{1700000000, 1700028800, -1}, {}})),
            "1babca1e12b94dec271aed485985a4a02d210419faa75cfe44bb39773a832719");
  // Lists of unequal length: each records its own length.
  EXPECT_EQ(hex(carry_root({{1700000000, 1700028800, 1700057600}, {{-25, 0, 1}, {7, INT64_MAX}}})),
            "b437447226ccccc75cdbd3def3fe2b59bd014bd47ad4917ea21577b4bfda1863");
}

TEST(CarryRoot, LongListsCrossTheStreamBuffer) {
  // 2000 values (16000 bytes) per list pass the internal 4 KiB buffer several times.
  FundingSeries f;
  base::Sha256 ref;
  auto put = [&](uint64_t v) {
    uint8_t b[8];
    for (int k = 0; k < 8; ++k) b[k] = uint8_t(v >> (8 * k));
    ref.update(std::span<const uint8_t>(b, 8));
  };
  for (int i = 0; i < 2000; ++i) f.timestamps.push_back(i * 3600);
  f.rates = {std::vector<int64_t>(2000, -3), std::vector<int64_t>(1999, 5)};
  ref.update("KOVRA_CARRY_ROOT_V2");
  put(2000);
  for (auto t : f.timestamps) put(uint64_t(t));
  put(2);
  for (uint64_t j = 0; j < 2; ++j) {
    put(j);
    put(f.rates[j].size());
    for (auto r : f.rates[j]) put(uint64_t(r));
  }
  EXPECT_EQ(carry_root(f), ref.finish().bytes());
}

}  // namespace
}  // namespace kovra::core
