#include "stark/merkle.h"

#include <bit>
#include <new>

#include "base/invariant.h"

namespace kovra::stark {
namespace {

Digest digest_at(std::span<const uint32_t> words, size_t i) {
  Digest d;
  for (size_t k = 0; k < 8; ++k) d.words[k] = words[8 * i + k];
  return d;
}

}  // namespace

VResult<CommittedTree> CommittedTree::read(SealReader& reader, const HashFunction& hash,
                                           uint64_t rows, uint64_t cols) {
  const uint32_t layers = rows == 0 ? 0 : static_cast<uint32_t>(std::countr_zero(rows));
  KOVRA_INVARIANT(rows != 0 && (uint64_t{1} << layers) == rows,
                  "assertion failed: 1 << layers == row_size");
  CommittedTree t;
  t.rows_ = rows;
  t.cols_ = cols;
  t.top_size_ = uint64_t{1} << merkle_top_layer(layers);
  KOVRA_ASSIGN_OR_RETURN(auto words, reader.read_words(8 * t.top_size_));
  t.top_.reserve(t.top_size_);
  for (size_t j = 0; j < t.top_size_; ++j) {
    t.top_.push_back(digest_at(words, j));
    if (!hash.digest_is_reduced(t.top_.back())) return base::Err(VerificationError::malformed());
  }
  if (t.top_size_ >= 2) {
    const size_t half = t.top_size_ / 2;
    t.nodes_.resize(t.top_size_ - 1);
    for (size_t m = 0; m < half; ++m)
      t.nodes_[half + m - 1] = hash.hash_pair(t.top_[2 * m], t.top_[2 * m + 1]);
    for (size_t k = half - 1; k >= 1; --k)
      t.nodes_[k - 1] = hash.hash_pair(t.nodes_[2 * k - 1], t.nodes_[2 * k]);
  }
  reader.transcript().mix(t.root());
  return t;
}

VResult<std::span<const uint32_t>> CommittedTree::verify_row(SealReader& reader,
                                                             const HashFunction& hash,
                                                             uint64_t idx) const {
  if (idx >= rows_) return base::Err(VerificationError::query_out_of_range(idx, rows_));
  KOVRA_ASSIGN_OR_RETURN(auto row, reader.read_words(cols_));
  if (!all_reduced(row)) return base::Err(VerificationError::malformed());
  // The row as field elements, in uninitialised stack storage for the usual widths (each
  // element is created as it is written).
  constexpr size_t kLocal = 256;
  alignas(BabyBearElem) unsigned char local[kLocal * sizeof(BabyBearElem)];
  std::vector<BabyBearElem> heap;
  BabyBearElem* elems = nullptr;
  if (row.size() <= kLocal) {
    for (size_t i = 0; i < row.size(); ++i)
      new (local + i * sizeof(BabyBearElem)) BabyBearElem(BabyBearElem::from_raw(row[i]));
    elems = std::launder(reinterpret_cast<BabyBearElem*>(local));
  } else {
    heap.resize(row.size());
    for (size_t i = 0; i < row.size(); ++i) heap[i] = BabyBearElem::from_raw(row[i]);
    elems = heap.data();
  }
  Digest cur = hash.hash_elem_slice(std::span<const BabyBearElem>(elems, row.size()));
  // One sibling per level from the leaf up to the top layer. The side is chosen without a
  // branch: it is a coin flip per level.
  const size_t levels = static_cast<size_t>(std::countr_zero(rows_) - std::countr_zero(top_size_));
  KOVRA_ASSIGN_OR_RETURN(auto path, reader.read_words(8 * levels));
  uint64_t pos = idx + rows_;
  for (size_t level = 0; level < levels; ++level, pos /= 2) {
    const Digest sibling = digest_at(path, level);
    if (!hash.digest_is_reduced(sibling)) return base::Err(VerificationError::malformed());
    const bool right = (pos & 1) != 0;
    const Digest& left_child = right ? sibling : cur;
    const Digest& right_child = right ? cur : sibling;
    cur = hash.hash_pair(left_child, right_child);
  }
  if (cur != top_[pos - top_size_]) return base::Err(VerificationError::proof_rejected());
  return row;
}

base::Status<std::string> merkle_inclusion_verify(uint32_t index, std::span<const Digest> siblings,
                                                  const Digest& leaf, const Digest& root,
                                                  const HashFunction& hash) {
  Digest cur = leaf;
  uint32_t bits = index;
  for (const Digest& s : siblings) {
    if (!hash.digest_is_reduced(cur) || !hash.digest_is_reduced(s))
      return base::Err(std::string("merkle proof verify failed"));
    cur = (bits & 1) ? hash.hash_pair(s, cur) : hash.hash_pair(cur, s);
    bits >>= 1;
  }
  if (cur != root) return base::Err(std::string("merkle proof verify failed"));
  return {};
}

}  // namespace kovra::stark
