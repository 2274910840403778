// Committed trees: Merkle commitments to tables of field-element rows, as read from a seal,
// and inclusion proofs of a leaf under a known root.
//
// Geometry (heap numbering): a tree over rows = 2^layers rows has positions 1 .. 2*rows - 1;
// the leaf of row i is at position rows + i, the children of k are 2k and 2k + 1, position 1 is
// the root. Leaf = hash_elem_slice(row), node = hash_pair(left, right).
//
// The seal carries one top layer of the tree instead of the root: top_layer = 0 when
// layers < 2, else min(layers - 1, 5), and top_size = 2^top_layer digests. The verifier
// rebuilds the nodes above it once, mixes the root into the transcript, and checks each
// opened row by hashing up to the top layer with the sibling digests that follow the row.
//
// Every digest taken from a seal is tested with the suite's digest_is_reduced before it is
// hashed, whatever the size of the top layer: an unreduced Poseidon2 digest is Malformed.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/digest.h"
#include "base/result.h"
#include "stark/hash_suite.h"
#include "stark/seal_reader.h"

namespace kovra::stark {

class CommittedTree {
 public:
  // Reads the top layer of a tree of `rows` rows (a power of two; anything else is a broken
  // invariant) and `cols` words per row, rebuilds the upper nodes and mixes the root into the
  // reader's transcript. Fails with Malformed when the seal is short or a digest is unreduced
  // (nothing is mixed then).
  static VResult<CommittedTree> read(SealReader& reader, const HashFunction& hash, uint64_t rows,
                                     uint64_t cols);

  // Node 1 when the top layer holds two or more digests, else the single top digest.
  const Digest& root() const { return nodes_.empty() ? top_[0] : nodes_[0]; }

  // Checks the opening of row idx that comes next in the seal: the row's cols words, then one
  // sibling digest per level up to the top layer. Returns the row words (a view into the
  // seal), or QueryOutOfRange (idx, rows; nothing consumed), Malformed (short seal, a row word
  // at or above P, an unreduced sibling) or ProofRejected (the path misses the top layer).
  VResult<std::span<const uint32_t>> verify_row(SealReader& reader, const HashFunction& hash,
                                                uint64_t idx) const;

  uint64_t rows() const { return rows_; }
  uint64_t cols() const { return cols_; }
  uint64_t top_size() const { return top_size_; }

 private:
  std::vector<Digest> nodes_;  // nodes_[k - 1] is node k, k = 1 .. top_size - 1
  std::vector<Digest> top_;    // top_[j] is position top_size + j
  uint64_t rows_ = 0;
  uint64_t cols_ = 0;
  uint64_t top_size_ = 0;
};

// log2 of the top layer's size for a tree of 2^layers rows.
constexpr uint32_t merkle_top_layer(uint32_t layers) {
  return layers < 2 ? 0 : (layers - 1 < 5 ? layers - 1 : 5);
}

// Proves `leaf` under `root`: bit i of index says whether the leaf's ancestor at level i is a
// right child (its sibling, siblings[i], goes left). Index bits beyond the siblings are
// ignored. Fails with "merkle proof verify failed" when the recomputed root differs or a leaf
// or sibling digest is not reduced under the suite (it is never hashed then).
base::Status<std::string> merkle_inclusion_verify(uint32_t index, std::span<const Digest> siblings,
                                                  const Digest& leaf, const Digest& root,
                                                  const HashFunction& hash);

}  // namespace kovra::stark
