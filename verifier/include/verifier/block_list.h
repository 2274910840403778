// A list that grows as a stream delivers it, at the cost of what it holds.
//
// A stream's length is known only at its end. A contiguous buffer that grows to fit it either
// regrows by copying (old and new held at once: three times what it holds, in address space)
// or reserves at once all that the stream may bring, before it has brought it (which fails a
// small stream under an address-space limit). A BlockList keeps what arrives in blocks mapped
// from the system one at a time, as they are needed: the first of 4 KiB, each next one twice
// the last, up to 1 MiB. In memory and in address space alike it costs what it holds and the
// unfilled rest of its last block (and the few bytes at a block's end that no whole element
// fills): about as much again while it is small, at most about 1 MiB more once it is large.
//
// At the end its elements move into one contiguous container reserved for exactly them, a
// block at a time, each block unmapped once it is copied: memory then holds the elements
// once and a block, address space holds them twice for that moment.
//
// For trivially copyable elements only (bar records).
#pragma once

#include <cstddef>
#include <type_traits>
#include <vector>

#include "verifier/platform.h"

namespace kovra::verifier {

template <class T>
class BlockList {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  static constexpr size_t kFirstBlockBytes = size_t{1} << 12;
  static constexpr size_t kBlockBytes = size_t{1} << 20;  // the largest block
  static constexpr size_t kDoublings = 8;                 // from the first to the largest
  static_assert(kFirstBlockBytes << kDoublings == kBlockBytes);
  static_assert(sizeof(T) <= kFirstBlockBytes);

  BlockList() = default;
  BlockList(const BlockList&) = delete;
  BlockList& operator=(const BlockList&) = delete;

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  void push_back(const T& value) {
    if (blocks_.empty() || in_last_ == per_block(blocks_.size() - 1)) add_block();
    reinterpret_cast<T*>(blocks_.back().data())[in_last_] = value;
    ++in_last_;
    ++size_;
  }

  // Appends every element to `out` (a std::vector<T>), reserved once for them all, and
  // leaves the list empty.
  template <class Container>
  void move_into(Container& out) {
    if (size_ == 0) return;
    out.reserve(out.size() + size_);
    for (size_t i = 0; i < blocks_.size(); ++i) {
      const T* first = reinterpret_cast<const T*>(blocks_[i].data());
      const size_t n = i + 1 == blocks_.size() ? in_last_ : per_block(i);
      out.insert(out.end(), first, first + n);
      blocks_[i] = platform::MappedMemory();  // unmapped once copied
    }
    blocks_.clear();
    in_last_ = 0;
    size_ = 0;
  }

  // The bytes of block `i` (counting from 0), and the elements it holds when full.
  static constexpr size_t block_bytes(size_t i) {
    return kFirstBlockBytes << (i < kDoublings ? i : kDoublings);
  }
  static constexpr size_t per_block(size_t i) { return block_bytes(i) / sizeof(T); }

  // What a list of `n` elements maps.
  static constexpr size_t bytes_mapped_for(size_t n) {
    size_t bytes = 0;
    for (size_t i = 0; n > 0; ++i) {
      bytes += block_bytes(i);
      n -= n < per_block(i) ? n : per_block(i);
    }
    return bytes;
  }

 private:
  void add_block() {
    blocks_.emplace_back(block_bytes(blocks_.size()));
    in_last_ = 0;
  }

  std::vector<platform::MappedMemory> blocks_;
  size_t in_last_ = 0;  // elements in the last block
  size_t size_ = 0;
};

}  // namespace kovra::verifier
