#include "stark/merkle.h"

#include <gtest/gtest.h>

#include <vector>

namespace kovra::stark {
namespace {

using Kind = VerificationError::Kind;

// A full tree over `rows` rows of `cols` words, built here from the definition.
struct TestTree {
  std::vector<std::vector<uint32_t>> rows;
  std::vector<Digest> nodes;  // heap order

  TestTree(const HashFunction& h, size_t n, size_t cols, uint32_t salt) {
    for (size_t i = 0; i < n; ++i) {
      std::vector<uint32_t> row;
      for (size_t c = 0; c < cols; ++c)
        row.push_back(BabyBearElem::from_u32(static_cast<uint32_t>(i * 31 + c + salt)).raw());
      rows.push_back(row);
    }
    nodes.resize(2 * n);
    for (size_t i = 0; i < n; ++i) nodes[n + i] = h.hash_elem_slice(elems_of(rows[i]));
    for (size_t k = n - 1; k >= 1; --k) nodes[k] = h.hash_pair(nodes[2 * k], nodes[2 * k + 1]);
  }
  size_t top_size() const {
    return size_t{1} << merkle_top_layer(static_cast<uint32_t>(std::countr_zero(rows.size())));
  }
  void put_top(std::vector<uint32_t>& w) const {
    for (size_t j = top_size(); j < 2 * top_size(); ++j)
      w.insert(w.end(), nodes[j].words.begin(), nodes[j].words.end());
  }
  void put_opening(std::vector<uint32_t>& w, size_t idx) const {
    w.insert(w.end(), rows[idx].begin(), rows[idx].end());
    for (size_t pos = idx + rows.size(); pos >= 2 * top_size(); pos /= 2)
      w.insert(w.end(), nodes[pos ^ 1].words.begin(), nodes[pos ^ 1].words.end());
  }
};

struct Fixture {
  HashSuite suite = HashSuite::poseidon2();
  std::vector<uint32_t> words;
  std::unique_ptr<SealReader> reader;
  void start() { reader = std::make_unique<SealReader>(words, suite.rng->new_rng()); }
};

TEST(CommittedTree, TopLayerSizes) {
  EXPECT_EQ(merkle_top_layer(0), 0u);
  EXPECT_EQ(merkle_top_layer(1), 0u);
  EXPECT_EQ(merkle_top_layer(2), 1u);
  EXPECT_EQ(merkle_top_layer(5), 4u);
  EXPECT_EQ(merkle_top_layer(6), 5u);
  EXPECT_EQ(merkle_top_layer(20), 5u);
}

TEST(CommittedTree, OpensEveryRowAtEverySize) {
  for (size_t rows : {1u, 2u, 4u, 8u, 64u, 128u}) {
    Fixture f;
    TestTree t(*f.suite.hash, rows, 3, 7);
    t.put_top(f.words);
    for (size_t i = 0; i < rows; ++i) t.put_opening(f.words, i);
    f.start();
    auto tree = CommittedTree::read(*f.reader, *f.suite.hash, rows, 3);
    ASSERT_TRUE(tree.ok()) << rows;
    EXPECT_EQ(tree->root(), t.nodes[1]) << rows;
    EXPECT_EQ(tree->top_size(), t.top_size());
    for (size_t i = 0; i < rows; ++i) {
      auto row = tree->verify_row(*f.reader, *f.suite.hash, i);
      ASSERT_TRUE(row.ok()) << rows << " " << i;
      EXPECT_EQ(std::vector<uint32_t>(row->begin(), row->end()), t.rows[i]);
    }
    EXPECT_EQ(f.reader->remaining(), 0u);
  }
}

TEST(CommittedTree, ReadMixesTheRoot) {
  Fixture f;
  TestTree t(*f.suite.hash, 64, 2, 1);
  t.put_top(f.words);
  f.start();
  ASSERT_TRUE(CommittedTree::read(*f.reader, *f.suite.hash, 64, 2).ok());
  auto expect = f.suite.rng->new_rng();
  expect->mix(t.nodes[1]);
  EXPECT_EQ(f.reader->transcript().random_elem(), expect->random_elem());
  EXPECT_EQ(f.words.size(), 256u);  // 32 top digests
}

TEST(CommittedTree, RowFailures) {
  Fixture f;
  TestTree t(*f.suite.hash, 4, 2, 3);
  t.put_top(f.words);
  t.put_opening(f.words, 3);
  auto bad_sibling = f.words.size();
  t.put_opening(f.words, 1);
  f.words[bad_sibling + 2 + 5] ^= 1;  // a sibling word of row 1's path
  t.put_opening(f.words, 2);
  f.words[f.words.size() - 8 - 1] = BabyBearElem::P;  // row 2's last word
  f.start();
  auto tree = CommittedTree::read(*f.reader, *f.suite.hash, 4, 2);
  ASSERT_TRUE(tree.ok());
  // idx = rows: out of range, nothing consumed.
  const size_t before = f.reader->remaining();
  auto out = tree->verify_row(*f.reader, *f.suite.hash, 4);
  ASSERT_FALSE(out.ok());
  EXPECT_EQ(out.error(), VerificationError::query_out_of_range(4, 4));
  EXPECT_EQ(f.reader->remaining(), before);
  EXPECT_TRUE(tree->verify_row(*f.reader, *f.suite.hash, 3).ok());
  auto wrong = tree->verify_row(*f.reader, *f.suite.hash, 1);
  ASSERT_FALSE(wrong.ok());
  EXPECT_EQ(wrong.error().kind(), Kind::ProofRejected);
  const size_t at_row2 = f.reader->remaining();
  auto unreduced = tree->verify_row(*f.reader, *f.suite.hash, 2);
  ASSERT_FALSE(unreduced.ok());
  EXPECT_EQ(unreduced.error().kind(), Kind::Malformed);
  EXPECT_EQ(f.reader->remaining(), at_row2 - 2);  // the row's words were consumed
  auto short_seal = tree->verify_row(*f.reader, *f.suite.hash, 0);
  ASSERT_FALSE(short_seal.ok());
  EXPECT_EQ(short_seal.error().kind(), Kind::Malformed);
}

// Every top-layer digest is tested, also when the top holds a single digest.
TEST(CommittedTree, UnreducedTopDigestIsMalformedAtEveryTopSize) {
  for (size_t rows : {1u, 2u, 4u, 64u}) {
    Fixture f;
    TestTree t(*f.suite.hash, rows, 1, 0);
    t.put_top(f.words);
    f.words.back() = 0x78000001u;
    f.start();
    auto tree = CommittedTree::read(*f.reader, *f.suite.hash, rows, 1);
    ASSERT_FALSE(tree.ok()) << rows;
    EXPECT_EQ(tree.error().kind(), Kind::Malformed);
  }
  // Short of one top word.
  Fixture f;
  TestTree t(*f.suite.hash, 4, 1, 0);
  t.put_top(f.words);
  f.words.pop_back();
  f.start();
  EXPECT_FALSE(CommittedTree::read(*f.reader, *f.suite.hash, 4, 1).ok());
}

TEST(MerkleInclusion, IndexBitsChooseTheSide) {
  const HashSuite s = HashSuite::poseidon2();
  const HashFunction& h = *s.hash;
  Digest leaf, sib;
  for (uint32_t i = 0; i < 8; ++i) {
    leaf.words[i] = BabyBearElem::from_u32(i).raw();
    sib.words[i] = BabyBearElem::from_u32(100 + i).raw();
  }
  const Digest sibs[1] = {sib};
  EXPECT_TRUE(merkle_inclusion_verify(1, sibs, leaf, h.hash_pair(sib, leaf), h).ok());
  EXPECT_TRUE(merkle_inclusion_verify(0, sibs, leaf, h.hash_pair(leaf, sib), h).ok());
  EXPECT_TRUE(merkle_inclusion_verify(2, sibs, leaf, h.hash_pair(leaf, sib), h).ok());  // extra bits
  auto wrong = merkle_inclusion_verify(1, sibs, leaf, h.hash_pair(leaf, sib), h);
  ASSERT_FALSE(wrong.ok());
  EXPECT_EQ(wrong.error(), "merkle proof verify failed");
  EXPECT_TRUE(merkle_inclusion_verify(0, {}, leaf, leaf, h).ok());
  EXPECT_FALSE(merkle_inclusion_verify(0, {}, leaf, sib, h).ok());
  Digest bad = sib;
  bad.words[3] = 0x78000001u;
  const Digest bad_sibs[1] = {bad};
  EXPECT_FALSE(merkle_inclusion_verify(0, bad_sibs, leaf, leaf, h).ok());
}

}  // namespace
}  // namespace kovra::stark
