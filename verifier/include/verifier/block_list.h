// A list that grows as a stream delivers it, at the cost of what it holds.
//
// A stream's length is known only at its end. A contiguous buffer that grows to fit it either
// regrows by copying (old and new held at once: three times what it holds, in address space)
// or reserves at once all that the stream may bring, before it has brought it (which fails a
// small stream under an address-space limit). A BlockList keeps what arrives in blocks of
// 1 MiB mapped from the system one at a time, as they are needed: in memory and in address
// space alike it costs what it holds and less than one block.
//
// At the end its elements move into one contiguous container reserved for exactly them, a
// block at a time, each block unmapped once it is copied: memory then holds the elements
// once and a block, address space holds them twice for that moment.
//
// For trivially copyable elements only (bytes, bar records).
#pragma once

#include <cstddef>
#include <span>
#include <type_traits>
#include <vector>

#include "verifier/platform.h"

namespace kovra::verifier {

template <class T>
class BlockList {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  static constexpr size_t kBlockBytes = size_t{1} << 20;
  static constexpr size_t kPerBlock = kBlockBytes / sizeof(T);

  BlockList() = default;
  BlockList(const BlockList&) = delete;
  BlockList& operator=(const BlockList&) = delete;

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  void push_back(const T& value) {
    room()[0] = value;
    commit(1);
  }

  // The free room at the end, at least one element (a new block is mapped when the last is
  // full), for a reader that fills it in place; `commit` then takes what it filled.
  std::span<T> room() {
    if (blocks_.empty() || in_last_ == kPerBlock) add_block();
    return {last() + in_last_, kPerBlock - in_last_};
  }
  // The first `n` elements of the last `room()` now belong to the list.
  void commit(size_t n) {
    in_last_ += n;
    size_ += n;
  }

  // Appends every element to `out` (a std::vector<T> or std::string), reserved once for them
  // all, and leaves the list empty.
  template <class Container>
  void move_into(Container& out) {
    if (size_ == 0) return;
    out.reserve(out.size() + size_);
    for (size_t i = 0; i < blocks_.size(); ++i) {
      const T* first = reinterpret_cast<const T*>(blocks_[i].data());
      const size_t n = i + 1 == blocks_.size() ? in_last_ : kPerBlock;
      out.insert(out.end(), first, first + n);
      blocks_[i] = platform::MappedMemory();  // unmapped once copied
    }
    blocks_.clear();
    in_last_ = 0;
    size_ = 0;
  }

 private:
  T* last() { return reinterpret_cast<T*>(blocks_.back().data()); }
  void add_block() {
    blocks_.emplace_back(kBlockBytes);
    in_last_ = 0;
  }

  std::vector<platform::MappedMemory> blocks_;
  size_t in_last_ = 0;  // elements in the last block
  size_t size_ = 0;
};

}  // namespace kovra::verifier
